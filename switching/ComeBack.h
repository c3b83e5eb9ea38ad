#pragma once
// Quit and the end of the session come back first: the hook thread, which owns the desktops and every
// write of the program's changes, is asked to bring the screen back to the original desktop (by the
// one rule of switching/WayBack.h) and to undo the program's recorded changes before anything else
// ends.
#include <windows.h>

#include "framework/Product.h"
#include "switching/ThreadMessages.h"

// Asks the hook thread and waits for it. Nobody else moves the screen or writes the policy while the
// hook thread lives: one that does not answer in time (busy in a long action) is left to finish, and
// what it leaves undone when the process ends is done by the guard, once no thread of the program
// runs. kind: kComeBackScreen, or kComeBackUndoOnly to leave the screen where it is. Returns whether
// the hook thread answered.
bool ComeBackAndUndo(DWORD hookThreadId, DWORD timeoutMs, WPARAM kind = kComeBackScreen);

// The hook thread's answer to WM_COME_BACK: sets and closes the event the request carried.
void AnswerComeBack(LPARAM lParam) noexcept;
