#pragma once
// The private arguments of the installer. "/quit": the uninstaller (an upgrade's removal of the older
// package too) runs "Veilpane.exe /quit" so that a running copy switches back, undoes its changes and
// ends. "/afterinstall": run by an upgrade once the new files are in place; it starts the program only
// when a "/quit" of the last moments ended a running copy, so an upgrade leaves it running.
#include <windows.h>

// How long "/quit" waits for the running copy to end.
constexpr DWORD kQuitWaitMs = 20000;

// True when the command line is the argument (any case, blanks around it allowed) and nothing else.
bool IsQuitArgument(const wchar_t* commandLine) noexcept;
bool IsAfterInstallArgument(const wchar_t* commandLine) noexcept;

// Asks the session's running copy to quit as the tray menu's Exit does (no confirmation), through
// its quit event, and waits at most timeoutMs for it (and its guard) to end. Returns the process exit
// code of "/quit": 0 when none runs (any more), 1 when one is still running at the deadline. A copy
// it ended is noted for "/afterinstall".
int QuitRunningCopies(DWORD timeoutMs) noexcept;

// Whether a "/quit" of the last two minutes ended a running copy; the note is cleared either way.
bool TakeQuitForInstall() noexcept;
