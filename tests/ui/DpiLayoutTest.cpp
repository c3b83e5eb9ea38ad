// The settings window at the display scale of its prefix (VP_TEST_DPI): on each page no two controls
// overlap, every text fits its control and every control lies inside the page; the client area and
// every visible control scale with the DPI (within 10 %, and a pixel or two of rounding, of the 100 %
// layout times the scale); the window fits the work area of its screen with OK and Apply on it, and
// each page is saved as a screenshot. The 100 % run records the layout the others compare
// with, and also lays a window out again for 192 DPI through WM_DPICHANGED.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "settings/SettingsTestSupport.h"
#include "UiWindowSupport.h"
#include "framework/Dpi.h"
#include "framework/Product.h"
#include "resource.h"
#include "support/TestSupport.h"
#include "support/ThreadJobs.h"
#include "ui/MainFrame.h"
#include "ui/PasswordDlg.h"
#include "ui/NavPanel.h"
#include "ui/TabBar.h"

using namespace settings_test;
using testing_support::PostOwn;
using testing_support::SendOwn;

namespace {

// Every visible window below the frame, by its place in the tree (class and id of each ancestor),
// with its rectangle in the frame's client coordinates; "client" holds the client area.
using Layout = std::map<std::string, RECT>;

void Collect(HWND frame, HWND parent, const std::string& path, Layout& layout) {
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (!::IsWindowVisible(child)) continue;
        char cls[64] = "";
        ::GetClassNameA(child, cls, 64);
        const std::string key = path + "/" + cls + ":" + std::to_string(::GetDlgCtrlID(child));
        RECT rc{};
        ::GetWindowRect(child, &rc);
        ::MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&rc), 2);
        layout[key] = rc;
        Collect(frame, child, key, layout);
    }
}

Layout Measure(HWND frame, int page) {
    Layout layout;
    RECT client{};
    ::GetClientRect(frame, &client);
    layout["client"] = client;
    Collect(frame, frame, "page" + std::to_string(page), layout);
    return layout;
}

std::wstring ShotDir() {
    const std::wstring dir = testing_support::ExeDir() + L"\\screenshots";
    ::CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

std::wstring ReferencePath() { return ShotDir() + L"\\dpi_layout_96.txt"; }

void Save(const std::map<int, Layout>& pages, const std::wstring& path) {
    std::ofstream out(path.c_str(), std::ios::trunc);
    for (const auto& [page, layout] : pages) {
        for (const auto& [key, rc] : layout) {
            out << page << ' ' << key << ' ' << rc.left << ' ' << rc.top << ' ' << rc.right << ' ' << rc.bottom << '\n';
        }
    }
}

std::map<int, Layout> Load(const std::wstring& path) {
    std::map<int, Layout> pages;
    std::ifstream in(path.c_str());
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        int page = 0;
        std::string key;
        RECT rc{};
        if (fields >> page >> key >> rc.left >> rc.top >> rc.right >> rc.bottom) pages[page][key] = rc;
    }
    return pages;
}

// Within 10 % of the reference times the scale, with two pixels for rounding.
bool Scaled(LONG actual, LONG reference, double scale) {
    const double want = reference * scale;
    return std::abs(actual - want) <= std::abs(want) * 0.10 + 2.0;
}

void ExpectScaled(const Layout& actual, const Layout& reference, double scale) {
    for (const auto& [key, want] : reference) {
        SCOPED_TRACE(key);
        const auto found = actual.find(key);
        ASSERT_NE(found, actual.end()) << "missing";
        const RECT& got = found->second;
        const LONG a[4] = {got.left, got.top, got.right - got.left, got.bottom - got.top};
        const LONG b[4] = {want.left, want.top, want.right - want.left, want.bottom - want.top};
        const char* what[4] = {"left", "top", "width", "height"};
        for (int i = 0; i < 4; ++i) EXPECT_TRUE(Scaled(a[i], b[i], scale)) << what[i] << " " << a[i] << " for " << b[i];
    }
    EXPECT_EQ(reference.size(), actual.size()) << "visible controls";
}

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

class DpiLayoutTest : public UiThreadTest {
protected:
    void SetUp() override {
        UiThreadTest::SetUp();
        const char* wanted = std::getenv("VP_TEST_DPI");
        dpi = wanted ? static_cast<UINT>(std::atoi(wanted)) : 96;
        StartUi();
        ASSERT_TRUE(Poll([&] { return ::IsWindowVisible(frame) != FALSE; }, 5000));
    }

