// The settings window as the program runs it, on its own ui thread with the real pages, tab bar and
// navigation panel: Apply through the controls, the page order of Previous and Next, hiding, the quit
// paths with their confirmation, and the editing keys that never reach a page.
#include <gtest/gtest.h>
#include <oleacc.h>

#include <algorithm>
#include <functional>
#include <string>

#include "app/Threads.h"
#include "framework/Dpi.h"
#include "framework/Product.h"
#include "ids_dialogs.h"
#include "resource.h"
#include "settings/FailedAttempts.h"
#include "settings/SettingsMirror.h"
#include "settings/SettingsTestSupport.h"
#include "settings/StoredPassword.h"
#include "support/SettingControlIds.h"
#include "support/TestSupport.h"
#include "support/ThreadJobs.h"
#include "ui/MainFrame.h"

using namespace settings_test;
using testing_support::PostOwn;
using testing_support::SendOwn;

namespace {

constexpr wchar_t kQuitTitle[] = L"Confirm Quit ";
constexpr wchar_t kPromptTitle[] = L"Enter Password";

std::wstring TextOf(HWND hwnd) {
    wchar_t text[128] = {};
    ::GetWindowTextW(hwnd, text, 128);
    return text;
}

class FrameTest : public UiThreadTest {
protected:
    void StartUi() {
        UiThreadTest::StartUi();
        tabBar = ::FindWindowExW(frame, nullptr, CThemedTabBar::kClassName, nullptr);
        navPanel = ::FindWindowExW(frame, nullptr, CNavPanelView::kClassName, nullptr);
        ASSERT_NE(nullptr, tabBar);
        ASSERT_NE(nullptr, navPanel);
    }
    bool UiEnded(DWORD timeoutMs = 10000) { return ::WaitForSingleObject(ui.Get(), timeoutMs) == WAIT_OBJECT_0; }

    // The page that holds the control, or nullptr when that page was never created.
    HWND Page(int controlId) const {
        for (HWND h = ::FindWindowExW(frame, nullptr, L"#32770", nullptr); h;
             h = ::FindWindowExW(frame, h, L"#32770", nullptr)) {
            if (::GetDlgItem(h, controlId)) return h;
        }
        return nullptr;
    }
    HWND Control(int pageControl, int id) const { return ::GetDlgItem(Page(pageControl), id); }
    // Which page shows: 1 basic, 2 advanced, 3 about; 0 for none or more than one.
    int ShownPage() const {
        int shown = 0, count = 0;
        const int probes[3] = {IDC_SW_WHEEL, IDC_AC_MUTE, IDC_ABOUT_VERSION};
        for (int i = 0; i < 3; ++i) {
            HWND page = Page(probes[i]);
            if (page && ::IsWindowVisible(page)) {
                shown = i + 1;
                ++count;
            }
        }
        return count == 1 ? shown : 0;
    }
    int SelectedTab() const {
        auto* bar = static_cast<CThemedTabBar*>(vp::CWindowImplBase::FromHandle(tabBar));
        for (size_t i = 0; bar && i < 3; ++i) {
            if (bar->Tab(i).state & kTabSelected) return static_cast<int>(i);
        }
        return bar ? -1 : -2;
    }
    HWND NavButton(UINT id) const { return ::GetDlgItem(navPanel, static_cast<int>(id)); }
    // A click on a navigation button as the user's: the button reports it through the panel. Click
    // returns once everything it does has happened (PostClick at once, for a modal box that follows).
    void Click(UINT id) const { SendOwn(NavButton(id), BM_CLICK); }
    void PostClick(UINT id) const { PostOwn(NavButton(id), BM_CLICK); }

