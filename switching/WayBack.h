#pragma once
// The one rule for the way back to the original desktop: while a restore password is set, the
// original desktop shows only after that password was given, or behind the system's lock screen.
// Every path that would leave the virtual desktop without the password (Quit, "/quit", the guard
// after a kill, a guard that gave up) takes the way this chooses. Also the platform calls that move
// the screen, which tests plant.
#include <windows.h>

enum class WayBack {
    None,              // the virtual desktop does not show: nothing to move
    ComeBack,          // no restore password: the original desktop is shown
    LockThenComeBack,  // locked first; shown only when the lock took
    Stay,              // a new copy of the program takes over there and asks for the password
};

// showing: the virtual desktop may show. guarded: a restore password is set. takenOver: a new copy
// of the program is about to serve the triggers on the virtual desktop.
WayBack ChooseWayBack(bool showing, bool guarded, bool takenOver) noexcept;

// Whether the way lets the original desktop show now, locking the session first when it asks to.
// False for None and Stay, and when the lock failed.
bool ClearToComeBack(WayBack way) noexcept;

enum class WayBackTaken { Nothing, CameBack, LockedAndCameBack, Stayed, NotSwitched };
// Carries the way out with the (planted) platform calls. Stayed: the lock failed, or the way says
// to stay; NotSwitched: the screen could not be moved.
WayBackTaken TakeWayBack(WayBack way, HDESK original) noexcept;
// Events only, for the trace.
const wchar_t* WayBackText(WayBackTaken taken) noexcept;

// The platform calls that move the screen, the hook thread and lock the session. Tests plant
// stand-ins here (Wine's SwitchDesktop changes nothing and its LockWorkStation fails); null puts the
// platform's own back.
using DesktopCall = BOOL(WINAPI*)(HDESK);
using LockCall = BOOL(WINAPI*)();
void SetDesktopCallsForTest(DesktopCall switchDesktop, DesktopCall setThreadDesktop) noexcept;
void SetLockCallForTest(LockCall lock) noexcept;
BOOL SwitchDesktopCall(HDESK desktop) noexcept;
DesktopCall SetThreadDesktopCall() noexcept;
BOOL LockWorkStationCall() noexcept;
