#pragma once
// The input-hook component: recognises the global triggers (middle button, left and right buttons
// together, a key with exact modifiers) and posts WM_DESKTOP_SWITCH with lParam 1 to the thread that
// installed it. Its hooks live on a pump thread of its own, which does nothing but pump messages, so
// a busy installing thread never stalls the system's input or has its hooks dropped.
#include <windows.h>

extern "C" {
int InstallInputHook(int threadId);
int UnInstallInputHook(int threadId);
int SetKeyCode(int virtualKey, int shift, int ctrl, int alt);
int SetMiddleButton(int enabled);
int SetDoubleButton(int enabled);
}

namespace hooklib {

// What the mouse and keyboard callbacks decide for one event.
enum class Verdict { PassOn, Trigger, Swallow };

// The trigger recogniser over plain values: the callbacks feed it each event and act on its verdict.
// It keeps the state that spans events (buttons held, keys held, what it swallowed).
class TriggerRecogniser {
public:
    struct Settings {
        bool middle = false;
        bool doubleButton = false;
        int key = 0;
        bool shift = false, ctrl = false, alt = false;
    };

    Verdict OnMouse(UINT message, const Settings& s) noexcept;
    Verdict OnKey(UINT message, DWORD vk, const Settings& s) noexcept;

    // Starts afresh on a newly hooked desktop: releases that happened while unhooked were never seen,
    // so nothing is waiting to be swallowed; the modifiers and buttons held are taken as they are now.
    void Restart(bool shift, bool ctrl, bool alt, bool left, bool right) noexcept;

private:
    bool m_leftDown = false, m_rightDown = false;
    bool m_swallowMiddleUp = false, m_swallowLeftUp = false, m_swallowRightUp = false;
    bool m_shift[2] = {}, m_ctrl[2] = {}, m_alt[2] = {};
    bool m_keySwallowed = false;
};

// Figures for the benchmark: performance-counter stamps of the last callback that posted a trigger.
struct CallbackStamps {
    LONGLONG enter;
    LONGLONG leave;
};
CallbackStamps LastTriggerStamps() noexcept;
// The desktop the hooks are on now, or null when none is installed.
HDESK HookedDesktop() noexcept;
// The trigger settings in force, as the setters left them.
TriggerRecogniser::Settings CurrentTriggerSettings() noexcept;

}  // namespace hooklib
