#include "app/Guard.h"

#include <atomic>
#include <cstdlib>
#include <exception>
#include <utility>
#include <vector>

#include "actions/HeldClipboard.h"
#include "actions/UndoRecord.h"
#include "app/RestartLog.h"
#include "app/StartArguments.h"
#include "framework/Launch.h"
#include "framework/Product.h"
#include "framework/Text.h"
#include "framework/Trace.h"
#include "settings/ProgramKeys.h"
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

// What the crash handlers need, set when they are installed.
HDESK g_crashDesktop = nullptr;
wchar_t g_crashDesktopName[64] = {};
wchar_t g_crashGuardPath[MAX_PATH] = {};
std::atomic<bool> g_crashHandled{false};  // the first crash handler to run does it all
LPTOP_LEVEL_EXCEPTION_FILTER g_previousFilter = nullptr;
std::terminate_handler g_previousTerminate = nullptr;
std::atomic<CGuardKeeper*> g_keeper{nullptr};

void ComeBackFromCrash() noexcept;

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* info) {
    ComeBackFromCrash();
    return g_previousFilter ? g_previousFilter(info) : EXCEPTION_CONTINUE_SEARCH;
}

void OnTerminate() {
    ComeBackFromCrash();
    if (g_previousTerminate) g_previousTerminate();
    std::abort();
}

// The path of a program file beside this executable, whole or not at all.
bool BesideThisExecutable(const wchar_t* name, wchar_t (&path)[MAX_PATH]) noexcept {
    const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;  // a cut path would start another program
    wchar_t* slash = wcsrchr(path, L'\\');
    if (!slash) return false;
    slash[1] = L'\0';
    wchar_t folder[MAX_PATH];
    return vp::CopyTextWhole(folder, path) && vp::FormatText(path, L"%ls%ls", folder, name);
}

// The guard's own image beside the program; without one (an older copy of the files), the
// program's, which ending every Veilpane.exe ends too.
bool GuardExecutable(wchar_t (&path)[MAX_PATH]) noexcept {
    if (BesideThisExecutable(product::kGuardExeName, path) && ::GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES) {
        return true;
    }
    const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return n != 0 && n < MAX_PATH;  // a cut path would start another program
}

// Starts a guard process on the named desktop that waits on watched, learns from quit whether the end
// is a Quit and reads what the program told from state (all inheritable). Handed on: those and the
// alive event (when there is one), no standard handles, so the guard writes nowhere. No locks.
vp::LaunchedProcess StartGuardProcess(const wchar_t* guardPath, const wchar_t* desktop, HANDLE watched, HANDLE quit,
                                      HANDLE state, HANDLE alive) noexcept {
    wchar_t commandLine[MAX_PATH + 64];
    if (!FormatGuardCommandLine(commandLine, guardPath, watched, quit, state)) return {};
    return vp::LaunchOnDesktop(guardPath, commandLine, desktop, {watched, quit, state, alive});
}

// A crash that no guard sees: one more guard, started from the dying process, waits for its end and
// starts the program again (told no Quit, handed the state after the way back). Its handles stay
// open until the process is gone.
void StartGuardForCrash(const GuardState& told) noexcept {
    HANDLE self = nullptr;
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    const HANDLE notQuit = ::CreateEventW(&inherit, TRUE, FALSE, nullptr);
    const HANDLE state = guard_channel::HandOver(told);
    vp::LaunchedProcess started;
    if (notQuit && state &&
        ::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentProcess(), ::GetCurrentProcess(), &self,
                          SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, TRUE, 0) &&
        (started = StartGuardProcess(g_crashGuardPath, g_crashDesktopName[0] ? g_crashDesktopName : nullptr, self,
                                     notQuit, state, nullptr))) {
        vp::Trace(L"crash: a guard %lu takes over", started.processId);
    } else {
        vp::Trace(L"crash: no guard could be started (error %lu)", ::GetLastError());
    }
}

