#include "ui/TabBar.h"

#include <algorithm>

#include "framework/Dpi.h"
#include "framework/Text.h"
#include "ids_artwork.h"
#include "ui/Drawing.h"
#include "ui/Look.h"
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
    return CWindowImplBase::Create(kClassName, parent, &rc, nullptr, WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, nullptr,
                                   CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS,
                                   reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1)));
}

int CThemedTabBar::Px(int px96) const noexcept { return vp::ScaleForDpi(px96, m_dpi); }

int CThemedTabBar::BarHeight() const noexcept { return m_nTabHeight + Px(5); }

void CThemedTabBar::LoadImages() noexcept {
    const CLook& look = CLook::OfThisThread();
    m_bar.Reset(look.LoadArtwork(IDB_TAB_BAR, m_dpi));
    m_strip.Reset(look.LoadArtwork(IDB_TAB_STRIP, m_dpi, 5));
}

void CThemedTabBar::SetDpi(UINT dpi) noexcept {
    if (dpi == 0 || dpi == m_dpi) return;
    m_dpi = dpi;
    MeasureFont();
    m_nTabHeight = m_metrics.tmHeight + Px(14);
    LoadImages();
    LayoutTabs();
    m_background.Forget();
    if (IsWindow()) Invalidate(TRUE);
}

HFONT CThemedTabBar::Font() noexcept { return CLook::OfThisThread().TabFont(); }

void CThemedTabBar::MeasureFont() noexcept {
    vp::WindowDc dc(m_hWnd);
    if (!dc) return;
    vp::SelectGuard select(dc.Get(), Font());
    ::GetTextMetricsW(dc.Get(), &m_metrics);
}

void CThemedTabBar::SetTabs(const TabItemInfo* tabs, size_t count) noexcept {
    for (size_t i = 0; i < count; ++i) {
        TabItem item;
        item.id = tabs[i].id;
        vp::CopyText(item.szText, tabs[i].szText);
        item.state = tabs[i].state;
        m_tabs.push_back(item);
    }
    LayoutTabs();
    m_nSelected = -1;
    SelectTab(0, true);
}

void CThemedTabBar::LayoutTabs() noexcept {
    vp::WindowDc dc(m_hWnd);
    vp::SelectGuard select(dc.Get(), Font());
    LONG x = Px(16);
    for (TabItem& item : m_tabs) {
        SIZE text{};
        if (dc) ::GetTextExtentPoint32W(dc.Get(), item.szText, static_cast<int>(wcslen(item.szText)), &text);
        // 14 pixels beside the text on either side, 6 above and below (at 96 DPI).
        item.rc = RECT{x, Px(4), x + text.cx + Px(28), Px(4) + m_metrics.tmHeight + Px(12)};
        x = item.rc.right + Px(4);
    }
}

void CThemedTabBar::ChooseTab(int index) noexcept {
    if (index < 0 || static_cast<size_t>(index) >= m_tabs.size() || !IsWindow()) return;
    const UINT id = m_tabs[static_cast<size_t>(index)].id;
    m_nSelected = index;
    if (id != 0 && m_hWndNotify) {
        ::SendMessageW(m_hWndNotify, WM_COMMAND, MAKEWPARAM(id, 0), reinterpret_cast<LPARAM>(m_hWnd));
    }
    if (!IsWindow()) return;
    ChangeState(index, kTabSelected, kTabSelected, kFadeMs);
    Invalidate(TRUE);
}

long CThemedTabBar::ItemState(long child) const {
    long state = STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_SELECTABLE;
    if (child - 1 == m_nSelected) state |= STATE_SYSTEM_SELECTED | (m_bFocus ? STATE_SYSTEM_FOCUSED : 0);
    return state;
}

