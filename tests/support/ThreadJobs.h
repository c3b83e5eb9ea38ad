#pragma once
// Work run on the thread that owns a window of this process, as that thread's own code: from a
// timer its message loop (or any modal loop on it) dispatches. What the work sends or opens then
// happens on that thread, as a click or a key would, and not as a message from another thread,
// which the program's windows refuse.
#include <windows.h>

#include <functional>

namespace testing_support {

// Runs the work there and returns once it has finished: false when it did not within the time.
bool RunOnThreadOf(HWND window, const std::function<void()>& work, DWORD timeoutMs = 10000);
// Starts the work there without waiting, for work that opens a modal box.
bool StartOnThreadOf(HWND window, const std::function<void()>& work);

// A message given to the window by its own thread: SendOwn returns the answer (0 when it could not
// be given in time); PostOwn returns at once.
LRESULT SendOwn(HWND window, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
void PostOwn(HWND window, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);

}  // namespace testing_support
