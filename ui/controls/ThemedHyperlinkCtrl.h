#pragma once
// A push button drawn as a link: coloured text over its window's painted background, underlined while
// the mouse is over it (always in high contrast). Its parent must reflect WM_NOTIFY back to it.
#include <windows.h>

#include "framework/Handles.h"
#include "ui/controls/ThemedControl.h"

class CThemedHyperlinkCtrl : public CThemedControl {
public:
    CThemedHyperlinkCtrl() noexcept : CThemedControl(Drawing::CustomDraw) {}

    bool SubclassWindow(HWND hwnd) noexcept;

private:
    bool ProcessControlMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    void DrawItem(HDC dc, const NMCUSTOMDRAW& cd) override;

    vp::FontHandle m_underlined;  // owned copy of the font with an underline
};
