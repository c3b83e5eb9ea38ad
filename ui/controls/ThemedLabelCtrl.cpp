#include "ui/controls/ThemedLabelCtrl.h"

void CThemedLabelCtrl::SetLabelColor(COLORREF Palette::*colour) noexcept {
    m_colour = colour;
    if (IsWindow()) Invalidate(TRUE);
}

void CThemedLabelCtrl::SetTextFormat(UINT format) noexcept {
    m_format = format;
    if (IsWindow()) Invalidate(TRUE);
}

bool CThemedLabelCtrl::ProcessControlMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg != WM_SETTEXT) return false;
    result = DefWindowProc(msg, wp, lp);
    // Shown at once, not at the next idle paint: labels report live values.
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    return true;
}

void CThemedLabelCtrl::Draw(HDC dc, const RECT& rc) { DrawOwnText(dc, rc, Colours().*m_colour, m_format); }
