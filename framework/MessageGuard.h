#pragma once
// The program's windows obey their own controls and the person at them only. Any program of the
// session can send or post a window a message; what gives a command or changes what a control holds
// counts only when it comes from the window's own thread, from the person's input or the window's
// own controls, never from another thread or process.
#include <windows.h>

#include "framework/Handles.h"

namespace vp {

// Whether the message being handled was sent from another thread or process and its sender still
// waits. A message the window sends its own controls while it handles one from outside counts as
// from outside too, so a handler that does the program's own work on a message from outside (the
// tray's call, a change of the system's settings) replies to it first (ReplyMessage).
bool SentFromOtherThread() noexcept;
// Whether a message gives a command or changes what a control holds (its text, check, selection,
// hotkey, position), or is input that would.
bool ChangesControl(UINT msg) noexcept;
// A message a window of the program's own refuses: one that changes a control, sent from another
// thread or process.
inline bool RefusedFromOutside(UINT msg) noexcept { return ChangesControl(msg) && SentFromOtherThread(); }

// Refuses such messages at every control below root that is there now (a subclass of its own on
// each), so another program can neither type into a box nor press a button by message.
void GuardControls(HWND root) noexcept;

// The calling thread's filter of posted messages, for as long as the object lives: a command or a
// change posted to any of the thread's windows is dropped (the program's own controls never post
// one), and so is keyboard and mouse input posted rather than given, where the system tells the two
// apart. The popup menus of the thread take posted keys as before: a menu item is no more than the
// same command the program offers to anyone.
class CPostedMessageFilter {
public:
    CPostedMessageFilter() = default;
    CPostedMessageFilter(const CPostedMessageFilter&) = delete;
    CPostedMessageFilter& operator=(const CPostedMessageFilter&) = delete;
    ~CPostedMessageFilter();

    // False when the hook could not be set: the thread then takes posted messages as they come.
    bool Install() noexcept;

private:
    static LRESULT CALLBACK FilterProc(int code, WPARAM wp, LPARAM lp) noexcept;

    HookHandle m_hook;
};

}  // namespace vp
