// The settings passes (load, apply, save) and the setters' effects, on a real settings window created
// on the test thread, against the real registry, the input hook component and the module's mirror.
#include <gtest/gtest.h>

#include <memory>

#include "SettingsTestSupport.h"
#include "framework/Text.h"
#include "settings/SettingsMirror.h"
#include "settings/StoredPassword.h"
#include "support/TestSupport.h"
#include "switching/InputHook.h"
#include "ui/MainFrame.h"

using namespace settings_test;

namespace {

// The frame runs on the test thread here, so its destroy step posts WM_QUIT to the test thread; that
// must not end the next test's message boxes before they are shown.
void DropQuitMessages() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {}
}

// The settings window with the person at it allowing every password change: what asks for the
// password is the settings window's own test.
class CAllowingFrame : public CMainFrame {
public:
    bool AllowPasswordChange(bool) override { return true; }
};

class SettingsPassesTest : public SettingsKeyTest {
protected:
    void SetUp() override {
        SettingsKeyTest::SetUp();
        DropQuitMessages();
    }
    void TearDown() override {
        frame.reset();
        DropQuitMessages();
        SettingsKeyTest::TearDown();
    }
    CMainFrame& Start() {
        frame = std::make_unique<CAllowingFrame>();
        EXPECT_TRUE(frame->CreateFrame());
        return *frame;
    }
    // A basic page that shows what the frame holds, attached as if the user had opened it.
    ValuePage& OpenBasicPage() {
        frame->AttachPage(SettingsPage::Basic, &basic);
        return basic;
    }
    ValuePage& OpenAdvancedPage() {
        frame->AttachPage(SettingsPage::Advanced, &advanced);
        return advanced;
    }

    std::unique_ptr<CMainFrame> frame;
    ValuePage basic;
    ValuePage advanced;
};

TEST_F(SettingsPassesTest, LoadOnEmptyKeyGivesEveryDefaultAndWritesOnlyTheRunValue) {
    CMainFrame& f = Start();
    const CSettingsData& s = f.Owner().Settings();
    EXPECT_EQ(1, s.middleButton);
    EXPECT_EQ(1, s.doubleButton);
    EXPECT_EQ(0, s.switchHotkey.bEnabled);
    EXPECT_EQ(static_cast<DWORD>(VK_F1), s.switchHotkey.nKey);  // kept while off
    EXPECT_EQ(1, s.autoStartup);
    EXPECT_EQ(1, s.trayIcon);
    EXPECT_EQ(1, s.autoUpdate);
    EXPECT_EQ(1, s.settingsHotkey.bEnabled);
    EXPECT_EQ(static_cast<DWORD>(VK_F2), s.settingsHotkey.nKey);
    EXPECT_EQ(1, s.settingsHotkey.bAlt);
    EXPECT_EQ(0, s.settingsHotkey.bCtrl + s.settingsHotkey.bShift);
    EXPECT_EQ(0, s.switchPassword.on + s.restorePassword.on + s.mute + s.monitorOff + s.disableTaskMgr +
                     s.clearIEHistory + s.clearTypedUrls + s.clearRecentDocs + s.holdClipboard + s.terminateProcesses.on + s.closeWindows.on +
                     s.openFile.on + s.openWebsite.on);
    EXPECT_EQ(0u, s.terminateProcesses.names.size());

    // In effect: the triggers, the mirror, the tray icon, the settings hotkey.
    const auto trig = CInputHook::TriggersOf(*g_SettingsMirror.Snapshot());
    EXPECT_TRUE(trig.middle);
    EXPECT_TRUE(trig.doubleButton);
    EXPECT_EQ(0, trig.key);
    const CSettingsData m = *g_SettingsMirror.Snapshot();
    EXPECT_EQ(1, m.autoUpdate);
    EXPECT_STREQ(L"", m.switchPassword.text);
    EXPECT_STREQ(L"", m.openFile.text);
    EXPECT_TRUE(f.Owner().TrayIconShown());
    EXPECT_TRUE(TrayIconPresent(f.m_hWnd, CMainFrame::kTrayIconId));
    // Alt+F2 is taken by the frame now.
    EXPECT_FALSE(::RegisterHotKey(nullptr, 0x7001, MOD_ALT, VK_F2));

    // Nothing of the table is written; the program starts with Windows from its own path.
    EXPECT_EQ(0u, ValueCount(kSettingsKey));
    EXPECT_EQ(L"\"" + std::wstring(f.Owner().ExecutablePath()) + L"\"", ReadText(L"Veilpane", kRunKey).value_or(L"<none>"));
    EXPECT_NE(std::wstring::npos, std::wstring(f.Owner().ExecutablePath()).find(L"settings_gui_tests.exe"));
}

