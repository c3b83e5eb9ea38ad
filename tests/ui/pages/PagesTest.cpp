// The three settings pages from the program's own templates, in a stand-in for the settings window:
// what the frame writes is what a first display shows, the enable dependencies, the read limits, the
// layout at the page font, and a screenshot of each page.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <iterator>
#include <memory>

#include "PagesTestSupport.h"
#include "framework/Text.h"
#include "support/SettingControlIds.h"
#include "support/TestSupport.h"
#include "ui/pages/AboutDlg.h"
#include "ui/pages/AdvancedSettingsDlg.h"
#include "ui/pages/BasicSettingsDlg.h"

using namespace pages_test;

namespace {

class PagesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_frame = new CFrameStandIn; }
    static void TearDownTestSuite() {
        delete s_frame;
        s_frame = nullptr;
    }
    HWND Frame() const { return s_frame->Window(); }
    static inline CFrameStandIn* s_frame = nullptr;
};

HotkeySetting Hotkey(BOOL enabled, DWORD key, BOOL ctrl, BOOL shift, BOOL alt) {
    HotkeySetting h;
    h.bEnabled = enabled;
    h.nKey = key;
    h.bCtrl = ctrl;
    h.bShift = shift;
    h.bAlt = alt;
    return h;
}

bool Enabled(HWND dialog, int id) { return ::IsWindowEnabled(::GetDlgItem(dialog, id)) != FALSE; }

void SetText(ActionText& setting, BOOL on, const wchar_t* text) {
    setting.on = on;
    vp::CopyText(setting.text, text);
}

// A password as the settings window shows it: the same text in both boxes.
void SetPassword(PasswordSetting& setting, wchar_t (&confirm)[15], BOOL on, const wchar_t* text) {
    setting.on = on;
    vp::CopyText(setting.text, text);
    vp::CopyText(confirm, text);
}
void SetSwitchPassword(PageValues& v, BOOL on, const wchar_t* text) {
    SetPassword(v.shown.switchPassword, v.switchPasswordConfirm, on, text);
}
void SetRestorePassword(PageValues& v, BOOL on, const wchar_t* text) {
    SetPassword(v.shown.restorePassword, v.restorePasswordConfirm, on, text);
}

}  // namespace

// ---- basic page ------------------------------------------------------------------------------------

