#pragma once
// A push button painted from a five-cell face strip (nine-grid stretched) over its window's painted
// background, through custom draw. Its parent must reflect WM_NOTIFY back to it.
#include <windows.h>

#include "ui/controls/ThemedControl.h"

// The face cell for a custom-draw item state: 3 normal, 1 hot, 4 pressed, 3 disabled (later rules win).
int ButtonFaceCell(UINT itemState) noexcept;
// The cell's rectangle in a strip of `cells` equal cells.
RECT StripCell(SIZE strip, int cells, int index) noexcept;

class CThemedButtonCtrl : public CThemedControl {
public:
    static constexpr int kFaceCells = 5;

    CThemedButtonCtrl() noexcept : CThemedControl(Drawing::CustomDraw) {}

    // face: borrowed; the dialog that loaded it deletes it after the button is gone.
    void SetFace(HBITMAP face, int margin) noexcept;

private:
    void DrawItem(HDC dc, const NMCUSTOMDRAW& cd) override;

    HBITMAP m_face = nullptr;
    int m_margin = 8;
};