TEST_F(SettingsPassesTest, LoadGivesTheDefaultForWhatCannotBeReadAndMakesTheProcessCountTrue) {
    const wchar_t wheelAsText[] = L"0";
    WriteRaw(L"SW_WHEEL", REG_SZ, wheelAsText, sizeof(wheelAsText));     // wrong type: default 1
    WriteDword(L"SW_DOUBLE", 0);
    WriteDword(L"SW_HOTKEY_ENABLED", 7);                                 // any non-zero is on
    WriteDword(L"SW_HOTKEY", 0x100 + 'K');                               // low 8 bits only
    WriteDword(L"SW_CTRL", 1);
    WriteDword(L"PWD_VIRT_ENABLED", 1);
    WriteText(L"PWD_VIRT", L"fifteen-chars!!");                          // 15 characters: too long, emptied
    WriteDword(L"PWD_ORIG_ENABLED", 1);
    WriteText(L"PWD_ORIG", L"fourteen-chars");                           // 14 characters: hashed
    WriteDword(L"AC_TASKMGR", 5);
    WriteDword(L"AC_PROCESSES_ENABLED", 1);
    WriteDword(L"AC_PROCESSES_COUNT", 3);
    WriteText(L"AC_PROCESS0", L"notepad.exe");
    WriteText(L"AC_PROCESS2", L"calc.exe");
    WriteDword(L"AC_FILE_ENABLED", 0);
    WriteText(L"AC_FILE_PATH", L"C:\\secret.txt");
    WriteDword(L"AC_WEBSITE_ENABLED", 1);
    const char odd[3] = {'h', 0, 0};
    WriteRaw(L"AC_WEBSITE_URL", REG_SZ, odd, 3);                          // odd size: empty
    WriteDword(L"AC_WINDOWS_ENABLED", 1);
    WriteText(L"AC_WINDOWS_TITLE", std::wstring(261, L'w').c_str());      // needs 262 units: empty

    CMainFrame& f = Start();
    const CSettingsData& s = f.Owner().Settings();
    EXPECT_EQ(1, s.middleButton);
    EXPECT_EQ(0, s.doubleButton);
    EXPECT_EQ(1, s.switchHotkey.bEnabled);
    EXPECT_EQ(static_cast<DWORD>('K'), s.switchHotkey.nKey);
    EXPECT_EQ(0, s.switchPassword.on);
    EXPECT_STREQ(L"", s.switchPassword.text);
    EXPECT_EQ(1, s.restorePassword.on);
    EXPECT_EQ(2u, s.terminateProcesses.names.size());
    ASSERT_EQ(2u, s.terminateProcesses.names.size());
    EXPECT_EQ(L"notepad.exe", s.terminateProcesses.names[0]);
    EXPECT_EQ(L"calc.exe", s.terminateProcesses.names[1]);
    EXPECT_STREQ(L"C:\\secret.txt", s.openFile.text);
    EXPECT_EQ(0, s.openWebsite.on);  // on, but with nothing to open
    EXPECT_EQ(0, s.closeWindows.on);

    const auto trig = CInputHook::TriggersOf(*g_SettingsMirror.Snapshot());
    EXPECT_TRUE(trig.middle);
    EXPECT_FALSE(trig.doubleButton);
    EXPECT_EQ('K', trig.key);
    EXPECT_TRUE(trig.ctrl);
    EXPECT_FALSE(trig.alt);

    const CSettingsData m = *g_SettingsMirror.Snapshot();
    EXPECT_STREQ(L"", m.switchPassword.text);
    EXPECT_TRUE(IsRecordOf(m.restorePassword.text, L"fourteen-chars"));
    EXPECT_TRUE(IsRecordOf(ReadText(L"PWD_ORIG"), L"fourteen-chars"));
    EXPECT_EQ(L"", ReadText(L"PWD_VIRT").value_or(L"<none>"));
    EXPECT_EQ(1, m.disableTaskMgr);
    EXPECT_EQ(1, m.terminateProcesses.on);
    EXPECT_STREQ(L"", m.openFile.text);  // the path stays in the record only
    EXPECT_STREQ(L"", m.openWebsite.text);
    EXPECT_EQ((std::vector<std::wstring>{L"notepad.exe", L"calc.exe"}), g_SettingsMirror.Snapshot()->terminateProcesses.names);
}

