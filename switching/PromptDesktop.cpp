#include "switching/PromptDesktop.h"

#include <bcrypt.h>

#include "framework/Handles.h"
#include "framework/Text.h"
#include "framework/Trace.h"

CPromptDesktopDescriptor::CPromptDesktopDescriptor() noexcept {
    DWORD size = sizeof(m_ownerRights);
    m_ok = ::CreateWellKnownSid(WinCreatorOwnerRightsSid, nullptr, m_ownerRights, &size) &&
           ::InitializeAcl(Acl(), sizeof(m_acl), ACL_REVISION) &&
           ::AddAccessAllowedAce(Acl(), ACL_REVISION, 0, m_ownerRights) &&
           ::InitializeSecurityDescriptor(&m_descriptor, SECURITY_DESCRIPTOR_REVISION) &&
           ::SetSecurityDescriptorDacl(&m_descriptor, TRUE, Acl(), FALSE) &&
           ::SetSecurityDescriptorControl(&m_descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
    m_attributes.lpSecurityDescriptor = &m_descriptor;
}

namespace {

// A name nobody can guess ahead: "vp" and 32 hexadecimal digits.
bool RandomName(wchar_t (&name)[40]) noexcept {
    BYTE random[16];
    if (!BCRYPT_SUCCESS(::BCryptGenRandom(nullptr, random, sizeof(random), BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
        return false;
    }
    name[0] = L'v';
    name[1] = L'p';
    for (size_t i = 0; i < sizeof(random); ++i) {
        name[2 + 2 * i] = L"0123456789abcdef"[random[i] >> 4];
        name[3 + 2 * i] = L"0123456789abcdef"[random[i] & 15];
    }
    name[2 + 2 * sizeof(random)] = L'\0';
    ::SecureZeroMemory(random, sizeof(random));
    return true;
}

HDESK MakePromptDesktop() noexcept {
    CPromptDesktopDescriptor nobody;
    wchar_t name[40];
    if (!nobody.Ok() || !RandomName(name)) {
        vp::Trace(L"prompt desktop not made: no descriptor or name");
        return nullptr;
    }
    // Without DF_ALLOWOTHERACCOUNTHOOK: no hook of another account either.
    vp::DesktopHandle desktop(::CreateDesktopW(name, nullptr, nullptr, 0, GENERIC_ALL, nobody.Attributes()));
    if (!desktop) {
        vp::Trace(L"prompt desktop not made (error %lu)", ::GetLastError());
        return nullptr;
    }
    // Given at creation, and set again through the program's handle, for a platform that keeps no
    // descriptor from the creation.
    SECURITY_INFORMATION dacl = DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION;
    if (!::SetUserObjectSecurity(desktop.Get(), &dacl, nobody.Descriptor())) {
        vp::Trace(L"prompt desktop: descriptor not set again (error %lu)", ::GetLastError());
    }
    // Whether it holds, as any program of the user would find: opened by name as they would. A
    // platform that does not hold it (Wine) still hides the screen behind the prompt and keeps the
    // hooks of the other desktops away from it, so the prompts are asked there all the same.
    vp::DesktopHandle probe(::OpenDesktopW(name, 0, FALSE, DESKTOP_READOBJECTS));
    if (probe) vp::Trace(L"prompt desktop: the platform does not hold its descriptor");
    vp::Trace(L"prompt desktop made");
    return desktop.Release();
}

}  // namespace

HDESK PromptDesktop() noexcept {
    static const HDESK desktop = MakePromptDesktop();
    return desktop;
}
