#include "ui/TabBar.h"

#include <algorithm>

#include "framework/Text.h"
#include "ids_artwork.h"
#include "ui/Drawing.h"
#include "ui/controls/ThemedButtonCtrl.h"

// ---- tab states and the fade arithmetic -----------------------------------------------------------

DWORD TabTopState(DWORD state) noexcept {
    if (state & kTabSelected) return kTabSelected;
    if (state & kTabMarked) return kTabMarked;
    if (state & kTabHot) return kTabHot;
    return 0;
}

int TabCell(DWORD state) noexcept {
    switch (TabTopState(state)) {
    case kTabSelected: return 1;
    case kTabMarked: return 2;
    case kTabHot: return 3;
    }
    return 0;
}

bool TabFadeRunning(const TabItem& tab) noexcept { return tab.fadeStart != 0 && tab.fadeEnd != tab.fadeStart; }

int TabFadeWeight(DWORD now, DWORD start, DWORD end) noexcept {
    // Differences of tick counts stay right across the wrap of GetTickCount.
    const DWORD span = end - start;
    if (span == 0) return 255;
    DWORD elapsed = now - start;
    if (elapsed > span) elapsed = span;
    return static_cast<int>(static_cast<unsigned long long>(elapsed) * 255 / span);
}

bool ApplyTabStateChange(std::vector<TabItem>& tabs, int target, DWORD set, DWORD clear, DWORD duration, DWORD now,
                         std::vector<size_t>& changed) {
    bool fading = false;
    for (size_t i = 0; i < tabs.size(); ++i) {
        TabItem& tab = tabs[i];
        if (static_cast<int>(i) == target) {
            if (!(tab.state & set)) {
                tab.prevState = tab.state;
                tab.state |= set;
                changed.push_back(i);
            }
        } else if (tab.state & clear) {
            if (TabTopState(tab.state) == clear) {
                tab.fadeStart = now;
                tab.fadeEnd = now + duration;
                fading = true;
            }
            tab.prevState = tab.state;
            tab.state &= ~clear;
            changed.push_back(i);
        }
    }
    return fading;
}

// ---- the window --------------------------------------------------------------------------------------

HWND CThemedTabBar::Create(HWND parent, const RECT& rc) noexcept {
    return CWindowImplBase::Create(kClassName, parent, &rc, nullptr, WS_CHILD | WS_VISIBLE, 0, nullptr,
                                   CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS,
                                   reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1)));
}

void CThemedTabBar::EnsureFont() noexcept {
    if (m_font) return;
    LOGFONTW lf{};
    if (!GetMessageFont(lf)) return;
    lf.lfHeight = GrowFontHeight(lf.lfHeight, 2);
    m_font.Reset(::CreateFontIndirectW(&lf));
    vp::WindowDc dc(m_hWnd);
    if (!dc) return;
    vp::SelectGuard select(dc.Get(), m_font.Get());
    ::GetTextMetricsW(dc.Get(), &m_metrics);
}

void CThemedTabBar::SetTabs(const TabItemInfo* tabs, size_t count) noexcept {
    EnsureFont();
    vp::WindowDc dc(m_hWnd);
    vp::SelectGuard select(dc.Get(), m_font.Get());
    LONG x = 16;
    for (size_t i = 0; i < count; ++i) {
        TabItem item;
        item.id = tabs[i].id;
        vp::CopyText(item.szText, tabs[i].szText);
        item.state = tabs[i].state;
        SIZE text{};
        if (dc) ::GetTextExtentPoint32W(dc.Get(), item.szText, static_cast<int>(wcslen(item.szText)), &text);
        // 14 pixels beside the text on either side, 6 above and below.
        item.rc = RECT{x, 4, x + text.cx + 28, 4 + m_metrics.tmHeight + 12};
        x = item.rc.right + 4;
        m_tabs.push_back(item);
    }
    m_nSelected = -1;
    SelectTab(0, true);
}

BOOL CThemedTabBar::SelectTab(int index, bool animate) noexcept {
    if (index < 0 || static_cast<size_t>(index) >= m_tabs.size()) return FALSE;
    if (animate) ChangeState(index, kTabSelected, kTabSelected, kFadeMs);
    m_nSelected = index;
    if (IsWindow()) Invalidate(TRUE);
    return TRUE;
}

void CThemedTabBar::ChangeState(int target, DWORD set, DWORD clear, DWORD duration) noexcept {
    std::vector<size_t> changed;
    const bool fading = ApplyTabStateChange(m_tabs, target, set, clear, duration, ::GetTickCount(), changed);
    if (!IsWindow()) return;
    if (fading) ::SetTimer(m_hWnd, kFadeTimer, 25, nullptr);
    for (size_t i : changed) ::InvalidateRect(m_hWnd, &m_tabs[i].rc, FALSE);
}

int CThemedTabBar::HitTest(POINT pt) const noexcept {
    for (size_t i = 0; i < m_tabs.size(); ++i) {
        if (::PtInRect(&m_tabs[i].rc, pt)) return static_cast<int>(i);
    }
    return -1;
}

