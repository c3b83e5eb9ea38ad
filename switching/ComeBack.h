#pragma once
// Quit and the end of the session come back first: the hook thread, which owns the desktops and every
// write of the program's changes, is asked to bring the screen back to the original desktop (by the
// one rule of switching/WayBack.h) and to undo the program's recorded changes before anything else
// ends.
#include <windows.h>

#include "switching/ThreadMail.h"

enum class ComeBackKind {
    Screen,    // the screen back (by the rule), and the changes undone
    UndoOnly,  // the changes undone; the screen stays where it is (the session ends)
};

// Asks the hook thread through its mail and waits for it. Nobody else moves the screen or writes the
// policy while the hook thread lives: one that does not answer in time (busy in a long action) is
// left to finish, and what it leaves undone when the process ends is done by the guard, once no
// thread of the program runs. Returns whether the hook thread answered; false at once when there is
// no hook thread (hookRuns false: it never started).
bool ComeBackAndUndo(vp::CMailbox<HookRequest>& hook, bool hookRuns, DWORD timeoutMs, ComeBackKind kind = ComeBackKind::Screen);
