#include "app/Guard.h"

#include <atomic>
#include <cstdlib>
#include <exception>
#include <utility>

#include "actions/UndoRecord.h"
#include "app/RestartLog.h"
#include "app/StartArguments.h"
#include "framework/Launch.h"
#include "framework/Product.h"
#include "framework/RegistryStore.h"
#include "framework/Text.h"
#include "framework/Trace.h"
#include "settings/ProgramKeys.h"
#include "settings/StoredPassword.h"
#include "switching/WayBack.h"

namespace {

// A guard that ends is started again at once, but one that keeps ending soon after its start is
// started ever more slowly (a second, doubled each time, at most a minute), so a guard that cannot
// run does not become a stream of processes. One that cannot be started at all is tried again later.
constexpr DWORD kRelaunchSpacingMs = 1000;
constexpr DWORD kMaxRelaunchSpacingMs = 60 * 1000;
constexpr DWORD kRetryLaunchMs = 5000;
// The longest the first guard waits for what it is told to start after.
constexpr DWORD kFirstLaunchWaitMs = 2000;

HDESK g_crashDesktop = nullptr;
LPTOP_LEVEL_EXCEPTION_FILTER g_previousFilter = nullptr;
std::terminate_handler g_previousTerminate = nullptr;
std::atomic<CGuardKeeper*> g_keeper{nullptr};

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* info) {
    ComeBackFromOutside(g_crashDesktop, true);
    return g_previousFilter ? g_previousFilter(info) : EXCEPTION_CONTINUE_SEARCH;
}

void OnTerminate() {
    ComeBackFromOutside(g_crashDesktop, true);
    if (g_previousTerminate) g_previousTerminate();
    std::abort();
}

// The way back after the program ended, and the mark cleared once the original desktop shows.
WayBackTaken TakeWayBackAfterEnd(HDESK original, bool takenOver) noexcept {
    HKEY root = HKEY_CURRENT_USER;
    const wchar_t* key = g_ProgramKeys.settings;
    CRegistryStore store;
    store.SetPath(key);
    const WayBack way =
        ChooseWayBack(undo_record::IsVirtualShowing(root, key), stored_password::RestorePasswordStored(store), takenOver);
    const WayBackTaken taken = TakeWayBack(way, original);
    if (taken == WayBackTaken::CameBack || taken == WayBackTaken::LockedAndCameBack) {
        undo_record::SetVirtualShowing(root, key, false);
    }
    return taken;
}

}  // namespace

bool StartProgramAgain(const wchar_t* program, wchar_t* desktop) noexcept {
    wchar_t own[MAX_PATH];
    if (!program) {
        const DWORD n = ::GetModuleFileNameW(nullptr, own, MAX_PATH);
        if (n == 0 || n >= MAX_PATH) return false;  // a cut path would start another program
        program = own;
    }
    wchar_t commandLine[MAX_PATH + 2];
    if (!vp::FormatText(commandLine, L"\"%ls\"", program)) return false;
    return static_cast<bool>(vp::LaunchOnDesktop(program, commandLine, desktop));
}

DWORD NextRelaunchSpacing(DWORD spacingMs) noexcept {
    if (spacingMs == 0) return kRelaunchSpacingMs;
    return spacingMs >= kMaxRelaunchSpacingMs / 2 ? kMaxRelaunchSpacingMs : spacingMs * 2;
}

WayBackTaken ComeBackFromOutside(HDESK original, bool takenOver) noexcept {
    undo_record::Undo(HKEY_CURRENT_USER, g_ProgramKeys.settings);
    return TakeWayBackAfterEnd(original, takenOver);
}

void KeepGuardFromRestarting() noexcept {
    if (CGuardKeeper* keeper = g_keeper.load()) keeper->End();
}

