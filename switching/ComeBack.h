#pragma once
// Quit and the end of the session come back first: the hook thread, which owns the desktops, is asked
// to bring the screen back to the original desktop and to undo the program's recorded changes before
// anything else ends.
#include <windows.h>

// Asks the hook thread and waits for it. A hook thread that does not answer in time (busy in a long
// action, or gone) or does not exist (id 0) is not waited for: the calling thread then shows the
// original desktop and undoes the record itself. Returns whether the hook thread answered.
bool ComeBackAndUndo(DWORD hookThreadId, DWORD timeoutMs);

// The hook thread's answer to WM_COME_BACK: sets and closes the event the request carried.
void AnswerComeBack(LPARAM lParam) noexcept;
