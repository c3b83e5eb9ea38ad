#pragma once
// The settings window's pages and the bars around them: the tab bar at the top, the current page in
// the middle and the navigation panel at the bottom. A page is created the first time it is selected
// and then only hidden and shown.
#include <windows.h>

#include "ui/NavPanel.h"
#include "ui/TabBar.h"
#include "ui/pages/AboutDlg.h"
#include "ui/pages/AdvancedSettingsDlg.h"
#include "ui/pages/BasicSettingsDlg.h"

// The page numbers of the tab bar's commands and of the current page.
enum : int { kBasicPage = 1, kAdvancedPage = 2, kAboutPage = 3 };
// Previous and Next walk the three pages round: from 1, 2, 3 Previous goes to 3, 1, 2 and Next to 2, 3, 1.
int PreviousPage(int page) noexcept;
int NextPage(int page) noexcept;

// The outer size of a window.
SIZE WindowSize(HWND hwnd) noexcept;

class CPageHost {
public:
    static constexpr int kNavPanelHeight = CNavPanelView::kHeight;  // at 96 DPI

    // Creates the two bars in the frame; their commands go to the frame.
    void Create(HWND frame);
    // Hides the current page and makes page n the current one, creating it on first use; the page is
    // not shown here. Returns the page's window when this call created it.
    HWND Select(int n);
    // Places the current page between the bars; with moveBars also the bars.
    void Layout(bool moveBars);
    // The pages' windows went with the frame.
    void Forget() noexcept { m_hWndClient = nullptr; }
    // Plays the navigation panel's confirmation sweep.
    void ConfirmApply();

    int Current() const noexcept { return m_current; }
    HWND CurrentWindow() const noexcept { return m_hWndClient; }
    HWND PageWindow(int n) const noexcept;
    int TabBarHeight() const noexcept;
    // The navigation panel's height at the bars' DPI.
    int NavPanelHeight() const noexcept;
    // The DPI of the frame changed: the bars and every page made so far are laid out for it (the
    // frame's DPI is recorded first, so the pages read it), then placed again.
    void SetDpi(UINT dpi);
    CNavPanelView& NavPanel() noexcept { return m_navPanel; }
    CThemedTabBar& TabBar() noexcept { return m_tabBar; }
    CBasicSettingsDlg& BasicPage() noexcept { return m_basicPage; }
    CAdvancedSettingsDlg& AdvancedPage() noexcept { return m_advancedPage; }
    CAboutDlg& AboutPage() noexcept { return m_aboutPage; }

private:
    struct Slot {
        bool created = false;
        HWND window = nullptr;
    };

    HWND m_frame = nullptr;
    CThemedTabBar m_tabBar;
    CNavPanelView m_navPanel;
    CBasicSettingsDlg m_basicPage;
    CAdvancedSettingsDlg m_advancedPage;
    CAboutDlg m_aboutPage;
    Slot m_slots[3];
    int m_current = kBasicPage;
    HWND m_hWndClient = nullptr;  // the current page's window
};
