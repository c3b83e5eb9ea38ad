#pragma once
// Recognises the global triggers (middle button, left and right buttons together, a key with exact
// modifiers) over plain values: the input hook (switching/InputHook.h) feeds it every event of both
// desktops and acts on its verdict.
#include <windows.h>

namespace hooklib {

// What the mouse and keyboard callbacks decide for one event.
enum class Verdict { PassOn, Trigger, Swallow };

// Keys and buttons down at the moment hooks arrive on a desktop.
struct HeldInput {
    bool left = false, right = false, middle = false;
    bool key = false;  // the trigger key
};

// The modifiers held as the system's key state of one desktop tells; [0] left hand, [1] right hand.
struct Modifiers {
    bool shift[2] = {}, ctrl[2] = {}, alt[2] = {};
};

// The left- or right-hand code of a modifier that arrives under its generic code (VK_SHIFT,
// VK_CONTROL, VK_MENU), told by the extended-key flag and the right Shift's scan code; every other
// code as it is.
DWORD SidedKey(DWORD vk, DWORD scanCode, DWORD flags) noexcept;

// The trigger recogniser over plain values: the callbacks of both desktops feed it each event and act
// on its verdict. There is one keyboard and one mouse, so it is one recogniser for all desktops: a
// key that went down on one desktop is still known to be down when its repeats and its release
// arrive on the other. The modifiers are read from the system each time the trigger key goes down:
// remembered from key events, one let go where no hook listens (the secure desktop of a prompt, a
// third desktop) would stay held for ever. What the hooks saw still counts against the system in
// one way: a modifier they saw let go since they last saw it pressed is up, for a system that keeps
// the key state per desktop believes a key pressed on one desktop and let go on another still
// down on the first.
class TriggerRecogniser {
public:
    struct Settings {
        bool middle = false;
        bool doubleButton = false;
        int key = 0;
        bool shift = false, ctrl = false, alt = false;
    };

    // desk: the desktop the event arrived on (0 or 1).
    Verdict OnMouse(UINT message, int desk, const Settings& s) noexcept;
    // Whether OnMouse looks at the message at all (the buttons); every other mouse event passes on.
    static bool Watches(UINT message) noexcept;
    // vk: the sided code (SidedKey). held: the modifiers down on the desktop the key went down on;
    // only a press of the trigger key reads them.
    Verdict OnKey(UINT message, DWORD vk, const Settings& s, const Modifiers& held = {}) noexcept;

    // Hooks have arrived on a desktop while these were down: they count as already seen. A held trigger
    // key's repeats and release, and a held button's release, are swallowed and never trigger.
    void Arrive(const HeldInput& held, const Settings& s) noexcept;

private:
    struct Button {
        bool down = false;
        int desk = -1;           // where it went down; -1 when it was down before any hook saw it
        bool swallowUp = false;
    };
    static Verdict Press(Button& b, const Button& other, int desk, bool pairTriggers) noexcept;
    static Verdict Release(Button& b, int desk) noexcept;
    static void Held(Button& b) noexcept;

    Button m_left, m_right, m_middle;
    Modifiers m_seenUp;           // the modifiers whose last event the hooks saw was a release
    DWORD m_heldKey = 0;          // the trigger key while it is down, 0 when it is up
    bool m_heldKeySwallowed = false;
    bool m_heldKeyRepeats = false;  // no other key went down since it did, so it may still repeat
};

}  // namespace hooklib
