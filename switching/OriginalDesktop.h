#pragma once
// The user's own desktop, the one the program hides and brings back.
#include <windows.h>

// The desktop that showed when the program started, unless that was the virtual desktop (the
// program was started from the shell there): then the window station's "Default". Decided once, by
// the first caller, before that caller has moved to another desktop; kept for the whole run.
HDESK OriginalDesktop() noexcept;

// The name of the desktop to open in place of the desktop that shows, or null to keep that one.
const wchar_t* OriginalDesktopInstead(const wchar_t* showingName, const wchar_t* virtualName) noexcept;
