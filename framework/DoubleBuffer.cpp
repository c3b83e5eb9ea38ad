#include "framework/DoubleBuffer.h"

namespace vp {

CMemoryDC::CMemoryDC(HDC target, const RECT& area) noexcept : m_target(target), m_area(area) {
    const int w = area.right - area.left, h = area.bottom - area.top;
    if (w <= 0 || h <= 0) return;
    m_dc.Reset(::CreateCompatibleDC(target));
    m_bitmap.Reset(::CreateCompatibleBitmap(target, w, h));
    if (!m_dc || !m_bitmap) {
        m_dc.Reset();
        m_bitmap.Reset();
        return;
    }
    m_oldBitmap = ::SelectObject(m_dc.Get(), m_bitmap.Get());
    ::SetViewportOrgEx(m_dc.Get(), -area.left, -area.top, nullptr);
    // Pattern brushes (the transparent backgrounds) line up with the target's client origin too.
    ::SetBrushOrgEx(m_dc.Get(), -area.left, -area.top, nullptr);
}

CMemoryDC::~CMemoryDC() {
    if (!m_dc) return;
    ::BitBlt(m_target, m_area.left, m_area.top, m_area.right - m_area.left, m_area.bottom - m_area.top, m_dc.Get(),
             m_area.left, m_area.top, SRCCOPY);
    ::SelectObject(m_dc.Get(), m_oldBitmap);
}

}  // namespace vp
