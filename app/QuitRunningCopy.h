#pragma once
// The private argument "/quit": the uninstaller runs "Veilpane.exe /quit" so that a running copy
// switches back, undoes its changes and ends before its files are removed.
#include <windows.h>

// How long "/quit" waits for the running copy to end.
constexpr DWORD kQuitWaitMs = 20000;

// True when the command line is "/quit" (any case, blanks around it allowed) and nothing else.
bool IsQuitArgument(const wchar_t* commandLine) noexcept;

// Asks every running copy in this session to quit as the tray menu's Exit does (no confirmation)
// and waits, at most timeoutMs in all, for their processes to end. Returns the process exit code
// of "/quit": 0 when none runs (any more), 1 when one is still running at the deadline.
int QuitRunningCopies(DWORD timeoutMs) noexcept;
