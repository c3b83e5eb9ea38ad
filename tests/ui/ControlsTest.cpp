// The themed controls on real windows, read back through WM_PRINTCLIENT and the window DC.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "UiWindowSupport.h"
#include "ids_artwork.h"
#include "ui/Drawing.h"
#include "ui/Look.h"
#include "ui/controls/EditBrowserCtrl.h"
#include "ui/controls/FadeStateButtonCtrl.h"
#include "ui/controls/ThemedButtonCtrl.h"
#include "ui/controls/ThemedCheckboxCtrl.h"
#include "ui/controls/ThemedHyperlinkCtrl.h"
#include "ui/controls/ThemedImageCtrl.h"
#include "ui/controls/ThemedLabelCtrl.h"

using namespace ui_test;

namespace {

constexpr COLORREF kHostColour = RGB(30, 120, 200);

class ThemedControls : public HostedTest<kHostColour, 400, 200> {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.IsWindow());
        font.Reset(::CreateFontW(-14, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, NONANTIALIASED_QUALITY, 0,
                                 L"Tahoma"));
    }
    HWND Child(const wchar_t* cls, const wchar_t* text, DWORD style, const RECT& rc, int id) {
        HWND h = ::CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, rc.left, rc.top, rc.right - rc.left,
                                   rc.bottom - rc.top, host, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   vp::ModuleInstance(), nullptr);
        ::SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), 0);
        return h;
    }
    vp::FontHandle font;
};

// The image drawn for a scale at or above the DPI's, scaled down cell by cell in between, so a strip of
// four 44-pixel cells comes out four times the cell scaled; the largest above 200 %.
TEST(Artwork, ThePickedImageIsTheOneAtOrAboveTheScaleAndComesOutAtTheDpisSize) {
    const struct { UINT dpi, drawn; LONG cell; } cases[] = {
        {72, 96, 33}, {96, 96, 44}, {108, 120, 50}, {120, 120, 55}, {144, 144, 66}, {168, 192, 77}, {192, 192, 88}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dpi);
        UINT drawn = 0;
        const UINT id = ArtworkIdForDpi(IDB_NAV_APPLY, c.dpi, &drawn);
        EXPECT_EQ(c.drawn, drawn);
        vp::BitmapHandle image(LoadPngBitmapForDpi(IDB_NAV_APPLY, c.dpi, 4));
        EXPECT_EQ(4 * c.cell, BitmapSize(image.Get()).cx);
        EXPECT_EQ(c.cell, BitmapSize(image.Get()).cy);
        vp::BitmapHandle drawnImage(LoadPngBitmap(id));  // the image drawn at that scale is in the resources
        EXPECT_EQ(::MulDiv(44, static_cast<int>(drawn), 96), BitmapSize(drawnImage.Get()).cy);
    }
}

// A control taken over by an object and then by another party: the object lets go first without
// cutting the other party off, as swapping the window procedure back would.
struct MessageCounter : vp::CWindowImplBase {
    int seen = 0;
    bool ProcessWindowMessage(HWND, UINT msg, WPARAM, LPARAM, LRESULT&) override {
        seen += msg == WM_APP;
        return false;
    }
};

LRESULT CALLBACK CountingSubclass(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR count) noexcept {
    *reinterpret_cast<int*>(count) += msg == WM_APP;
    return ::DefSubclassProc(hwnd, msg, wp, lp);
}

