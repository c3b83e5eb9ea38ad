#include "ui/controls/ThemedCheckboxCtrl.h"

#include "framework/Reflection.h"

bool CThemedCheckboxCtrl::ProcessControlMessage(UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
    if (msg != vp::Reflected(WM_CTLCOLORSTATIC)) return false;
    HDC dc = reinterpret_cast<HDC>(wp);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, IsWindowEnabled() ? Colours().text : Colours().disabledText);
    result = reinterpret_cast<LRESULT>(m_background.Brush(m_hWnd));
    return true;
}
