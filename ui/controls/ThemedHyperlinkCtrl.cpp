#include "ui/controls/ThemedHyperlinkCtrl.h"

bool CThemedHyperlinkCtrl::SubclassWindow(HWND hwnd) noexcept {
    if (!CThemedControl::SubclassWindow(hwnd)) return false;
    // Through the message, so the underlined copy of the current font exists from the start.
    SendMessage(WM_SETFONT, static_cast<WPARAM>(SendMessage(WM_GETFONT)), 0);
    return true;
}

bool CThemedHyperlinkCtrl::ProcessControlMessage(UINT msg, WPARAM wp, LPARAM, LRESULT&) {
    if (msg != WM_SETFONT) return false;
    m_underlined.Reset();
    LOGFONTW lf{};
    if (wp && ::GetObjectW(reinterpret_cast<HFONT>(wp), sizeof(lf), &lf)) {
        lf.lfUnderline = 1;
        m_underlined.Reset(::CreateFontIndirectW(&lf));
    }
    return false;  // the base keeps the font
}

void CThemedHyperlinkCtrl::DrawItem(HDC dc, const NMCUSTOMDRAW& cd) {
    const bool hot = (cd.uItemState & CDIS_HOT) != 0;
    if (cd.uItemState & CDIS_FOCUS) {
        RECT focus = cd.rc;
        ::DrawFocusRect(dc, &focus);
    }
    // High contrast: the window's text colour, always underlined, so the link reads in any scheme.
    const bool underline = (hot || Look().HighContrast()) && m_underlined;
    DrawOwnText(dc, cd.rc, hot ? Colours().linkHot : Colours().link, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX,
                underline ? m_underlined.Get() : nullptr);
}
