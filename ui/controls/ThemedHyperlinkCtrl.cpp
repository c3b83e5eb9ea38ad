#include "ui/controls/ThemedHyperlinkCtrl.h"

#include <iterator>

#include "framework/Reflection.h"
#include "framework/Dpi.h"
#include "ui/Drawing.h"

bool CThemedHyperlinkCtrl::SubclassWindow(HWND hwnd) noexcept {
    if (!CWindowImplBase::SubclassWindow(hwnd)) return false;
    m_background.SetWindow(TopLevelBackgroundWindow(hwnd));
    // Through the message, so the underlined copy of the current font exists from the start.
    SendMessage(WM_SETFONT, static_cast<WPARAM>(SendMessage(WM_GETFONT)), 0);
    return true;
}

bool CThemedHyperlinkCtrl::ProcessWindowMessage(HWND, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_SETFONT: {
        m_font = reinterpret_cast<HFONT>(wp);
        m_underlined.Reset();
        LOGFONTW lf{};
        if (m_font && ::GetObjectW(m_font, sizeof(lf), &lf)) {
            lf.lfUnderline = 1;
            m_underlined.Reset(::CreateFontIndirectW(&lf));
        }
        return false;
    }
    case WM_MOVE:
    case WM_SIZE:
        m_background.Forget();
        result = 0;
        return true;
    case vp::Reflected(WM_NOTIFY): {
        auto* hdr = reinterpret_cast<NMHDR*>(lp);
        if (!hdr || hdr->code != static_cast<UINT>(NM_CUSTOMDRAW)) return false;
        result = OnCustomDraw(*reinterpret_cast<NMCUSTOMDRAW*>(lp));
        return true;
    }
    }
    return false;
}

LRESULT CThemedHyperlinkCtrl::OnCustomDraw(NMCUSTOMDRAW& cd) noexcept {
    if (cd.dwDrawStage == CDDS_PREPAINT) return CDRF_SKIPDEFAULT;
    if (cd.dwDrawStage != CDDS_PREERASE) return CDRF_DODEFAULT;
    HDC dc = cd.hdc;
    m_background.Fill(m_hWnd, dc, cd.rc);
    wchar_t text[199] = L"";
    ::GetWindowTextW(m_hWnd, text, static_cast<int>(std::size(text)));
    const bool hot = (cd.uItemState & CDIS_HOT) != 0;
    // High contrast: the window's text colour, always underlined, so the link reads in any scheme.
    const bool highContrast = vp::HighContrastOn();
    vp::SelectGuard font(dc, (hot || highContrast) && m_underlined ? m_underlined.Get() : m_font);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, highContrast ? ::GetSysColor(COLOR_WINDOWTEXT) : hot ? m_hot : m_normal);
    if (cd.uItemState & CDIS_FOCUS) {
        RECT focus = cd.rc;
        ::DrawFocusRect(dc, &focus);
    }
    RECT rc = cd.rc;
    ::DrawTextW(dc, text, -1, &rc, m_format);
    return CDRF_SKIPDEFAULT;
}
