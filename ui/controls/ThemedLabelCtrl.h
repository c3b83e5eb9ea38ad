#pragma once
// A static text that shows its window's painted background around its text.
#include <windows.h>

#include "ui/controls/ThemedControl.h"

class CThemedLabelCtrl : public CThemedControl {
public:
    CThemedLabelCtrl() noexcept : CThemedControl(Drawing::Paint) {}

    // The colour of the look the text takes (the text colour until told otherwise).
    void SetLabelColor(COLORREF Palette::*colour) noexcept;
    void SetTextFormat(UINT format) noexcept;

private:
    bool ProcessControlMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    void Draw(HDC dc, const RECT& rc) override;

    COLORREF Palette::*m_colour = &Palette::text;
    UINT m_format = DT_SINGLELINE | DT_NOPREFIX;
};
