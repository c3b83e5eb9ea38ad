#pragma once
// Drawing routines shared by the themed controls, the tab bar, the navigation panel and the dialogs:
// PNG artwork from the resources, transparent-looking backgrounds, nine-grid stretching.
#include <windows.h>

// Decodes a PNG into a 32-bit bitmap with per-pixel alpha, ready for AlphaBlend with AC_SRC_ALPHA.
// name: a resource id (MAKEINTRESOURCE) of the given type ("PNG" throughout the program), or a file
// path when it is a string. Starts GDI+ once per process on the first call. The caller owns the
// result; nullptr when the resource is missing or cannot be decoded.
HBITMAP LoadPngBitmap(const wchar_t* name, const wchar_t* type = L"PNG") noexcept;
inline HBITMAP LoadPngBitmap(UINT id) noexcept { return LoadPngBitmap(MAKEINTRESOURCEW(id), L"PNG"); }

// The artwork id (its 100 % image) for a DPI: the nearest image drawn at or above the DPI's scale
// (100, 125, 150, 200 %), scaled down with a high-quality filter when the DPI lies between two of
// them, so that it comes out cells x Scale(cell width) by Scale(height) pixels. Nothing is stretched
// up except above 200 %, where the 200 % image is the largest there is. cells: how many equal cells
// of a strip lie side by side (each is resampled on its own, so none bleeds into its neighbour).
HBITMAP LoadPngBitmapForDpi(UINT id, UINT dpi, int cells = 1) noexcept;
// The resource id of the image drawn for a DPI (at or above it) and that image's DPI.
UINT ArtworkIdForDpi(UINT id, UINT dpi, UINT* drawnDpi = nullptr) noexcept;

// A pattern brush holding what the background window paints behind the control, so that filling the
// control's client area with it makes the control look transparent. The background window must paint
// its whole background on WM_ERASEBKGND and WM_PRINTCLIENT into any DC. The caller owns the brush.
HBRUSH MakeParentBackgroundBrush(HWND control, HWND background) noexcept;

// The nine parts of a nine-grid copy: corners keep the margins' size, edges stretch along one axis,
// the centre along both. Parts that come out empty are left empty.
struct NineGridPart {
    RECT dst;
    RECT src;
};
void NineGridParts(const RECT& dst, const RECT& src, int left, int top, int right, int bottom,
                   NineGridPart (&parts)[9]) noexcept;

// Draws src (a region of srcDc) into dst with nine AlphaBlend calls (per-pixel alpha and the given
// constant alpha), keeping the margins unscaled.
void DrawNineGrid(HDC dstDc, const RECT& dst, HDC srcDc, const RECT& src, BYTE alpha, int left, int top, int right,
                  int bottom) noexcept;

void FillSolidRect(HDC dc, const RECT& rc, COLORREF colour) noexcept;

// AlphaBlend of a whole bitmap (or a region of it) into a destination rectangle, stretched.
void AlphaBlendBitmap(HDC dstDc, const RECT& dst, HBITMAP bitmap, const RECT& src, BYTE alpha = 255) noexcept;

SIZE BitmapSize(HBITMAP bitmap) noexcept;

// Paints a window's whole client area with the background artwork stretched to fit, smoothly; with
// no artwork, in the button face colour.
void PaintStretchedBackground(HWND window, HDC dc, HBITMAP background) noexcept;

// The window the transparent controls show behind themselves: the top-level window above the control,
// GetParent climbed until there is none.
HWND TopLevelBackgroundWindow(HWND control) noexcept;

// The message font for a window's DPI.
bool GetMessageFontForDpi(LOGFONTW& font, UINT dpi) noexcept;
// A font height grown in magnitude: positive heights get larger, zero and negative ones more negative.
inline LONG GrowFontHeight(LONG height, LONG by) noexcept { return height > 0 ? height + by : height - by; }

