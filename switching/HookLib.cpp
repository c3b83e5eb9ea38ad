#include "switching/HookLib.h"

#include <atomic>

#include "app/ThreadMessages.h"
#include "framework/Clock.h"
#include "framework/Handles.h"

namespace hooklib {

// ---- trigger recognition ---------------------------------------------------------------------------

Verdict TriggerRecogniser::OnMouse(UINT message, const Settings& s) noexcept {
    switch (message) {
    case WM_MBUTTONDOWN:
        if (!s.middle) return Verdict::PassOn;
        m_swallowMiddleUp = true;  // the release belongs to the trigger too: no half click reaches a program
        return Verdict::Trigger;
    case WM_MBUTTONUP:
        if (!m_swallowMiddleUp) return Verdict::PassOn;
        m_swallowMiddleUp = false;
        return Verdict::Swallow;
    case WM_LBUTTONDOWN:
        m_leftDown = true;
        if (s.doubleButton && m_rightDown) {
            // The second button of the pair completes the trigger; the first one has already
            // reached a program and keeps its release, so no program is left with a button held.
            m_swallowLeftUp = true;
            return Verdict::Trigger;
        }
        return Verdict::PassOn;
    case WM_RBUTTONDOWN:
        m_rightDown = true;
        if (s.doubleButton && m_leftDown) {
            m_swallowRightUp = true;
            return Verdict::Trigger;
        }
        return Verdict::PassOn;
    case WM_LBUTTONUP:
        m_leftDown = false;
        if (m_swallowLeftUp) { m_swallowLeftUp = false; return Verdict::Swallow; }
        return Verdict::PassOn;
    case WM_RBUTTONUP:
        m_rightDown = false;
        if (m_swallowRightUp) { m_swallowRightUp = false; return Verdict::Swallow; }
        return Verdict::PassOn;
    }
    return Verdict::PassOn;
}

Verdict TriggerRecogniser::OnKey(UINT message, DWORD vk, const Settings& s) noexcept {
    const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
    switch (vk) {
    case VK_LSHIFT: case VK_SHIFT: m_shift[0] = down; return Verdict::PassOn;
    case VK_RSHIFT: m_shift[1] = down; return Verdict::PassOn;
    case VK_LCONTROL: case VK_CONTROL: m_ctrl[0] = down; return Verdict::PassOn;
    case VK_RCONTROL: m_ctrl[1] = down; return Verdict::PassOn;
    case VK_LMENU: case VK_MENU: m_alt[0] = down; return Verdict::PassOn;
    case VK_RMENU: m_alt[1] = down; return Verdict::PassOn;
    }
    if (s.key == 0 || vk != static_cast<DWORD>(s.key)) return Verdict::PassOn;
    if (!down) {
        if (!m_keySwallowed) return Verdict::PassOn;
        m_keySwallowed = false;
        return Verdict::Swallow;
    }
    if (m_keySwallowed) return Verdict::Swallow;  // auto-repeat of a held trigger key
    const bool shift = m_shift[0] || m_shift[1], ctrl = m_ctrl[0] || m_ctrl[1], alt = m_alt[0] || m_alt[1];
    if (shift != s.shift || ctrl != s.ctrl || alt != s.alt) return Verdict::PassOn;
    m_keySwallowed = true;
    return Verdict::Trigger;
}

void TriggerRecogniser::Restart(bool shift, bool ctrl, bool alt, bool left, bool right) noexcept {
    m_leftDown = left;
    m_rightDown = right;
    m_swallowMiddleUp = m_swallowLeftUp = m_swallowRightUp = false;
    m_keySwallowed = false;
    m_shift[0] = shift; m_shift[1] = false;
    m_ctrl[0] = ctrl; m_ctrl[1] = false;
    m_alt[0] = alt; m_alt[1] = false;
}

namespace {

constexpr UINT kPumpHook = WM_APP + 1;    // lParam: the desktop to hook on
constexpr UINT kPumpUnhook = WM_APP + 2;

std::atomic<int> g_middle{0}, g_double{0}, g_key{0}, g_shift{0}, g_ctrl{0}, g_alt{0};
std::atomic<DWORD> g_target{0};
std::atomic<HDESK> g_hookedDesktop{nullptr};
std::atomic<LONGLONG> g_stampEnter{0}, g_stampLeave{0};

// Touched only on the pump thread.
TriggerRecogniser g_recogniser;
vp::HookHandle g_mouseHook, g_keyboardHook;

vp::CriticalSection g_pumpLock;   // serialises Install and Uninstall against each other
DWORD g_pumpThreadId = 0;
HANDLE g_pumpDone = nullptr;      // auto-reset: the pump has carried out a command

TriggerRecogniser::Settings CurrentSettings() noexcept {
    TriggerRecogniser::Settings s;
    s.middle = g_middle.load(std::memory_order_relaxed) != 0;
    s.doubleButton = g_double.load(std::memory_order_relaxed) != 0;
    s.key = g_key.load(std::memory_order_relaxed);
    s.shift = g_shift.load(std::memory_order_relaxed) != 0;
    s.ctrl = g_ctrl.load(std::memory_order_relaxed) != 0;
    s.alt = g_alt.load(std::memory_order_relaxed) != 0;
    return s;
}

// Decides and posts; never waits on anything.
LRESULT Act(Verdict v, LONGLONG enter) noexcept {
    if (v == Verdict::Trigger) {
        ::PostThreadMessageW(g_target.load(std::memory_order_relaxed), WM_DESKTOP_SWITCH, 0, 1);
        g_stampEnter.store(enter, std::memory_order_relaxed);
        g_stampLeave.store(vp::PerformanceStamp(), std::memory_order_relaxed);
    }
    return v == Verdict::PassOn ? 0 : 1;
}

LRESULT CALLBACK MouseProc(int code, WPARAM wp, LPARAM lp) noexcept {
    if (code == HC_ACTION && g_target.load(std::memory_order_relaxed) != 0) {
        const LONGLONG enter = vp::PerformanceStamp();
        if (LRESULT r = Act(g_recogniser.OnMouse(static_cast<UINT>(wp), CurrentSettings()), enter)) return r;
    }
    return ::CallNextHookEx(nullptr, code, wp, lp);
}

LRESULT CALLBACK KeyboardProc(int code, WPARAM wp, LPARAM lp) noexcept {
    if (code == HC_ACTION && g_target.load(std::memory_order_relaxed) != 0) {
        const LONGLONG enter = vp::PerformanceStamp();
        const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lp);
        if (LRESULT r = Act(g_recogniser.OnKey(static_cast<UINT>(wp), key->vkCode, CurrentSettings()), enter)) return r;
    }
    return ::CallNextHookEx(nullptr, code, wp, lp);
}

void Unhook() noexcept {
    g_mouseHook.Reset();
    g_keyboardHook.Reset();
    g_hookedDesktop.store(nullptr);
}

DWORD WINAPI PumpThreadProc(void*) {
    MSG msg;
    ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
    ::SetEvent(g_pumpDone);  // the queue exists
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.hwnd == nullptr && msg.message == kPumpHook) {
            Unhook();
            auto desk = reinterpret_cast<HDESK>(msg.lParam);
            // The pump owns neither windows nor hooks now, so it may move.
            ::SetThreadDesktop(desk);
            HINSTANCE self = ::GetModuleHandleW(nullptr);
            g_mouseHook.Reset(::SetWindowsHookExW(WH_MOUSE_LL, MouseProc, self, 0));
            g_keyboardHook.Reset(::SetWindowsHookExW(WH_KEYBOARD_LL, KeyboardProc, self, 0));
            auto held = [](int vk) { return (::GetAsyncKeyState(vk) & 0x8000) != 0; };
            g_recogniser.Restart(held(VK_SHIFT), held(VK_CONTROL), held(VK_MENU), held(VK_LBUTTON), held(VK_RBUTTON));
            g_hookedDesktop.store(desk);
            if (msg.wParam) ::SetEvent(g_pumpDone);  // wParam: the caller waits for this command
        } else if (msg.hwnd == nullptr && msg.message == kPumpUnhook) {
            Unhook();
            if (msg.wParam) ::SetEvent(g_pumpDone);
        } else {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    return 0;
}

// Hands a command to the pump thread (starting it on first use); waits a bounded time for it to be
// carried out when asked to.
void RunOnPump(UINT command, LPARAM arg, bool wait) noexcept {
    if (!g_pumpThreadId) {
        g_pumpDone = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
        DWORD id = 0;
        HANDLE h = ::CreateThread(nullptr, 0, PumpThreadProc, nullptr, 0, &id);
        if (!h) return;
        ::CloseHandle(h);
        ::WaitForSingleObject(g_pumpDone, 5000);
        g_pumpThreadId = id;
    }
    if (::PostThreadMessageW(g_pumpThreadId, command, wait ? 1 : 0, arg) && wait) {
        ::WaitForSingleObject(g_pumpDone, 5000);
    }
}

}  // namespace

