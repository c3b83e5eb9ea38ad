#include "framework/UserObjects.h"

#include <aclapi.h>
#include <sddl.h>

#include "framework/Product.h"
#include "framework/Text.h"
#include "framework/Trace.h"

namespace vp {

namespace {

// The private-namespace calls (Windows Vista and later; the integrity label where the system has it).
using CreateBoundaryCall = HANDLE(WINAPI*)(LPCWSTR, ULONG);
using AddToBoundaryCall = BOOL(WINAPI*)(HANDLE*, PSID);
using DeleteBoundaryCall = VOID(WINAPI*)(HANDLE);
using CreateNamespaceCall = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, LPVOID, LPCWSTR);
using OpenNamespaceCall = HANDLE(WINAPI*)(LPVOID, LPCWSTR);

template <class Call>
Call Kernel32(const char* name) noexcept {
    return reinterpret_cast<Call>(reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), name)));
}

constexpr wchar_t kMediumLabel[] = L"S-1-16-8192";

// Whether every grant of the list goes to the user; a null list grants everyone everything.
bool GrantsOnlyUser(const ACL* dacl, PSID user) noexcept {
    if (!dacl) return false;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!::GetAce(const_cast<ACL*>(dacl), i, &ace)) return false;
        const BYTE type = static_cast<const ACE_HEADER*>(ace)->AceType;
        if (type == ACCESS_DENIED_ACE_TYPE) continue;
        // Any other kind of grant (with a condition, for an object type) is not what the program makes.
        if (type != ACCESS_ALLOWED_ACE_TYPE) return false;
        if (!::EqualSid(&static_cast<ACCESS_ALLOWED_ACE*>(ace)->SidStart, user)) return false;
    }
    return true;
}

// No mandatory label below medium: a program of low integrity labels what it makes low.
bool LabelledMediumOrAbove(const ACL* sacl) noexcept {
    for (DWORD i = 0; sacl && i < sacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!::GetAce(const_cast<ACL*>(sacl), i, &ace)) return false;
        if (static_cast<const ACE_HEADER*>(ace)->AceType != SYSTEM_MANDATORY_LABEL_ACE_TYPE) continue;
        PSID label = &static_cast<SYSTEM_MANDATORY_LABEL_ACE*>(ace)->SidStart;
        const UCHAR count = *::GetSidSubAuthorityCount(label);
        if (count == 0 || *::GetSidSubAuthority(label, count - 1u) < SECURITY_MANDATORY_MEDIUM_RID) return false;
    }
    return true;
}

}  // namespace

CUserObjects& CUserObjects::OfProcess() noexcept {
    static CUserObjects objects;
    return objects;
}

CUserObjects::CUserObjects() noexcept {
    HANDLE token = nullptr;
    if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
        KernelHandle owned(token);
        BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
        DWORD needed = 0;
        if (::GetTokenInformation(token, TokenUser, buffer, sizeof(buffer), &needed)) {
            m_userKnown = ::CopySid(sizeof(m_user), m_user, reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid) != FALSE;
        }
    }
    wchar_t* sid = nullptr;
    if (!m_userKnown || !::ConvertSidToStringSidW(m_user, &sid)) return;
    // The user owns each object and is the only one it grants anything to.
    wchar_t sddl[256];
    const bool whole = FormatText(sddl, L"O:%lsD:P(A;;GA;;;%ls)", sid, sid);
    ::LocalFree(sid);
    if (whole && ::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &m_descriptor, nullptr)) {
        OpenNamespace();
    }
}

