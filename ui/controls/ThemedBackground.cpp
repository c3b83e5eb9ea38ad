#include "ui/controls/ThemedBackground.h"

#include "ui/Drawing.h"
#include "ui/Look.h"

HBRUSH CThemedBackground::Brush(HWND control) noexcept {
    const unsigned now = CLook::OfThisThread().Generation();
    if (m_brush && m_generation != now) m_brush.Reset();
    m_generation = now;
    if (!m_brush && m_hWndBackground) m_brush.Reset(MakeParentBackgroundBrush(control, m_hWndBackground));
    return m_brush.Get();
}

void CThemedBackground::Fill(HWND control, HDC dc, const RECT& rc) noexcept {
    HBRUSH brush = Brush(control);
    if (!brush) return;
    vp::SelectGuard select(dc, brush);
    ::PatBlt(dc, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, PATCOPY);
}
