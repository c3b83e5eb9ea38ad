#pragma once
// The input hook: hears the global triggers on the desktops it is given and puts a trigger in the
// switcher's mail. Every hooked desktop has a pump thread of its own that holds that desktop's hooks
// and does nothing but pump messages: a busy switcher never stalls the system's input or has its
// hooks dropped, and the hooks of both desktops stay in place across every switch, so no trigger
// falls between them. The triggers are read from the settings snapshot in force at each event, so a
// trigger switched off is never taken once its settings are published.
#include <windows.h>

#include <atomic>

#include "framework/Handles.h"
#include "settings/SettingsData.h"
#include "switching/ThreadMail.h"
#include "switching/TriggerRecogniser.h"

class CInputHook {
public:
    // target: the mail every trigger goes to; it must outlive the hook.
    explicit CInputHook(vp::CMailbox<HookRequest>& target);
    ~CInputHook();
    CInputHook(const CInputHook&) = delete;
    CInputHook& operator=(const CInputHook&) = delete;

    // Hooks the input of desktop; every trigger seen there is put into the mail with givenOn
    // (kGivenOnOriginal or kGivenOnVirtual). Hooks held earlier for the same givenOn are let go
    // first. True when the pump thread reports its hooks in place on that very desktop.
    bool Install(HDESK desktop, WPARAM givenOn);
    // Removes the hooks of every desktop; the pump threads end.
    void Remove();
    // The desktop whose input is hooked for triggers given on givenOn, as its pump thread reads its
    // own desktop once both hooks are in place; null when none is.
    HDESK HookedDesktop(WPARAM givenOn) const noexcept;

    // The triggers a settings record turns on: the key only while its hotkey is enabled.
    static hooklib::TriggerRecogniser::Settings TriggersOf(const CSettingsData& settings) noexcept;

    // Figures of the hook procedures, whichever hook posted: performance-counter stamps of the last
    // callback that posted a trigger, and the triggers posted so far in the process.
    struct Figures {
        LONGLONG enter;
        LONGLONG leave;
        long posted;
    };
    static Figures LastTrigger() noexcept;

private:
    // One desktop's hooks and the thread that holds them.
    struct Pump {
        CInputHook* owner = nullptr;
        WPARAM givenOn = 0;
        HDESK desktop = nullptr;  // borrowed until the pump is ready; the pump enters it through its own handle
        vp::KernelHandle thread;
        DWORD threadId = 0;
        vp::KernelHandle ready;   // set once the pump has tried to hook
        std::atomic<HDESK> hooked{nullptr};
        std::atomic<bool> stop{false};  // the program's own end of the pump; nothing posted ends it
    };

    // The hook procedures are called with no context: the pump whose thread this is tells them theirs.
    static thread_local const Pump* t_pump;

    static DWORD WINAPI PumpThreadProc(void* pump);
    static LRESULT CALLBACK MouseProc(int code, WPARAM wp, LPARAM lp) noexcept;
    static LRESULT CALLBACK KeyboardProc(int code, WPARAM wp, LPARAM lp) noexcept;
    // Decides and hands on; never waits on anything but the mailbox's push.
    LRESULT Act(hooklib::Verdict verdict, const Pump& pump, LONGLONG enter) noexcept;
    static void StopPump(Pump& pump) noexcept;

    vp::CMailbox<HookRequest>& m_target;
    Pump m_pumps[2];
    vp::CriticalSection m_installLock;  // serialises installing and removing
    // Shared by the pumps of both desktops. Only the desktop that shows gets input, so the lock is
    // never contended in use; it is held for a few comparisons.
    vp::CriticalSection m_recogniserLock;
    hooklib::TriggerRecogniser m_recogniser;
};