TEST_F(ThemedControls, AnObjectLetsGoOfItsControlWithoutCuttingOffALaterSubclass) {
    HWND edit = Child(L"EDIT", L"", 0, RECT{0, 0, 100, 20}, 7);
    auto object = std::make_unique<MessageCounter>();
    ASSERT_TRUE(object->SubclassWindow(edit));
    EXPECT_FALSE(MessageCounter().SubclassWindow(edit));  // one object per window
    EXPECT_EQ(object.get(), vp::CWindowImplBase::FromHandle(edit));
    int later = 0;
    ASSERT_TRUE(::SetWindowSubclass(edit, CountingSubclass, 1, reinterpret_cast<DWORD_PTR>(&later)));
    ::SendMessageW(edit, WM_APP, 0, 0);
    EXPECT_EQ(1, object->seen);
    EXPECT_EQ(1, later);

    object.reset();
    EXPECT_EQ(nullptr, vp::CWindowImplBase::FromHandle(edit));
    ::SendMessageW(edit, WM_APP, 0, 0);
    EXPECT_EQ(2, later);
    ::SetWindowTextW(edit, L"still an edit");
    wchar_t text[32] = L"";
    ::GetWindowTextW(edit, text, 32);
    EXPECT_STREQ(L"still an edit", text);
    ::RemoveWindowSubclass(edit, CountingSubclass, 1);
}

TEST_F(ThemedControls, LabelShowsItsParentAroundTheTextAndANewTextAtOnce) {
    HWND hwnd = Child(L"STATIC", L"Hi", SS_LEFT, RECT{10, 10, 310, 40}, 100);
    CThemedLabelCtrl label;
    ASSERT_TRUE(label.SubclassWindow(hwnd));
    label.SetLabelColor(&Palette::heading);  // the look's colour for headers
    const COLORREF ink = CLook::OfThisThread().Colours().heading;
    ::UpdateWindow(host);

    Pixels before = PrintClient(hwnd);
    EXPECT_EQ(kHostColour, before.At(0, 0));
    EXPECT_EQ(kHostColour, before.At(299, 29));
    EXPECT_EQ(0, before.Count(kUnpainted));
    EXPECT_GT(before.Count(ink, RECT{0, 0, 40, 30}), 5);
    EXPECT_EQ(0, before.Count(ink, RECT{100, 0, 300, 30}));

    // No pumping: the new text must already be on the screen when SetWindowText returns.
    ::SetWindowTextW(hwnd, L"Hi there, this text is longer");
    Pixels screen = ReadScreen(hwnd);
    EXPECT_GT(screen.Count(ink, RECT{100, 0, 300, 30}), 5);
    EXPECT_EQ(kHostColour, screen.At(299, 0));
}

TEST_F(ThemedControls, ImageDrawsThePngWithAlphaOverTheBackground) {
    HWND hwnd = Child(L"STATIC", L"SW", SS_LEFT, RECT{10, 10, 60, 30}, 101);
    CThemedImageCtrl image;
    ASSERT_TRUE(image.SubclassWindow(hwnd));
    image.SetImage(IDB_HEADER_SWITCH);
    image.SizeToImage();
    RECT rc{};
    ::GetClientRect(hwnd, &rc);
    EXPECT_EQ(16, rc.right);
    EXPECT_EQ(16, rc.bottom);

    Pixels p = PrintClient(hwnd);
    EXPECT_EQ(kHostColour, p.At(0, 0));  // the tile's rounded corner is transparent
    const COLORREF tile = p.At(2, 8);
    EXPECT_GT(GetBValue(tile), 150);  // the blue of the tile, colours intact through GDI+
    EXPECT_LT(GetRValue(tile), 110);

    // A missing resource leaves only the background, and a zero-sized image.
    image.SetImage(9999);
    EXPECT_EQ(16 * 16, PrintClient(hwnd).Count(kHostColour));
    image.SizeToImage();
    ::GetClientRect(hwnd, &rc);
    EXPECT_EQ(0, rc.right);
}