    HWND tabBar = nullptr;
    HWND navPanel = nullptr;
};

TEST_F(FrameTest, PagesFitTheWindowAndPreviousAndNextWalkRoundWithTheTabBarFollowing) {
    StartUi();
    ASSERT_TRUE(Poll([&] { return ::IsWindowVisible(frame) != FALSE; }, 5000));
    EXPECT_EQ(1, ShownPage());
    EXPECT_EQ(0, SelectedTab());
    EXPECT_EQ(nullptr, Page(IDC_AC_MUTE));  // made on first use only
    EXPECT_EQ(nullptr, Page(IDC_ABOUT_VERSION));

    // The page lies between the bars and is no narrower than its template; nothing can resize the
    // window.
    RECT client{}, page{}, tabs{}, nav{};
    ::GetClientRect(frame, &client);
    ::GetWindowRect(Page(IDC_SW_WHEEL), &page);
    ::GetWindowRect(tabBar, &tabs);
    ::GetWindowRect(navPanel, &nav);
    EXPECT_EQ(client.right, page.right - page.left);
    EXPECT_EQ(client.bottom, (tabs.bottom - tabs.top) + (page.bottom - page.top) + 52);
    EXPECT_EQ(52, nav.bottom - nav.top);
    EXPECT_GE(client.right, LOWORD(::GetDialogBaseUnits()) * 59);
    EXPECT_GE(client.bottom, HIWORD(::GetDialogBaseUnits()) * 22);
    EXPECT_EQ(0u, ::GetWindowLongW(frame, GWL_STYLE) & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));

    const struct {
        UINT button;
        int page;
    } walk[] = {{ID_NAV_PREVIOUS, 3}, {ID_NAV_PREVIOUS, 2}, {ID_NAV_PREVIOUS, 1}, {ID_NAV_NEXT, 2},
                {ID_NAV_NEXT, 3},     {ID_NAV_NEXT, 1}};
    for (const auto& step : walk) {
        Click(step.button);
        EXPECT_EQ(step.page, ShownPage()) << step.button;
        EXPECT_EQ(step.page - 1, SelectedTab()) << step.button;
    }
    // The about page shows the version with the build.
    EXPECT_EQ(L"3.1(290)", TextOf(Control(IDC_ABOUT_VERSION, IDC_ABOUT_VERSION)));

    // A tab command selects its page; hiding keeps the current page for the next showing.
    SendOwn(frame, WM_COMMAND, 2, reinterpret_cast<LPARAM>(tabBar));
    EXPECT_EQ(2, ShownPage());
    Click(ID_NAV_HIDE);
    EXPECT_FALSE(::IsWindowVisible(frame));
    SendOwn(frame, WM_COMMAND, ID_TRAY_PREFERENCES, 0);
    EXPECT_TRUE(::IsWindowVisible(frame));
    EXPECT_EQ(2, ShownPage());
    ::SendMessageW(frame, WM_SYSCOMMAND, SC_CLOSE, 0);  // the close box hides as well
    EXPECT_FALSE(::IsWindowVisible(frame));
    EXPECT_EQ(WAIT_TIMEOUT, ::WaitForSingleObject(ui.Get(), 0));
}

