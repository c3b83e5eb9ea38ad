#pragma once
// A static text that shows its window's painted background around its text.
#include <windows.h>

#include "framework/Window.h"
#include "ui/controls/ThemedBackground.h"

class CThemedLabelCtrl : public vp::CWindowImplBase {
public:
    // Takes over a static control of a dialog: background = the top-level window above it, font = the
    // parent's font, colour black, format DT_SINGLELINE | DT_NOPREFIX.
    bool SubclassWindow(HWND hwnd) noexcept;

    void SetLabelColor(COLORREF colour) noexcept;
    void SetTextFormat(UINT format) noexcept;
    void SetBackgroundWindow(HWND background) noexcept { m_background.SetWindow(background); }

    bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    void Draw(HDC dc) noexcept;

    CThemedBackground m_background;
    HFONT m_font = nullptr;  // borrowed: the parent's or whatever WM_SETFONT brings
    COLORREF m_colour = RGB(0, 0, 0);
    UINT m_format = DT_SINGLELINE | DT_NOPREFIX;
};
