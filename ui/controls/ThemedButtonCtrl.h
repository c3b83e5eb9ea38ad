#pragma once
// A push button painted from a five-cell face strip (nine-grid stretched) over its window's painted
// background, through custom draw. Its parent must reflect WM_NOTIFY back to it.
#include <windows.h>
#include <commctrl.h>

#include "framework/Window.h"
#include "ui/controls/ThemedBackground.h"

// The face cell for a custom-draw item state: 3 normal, 1 hot, 4 pressed, 3 disabled (later rules win).
int ButtonFaceCell(UINT itemState) noexcept;
// The cell's rectangle in a strip of `cells` equal cells.
RECT StripCell(SIZE strip, int cells, int index) noexcept;

class CThemedButtonCtrl : public vp::CWindowImplBase {
public:
    static constexpr int kFaceCells = 5;

    bool SubclassWindow(HWND hwnd) noexcept;

    // face: borrowed; the dialog that loaded it deletes it after the button is gone.
    void SetFace(HBITMAP face, int left, int top, int right, int bottom) noexcept;
    void SetBackgroundWindow(HWND background) noexcept { m_background.SetWindow(background); }

    bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    LRESULT OnCustomDraw(NMCUSTOMDRAW& cd) noexcept;

    CThemedBackground m_background;
    HFONT m_font = nullptr;  // borrowed, from WM_SETFONT
    HBITMAP m_face = nullptr;
    int m_margins[4] = {8, 8, 8, 8};
    COLORREF m_normalText = RGB(0, 0, 0);
    COLORREF m_pressedText = RGB(255, 255, 255);
    COLORREF m_hotText = RGB(255, 255, 255);
};