TEST_F(SettingsPassesTest, LoadOfAnAbsurdProcessCountEndsPromptly) {
    WriteDword(L"AC_PROCESSES_COUNT", 0xFFFFFFFF);
    WriteText(L"AC_PROCESS0", L"a.exe");
    WriteText(L"AC_PROCESS1", L"b.exe");
    const ULONGLONG start = ::GetTickCount64();
    CMainFrame& f = Start();
    EXPECT_LT(::GetTickCount64() - start, 20000u);
    EXPECT_EQ(2u, f.Owner().Settings().terminateProcesses.names.size());
}

TEST_F(SettingsPassesTest, PasswordBoxesMustMatchWithCaseInBothDirections) {
    CMainFrame& f = Start();
    ValuePage& page = OpenBasicPage();
    HintWatcher hints;

    // Switch password boxes differ in case: refused; the restore password after it is not applied.
    page.SetSwitchPassword(1, L"Secret", L"secret");
    page.SetRestorePassword(1, L"back", L"back");
    EXPECT_EQ(ApplyResult::SwitchPasswordMismatch, f.ApplyPages());
    EXPECT_FALSE(ReadDword(L"PWD_VIRT_ENABLED"));
    EXPECT_FALSE(ReadDword(L"PWD_ORIG_ENABLED"));
    EXPECT_STREQ(L"", g_SettingsMirror.Snapshot()->restorePassword.text);

    // Restore boxes that differ only in case are refused as well: the prompt compares with case.
    page.SetSwitchPassword(1, L"Secret", L"Secret");
    page.SetRestorePassword(1, L"Back", L"BACK");
    EXPECT_EQ(ApplyResult::RestorePasswordMismatch, f.ApplyPages());
    EXPECT_TRUE(IsRecordOf(ReadText(L"PWD_VIRT"), L"Secret"));
    EXPECT_FALSE(ReadText(L"PWD_ORIG").has_value());

    page.SetRestorePassword(1, L"Back", L"Back");
    EXPECT_EQ(ApplyResult::Applied, f.ApplyPages());
    EXPECT_EQ(1u, ReadDword(L"PWD_VIRT_ENABLED").value_or(0));
    EXPECT_TRUE(IsRecordOf(ReadText(L"PWD_ORIG"), L"Back"));
    const CSettingsData m = *g_SettingsMirror.Snapshot();
    EXPECT_TRUE(IsRecordOf(m.switchPassword.text, L"Secret"));
    EXPECT_TRUE(IsRecordOf(m.restorePassword.text, L"Back"));

    EXPECT_TRUE(testing_support::WaitUntil([&] { return hints.Texts().size() >= 2; }, 5000));
    EXPECT_EQ((std::vector<std::wstring>{settings_text::kSwitchPwdMismatch, settings_text::kRestorePwdMismatch}),
              hints.Texts());
}