TEST_F(PagesTest, BasicPageFirstDisplayShowsWhatWasWrittenWhileHidden) {
    CBasicSettingsDlg page;
    ASSERT_TRUE(page.Create(Frame()));
    PageValues values;
    EXPECT_FALSE(page.IsWindowVisible());
    // What the frame writes right after creating the page, then a setter's refresh, all while hidden.
    values.shown.middleButton = 1;
    values.shown.doubleButton = 0;
    values.shown.switchHotkey = Hotkey(1, VK_F5, 1, 0, 1);
    values.shown.autoStartup = 0;
    values.shown.trayIcon = 1;
    values.shown.autoUpdate = 0;
    values.shown.settingsHotkey = Hotkey(0, VK_F2, 0, 0, 1);
    SetRestorePassword(values, 1, L"back");
    SetSwitchPassword(values, 0, L"");
    values.shown.doubleButton = 1;
    SetSwitchPassword(values, 1, L"Opensesame");
    ShowSettings(page, SettingsPage::Basic, values);
    s_frame->PlacePage(page);

    EXPECT_TRUE(IsChecked(page, IDC_SW_WHEEL));
    EXPECT_TRUE(IsChecked(page, IDC_SW_DOUBLE));
    EXPECT_TRUE(IsChecked(page, IDC_SW_HOTKEY_ENABLED));
    EXPECT_EQ(DlgItemText(page, IDC_SW_HOTKEY), L"Ctrl+Alt+F5");
    EXPECT_TRUE(Enabled(page, IDC_SW_HOTKEY));
    EXPECT_FALSE(IsChecked(page, IDC_SS_STARTUP));
    EXPECT_TRUE(IsChecked(page, IDC_SS_TRAYICON));
    EXPECT_FALSE(IsChecked(page, IDC_SS_UPDATE));
    // A disabled hotkey keeps showing its combination, greyed.
    EXPECT_FALSE(IsChecked(page, IDC_SS_HOTKEY_ENABLED));
    EXPECT_EQ(DlgItemText(page, IDC_SS_HOTKEY), L"Alt+F2");
    EXPECT_FALSE(Enabled(page, IDC_SS_HOTKEY));
    EXPECT_TRUE(IsChecked(page, IDC_PWD_ORIG_ENABLED));
    EXPECT_EQ(DlgItemText(page, IDC_PWD_ORIG), L"back");
    EXPECT_EQ(DlgItemText(page, IDC_PWD_ORIG_CONFIRM), L"back");
    EXPECT_TRUE(IsChecked(page, IDC_PWD_VIRT_ENABLED));
    EXPECT_EQ(DlgItemText(page, IDC_PWD_VIRT_CONFIRM), L"Opensesame");
    EXPECT_TRUE(Enabled(page, IDC_PWD_VIRT) && Enabled(page, IDC_PWD_VIRT_CONFIRM));

    PageValues v = ReadSettings(page, SettingsPage::Basic);
    EXPECT_EQ(v.shown.middleButton, 1);
    EXPECT_EQ(v.shown.doubleButton, 1);
    EXPECT_EQ(v.shown.switchHotkey.bEnabled, 1);
    EXPECT_EQ(v.shown.switchHotkey.nKey, static_cast<DWORD>(VK_F5));
    EXPECT_EQ(v.shown.switchHotkey.bCtrl, 1);
    EXPECT_EQ(v.shown.switchHotkey.bShift, 0);
    EXPECT_EQ(v.shown.switchHotkey.bAlt, 1);
    EXPECT_EQ(v.shown.autoStartup, 0);
    EXPECT_EQ(v.shown.trayIcon, 1);
    EXPECT_EQ(v.shown.autoUpdate, 0);
    EXPECT_EQ(v.shown.settingsHotkey.bEnabled, 0);
    EXPECT_EQ(v.shown.settingsHotkey.nKey, static_cast<DWORD>(VK_F2));
    EXPECT_EQ(v.shown.settingsHotkey.bAlt, 1);
    EXPECT_EQ(v.shown.restorePassword.on, 1);
    EXPECT_STREQ(v.shown.restorePassword.text, L"back");
    EXPECT_STREQ(v.restorePasswordConfirm, L"back");
    EXPECT_EQ(v.shown.switchPassword.on, 1);
    EXPECT_STREQ(v.shown.switchPassword.text, L"Opensesame");

    // Hidden again, changed by a setter, shown again: the new value is what shows.
    page.ShowWindow(SW_HIDE);
    values.shown.switchHotkey = Hotkey(0, 0, 0, 0, 0);
    values.shown.middleButton = 0;
    ShowSettings(page, SettingsPage::Basic, values);
    page.ShowWindow(SW_SHOW);
    EXPECT_FALSE(IsChecked(page, IDC_SW_WHEEL));
    EXPECT_EQ(DlgItemText(page, IDC_SW_HOTKEY), L"");
    EXPECT_FALSE(Enabled(page, IDC_SW_HOTKEY));
}

