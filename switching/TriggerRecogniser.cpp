#include "switching/TriggerRecogniser.h"

namespace hooklib {

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

bool TriggerRecogniser::Watches(UINT message) noexcept {
    switch (message) {
    case WM_MBUTTONDOWN: case WM_MBUTTONUP:
    case WM_LBUTTONDOWN: case WM_LBUTTONUP:
    case WM_RBUTTONDOWN: case WM_RBUTTONUP:
        return true;
    }
    return false;
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

}  // namespace hooklib
