#pragma once
// The guard: a second process of the same executable that lives on the original desktop and waits on
// the main process. When the main process ends without the user's Quit (ended from outside, crashed,
// any exit code), the guard brings the screen back to the original desktop and undoes the program's
// recorded changes, then ends. A normal Quit ends the guard first.
#include <windows.h>

#include <atomic>

#include "framework/Handles.h"

// The guard process's body. Returns its exit code: 0 after Quit or after coming back, 2 when it was
// given nothing it can wait on.
int RunGuard(HANDLE watched, HANDLE quitEvent) noexcept;

// What is done for a process that can no longer do it itself: the original desktop shown, and the
// record undone. No locks and no allocation, so a dying process can call it.
void ComeBackFromOutside(HDESK original) noexcept;

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

    // Starts the guard on the user's own desktop. False when no guard could be started now; the
    // keeper keeps trying.
    bool Start(HDESK original);
    // The normal Quit: tells the guard to end and waits for it, bounded.
    void End(DWORD timeoutMs);

    DWORD GuardProcessId() const noexcept { return m_guardPid.load(); }

private:
    bool Launch();
    void Keep();
    static DWORD WINAPI KeeperProc(void* self);

    wchar_t m_szExePath[MAX_PATH] = {};
    wchar_t m_szDesktop[64] = {};
    vp::KernelHandle m_watched;    // this process, inheritable, for the guard to wait on
    vp::KernelHandle m_quit;       // inheritable; set at the normal Quit
    vp::KernelHandle m_guard;      // the guard now running; the keeper thread's once it runs
    vp::KernelHandle m_keeper;
    std::atomic<DWORD> m_guardPid{0};
    ULONGLONG m_lastLaunch = 0;
    DWORD m_spacingMs = 0;         // least time between two starts of the guard; 0 after a long life
};

// Installs an unhandled-exception filter and a terminate handler that come back from outside (above)
// before the process dies, then hand on to whatever was installed before.
void InstallCrashUndo(HDESK original) noexcept;