TEST_F(FrameTest, ApplyThroughTheControlsStoresWhatThePagesShowAfterTheHintsAreAnswered) {
    StartUi();
    HintWatcher hints;

    // Switch password on, with a confirmation that differs: the hint, and nothing stored.
    SendOwn(Control(IDC_SW_WHEEL, IDC_PWD_VIRT_ENABLED), BM_CLICK);
    SendOwn(Control(IDC_SW_WHEEL, IDC_PWD_VIRT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Secret"));
    SendOwn(Control(IDC_SW_WHEEL, IDC_PWD_VIRT_CONFIRM), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"secret"));
    PostClick(ID_NAV_APPLY);
    ASSERT_TRUE(Poll([&] { return hints.Texts().size() == 1; }, 10000));
    EXPECT_EQ(settings_text::kSwitchPwdMismatch, hints.Texts()[0]);
    EXPECT_FALSE(ReadText(L"PWD_VIRT").has_value());

    // Corrected, plus an action on the advanced page reached with Next.
    SendOwn(Control(IDC_SW_WHEEL, IDC_PWD_VIRT_CONFIRM), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Secret"));
    Click(ID_NAV_NEXT);
    SendOwn(Control(IDC_AC_MUTE, IDC_AC_MUTE), BM_CLICK);
    Click(ID_NAV_APPLY);
    EXPECT_EQ(1u, hints.Texts().size());
    EXPECT_EQ(1u, ReadDword(L"PWD_VIRT_ENABLED").value_or(0));
    EXPECT_TRUE(IsRecordOf(ReadText(L"PWD_VIRT"), L"Secret"));
    EXPECT_TRUE(IsRecordOf(g_SettingsMirror.Snapshot()->switchPassword.text, L"Secret"));
    // The edits hold the mask now, not what was typed.
    EXPECT_EQ(stored_password::kPageMask, TextOf(Control(IDC_SW_WHEEL, IDC_PWD_VIRT)));
    EXPECT_EQ(1u, ReadDword(L"AC_MUTE").value_or(0));
    EXPECT_EQ(1, g_SettingsMirror.Snapshot()->mute);

    // Tray icon and settings hotkey both off: the other hint, and the icon stays.
    Click(ID_NAV_PREVIOUS);
    SendOwn(Control(IDC_SW_WHEEL, IDC_SS_TRAYICON), BM_CLICK);
    SendOwn(Control(IDC_SW_WHEEL, IDC_SS_HOTKEY_ENABLED), BM_CLICK);
    PostClick(ID_NAV_APPLY);
    ASSERT_TRUE(Poll([&] { return hints.Texts().size() == 2; }, 10000));
    EXPECT_EQ(settings_text::kTrayAndHotkeyOff, hints.Texts()[1]);
    EXPECT_TRUE(Poll([&] { return ReadDword(L"SS_TRAYICON").value_or(0) == 1; }, 5000));
    EXPECT_EQ(BST_CHECKED, ::SendMessageW(Control(IDC_SW_WHEEL, IDC_SS_TRAYICON), BM_GETCHECK, 0, 0));
}

TEST_F(FrameTest, PanelQuitAsksAndOnlyAConfirmedQuitRemembersNotToAsk) {
    StartUi();
    // Cancel with "Do not ask next time" checked: nothing is written and the program goes on.
    PostClick(ID_NAV_QUIT);
    HWND ask = nullptr;
    ASSERT_TRUE(Poll([&] { return (ask = FindOwnWindow(L"#32770", kQuitTitle, Visibility::VisibleOnly)) != nullptr; }, 10000));
    EXPECT_EQ(L"Are you sure you want to quit?", TextOf(::GetDlgItem(ask, IDC_QUIT_PROMPT)));
    for (const std::wstring& cut : testing_support::TextsThatDoNotFit(ask)) ADD_FAILURE() << cut;
    SendOwn(::GetDlgItem(ask, IDC_QUIT_NOCONFIRM), BM_CLICK);
    PostOwn(::GetDlgItem(ask, IDCANCEL), BM_CLICK);
    ASSERT_TRUE(Poll([&] { return !::IsWindow(ask); }, 10000));
    EXPECT_FALSE(UiEnded(300));
    EXPECT_FALSE(ReadDword(L"QUIT_NOCONFIRM").has_value());
    EXPECT_FALSE(ReadDword(L"SW_WHEEL").has_value());  // nothing saved either

    // Escape cancels too.
    PostClick(ID_NAV_QUIT);
    ASSERT_TRUE(Poll([&] { return (ask = FindOwnWindow(L"#32770", kQuitTitle, Visibility::VisibleOnly)) != nullptr; }, 10000));
    ::SetForegroundWindow(ask);
    SendKey(VK_ESCAPE, true);
    SendKey(VK_ESCAPE, false);
    ASSERT_TRUE(Poll([&] { return !::IsWindow(ask); }, 10000));
    EXPECT_FALSE(UiEnded(300));

    // Quit with the box checked: remembered, saved, ended.
    PostClick(ID_NAV_QUIT);
    ASSERT_TRUE(Poll([&] { return (ask = FindOwnWindow(L"#32770", kQuitTitle, Visibility::VisibleOnly)) != nullptr; }, 10000));
    SendOwn(::GetDlgItem(ask, IDC_QUIT_NOCONFIRM), BM_CLICK);
    PostOwn(::GetDlgItem(ask, IDC_QUIT_BUTTON), BM_CLICK);
    ASSERT_TRUE(UiEnded());
    EXPECT_EQ(1u, ReadDword(L"QUIT_NOCONFIRM").value_or(0));
    EXPECT_EQ(1u, ReadDword(L"SW_WHEEL").value_or(0));

    // From now on Quit ends at once.
    StartUi();
    PostClick(ID_NAV_QUIT);
    EXPECT_TRUE(UiEnded());
}

TEST_F(FrameTest, TrayExitNeverAsks) {
    WriteDword(L"QUIT_NOCONFIRM", 0);
    StartUi();
    PostOwn(frame, WM_COMMAND, ID_TRAY_EXIT, 0);
    EXPECT_TRUE(UiEnded());
    EXPECT_EQ(1u, ReadDword(L"SW_WHEEL").value_or(0));
}

// The settings window's own password prompt, on the ui thread (there is no hook thread to ask for
// it): waits for it, types text and presses Enter (or Esc with text null).
HWND WaitOwnPrompt() {
    HWND prompt = nullptr;
    Poll([&] { return (prompt = FindOwnWindow(L"#32770", kPromptTitle, Visibility::VisibleOnly)) != nullptr; }, 10000);
    return prompt;
}

bool Answer(HWND prompt, const wchar_t* text) {
    if (!prompt) return false;
    // Typed as a person types, through the X server.
    if (!testing_support::TypeThroughX(kPromptTitle, text ? text : L"", text ? L"Return" : L"Escape")) return false;
    return Poll([&] { return !::IsWindow(prompt); }, 10000);
}

TEST_F(FrameTest, WithoutASwitchPasswordTheHiddenWindowShowsAtOnce) {
    WriteDword(product::kFirstStartShownValue, 1);
    StartUi();
    ASSERT_FALSE(::IsWindowVisible(frame));
    PostOwn(frame, WM_COMMAND, ID_TRAY_PREFERENCES, 0);
    EXPECT_TRUE(Poll([&] { return ::IsWindowVisible(frame) != FALSE; }, 5000));
    EXPECT_EQ(nullptr, FindOwnWindow(L"#32770", kPromptTitle, Visibility::VisibleOnly));
}

TEST_F(FrameTest, WithASwitchPasswordTheWindowAndTheTrayExitAskForItFirst) {
    WriteDword(product::kFirstStartShownValue, 1);
    WriteDword(L"SS_TRAYICON", 0);  // so the owner hears of wrong passwords in a message box
    WriteDword(L"PWD_VIRT_ENABLED", 1);
    WriteText(L"PWD_VIRT", L"secret1");  // as an older build kept it
    StartUi();
    ASSERT_TRUE(IsRecordOf(ReadText(L"PWD_VIRT"), L"secret1"));

    // Cancel, then a wrong password (letter case counts): the window stays hidden.
    PostOwn(frame, WM_COMMAND, ID_TRAY_PREFERENCES, 0);
    HWND prompt = WaitOwnPrompt();
    ASSERT_NE(nullptr, prompt);
    EXPECT_EQ(L"Please Enter Switch Password:", TextOf(::GetDlgItem(prompt, IDC_PASSWORD_PROMPT)));
    EXPECT_EQ(L"Default", testing_support::DesktopName(::GetThreadDesktop(uiId)));
    ASSERT_TRUE(Answer(prompt, nullptr));
    ::PostMessageW(frame, WM_HOTKEY, 0, 0);
    ASSERT_TRUE(Answer(WaitOwnPrompt(), L"Secret1"));
    EXPECT_FALSE(::IsWindowVisible(frame));
    // Recorded once checked, just after the prompt has gone.
    EXPECT_TRUE(Poll([&] { return ReadDword(failed_attempts::kCountValue).value_or(0) == 1; }, 5000));
    EXPECT_NE(std::wstring::npos, ReadText(failed_attempts::kLogValue).value_or(L"").find(L" S"));

    // The right one shows the window, and the owner hears of the wrong one.
    PostOwn(frame, WM_COMMAND, ID_TRAY_PREFERENCES, 0);
    ASSERT_TRUE(Answer(WaitOwnPrompt(), L"secret1"));
    HWND notice = nullptr;
    ASSERT_TRUE(Poll([&] { return (notice = FindOwnWindow(L"#32770", product::kName, Visibility::VisibleOnly)) != nullptr; }, 5000));
    wchar_t told[256] = L"";
    ::GetDlgItemTextW(notice, 0xFFFF, told, 256);  // the message box's text
    EXPECT_EQ(0u, std::wstring(told).find(L"1 wrong password attempt since "));
    PostOwn(notice, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(Poll([&] { return ::IsWindowVisible(frame) != FALSE; }, 5000));
    EXPECT_FALSE(ReadDword(failed_attempts::kCountValue).has_value());

    // Exit from the tray: Cancel keeps the program; the password ends it.
    PostOwn(frame, WM_COMMAND, ID_TRAY_EXIT, 0);
    ASSERT_TRUE(Answer(WaitOwnPrompt(), nullptr));
    EXPECT_FALSE(UiEnded(300));
    PostOwn(frame, WM_COMMAND, ID_TRAY_EXIT, 0);
    ASSERT_TRUE(Answer(WaitOwnPrompt(), L"secret1"));
    EXPECT_TRUE(UiEnded());
}

TEST_F(FrameTest, TurningASetRestorePasswordOffAsksForItAndAWrongOneKeepsItWhileTheRestApplies) {
    WriteDword(L"PWD_ORIG_ENABLED", 1);
    WriteText(L"PWD_ORIG", L"back1");
    StartUi();
    HintWatcher hints;
    const auto turnOffAndApply = [&] {
        SendOwn(Control(IDC_SW_WHEEL, IDC_PWD_ORIG_ENABLED), BM_CLICK);
        PostClick(ID_NAV_APPLY);
        return WaitOwnPrompt();
    };

    Click(ID_NAV_NEXT);
    SendOwn(Control(IDC_AC_MUTE, IDC_AC_MUTE), BM_CLICK);
    Click(ID_NAV_PREVIOUS);
    HWND prompt = turnOffAndApply();
    ASSERT_NE(nullptr, prompt);
    EXPECT_EQ(L"Please Enter Restore Password:", TextOf(::GetDlgItem(prompt, IDC_PASSWORD_PROMPT)));
    ASSERT_TRUE(Answer(prompt, L"Back1"));
    EXPECT_TRUE(Poll([&] { return ReadDword(L"AC_MUTE").value_or(0) == 1; }, 5000));
    EXPECT_EQ(1u, ReadDword(L"PWD_ORIG_ENABLED").value_or(0));
    EXPECT_TRUE(g_SettingsMirror.Snapshot()->restorePassword.on);
    EXPECT_EQ(BST_CHECKED, ::SendMessageW(Control(IDC_SW_WHEEL, IDC_PWD_ORIG_ENABLED), BM_GETCHECK, 0, 0));

    ASSERT_TRUE(Answer(turnOffAndApply(), L"back1"));
    EXPECT_TRUE(Poll([&] { return ReadDword(L"PWD_ORIG_ENABLED").value_or(1) == 0; }, 5000));
    EXPECT_FALSE(g_SettingsMirror.Snapshot()->restorePassword.on);
}

TEST_F(FrameTest, EditingKeysTypedIntoAPageEditDoNothing) {
    StartUi();
    Click(ID_NAV_NEXT);
    HWND edit = Control(IDC_AC_MUTE, IDC_AC_WINDOWS_TITLE);
    ASSERT_NE(nullptr, edit);
    ::EnableWindow(edit, TRUE);
    if (::OpenClipboard(nullptr)) {
        ::EmptyClipboard();
        const wchar_t text[] = L"pasted";
        HGLOBAL mem = ::GlobalAlloc(GMEM_MOVEABLE, sizeof(text));
        memcpy(::GlobalLock(mem), text, sizeof(text));
        ::GlobalUnlock(mem);
        ::SetClipboardData(CF_UNICODETEXT, mem);
        ::CloseClipboard();
    }
    ::SetForegroundWindow(frame);
    ::AttachThreadInput(::GetCurrentThreadId(), uiId, TRUE);
    ::SetFocus(edit);
    ::AttachThreadInput(::GetCurrentThreadId(), uiId, FALSE);
    ASSERT_TRUE(Poll([&] {
        GUITHREADINFO info{};
        info.cbSize = sizeof(info);
        return ::GetGUIThreadInfo(uiId, &info) && info.hwndFocus == edit;
    }, 5000));

    // A plain key reaches the edit, so the keyboard does.
    SendKey('A', true);
    SendKey('A', false);
    ASSERT_TRUE(Poll([&] { return TextOf(edit) == L"a"; }, 5000));
    const auto press = [](WORD modifier, WORD key) {
        SendKey(modifier, true);
        SendKey(key, true);
        SendKey(key, false);
        SendKey(modifier, false);
    };
    press(VK_CONTROL, 'V');
    press(VK_SHIFT, VK_INSERT);
    ::SendMessageW(edit, EM_SETSEL, 0, -1);
    press(VK_CONTROL, 'X');
    SendKey(VK_END, true);  // drops the selection
    SendKey(VK_END, false);
    SendKey('B', true);  // a marker: once it arrives, the keys before it have been handled
    SendKey('B', false);
    ASSERT_TRUE(Poll([&] { return TextOf(edit) != L"a"; }, 5000));
    EXPECT_EQ(L"ab", TextOf(edit));  // nothing pasted, nothing cut
}

TEST_F(FrameTest, TrayIconComesBackWhenTheShellRestarts) {
    StartUi();
    ASSERT_TRUE(TrayIconPresent(frame, CMainFrame::kTrayIconId));
    // A restarted shell has forgotten every icon, then tells every top-level window.
    NOTIFYICONDATAW nid{};
    nid.cbSize = sizeof(nid);
    nid.hWnd = frame;
    nid.uID = CMainFrame::kTrayIconId;
    ASSERT_TRUE(::Shell_NotifyIconW(NIM_DELETE, &nid));
    ASSERT_FALSE(TrayIconPresent(frame, CMainFrame::kTrayIconId));
    ::SendMessageW(frame, ::RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_TRUE(TrayIconPresent(frame, CMainFrame::kTrayIconId));

    // With the icon switched off nothing comes back.
    PostOwn(frame, WM_COMMAND, ID_TRAY_EXIT, 0);
    ASSERT_TRUE(UiEnded());
    WriteDword(L"SS_TRAYICON", 0);
    StartUi();
    ::SendMessageW(frame, ::RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_FALSE(TrayIconPresent(frame, CMainFrame::kTrayIconId));
}

TEST(HelpFileTest, HelpIsLookedForBesideTheExecutable) {
    wchar_t path[MAX_PATH];
    HelpFilePath(L"C:\\Program Files\\Veilpane\\Veilpane.exe", L"Veilpane.chm", path);
    EXPECT_STREQ(L"C:\\Program Files\\Veilpane\\Veilpane.chm", path);
    // A folder so long that the joined path would be cut: the bare name, never another file.
    std::wstring deep = L"C:\\" + std::wstring(250, L'd') + L"\\Veilpane.exe";
    HelpFilePath(deep.c_str(), L"Veilpane.chm", path);
    EXPECT_STREQ(L"Veilpane.chm", path);
    HelpFilePath(L"", L"Veilpane.chm", path);
    EXPECT_STREQ(L"Veilpane.chm", path);
}


// ---- keyboard, screen readers, high contrast ------------------------------------------------------

// The colour a window paints on WM_ERASEBKGND at a point of its client area.
COLORREF ErasedColour(HWND hwnd, POINT pt) {
    RECT rc{};
    ::GetClientRect(hwnd, &rc);
    HDC screen = ::GetDC(nullptr);
    HDC mem = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, rc.right, rc.bottom);
    HGDIOBJ old = ::SelectObject(mem, bitmap);
    ::SendMessageW(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(mem), 0);
    const COLORREF colour = ::GetPixel(mem, pt.x, pt.y);
    ::SelectObject(mem, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
    return colour;
}

class FrameKeyboardTest : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        StartUi();
        ASSERT_TRUE(Poll([&] { return ::IsWindowVisible(frame) != FALSE; }, 5000));
        ::SetForegroundWindow(frame);
        ASSERT_TRUE(Poll([&] { return ::GetForegroundWindow() == frame; }, 5000));
    }
    HWND Focus() const {
        GUITHREADINFO info{};
        info.cbSize = sizeof(info);
        return ::GetGUIThreadInfo(uiId, &info) ? info.hwndFocus : nullptr;
    }
    // A key from the keyboard, with the modifiers held around it; returns once `done` holds.
    bool Press(WORD vk, std::initializer_list<WORD> held, const std::function<bool()>& done) {
        for (WORD m : held) SendKey(m, true);
        SendKey(vk, true);
        SendKey(vk, false);
        for (WORD m : held) SendKey(m, false);
        return Poll(done, 3000);
    }
    bool PressToPage(WORD vk, std::initializer_list<WORD> held, int page) {
        return Press(vk, held, [&] { return ShownPage() == page && SelectedTab() == page - 1; });
    }
    // The focus after each of n presses of Tab (with Shift when back); each press moves it.
    std::vector<HWND> Walk(size_t n, bool back) {
        std::vector<HWND> seen;
        for (size_t i = 0; i < n; ++i) {
            HWND before = Focus();
            EXPECT_TRUE(Press(VK_TAB, back ? std::initializer_list<WORD>{VK_SHIFT} : std::initializer_list<WORD>{},
                              [&] { return Focus() != before && Focus() != nullptr; }))
                << i;
            seen.push_back(Focus());
        }
        return seen;
    }
    // Tabs on until the focus is on w.
    bool TabTo(HWND w) {
        for (int i = 0; i < 60 && Focus() != w; ++i) {
            HWND before = Focus();
            Press(VK_TAB, {}, [&] { return Focus() != before; });
        }
        return Focus() == w;
    }
};

RECT ScreenRect(HWND hwnd) {
    RECT rc{};
    ::GetWindowRect(hwnd, &rc);
    return rc;
}

TEST_F(FrameKeyboardTest, TabReachesEveryControlInReadingOrderAndShiftTabWalksBack) {
    HWND page = Page(IDC_SW_WHEEL);
    std::vector<HWND> pageStops, navButtons;
    for (HWND c = ::GetWindow(page, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
        if ((::GetWindowLongW(c, GWL_STYLE) & WS_TABSTOP) && ::IsWindowEnabled(c) && ::IsWindowVisible(c)) {
            pageStops.push_back(c);
        }
    }
    for (UINT id : {ID_NAV_HOMEPAGE, ID_NAV_HELP, ID_NAV_PREVIOUS, ID_NAV_APPLY, ID_NAV_NEXT, ID_NAV_HIDE, ID_NAV_QUIT}) {
        navButtons.push_back(NavButton(id));
    }
    const size_t cycle = 1 + pageStops.size() + navButtons.size();

    const std::vector<HWND> forward = Walk(cycle * 2, false);
    // One full round visits every control once; the second round repeats the first.
    std::vector<HWND> round(forward.begin(), forward.begin() + static_cast<long>(cycle));
    for (size_t i = 0; i < cycle; ++i) EXPECT_EQ(forward[i], forward[i + cycle]) << i;
    auto at = [&](HWND w) { return std::find(round.begin(), round.end(), w) - round.begin(); };
    EXPECT_LT(at(tabBar), static_cast<long>(cycle));
    for (HWND w : pageStops) EXPECT_LT(at(w), static_cast<long>(cycle)) << ::GetDlgCtrlID(w);
    for (HWND w : navButtons) EXPECT_LT(at(w), static_cast<long>(cycle)) << ::GetDlgCtrlID(w);
    // Reading order: the tab bar, the page row by row from left to right, the panel left to right.
    for (size_t i = 0; i < cycle; ++i) {
        const size_t from = static_cast<size_t>(at(tabBar)) + i;
        HWND a = round[from % cycle], b = round[(from + 1) % cycle];
        if (::GetParent(a) != ::GetParent(b)) continue;
        const RECT ra = ScreenRect(a), rb = ScreenRect(b);
        const LONG slack = (ra.bottom - ra.top) / 2 + (::GetParent(a) == navPanel ? 20 : 0);  // Apply stands out
        EXPECT_TRUE(rb.top > ra.top + slack || (std::abs(rb.top - ra.top) <= slack && rb.left > ra.left))
            << "after control " << ::GetDlgCtrlID(a) << " comes " << ::GetDlgCtrlID(b);
    }
    // Shift+Tab walks the same round backwards.
    const std::vector<HWND> backward = Walk(cycle, true);
    for (size_t i = 0; i < cycle; ++i) {
        const size_t from = (2 * cycle - 1 - 1 - i) % cycle;  // the control before the one the walk started on
        EXPECT_EQ(round[from], backward[i]) << i;
    }
}

TEST_F(FrameKeyboardTest, CtrlTabAndCtrlPageKeysChangeThePageAndEnterOrSpacePressTheFocusedNavButton) {
    ASSERT_EQ(1, ShownPage());
    EXPECT_TRUE(PressToPage(VK_TAB, {VK_CONTROL}, 2));
    EXPECT_TRUE(PressToPage(VK_TAB, {VK_CONTROL, VK_SHIFT}, 1));
    EXPECT_TRUE(PressToPage(VK_TAB, {VK_CONTROL, VK_SHIFT}, 3));  // round from the first to the last
    EXPECT_TRUE(PressToPage(VK_NEXT, {VK_CONTROL}, 1));
    EXPECT_TRUE(PressToPage(VK_NEXT, {VK_CONTROL}, 2));
    EXPECT_TRUE(PressToPage(VK_PRIOR, {VK_CONTROL}, 1));

    // Tab on to the Next button, then Enter presses it; Space presses Previous.
    ASSERT_TRUE(TabTo(NavButton(ID_NAV_NEXT)));
    EXPECT_TRUE(PressToPage(VK_RETURN, {}, 2));
    ASSERT_TRUE(TabTo(NavButton(ID_NAV_PREVIOUS)));
    EXPECT_TRUE(PressToPage(VK_SPACE, {}, 1));
    // The tab bar takes arrows: Right chooses the tab beside, as a click would.
    ASSERT_TRUE(TabTo(tabBar));
    EXPECT_TRUE(PressToPage(VK_RIGHT, {}, 2));
}

TEST_F(FrameKeyboardTest, ScreenReadersGetEachNavButtonsNameAndTheTabsAsPageTabs) {
    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    for (UINT id : {ID_NAV_HOMEPAGE, ID_NAV_HELP, ID_NAV_PREVIOUS, ID_NAV_APPLY, ID_NAV_NEXT, ID_NAV_HIDE, ID_NAV_QUIT}) {
        SCOPED_TRACE(id);
        wchar_t tip[300] = L"";
        ASSERT_GT(::LoadStringW(::GetModuleHandleW(nullptr), id, tip, 300), 0);  // the tooltip's text
        IAccessible* object = nullptr;
        ASSERT_EQ(S_OK, ::AccessibleObjectFromWindow(NavButton(id), static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                                     reinterpret_cast<void**>(&object)));
        BSTR name = nullptr;
        ASSERT_EQ(S_OK, object->get_accName(self, &name));
        EXPECT_STREQ(tip, name);
        ::SysFreeString(name);
        VARIANT role{};
        ASSERT_EQ(S_OK, object->get_accRole(self, &role));
        EXPECT_EQ(ROLE_SYSTEM_PUSHBUTTON, role.lVal);
        object->Release();
    }
    IAccessible* tabs = nullptr;
    ASSERT_EQ(S_OK, ::AccessibleObjectFromWindow(tabBar, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                                 reinterpret_cast<void**>(&tabs)));
    long count = 0;
    EXPECT_EQ(S_OK, tabs->get_accChildCount(&count));
    EXPECT_EQ(3, count);
    const wchar_t* names[] = {L"Basic Settings", L"Advanced Settings", L"About"};
    VARIANT child{};
    child.vt = VT_I4;
    for (child.lVal = 1; child.lVal <= 3; ++child.lVal) {
        BSTR name = nullptr;
        ASSERT_EQ(S_OK, tabs->get_accName(child, &name));
        EXPECT_STREQ(names[child.lVal - 1], name);
        ::SysFreeString(name);
        VARIANT role{};
        ASSERT_EQ(S_OK, tabs->get_accRole(child, &role));
        EXPECT_EQ(ROLE_SYSTEM_PAGETAB, role.lVal);
    }
    // The screen reader's default action on a tab chooses it.
    child.lVal = 3;
    EXPECT_EQ(S_OK, tabs->accDoDefaultAction(child));
    EXPECT_TRUE(Poll([&] { return ShownPage() == 3; }, 2000));
    tabs->Release();
    ::CoUninitialize();
}

TEST_F(FrameKeyboardTest, HighContrastDrawsInTheSystemColoursAndFollowsTheChange) {
    HWND page = Page(IDC_SW_WHEEL);
    // A spot of the page with no control on it, below its last row.
    RECT pageRc{};
    ::GetClientRect(page, &pageRc);
    const POINT empty{pageRc.right / 2, pageRc.bottom - 3};
    auto pageColour = [&] { return ErasedColour(page, empty); };
    const COLORREF window = ::GetSysColor(COLOR_WINDOW);
    EXPECT_NE(window, pageColour());  // the artwork shows through

    vp::ForceHighContrastForTest(1);
    SendOwn(frame, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    EXPECT_EQ(window, pageColour());
    vp::ForceHighContrastForTest(0);
    SendOwn(frame, WM_SYSCOLORCHANGE);
    EXPECT_NE(window, pageColour());
    vp::ForceHighContrastForTest(-1);
}

}  // namespace