TEST_F(PagesTest, BasicPageUncheckingABoxDisablesWhatItGuardsAndKeepsTheContents) {
    CBasicSettingsDlg page;
    ASSERT_TRUE(page.Create(Frame()));
    PageValues values;
    values.shown.switchHotkey = Hotkey(1, 'K', 1, 1, 0);
    SetRestorePassword(values, 1, L"pw");
    ShowSettings(page, SettingsPage::Basic, values);
    s_frame->PlacePage(page);

    Click(page, IDC_SW_HOTKEY_ENABLED);
    EXPECT_FALSE(IsChecked(page, IDC_SW_HOTKEY_ENABLED));
    EXPECT_FALSE(Enabled(page, IDC_SW_HOTKEY));
    EXPECT_EQ(DlgItemText(page, IDC_SW_HOTKEY), L"Ctrl+Shift+K");
    PageValues v = ReadSettings(page, SettingsPage::Basic);
    EXPECT_EQ(v.shown.switchHotkey.bEnabled, 0);
    EXPECT_EQ(v.shown.switchHotkey.nKey, static_cast<DWORD>('K'));
    EXPECT_EQ(v.shown.switchHotkey.bCtrl, 1);
    EXPECT_EQ(v.shown.switchHotkey.bShift, 1);
    EXPECT_EQ(v.shown.switchHotkey.bAlt, 0);

    Click(page, IDC_SW_HOTKEY_ENABLED);
    EXPECT_TRUE(Enabled(page, IDC_SW_HOTKEY));

    // The password box guards both of its edits, which keep their text.
    Click(page, IDC_PWD_ORIG_ENABLED);
    EXPECT_FALSE(Enabled(page, IDC_PWD_ORIG));
    EXPECT_FALSE(Enabled(page, IDC_PWD_ORIG_CONFIRM));
    EXPECT_EQ(DlgItemText(page, IDC_PWD_ORIG), L"pw");
    // A box without dependants changes nothing else; the settings hotkey box enables its edit.
    Click(page, IDC_SS_HOTKEY_ENABLED);
    EXPECT_TRUE(Enabled(page, IDC_SS_HOTKEY));
    EXPECT_FALSE(Enabled(page, IDC_PWD_ORIG));
}

TEST_F(PagesTest, BasicPagePasswordsAreMaskedLimitedAndReadToFourteenCharacters) {
    CBasicSettingsDlg page;
    ASSERT_TRUE(page.Create(Frame()));
    PageValues values;
    SetSwitchPassword(values, 0, L"hidden");
    ShowSettings(page, SettingsPage::Basic, values);
    s_frame->PlacePage(page);
    // Written with the protection off: still there, masked, in both disabled edits.
    for (int id : {IDC_PWD_VIRT, IDC_PWD_VIRT_CONFIRM}) {
        EXPECT_EQ(DlgItemText(page, id), L"hidden") << id;
        EXPECT_FALSE(Enabled(page, id)) << id;
        EXPECT_NE(::SendMessageW(::GetDlgItem(page, id), EM_GETPASSWORDCHAR, 0, 0), 0) << id;
    }
    PageValues v = ReadSettings(page, SettingsPage::Basic);
    EXPECT_EQ(v.shown.switchPassword.on, 0);
    EXPECT_STREQ(v.shown.switchPassword.text, L"hidden");

    // Typing takes 15 characters; a read returns the first 14.
    SetRestorePassword(values, 1, L"");
    ShowSettings(page, SettingsPage::Basic, values);
    TypeChars(::GetDlgItem(page, IDC_PWD_ORIG), L"abcdefghijklmnopq");
    EXPECT_EQ(DlgItemText(page, IDC_PWD_ORIG), L"abcdefghijklmno");
    v = ReadSettings(page, SettingsPage::Basic);
    EXPECT_STREQ(v.shown.restorePassword.text, L"abcdefghijklmn");
    EXPECT_STREQ(v.restorePasswordConfirm, L"");
}

