#pragma once
#include <windows.h>

// Thread messages between the program's threads; wParam is always 0.
constexpr UINT WM_DESKTOP_SWITCH = WM_USER;      // lParam 1: password still to check, 0: authorised
constexpr UINT WM_APP_QUIT = WM_USER + 1;
constexpr UINT WM_ASK_PASSWORD = WM_USER + 2;
constexpr UINT WM_CHECK_UPDATE = WM_USER + 4;