    // As a click on the page's tab does it.
    void ShowPage(int page) {
        HWND bar = ::FindWindowExW(frame, nullptr, CThemedTabBar::kClassName, nullptr);
        auto* tabs = static_cast<CThemedTabBar*>(vp::CWindowImplBase::FromHandle(bar));
        ASSERT_NE(nullptr, tabs);
        const RECT rc = tabs->Tab(static_cast<size_t>(page - 1)).rc;
        SendOwn(bar, WM_LBUTTONUP, 0, MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2));
        SendOwn(frame, WM_NULL, 0, 0);
    }

    std::map<int, Layout> MeasurePages(const wchar_t* shotName) {
        std::map<int, Layout> pages;
        brightness.clear();
        for (int page = 1; page <= 3; ++page) {
            ShowPage(page);
            pages[page] = Measure(frame, page);
            HWND shown = nullptr;
            for (HWND w = ::GetWindow(frame, GW_CHILD); w; w = ::GetWindow(w, GW_HWNDNEXT)) {
                wchar_t cls[16] = L"";
                ::GetClassNameW(w, cls, 16);
                if (::IsWindowVisible(w) && ::lstrcmpW(cls, L"#32770") == 0) shown = w;
            }
            EXPECT_NE(nullptr, shown);
            for (const std::wstring& fault : testing_support::LayoutFaults(shown)) {
                ADD_FAILURE() << "page " << page << ": " << testing_support::Narrow(fault);
            }
            if (shotName) {
                ::RedrawWindow(frame, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
                Poll([] { return false; }, 300);  // the tab's fade and the paints settle
                ::RedrawWindow(frame, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
                const std::wstring path = ShotDir() + L"\\" + shotName + std::to_wstring(page) + L".png";
                const ui_test::Pixels shot = ui_test::ReadScreen(frame);
                brightness.push_back(shot.Brightness());
                EXPECT_TRUE(ui_test::SavePng(shot, path));
            }
        }
        ShowPage(1);
        return pages;
    }

    // The quit confirmation, as Quit on the panel opens it: measured (as page 4), saved, cancelled;
    // moved to a monitor of another DPI first when changeTo is given.
    Layout MeasureQuitDialog(const std::wstring& shot, UINT changeTo = 0) {
        HWND nav = ::FindWindowExW(frame, nullptr, CNavPanelView::kClassName, nullptr);
        PostOwn(::GetDlgItem(nav, ID_NAV_QUIT), BM_CLICK, 0, 0);
        HWND dialog = nullptr;
        EXPECT_TRUE(Poll([&] {
            return (dialog = FindOwnWindow(L"#32770", L"Confirm Quit ", Visibility::VisibleOnly)) != nullptr;
        }, 5000));
        if (!dialog) return {};
        SendOwn(dialog, WM_NULL, 0, 0);
        RECT rc{};
        ::GetWindowRect(dialog, &rc);
        rc.right = rc.left + ::MulDiv(rc.right - rc.left, static_cast<int>(changeTo), 96);
        rc.bottom = rc.top + ::MulDiv(rc.bottom - rc.top, static_cast<int>(changeTo), 96);
        if (changeTo) SendOwn(dialog, WM_DPICHANGED, MAKEWPARAM(changeTo, changeTo), reinterpret_cast<LPARAM>(&rc));
        Layout layout = Measure(dialog, 4);
        RECT window{};
        ::GetWindowRect(dialog, &window);
        EXPECT_TRUE(changeTo || Inside(window, vp::WorkAreaFor(dialog)));
        ::RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        EXPECT_TRUE(ui_test::SavePng(ui_test::ReadScreen(dialog), ShotDir() + L"\\" + shot + L".png"));
        PostOwn(dialog, WM_COMMAND, IDCANCEL, 0);
        EXPECT_TRUE(Poll([&] { return !::IsWindow(dialog); }, 5000));
        return layout;
    }

    // Windows' app theme, as the user sets it, and the notice the system sends every window.
    void SetAppTheme(bool light) {
        const DWORD value = light ? 1 : 0;
        ASSERT_EQ(ERROR_SUCCESS, ::RegSetKeyValueW(HKEY_CURRENT_USER, kPersonalizeKey, L"AppsUseLightTheme", REG_DWORD,
                                                   &value, sizeof(value)));
        SendOwn(frame, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"));
    }

    static constexpr wchar_t kPersonalizeKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
    UINT dpi = 96;
    std::vector<double> brightness;  // of each page's screenshot, in page order
};

TEST_F(DpiLayoutTest, EveryPageScalesWithTheDpiAndTheWindowFitsItsScreen) {
    ASSERT_EQ(dpi, vp::SystemDpi()) << "the prefix's LogPixels";
    EXPECT_EQ(dpi, vp::WindowDpi(frame));

    const std::wstring shot = L"settings_" + std::to_wstring(dpi * 100 / 96) + L"pct_page";
    std::map<int, Layout> pages = MeasurePages(shot.c_str());
    const RECT client = pages.at(1).at("client");
    std::printf("client area at %u DPI (%u %%): %ld x %ld\n", dpi, dpi * 100 / 96, client.right, client.bottom);

    // The whole window, and OK and Apply above all, on the screen's work area.
    RECT window{};
    ::GetWindowRect(frame, &window);
    const RECT area = vp::WorkAreaFor(frame);
    std::printf("window %ld x %ld on a work area of %ld x %ld\n", window.right - window.left,
                window.bottom - window.top, area.right - area.left, area.bottom - area.top);
    EXPECT_TRUE(Inside(window, area));
    HWND nav = ::FindWindowExW(frame, nullptr, CNavPanelView::kClassName, nullptr);
    RECT apply{};
    ::GetWindowRect(::GetDlgItem(nav, ID_NAV_APPLY), &apply);
    EXPECT_TRUE(Inside(apply, area));

    // The modal dialogs scale the same way.
    pages[4] = MeasureQuitDialog(L"quit_" + std::to_wstring(dpi * 100 / 96) + L"pct");

    if (dpi == 96) {
        Save(pages, ReferencePath());
        // High contrast, for people to look at: system colours throughout.
        vp::ForceHighContrastForTest(1);
        SendOwn(frame, WM_SYSCOLORCHANGE, 0, 0);
        MeasurePages(L"settings_high_contrast_page");
        vp::ForceHighContrastForTest(-1);
        return;
    }
    const std::map<int, Layout> reference = Load(ReferencePath());
    ASSERT_EQ(4u, reference.size()) << "the 100 % run records the reference layout";
    for (const auto& [page, layout] : reference) {
        SCOPED_TRACE(testing::Message() << "page " << page);
        ExpectScaled(pages.at(page), layout, dpi / 96.0);
    }
}

TEST_F(DpiLayoutTest, DpiChangeLaysTheWindowOutAsAtTheNewDpi) {
    if (dpi != 96) GTEST_SKIP() << "run at 100 % only";
    std::map<int, Layout> before = MeasurePages(nullptr);

    // As Windows sends it when the window moves to a 200 % monitor: the rectangle scaled for it.
    RECT window{};
    ::GetWindowRect(frame, &window);
    RECT suggested{window.left, window.top, window.left + (window.right - window.left) * 2,
                   window.top + (window.bottom - window.top) * 2};
    SendOwn(frame, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(192u, vp::WindowDpi(frame));
    EXPECT_EQ(192u, vp::WindowDpi(::FindWindowExW(frame, nullptr, CThemedTabBar::kClassName, nullptr)));

    std::map<int, Layout> after = MeasurePages(L"settings_dpichanged_192_page");
    before[4] = MeasureQuitDialog(L"quit_before_dpichange");
    after[4] = MeasureQuitDialog(L"quit_dpichanged_192", 192);
    for (const auto& [page, layout] : before) {
        SCOPED_TRACE(testing::Message() << "page " << page);
        ExpectScaled(after.at(page), layout, 2.0);
    }
    std::printf("client area after WM_DPICHANGED to 192: %ld x %ld\n", after.at(1).at("client").right,
                after.at(1).at("client").bottom);
}

// With the dark app theme the open window turns dark, every page of it, and a password prompt opened
// now is dark too; with the light theme back the window is light again.
TEST_F(DpiLayoutTest, TheWindowAndThePromptFollowTheAppTheme) {
    if (dpi != 96 && dpi != 192) GTEST_SKIP() << "run at 100 and 200 % only";
    const std::wstring pct = std::to_wstring(dpi * 100 / 96);
    SetAppTheme(false);
    MeasurePages((L"settings_dark_" + pct + L"pct_page").c_str());
    for (double b : brightness) EXPECT_LT(b, 1.0 / 3);

    CPasswordDlg prompt(L"Please Enter Password To Restore:");
    ASSERT_TRUE(prompt.Create(nullptr));
    prompt.ShowWindow(SW_SHOW);  // as its modal loop shows it
    Poll([] { return false; }, 300);
    ::RedrawWindow(prompt, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    const ui_test::Pixels dark = ui_test::ReadScreen(prompt);
    EXPECT_TRUE(ui_test::SavePng(dark, ShotDir() + L"\\password_prompt_dark_" + pct + L"pct.png"));
    EXPECT_LT(dark.Brightness(), 1.0 / 3);
    prompt.DestroyWindow();

    SetAppTheme(true);
    MeasurePages(nullptr);
    ::RedrawWindow(frame, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    EXPECT_GT(ui_test::ReadScreen(frame).Brightness(), 2.0 / 3);
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kPersonalizeKey, L"AppsUseLightTheme");
}

}  // namespace
