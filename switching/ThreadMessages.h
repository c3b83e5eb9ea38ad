#pragma once
// The messages between the program's threads and what they carry. Posted with PostThreadMessageW,
// which reaches a thread of this process on any desktop. Mail for the ui thread goes to its notice
// window instead (framework/Notice.h), so a modal loop there delivers it too.
#include <windows.h>

// To the hook thread, the password threads and the check thread.
constexpr UINT WM_DESKTOP_SWITCH = WM_USER;      // lParam 1: password still to check, 0: authorised
constexpr UINT WM_APP_QUIT = WM_USER + 1;
constexpr UINT WM_ASK_PASSWORD = WM_USER + 2;
constexpr UINT WM_CHECK_UPDATE = WM_USER + 4;

// wParam of WM_DESKTOP_SWITCH: the desktop on which the request was given, so the switch goes away
// from it whatever the switcher last knew. 0 (every other message's wParam) says nothing: the
// switcher's own record of the showing desktop decides.
constexpr WPARAM kGivenOnOriginal = 1;
constexpr WPARAM kGivenOnVirtual = 2;

// To the hook thread: an action setting changed, or the default playback device did; it makes
// ready what the enabled actions need, so the next switch only uses it.
constexpr UINT WM_ACTIONS_CHANGED = WM_USER + 5;
// To the hook thread: come back to the original desktop and undo the recorded changes, now (wParam
// kComeBackScreen), or only undo them and leave the screen as it is (kComeBackUndoOnly). lParam: an
// event handle that the hook thread sets and closes when done (0 for none).
constexpr UINT WM_COME_BACK = WM_USER + 8;
constexpr WPARAM kComeBackScreen = 0;
constexpr WPARAM kComeBackUndoOnly = 1;

// Notice mail for the ui thread: wrong passwords were typed before the last correct one; the notice
// is pending (failed_attempts::TakePendingNotice).
constexpr UINT kPasswordNoticeMail = 1;
