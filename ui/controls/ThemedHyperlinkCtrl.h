#pragma once
// A push button drawn as a link: coloured text over its window's painted background, underlined while
// the mouse is over it. Its parent must reflect WM_NOTIFY back to it.
#include <windows.h>
#include <commctrl.h>

#include "framework/Handles.h"
#include "framework/Window.h"
#include "ui/controls/ThemedBackground.h"

class CThemedHyperlinkCtrl : public vp::CWindowImplBase {
public:
    static constexpr COLORREF kNormalColor = RGB(40, 90, 200);
    static constexpr COLORREF kHotColor = RGB(60, 120, 220);

    bool SubclassWindow(HWND hwnd) noexcept;
    void SetBackgroundWindow(HWND background) noexcept { m_background.SetWindow(background); }
    HFONT UnderlinedFont() const noexcept { return m_underlined.Get(); }

    bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    LRESULT OnCustomDraw(NMCUSTOMDRAW& cd) noexcept;

    CThemedBackground m_background;
    HFONT m_font = nullptr;      // borrowed, from WM_SETFONT
    vp::FontHandle m_underlined;  // owned copy of m_font with an underline
    COLORREF m_normal = kNormalColor;
    COLORREF m_hot = kHotColor;
    UINT m_format = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;
};
