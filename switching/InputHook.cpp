#include "switching/InputHook.h"

#include "framework/Clock.h"
#include "framework/ThreadDesktop.h"
#include "settings/SettingsMirror.h"

using namespace hooklib;

namespace {

// The figures the hook procedures write.
std::atomic<LONGLONG> g_stampEnter{0}, g_stampLeave{0};
std::atomic<long> g_posted{0};

TriggerRecogniser::Settings TriggersInForce() noexcept { return CInputHook::TriggersOf(*g_SettingsMirror.Snapshot()); }

// Read on the pump's own desktop, where the key state describes that desktop's input.
bool IsDown(int vk) noexcept { return (::GetAsyncKeyState(vk) & 0x8000) != 0; }

HeldInput ReadHeldInput(int key) noexcept {
    HeldInput h;
    h.left = IsDown(VK_LBUTTON);
    h.right = IsDown(VK_RBUTTON);
    h.middle = IsDown(VK_MBUTTON);
    h.key = key != 0 && IsDown(key);
    return h;
}

// The modifiers held on the calling thread's desktop, each hand read apart.
Modifiers ReadModifiers() noexcept {
    Modifiers m;
    m.shift[0] = IsDown(VK_LSHIFT);
    m.shift[1] = IsDown(VK_RSHIFT);
    m.ctrl[0] = IsDown(VK_LCONTROL);
    m.ctrl[1] = IsDown(VK_RCONTROL);
    m.alt[0] = IsDown(VK_LMENU);
    m.alt[1] = IsDown(VK_RMENU);
    return m;
}

}  // namespace

thread_local const CInputHook::Pump* CInputHook::t_pump = nullptr;

CInputHook::CInputHook(vp::CMailbox<HookRequest>& target) : m_target(target) {}

CInputHook::~CInputHook() { Remove(); }

TriggerRecogniser::Settings CInputHook::TriggersOf(const CSettingsData& settings) noexcept {
    TriggerRecogniser::Settings s;
    s.middle = settings.middleButton != 0;
    s.doubleButton = settings.doubleButton != 0;
    const HotkeySetting& key = settings.switchHotkey;
    if (key.bEnabled) {
        s.key = static_cast<int>(key.nKey & 0xFF);
        s.shift = key.bShift != 0;
        s.ctrl = key.bCtrl != 0;
        s.alt = key.bAlt != 0;
    }
    return s;
}

CInputHook::Figures CInputHook::LastTrigger() noexcept { return {g_stampEnter.load(), g_stampLeave.load(), g_posted.load()}; }

LRESULT CInputHook::Act(Verdict verdict, const Pump& pump, LONGLONG enter) noexcept {
    if (verdict == Verdict::Trigger) {
        HookRequest trigger;
        trigger.givenOn = pump.givenOn;
        m_target.Put(std::move(trigger));
        g_posted.fetch_add(1);
        g_stampEnter.store(enter, std::memory_order_relaxed);
        g_stampLeave.store(vp::PerformanceStamp(), std::memory_order_relaxed);
    }
    return verdict == Verdict::PassOn ? 0 : 1;
}

LRESULT CALLBACK CInputHook::MouseProc(int code, WPARAM wp, LPARAM lp) noexcept {
    // Moves and the wheel, most of what passes here, cost no snapshot and no lock.
    if (const Pump* pump = t_pump; code == HC_ACTION && pump && TriggerRecogniser::Watches(static_cast<UINT>(wp))) {
        const LONGLONG enter = vp::PerformanceStamp();
        CInputHook& hook = *pump->owner;
        const int desk = static_cast<int>(pump->givenOn - kGivenOnOriginal);
        const TriggerRecogniser::Settings s = TriggersInForce();
        Verdict v;
        {
            vp::LockGuard lock(hook.m_recogniserLock);
            v = hook.m_recogniser.OnMouse(static_cast<UINT>(wp), desk, s);
        }
        if (LRESULT r = hook.Act(v, *pump, enter)) return r;
    }
    return ::CallNextHookEx(nullptr, code, wp, lp);
}

LRESULT CALLBACK CInputHook::KeyboardProc(int code, WPARAM wp, LPARAM lp) noexcept {
    if (const Pump* pump = t_pump; code == HC_ACTION && pump) {
        const LONGLONG enter = vp::PerformanceStamp();
        CInputHook& hook = *pump->owner;
        const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lp);
        const DWORD vk = SidedKey(key->vkCode, key->scanCode, key->flags);
        const TriggerRecogniser::Settings s = TriggersInForce();
        // Read here, on the pump's own desktop, where the key went down; the event itself is not
        // in the key state yet, and only the trigger key's press costs the reads.
        Modifiers held;
        if ((wp == WM_KEYDOWN || wp == WM_SYSKEYDOWN) && s.key != 0 && vk == static_cast<DWORD>(s.key)) {
            held = ReadModifiers();
        }
        Verdict v;
        {
            vp::LockGuard lock(hook.m_recogniserLock);
            v = hook.m_recogniser.OnKey(static_cast<UINT>(wp), vk, s, held);
        }
        if (LRESULT r = hook.Act(v, *pump, enter)) return r;
    }
    return ::CallNextHookEx(nullptr, code, wp, lp);
}

DWORD WINAPI CInputHook::PumpThreadProc(void* arg) {
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
        const TriggerRecogniser::Settings s = TriggersInForce();
        const HeldInput held = ReadHeldInput(s.key);
        {
            vp::LockGuard lock(pump.owner->m_recogniserLock);
            pump.owner->m_recogniser.Arrive(held, s);
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

void CInputHook::StopPump(Pump& pump) noexcept {
    if (!pump.thread) return;
    pump.stop.store(true);
    ::PostThreadMessageW(pump.threadId, WM_NULL, 0, 0);  // only wakes it
    ::WaitForSingleObject(pump.thread.Get(), 5000);
    pump.thread.Reset();
    pump.threadId = 0;
    pump.hooked.store(nullptr);
}

bool CInputHook::Install(HDESK desktop, WPARAM givenOn) {
    if ((givenOn != kGivenOnOriginal && givenOn != kGivenOnVirtual) || !desktop) return false;
    vp::LockGuard lock(m_installLock);
    Pump& pump = m_pumps[givenOn - kGivenOnOriginal];
    StopPump(pump);
    pump.owner = this;
    pump.givenOn = givenOn;
    pump.desktop = desktop;
    pump.stop.store(false);
    pump.ready.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    pump.thread.Reset(::CreateThread(nullptr, 0, PumpThreadProc, &pump, 0, &pump.threadId));
    if (!pump.thread || !pump.ready) return false;
    ::WaitForSingleObject(pump.ready.Get(), 5000);
    return pump.hooked.load() != nullptr;
}

void CInputHook::Remove() {
    vp::LockGuard lock(m_installLock);
    for (Pump& pump : m_pumps) StopPump(pump);
}

HDESK CInputHook::HookedDesktop(WPARAM givenOn) const noexcept {
    if (givenOn != kGivenOnOriginal && givenOn != kGivenOnVirtual) return nullptr;
    return m_pumps[givenOn - kGivenOnOriginal].hooked.load();
}
