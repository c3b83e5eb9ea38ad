#pragma once
// A check box that draws its own glyph and text (standard drawing) over its window's painted
// background, in the look's text colours. Its parent must reflect WM_CTLCOLORSTATIC back to it.
#include <windows.h>

#include "ui/controls/ThemedControl.h"

class CThemedCheckboxCtrl : public CThemedControl {
public:
    CThemedCheckboxCtrl() noexcept : CThemedControl(Drawing::System) {}

private:
    bool ProcessControlMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
};