CallbackStamps LastTriggerStamps() noexcept { return {g_stampEnter.load(), g_stampLeave.load()}; }
HDESK HookedDesktop() noexcept { return g_hookedDesktop.load(); }
TriggerRecogniser::Settings CurrentTriggerSettings() noexcept { return CurrentSettings(); }

}  // namespace hooklib

using namespace hooklib;

extern "C" int InstallInputHook(int threadId) {
    vp::LockGuard lock(g_pumpLock);
    g_target.store(static_cast<DWORD>(threadId));
    RunOnPump(kPumpHook, reinterpret_cast<LPARAM>(::GetThreadDesktop(::GetCurrentThreadId())), true);
    return HookedDesktop() != nullptr;
}

extern "C" int UnInstallInputHook(int) {
    // The caller never owns the hooks (the pump does), so it may move desktops at once: from this
    // moment no trigger is posted, and the pump drops its hooks on its own time instead of holding
    // up the switch. A following install reaches the pump after the unhook, in order.
    vp::LockGuard lock(g_pumpLock);
    g_target.store(0);
    g_hookedDesktop.store(nullptr);
    if (g_pumpThreadId) RunOnPump(kPumpUnhook, 0, false);
    return 1;
}

extern "C" int SetKeyCode(int virtualKey, int shift, int ctrl, int alt) {
    // The key first stops matching, then the modifiers change, then the key is set: a callback on
    // the pump thread never sees a new key with old modifiers.
    g_key.store(0);
    g_shift.store(shift ? 1 : 0);
    g_ctrl.store(ctrl ? 1 : 0);
    g_alt.store(alt ? 1 : 0);
    g_key.store(virtualKey & 0xFF);
    return 1;
}

extern "C" int SetMiddleButton(int enabled) {
    g_middle.store(enabled ? 1 : 0);
    return 1;
}

extern "C" int SetDoubleButton(int enabled) {
    g_double.store(enabled ? 1 : 0);
    return 1;
}
