#pragma once
// A check box that draws its own glyph and text (standard drawing) over its window's painted
// background. Its parent must reflect WM_CTLCOLORSTATIC back to it.
#include <windows.h>

#include "framework/Window.h"
#include "ui/controls/ThemedBackground.h"

class CThemedCheckboxCtrl : public vp::CWindowImplBase {
public:
    static constexpr COLORREF kTextColor = RGB(0, 0, 0);
    static constexpr COLORREF kDisabledTextColor = RGB(40, 40, 40);

    bool SubclassWindow(HWND hwnd) noexcept;
    void SetBackgroundWindow(HWND background) noexcept { m_background.SetWindow(background); }

    bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    CThemedBackground m_background;
};
