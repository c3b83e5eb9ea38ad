#include "ui/controls/EditBrowserCtrl.h"

#include <utility>

#include "framework/Handles.h"
#include "ui/Drawing.h"
#include "ui/Look.h"

RECT BrowseButtonRect(const RECT& window, RECT& client, int width) noexcept {
    const int w = width == -1 ? (client.bottom - client.top) * 8 / 10 : width;
    const LONG oldRight = client.right;
    client.right -= w;
    RECT button{client.right, client.top, oldRight, client.bottom};
    ::OffsetRect(&button, -window.left, -window.top);
    if (button.left > button.right) std::swap(button.left, button.right);
    if (button.top > button.bottom) std::swap(button.top, button.bottom);
    button.top -= 1;
    button.right += 1;
    button.bottom += 1;
    return button;
}

void BrowseArrowPoints(int w, int h, POINT (&points)[3]) noexcept {
    const int mid = h / 2 - 2;
    const int x = static_cast<int>(0.4 * w), y = static_cast<int>(0.35 * h);
    points[0] = POINT{x, y};
    points[1] = POINT{x, h - y};
    points[2] = POINT{w - x, mid + 2};
}

bool CEditBrowserCtrl::SubclassWindow(HWND hwnd) noexcept {
    if (!CWindowImplBase::SubclassWindow(hwnd)) return false;
    RECT rc{};
    GetWindowRect(&rc);
    ::MapWindowPoints(nullptr, GetParent(), reinterpret_cast<POINT*>(&rc), 2);
    ::SetWindowPos(hwnd, nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                   SWP_FRAMECHANGED | SWP_NOZORDER | SWP_NOACTIVATE);
    return true;
}

bool CEditBrowserCtrl::HitButton(POINT screen) const noexcept {
    RECT window{};
    ::GetWindowRect(m_hWnd, &window);
    const POINT local{screen.x - window.left, screen.y - window.top};
    return ::PtInRect(&m_rcButton, local) != FALSE;
}

bool CEditBrowserCtrl::ProcessWindowMessage(HWND, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_NCCALCSIZE: {
        // The window's rectangle as it will be, taken before default processing replaces it.
        RECT* rects = wp ? reinterpret_cast<NCCALCSIZE_PARAMS*>(lp)->rgrc : reinterpret_cast<RECT*>(lp);
        const RECT window = rects[0];
        result = DefWindowProc(msg, wp, lp);
        m_rcButton = BrowseButtonRect(window, rects[0], m_nButtonWidth);
        return true;
    }
    case WM_NCPAINT:
        result = DefWindowProc(msg, wp, lp);
        DrawButton(kNormal);
        return true;
    case WM_PRINT:
        result = DefWindowProc(msg, wp, lp);
        if (lp & PRF_NONCLIENT) DrawButton(reinterpret_cast<HDC>(wp), m_bPressed ? kPressed : kNormal);
        return true;
    case WM_NCHITTEST:
        result = DefWindowProc(msg, wp, lp);
        if (result == HTNOWHERE &&
            HitButton(POINT{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))})) {
            result = HTBORDER;
        }
        return true;
    case WM_NCLBUTTONDOWN:
        result = DefWindowProc(msg, wp, lp);
        // A disabled edit takes no press, however the message arrived.
        if (IsWindowEnabled() && HitButton(POINT{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))})) {
            ::SetFocus(m_hWnd);
            ::SetCapture(m_hWnd);
            m_bPressed = true;
            DrawButton(kPressed);
        }
        return true;
    case WM_LBUTTONUP:
        result = DefWindowProc(msg, wp, lp);
        if (m_bPressed) {
            m_bPressed = false;
            ::ReleaseCapture();
            DrawButton(kNormal);
            POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
            ::ClientToScreen(m_hWnd, &pt);
            if (HitButton(pt)) ::SendMessageW(GetParent(), WM_EDITBROWSER_CLICK, reinterpret_cast<WPARAM>(m_hWnd), 0);
        }
        return true;
    case WM_CAPTURECHANGED:
        // Capture taken away mid-press: the press is over without a click.
        if (m_bPressed && reinterpret_cast<HWND>(lp) != m_hWnd) {
            m_bPressed = false;
            DrawButton(kNormal);
        }
        return false;
    }
    return false;
}

void CEditBrowserCtrl::DrawButton(int state) noexcept {
    HDC dc = ::GetWindowDC(m_hWnd);
    if (!dc) return;
    DrawButton(dc, state);
    ::ReleaseDC(m_hWnd, dc);
}

void CEditBrowserCtrl::DrawButton(HDC windowDc, int state) noexcept {
    const int w = m_rcButton.right - m_rcButton.left, h = m_rcButton.bottom - m_rcButton.top;
    if (w < 3 || h < 3) return;
    if ((GetStyle() & WS_DISABLED) || !IsWindowEnabled()) state = kDisabled;

    vp::MemoryDcHandle mem(::CreateCompatibleDC(windowDc));
    vp::BitmapHandle bitmap(::CreateCompatibleBitmap(windowDc, w, h));
    if (!mem || !bitmap) return;
    vp::SelectGuard selectBitmap(mem.Get(), bitmap.Get());
    HDC dc = mem.Get();
    const RECT local{0, 0, w, h};
    const int mid = h / 2 - 2;

    const Palette& colours = CLook::OfThisThread().Colours();
    if (state == kDisabled) {
        FillSolidRect(dc, local, colours.browseOff);
    } else {
        const COLORREF(&k)[4] = colours.browse[state == kPressed ? 1 : 0];
        auto vertex = [](int x, int y, COLORREF c) {
            return TRIVERTEX{x, y, static_cast<COLOR16>(GetRValue(c) << 8), static_cast<COLOR16>(GetGValue(c) << 8),
                             static_cast<COLOR16>(GetBValue(c) << 8), 0xFF00};
        };
        TRIVERTEX top[2] = {vertex(0, 0, k[0]), vertex(w, mid, k[1])};
        TRIVERTEX bottom[2] = {vertex(0, mid, k[2]), vertex(w, h, k[3])};
        GRADIENT_RECT span{0, 1};
        ::GradientFill(dc, top, 2, &span, 1, GRADIENT_FILL_RECT_V);
        ::GradientFill(dc, bottom, 2, &span, 1, GRADIENT_FILL_RECT_V);
        FillSolidRect(dc, RECT{0, 0, 1, h}, colours.browseEdge);

        POINT arrow[3];
        BrowseArrowPoints(w, h, arrow);
        vp::PenHandle pen(::CreatePen(PS_SOLID, 1, colours.browseArrow));
        vp::BrushHandle brush(::CreateSolidBrush(colours.browseArrow));
        vp::SelectGuard selectPen(dc, pen.Get());
        vp::SelectGuard selectBrush(dc, brush.Get());
        ::Polygon(dc, arrow, 3);
    }
    ::BitBlt(windowDc, m_rcButton.left, m_rcButton.top, w, h, dc, 0, 0, SRCCOPY);
}
