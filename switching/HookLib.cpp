#include "switching/HookLib.h"

#include <atomic>

#include "framework/Clock.h"
#include "framework/Handles.h"
#include "framework/Product.h"
#include "framework/ThreadDesktop.h"
#include "switching/ThreadMail.h"

namespace hooklib {

// ---- trigger recognition ---------------------------------------------------------------------------

DWORD SidedKey(DWORD vk, DWORD scanCode, DWORD flags) noexcept {
    const bool extended = (flags & LLKHF_EXTENDED) != 0;
    switch (vk) {
    case VK_SHIFT: return scanCode == 0x36 ? VK_RSHIFT : VK_LSHIFT;
    case VK_CONTROL: return extended ? VK_RCONTROL : VK_LCONTROL;
    case VK_MENU: return extended ? VK_RMENU : VK_LMENU;
    }
    return vk;
}

Verdict TriggerRecogniser::Press(Button& b, const Button& other, int desk, bool pairTriggers) noexcept {
    b = Button{true, desk, false};
    if (!pairTriggers || !other.down) return Verdict::PassOn;
    // The second button of the pair completes the trigger; the first one has already reached a
    // program, which gets its release too as long as the screen still shows that program.
    b.swallowUp = true;
    return Verdict::Trigger;
}

Verdict TriggerRecogniser::Release(Button& b, int desk) noexcept {
    // A release whose press the program under the pointer never saw is kept from it: the trigger's
    // own, one whose press went to the other desktop, one held before any hook was there.
    const bool swallow = b.swallowUp || (b.down && b.desk != desk);
    b = Button{};
    return swallow ? Verdict::Swallow : Verdict::PassOn;
}

void TriggerRecogniser::Held(Button& b) noexcept {
    if (!b.down) b = Button{true, -1, true};
}

Verdict TriggerRecogniser::OnMouse(UINT message, int desk, const Settings& s) noexcept {
    switch (message) {
    case WM_MBUTTONDOWN:
        // With the trigger on, the release belongs to it too: no half click reaches a program.
        m_middle = Button{true, desk, s.middle};
        return s.middle ? Verdict::Trigger : Verdict::PassOn;
    case WM_MBUTTONUP: return Release(m_middle, desk);
    case WM_LBUTTONDOWN: return Press(m_left, m_right, desk, s.doubleButton);
    case WM_RBUTTONDOWN: return Press(m_right, m_left, desk, s.doubleButton);
    case WM_LBUTTONUP: return Release(m_left, desk);
    case WM_RBUTTONUP: return Release(m_right, desk);
    }
    return Verdict::PassOn;
}

Verdict TriggerRecogniser::OnKey(UINT message, DWORD vk, const Settings& s, const Modifiers& held) noexcept {
    const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
    // A keyboard repeats only the key pressed last: once another key goes down, the held key sends
    // no more repeats, and a key-down of it can only be a fresh press whose release never reached
    // the hooks (a hook that answered too late is passed over by the system).
    if (down && m_heldKey != 0 && vk != m_heldKey) m_heldKeyRepeats = false;
    // A modifier is never the trigger key.
    switch (vk) {
    case VK_LSHIFT: m_seenUp.shift[0] = !down; return Verdict::PassOn;
    case VK_RSHIFT: m_seenUp.shift[1] = !down; return Verdict::PassOn;
    case VK_LCONTROL: m_seenUp.ctrl[0] = !down; return Verdict::PassOn;
    case VK_RCONTROL: m_seenUp.ctrl[1] = !down; return Verdict::PassOn;
    case VK_LMENU: m_seenUp.alt[0] = !down; return Verdict::PassOn;
    case VK_RMENU: m_seenUp.alt[1] = !down; return Verdict::PassOn;
    }
    if (m_heldKey != 0 && vk == m_heldKey && (!down || m_heldKeyRepeats)) {
        // An auto-repeat or the release of the key held: it goes where its press went.
        const bool swallowed = m_heldKeySwallowed;
        if (!down) {
            m_heldKey = 0;
            m_heldKeySwallowed = false;
        }
        return swallowed ? Verdict::Swallow : Verdict::PassOn;
    }
    if (!down || s.key == 0 || vk != static_cast<DWORD>(s.key)) return Verdict::PassOn;
    m_heldKey = vk;
    m_heldKeyRepeats = true;
    auto isHeld = [](const bool (&system)[2], const bool (&seenUp)[2]) {
        return (system[0] && !seenUp[0]) || (system[1] && !seenUp[1]);
    };
    m_heldKeySwallowed = isHeld(held.shift, m_seenUp.shift) == s.shift && isHeld(held.ctrl, m_seenUp.ctrl) == s.ctrl &&
                         isHeld(held.alt, m_seenUp.alt) == s.alt;
    return m_heldKeySwallowed ? Verdict::Trigger : Verdict::PassOn;
}

void TriggerRecogniser::Arrive(const HeldInput& held, const Settings& s) noexcept {
    // Only adds: what the other desktop's hooks saw go down stays known.
    if (held.key && s.key != 0 && m_heldKey != static_cast<DWORD>(s.key)) {
        m_heldKey = static_cast<DWORD>(s.key);
        m_heldKeySwallowed = true;
        m_heldKeyRepeats = true;
    }
    if (held.left) Held(m_left);
    if (held.right) Held(m_right);
    if (held.middle) Held(m_middle);
}

namespace {

std::atomic<int> g_middle{0}, g_double{0}, g_key{0}, g_shift{0}, g_ctrl{0}, g_alt{0};
std::atomic<LONGLONG> g_stampEnter{0}, g_stampLeave{0};
std::atomic<long> g_triggers{0};

// Shared by the pumps of both desktops. Only the desktop that shows gets input, so the lock is
// never contended in use; it is held for a few comparisons.
vp::CriticalSection g_recogniserLock;
TriggerRecogniser g_recogniser;

// One desktop's hooks and the thread that holds them.
struct Pump {
    WPARAM givenOn = 0;
    HDESK desktop = nullptr;   // borrowed until the pump is ready; the pump enters it through its own handle
    vp::CMailbox<HookRequest>* target = nullptr;
    vp::KernelHandle thread;
    DWORD threadId = 0;
    vp::KernelHandle ready;    // set once the pump has tried to hook
    std::atomic<HDESK> hooked{nullptr};
    std::atomic<bool> stop{false};  // the program's own end of the pump; nothing posted ends it
};
Pump g_pumps[2];
thread_local const Pump* t_pump = nullptr;  // the pump whose thread this is
vp::CriticalSection g_installLock;          // serialises installing and removing

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

// Read on the pump's own desktop, where the key state describes that desktop's input.
HeldInput ReadHeldInput(int key) noexcept {
    auto down = [](int vk) { return (::GetAsyncKeyState(vk) & 0x8000) != 0; };
    HeldInput h;
    h.left = down(VK_LBUTTON);
    h.right = down(VK_RBUTTON);
    h.middle = down(VK_MBUTTON);
    h.key = key != 0 && down(key);
    return h;
}

// Decides and hands on; never waits on anything but the mailbox's push.
LRESULT Act(Verdict v, const Pump& pump, LONGLONG enter) noexcept {
    if (v == Verdict::Trigger) {
        HookRequest trigger;
        trigger.givenOn = pump.givenOn;
        pump.target->Put(std::move(trigger));
        g_triggers.fetch_add(1);
        g_stampEnter.store(enter, std::memory_order_relaxed);
        g_stampLeave.store(vp::PerformanceStamp(), std::memory_order_relaxed);
    }
    return v == Verdict::PassOn ? 0 : 1;
}

int DeskOf(const Pump& pump) noexcept { return static_cast<int>(pump.givenOn - kGivenOnOriginal); }

LRESULT CALLBACK MouseProc(int code, WPARAM wp, LPARAM lp) noexcept {
    if (const Pump* pump = t_pump; code == HC_ACTION && pump) {
        const LONGLONG enter = vp::PerformanceStamp();
        Verdict v;
        {
            vp::LockGuard lock(g_recogniserLock);
            v = g_recogniser.OnMouse(static_cast<UINT>(wp), DeskOf(*pump), CurrentSettings());
        }
        if (LRESULT r = Act(v, *pump, enter)) return r;
    }
    return ::CallNextHookEx(nullptr, code, wp, lp);
}

LRESULT CALLBACK KeyboardProc(int code, WPARAM wp, LPARAM lp) noexcept {
    if (const Pump* pump = t_pump; code == HC_ACTION && pump) {
        const LONGLONG enter = vp::PerformanceStamp();
        const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lp);
        const DWORD vk = SidedKey(key->vkCode, key->scanCode, key->flags);
        const TriggerRecogniser::Settings s = CurrentSettings();
        // Read here, on the pump's own desktop, where the key went down; the event itself is not
        // in the key state yet, and only the trigger key's press costs the reads.
        Modifiers held;
        if ((wp == WM_KEYDOWN || wp == WM_SYSKEYDOWN) && s.key != 0 && vk == static_cast<DWORD>(s.key)) {
            held = ReadModifiers();
        }
        Verdict v;
        {
            vp::LockGuard lock(g_recogniserLock);
            v = g_recogniser.OnKey(static_cast<UINT>(wp), vk, s, held);
        }
        if (LRESULT r = Act(v, *pump, enter)) return r;
    }
    return ::CallNextHookEx(nullptr, code, wp, lp);
}

DWORD WINAPI PumpThreadProc(void* arg) {
    Pump& pump = *static_cast<Pump*>(arg);
    t_pump = &pump;
    MSG msg;
    ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the queue exists before the installer is told
    vp::CThreadDesktop place;  // outlives the hooks: the pump can move back only once they are gone
    vp::HookHandle mouse, keyboard;
    // The pump owns neither windows nor hooks yet, so it may move. A refused move leaves it without
    // hooks rather than with hooks on a desktop it was not given.
    if (place.Enter(pump.desktop)) {
        HINSTANCE self = ::GetModuleHandleW(nullptr);
        mouse.Reset(::SetWindowsHookExW(WH_MOUSE_LL, MouseProc, self, 0));
        keyboard.Reset(::SetWindowsHookExW(WH_KEYBOARD_LL, KeyboardProc, self, 0));
    }
    if (mouse && keyboard) {
        // No callback runs before this thread pumps, so what is held now counts before any event.
        const TriggerRecogniser::Settings s = CurrentSettings();
        const HeldInput held = ReadHeldInput(s.key);
        {
            vp::LockGuard lock(g_recogniserLock);
            g_recogniser.Arrive(held, s);
        }
        pump.hooked.store(::GetThreadDesktop(::GetCurrentThreadId()));
    }
    ::SetEvent(pump.ready.Get());
    if (!pump.hooked.load()) return 0;
    // The hooks are called inside GetMessageW. A WM_QUIT anyone may post ends nothing: the pump ends
    // when the program stops it.
    while (!pump.stop.load()) {
        if (::GetMessageW(&msg, nullptr, 0, 0) > 0 && msg.hwnd) ::DispatchMessageW(&msg);
    }
    pump.hooked.store(nullptr);
    return 0;  // the hooks go with their handles, then the pump leaves the desktop
}

void StopPump(Pump& pump) noexcept {
    if (!pump.thread) return;
    pump.stop.store(true);
    ::PostThreadMessageW(pump.threadId, WM_NULL, 0, 0);  // only wakes it
    ::WaitForSingleObject(pump.thread.Get(), 5000);
    pump.thread.Reset();
    pump.threadId = 0;
    pump.hooked.store(nullptr);
}

}  // namespace

