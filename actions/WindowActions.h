#pragma once
// Closing windows by title and ending processes by name: the steps behind the two actions, open to
// tests and to the process picker's neighbours.
#include <windows.h>

namespace vp {

constexpr DWORD kWindowCloseWaitMs = 300;   // a window gets this long to go after WM_CLOSE
constexpr DWORD kProcessExitWaitMs = 500;   // a process gets this long after its windows were asked

// Whether a window text names a window to close: the configured text appears in it, exactly as
// written (case-sensitive). An empty text matches nothing.
bool TitleMatches(const wchar_t* windowText, const wchar_t* title) noexcept;

// Asks the window to close, gives it kWindowCloseWaitMs and, if it is still there, closes or ends
// its process. Always returns 1.
int CloseWindowThenProcess(HWND window) noexcept;

// Posts WM_CLOSE to every top-level window of the process on any desktop of the window station, waits up to timeoutMs for it to end and
// terminates it with exit code 0 otherwise. Returns 0 when it could not be opened or terminated, 1
// when it exited by itself, 2 when it was terminated. This program's own process is never touched.
int CloseOrTerminateProcess(DWORD processId, DWORD timeoutMs) noexcept;

}  // namespace vp
