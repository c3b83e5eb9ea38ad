// Settings pages and modal dialogs built on the themed dialog base, from real dialog templates.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "TestPages.h"
#include "UiWindowSupport.h"

using namespace ui_test;

namespace {

constexpr COLORREF kFrameColour = RGB(225, 235, 248);

class ThemedPage : public HostedTest<kFrameColour, 580, 352> {
protected:
    void SetUp() override {
        ASSERT_TRUE(page.Create(host));
        ::SetWindowPos(page, nullptr, 0, 40, 472, 260, SWP_NOACTIVATE | SWP_NOZORDER);
        page.ShowWindow(SW_SHOW);
        ::UpdateWindow(host);
    }
    CTestPage page;
};

int FontHeight(HWND hwnd) {
    LOGFONTW lf{};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(hwnd, WM_GETFONT, 0, 0)), sizeof(lf), &lf);
    return lf.lfHeight;
}

TEST_F(ThemedPage, OneFontForEveryControlButTheHeaders) {
    EXPECT_TRUE(page.GetExStyle() & WS_EX_COMPOSITED);
    EXPECT_EQ(-14, FontHeight(page.GetDlgItem(IDC_TEST_WHEEL)));
    int checked = 0;
    for (HWND child = ::GetWindow(page, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        const int id = ::GetDlgCtrlID(child);
        if (id == IDC_TEST_HEADER_LABEL || id == IDC_TEST_HEADER2_LABEL) {
            EXPECT_NE(-14, FontHeight(child));
        } else {
            EXPECT_EQ(-14, FontHeight(child)) << id;
        }
        ++checked;
    }
    EXPECT_EQ(15, checked);
}

TEST_F(ThemedPage, ShowsTheFrameBackgroundAndKeepsItAfterAResize) {
    Pixels bg = EraseBackground(page);
    EXPECT_EQ(kFrameColour, bg.At(0, 0));
    EXPECT_EQ(kFrameColour, bg.At(471, 259));
    ::SetWindowPos(page, nullptr, 0, 0, 532, 260, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Pixels wider = EraseBackground(page);
    EXPECT_EQ(kFrameColour, wider.At(531, 259));
}

TEST_F(ThemedPage, ForwardedKeysMoveTheFocusInsideThePage) {
    HWND wheel = page.GetDlgItem(IDC_TEST_WHEEL);
    ::SetFocus(wheel);
    ASSERT_EQ(wheel, ::GetFocus());
    MSG tab{wheel, WM_KEYDOWN, VK_TAB, 0x000F0001, 0, {}};
    EXPECT_NE(0, ::SendMessageW(page, WM_FORWARDMSG, 0, reinterpret_cast<LPARAM>(&tab)));
    EXPECT_EQ(page.GetDlgItem(IDC_TEST_DOUBLE), ::GetFocus());

    // A message for a window outside the page is not the page's to consume.
    MSG other{host, WM_KEYDOWN, VK_TAB, 0x000F0001, 0, {}};
    EXPECT_EQ(0, ::SendMessageW(page, WM_FORWARDMSG, 0, reinterpret_cast<LPARAM>(&other)));
}

TEST_F(ThemedPage, ReflectionLetsTheControlsDrawThemselves) {
    // The page reflects WM_CTLCOLORSTATIC to the check box, which answers with the frame's background.
    HWND disabledBox = page.GetDlgItem(IDC_TEST_DISABLED);
    vp::MemoryDcHandle dc(::CreateCompatibleDC(nullptr));
    ::SendMessageW(page, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.Get()), reinterpret_cast<LPARAM>(disabledBox));
    EXPECT_EQ(RGB(40, 40, 40), ::GetTextColor(dc.Get()));
    Pixels disabled = PrintClient(disabledBox, PRF_CLIENT | PRF_ERASEBKGND);
    EXPECT_EQ(kFrameColour, disabled.At(disabled.width - 1, 1));
    EXPECT_EQ(0, disabled.Count(kUnpainted));

    Pixels button = PrintClient(page.GetDlgItem(IDC_TEST_BUTTON));
    EXPECT_EQ(kFrameColour, button.At(0, 0));  // the face's rounded corner shows the frame
    const COLORREF face = button.At(4, button.height / 2);
    EXPECT_GT(GetRValue(face), 215);  // the light normal cell
    EXPECT_GT(button.Count(RGB(0, 0, 0)), 5);

    Pixels link = PrintClient(page.GetDlgItem(IDC_TEST_LINK));
    EXPECT_GT(link.Count(RGB(40, 90, 200)), 5);
}

TEST_F(ThemedPage, BrowseClickReachesThePage) {
    HWND edit = page.GetDlgItem(IDC_TEST_FILE_EDIT);
    RECT window{};
    ::GetWindowRect(edit, &window);
    const RECT b = page.fileEdit.ButtonRect();
    POINT pt{window.left + (b.left + b.right) / 2, window.top + (b.top + b.bottom) / 2};
    ::SendMessageW(edit, WM_NCLBUTTONDOWN, HTBORDER, MAKELPARAM(pt.x, pt.y));
    ::ScreenToClient(edit, &pt);
    ::SendMessageW(edit, WM_LBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
    EXPECT_EQ(1, page.browseClicks);
}

Pixels g_modalBackground;
Pixels g_modalButton;
RECT g_modalRect;

TEST(ThemedModal, StretchedBackgroundFaceButtonsAndCentred) {
    InitCommonControlsOnce();
    CTestHost owner;
    ASSERT_TRUE(owner.Create(RGB(200, 200, 200), RECT{100, 100, 700, 500}));
    CTestModal dialog;
    dialog.whileOpen = [](CTestModal& d) {
        g_modalBackground = EraseBackground(d);
        g_modalButton = PrintClient(d.quit);
        ::GetWindowRect(d, &g_modalRect);
    };
    EXPECT_EQ(IDCANCEL, dialog.DoModal(owner));

    ASSERT_GT(g_modalBackground.width, 100);
    EXPECT_TRUE(Near(RGB(43, 108, 208), g_modalBackground.At(g_modalBackground.width / 2, 0), 24));
    const COLORREF middle = g_modalBackground.At(g_modalBackground.width / 2, g_modalBackground.height / 2);
    EXPECT_GT(GetRValue(middle), 225);  // the light body of PNG 228
    EXPECT_EQ(0, g_modalBackground.Count(kUnpainted));

    ASSERT_GT(g_modalButton.width, 20);
    EXPECT_EQ(0, g_modalButton.Count(kUnpainted));
    EXPECT_GT(g_modalButton.Count(RGB(0, 0, 0)), 5);  // "Quit" in black on the normal face

    const LONG cx = (g_modalRect.left + g_modalRect.right) / 2, cy = (g_modalRect.top + g_modalRect.bottom) / 2;
    EXPECT_NEAR(400, cx, 2);
    EXPECT_NEAR(300, cy, 2);
}

}  // namespace