TEST_F(SettingsPassesTest, ClearPasswordOfAnOlderBuildIsHashedAtLoadAndThePageOnlyEverSeesTheMask) {
    WriteDword(L"PWD_VIRT_ENABLED", 1);
    WriteText(L"PWD_VIRT", L"secret1");
    CMainFrame& f = Start();
    EXPECT_FALSE(AnyValueHolds(L"secret1"));
    const std::wstring record = ReadText(L"PWD_VIRT").value_or(L"");
    EXPECT_TRUE(IsRecordOf(record, L"secret1"));
    EXPECT_FALSE(IsRecordOf(record, L"Secret1"));
    EXPECT_EQ(record, std::wstring(g_SettingsMirror.Snapshot()->switchPassword.text));

    // The page gets the mask, never the record; left as it is, Apply keeps the record and writes nothing.
    ValuePage& page = OpenBasicPage();
    EXPECT_STREQ(stored_password::kPageMask, page.v.shown.switchPassword.text);
    EXPECT_STREQ(stored_password::kPageMask, page.v.switchPasswordConfirm);
    EXPECT_STREQ(L"", page.v.shown.restorePassword.text);
    testing_support::DeleteKeyTree(kSettingsKey);
    EXPECT_EQ(ApplyResult::Applied, f.ApplyPages());
    EXPECT_EQ(0u, ValueCount(kSettingsKey));
    EXPECT_EQ(record, std::wstring(f.Owner().Settings().switchPassword.text));

    // Typing into one box only breaks the confirmation; into both replaces the password.
    page.SetSwitchPassword(1, L"tulip", stored_password::kPageMask);
    HintWatcher hints;
    EXPECT_EQ(ApplyResult::SwitchPasswordMismatch, f.ApplyPages());
    page.SetSwitchPassword(1, L"tulip", L"tulip");
    EXPECT_EQ(ApplyResult::Applied, f.ApplyPages());
    EXPECT_TRUE(IsRecordOf(ReadText(L"PWD_VIRT"), L"tulip"));
    EXPECT_FALSE(IsRecordOf(ReadText(L"PWD_VIRT"), L"secret1"));
    EXPECT_STREQ(stored_password::kPageMask, page.v.shown.switchPassword.text);  // the typed text is gone from the page
    f.Owner().SaveSettings();
    EXPECT_TRUE(IsRecordOf(ReadText(L"PWD_VIRT"), L"tulip"));
    EXPECT_FALSE(AnyValueHolds(L"tulip"));
}

TEST_F(SettingsPassesTest, LetterCaseChangesPasswordsAndTitlesButNotPathsOrProcessNames) {
    WriteDword(L"PWD_VIRT_ENABLED", 1);
    WriteText(L"PWD_VIRT", L"Secret");
    WriteDword(L"AC_FILE_ENABLED", 1);
    WriteText(L"AC_FILE_PATH", L"C:\\Notes.txt");
    WriteDword(L"AC_WINDOWS_ENABLED", 1);
    WriteText(L"AC_WINDOWS_TITLE", L"notepad");
    WriteDword(L"AC_PROCESSES_ENABLED", 1);
    WriteDword(L"AC_PROCESSES_COUNT", 1);
    WriteText(L"AC_PROCESS0", L"notepad.exe");
    CMainFrame& f = Start();
    ValuePage& page = OpenBasicPage();
    ValuePage& adv = OpenAdvancedPage();
    testing_support::DeleteKeyTree(kSettingsKey);  // whatever Apply writes now shows up alone

    // Paths and process names mean the same thing in any case: no change.
    vp::CopyText(adv.v.shown.openFile.text, L"c:\\notes.TXT");
    adv.v.shown.terminateProcesses.names = {L"NOTEPAD.EXE"};
    EXPECT_EQ(ApplyResult::Applied, f.ApplyPages());
    EXPECT_EQ(0u, ValueCount(kSettingsKey));
    EXPECT_STREQ(L"C:\\Notes.txt", g_SettingsMirror.Snapshot()->openFile.text);

    // A password or a window title in another case is another password or title.
    page.SetSwitchPassword(1, L"SECRET", L"SECRET");
    vp::CopyText(adv.v.shown.closeWindows.text, L"Notepad");
    EXPECT_EQ(ApplyResult::Applied, f.ApplyPages());
    EXPECT_TRUE(IsRecordOf(ReadText(L"PWD_VIRT"), L"SECRET"));
    EXPECT_FALSE(IsRecordOf(ReadText(L"PWD_VIRT"), L"Secret"));
    EXPECT_EQ(L"Notepad", ReadText(L"AC_WINDOWS_TITLE").value_or(L""));
    EXPECT_TRUE(IsRecordOf(g_SettingsMirror.Snapshot()->switchPassword.text, L"SECRET"));
    EXPECT_STREQ(L"Notepad", g_SettingsMirror.Snapshot()->closeWindows.text);
}