// The clipboard the program held aside and never gave back, once the original desktop shows.
void PutBackHeldClipboard(HANDLE state, WayBackTaken taken) noexcept {
    if (!CameBack(taken)) return;
    try {
        std::vector<unsigned char> bytes = guard_channel::ReadClipboard(state);
        if (bytes.empty()) return;
        CHeldClipboard held;
        if (held.TakeSerialised(bytes.data(), bytes.size())) held.PutBack();
        WipeBytes(bytes);
    } catch (...) {
        vp::Trace(L"guard: the clipboard could not be put back");  // no memory for it: nothing else lost
    }
}

void ComeBackFromCrash() noexcept {
    if (g_crashHandled.exchange(true)) return;
    CGuardKeeper* keeper = g_keeper.load();
    GuardState told = guard_channel::CurrentWithoutLock();
    if (keeper && keeper->GuardWatches()) {
        // Its guard sees the end and does the rest: it starts the new copy, which asks for the password.
        ComeBackFromOutside(g_crashDesktop, told, true);
        return;
    }
    // No guard yet (the first starts up to 2 s after the program), or none any more: the way back by
    // the rule itself, the lock first while a restore password is set. A guard the keeper starts from
    // now on only finishes it.
    const bool quitting = keeper && keeper->Ended();
    if (keeper) keeper->End();
    const WayBackTaken taken = ComeBackFromOutside(g_crashDesktop, told, false);
    vp::Trace(L"crash: no guard watched; %ls", WayBackText(taken));
    if (CameBack(taken)) {
        told.virtualShowing = false;
        guard_channel::TellShowing(false);
    }
    if (!quitting) StartGuardForCrash(told);
}

}  // namespace

bool StartProgramAgain(const wchar_t* program, wchar_t* desktop, HANDLE state) noexcept {
    wchar_t beside[MAX_PATH];
    if (!program) {
        if (!BesideThisExecutable(product::kExeName, beside)) return false;
        program = beside;
    }
    wchar_t commandLine[MAX_PATH + 64];
    if (!FormatRestartCommandLine(commandLine, program, state)) return false;
    return static_cast<bool>(vp::LaunchOnDesktop(program, commandLine, desktop, {state}));  // the state only
}

DWORD NextRelaunchSpacing(DWORD spacingMs) noexcept {
    if (spacingMs == 0) return kRelaunchSpacingMs;
    return spacingMs >= kMaxRelaunchSpacingMs / 2 ? kMaxRelaunchSpacingMs : spacingMs * 2;
}

WayBackTaken ComeBackFromOutside(HDESK original, const GuardState& told, bool takenOver) noexcept {
    HKEY root = HKEY_CURRENT_USER;
    const wchar_t* key = g_ProgramKeys.settings;
    undo_record::Undo(root, key);
    const WayBack way = ChooseWayBack(told.virtualShowing, told.guarded, takenOver);
    const WayBackTaken taken = TakeWayBack(way, original, told.lockAsked);
    // The mark cleared once the original desktop shows.
    if (CameBack(taken)) {
        undo_record::SetVirtualShowing(root, key, false);
    }
    return taken;
}

void KeepGuardFromRestarting() noexcept {
    if (CGuardKeeper* keeper = g_keeper.load()) keeper->End();
}

