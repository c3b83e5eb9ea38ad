#pragma once
// Which desktop the system shows, as the platform itself tells: the input desktop's name.
#include <windows.h>

#include <cstddef>

// The input desktop's name into name; false when none can be read: Winlogon's secure desktop, a
// consent prompt or the screen saver shows, or the platform does not say.
bool ReadInputDesktopName(wchar_t* name, size_t size) noexcept;
template <size_t N>
bool ReadInputDesktopName(wchar_t (&name)[N]) noexcept {
    return ReadInputDesktopName(name, N);
}
