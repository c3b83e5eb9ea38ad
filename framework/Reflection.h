#pragma once
// Notification reflection: a parent hands the notifications of a child control back to that control,
// as the same message number plus 0x2000, so a control can draw and colour itself without its
// parent knowing how.
#include <windows.h>

namespace vp {

constexpr UINT kReflectBase = WM_USER + 0x1C00;  // 0x2000
// The number a reflected message arrives under at the control (WM_NOTIFY -> 0x204E).
constexpr UINT Reflected(UINT msg) noexcept { return kReflectBase + msg; }

// The child control a parent's message is about, or nullptr when the message names none (a menu
// command, an accelerator, a notification from the window itself).
HWND ReflectionTarget(HWND parent, UINT msg, WPARAM wp, LPARAM lp) noexcept;

// Sends WM_COMMAND, WM_NOTIFY, WM_PARENTNOTIFY, WM_DRAWITEM, WM_MEASUREITEM, WM_COMPAREITEM,
// WM_DELETEITEM, WM_VKEYTOITEM, WM_CHARTOITEM, WM_HSCROLL, WM_VSCROLL and the WM_CTLCOLOR messages on to
// the control they concern. True, with the control's answer in result, when there was such a control.
bool ReflectNotifications(HWND parent, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) noexcept;

}  // namespace vp