TEST_F(SettingsPassesTest, TrayIconAndSettingsHotkeyBothOffGiveTheMessageAndTheIconBack) {
    CMainFrame& f = Start();
    ValuePage& page = OpenBasicPage();
    ValuePage& adv = OpenAdvancedPage();
    HintWatcher hints;

    page.v.shown.middleButton = 0;                 // applied: before the rule
    page.v.shown.trayIcon = 0;
    page.v.shown.settingsHotkey.bEnabled = 0;
    page.SetSwitchPassword(1, L"pw", L"pw");  // not applied: after the rule
    adv.v.shown.mute = 1;                   // not applied either

    EXPECT_EQ(ApplyResult::TrayAndHotkeyOff, f.ApplyPages());
    EXPECT_EQ((std::vector<std::wstring>{settings_text::kTrayAndHotkeyOff}), hints.Texts());
    EXPECT_EQ(0u, ReadDword(L"SW_WHEEL").value_or(9));
    EXPECT_FALSE(CInputHook::TriggersOf(*g_SettingsMirror.Snapshot()).middle);
    EXPECT_EQ(1u, ReadDword(L"SS_TRAYICON").value_or(9));
    EXPECT_EQ(1, f.Owner().Settings().trayIcon);
    EXPECT_EQ(1, page.v.shown.trayIcon);    // the check box is set again
    EXPECT_TRUE(f.Owner().TrayIconShown());
    EXPECT_TRUE(TrayIconPresent(f.m_hWnd, CMainFrame::kTrayIconId));
    EXPECT_FALSE(::RegisterHotKey(nullptr, 0x7001, MOD_ALT, VK_F2));  // the frame's hotkey was not touched
    EXPECT_FALSE(ReadDword(L"SS_HOTKEY_ENABLED"));
    EXPECT_FALSE(ReadDword(L"PWD_VIRT_ENABLED"));
    EXPECT_FALSE(ReadDword(L"AC_MUTE"));
    EXPECT_EQ(0, g_SettingsMirror.Snapshot()->mute);

    // The tray icon alone may go while the settings hotkey stays.
    page.v.shown.trayIcon = 0;
    page.v.shown.settingsHotkey.bEnabled = 1;
    page.SetSwitchPassword(0, L"", L"");
    EXPECT_EQ(ApplyResult::Applied, f.ApplyPages());
    EXPECT_FALSE(f.Owner().TrayIconShown());
    EXPECT_FALSE(TrayIconPresent(f.m_hWnd, CMainFrame::kTrayIconId));
    EXPECT_EQ(0u, ReadDword(L"SS_TRAYICON").value_or(9));
    EXPECT_EQ(1u, ReadDword(L"AC_MUTE").value_or(9));
}

TEST_F(SettingsPassesTest, OnlyPagesThatExistAreReadAndWritten) {
    CMainFrame& f = Start();
    // No page: nothing written, and Apply still runs to its end.
    EXPECT_EQ(ApplyResult::Applied, f.Owner().OnApply(nullptr, nullptr));
    EXPECT_EQ(0u, ValueCount(kSettingsKey));

    // The advanced page alone: only its values.
    PageValues adv;
    adv.shown.monitorOff = 1;
    adv.shown.openWebsite.on = 1;
    vp::CopyText(adv.shown.openWebsite.text, L"http://example.invalid/");
    EXPECT_EQ(ApplyResult::Applied, f.Owner().OnApply(nullptr, &adv));
    EXPECT_EQ(1u, ReadDword(L"AC_MONITOR").value_or(9));
    EXPECT_EQ(1u, ReadDword(L"AC_WEBSITE_ENABLED").value_or(9));
    EXPECT_EQ(L"http://example.invalid/", ReadText(L"AC_WEBSITE_URL").value_or(L""));
    EXPECT_EQ(3u, ValueCount(kSettingsKey));  // monitor, the website's flag and address; nothing basic
    EXPECT_EQ(0u, ReadDword(L"AC_PROCESSES_ENABLED").value_or(0));
    EXPECT_FALSE(ReadDword(L"SW_WHEEL"));
    EXPECT_STREQ(L"http://example.invalid/", g_SettingsMirror.Snapshot()->openWebsite.text);
}