int RunGuard(HANDLE watched, HANDLE quitEvent, HANDLE state, const wchar_t* program) noexcept {
    // A handle that names no process (a malformed argument) gives nothing to wait on.
    if (!watched || !quitEvent || ::GetProcessId(watched) == 0) return 2;
    // Even after Quit the guard waits for the end: what the program's threads did not finish by then
    // is finished here, when none of them can still move the screen.
    if (::WaitForSingleObject(watched, INFINITE) != WAIT_OBJECT_0) return 2;
    const bool quit = ::WaitForSingleObject(quitEvent, 0) == WAIT_OBJECT_0;
    // What the program told, never what the key says now. Nothing readable: fail closed.
    GuardState told;
    if (!guard_channel::Read(state, told)) {
        told.virtualShowing = told.guarded = told.failClosed = true;
        vp::Trace(L"guard: the program's state cannot be read; every way back locks first");
    }
    // Handed to a copy started again, and nothing else of the program's.
    ::SetHandleInformation(watched, HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(quitEvent, HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(state, HANDLE_FLAG_INHERIT, 0);

    // The guard lives on the original desktop; open it by name for the right to show it.
    HDESK own = ::GetThreadDesktop(::GetCurrentThreadId());
    wchar_t name[64] = {};
    DWORD needed = 0;
    vp::DesktopHandle original;
    if (::GetUserObjectInformationW(own, UOI_NAME, name, sizeof(name) - sizeof(wchar_t), &needed)) {
        original.Reset(::OpenDesktopW(name, 0, FALSE, DESKTOP_SWITCHDESKTOP));
    }
    const HDESK shown = original ? original.Get() : own;
    // Every way back the guard takes, and the clipboard the program still held once it has come back.
    const auto comeBack = [&](bool takenOver) {
        const WayBackTaken taken = ComeBackFromOutside(shown, told, takenOver);
        PutBackHeldClipboard(state, taken);
        return taken;
    };
    if (quit) {
        vp::Trace(L"guard: the program quit; %ls", WayBackText(comeBack(false)));
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
        vp::Trace(L"guard: the program keeps ending; not restarted; %ls", WayBackText(comeBack(false)));
        return 0;
    }
    const WayBackTaken taken = comeBack(true);
    vp::Trace(L"guard: the program ended without Quit; %ls", WayBackText(taken));
    if (taken == WayBackTaken::CameBack) told.virtualShowing = false;
    ::Sleep(plan.delayMs);
    restart_log::Append(root, key, stamps, restarts, now);
    // The new copy is handed what this one was told, in a section of its own.
    guard_channel::Open(told, true);
    if (StartProgramAgain(program, name[0] ? name : nullptr, guard_channel::Section())) {
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

bool CGuardKeeper::Start(HDESK original, HANDLE alive, HANDLE firstAfter) {
    if (!GuardExecutable(m_szGuardPath) || !guard_channel::Section()) return false;
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
    HANDLE inherited = nullptr;
    if (alive && ::DuplicateHandle(::GetCurrentProcess(), alive, ::GetCurrentProcess(), &inherited, 0, TRUE,
                                   DUPLICATE_SAME_ACCESS)) {
        m_alive.Reset(inherited);
    }

    g_keeper.store(this);
    m_firstAfter = firstAfter;
    // The first guard too is started by the keeper thread, off the program's way to its first trigger.
    m_keeper.Reset(::CreateThread(nullptr, 0, KeeperProc, this, 0, nullptr));
    return m_keeper ? true : Launch();  // without a keeper, one guard at least
}

bool CGuardKeeper::Launch() {
    m_lastLaunch = ::GetTickCount64();
    m_watching.store(nullptr);
    vp::LaunchedProcess started = StartGuardProcess(m_szGuardPath, m_szDesktop, m_watched.Get(), m_quit.Get(),
                                                    guard_channel::Section(), m_alive.Get());
    if (!started) {
        vp::Trace(L"guard could not be started");
        m_guard.Reset();
        return false;
    }
    m_guard = std::move(started.process);
    m_watching.store(m_guard.Get());
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

void CGuardKeeper::End() noexcept {
    if (m_quit) ::SetEvent(m_quit.Get());
}

bool CGuardKeeper::Ended() const noexcept {
    return m_quit && ::WaitForSingleObject(m_quit.Get(), 0) == WAIT_OBJECT_0;
}

bool CGuardKeeper::GuardWatches() const noexcept {
    const HANDLE guard = m_watching.load();
    return guard && ::WaitForSingleObject(guard, 0) == WAIT_TIMEOUT;
}

void InstallCrashUndo(HDESK original, const wchar_t* guard) noexcept {
    g_crashDesktop = original;
    DWORD needed = 0;
    if (!::GetUserObjectInformationW(original, UOI_NAME, g_crashDesktopName,
                                     sizeof(g_crashDesktopName) - sizeof(wchar_t), &needed)) {
        g_crashDesktopName[0] = L'\0';
    }
    if (!(guard ? vp::CopyTextWhole(g_crashGuardPath, guard) : GuardExecutable(g_crashGuardPath))) {
        g_crashGuardPath[0] = L'\0';
    }
    g_crashHandled = false;
    g_previousFilter = ::SetUnhandledExceptionFilter(OnUnhandledException);
    g_previousTerminate = std::set_terminate(OnTerminate);
}
