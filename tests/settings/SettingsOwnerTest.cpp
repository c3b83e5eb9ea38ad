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
    MirrorSnapshot mirror;

    void SetMiddleButtonTrigger(BOOL on) override { Add(L"middle " + std::to_wstring(on)); }
    void SetDoubleButtonTrigger(BOOL on) override { Add(L"double " + std::to_wstring(on)); }
    void SetSwitchKey(DWORD key, BOOL shift, BOOL ctrl, BOOL alt) override {
        Add(L"switch key " + std::to_wstring(key) + L" " + std::to_wstring(shift) + std::to_wstring(ctrl) +
            std::to_wstring(alt));
    }
    void PublishMirror(const MirrorSnapshot& m) override { mirror = m; }
    void PublishProcessNames(const std::vector<std::wstring>& names) override {
        Add(L"processes " + std::to_wstring(names.size()));
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

private:
    void Add(std::wstring call) { calls.push_back(std::move(call)); }
};

class SettingsOwnerTest : public SettingsKeyTest {
protected:
    // Loads from the (empty) private key and forgets what loading did.
    void Load() {
        owner.LoadSettings();
        owner.WriteBasicPage(basic);  // the pages show what is in force
        owner.WriteAdvancedPage(advanced);
        effects.calls.clear();
    }
    EffectsRecorder effects;
    CSettingsOwner owner{effects};
    ValueBasicPage basic;
    ValueAdvancedPage advanced;
};

TEST_F(SettingsOwnerTest, LoadPutsTheDefaultsIntoEffectInTheKeysOrder) {
    owner.LoadSettings();
    const std::vector<std::wstring> expected = {
        L"middle 1", L"double 1", L"switch key 0 000", L"run on", L"tray on",
        L"hotkey " + std::to_wstring(MOD_ALT) + L" " + std::to_wstring(VK_F2), L"processes 0"};
    EXPECT_EQ(expected, effects.calls);
    EXPECT_EQ(1, effects.mirror.bAutoUpdate);
    EXPECT_EQ(0u, ValueCount());
}

TEST_F(SettingsOwnerTest, TrayAndHotkeyOffStopsApplyBeforeTheHotkeyAndBringsTheIconBack) {
    Load();
    basic.v.bWheel = BST_UNCHECKED;
    basic.v.bTrayIcon = BST_UNCHECKED;
    basic.v.settingsHotkey.bEnabled = BST_UNCHECKED;
    advanced.v.bMute = BST_CHECKED;
    EXPECT_EQ(ApplyResult::TrayAndHotkeyOff, owner.OnApply(&basic.v, &advanced.v));
    const std::vector<std::wstring> expected = {L"middle 0", L"tray off",
                                                std::wstring(L"hint ") + settings_text::kTrayAndHotkeyOff, L"tray on"};
    EXPECT_EQ(expected, effects.calls);
    EXPECT_EQ(1u, ReadDword(L"SS_TRAYICON").value_or(0));
    EXPECT_FALSE(ReadDword(L"SS_HOTKEY_ENABLED").has_value());
    EXPECT_EQ(0, effects.mirror.bMute);  // the advanced page is not reached
}

TEST_F(SettingsOwnerTest, PasswordMismatchStopsApplyAfterTheSettingsBeforeIt) {
    Load();
    basic.v.bDouble = BST_UNCHECKED;
    basic.SetSwitchPassword(BST_CHECKED, L"Secret", L"secret");
    basic.SetRestorePassword(BST_CHECKED, L"Other", L"Other");
    EXPECT_EQ(ApplyResult::SwitchPasswordMismatch, owner.OnApply(&basic.v, nullptr));
    const std::vector<std::wstring> expected = {L"double 0",
                                                std::wstring(L"hint ") + settings_text::kSwitchPwdMismatch};
    EXPECT_EQ(expected, effects.calls);
    EXPECT_STREQ(L"", effects.mirror.szSwitchPassword);
    EXPECT_STREQ(L"", effects.mirror.szRestorePassword);
}

TEST_F(SettingsOwnerTest, TextActionsReachTheMirrorOnlyWhileOnAndStayStoredWhenOff) {
    Load();
    advanced.WriteOpenFile(BST_CHECKED, L"C:\\Notes.txt");
    advanced.WriteCloseWindows(BST_UNCHECKED, L"Secret plan");
    EXPECT_EQ(ApplyResult::Applied, owner.OnApply(nullptr, &advanced.v));
    EXPECT_STREQ(L"C:\\Notes.txt", effects.mirror.szOpenFile);
    EXPECT_STREQ(L"", effects.mirror.szCloseWindowTitle);
    EXPECT_EQ(L"Secret plan", ReadText(L"AC_WINDOWS_TITLE").value_or(L""));
    EXPECT_TRUE(effects.calls.empty());  // no window-side effect for actions
}

}  // namespace
