#pragma once
// The guard: a second process (VeilpaneGuard.exe, the program under a name of its own, so that ending
// every Veilpane.exe does not end it) that lives on the original desktop and waits on the main
// process. It decides from what the program told it (switching/GuardChannel.h), never from the key.
// When the main process ends without Quit (ended from outside, crashed, any exit code), the guard
// undoes the program's recorded changes, takes the way back (switching/WayBack.h: while a restore
// password is set and the virtual desktop shows, it does not switch at all), starts the program again
// on the original desktop, handing it the state it was told, and ends; the new copy starts its own
// guard and serves the next trigger. After Quit, the session's end or "/quit" it only finishes what
// the program left undone (behind the lock, which it waits for), and never restarts it.
#include <windows.h>

#include <atomic>

#include "framework/Handles.h"
#include "switching/GuardChannel.h"
#include "switching/WayBack.h"

// The guard process's body. state: the section of what the program tells it. program: what to start
// again (null: Veilpane.exe beside this executable). Returns its exit code: 0 once it has done its
// part, 2 when it was given nothing it can wait on.
int RunGuard(HANDLE watched, HANDLE quitEvent, HANDLE state, const wchar_t* program = nullptr) noexcept;

// What is done for a process that can no longer do it itself, by what it told: the record undone, and
// the way back taken; takenOver: a new copy of the program is about to serve the virtual desktop.
// Returns the way it went. No locks and no allocation, so a dying process can call it.
WayBackTaken ComeBackFromOutside(HDESK original, const GuardState& told, bool takenOver) noexcept;

// Starts program (null: Veilpane.exe beside this executable) on the named desktop (null: this one),
// handing it state (null: nothing, and no argument).
bool StartProgramAgain(const wchar_t* program = nullptr, wchar_t* desktop = nullptr, HANDLE state = nullptr) noexcept;

// Asks the running guard not to start the program again: the session is ending.
void KeepGuardFromRestarting() noexcept;

// The least time between two starts of a guard that ended soon after the previous start: the first
// such end allows a new start after a second, each further one doubles the time, up to a minute.
DWORD NextRelaunchSpacing(DWORD spacingMs) noexcept;

// The main process's side: starts the guard and starts it again whenever it ends before the Quit.
class CGuardKeeper {
public:
    CGuardKeeper() = default;
    ~CGuardKeeper();
    CGuardKeeper(const CGuardKeeper&) = delete;
    CGuardKeeper& operator=(const CGuardKeeper&) = delete;

    // Starts the keeper thread, which starts the guard on the user's own desktop and again whenever it
    // ends (retrying when it cannot be started). alive: the copy's guard-alive event, which every guard
    // inherits. The first guard starts once firstAfter is set, or a moment later at the most (null: at
    // once). Without a keeper thread it starts one guard itself; false when that fails too.
    bool Start(HDESK original, HANDLE alive, HANDLE firstAfter = nullptr);
    // The normal Quit (and the session's end): tells the guard that the program's end is no crash, and
    // stops starting new guards. The guard itself waits for this process to end, then finishes what
    // the program may have left undone. No locks.
    void End() noexcept;
    bool Ended() const noexcept;
    // Whether a guard process runs now, which will see this process end.
    bool GuardWatches() const noexcept;

private:
    bool Launch();
    void Keep();
    static DWORD WINAPI KeeperProc(void* self);

    wchar_t m_szGuardPath[MAX_PATH] = {};
    wchar_t m_szDesktop[64] = {};
    vp::KernelHandle m_watched;    // this process, inheritable, for the guard to wait on
    vp::KernelHandle m_quit;       // inheritable; set at the normal Quit
    vp::KernelHandle m_alive;      // inheritable; product::kGuardAliveEventName
    vp::KernelHandle m_guard;      // the guard now running; the keeper thread's once it runs
    std::atomic<HANDLE> m_watching{nullptr};  // m_guard's handle while it is whole, for a crash to ask
    vp::KernelHandle m_keeper;
    HANDLE m_firstAfter = nullptr; // borrowed; lives as long as the process
    ULONGLONG m_lastLaunch = 0;
    DWORD m_spacingMs = 0;         // least time between two starts of the guard; 0 after a long life
};

// Installs an unhandled-exception filter and a terminate handler for the dying process, which then
// hand on to whatever was installed before. While a guard watches, they come back from outside
// (above) and leave the rest to it. While none does (the first starts up to 2 s after the program),
// they take the way back by the rule itself, once (the record undone, the lock first while a restore
// password is set), and, unless the program was quitting, start one more guard (guard: its
// executable; null: the keeper's), which starts the program again once this process is gone.
void InstallCrashUndo(HDESK original, const wchar_t* guard = nullptr) noexcept;