TEST_F(ThemedControls, PushButtonShowsTheFaceCellOfItsState) {
    const std::vector<COLORREF> cells = {RGB(10, 10, 10), RGB(200, 40, 40), RGB(20, 20, 20), RGB(40, 200, 40),
                                         RGB(40, 40, 200)};
    vp::BitmapHandle face(MakeStrip(cells, 20, 20));
    HWND hwnd = Child(L"BUTTON", L"Go", BS_PUSHBUTTON, RECT{10, 10, 110, 40}, 102);
    CThemedButtonCtrl button;
    ASSERT_TRUE(button.SubclassWindow(hwnd));
    button.SetFace(face.Get(), 2);

    Pixels normal = PrintClient(hwnd);
    EXPECT_EQ(cells[3], normal.At(10, 15));
    EXPECT_GT(normal.Count(RGB(0, 0, 0)), 5);  // black text

    ::SendMessageW(hwnd, WM_MOUSEHOVER, 0, MAKELPARAM(20, 10));  // the button's hot state
    Pixels hot = PrintClient(hwnd);
    EXPECT_EQ(cells[1], hot.At(10, 15));
    EXPECT_GT(hot.Count(RGB(255, 255, 255)), 5);

    ::SendMessageW(hwnd, BM_SETSTATE, TRUE, 0);
    Pixels pressed = PrintClient(hwnd);
    EXPECT_EQ(cells[4], pressed.At(10, 15));
    EXPECT_GT(pressed.Count(RGB(255, 255, 255)), 5);
    ::SendMessageW(hwnd, BM_SETSTATE, FALSE, 0);

    // Disabled while the mouse is still over it: the normal cell, and text that stays readable on it.
    ::EnableWindow(hwnd, FALSE);
    Pixels disabled = PrintClient(hwnd);
    EXPECT_EQ(cells[3], disabled.At(10, 15));
    EXPECT_GT(disabled.Count(RGB(0, 0, 0)), 5);
    EXPECT_EQ(0, disabled.Count(RGB(255, 255, 255)));
}

TEST_F(ThemedControls, CheckBoxTakesTheBackgroundAndGreysItsTextWhenDisabled) {
    HWND hwnd = Child(L"BUTTON", L"Auto Startup", BS_AUTOCHECKBOX, RECT{10, 10, 210, 34}, 103);
    CThemedCheckboxCtrl check;
    ASSERT_TRUE(check.SubclassWindow(hwnd));

    // The parent reflects WM_CTLCOLORSTATIC; the answer is the control's background and colours.
    vp::MemoryDcHandle dc(::CreateCompatibleDC(nullptr));
    auto brush = reinterpret_cast<HBRUSH>(
        ::SendMessageW(host, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.Get()), reinterpret_cast<LPARAM>(hwnd)));
    ASSERT_NE(nullptr, brush);
    EXPECT_EQ(CLook::PaletteOf(Theme::Light).text, ::GetTextColor(dc.Get()));
    EXPECT_EQ(TRANSPARENT, ::GetBkMode(dc.Get()));
    ::EnableWindow(hwnd, FALSE);
    ::SendMessageW(host, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.Get()), reinterpret_cast<LPARAM>(hwnd));
    EXPECT_EQ(RGB(40, 40, 40), ::GetTextColor(dc.Get()));

    // The button paints over the background brush it was given. (How it draws a disabled text is the
    // button's own affair: Wine embosses it whatever colour the DC holds.)
    Pixels p = PrintClient(hwnd, PRF_CLIENT | PRF_ERASEBKGND);
    EXPECT_EQ(kHostColour, p.At(199, 2));
    EXPECT_EQ(kHostColour, p.At(199, 21));
    EXPECT_EQ(0, p.Count(kUnpainted));
}

TEST_F(ThemedControls, HyperlinkDrawsColouredTextUnderlinedWhileHot) {
    HWND hwnd = Child(L"BUTTON", L"Morvex, Inc.", BS_PUSHBUTTON, RECT{10, 10, 160, 30}, 104);
    CThemedHyperlinkCtrl link;
    ASSERT_TRUE(link.SubclassWindow(hwnd));
    const Palette light = CLook::PaletteOf(Theme::Light);

    Pixels p = PrintClient(hwnd);
    EXPECT_EQ(kHostColour, p.At(0, 0));
    EXPECT_GT(p.Count(light.link), 5);
    ::SendMessageW(hwnd, WM_MOUSEHOVER, 0, MAKELPARAM(20, 10));
    Pixels hot = PrintClient(hwnd);
    EXPECT_EQ(0, hot.Count(light.link));
    // The same text underlined: a line of the hot colour as wide as the text more.
    EXPECT_GT(hot.Count(light.linkHot), p.Count(light.link) + 40);
}

