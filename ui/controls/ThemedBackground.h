#pragma once
// What a transparent control shows behind itself: the window whose painted background it borrows,
// and a brush holding that background for the control's current position and size.
#include <windows.h>

#include "framework/Handles.h"

class CThemedBackground {
public:
    HWND Window() const noexcept { return m_hWndBackground; }
    // A new background window invalidates the brush made from the old one.
    void SetWindow(HWND background) noexcept {
        m_hWndBackground = background;
        m_brush.Reset();
    }
    // The brush is valid only where it was made; moving or sizing the control drops it.
    void Forget() noexcept { m_brush.Reset(); }
    // Made on first use after a move or size, or after the thread's look changed.
    HBRUSH Brush(HWND control) noexcept;
    // Fills rc of the control's DC with the background (PatBlt, PATCOPY).
    void Fill(HWND control, HDC dc, const RECT& rc) noexcept;

private:
    HWND m_hWndBackground = nullptr;
    vp::BrushHandle m_brush;
    unsigned m_generation = 0;
};
