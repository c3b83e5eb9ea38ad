#include "app/SingleCopy.h"

#include <sddl.h>

#include "framework/Product.h"
#include "framework/Text.h"
#include "framework/Trace.h"

namespace {

constexpr DWORD kPollMs = 100;

// A security descriptor that lets only the user who runs this process use an object: another
// user's process (another session's, say) can neither set a request nor wait on the copy.
class COwnerOnly {
public:
    COwnerOnly() noexcept {
        vp::KernelHandle token;
        HANDLE t = nullptr;
        if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &t)) return;
        token.Reset(t);
        BYTE buffer[256];
        DWORD needed = 0;
        if (!::GetTokenInformation(token.Get(), TokenUser, buffer, sizeof(buffer), &needed)) return;
        wchar_t* sid = nullptr;
        if (!::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &sid)) return;
        wchar_t sddl[256];
        const bool whole = vp::FormatText(sddl, L"D:P(A;;GA;;;%ls)", sid);
        ::LocalFree(sid);
        if (!whole) return;
        if (::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &m_descriptor, nullptr)) {
            m_attributes.lpSecurityDescriptor = m_descriptor;
        }
    }
    ~COwnerOnly() {
        if (m_descriptor) ::LocalFree(m_descriptor);
    }
    COwnerOnly(const COwnerOnly&) = delete;
    COwnerOnly& operator=(const COwnerOnly&) = delete;
    // The system's default (the creator's own rights) when no descriptor could be made.
    SECURITY_ATTRIBUTES* Attributes() noexcept { return m_descriptor ? &m_attributes : nullptr; }

private:
    PSECURITY_DESCRIPTOR m_descriptor = nullptr;
    SECURITY_ATTRIBUTES m_attributes{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
};

bool Acquired(DWORD wait) noexcept { return wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED; }

}  // namespace

bool OpenRunningCopy(const wchar_t* eventName, vp::KernelHandle& mutex, vp::KernelHandle& request) noexcept {
    mutex.Reset(::OpenMutexW(SYNCHRONIZE, FALSE, product::kSingleCopyMutexName));
    request.Reset(mutex ? ::OpenEventW(EVENT_MODIFY_STATE, FALSE, eventName) : nullptr);
    if (!request) mutex.Reset();
    return request.Get() != nullptr;
}

bool CSingleCopy::Claim(DWORD waitMs) {
    COwnerOnly security;
    m_mutex.Reset(::CreateMutexW(security.Attributes(), TRUE, product::kSingleCopyMutexName));
    if (!m_mutex) return true;  // no way to tell: better a second copy than none
    bool ours = ::GetLastError() != ERROR_ALREADY_EXISTS;
    const ULONGLONG deadline = ::GetTickCount64() + waitMs;
    while (!ours) {
        // The copy that holds the mutex may be starting (no events yet) or quitting (mutex soon free).
        if (Acquired(::WaitForSingleObject(m_mutex.Get(), 0))) break;
        vp::KernelHandle mutex, request;
        if (OpenRunningCopy(product::kShowSettingsEventName, mutex, request)) {
            // This start came from the user, so it may hand the foreground on to the window it raises.
            ::AllowSetForegroundWindow(ASFW_ANY);
            ::SetEvent(request.Get());
            vp::Trace(L"another copy runs; asked it for its settings window");
            return false;
        }
        if (::GetTickCount64() >= deadline) return false;
        ours = Acquired(::WaitForSingleObject(m_mutex.Get(), kPollMs));
    }
    m_showSettings.Reset(::CreateEventW(security.Attributes(), FALSE, FALSE, product::kShowSettingsEventName));
    m_quit.Reset(::CreateEventW(security.Attributes(), FALSE, FALSE, product::kQuitEventName));
    return true;
}