TEST_F(PagesTest, BasicPageHotkeyEditsCaptureKeysNotText) {
    CBasicSettingsDlg page;
    ASSERT_TRUE(page.Create(Frame()));
    PageValues values;
    values.shown.settingsHotkey = Hotkey(1, VK_F2, 0, 0, 1);
    ShowSettings(page, SettingsPage::Basic, values);
    s_frame->PlacePage(page);
    HWND edit = ::GetDlgItem(page, IDC_SS_HOTKEY);
    TypeChars(edit, L"xyz");
    EXPECT_EQ(WindowText(edit), L"Alt+F2");
    // A key press replaces the combination; no modifier is down on this thread's keyboard state.
    ::SendMessageW(edit, WM_KEYDOWN, VK_F9, 0);
    EXPECT_EQ(WindowText(edit), L"F9");
    PageValues v = ReadSettings(page, SettingsPage::Basic);
    EXPECT_EQ(v.shown.settingsHotkey.bEnabled, 1);
    EXPECT_EQ(v.shown.settingsHotkey.nKey, static_cast<DWORD>(VK_F9));
    EXPECT_EQ(v.shown.settingsHotkey.bAlt, 0);
    // A key without a name empties it: the control reads as no key, while the box stays checked.
    ::SendMessageW(edit, WM_KEYDOWN, VK_CAPITAL, 0);
    v = ReadSettings(page, SettingsPage::Basic);
    EXPECT_EQ(v.shown.settingsHotkey.bEnabled, 1);
    EXPECT_EQ(v.shown.settingsHotkey.nKey, 0u);
}

// ---- advanced page ---------------------------------------------------------------------------------

TEST_F(PagesTest, AdvancedPageShowsAndReadsBackEveryValue) {
    CAdvancedSettingsDlg page;
    ASSERT_TRUE(page.Create(Frame()));
    PageValues values;
    values.shown.mute = 1;
    values.shown.monitorOff = 0;
    values.shown.disableTaskMgr = 1;
    values.shown.clearIEHistory = 0;
    values.shown.clearTypedUrls = 1;
    values.shown.clearRecentDocs = 1;
    SetText(values.shown.openFile, 0, L"C:\\docs\\plan.txt");
    SetText(values.shown.openWebsite, 1, L"https://example.org/");
    SetText(values.shown.closeWindows, 1, L"Budget");
    values.shown.terminateProcesses = ProcessList{1, {L"a.exe", L"b.exe"}};
    ShowSettings(page, SettingsPage::Advanced, values);
    s_frame->PlacePage(page);

    EXPECT_EQ(DlgItemText(page, IDC_AC_PROCESSES), L"a.exe;b.exe;");
    EXPECT_TRUE(Enabled(page, IDC_AC_PROCESSES));
    EXPECT_EQ(DlgItemText(page, IDC_AC_FILE_PATH), L"C:\\docs\\plan.txt");
    EXPECT_FALSE(Enabled(page, IDC_AC_FILE_PATH));
    EXPECT_TRUE(Enabled(page, IDC_AC_WEBSITE_URL));

    PageValues v = ReadSettings(page, SettingsPage::Advanced);
    EXPECT_EQ(v.shown.mute, 1);
    EXPECT_EQ(v.shown.monitorOff, 0);
    EXPECT_EQ(v.shown.disableTaskMgr, 1);
    EXPECT_EQ(v.shown.clearIEHistory, 0);
    EXPECT_EQ(v.shown.clearTypedUrls, 1);
    EXPECT_EQ(v.shown.clearRecentDocs, 1);
    EXPECT_EQ(v.shown.openFile.on, 0);
    EXPECT_STREQ(v.shown.openFile.text, L"C:\\docs\\plan.txt");
    EXPECT_EQ(v.shown.openWebsite.on, 1);
    EXPECT_STREQ(v.shown.openWebsite.text, L"https://example.org/");
    EXPECT_EQ(v.shown.closeWindows.on, 1);
    EXPECT_STREQ(v.shown.closeWindows.text, L"Budget");
    EXPECT_EQ(v.shown.terminateProcesses.on, 1);
    EXPECT_EQ(v.shown.terminateProcesses.names, (std::vector<std::wstring>{L"a.exe", L"b.exe"}));

    // Unchecking keeps the texts; the process list is only ever changed by the picker.
    Click(page, IDC_AC_WINDOWS_ENABLED);
    Click(page, IDC_AC_PROCESSES_ENABLED);
    EXPECT_FALSE(Enabled(page, IDC_AC_WINDOWS_TITLE));
    EXPECT_FALSE(Enabled(page, IDC_AC_PROCESSES));
    Click(page, IDC_AC_FILE_ENABLED);
    EXPECT_TRUE(Enabled(page, IDC_AC_FILE_PATH));
    Click(page, IDC_AC_PROCESSES_ENABLED);
    TypeChars(::GetDlgItem(page, IDC_AC_PROCESSES), L"typed.exe;");
    v = ReadSettings(page, SettingsPage::Advanced);
    EXPECT_EQ(v.shown.closeWindows.on, 0);
    EXPECT_STREQ(v.shown.closeWindows.text, L"Budget");
    EXPECT_EQ(v.shown.openFile.on, 1);
    EXPECT_EQ(DlgItemText(page, IDC_AC_PROCESSES), L"a.exe;b.exe;");
    EXPECT_EQ(v.shown.terminateProcesses.names.size(), 2u);
}