TEST_F(SettingsPassesTest, DisabledPasswordIsStoredEmptyWhileDisabledTextsKeepTheirText) {
    WriteDword(L"PWD_VIRT_ENABLED", 1);
    WriteText(L"PWD_VIRT", L"hidden");
    WriteDword(L"AC_FILE_ENABLED", 1);
    WriteText(L"AC_FILE_PATH", L"C:\\a.txt");
    CMainFrame& f = Start();
    ValuePage& page = OpenBasicPage();
    ValuePage& adv = OpenAdvancedPage();

    page.v.shown.switchPassword.on = 0;
    adv.v.shown.openFile.on = 0;
    adv.v.shown.closeWindows.on = 0;
    vp::CopyText(adv.v.shown.closeWindows.text, L"Budget");  // a title typed while off
    EXPECT_EQ(ApplyResult::Applied, f.ApplyPages());
    EXPECT_EQ(0u, ReadDword(L"PWD_VIRT_ENABLED").value_or(9));
    EXPECT_EQ(L"", ReadText(L"PWD_VIRT").value_or(L"<none>"));
    EXPECT_EQ(0u, ReadDword(L"AC_FILE_ENABLED").value_or(9));
    EXPECT_EQ(L"C:\\a.txt", ReadText(L"AC_FILE_PATH").value_or(L""));
    EXPECT_EQ(L"Budget", ReadText(L"AC_WINDOWS_TITLE").value_or(L""));
    const CSettingsData m = *g_SettingsMirror.Snapshot();
    EXPECT_STREQ(L"", m.switchPassword.text);
    EXPECT_STREQ(L"", m.openFile.text);
    EXPECT_STREQ(L"", m.closeWindows.text);

    // Password on with both boxes empty: the setter turns it off, and the page follows.
    page.SetSwitchPassword(1, L"", L"");
    EXPECT_EQ(ApplyResult::Applied, f.ApplyPages());
    EXPECT_EQ(0, page.v.shown.switchPassword.on);
    EXPECT_EQ(0u, ReadDword(L"PWD_VIRT_ENABLED").value_or(9));
}

TEST_F(SettingsPassesTest, HotkeysAndProcessListApplyAsGroups) {
    WriteDword(L"AC_PROCESSES_ENABLED", 1);
    WriteDword(L"AC_PROCESSES_COUNT", 3);
    for (const wchar_t* n : {L"AC_PROCESS0", L"AC_PROCESS1", L"AC_PROCESS2"}) WriteText(n, L"old.exe");
    CMainFrame& f = Start();
    ValuePage& page = OpenBasicPage();
    ValuePage& adv = OpenAdvancedPage();

    page.v.shown.switchHotkey = HotkeySetting{1, 'H', 1, 1, 0};
    page.v.shown.settingsHotkey = HotkeySetting{1, VK_F9, 1, 0, 0};
    adv.v.shown.terminateProcesses.names = {L"one.exe"};
    EXPECT_EQ(ApplyResult::Applied, f.ApplyPages());

    const auto trig = CInputHook::TriggersOf(*g_SettingsMirror.Snapshot());
    EXPECT_EQ('H', trig.key);
    EXPECT_TRUE(trig.ctrl && trig.shift && !trig.alt);
    EXPECT_EQ(static_cast<DWORD>('H'), ReadDword(L"SW_HOTKEY").value_or(0));
    EXPECT_EQ(1u, ReadDword(L"SW_SHIFT").value_or(0));
    EXPECT_EQ(static_cast<DWORD>(VK_F9), ReadDword(L"SS_HOTKEY").value_or(0));
    EXPECT_EQ(0u, ReadDword(L"SS_ALT").value_or(9));
    // The new settings hotkey holds Ctrl+F9 and Alt+F2 is free again.
    EXPECT_FALSE(::RegisterHotKey(nullptr, 0x7002, MOD_CONTROL, VK_F9));
    EXPECT_TRUE(::RegisterHotKey(nullptr, 0x7003, MOD_ALT, VK_F2));
    ::UnregisterHotKey(nullptr, 0x7003);

    EXPECT_EQ(1u, ReadDword(L"AC_PROCESSES_COUNT").value_or(0));
    EXPECT_EQ(L"one.exe", ReadText(L"AC_PROCESS0").value_or(L""));
    EXPECT_EQ(L"old.exe", ReadText(L"AC_PROCESS2").value_or(L""));  // stale values stay
    EXPECT_EQ((std::vector<std::wstring>{L"one.exe"}), g_SettingsMirror.Snapshot()->terminateProcesses.names);

    // Switching the hotkey off keeps its combination but tells the hook component no key.
    page.v.shown.switchHotkey.bEnabled = 0;
    EXPECT_EQ(ApplyResult::Applied, f.ApplyPages());
    EXPECT_EQ(0, CInputHook::TriggersOf(*g_SettingsMirror.Snapshot()).key);
    EXPECT_EQ(0u, ReadDword(L"SW_HOTKEY_ENABLED").value_or(9));
    EXPECT_EQ(static_cast<DWORD>('H'), ReadDword(L"SW_HOTKEY").value_or(0));
    EXPECT_EQ(0, page.v.shown.switchHotkey.bEnabled);
    EXPECT_EQ(static_cast<DWORD>('H'), page.v.shown.switchHotkey.nKey);
}

