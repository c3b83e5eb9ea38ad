#pragma once
// The desktop every password prompt shows on, made once per run: no program hooks it or reads what
// is typed there, for no other process can open it. Its name is random and its descriptor grants
// nobody anything; the program works through the handle it made. The owner's own rights are limited
// by an entry for OWNER RIGHTS, so not even the user's other programs can rewrite that descriptor.
#include <windows.h>

// The prompts' desktop, made by the first caller; null when it cannot be had (the prompts then show
// on the desktop they are asked from). Kept for the whole run.
HDESK PromptDesktop() noexcept;

// Its descriptor: a protected DACL whose one entry, for OWNER RIGHTS, grants nothing. Without that
// entry the owner (any program of the user) could still read and rewrite the DACL.
class CPromptDesktopDescriptor {
public:
    CPromptDesktopDescriptor() noexcept;
    CPromptDesktopDescriptor(const CPromptDesktopDescriptor&) = delete;
    CPromptDesktopDescriptor& operator=(const CPromptDesktopDescriptor&) = delete;

    bool Ok() const noexcept { return m_ok; }
    SECURITY_ATTRIBUTES* Attributes() noexcept { return &m_attributes; }
    // Points into this object: valid while it lives.
    PSECURITY_DESCRIPTOR Descriptor() noexcept { return &m_descriptor; }

private:
    PACL Acl() noexcept { return reinterpret_cast<PACL>(m_acl); }

    alignas(DWORD) BYTE m_ownerRights[SECURITY_MAX_SID_SIZE] = {};
    alignas(DWORD) BYTE m_acl[sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + SECURITY_MAX_SID_SIZE] = {};
    SECURITY_DESCRIPTOR m_descriptor{};
    SECURITY_ATTRIBUTES m_attributes{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
    bool m_ok = false;
};