void CThemedTabBar::OnTimer() noexcept {
    const DWORD now = ::GetTickCount();
    bool still = false;
    for (TabItem& tab : m_tabs) {
        if (tab.fadeEnd == 0) continue;
        ::InvalidateRect(m_hWnd, &tab.rc, FALSE);
        if (static_cast<LONG>(now - tab.fadeEnd) > 0) {
            tab.fadeStart = tab.fadeEnd = 0;
        } else {
            still = true;
        }
    }
    if (!still) ::KillTimer(m_hWnd, kFadeTimer);
}

bool CThemedTabBar::ProcessWindowMessage(HWND, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_CREATE: {
        ModifyStyleEx(0, WS_EX_COMPOSITED);
        m_bar.Reset(LoadPngBitmap(IDB_TAB_BAR));
        m_strip.Reset(LoadPngBitmap(IDB_TAB_STRIP));
        if (!m_hWndNotify) m_hWndNotify = GetParent();
        EnsureFont();
        m_nTabHeight = m_metrics.tmHeight + 14;
        RECT window{}, client{};
        GetWindowRect(&window);
        GetClientRect(&client);
        const int frameH = (window.bottom - window.top) - (client.bottom - client.top);
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, window.right - window.left, m_nTabHeight + 5 + frameH,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        result = 0;
        return true;
    }
    case WM_ERASEBKGND:
        result = 1;
        return true;
    case WM_PAINT:
    case WM_PRINTCLIENT:
        return vp::PaintOrPrint(m_hWnd, msg, wp, result, [this](HDC dc) { Paint(dc); });
    case WM_MOUSEMOVE: {
        const POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        ChangeState(HitTest(pt), kTabHot, kTabHot, 0);
        if (!m_bTracking) {
            TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, m_hWnd, 0};
            m_bTracking = ::TrackMouseEvent(&track) != FALSE;
        }
        result = 0;
        return true;
    }
    case WM_MOUSELEAVE:
        m_bTracking = false;
        ChangeState(-1, 0, kTabHot, 0);
        result = 0;
        return true;
    case WM_LBUTTONDOWN: {
        const POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        if (HitTest(pt) >= 0) ::SetCapture(m_hWnd);
        result = 0;
        return true;
    }
    case WM_LBUTTONUP: {
        if (::GetCapture() == m_hWnd) ::ReleaseCapture();
        const POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        const int hit = HitTest(pt);
        result = 0;
        if (hit < 0) return true;
        m_nSelected = hit;
        // The frame hears of the click before the tab changes its look.
        const UINT id = m_tabs[static_cast<size_t>(hit)].id;
        if (id != 0 && m_hWndNotify) {
            ::SendMessageW(m_hWndNotify, WM_COMMAND, MAKEWPARAM(id, 0), reinterpret_cast<LPARAM>(m_hWnd));
        }
        if (!IsWindow()) return true;  // the notify window may have torn the bar down
        ChangeState(hit, kTabSelected, kTabSelected, kFadeMs);
        Invalidate(TRUE);
        return true;
    }
    case WM_TIMER:
        if (wp != kFadeTimer) return false;
        OnTimer();
        result = 0;
        return true;
    case WM_MOVE:
    case WM_SIZE:
        m_background.Forget();
        Invalidate(TRUE);
        result = 0;
        return true;
    }
    return false;
}

void CThemedTabBar::Paint(HDC dc) noexcept {
    const int saved = ::SaveDC(dc);
    ::SelectObject(dc, m_font.Get());
    RECT client{};
    GetClientRect(&client);
    if (!m_background.Window()) m_background.SetWindow(GetParent());
    m_background.Fill(m_hWnd, dc, client);

    vp::MemoryDcHandle imageDc(::CreateCompatibleDC(dc));
    if (imageDc) {
        if (m_bar) {
            const SIZE size = BitmapSize(m_bar.Get());
            vp::SelectGuard select(imageDc.Get(), m_bar.Get());
            DrawNineGrid(dc, RECT{client.left + 4, client.top + m_nTabHeight, client.right - 4, client.bottom},
                         imageDc.Get(), RECT{0, 0, size.cx, size.cy}, 255, 4, 2, 4, 0);
        }
        vp::SelectGuard select(imageDc.Get(), m_strip.Get());
        for (const TabItem& tab : m_tabs) DrawTab(dc, m_strip ? imageDc.Get() : nullptr, tab);
    }
    ::RestoreDC(dc, saved);
}

void CThemedTabBar::DrawTab(HDC dc, HDC stripDc, const TabItem& tab) noexcept {
    if (stripDc) {
        const SIZE size = BitmapSize(m_strip.Get());
        constexpr int kStripCells = 5;
        if (TabFadeRunning(tab)) {
            const int w = TabFadeWeight(::GetTickCount(), tab.fadeStart, tab.fadeEnd);
            DrawNineGrid(dc, tab.rc, stripDc, StripCell(size, kStripCells, TabCell(tab.prevState)),
                         static_cast<BYTE>(255 - w), 14, 6, 14, 6);
            DrawNineGrid(dc, tab.rc, stripDc, StripCell(size, kStripCells, TabCell(tab.state)), static_cast<BYTE>(w), 14,
                         6, 14, 6);
        } else {
            DrawNineGrid(dc, tab.rc, stripDc, StripCell(size, kStripCells, TabCell(tab.state)), 255, 14, 6, 14, 6);
        }
    }
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, RGB(0, 0, 0));
    RECT rc = tab.rc;
    ::DrawTextW(dc, tab.szText, -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}
