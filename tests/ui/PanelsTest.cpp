// The tab bar and the navigation panel as the settings window uses them, on real windows.
#include <gtest/gtest.h>

#include "UiWindowSupport.h"
#include "ids_artwork.h"
#include "ui/Look.h"
#include "ui/NavPanel.h"
#include "ui/TabBar.h"

using namespace ui_test;

namespace {

// The tab that shows itself selected.
int Selected(const CThemedTabBar& bar) {
    for (int i = 0; i < 3; ++i) {
        if (bar.Tab(static_cast<size_t>(i)).state & kTabSelected) return i;
    }
    return -1;
}

class TabBarTest : public HostedTest<RGB(240, 244, 250), 472, 200> {
protected:
    void SetUp() override {
        ASSERT_TRUE(bar.Create(host, RECT{0, 0, 472, 10}));
        const TabItemInfo tabs[] = {{1, L"Basic Settings", 0}, {2, L"Advanced Settings", 0}, {3, L"About", 0}};
        bar.SetTabs(tabs, 3);
    }
    LPARAM At(size_t tab) const {
        const RECT& rc = bar.Tab(tab).rc;
        return MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    }
    CThemedTabBar bar;
};

TEST_F(TabBarTest, LaysOutTabsAndSizesItself) {
    RECT client{};
    bar.GetClientRect(&client);
    EXPECT_EQ(472, client.right);
    EXPECT_EQ(16, bar.Tab(0).rc.left);
    EXPECT_EQ(4, bar.Tab(0).rc.top);
    EXPECT_EQ(client.bottom - 3, bar.Tab(0).rc.bottom);  // overlaps the bar image by two rows
    EXPECT_EQ(bar.Tab(0).rc.right + 4, bar.Tab(1).rc.left);
    EXPECT_GT(bar.Tab(1).rc.right - bar.Tab(1).rc.left, bar.Tab(2).rc.right - bar.Tab(2).rc.left);
    EXPECT_EQ(0, Selected(bar));
    EXPECT_EQ(kTabSelected, bar.Tab(0).state);
    EXPECT_TRUE(bar.GetExStyle() & WS_EX_COMPOSITED);
}

TEST_F(TabBarTest, ClickSendsTheCommandBeforeTheTabChangesItsLook) {
    DWORD stateAtCommand = 0xFFFF;
    host.onReceive = [&](const Received&) { stateAtCommand = bar.Tab(1).state; };
    ::SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, At(1));
    EXPECT_EQ(bar.m_hWnd, ::GetCapture());
    ::SendMessageW(bar, WM_LBUTTONUP, 0, At(1));
    EXPECT_NE(bar.m_hWnd, ::GetCapture());

    ASSERT_EQ(1u, host.received.size());
    EXPECT_EQ(MAKEWPARAM(2, 0), host.received[0].wp);
    EXPECT_EQ(reinterpret_cast<LPARAM>(bar.m_hWnd), host.received[0].lp);
    EXPECT_EQ(0u, stateAtCommand & kTabSelected);
    EXPECT_EQ(1, Selected(bar));
    EXPECT_TRUE(bar.Tab(1).state & kTabSelected);
    EXPECT_FALSE(bar.Tab(0).state & kTabSelected);
    EXPECT_TRUE(TabFadeRunning(bar.Tab(0)));  // the old tab fades out
    EXPECT_FALSE(TabFadeRunning(bar.Tab(1)));  // the new one shows at once

    PumpFor(450);  // timer 42 ends the fade
    EXPECT_EQ(0u, bar.Tab(0).fadeEnd);
    EXPECT_EQ(0u, bar.Tab(0).fadeStart);

    // Clicking the selected tab again sends its command again and fades nothing.
    ::SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, At(1));
    ::SendMessageW(bar, WM_LBUTTONUP, 0, At(1));
    ASSERT_EQ(2u, host.received.size());
    EXPECT_EQ(MAKEWPARAM(2, 0), host.received[1].wp);
    EXPECT_FALSE(TabFadeRunning(bar.Tab(0)) || TabFadeRunning(bar.Tab(1)) || TabFadeRunning(bar.Tab(2)));
}