class EditBrowser : public ThemedControls {
protected:
    void SetUp() override {
        ThemedControls::SetUp();
        edit = Child(L"EDIT", L"C:\\notes.txt", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, RECT{20, 20, 220, 44}, 105);
        RECT client{};
        ::GetClientRect(edit, &client);
        clientWidthBefore = client.right;
        ASSERT_TRUE(browser.SubclassWindow(edit));
        RECT window{};
        ::GetWindowRect(edit, &window);
        const RECT b = browser.ButtonRect();
        onButton = POINT{window.left + (b.left + b.right) / 2, window.top + (b.top + b.bottom) / 2};
    }
    void Press(POINT screen) {
        ::SendMessageW(edit, WM_NCLBUTTONDOWN, HTBORDER, MAKELPARAM(screen.x, screen.y));
    }
    void Release(POINT screen) {
        POINT client = screen;
        ::ScreenToClient(edit, &client);
        ::SendMessageW(edit, WM_LBUTTONUP, 0, MAKELPARAM(client.x, client.y));
    }
    // The button's pressed face: the pressed gradient at its top.
    bool ShowsPressed() const {
        const RECT b = browser.ButtonRect();
        const Pixels p = PrintWindowMessage(edit, PRF_NONCLIENT);
        return Near(CLook::PaletteOf(Theme::Light).browse[1][0], p.At(b.left + 8, b.top + 1), 6);
    }
    int Clicks() const {
        int n = 0;
        for (const Received& r : host.received) n += r.msg == WM_EDITBROWSER_CLICK;
        return n;
    }
    HWND edit = nullptr;
    LONG clientWidthBefore = 0;
    CEditBrowserCtrl browser;
    POINT onButton{};
};

TEST_F(EditBrowser, ButtonTakesRoomFromTheClientAreaAndDraws) {
    RECT client{};
    ::GetClientRect(edit, &client);
    const RECT b = browser.ButtonRect();
    EXPECT_EQ(17, b.right - b.left);  // 16 and the grown pixel
    EXPECT_EQ(clientWidthBefore - 16, client.right);
    EXPECT_EQ(HTBORDER, ::SendMessageW(edit, WM_NCHITTEST, 0, MAKELPARAM(onButton.x, onButton.y)));

    Pixels p = PrintWindowMessage(edit, PRF_NONCLIENT);
    EXPECT_TRUE(Near(RGB(234, 246, 253), p.At(b.left + 8, b.top + 1), 6)) << std::hex << p.At(b.left + 8, b.top + 1);
    EXPECT_EQ(RGB(127, 157, 185), p.At(b.left, b.top + 5));  // the line at its left edge
    EXPECT_EQ(RGB(0, 0, 0), p.At(b.left + 7, (b.top + b.bottom) / 2));  // the arrow

    ::EnableWindow(edit, FALSE);
    Pixels off = PrintWindowMessage(edit, PRF_NONCLIENT);
    EXPECT_EQ(::GetSysColor(COLOR_INACTIVEBORDER) & 0xFFFFFF, off.At(b.left + 8, (b.top + b.bottom) / 2));
}

TEST_F(EditBrowser, ClickSendsTheEditHandleToTheParent) {
    Press(onButton);
    EXPECT_TRUE(ShowsPressed());
    EXPECT_EQ(edit, ::GetCapture());
    Release(onButton);
    EXPECT_FALSE(ShowsPressed());
    EXPECT_NE(edit, ::GetCapture());
    ASSERT_EQ(1, Clicks());
    EXPECT_EQ(reinterpret_cast<WPARAM>(edit), host.received.back().wp);
    EXPECT_EQ(0, host.received.back().lp);
}

TEST_F(EditBrowser, ReleaseOutsideOrDisabledSendsNothing) {
    Press(onButton);
    Release(POINT{onButton.x - 80, onButton.y});
    EXPECT_FALSE(ShowsPressed());
    EXPECT_EQ(0, Clicks());

    ::EnableWindow(edit, FALSE);
    Press(onButton);
    EXPECT_FALSE(ShowsPressed());
    Release(onButton);
    EXPECT_EQ(0, Clicks());
}

