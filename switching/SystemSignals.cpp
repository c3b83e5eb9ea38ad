#include "switching/SystemSignals.h"

#include <atomic>

#include "framework/Trace.h"

namespace {

constexpr wchar_t kWindowClass[] = L"WTL_VeilpaneSignals";
constexpr DWORD kEventSystemDesktopSwitch = 0x0020;  // EVENT_SYSTEM_DESKTOPSWITCH
constexpr UINT kSessionChange = 0x02B1;              // WM_WTSSESSION_CHANGE
constexpr WPARAM kSessionLock = 0x7, kSessionUnlock = 0x8;

// What a callback without a context reaches: the mailbox of the one instance that runs.
std::atomic<vp::CMailbox<HookRequest>*> g_target{nullptr};

void Hand(SystemSignal signal) noexcept {
    if (vp::CMailbox<HookRequest>* target = g_target.load()) {
        HookRequest request;
        request.kind = HookRequest::Kind::Signal;
        request.signal = signal;
        target->Put(std::move(request));
    }
}

using RegisterCall = BOOL(WINAPI*)(HWND, DWORD);
using UnregisterCall = BOOL(WINAPI*)(HWND);

// Loaded on first use: the way to the first trigger does not need it.
HMODULE SessionLibrary() noexcept {
    static const HMODULE wts = ::LoadLibraryW(L"wtsapi32.dll");
    return wts;
}

template <class Call>
Call SessionCall(const char* name) noexcept {
    const HMODULE wts = SessionLibrary();
    return reinterpret_cast<Call>(reinterpret_cast<void*>(wts ? ::GetProcAddress(wts, name) : nullptr));
}

}  // namespace

LRESULT CALLBACK CSystemSignals::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    // Sent by the system; what it says is checked against the screen itself before anything moves.
    if (msg == kSessionChange) {
        if (wp == kSessionLock) Hand(SystemSignal::SessionLocked);
        if (wp == kSessionUnlock) Hand(SystemSignal::SessionUnlocked);
        return 0;
    }
    return ::DefWindowProcW(hwnd, msg, wp, lp);
}

void CALLBACK CSystemSignals::OnWinEvent(HWINEVENTHOOK, DWORD event, HWND, LONG, LONG, DWORD, DWORD) noexcept {
    if (event == kEventSystemDesktopSwitch) Hand(SystemSignal::DesktopSwitched);
}

bool CSystemSignals::Start(vp::CMailbox<HookRequest>* hook) noexcept {
    if (!hook) return false;
    g_target.store(hook);
    WNDCLASSW wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kWindowClass;
    ::RegisterClassW(&wc);
    m_window = ::CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    if (m_window) {
        if (const auto registerNotices = SessionCall<RegisterCall>("WTSRegisterSessionNotification")) {
            m_sessionNotices = registerNotices(m_window, 0 /* NOTIFY_FOR_THIS_SESSION */) != FALSE;
        }
    }
    m_winEvent = ::SetWinEventHook(kEventSystemDesktopSwitch, kEventSystemDesktopSwitch, nullptr, OnWinEvent, 0, 0,
                                   WINEVENT_OUTOFCONTEXT);
    if (!m_sessionNotices) vp::Trace(L"session notices not registered");
    if (!m_winEvent) vp::Trace(L"desktop switch events not hooked");
    return m_sessionNotices || m_winEvent;
}

void CSystemSignals::Stop() noexcept {
    if (m_winEvent) ::UnhookWinEvent(m_winEvent);
    m_winEvent = nullptr;
    if (m_window) {
        if (m_sessionNotices) {
            if (const auto unregisterNotices = SessionCall<UnregisterCall>("WTSUnRegisterSessionNotification")) {
                unregisterNotices(m_window);
            }
        }
        ::DestroyWindow(m_window);
    }
    m_window = nullptr;
    m_sessionNotices = false;
    g_target.store(nullptr);
}
