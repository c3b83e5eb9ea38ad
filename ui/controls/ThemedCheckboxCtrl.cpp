#include "ui/controls/ThemedCheckboxCtrl.h"

#include "framework/Reflection.h"
#include "framework/Dpi.h"
#include "ui/Drawing.h"

bool CThemedCheckboxCtrl::SubclassWindow(HWND hwnd) noexcept {
    if (!CWindowImplBase::SubclassWindow(hwnd)) return false;
    m_background.SetWindow(ChildOrOwnerBackgroundWindow(hwnd));
    return true;
}

bool CThemedCheckboxCtrl::ProcessWindowMessage(HWND, UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
    switch (msg) {
    case WM_MOVE:
    case WM_SIZE:
        m_background.Forget();
        result = 0;
        return true;
    case vp::Reflected(WM_CTLCOLORSTATIC): {
        HDC dc = reinterpret_cast<HDC>(wp);
        HBRUSH brush = m_background.Brush(m_hWnd);
        ::SetBkMode(dc, TRANSPARENT);
        if (vp::HighContrastOn()) {
            ::SetTextColor(dc, ::GetSysColor(IsWindowEnabled() ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
        } else {
            ::SetTextColor(dc, IsWindowEnabled() ? kTextColor : kDisabledTextColor);
        }
        result = reinterpret_cast<LRESULT>(brush);
        return true;
    }
    }
    return false;
}