class FadeButton : public ThemedControls {
protected:
    void SetUp() override {
        ThemedControls::SetUp();
        ASSERT_TRUE(button.Create(host, RECT{20, 20, 30, 30}, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 77));
        button.LoadImageStrip(IDB_NAV_APPLY);
        button.SizeToImage();
    }
    CFadeStateButtonCtrl button;
};

TEST_F(FadeButton, OwnClassSizedToOneCell) {
    wchar_t cls[64] = L"";
    ::GetClassNameW(button, cls, 64);
    EXPECT_STREQ(L"WTL_FadeStateButton", cls);
    EXPECT_EQ(BS_OWNERDRAW, button.GetStyle() & BS_TYPEMASK);
    RECT rc{};
    button.GetClientRect(&rc);
    EXPECT_EQ(44, rc.right);
    EXPECT_EQ(44, rc.bottom);
}

TEST_F(FadeButton, PressAndClickReachTheParent) {
    ::SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(22, 22));
    EXPECT_EQ(button.m_hWnd, ::GetCapture());
    ::SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(22, 22));
    ASSERT_EQ(2u, host.received.size());
    EXPECT_EQ(MAKEWPARAM(77, 2), host.received[0].wp);
    EXPECT_EQ(MAKEWPARAM(77, BN_CLICKED), host.received[1].wp);
    EXPECT_EQ(reinterpret_cast<LPARAM>(button.m_hWnd), host.received[1].lp);
}

TEST_F(FadeButton, TooltipFollowsItsText) {
    ASSERT_TRUE(button.ToolTipWindow());
    EXPECT_EQ(0, ::SendMessageW(button.ToolTipWindow(), TTM_GETTOOLCOUNT, 0, 0));

    button.SetToolTipText(L"Apply all settings now.");
    button.SetToolTipText(L"Apply all settings now.");
    EXPECT_EQ(1, ::SendMessageW(button.ToolTipWindow(), TTM_GETTOOLCOUNT, 0, 0));
    wchar_t text[100] = L"";
    TTTOOLINFOW ti{};
    ti.cbSize = sizeof(ti);
    ti.hwnd = button;
    ti.uId = reinterpret_cast<UINT_PTR>(button.m_hWnd);
    ti.lpszText = text;
    ::SendMessageW(button.ToolTipWindow(), TTM_GETTEXTW, 100, reinterpret_cast<LPARAM>(&ti));
    EXPECT_STREQ(L"Apply all settings now.", text);

    button.SetToolTipText(L"");
    EXPECT_EQ(0, ::SendMessageW(button.ToolTipWindow(), TTM_GETTOOLCOUNT, 0, 0));
}

TEST_F(FadeButton, ExtendedStyleAndTheFadeOnScreen) {
    EXPECT_EQ(0u, button.SetExtendedStyle(7));
    EXPECT_EQ(7u, button.ExtendedStyle());  // the host is not composited: double buffering stays
    Pixels normal = PrintClient(button);
    EXPECT_EQ(kHostColour, normal.At(0, 0));  // the parent's background in the corners
    const COLORREF disc = normal.At(22, 30);
    EXPECT_GT(GetBValue(disc), 150);

    // Hover starts a fade that the timer drives to its end.
    ::SendMessageW(button, WM_MOUSEMOVE, 0, MAKELPARAM(22, 22));
    PrintClient(button);
    EXPECT_EQ(kFadeHot, button.Fade().current);
    EXPECT_LT(button.Fade().progress, 255);
    PumpFor(500);
    EXPECT_EQ(255, button.Fade().progress);

    ::SetWindowLongPtrW(host, GWL_EXSTYLE, ::GetWindowLongPtrW(host, GWL_EXSTYLE) | WS_EX_COMPOSITED);
    button.SetExtendedStyle(7);
    EXPECT_EQ(3u, button.ExtendedStyle());
}

}  // namespace