TEST_F(TabBarTest, ReleaseDecidesAndOutsideSendsNothing) {
    ::SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, At(0));
    ::SendMessageW(bar, WM_LBUTTONUP, 0, MAKELPARAM(460, 3));
    EXPECT_TRUE(host.received.empty());
    EXPECT_EQ(0, Selected(bar));
    EXPECT_EQ(nullptr, ::GetCapture());

    ::SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, At(0));
    ::SendMessageW(bar, WM_LBUTTONUP, 0, At(2));
    ASSERT_EQ(1u, host.received.size());
    EXPECT_EQ(MAKEWPARAM(3, 0), host.received[0].wp);
    EXPECT_EQ(2, Selected(bar));
}

TEST_F(TabBarTest, SelectTabBeyondTheCountChangesNothing) {
    EXPECT_EQ(0, bar.SelectTab(3, true));
    EXPECT_EQ(0, bar.SelectTab(7, false));
    EXPECT_EQ(0, bar.SelectTab(-1, true));
    EXPECT_EQ(0, Selected(bar));
    EXPECT_EQ(kTabSelected, bar.Tab(0).state);
    EXPECT_EQ(0u, bar.Tab(2).state);

    EXPECT_EQ(TRUE, bar.SelectTab(2, true));  // Next, as the frame does it
    EXPECT_EQ(2, Selected(bar));
    EXPECT_EQ(kTabSelected, bar.Tab(2).state);
    EXPECT_TRUE(TabFadeRunning(bar.Tab(0)));
    EXPECT_TRUE(host.received.empty());  // selecting from the frame sends nothing back
}

TEST_F(TabBarTest, HoverShowsAndLeavesAtOnce) {
    ::SendMessageW(bar, WM_MOUSEMOVE, 0, At(2));
    EXPECT_EQ(kTabHot, bar.Tab(2).state);
    ::SendMessageW(bar, WM_MOUSEMOVE, 0, MAKELPARAM(460, 3));
    EXPECT_EQ(0u, bar.Tab(2).state);
    EXPECT_FALSE(TabFadeRunning(bar.Tab(2)));
}

TEST_F(TabBarTest, PaintsTheSelectedTabOverTheParent) {
    Pixels p = PrintClient(bar);
    EXPECT_EQ(0, p.Count(kUnpainted));
    EXPECT_EQ(RGB(240, 244, 250), p.At(2, 1));  // the parent shows through left of the tabs
    const RECT& sel = bar.Tab(0).rc;
    EXPECT_EQ(RGB(255, 255, 255), p.At(sel.left + 4, sel.bottom - 3));  // the selected tab is white
    EXPECT_GT(p.Count(RGB(0, 0, 0), sel), 10);  // its black text
}

// The frame's button table.
const NavButtonInfo kButtons[] = {
    {32787, 7, IDB_NAV_HOMEPAGE, 32787, 27, 4}, {32792, 7, IDB_NAV_HELP, 32792, 57, 4},
    {32788, 7, IDB_NAV_PREVIOUS, 32788, 96, 4}, {32782, 7, IDB_NAV_APPLY, 32782, 148, -8},
    {32789, 7, IDB_NAV_NEXT, 32789, 194, 4},    {32790, 7, IDB_NAV_HIDE, 32790, 260, 4},
    {32791, 7, IDB_NAV_QUIT, 32791, 290, 4},
};