TEST_F(PagesTest, AdvancedPageReadLimitsAndTheProcessTextCut) {
    CAdvancedSettingsDlg page;
    ASSERT_TRUE(page.Create(Frame()));
    PageValues values;
    const std::wstring longText(261, L'w');  // the longest text a setting holds
    SetText(values.shown.openFile, 1, longText.c_str());
    SetText(values.shown.openWebsite, 1, longText.c_str());
    SetText(values.shown.closeWindows, 1, longText.c_str());
    // 26 names of 10 characters: 23 with their ";" make 253 characters, a 24th would make 264.
    std::vector<std::wstring> names;
    for (int i = 0; i < 26; ++i) names.push_back(L"proc" + std::to_wstring(100 + i) + L".ex");
    values.shown.terminateProcesses = ProcessList{1, names};
    ShowSettings(page, SettingsPage::Advanced, values);
    s_frame->PlacePage(page);

    PageValues v = ReadSettings(page, SettingsPage::Advanced);
    EXPECT_EQ(std::wstring(v.shown.openFile.text), std::wstring(259, L'w'));
    EXPECT_EQ(std::wstring(v.shown.openWebsite.text), std::wstring(259, L'w'));
    EXPECT_EQ(std::wstring(v.shown.closeWindows.text), std::wstring(259, L'w'));
    const std::wstring shown = DlgItemText(page, IDC_AC_PROCESSES);
    EXPECT_EQ(shown.size(), 23u * 11u);
    EXPECT_EQ(shown.substr(shown.size() - 11), L"proc122.ex;");
    // Names that do not show stay in the list.
    EXPECT_EQ(v.shown.terminateProcesses.names, names);

    // A browse notice for any other window opens nothing.
    ::SendMessageW(page, WM_EDITBROWSER_CLICK, reinterpret_cast<WPARAM>(::GetDlgItem(page, IDC_AC_WEBSITE_URL)), 0);
    ::SendMessageW(page, WM_EDITBROWSER_CLICK, 0, 0);
    EXPECT_EQ(ShownNames(page), names);
}

// ---- layout and looks ------------------------------------------------------------------------------

namespace {

// The text of a control's tip in whichever tooltip of the thread knows the control; empty for a
// control without one.
std::wstring TipOf(HWND page, HWND control) {
    wchar_t text[200] = L"";
    for (HWND w = ::FindWindowExW(nullptr, nullptr, TOOLTIPS_CLASSW, nullptr); w && !text[0];
         w = ::FindWindowExW(nullptr, w, TOOLTIPS_CLASSW, nullptr)) {
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof(tool);
        tool.hwnd = page;
        tool.uId = reinterpret_cast<UINT_PTR>(control);
        tool.lpszText = text;
        ::SendMessageW(w, TTM_GETTEXTW, std::size(text), reinterpret_cast<LPARAM>(&tool));
    }
    return text;
}

}  // namespace

