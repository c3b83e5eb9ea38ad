#include "ui/controls/ThemedLabelCtrl.h"

#include <iterator>

#include "framework/Dpi.h"
#include "ui/Drawing.h"

bool CThemedLabelCtrl::SubclassWindow(HWND hwnd) noexcept {
    if (!CWindowImplBase::SubclassWindow(hwnd)) return false;
    m_background.SetWindow(TopLevelBackgroundWindow(hwnd));
    m_format = DT_SINGLELINE | DT_NOPREFIX;
    m_font = reinterpret_cast<HFONT>(::SendMessageW(::GetParent(hwnd), WM_GETFONT, 0, 0));
    m_colour = RGB(0, 0, 0);
    return true;
}

void CThemedLabelCtrl::SetLabelColor(COLORREF colour) noexcept {
    m_colour = colour;
    if (IsWindow()) Invalidate(TRUE);
}

void CThemedLabelCtrl::SetTextFormat(UINT format) noexcept {
    m_format = format;
    if (IsWindow()) Invalidate(TRUE);
}

bool CThemedLabelCtrl::ProcessWindowMessage(HWND, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_ERASEBKGND:
        result = 1;  // the paint fills the whole client area
        return true;
    case WM_MOVE:
    case WM_SIZE:
        m_background.Forget();
        result = 1;
        return true;
    case WM_SETFONT:
        m_font = reinterpret_cast<HFONT>(wp);
        return false;  // the static keeps it too
    case WM_SETTEXT:
        result = DefWindowProc(msg, wp, lp);
        // Shown at once, not at the next idle paint: labels report live values.
        Invalidate(TRUE);
        ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        return true;
    case WM_PAINT:
    case WM_PRINTCLIENT:
        return vp::PaintOrPrint(m_hWnd, msg, wp, result, [this](HDC dc) { Draw(dc); });
    }
    return false;
}

void CThemedLabelCtrl::Draw(HDC dc) noexcept {
    RECT rc{};
    GetClientRect(&rc);
    m_background.Fill(m_hWnd, dc, rc);
    wchar_t text[599] = L"";
    ::GetWindowTextW(m_hWnd, text, static_cast<int>(std::size(text)));
    vp::SelectGuard font(dc, m_font);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, vp::HighContrastOn() ? ::GetSysColor(COLOR_WINDOWTEXT) : m_colour);
    ::DrawTextW(dc, text, -1, &rc, m_format);
}
