#pragma once
// How a hotkey is named and shown: the key-name lookup and the combination text ("Ctrl+Alt+F2").
#include <windows.h>

namespace hotkeys {

constexpr size_t kKeyNameUnits = 12;      // the longest name has 9 characters; 11 would still fit
constexpr size_t kHotkeyTextUnits = 40;

// Writes the name of a virtual-key code and returns the code, or writes the empty text and returns 0
// when the key has no name (the modifiers, Caps Lock, Num Lock, most system keys).
DWORD KeyName(DWORD vk, wchar_t (&name)[kKeyNameUnits]) noexcept;

// "Ctrl+" "Alt+" "Shift+" in this order, then the key name.
void FormatHotkeyText(wchar_t (&text)[kHotkeyTextUnits], BOOL ctrl, BOOL alt, BOOL shift, const wchar_t* keyName) noexcept;

}  // namespace hotkeys
