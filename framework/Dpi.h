#pragma once
// Display scale: the DPI of a window and pixel sizes worked out from it. The functions of newer
// systems (GetDpiForWindow, GetSystemMetricsForDpi, AdjustWindowRectExForDpi, ...) are looked up in
// user32 at run time; where a system lacks them, the system DPI stands in.
//
// A top-level window may carry its DPI as a window property (SetWindowDpi), set when it handles
// WM_DPICHANGED: from then on WindowDpi answers that for the window and all its children, so a
// window laid out for a new DPI and the DPI its pieces read never disagree.
#include <windows.h>

// The DPI messages, named here for builds that target systems older than the ones that send them.
#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif
#ifndef WM_DPICHANGED_BEFOREPARENT
#define WM_DPICHANGED_BEFOREPARENT 0x02E2
#endif
#ifndef WM_DPICHANGED_AFTERPARENT
#define WM_DPICHANGED_AFTERPARENT 0x02E3
#endif

namespace vp {

constexpr UINT kDefaultDpi = 96;

// The system DPI (the primary monitor's at sign-in): LOGPIXELSY of the screen.
UINT SystemDpi() noexcept;
// The DPI the window is drawn for: its top-level window's recorded DPI, else GetDpiForWindow,
// else the system DPI.
UINT WindowDpi(HWND hwnd) noexcept;
// Records the DPI on a top-level window (the one WindowDpi then reads for it and its children).
void SetWindowDpi(HWND topLevel, UINT dpi) noexcept;

// px at 96 DPI scaled to dpi, rounded to the nearest pixel (MulDiv).
inline int ScaleForDpi(int px, UINT dpi) noexcept { return ::MulDiv(px, static_cast<int>(dpi), kDefaultDpi); }
// A pixel size of the window's own: px at 96 DPI, scaled to the window's DPI.
inline int ScaleForWindow(HWND hwnd, int px) noexcept { return ScaleForDpi(px, WindowDpi(hwnd)); }

// GetSystemMetricsForDpi where the system has it, else the system value rescaled from the system DPI.
int SystemMetricForDpi(int index, UINT dpi) noexcept;
// AdjustWindowRectExForDpi where the system has it, else AdjustWindowRectEx (the system DPI's frame).
BOOL AdjustWindowRectForDpi(RECT* rc, DWORD style, BOOL menu, DWORD exStyle, UINT dpi) noexcept;
// The non-client metrics for a DPI: SystemParametersInfoForDpi where it exists, else the system's
// with the fonts' heights rescaled from the system DPI.
bool NonClientMetricsForDpi(NONCLIENTMETRICSW& metrics, UINT dpi) noexcept;

// The work area of the monitor the window is on (or nearest to).
RECT WorkAreaFor(HWND hwnd) noexcept;
// Moves a top-level window (without sizing it) so that as much of it as possible lies in the work
// area of its monitor: its top-left corner never leaves the area.
void KeepInWorkArea(HWND hwnd) noexcept;

// Turns off the system's own re-layout of a dialog on a DPI change (Windows 10 1703 and later; a
// no-op elsewhere): the program lays its dialogs out itself, with its own fonts.
void TakeOverDialogDpiScaling(HWND dialog) noexcept;

// Moves and sizes every child window of parent from oldDpi to newDpi: positions relative to the
// parent's client area and sizes, both rounded. The children's own children are theirs to lay out.
void ScaleChildWindows(HWND parent, UINT oldDpi, UINT newDpi) noexcept;

// Whether high contrast is on (SPI_GETHIGHCONTRAST); a test may force it either way.
bool HighContrastOn() noexcept;
// -1: ask the system; 0 or 1: the answer tests see.
void ForceHighContrastForTest(int on) noexcept;

}  // namespace vp