TEST_F(SettingsPassesTest, SaveWritesEveryValueFromTheRecordNeverFromUnappliedPages) {
    WriteDword(L"AC_MUTE", 1);
    WriteDword(L"PWD_ORIG_ENABLED", 0);
    WriteText(L"PWD_ORIG", L"kept-off");
    WriteDword(L"AC_PROCESSES_COUNT", 2);
    WriteText(L"AC_PROCESS0", L"x.exe");
    WriteText(L"AC_PROCESS1", L"y.exe");
    CMainFrame& f = Start();
    ValuePage& page = OpenBasicPage();
    ValuePage& adv = OpenAdvancedPage();
    testing_support::DeleteKeyTree(kSettingsKey);

    page.v.shown.middleButton = 0;   // typed, never applied
    adv.v.shown.mute = 0;
    f.Owner().SaveSettings();

    EXPECT_EQ(1u, ReadDword(L"SW_WHEEL").value_or(9));
    EXPECT_EQ(1u, ReadDword(L"AC_MUTE").value_or(9));
    EXPECT_EQ(L"", ReadText(L"PWD_ORIG").value_or(L"<none>"));  // a password that is off is stored empty
    EXPECT_EQ(static_cast<DWORD>(VK_F2), ReadDword(L"SS_HOTKEY").value_or(0));
    EXPECT_EQ(L"y.exe", ReadText(L"AC_PROCESS1").value_or(L""));
    // The 34 fixed values of the table and the two process names.
    EXPECT_EQ(34u + 2u, ValueCount(kSettingsKey));
}

TEST_F(SettingsPassesTest, RunValueIsQuotedLeftAloneWhenItDiffersOnlyInCaseAndDeletedWhenOff) {
    wchar_t exe[MAX_PATH];
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    const std::wstring quoted = L"\"" + std::wstring(exe) + L"\"";
    std::wstring upper(quoted);
    for (wchar_t& c : upper) c = static_cast<wchar_t>(::towupper(c));
    ASSERT_NE(upper, quoted);
    WriteText(L"Veilpane", upper.c_str(), kRunKey);
    CMainFrame& f = Start();
    EXPECT_EQ(upper, ReadText(L"Veilpane", kRunKey).value_or(L""));

    // Another path, and an older build's unquoted value of this very path: both written quoted.
    for (const wchar_t* before : {L"C:\\elsewhere\\Veilpane.exe", static_cast<const wchar_t*>(exe)}) {
        WriteText(L"Veilpane", before, kRunKey);
        f.Owner().SaveSettings();
        EXPECT_EQ(quoted, ReadText(L"Veilpane", kRunKey).value_or(L""));
    }

    ValuePage page;
    f.Owner().ShowPage(SettingsPage::Basic, page);
    page.v.shown.autoStartup = 0;
    EXPECT_EQ(ApplyResult::Applied, f.Owner().OnApply(&page.v, nullptr));
    EXPECT_FALSE(ReadText(L"Veilpane", kRunKey));
    EXPECT_EQ(0u, ReadDword(L"SS_STARTUP").value_or(9));
}

}  // namespace
