#include "ui/controls/ThemedButtonCtrl.h"

#include "framework/Dpi.h"
#include "framework/Handles.h"
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

void CThemedButtonCtrl::SetFace(HBITMAP face, int margin) noexcept {
    m_face = face;
    m_margin = margin;
    if (IsWindow()) Invalidate(TRUE);
}

void CThemedButtonCtrl::DrawItem(HDC dc, const NMCUSTOMDRAW& cd) {
    const Palette& colours = Colours();
    const bool highContrast = Look().HighContrast();
    const bool disabled = (cd.uItemState & CDIS_DISABLED) != 0, pressed = (cd.uItemState & CDIS_SELECTED) != 0;
    if (highContrast) {
        // System colours: the face, a frame, the text; inverted while pressed.
        FillSolidRect(dc, cd.rc, pressed ? colours.highlight : colours.buttonFace);
        vp::BrushHandle line(::CreateSolidBrush(colours.line));
        ::FrameRect(dc, &cd.rc, line.Get());
    } else if (m_face) {
        const RECT cell = StripCell(BitmapSize(m_face), kFaceCells, ButtonFaceCell(cd.uItemState));
        vp::MemoryDcHandle faceDc(::CreateCompatibleDC(dc));
        if (faceDc) {
            vp::SelectGuard select(faceDc.Get(), m_face);
            DrawNineGrid(dc, cd.rc, faceDc.Get(), cell, 255, m_margin, m_margin, m_margin, m_margin);
        }
    }
    // A disabled button keeps the normal cell, so it keeps the normal text colour too: the light
    // text of a hot button that went disabled under the mouse would vanish on that cell. In high
    // contrast only the pressed face is lit.
    const bool lit = !disabled && (pressed || (!highContrast && (cd.uItemState & CDIS_HOT)));
    DrawOwnText(dc, cd.rc, disabled ? colours.buttonTextOff : lit ? colours.buttonTextLit : colours.buttonText,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if (cd.uItemState & CDIS_FOCUS) {
        // The keyboard's place, inside the face's margin.
        RECT focus = cd.rc;
        ::InflateRect(&focus, -vp::ScaleForWindow(m_hWnd, 3), -vp::ScaleForWindow(m_hWnd, 3));
        ::SetTextColor(dc, colours.focusInk);
        ::SetBkColor(dc, colours.focusPaper);
        ::DrawFocusRect(dc, &focus);
    }
}