Modifiers ReadModifiers() noexcept {
    auto down = [](int vk) { return (::GetAsyncKeyState(vk) & 0x8000) != 0; };
    Modifiers m;
    m.shift[0] = down(VK_LSHIFT);
    m.shift[1] = down(VK_RSHIFT);
    m.ctrl[0] = down(VK_LCONTROL);
    m.ctrl[1] = down(VK_RCONTROL);
    m.alt[0] = down(VK_LMENU);
    m.alt[1] = down(VK_RMENU);
    return m;
}

CallbackStamps LastTriggerStamps() noexcept { return {g_stampEnter.load(), g_stampLeave.load()}; }
long TriggersPosted() noexcept { return g_triggers.load(); }
TriggerRecogniser::Settings CurrentTriggerSettings() noexcept { return CurrentSettings(); }

HDESK HookedDesktop(WPARAM givenOn) noexcept {
    if (givenOn != kGivenOnOriginal && givenOn != kGivenOnVirtual) return nullptr;
    return g_pumps[givenOn - kGivenOnOriginal].hooked.load();
}

}  // namespace hooklib

using namespace hooklib;

bool InstallInputHook(vp::CMailbox<HookRequest>* target, HDESK desktop, WPARAM givenOn) {
    if ((givenOn != kGivenOnOriginal && givenOn != kGivenOnVirtual) || !desktop || !target) return false;
    vp::LockGuard lock(g_installLock);
    Pump& pump = g_pumps[givenOn - kGivenOnOriginal];
    StopPump(pump);
    pump.givenOn = givenOn;
    pump.desktop = desktop;
    pump.target = target;
    pump.stop.store(false);
    pump.ready.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    pump.thread.Reset(::CreateThread(nullptr, 0, PumpThreadProc, &pump, 0, &pump.threadId));
    if (!pump.thread || !pump.ready) return false;
    ::WaitForSingleObject(pump.ready.Get(), 5000);
    return pump.hooked.load() != nullptr;
}

void UnInstallInputHook() {
    vp::LockGuard lock(g_installLock);
    for (Pump& pump : g_pumps) StopPump(pump);
}

void SetKeyCode(int virtualKey, bool shift, bool ctrl, bool alt) {
    // The key first stops matching, then the modifiers change, then the key is set: a callback on
    // a pump thread never sees a new key with old modifiers.
    g_key.store(0);
    g_shift.store(shift ? 1 : 0);
    g_ctrl.store(ctrl ? 1 : 0);
    g_alt.store(alt ? 1 : 0);
    g_key.store(virtualKey & 0xFF);
}

void SetMiddleButton(bool enabled) { g_middle.store(enabled ? 1 : 0); }

void SetDoubleButton(bool enabled) { g_double.store(enabled ? 1 : 0); }
