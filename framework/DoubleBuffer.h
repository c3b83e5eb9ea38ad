#pragma once
// Flicker-free painting: the drawing goes into an off-screen bitmap that covers the area to paint, and
// reaches the target in one copy when the object goes out of scope. The viewport origin is moved so
// that the caller keeps drawing in the target's coordinates.
#include <windows.h>

#include "framework/Handles.h"

namespace vp {

class CMemoryDC {
public:
    CMemoryDC(HDC target, const RECT& area) noexcept;
    ~CMemoryDC();
    CMemoryDC(const CMemoryDC&) = delete;
    CMemoryDC& operator=(const CMemoryDC&) = delete;

    // The DC to draw into: the off-screen one, or the target itself when no bitmap could be had.
    HDC Get() const noexcept { return m_dc ? m_dc.Get() : m_target; }

private:
    HDC m_target;
    RECT m_area;
    MemoryDcHandle m_dc;
    BitmapHandle m_bitmap;
    HGDIOBJ m_oldBitmap = nullptr;
};

}  // namespace vp
