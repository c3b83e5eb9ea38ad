#include "ui/controls/ThemedButtonCtrl.h"

#include <iterator>

#include "framework/Handles.h"
#include "framework/Reflection.h"
#include "framework/Dpi.h"
#include "ui/Drawing.h"

int ButtonFaceCell(UINT itemState) noexcept {
    int cell = 3;
    if (itemState & CDIS_HOT) cell = 1;
    if (itemState & CDIS_SELECTED) cell = 4;
    if (itemState & CDIS_DISABLED) cell = 3;
    return cell;
}

RECT StripCell(SIZE strip, int cells, int index) noexcept {
    const LONG width = cells > 0 ? strip.cx / cells : 0;
    return RECT{index * width, 0, (index + 1) * width, strip.cy};
}

bool CThemedButtonCtrl::SubclassWindow(HWND hwnd) noexcept {
    if (!CWindowImplBase::SubclassWindow(hwnd)) return false;
    m_background.SetWindow(ChildOrOwnerBackgroundWindow(hwnd));
    m_normalText = RGB(0, 0, 0);
    m_pressedText = RGB(255, 255, 255);
    m_hotText = RGB(255, 255, 255);
    return true;
}

void CThemedButtonCtrl::SetFace(HBITMAP face, int left, int top, int right, int bottom) noexcept {
    m_face = face;
    m_margins[0] = left;
    m_margins[1] = top;
    m_margins[2] = right;
    m_margins[3] = bottom;
    if (IsWindow()) Invalidate(TRUE);
}

bool CThemedButtonCtrl::ProcessWindowMessage(HWND, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_MOVE:
    case WM_SIZE:
        m_background.Forget();
        result = 0;
        return true;
    case WM_SETFONT:
        m_font = reinterpret_cast<HFONT>(wp);
        return false;
    case vp::Reflected(WM_NOTIFY): {
        auto* hdr = reinterpret_cast<NMHDR*>(lp);
        if (!hdr || hdr->code != static_cast<UINT>(NM_CUSTOMDRAW)) return false;
        result = OnCustomDraw(*reinterpret_cast<NMCUSTOMDRAW*>(lp));
        return true;
    }
    }
    return false;
}

LRESULT CThemedButtonCtrl::OnCustomDraw(NMCUSTOMDRAW& cd) noexcept {
    if (cd.dwDrawStage == CDDS_PREPAINT) return CDRF_SKIPDEFAULT;
    if (cd.dwDrawStage != CDDS_PREERASE) return CDRF_DODEFAULT;

    HDC dc = cd.hdc;
    const bool highContrast = vp::HighContrastOn();
    if (highContrast) {
        // System colours: the face, a frame, the text; inverted while pressed.
        const bool pressed = (cd.uItemState & CDIS_SELECTED) != 0;
        FillSolidRect(dc, cd.rc, ::GetSysColor(pressed ? COLOR_HIGHLIGHT : COLOR_BTNFACE));
        vp::BrushHandle line(::CreateSolidBrush(::GetSysColor(COLOR_WINDOWTEXT)));
        ::FrameRect(dc, &cd.rc, line.Get());
    } else {
        m_background.Fill(m_hWnd, dc, cd.rc);
    }
    if (m_face && !highContrast) {
        const RECT cell = StripCell(BitmapSize(m_face), kFaceCells, ButtonFaceCell(cd.uItemState));
        vp::MemoryDcHandle faceDc(::CreateCompatibleDC(dc));
        if (faceDc) {
            vp::SelectGuard select(faceDc.Get(), m_face);
            DrawNineGrid(dc, cd.rc, faceDc.Get(), cell, 255, m_margins[0], m_margins[1], m_margins[2], m_margins[3]);
        }
    }
    wchar_t text[199] = L"";
    ::GetWindowTextW(m_hWnd, text, static_cast<int>(std::size(text)));
    vp::SelectGuard font(dc, m_font);  // without one, the font the button put into the DC stays
    ::SetBkMode(dc, TRANSPARENT);
    // A disabled button keeps the normal cell, so it keeps the normal text colour too: the light
    // text of a hot button that went disabled under the mouse would vanish on that cell.
    COLORREF colour = m_normalText;
    if (cd.uItemState & CDIS_DISABLED) {
        colour = m_normalText;
    } else if (cd.uItemState & CDIS_SELECTED) {
        colour = m_pressedText;
    } else if (cd.uItemState & CDIS_HOT) {
        colour = m_hotText;
    }
    if (highContrast) {
        colour = ::GetSysColor((cd.uItemState & CDIS_DISABLED) ? COLOR_GRAYTEXT
                               : (cd.uItemState & CDIS_SELECTED) ? COLOR_HIGHLIGHTTEXT
                                                                  : COLOR_BTNTEXT);
    }
    ::SetTextColor(dc, colour);
    RECT rc = cd.rc;
    ::DrawTextW(dc, text, -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if (cd.uItemState & CDIS_FOCUS) {
        // The keyboard's place, inside the face's margin.
        RECT focus = cd.rc;
        ::InflateRect(&focus, -vp::ScaleForWindow(m_hWnd, 3), -vp::ScaleForWindow(m_hWnd, 3));
        ::SetTextColor(dc, highContrast ? ::GetSysColor(COLOR_BTNTEXT) : RGB(0, 0, 0));
        ::SetBkColor(dc, highContrast ? ::GetSysColor(COLOR_BTNFACE) : RGB(255, 255, 255));
        ::DrawFocusRect(dc, &focus);
    }
    return CDRF_SKIPDEFAULT;
}
