// Builds a settings window and a modal dialog from every themed piece, as the program will, and saves
// what the screen shows to screenshots/ui_controls.png beside the test executable, for people to look at.
#include <gtest/gtest.h>

#include <algorithm>

#include "TestPages.h"
#include "UiWindowSupport.h"
#include "ids_artwork.h"
#include "support/TestSupport.h"
#include "ui/Drawing.h"
#include "ui/Look.h"
#include "ui/NavPanel.h"
#include "ui/TabBar.h"

using namespace ui_test;

namespace {

const NavButtonInfo kButtons[] = {
    {32787, 7, IDB_NAV_HOMEPAGE, 32787, 27, 4}, {32792, 7, IDB_NAV_HELP, 32792, 57, 4},
    {32788, 7, IDB_NAV_PREVIOUS, 32788, 96, 4}, {32782, 7, IDB_NAV_APPLY, 32782, 148, -8},
    {32789, 7, IDB_NAV_NEXT, 32789, 194, 4},    {32790, 7, IDB_NAV_HIDE, 32790, 260, 4},
    {32791, 7, IDB_NAV_QUIT, 32791, 290, 4},
};

Pixels g_modal;

// Copies src into dst with its top-left corner at (x, y).
void Blit(Pixels& dst, const Pixels& src, int x, int y) {
    for (int row = 0; row < src.height && y + row < dst.height; ++row) {
        for (int col = 0; col < src.width && x + col < dst.width; ++col) {
            dst.bgra[static_cast<size_t>(y + row) * dst.width + x + col] = src.bgra[static_cast<size_t>(row) * src.width + col];
        }
    }
}

TEST(Screenshot, SettingsWindowAndModalDialog) {
    InitCommonControlsOnce();
    // The settings window's client area: 59 x 22 dialog base units.
    const LONG units = ::GetDialogBaseUnits();
    // (Never narrower than with the usual 8-pixel unit, so the page's right column fits.)
    RECT frame{0, 0, std::max(LOWORD(units) * 59, 472), HIWORD(units) * 22};
    const DWORD style = WS_POPUP | WS_CLIPCHILDREN | WS_VISIBLE;
    ::OffsetRect(&frame, 40, 40);

    vp::BitmapHandle background(LoadPngBitmap(IDB_FRAME_BACKGROUND));
    CTestHost host;
    host.SetImage(background.Get());
    ASSERT_TRUE(host.Create(RGB(255, 255, 255), frame, style));
    RECT client{};
    host.GetClientRect(&client);

    CNavPanelView panel;
    panel.SetBandHalfWidth(170);
    panel.SetImages(IDB_NAV_LEFT_CAP, IDB_NAV_RIGHT_CAP, IDB_NAV_CENTRE, IDB_NAV_MIDDLE, IDB_NAV_SWEEP);
    panel.SetNotifyWindow(host);
    panel.SetButtons(kButtons, std::size(kButtons));
    ASSERT_TRUE(panel.Create(host, RECT{0, client.bottom - 52, client.right, client.bottom}));

    CThemedTabBar bar;
    ASSERT_TRUE(bar.Create(host, RECT{0, 0, client.right, 10}));
    const TabItemInfo tabs[] = {{1, L"Basic Settings", 0}, {2, L"Advanced Settings", 0}, {3, L"About", 0}};
    bar.SetTabs(tabs, 3);
    RECT barRect{};
    bar.GetWindowRect(&barRect);
    const int barHeight = barRect.bottom - barRect.top;

    CTestPage page;
    ASSERT_TRUE(page.Create(host));
    ::SetWindowPos(page, nullptr, 0, barHeight, client.right, client.bottom - 52 - barHeight,
                   SWP_NOACTIVATE | SWP_NOZORDER);
    ::CheckDlgButton(page, IDC_TEST_WHEEL, BST_CHECKED);
    ::CheckDlgButton(page, IDC_TEST_FILE_CHECK, BST_CHECKED);
    ::SetDlgItemTextW(page, IDC_TEST_FILE_EDIT, L"C:\\Users\\me\\Documents\\plan.txt");
    ::SetDlgItemTextW(page, IDC_TEST_SITE_EDIT, L"https://news.example.org");
    page.ShowWindow(SW_SHOW);
    // The tab under the mouse and the apply button's hover, as a user would see them.
    ::SendMessageW(bar, WM_MOUSEMOVE, 0, MAKELPARAM((bar.Tab(1).rc.left + bar.Tab(1).rc.right) / 2, 10));
    ::RedrawWindow(host, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpFor(400);
    ::RedrawWindow(host, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    const Pixels settings = ReadScreen(host);

    CTestModal modal;
    modal.whileOpen = [](CTestModal& d) {
        // The dialog box shows itself once its queue runs dry; this runs before that.
        d.ShowWindow(SW_SHOW);
        PumpFor(300);
        ::RedrawWindow(d, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        g_modal = ReadScreen(d);
    };
    modal.DoModal(host);

    // Both on a quiet desk colour, side by side.
    Pixels sheet;
    sheet.width = settings.width + g_modal.width + 60;
    sheet.height = std::max(settings.height, g_modal.height) + 40;
    sheet.bgra.assign(static_cast<size_t>(sheet.width) * sheet.height, 0xFF5B6B80u);
    Blit(sheet, settings, 20, 20);
    Blit(sheet, g_modal, settings.width + 40, 20);

    const std::wstring dir = testing_support::ExeDir() + L"\\screenshots";
    ::CreateDirectoryW(dir.c_str(), nullptr);
    ASSERT_TRUE(SavePng(sheet, dir + L"\\ui_controls.png"));

    // What the screen shows comes from the artwork, not from unpainted surfaces.
    EXPECT_GT(settings.width, 400);
    EXPECT_EQ(0, settings.Count(kUnpainted));
    EXPECT_GT(settings.Count(CLook::PaletteOf(Theme::Light).panel), 1000);
}

}  // namespace
