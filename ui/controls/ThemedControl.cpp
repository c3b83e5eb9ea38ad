#include "ui/controls/ThemedControl.h"

#include <iterator>

#include "framework/Dpi.h"
#include "framework/Reflection.h"
#include "ui/Drawing.h"

bool CThemedControl::SubclassWindow(HWND hwnd) noexcept {
    if (!CWindowImplBase::SubclassWindow(hwnd)) return false;
    m_background.SetWindow(TopLevelBackgroundWindow(hwnd));
    m_font = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
    Invalidate(TRUE);
    return true;
}

bool CThemedControl::ProcessWindowMessage(HWND, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (ProcessControlMessage(msg, wp, lp, result)) return true;
    switch (msg) {
    case WM_MOVE:
    case WM_SIZE:
        m_background.Forget();
        Invalidate(TRUE);
        result = 0;
        return true;
    case WM_SETFONT:
        m_font = reinterpret_cast<HFONT>(wp);
        return false;  // the control keeps it too
    case WM_THEMECHANGED:
    case WM_DPICHANGED_AFTERPARENT:
        ReloadArtwork();
        Invalidate(TRUE);
        return false;
    }
    if (m_drawing == Drawing::Paint) {
        switch (msg) {
        case WM_ERASEBKGND:
            result = 1;  // the paint fills the whole client area
            return true;
        case WM_PAINT:
        case WM_PRINTCLIENT:
            return vp::PaintOrPrint(m_hWnd, msg, wp, result, [this](HDC dc) {
                RECT rc{};
                GetClientRect(&rc);
                m_background.Fill(m_hWnd, dc, rc);
                Draw(dc, rc);
            });
        }
    }
    if (m_drawing == Drawing::CustomDraw && msg == vp::Reflected(WM_NOTIFY)) {
        auto* cd = reinterpret_cast<NMCUSTOMDRAW*>(lp);
        if (!cd || cd->hdr.code != static_cast<UINT>(NM_CUSTOMDRAW)) return false;
        if (cd->dwDrawStage == CDDS_PREERASE) {
            m_background.Fill(m_hWnd, cd->hdc, cd->rc);
            DrawItem(cd->hdc, *cd);
        }
        result = cd->dwDrawStage == CDDS_PREPAINT || cd->dwDrawStage == CDDS_PREERASE ? CDRF_SKIPDEFAULT : CDRF_DODEFAULT;
        return true;
    }
    return false;
}

void CThemedControl::DrawOwnText(HDC dc, RECT rc, COLORREF colour, UINT format, HFONT font) const noexcept {
    wchar_t text[599] = L"";
    ::GetWindowTextW(m_hWnd, text, static_cast<int>(std::size(text)));
    vp::SelectGuard select(dc, font ? font : m_font);  // without one, the font in the DC stays
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, colour);
    ::DrawTextW(dc, text, -1, &rc, format);
}