class NavPanelTest : public HostedTest<RGB(250, 250, 250), 672, 300> {
protected:
    void SetUp() override {
        panel.SetBandHalfWidth(170);
        panel.SetImages(IDB_NAV_LEFT_CAP, IDB_NAV_RIGHT_CAP, IDB_NAV_CENTRE, IDB_NAV_MIDDLE, IDB_NAV_SWEEP);
        panel.SetNotifyWindow(host);
        panel.SetButtons(kButtons, std::size(kButtons));
        ASSERT_TRUE(panel.Create(host, RECT{0, 248, 472, 300}));
    }
    void ExpectButtonsOnTheBand() {
        const RECT band = panel.Band();
        EXPECT_EQ(340, band.right - band.left);
        for (size_t i = 0; i < std::size(kButtons); ++i) {
            RECT rc{};
            ::GetWindowRect(Button(i), &rc);
            ::MapWindowPoints(nullptr, panel, reinterpret_cast<POINT*>(&rc), 2);
            EXPECT_EQ(band.left + kButtons[i].x, rc.left) << i;
            EXPECT_EQ(band.top + kButtons[i].y, rc.top) << i;
        }
    }
    HWND Button(size_t i) const { return ::GetDlgItem(panel, static_cast<int>(kButtons[i].id)); }
    CNavPanelView panel;
};

TEST_F(NavPanelTest, FillsItsColourAndPlacesTheButtonsOnTheBand) {
    const DWORD style = panel.GetStyle(), ex = panel.GetExStyle();
    EXPECT_EQ(0x56000000u, style & 0xFFFF0000u);
    EXPECT_TRUE(ex & WS_EX_CONTROLPARENT);
    for (size_t i = 0; i < std::size(kButtons); ++i) ASSERT_NE(nullptr, Button(i)) << i;
    const RECT band = panel.Band();
    EXPECT_EQ((RECT{66, 10, 406, 43}).left, band.left);
    ExpectButtonsOnTheBand();
    RECT apply{}, home{};
    ::GetClientRect(Button(3), &apply);
    ::GetClientRect(Button(0), &home);
    EXPECT_EQ(44, apply.right);  // one cell of each strip
    EXPECT_EQ(23, home.right);

    Pixels p = PrintClient(panel);
    EXPECT_EQ(CLook::PaletteOf(Theme::Light).panel, p.At(2, 2));
    EXPECT_EQ(RGB(185, 209, 239), p.At(470, 50));
    EXPECT_NE(CLook::PaletteOf(Theme::Light).panel, p.At(band.left + 100, band.top + 16));  // the band's artwork

    ::SetWindowPos(panel, nullptr, 0, 248, 640, 52, SWP_NOZORDER);
    EXPECT_EQ(320 - 170, panel.Band().left);
    ExpectButtonsOnTheBand();
}

TEST_F(NavPanelTest, ButtonClicksReachTheNotifyWindowWithCodeZero) {
    HWND next = Button(4);
    ::SendMessageW(next, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    ::SendMessageW(next, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    ASSERT_EQ(1u, host.received.size());  // the press notification (code 2) stays in the panel
    EXPECT_EQ(MAKEWPARAM(32789, 0), host.received[0].wp);
    EXPECT_EQ(reinterpret_cast<LPARAM>(next), host.received[0].lp);

    ::SendMessageW(panel, WM_COMMAND, MAKEWPARAM(32782, 5), reinterpret_cast<LPARAM>(next));
    EXPECT_EQ(1u, host.received.size());
}

TEST_F(NavPanelTest, SweepRunsOutWhileVisibleAndEndsAtOnceWhenHidden) {
    const Pixels still = PrintClient(panel);
    panel.StartSweep(0.6);
    PumpFor(250);
    EXPECT_NE(still.bgra, PrintClient(panel).bgra);  // the band of light is on its way
    PumpFor(600);
    EXPECT_EQ(still.bgra, PrintClient(panel).bgra);

    panel.ShowWindow(SW_HIDE);
    panel.StartSweep(0.6);
    ::Sleep(50);
    PrintClient(panel);  // a paint while hidden ends it
    panel.ShowWindow(SW_SHOW);
    EXPECT_EQ(still.bgra, PrintClient(panel).bgra);  // nothing of the sweep is drawn any more
}

}  // namespace