int RunGuard(HANDLE watched, HANDLE quitEvent, const wchar_t* program) noexcept {
    // A handle that names no process (a malformed argument) gives nothing to wait on.
    if (!watched || !quitEvent || ::GetProcessId(watched) == 0) return 2;
    // Even after Quit the guard waits for the end: what the program's threads did not finish by then
    // is finished here, when none of them can still move the screen.
    if (::WaitForSingleObject(watched, INFINITE) != WAIT_OBJECT_0) return 2;
    const bool quit = ::WaitForSingleObject(quitEvent, 0) == WAIT_OBJECT_0;

    // The guard lives on the original desktop; open it by name for the right to show it.
    HDESK own = ::GetThreadDesktop(::GetCurrentThreadId());
    wchar_t name[64] = {};
    DWORD needed = 0;
    vp::DesktopHandle original;
    if (::GetUserObjectInformationW(own, UOI_NAME, name, sizeof(name) - sizeof(wchar_t), &needed)) {
        original.Reset(::OpenDesktopW(name, 0, FALSE, DESKTOP_SWITCHDESKTOP));
    }
    const HDESK shown = original ? original.Get() : own;
    if (quit) {
        vp::Trace(L"guard: the program quit; %ls", WayBackText(ComeBackFromOutside(shown, false)));
        return 0;
    }

    HKEY root = HKEY_CURRENT_USER;
    const wchar_t* key = g_ProgramKeys.settings;

    ULONGLONG stamps[restart_log::kMostRestarts];
    const ULONGLONG now = restart_log::Now();
    const size_t restarts = restart_log::Read(root, key, stamps);
    const restart_log::Plan plan = restart_log::PlanRestart(stamps, restarts, now);
    if (!plan.allowed) {
        restart_log::MarkGaveUp(root, key);
        vp::Trace(L"guard: the program keeps ending; not restarted; %ls", WayBackText(ComeBackFromOutside(shown, false)));
        return 0;
    }
    vp::Trace(L"guard: the program ended without Quit; %ls", WayBackText(ComeBackFromOutside(shown, true)));
    ::Sleep(plan.delayMs);
    restart_log::Append(root, key, stamps, restarts, now);
    if (StartProgramAgain(program, name[0] ? name : nullptr)) {
        vp::Trace(L"guard: restarted the program after %lu ms", plan.delayMs);
    } else {
        vp::Trace(L"guard: the program could not be restarted (error %lu)", ::GetLastError());
    }
    return 0;
}

// ---- the main process's side --------------------------------------------------------------------

CGuardKeeper::~CGuardKeeper() {
    CGuardKeeper* self = this;
    g_keeper.compare_exchange_strong(self, nullptr);
    End();
    // Never long: the keeper waits on the quit event or a bounded time for its first start, or is
    // inside one CreateProcessW.
    if (m_keeper) ::WaitForSingleObject(m_keeper.Get(), INFINITE);
}

bool CGuardKeeper::Start(HDESK original, HANDLE firstAfter) {
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
    // Inherited by every guard from its first instruction, so the named object lives as long as any
    // guard does, however early this process ends.
    m_alive.Reset(::CreateEventW(&inherit, TRUE, FALSE, product::kGuardAliveEventName));

    g_keeper.store(this);
    m_firstAfter = firstAfter;
    // The first guard too is started by the keeper thread, off the program's way to its first trigger.
    m_keeper.Reset(::CreateThread(nullptr, 0, KeeperProc, this, 0, nullptr));
    return m_keeper ? true : Launch();  // without a keeper, one guard at least
}

bool CGuardKeeper::Launch() {
    m_lastLaunch = ::GetTickCount64();
    wchar_t commandLine[MAX_PATH + 64];
    if (!FormatGuardCommandLine(commandLine, m_szExePath, m_watched.Get(), m_quit.Get())) return false;
    // Handed on: this process to wait on, the quit event and the alive event; no standard handles,
    // so the guard writes nowhere.
    vp::LaunchedProcess started =
        vp::LaunchOnDesktop(m_szExePath, commandLine, m_szDesktop, {m_watched.Get(), m_quit.Get(), m_alive.Get()});
    if (!started) {
        vp::Trace(L"guard could not be started");
        m_guard.Reset();
        return false;
    }
    m_guard = std::move(started.process);
    vp::Trace(L"guard %lu started", started.processId);
    return true;
}

DWORD WINAPI CGuardKeeper::KeeperProc(void* self) {
    static_cast<CGuardKeeper*>(self)->Keep();
    return 0;
}

void CGuardKeeper::Keep() {
    // Starting a process is the heaviest work of a start: the first guard waits until the program is
    // ready for its first trigger, which comes sooner without it.
    if (m_firstAfter) ::WaitForSingleObject(m_firstAfter, kFirstLaunchWaitMs);
    Launch();
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

void CGuardKeeper::End() {
    if (m_quit) ::SetEvent(m_quit.Get());
}

void InstallCrashUndo(HDESK original) noexcept {
    g_crashDesktop = original;
    g_previousFilter = ::SetUnhandledExceptionFilter(OnUnhandledException);
    g_previousTerminate = std::set_terminate(OnTerminate);
}