TEST_F(PagesTest, EveryCheckBoxExplainsItselfInATip) {
    CBasicSettingsDlg basic;
    CAdvancedSettingsDlg advanced;
    ASSERT_TRUE(basic.Create(Frame()));
    ASSERT_TRUE(advanced.Create(Frame()));
    int boxes = 0;
    for (HWND page : {basic.m_hWnd, advanced.m_hWnd}) {
        for (HWND child = ::GetWindow(page, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
            if ((::GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK) != BS_AUTOCHECKBOX) continue;
            ++boxes;
            EXPECT_NE(L"", TipOf(page, child)) << testing_support::Narrow(WindowText(child));
        }
    }
    EXPECT_EQ(settings_table::All().size(), static_cast<size_t>(boxes));  // every setting has its box
    EXPECT_EQ(L"Enabled to switch desktops by pressing Mouse Wheel(Middle) Button.",
              TipOf(basic, ::GetDlgItem(basic, IDC_SW_WHEEL)));
    EXPECT_EQ(L"Re-enter password for switching to virtual desktop here.",
              TipOf(basic, ::GetDlgItem(basic, IDC_PWD_VIRT_CONFIRM)));
    EXPECT_EQ(L"", TipOf(advanced, ::GetDlgItem(advanced, IDC_AC_FILE_PATH)));
}

TEST_F(PagesTest, PagesFitTheirTextsAndScreenshots) {
    CBasicSettingsDlg basic;
    CAdvancedSettingsDlg advanced;
    CAboutDlg about;
    ASSERT_TRUE(basic.Create(Frame()));
    ASSERT_TRUE(advanced.Create(Frame()));
    ASSERT_TRUE(about.Create(Frame()));
    PageValues basicValues, advancedValues;

    basicValues.shown.middleButton = 1;
    basicValues.shown.doubleButton = 1;
    basicValues.shown.switchHotkey = Hotkey(0, VK_F1, 0, 0, 0);
    basicValues.shown.autoStartup = 1;
    basicValues.shown.trayIcon = 1;
    basicValues.shown.autoUpdate = 1;
    basicValues.shown.settingsHotkey = Hotkey(1, VK_F2, 0, 0, 1);
    SetRestorePassword(basicValues, 0, L"");
    SetSwitchPassword(basicValues, 1, L"secret");
    advancedValues.shown.mute = 1;
    advancedValues.shown.clearRecentDocs = 1;
    SetText(advancedValues.shown.openFile, 1, L"C:\\Users\\me\\Documents\\plan.txt");
    SetText(advancedValues.shown.openWebsite, 0, L"");
    advancedValues.shown.terminateProcesses = ProcessList{1, {L"notepad.exe", L"winword.exe"}};
    SetText(advancedValues.shown.closeWindows, 1, L"Budget");
    ShowSettings(basic, SettingsPage::Basic, basicValues);
    ShowSettings(advanced, SettingsPage::Advanced, advancedValues);
    about.SetVersionText(L"3.1(290)");

    const struct {
        HWND page;
        const wchar_t* file;
    } shots[] = {{basic, L"page_basic.png"}, {advanced, L"page_advanced.png"}, {about, L"page_about.png"}};
    for (const auto& shot : shots) {
        SCOPED_TRACE(testing::Message() << "page " << shot.file);
        for (const auto& other : shots) ::ShowWindow(other.page, SW_HIDE);
        s_frame->PlacePage(shot.page);
        ui_test::PumpFor(300);
        ::UpdateWindow(Frame());
        RECT rc{};
        ::GetWindowRect(shot.page, &rc);
        EXPECT_FALSE(SaveScreenshot(ReadScreenRect(rc), shot.file).empty());
        for (const std::wstring& fault : testing_support::LayoutFaults(shot.page)) ADD_FAILURE() << fault;
    }
    EXPECT_EQ(DlgItemText(about, IDC_ABOUT_VERSION), L"3.1(290)");
}

TEST_F(PagesTest, WiderPagesWidenTheirColumnsAndKeepTheMargins) {
    CBasicSettingsDlg page;
    ASSERT_TRUE(page.Create(Frame()));
    s_frame->PlacePage(page);
    auto rect = [&](int id) {
        RECT rc{};
        ::GetWindowRect(::GetDlgItem(page, id), &rc);
        ::MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&rc), 2);
        return rc;
    };
    const RECT wheel = rect(IDC_SW_WHEEL), hotkey = rect(IDC_SW_HOTKEY), confirm = rect(IDC_PWD_VIRT_CONFIRM);
    RECT rc{};
    page.GetClientRect(&rc);
    ::SetWindowPos(page, nullptr, 0, 0, rc.right + 40, rc.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(rect(IDC_SW_WHEEL).left, wheel.left);
    EXPECT_NEAR(rect(IDC_SW_HOTKEY).left, hotkey.left + 20, 1);  // the right half of a wider line
    EXPECT_EQ(rect(IDC_SW_HOTKEY).right, hotkey.right + 40);
    EXPECT_EQ(rect(IDC_PWD_VIRT_CONFIRM).right, confirm.right + 40);
    EXPECT_TRUE(testing_support::LayoutFaults(page).empty());
}

