#include "switching/WayBack.h"

#include <atomic>

#include "framework/Trace.h"

namespace {

std::atomic<DesktopCall> g_switchDesktop{::SwitchDesktop}, g_setThreadDesktop{::SetThreadDesktop};
std::atomic<LockCall> g_lock{::LockWorkStation};

}  // namespace

void SetDesktopCallsForTest(DesktopCall switchDesktop, DesktopCall setThreadDesktop) noexcept {
    g_switchDesktop.store(switchDesktop ? switchDesktop : ::SwitchDesktop);
    g_setThreadDesktop.store(setThreadDesktop ? setThreadDesktop : ::SetThreadDesktop);
}

void SetLockCallForTest(LockCall lock) noexcept { g_lock.store(lock ? lock : ::LockWorkStation); }

BOOL SwitchDesktopCall(HDESK desktop) noexcept { return g_switchDesktop.load()(desktop); }
DesktopCall SetThreadDesktopCall() noexcept { return g_setThreadDesktop.load(); }
BOOL LockWorkStationCall() noexcept { return g_lock.load()(); }

WayBack ChooseWayBack(bool showing, bool guarded, bool takenOver) noexcept {
    if (!showing) return WayBack::None;
    if (!guarded) return WayBack::ComeBack;
    return takenOver ? WayBack::Stay : WayBack::LockThenComeBack;
}

bool ClearToComeBack(WayBack way) noexcept {
    if (way == WayBack::ComeBack) return true;
    if (way != WayBack::LockThenComeBack) return false;
    // Asynchronous: a success means the lock screen is on its way, and the desktop shown behind it
    // is seen only by whoever unlocks the session.
    if (!LockWorkStationCall()) {
        vp::Trace(L"way back: session not locked (error %lu); stayed on the virtual desktop", ::GetLastError());
        return false;
    }
    vp::Trace(L"way back: session locked");
    return true;
}

WayBackTaken TakeWayBack(WayBack way, HDESK original) noexcept {
    if (way == WayBack::None) return WayBackTaken::Nothing;
    if (!ClearToComeBack(way)) return WayBackTaken::Stayed;
    if (!original || !SwitchDesktopCall(original)) return WayBackTaken::NotSwitched;
    return way == WayBack::ComeBack ? WayBackTaken::CameBack : WayBackTaken::LockedAndCameBack;
}

const wchar_t* WayBackText(WayBackTaken taken) noexcept {
    switch (taken) {
    case WayBackTaken::Nothing: return L"nothing to bring back";
    case WayBackTaken::CameBack: return L"came back";
    case WayBackTaken::LockedAndCameBack: return L"locked, then came back";
    case WayBackTaken::Stayed: return L"stayed on the virtual desktop";
    case WayBackTaken::NotSwitched: return L"could not come back";
    }
    return L"";
}
