// The settings owner on its own, with a recorder in place of the settings window: Apply's rules and
// what each pass puts into effect, without any window, tray icon or hotkey.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SettingsTestSupport.h"
#include "framework/Text.h"
#include "settings/SettingsOwner.h"

using namespace settings_test;

namespace {

// Every effect as one line of text, in the order asked for.
class EffectsRecorder : public ISettingsEffects {
public:
    std::vector<std::wstring> calls;
    SettingsSnapshot published = std::make_shared<const CSettingsData>();

    void PublishSettings(SettingsSnapshot settings) override {
        published = std::move(settings);
        Add(L"publish");
    }
    void AddSettingsTrayIcon() override { Add(L"tray on"); }
    void RemoveSettingsTrayIcon() override { Add(L"tray off"); }
    void RegisterSettingsHotkey(UINT modifiers, UINT key) override {
        Add(L"hotkey " + std::to_wstring(modifiers) + L" " + std::to_wstring(key));
    }
    void UnregisterSettingsHotkey() override { Add(L"hotkey off"); }
    void SetRunValue(const wchar_t* exePath) override { Add(exePath ? L"run on" : L"run off"); }
    void ShowSettingHint(const wchar_t* text) override { Add(std::wstring(L"hint ") + text); }
    void CloseSettingsWindow() override { Add(L"close"); }
    bool AllowPasswordChange(bool restore) override {
        Add(restore ? L"ask restore" : L"ask switch");
        return passwordGiven;
    }
    bool passwordGiven = false;

private:
    void Add(std::wstring call) { calls.push_back(std::move(call)); }
};

class SettingsOwnerTest : public SettingsKeyTest {
protected:
    // Loads from the (empty) private key and forgets what loading did.
    void Load() {
        owner.LoadSettings();
        owner.ShowPage(SettingsPage::Basic, basic);  // the pages show what is in force
        owner.ShowPage(SettingsPage::Advanced, advanced);
        effects.calls.clear();
    }
    EffectsRecorder effects;
    CSettingsOwner owner{effects};
    ValuePage basic;
    ValuePage advanced;
};

TEST_F(SettingsOwnerTest, LoadPutsTheDefaultsIntoEffectInTheKeysOrder) {
    owner.LoadSettings();
    const std::vector<std::wstring> expected = {
        L"run on", L"tray on", L"hotkey " + std::to_wstring(MOD_ALT) + L" " + std::to_wstring(VK_F2), L"publish"};
    EXPECT_EQ(expected, effects.calls);
    EXPECT_EQ(1, effects.published->middleButton);
    EXPECT_EQ(1, effects.published->autoUpdate);
    EXPECT_EQ(0u, ValueCount());
}

TEST_F(SettingsOwnerTest, TrayAndHotkeyOffStopsApplyBeforeTheHotkeyAndBringsTheIconBack) {
    Load();
    basic.v.shown.middleButton = BST_UNCHECKED;
    basic.v.shown.trayIcon = BST_UNCHECKED;
    basic.v.shown.settingsHotkey.bEnabled = BST_UNCHECKED;
    advanced.v.shown.mute = BST_CHECKED;
    EXPECT_EQ(ApplyResult::TrayAndHotkeyOff, owner.OnApply(&basic.v, &advanced.v));
    // What came before the rule is in force, published once.
    const std::vector<std::wstring> expected = {L"tray off", std::wstring(L"hint ") + settings_text::kTrayAndHotkeyOff,
                                                L"tray on", L"publish"};
    EXPECT_EQ(expected, effects.calls);
    EXPECT_EQ(0, effects.published->middleButton);
    EXPECT_EQ(1u, ReadDword(L"SS_TRAYICON").value_or(0));
    EXPECT_FALSE(ReadDword(L"SS_HOTKEY_ENABLED").has_value());
    EXPECT_EQ(0, effects.published->mute);  // the advanced page is not reached
}

TEST_F(SettingsOwnerTest, PasswordMismatchStopsApplyAfterTheSettingsBeforeIt) {
    Load();
    basic.v.shown.doubleButton = BST_UNCHECKED;
    basic.SetSwitchPassword(BST_CHECKED, L"Secret", L"secret");
    basic.SetRestorePassword(BST_CHECKED, L"Other", L"Other");
    EXPECT_EQ(ApplyResult::SwitchPasswordMismatch, owner.OnApply(&basic.v, nullptr));
    const std::vector<std::wstring> expected = {std::wstring(L"hint ") + settings_text::kSwitchPwdMismatch,
                                                L"publish"};
    EXPECT_EQ(expected, effects.calls);
    EXPECT_EQ(0, effects.published->doubleButton);
    EXPECT_STREQ(L"", effects.published->switchPassword.text);
    EXPECT_STREQ(L"", effects.published->restorePassword.text);
}

TEST_F(SettingsOwnerTest, ASetPasswordChangesOrGoesOnlyWhenGivenAndTheOtherSettingsApplyEitherWay) {
    Load();
    owner.AttachPage(SettingsPage::Basic, &basic);  // where a refused password shows again
    basic.SetRestorePassword(BST_CHECKED, L"First", L"First");
    basic.SetSwitchPassword(BST_CHECKED, L"Gate", L"Gate");
    ASSERT_EQ(ApplyResult::Applied, owner.OnApply(&basic.v, nullptr));  // none was set: nothing asked
    const CSettingsData set = *effects.published;
    effects.calls.clear();

    // Refused: both passwords stay as they were, on the page too; the other trigger goes off all the same.
    basic.SetRestorePassword(BST_UNCHECKED, L"", L"");
    basic.SetSwitchPassword(BST_CHECKED, L"Planted", L"Planted");
    basic.v.shown.doubleButton = BST_UNCHECKED;
    EXPECT_EQ(ApplyResult::Applied, owner.OnApply(&basic.v, nullptr));
    EXPECT_EQ((std::vector<std::wstring>{L"ask switch", L"ask restore", L"publish"}), effects.calls);
    EXPECT_STREQ(set.restorePassword.text, effects.published->restorePassword.text);
    EXPECT_STREQ(set.switchPassword.text, effects.published->switchPassword.text);
    EXPECT_EQ(0, effects.published->doubleButton);
    EXPECT_EQ(BST_CHECKED, static_cast<int>(basic.v.shown.restorePassword.on));

    // Given: the restore password goes.
    effects.passwordGiven = true;
    basic.SetRestorePassword(BST_UNCHECKED, L"", L"");
    EXPECT_EQ(ApplyResult::Applied, owner.OnApply(&basic.v, nullptr));
    EXPECT_STREQ(L"", effects.published->restorePassword.text);
}

TEST_F(SettingsOwnerTest, TextActionsReachTheMirrorOnlyWhileOnAndStayStoredWhenOff) {
    Load();
    advanced.v.shown.openFile = ActionText{BST_CHECKED, L"C:\\Notes.txt"};
    advanced.v.shown.closeWindows = ActionText{BST_UNCHECKED, L"Secret plan"};
    advanced.v.shown.mute = advanced.v.shown.clearTypedUrls = BST_CHECKED;
    EXPECT_EQ(ApplyResult::Applied, owner.OnApply(nullptr, &advanced.v));
    EXPECT_STREQ(L"C:\\Notes.txt", effects.published->openFile.text);
    EXPECT_STREQ(L"", effects.published->closeWindows.text);
    EXPECT_EQ(L"Secret plan", ReadText(L"AC_WINDOWS_TITLE").value_or(L""));
    // No window-side effect for actions, and one snapshot for the whole Apply.
    EXPECT_EQ(std::vector<std::wstring>{L"publish"}, effects.calls);
    EXPECT_TRUE(effects.published->mute && effects.published->clearTypedUrls);

    // An Apply that changes nothing publishes nothing.
    effects.calls.clear();
    EXPECT_EQ(ApplyResult::Applied, owner.OnApply(nullptr, &advanced.v));
    EXPECT_TRUE(effects.calls.empty());
}

TEST_F(SettingsOwnerTest, ABoxCheckedWithoutWhatItNeedsIsStoredOffAndShownOff) {
    Load();
    owner.AttachPage(SettingsPage::Basic, &basic);
    owner.AttachPage(SettingsPage::Advanced, &advanced);
    basic.v.shown.switchHotkey = HotkeySetting{BST_CHECKED, 0, 0, 0, 0};
    advanced.v.shown.openFile = ActionText{BST_CHECKED, L""};
    EXPECT_EQ(ApplyResult::Applied, owner.ApplyPages());
    EXPECT_EQ(0, basic.v.shown.switchHotkey.bEnabled);
    EXPECT_EQ(0, advanced.v.shown.openFile.on);
    EXPECT_EQ(0u, ReadDword(L"SW_HOTKEY_ENABLED").value_or(9));
    EXPECT_EQ(0u, ReadDword(L"AC_FILE_ENABLED").value_or(9));
}

}  // namespace
