#include "app/Guard.h"

#include <cstdlib>
#include <exception>

#include "actions/UndoRecord.h"
#include "app/StartArguments.h"
#include "framework/Trace.h"
#include "settings/ProgramKeys.h"

namespace {

// A guard that ends is started again at once, but one that keeps ending soon after its start is
// started ever more slowly (a second, doubled each time, at most a minute), so a guard that cannot
// run does not become a stream of processes. One that cannot be started at all is tried again later.
constexpr DWORD kRelaunchSpacingMs = 1000;
constexpr DWORD kMaxRelaunchSpacingMs = 60 * 1000;
constexpr DWORD kRetryLaunchMs = 5000;

HDESK g_crashDesktop = nullptr;
LPTOP_LEVEL_EXCEPTION_FILTER g_previousFilter = nullptr;
std::terminate_handler g_previousTerminate = nullptr;

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* info) {
    ComeBackFromOutside(g_crashDesktop);
    return g_previousFilter ? g_previousFilter(info) : EXCEPTION_CONTINUE_SEARCH;
}

void OnTerminate() {
    ComeBackFromOutside(g_crashDesktop);
    if (g_previousTerminate) g_previousTerminate();
    std::abort();
}

}  // namespace

DWORD NextRelaunchSpacing(DWORD spacingMs) noexcept {
    if (spacingMs == 0) return kRelaunchSpacingMs;
    return spacingMs >= kMaxRelaunchSpacingMs / 2 ? kMaxRelaunchSpacingMs : spacingMs * 2;
}

void ComeBackFromOutside(HDESK original) noexcept {
    if (original) ::SwitchDesktop(original);
    undo_record::Undo(HKEY_CURRENT_USER, g_ProgramKeys.settings);
}

int RunGuard(HANDLE watched, HANDLE quitEvent) noexcept {
    // A handle that names no process (a malformed argument) gives nothing to wait on.
    if (!watched || !quitEvent || ::GetProcessId(watched) == 0) return 2;
    // The quit event first: when both are signalled, the Quit came first.
    const HANDLE both[2] = {quitEvent, watched};
    if (::WaitForMultipleObjects(2, both, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) return 0;

    // The guard lives on the original desktop; open it by name for the right to show it.
    HDESK own = ::GetThreadDesktop(::GetCurrentThreadId());
    wchar_t name[64] = {};
    DWORD needed = 0;
    vp::DesktopHandle original;
    if (::GetUserObjectInformationW(own, UOI_NAME, name, sizeof(name) - sizeof(wchar_t), &needed)) {
        original.Reset(::OpenDesktopW(name, 0, FALSE, DESKTOP_SWITCHDESKTOP));
    }
    ComeBackFromOutside(original ? original.Get() : own);
    vp::Trace(L"guard: the program ended without Quit; came back and undid its changes");
    return 0;
}

// ---- the main process's side --------------------------------------------------------------------

CGuardKeeper::~CGuardKeeper() { End(0); }

bool CGuardKeeper::Start(HDESK original) {
    const DWORD n = ::GetModuleFileNameW(nullptr, m_szExePath, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;  // a cut path would start another program
    DWORD needed = 0;
    if (!::GetUserObjectInformationW(original, UOI_NAME, m_szDesktop, sizeof(m_szDesktop) - sizeof(wchar_t),
                                     &needed)) {
        return false;
    }
    // The only inheritable handles of the process: the guard needs nothing else from it.
    HANDLE self = nullptr;
    if (!::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentProcess(), ::GetCurrentProcess(), &self,
                           SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, TRUE, 0)) {
        return false;
    }
    m_watched.Reset(self);
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    m_quit.Reset(::CreateEventW(&inherit, TRUE, FALSE, nullptr));
    if (!m_quit) return false;

    const bool started = Launch();
    m_keeper.Reset(::CreateThread(nullptr, 0, KeeperProc, this, 0, nullptr));
    return started;
}

bool CGuardKeeper::Launch() {
    m_lastLaunch = ::GetTickCount64();
    wchar_t commandLine[MAX_PATH + 64];
    if (!FormatGuardCommandLine(commandLine, m_szExePath, m_watched.Get(), m_quit.Get())) return false;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.lpDesktop = m_szDesktop;
    startup.dwFlags = STARTF_USESTDHANDLES;  // no standard handles: the guard writes nowhere
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(m_szExePath, commandLine, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                          &started)) {
        vp::Trace(L"guard could not be started");
        m_guard.Reset();
        m_guardPid.store(0);
        return false;
    }
    ::CloseHandle(started.hThread);
    m_guard.Reset(started.hProcess);
    m_guardPid.store(started.dwProcessId);
    vp::Trace(L"guard %lu started", started.dwProcessId);
    return true;
}

DWORD WINAPI CGuardKeeper::KeeperProc(void* self) {
    static_cast<CGuardKeeper*>(self)->Keep();
    return 0;
}

void CGuardKeeper::Keep() {
    for (;;) {
        if (m_guard) {
            const HANDLE waits[2] = {m_quit.Get(), m_guard.Get()};
            if (::WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) return;
            vp::Trace(L"guard ended; starting it again");
            const ULONGLONG lived = ::GetTickCount64() - m_lastLaunch;
            m_spacingMs = lived < kMaxRelaunchSpacingMs ? NextRelaunchSpacing(m_spacingMs) : 0;
            if (lived < m_spacingMs &&
                ::WaitForSingleObject(m_quit.Get(), static_cast<DWORD>(m_spacingMs - lived)) != WAIT_TIMEOUT) {
                return;
            }
        } else if (::WaitForSingleObject(m_quit.Get(), kRetryLaunchMs) != WAIT_TIMEOUT) {
            return;
        }
        Launch();
    }
}

void CGuardKeeper::End(DWORD timeoutMs) {
    if (!m_quit) return;
    ::SetEvent(m_quit.Get());
    if (m_keeper) {
        // Never long: the keeper waits on the quit event, or is inside one CreateProcessW.
        ::WaitForSingleObject(m_keeper.Get(), INFINITE);
        m_keeper.Reset();
    }
    if (m_guard) ::WaitForSingleObject(m_guard.Get(), timeoutMs);
}

void InstallCrashUndo(HDESK original) noexcept {
    g_crashDesktop = original;
    g_previousFilter = ::SetUnhandledExceptionFilter(OnUnhandledException);
    g_previousTerminate = std::set_terminate(OnTerminate);
}
