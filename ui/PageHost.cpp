#include "ui/PageHost.h"

#include <iterator>

#include "framework/Dpi.h"
#include "resource.h"

namespace {

constexpr int kNavBandHalfWidth = 170;
constexpr double kApplySweepSeconds = 0.6;
// Transparent over the panel's background, black fill otherwise, double-buffered.
constexpr DWORD kNavButtonStyle = 7;

constexpr TabItemInfo kTabs[] = {
    {kBasicPage, L"Basic Settings", 0},
    {kAdvancedPage, L"Advanced Settings", 0},
    {kAboutPage, L"About", 0},
};

// Each button's tooltip is the string numbered like its command. Offsets from the band's top-left
// corner; Apply stands out above the band.
constexpr NavButtonInfo kNavButtons[] = {
    {ID_NAV_HOMEPAGE, kNavButtonStyle, IDB_NAV_HOMEPAGE, ID_NAV_HOMEPAGE, 27, 4},
    {ID_NAV_HELP, kNavButtonStyle, IDB_NAV_HELP, ID_NAV_HELP, 57, 4},
    {ID_NAV_PREVIOUS, kNavButtonStyle, IDB_NAV_PREVIOUS, ID_NAV_PREVIOUS, 96, 4},
    {ID_NAV_APPLY, kNavButtonStyle, IDB_NAV_APPLY, ID_NAV_APPLY, 148, -8},
    {ID_NAV_NEXT, kNavButtonStyle, IDB_NAV_NEXT, ID_NAV_NEXT, 194, 4},
    {ID_NAV_HIDE, kNavButtonStyle, IDB_NAV_HIDE, ID_NAV_HIDE, 260, 4},
    {ID_NAV_QUIT, kNavButtonStyle, IDB_NAV_QUIT, ID_NAV_QUIT, 290, 4},
};

}  // namespace

int PreviousPage(int page) noexcept { return page <= kBasicPage ? kAboutPage : page - 1; }
int NextPage(int page) noexcept { return page >= kAboutPage ? kBasicPage : page + 1; }

SIZE WindowSize(HWND hwnd) noexcept {
    RECT rc{};
    ::GetWindowRect(hwnd, &rc);
    return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

void CPageHost::Create(HWND frame) {
    m_frame = frame;
    const RECT none{0, 0, 0, 0};
    m_navPanel.SetBandHalfWidth(kNavBandHalfWidth);
    m_navPanel.SetImages(IDB_NAV_LEFT_CAP, IDB_NAV_RIGHT_CAP, IDB_NAV_CENTRE, IDB_NAV_MIDDLE, IDB_NAV_SWEEP);
    m_navPanel.SetNotifyWindow(frame);
    m_navPanel.SetButtons(kNavButtons, std::size(kNavButtons));
    m_navPanel.Create(frame, none);
    m_tabBar.Create(frame, none);
    m_tabBar.SetNotifyWindow(frame);
    m_tabBar.SetTabs(kTabs, std::size(kTabs));
}

HWND CPageHost::Select(int n) {
    if (m_hWndClient) ::ShowWindow(m_hWndClient, SW_HIDE);
    if (n < kBasicPage || n > kAboutPage) return nullptr;
    Slot& slot = m_slots[n - 1];
    HWND created = nullptr;
    if (!slot.created) {
        slot.created = true;
        switch (n) {
        case kBasicPage: created = m_basicPage.Create(m_frame); break;
        case kAdvancedPage: created = m_advancedPage.Create(m_frame); break;
        case kAboutPage: created = m_aboutPage.Create(m_frame); break;
        }
        slot.window = created;
    }
    m_hWndClient = slot.window;
    m_current = n;
    return created;
}

HWND CPageHost::PageWindow(int n) const noexcept {
    return n >= kBasicPage && n <= kAboutPage ? m_slots[n - 1].window : nullptr;
}

int CPageHost::TabBarHeight() const noexcept { return m_tabBar.IsWindow() ? WindowSize(m_tabBar).cy : 0; }

int CPageHost::NavPanelHeight() const noexcept { return vp::ScaleForDpi(kNavPanelHeight, m_navPanel.Dpi()); }

void CPageHost::SetDpi(UINT dpi) {
    m_tabBar.SetDpi(dpi);
    if (m_tabBar.IsWindow()) {
        ::SetWindowPos(m_tabBar, nullptr, 0, 0, WindowSize(m_tabBar).cx, m_tabBar.BarHeight(),
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    m_navPanel.SetDpi(dpi);
    for (const Slot& slot : m_slots) {
        if (slot.window) ::SendMessageW(slot.window, WM_DPICHANGED_AFTERPARENT, 0, 0);
    }
    Layout(true);
}

void CPageHost::Layout(bool moveBars) {
    RECT rc{};
    ::GetClientRect(m_frame, &rc);
    const int width = rc.right - rc.left;
    const int tabHeight = TabBarHeight();
    if (moveBars && m_tabBar.IsWindow()) {
        ::SetWindowPos(m_tabBar, nullptr, 0, 0, width, tabHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    const int navHeight = NavPanelHeight();
    if (moveBars && m_navPanel.IsWindow()) {
        ::SetWindowPos(m_navPanel, nullptr, 0, rc.bottom - navHeight, width, navHeight, SWP_NOZORDER);
    }
    if (m_hWndClient) {
        ::SetWindowPos(m_hWndClient, nullptr, 0, tabHeight, width, rc.bottom - navHeight - tabHeight,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void CPageHost::ConfirmApply() {
    if (m_navPanel.IsWindow()) m_navPanel.StartSweep(kApplySweepSeconds);
}
