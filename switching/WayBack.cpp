#include "switching/WayBack.h"

#include <atomic>

#include "framework/Trace.h"
#include "switching/InputDesktop.h"

namespace {

std::atomic<DesktopCall> g_switchDesktop{::SwitchDesktop}, g_setThreadDesktop{::SetThreadDesktop};
std::atomic<LockCall> g_lock{::LockWorkStation};
std::atomic<SessionLockQuery> g_sessionLock{nullptr};

// The parts of WTSINFOEXW (WTSSessionInfoEx, Windows 7 and later) that tell the lock.
constexpr int kWtsSessionInfoEx = 25;
constexpr LONG kSessionStateLock = 0, kSessionStateUnlock = 1;
struct WtsInfoExLevel1 {
    ULONG sessionId;
    int sessionState;
    LONG sessionFlags;
    WCHAR names[(32 + 1) + (20 + 1) + (17 + 1)];
    LARGE_INTEGER times[5];
    DWORD counts[6];
};
struct WtsInfoEx {
    DWORD level;
    union {
        WtsInfoExLevel1 level1;
    } data;
};

using QueryInformation = BOOL(WINAPI*)(HANDLE, DWORD, int, LPWSTR*, DWORD*);
using FreeMemory = void(WINAPI*)(void*);

bool IsWindows7() noexcept {
    using GetVersionCall = LONG(WINAPI*)(OSVERSIONINFOW*);
    const auto get = reinterpret_cast<GetVersionCall>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
    OSVERSIONINFOW v{};
    v.dwOSVersionInfoSize = sizeof(v);
    return get && get(&v) == 0 && v.dwMajorVersion == 6 && v.dwMinorVersion == 1;
}

SessionLock PlatformSessionLock() noexcept {
    // Loaded on first use: the way to the first trigger does not need it.
    static const HMODULE wts = ::LoadLibraryW(L"wtsapi32.dll");
    static const auto query = reinterpret_cast<QueryInformation>(
        reinterpret_cast<void*>(wts ? ::GetProcAddress(wts, "WTSQuerySessionInformationW") : nullptr));
    static const auto release =
        reinterpret_cast<FreeMemory>(reinterpret_cast<void*>(wts ? ::GetProcAddress(wts, "WTSFreeMemory") : nullptr));
    static const bool windows7 = IsWindows7();
    if (!query || !release || windows7) return SessionLock::Unknown;
    LPWSTR buffer = nullptr;
    DWORD bytes = 0;
    if (!query(nullptr, static_cast<DWORD>(-1), kWtsSessionInfoEx, &buffer, &bytes) || !buffer) return SessionLock::Unknown;
    SessionLock state = SessionLock::Unknown;
    const auto* info = reinterpret_cast<const WtsInfoEx*>(buffer);
    if (bytes >= sizeof(WtsInfoEx) && info->level == 1) {
        if (info->data.level1.sessionFlags == kSessionStateLock) state = SessionLock::Locked;
        if (info->data.level1.sessionFlags == kSessionStateUnlock) state = SessionLock::Unlocked;
    }
    release(buffer);
    return state;
}

// How often the guard asks while it waits for the lock to hold and to be lifted.
constexpr DWORD kLockPollMs = 200;

}  // namespace

void SetDesktopCallsForTest(DesktopCall switchDesktop, DesktopCall setThreadDesktop) noexcept {
    g_switchDesktop.store(switchDesktop ? switchDesktop : ::SwitchDesktop);
    g_setThreadDesktop.store(setThreadDesktop ? setThreadDesktop : ::SetThreadDesktop);
}

void SetLockCallForTest(LockCall lock) noexcept { g_lock.store(lock ? lock : ::LockWorkStation); }
void SetSessionLockQueryForTest(SessionLockQuery query) noexcept { g_sessionLock.store(query); }

BOOL SwitchDesktopCall(HDESK desktop) noexcept { return g_switchDesktop.load()(desktop); }
DesktopCall SetThreadDesktopCall() noexcept { return g_setThreadDesktop.load(); }
static BOOL LockWorkStationCall() noexcept { return g_lock.load()(); }

SessionLock QuerySessionLock() noexcept {
    const SessionLockQuery planted = g_sessionLock.load();
    return planted ? planted() : PlatformSessionLock();
}

WayBack ChooseWayBack(bool showing, bool guarded, bool takenOver) noexcept {
    if (!showing) return WayBack::None;
    if (!guarded) return WayBack::ComeBack;
    return takenOver ? WayBack::Stay : WayBack::LockThenComeBack;
}

bool AskLock() noexcept {
    if (!LockWorkStationCall()) {
        vp::Trace(L"way back: session not locked (error %lu); stayed on the virtual desktop", ::GetLastError());
        return false;
    }
    vp::Trace(L"way back: lock asked for");
    return true;
}

bool AwaitLockThenShow(HDESK original, DWORD confirmMs) noexcept {
    const ULONGLONG askedAt = ::GetTickCount64();
    while (QuerySessionLock() != SessionLock::Locked) {
        if (::GetTickCount64() - askedAt >= confirmMs) {
            vp::Trace(L"way back: the lock was not confirmed; stayed on the virtual desktop");
            return false;
        }
        ::Sleep(kLockPollMs);
    }
    vp::Trace(L"way back: session locked");
    // Only whoever unlocks sees what shows then; the user's desktop is shown behind the lock screen
    // once it is lifted, unless the system brought it back itself.
    while (QuerySessionLock() == SessionLock::Locked) ::Sleep(kLockPollMs);
    wchar_t showing[64] = L"";
    wchar_t wanted[64] = L"";
    DWORD needed = 0;
    const bool known = ReadInputDesktopName(showing) && original &&
                       ::GetUserObjectInformationW(original, UOI_NAME, wanted, sizeof(wanted) - sizeof(wchar_t), &needed);
    if (known && ::lstrcmpiW(showing, wanted) == 0) return true;
    return original && SwitchDesktopCall(original);
}

WayBackTaken TakeWayBack(WayBack way, HDESK original, bool lockAsked) noexcept {
    if (way == WayBack::None) return WayBackTaken::Nothing;
    if (way == WayBack::Stay) return WayBackTaken::Stayed;
    if (way == WayBack::ComeBack) {
        return original && SwitchDesktopCall(original) ? WayBackTaken::CameBack : WayBackTaken::NotSwitched;
    }
    if (!lockAsked && !AskLock()) return WayBackTaken::Stayed;
    return AwaitLockThenShow(original, static_cast<DWORD>(CDesktopTruth::kLockConfirmMs)) ? WayBackTaken::LockedAndCameBack
                                                                                          : WayBackTaken::Stayed;
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