RECT CThemedTabBar::ItemScreenRect(long child) const {
    RECT rc = m_tabs[static_cast<size_t>(child - 1)].rc;
    ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

long CThemedTabBar::ItemAt(POINT screen) const {
    ::ScreenToClient(m_hWnd, &screen);
    return HitTest(screen) + 1;
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

bool CThemedTabBar::ProcessControlMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_CREATE: {
        ModifyStyleEx(0, WS_EX_COMPOSITED);
        SetBackgroundWindow(GetParent());
        m_dpi = vp::WindowDpi(m_hWnd);
        LoadImages();
        if (!m_hWndNotify) m_hWndNotify = GetParent();
        MeasureFont();
        m_nTabHeight = m_metrics.tmHeight + Px(14);
        RECT window{}, client{};
        GetWindowRect(&window);
        GetClientRect(&client);
        const int frameH = (window.bottom - window.top) - (client.bottom - client.top);
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, window.right - window.left, BarHeight() + frameH,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        result = 0;
        return true;
    }
    case WM_GETOBJECT:
        return AnswerGetObject(m_hWnd, wp, lp, L"", ROLE_SYSTEM_PAGETABLIST, result, this);
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        m_bFocus = msg == WM_SETFOCUS;
        Invalidate(TRUE);
        result = 0;
        return true;
    case WM_GETDLGCODE:
        result = DLGC_WANTARROWS;
        return true;
    case WM_KEYDOWN: {
        const int last = static_cast<int>(m_tabs.size()) - 1;
        int to = -1;
        switch (wp) {
        case VK_LEFT: to = m_nSelected > 0 ? m_nSelected - 1 : 0; break;
        case VK_RIGHT: to = m_nSelected < last ? m_nSelected + 1 : last; break;
        case VK_HOME: to = 0; break;
        case VK_END: to = last; break;
        default: return false;
        }
        if (to != m_nSelected) ChooseTab(to);
        result = 0;
        return true;
    }
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
    }
    return false;
}

void CThemedTabBar::Draw(HDC dc, const RECT& client) {
    const int saved = ::SaveDC(dc);
    ::SelectObject(dc, Font());
    if (Look().HighContrast()) {
        PaintHighContrast(dc, client);
        ::RestoreDC(dc, saved);
        return;
    }

    vp::MemoryDcHandle imageDc(::CreateCompatibleDC(dc));
    if (imageDc) {
        if (m_bar) {
            const SIZE size = BitmapSize(m_bar.Get());
            vp::SelectGuard select(imageDc.Get(), m_bar.Get());
            DrawNineGrid(dc, RECT{client.left + Px(4), client.top + m_nTabHeight, client.right - Px(4), client.bottom},
                         imageDc.Get(), RECT{0, 0, size.cx, size.cy}, 255, Px(4), Px(2), Px(4), 0);
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
                         static_cast<BYTE>(255 - w), Px(14), Px(6), Px(14), Px(6));
            DrawNineGrid(dc, tab.rc, stripDc, StripCell(size, kStripCells, TabCell(tab.state)), static_cast<BYTE>(w),
                         Px(14), Px(6), Px(14), Px(6));
        } else {
            DrawNineGrid(dc, tab.rc, stripDc, StripCell(size, kStripCells, TabCell(tab.state)), 255, Px(14), Px(6),
                         Px(14), Px(6));
        }
    }
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, CLook::OfThisThread().Colours().text);
    RECT rc = tab.rc;
    ::DrawTextW(dc, tab.szText, -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    DrawFocus(dc, tab);
}

void CThemedTabBar::DrawFocus(HDC dc, const TabItem& tab) noexcept {
    if (!m_bFocus || m_nSelected < 0 || &tab != &m_tabs[static_cast<size_t>(m_nSelected)]) return;
    const Palette& colours = CLook::OfThisThread().Colours();
    const bool highContrast = CLook::OfThisThread().HighContrast();
    RECT focus = tab.rc;
    ::InflateRect(&focus, -Px(4), -Px(3));
    ::SetTextColor(dc, highContrast ? colours.buttonTextLit : colours.focusInk);
    ::SetBkColor(dc, highContrast ? colours.highlight : colours.focusPaper);
    ::DrawFocusRect(dc, &focus);
}

void CThemedTabBar::PaintHighContrast(HDC dc, const RECT& client) noexcept {
    const Palette& colours = CLook::OfThisThread().Colours();
    FillSolidRect(dc, client, colours.window);
    vp::BrushHandle line(::CreateSolidBrush(colours.line));
    FillSolidRect(dc, RECT{client.left, client.bottom - Px(1), client.right, client.bottom}, colours.line);
    ::SetBkMode(dc, TRANSPARENT);
    for (size_t i = 0; i < m_tabs.size(); ++i) {
        const TabItem& tab = m_tabs[i];
        const bool selected = static_cast<int>(i) == m_nSelected;
        RECT rc = tab.rc;
        FillSolidRect(dc, rc, selected ? colours.highlight : (tab.state & kTabHot) ? colours.buttonFace : colours.window);
        ::FrameRect(dc, &rc, line.Get());
        ::SetTextColor(dc, selected ? colours.buttonTextLit : colours.text);
        ::DrawTextW(dc, tab.szText, -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        DrawFocus(dc, tab);
    }
}
