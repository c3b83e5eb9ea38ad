#pragma once
// The one rule for the way back to the original desktop: while a restore password is set, the
// original desktop shows only after that password was given, or behind the system's lock screen.
// Every path that would leave the virtual desktop without the password (Quit, "/quit", the guard
// after a kill, a guard that gave up) takes the way this chooses. Also the platform calls that move
// the screen, which tests plant.
#include <windows.h>

#include "switching/DesktopTruth.h"

enum class WayBack {
    None,              // the virtual desktop does not show: nothing to move
    ComeBack,          // no restore password: the original desktop is shown
    LockThenComeBack,  // locked first; shown once the lock has held and the session is unlocked
    Stay,              // a new copy of the program takes over there and asks for the password
};

// showing: the virtual desktop may show. guarded: a restore password is set. takenOver: a new copy
// of the program is about to serve the triggers on the virtual desktop.
WayBack ChooseWayBack(bool showing, bool guarded, bool takenOver) noexcept;

// Asks the system to lock the session, from the calling thread (which must be on the input desktop);
// true when the lock was started. A start is not a lock: it holds once the session says so.
bool AskLock() noexcept;

// Waits until a lock asked for holds (at most confirmMs) and then until the session is unlocked, then
// shows original unless it shows already. False, with the screen where it is, when the lock was not
// confirmed in time. For a process that does nothing else (the guard).
bool AwaitLockThenShow(HDESK original, DWORD confirmMs) noexcept;

enum class WayBackTaken { Nothing, CameBack, LockedAndCameBack, Stayed, NotSwitched };
// Carries the way out with the (planted) platform calls, waiting for the lock and the unlock as
// AwaitLockThenShow does; lockAsked: the program already asked for the lock, which is not asked again.
// Stayed: the lock failed or was not confirmed, or the way says to stay; NotSwitched: the screen could
// not be moved.
WayBackTaken TakeWayBack(WayBack way, HDESK original, bool lockAsked = false) noexcept;
// Events only, for the trace.
const wchar_t* WayBackText(WayBackTaken taken) noexcept;
// Whether the way taken ended with the original desktop showing.
inline bool CameBack(WayBackTaken taken) noexcept {
    return taken == WayBackTaken::CameBack || taken == WayBackTaken::LockedAndCameBack;
}

// The platform calls that move the screen, the hook thread, lock the session and tell the lock's
// state. Tests plant stand-ins here (Wine's LockWorkStation fails and it has no lock screen); null
// puts the platform's own back.
using DesktopCall = BOOL(WINAPI*)(HDESK);
using LockCall = BOOL(WINAPI*)();
using SessionLockQuery = SessionLock (*)();
void SetDesktopCallsForTest(DesktopCall switchDesktop, DesktopCall setThreadDesktop) noexcept;
void SetLockCallForTest(LockCall lock) noexcept;
void SetSessionLockQueryForTest(SessionLockQuery query) noexcept;
// The session's lock as the system tells it now (WTSSessionInfoEx): Unknown where it cannot say, and
// on Windows 7, whose flag reads the other way round (the notifications tell there).
SessionLock QuerySessionLock() noexcept;
BOOL SwitchDesktopCall(HDESK desktop) noexcept;
DesktopCall SetThreadDesktopCall() noexcept;