namespace {

// Points a URL scheme's open command at another program (the classes root here is the machine's),
// and puts the old command back when it goes.
class HandlerOverride {
public:
    HandlerOverride(const wchar_t* scheme, const std::wstring& exe)
        : m_path(std::wstring(L"Software\\Classes\\") + scheme + L"\\shell\\open\\command") {
        HKEY key = nullptr;
        if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, m_path.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key,
                              nullptr) != ERROR_SUCCESS) {
            return;
        }
        wchar_t old[1024];
        DWORD size = sizeof(old) - sizeof(wchar_t), type = 0;
        if (::RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(old), &size) == ERROR_SUCCESS &&
            (type == REG_SZ || type == REG_EXPAND_SZ)) {
            old[size / sizeof(wchar_t)] = L'\0';
            m_old = old;
            m_hadOld = true;
            m_oldType = type;
        }
        const std::wstring command = L"\"" + exe + L"\" %1";
        ok = ::RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                              static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
        ::RegCloseKey(key);
    }
    ~HandlerOverride() {
        HKEY key = nullptr;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, m_path.c_str(), 0, KEY_WRITE, &key) != ERROR_SUCCESS) return;
        if (m_hadOld) {
            ::RegSetValueExW(key, nullptr, 0, m_oldType, reinterpret_cast<const BYTE*>(m_old.c_str()),
                             static_cast<DWORD>((m_old.size() + 1) * sizeof(wchar_t)));
        } else {
            ::RegDeleteValueW(key, nullptr);
        }
        ::RegCloseKey(key);
    }
    bool ok = false;

private:
    std::wstring m_path;
    std::wstring m_old;
    bool m_hadOld = false;
    DWORD m_oldType = REG_SZ;
};

}  // namespace

TEST_F(PagesTest, AboutPageLinksOpenTheMakersSiteAndANewMailToSupport) {
    CAboutDlg page;
    ASSERT_TRUE(page.Create(Frame()));
    s_frame->PlacePage(page);
    EXPECT_EQ(DlgItemText(page, IDC_ABOUT_SUPPORT), L"support@morvex.net");

    // The system's handlers for mail and web addresses become a stand-in that records how it was
    // started; the prefix's own handlers come back afterwards.
    testing_support::TempDir dir;
    const std::wstring handler = dir.File(L"handler.exe");
    ASSERT_TRUE(::CopyFileW(testing_support::HelperPath(L"command_recorder.exe").c_str(), handler.c_str(), FALSE));
    HandlerOverride mail(L"mailto", handler), web(L"https", handler);
    ASSERT_TRUE(mail.ok && web.ok);
    auto recorded = [log = handler + L".log"](const wchar_t* address) {
        return testing_support::WaitUntil(
            [&] { return testing_support::ReadFileText(log).find(address) != std::wstring::npos; }, 10000);
    };
    Click(page, IDC_ABOUT_SUPPORT);
    EXPECT_TRUE(recorded(L"mailto:support@morvex.net"));
    Click(page, IDC_ABOUT_MAKER);
    EXPECT_TRUE(recorded(L"https://www.morvex.net/veilpane/"));
}