void CUserObjects::OpenNamespace() noexcept {
    const auto createBoundary = Kernel32<CreateBoundaryCall>("CreateBoundaryDescriptorW");
    const auto addSid = Kernel32<AddToBoundaryCall>("AddSIDToBoundaryDescriptor");
    const auto addLabel = Kernel32<AddToBoundaryCall>("AddIntegrityLabelToBoundaryDescriptor");
    const auto deleteBoundary = Kernel32<DeleteBoundaryCall>("DeleteBoundaryDescriptor");
    const auto createNamespace = Kernel32<CreateNamespaceCall>("CreatePrivateNamespaceW");
    const auto openNamespace = Kernel32<OpenNamespaceCall>("OpenPrivateNamespaceW");
    if (!createBoundary || !addSid || !deleteBoundary || !createNamespace || !openNamespace) {
        Trace(L"no private namespace here; the session's, with each object checked");
        return;
    }
    // One namespace per user and session: a second session of the same user runs its own copy.
    DWORD session = 0;
    ::ProcessIdToSessionId(::GetCurrentProcessId(), &session);
    wchar_t name[64];
    FormatText(name, L"%ls.%lu", product::kName, session);
    HANDLE boundary = createBoundary(name, 0);
    if (!boundary) {
        Trace(L"no private namespace here (error %lu); the session's, with each object checked", ::GetLastError());
        return;
    }
    bool bound = addSid(&boundary, m_user) != FALSE;
    PSID medium = nullptr;
    if (bound && addLabel && ::ConvertStringSidToSidW(kMediumLabel, &medium)) {
        bound = addLabel(&boundary, medium) != FALSE;
        ::LocalFree(medium);
    }
    if (bound) {
        SECURITY_ATTRIBUTES attributes{sizeof(attributes), m_descriptor, FALSE};
        m_namespace = createNamespace(&attributes, boundary, product::kName);
        const DWORD created = m_namespace ? ERROR_SUCCESS : ::GetLastError();
        if (!m_namespace) m_namespace = openNamespace(boundary, product::kName);
        // One that exists but will not open is not left for the session's namespace: a copy may run in it.
        m_namespaceRefused = !m_namespace && created == ERROR_ALREADY_EXISTS;
        if (!m_namespace) Trace(L"private namespace not to be had (error %lu)", created);
    } else {
        Trace(L"no private namespace here (error %lu); the session's, with each object checked", ::GetLastError());
    }
    deleteBoundary(boundary);
}

bool CUserObjects::FullName(const wchar_t* name, wchar_t (&out)[MAX_PATH]) const noexcept {
    if (m_namespaceRefused) return false;
    return m_namespace ? FormatText(out, L"%ls\\%ls", product::kName, name)
                       : FormatText(out, L"Local\\%ls.%ls", product::kName, name);
}

bool CUserObjects::MadeByThisUser(HANDLE object) const noexcept {
    if (!m_userKnown || !object) return false;
    PSID owner = nullptr;
    PACL dacl = nullptr, sacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(object, SE_KERNEL_OBJECT,
                          OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION | LABEL_SECURITY_INFORMATION, &owner,
                          nullptr, &dacl, &sacl, &descriptor) != ERROR_SUCCESS) {
        return false;
    }
    PSID user = const_cast<BYTE*>(m_user);
    const bool own = owner && ::EqualSid(owner, user) && GrantsOnlyUser(dacl, user) && LabelledMediumOrAbove(sacl);
    ::LocalFree(descriptor);
    return own;
}

KernelHandle CUserObjects::Made(HANDLE made, bool& existed) const noexcept {
    if (!made) {
        // Taken by an object that will not let this user in, or of another kind.
        Trace(L"a named object of the program cannot be had (error %lu)", ::GetLastError());
        return KernelHandle();
    }
    existed = ::GetLastError() == ERROR_ALREADY_EXISTS;
    return existed ? Checked(made) : KernelHandle(made);
}

KernelHandle CUserObjects::Checked(HANDLE object) const noexcept {
    KernelHandle found(object);
    if (found && !MadeByThisUser(found.Get())) {
        Trace(L"a named object of the program was made by another program; refused");
        found.Reset();
    }
    return found;
}

KernelHandle CUserObjects::CreateMutex(const wchar_t* name, bool owned, bool& existed) noexcept {
    existed = false;
    wchar_t full[MAX_PATH];
    if (!m_descriptor || !FullName(name, full)) return KernelHandle();
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), m_descriptor, FALSE};
    return Made(::CreateMutexW(&attributes, owned ? TRUE : FALSE, full), existed);
}

KernelHandle CUserObjects::CreateEvent(const wchar_t* name, bool manualReset, bool inheritable, bool& existed) noexcept {
    existed = false;
    wchar_t full[MAX_PATH];
    if (!m_descriptor || !FullName(name, full)) return KernelHandle();
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), m_descriptor, inheritable ? TRUE : FALSE};
    return Made(::CreateEventW(&attributes, manualReset ? TRUE : FALSE, FALSE, full), existed);
}

KernelHandle CUserObjects::Open(const wchar_t* name, OpenCall open, DWORD access) noexcept {
    wchar_t full[MAX_PATH];
    if (!FullName(name, full)) return KernelHandle();
    return Checked(open(access | READ_CONTROL, FALSE, full));
}

}  // namespace vp
