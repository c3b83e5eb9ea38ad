#pragma once
// The settings owner: the three passes over the registry (load, apply, save), driven by the table of
// settings (settings/SettingsTable.h); what a setting changes outside the record goes through an
// effects interface, and the switcher gets one snapshot per pass.
#include <windows.h>

#include "framework/RegistryStore.h"
#include "settings/SettingsMirror.h"
#include "settings/SettingsTable.h"

// What the settings owner changes outside its record. The settings window implements it; tests
// record the calls.
class ISettingsEffects {
public:
    virtual ~ISettingsEffects() = default;
    // The settings as they now stand, once per pass that changed any: the triggers of the input hook
    // and the switcher's snapshot follow them.
    virtual void PublishSettings(SettingsSnapshot settings) = 0;
    virtual void AddSettingsTrayIcon() = 0;
    virtual void RemoveSettingsTrayIcon() = 0;
    virtual void RegisterSettingsHotkey(UINT modifiers, UINT key) = 0;
    virtual void UnregisterSettingsHotkey() = 0;
    // The program's Run value: the executable's path, or none with null.
    virtual void SetRunValue(const wchar_t* exePath) = 0;
    virtual void ShowSettingHint(const wchar_t* text) = 0;  // a validation message of Apply
    virtual void CloseSettingsWindow() = 0;
    // Asked before Apply changes or turns off a password that is set: whether the person gave that
    // password (restore: the restore password; else the switch password).
    virtual bool AllowPasswordChange(bool restore) = 0;
};

// The one owner of the settings, on the ui thread.
class CSettingsOwner {
public:
    explicit CSettingsOwner(ISettingsEffects& effects) noexcept : m_effects(effects) {}
    CSettingsOwner(const CSettingsOwner&) = delete;
    CSettingsOwner& operator=(const CSettingsOwner&) = delete;

    // Reads every value (defaults for what cannot be read) and puts it into effect. Writes nothing
    // to the settings key; the Run value may be written. restoreInstead, when given, is the restore
    // password in force instead of the key's: the one a copy that ended was guarded by.
    void LoadSettings(const PasswordSetting* restoreInstead = nullptr);
    // Applies what the created pages show; a page that was never created passes null and is neither
    // read nor written. Only settings that changed are written, and put into effect in the key's
    // order; a validation message ends Apply, and what came before it stays applied. A set password
    // changes or goes only once the person gives it; refused, that setting stays as it was and shows
    // so, and the others apply.
    ApplyResult OnApply(const PageValues* basic, const PageValues* advanced);
    // Reads the attached pages and applies them.
    ApplyResult ApplyPages();
    // Writes every value from the record, applied or not, in the key's order; the Run value follows
    // the executable.
    void SaveSettings();
    // SaveSettings, then the window goes (which ends the program).
    void SaveSettingsAndClose();

    // Attaching shows every setting of the page in it; null detaches (a page that counts as never
    // shown).
    void AttachPage(SettingsPage page, ISettingsPageView* view);
    void ShowPage(SettingsPage page, ISettingsPageView& view) const;

    // Takes the tray icon away and releases the settings hotkey, as the window goes.
    void Release();

    const CSettingsData& Settings() const noexcept { return m_settings; }
    // The settings key, for the values kept there beside the settings.
    CRegistryStore& Store() noexcept { return m_settingsStore; }
    const wchar_t* ExecutablePath() const noexcept { return m_szExePath; }
    bool TrayIconShown() const noexcept { return m_bTrayIconShown != 0; }

private:
    void ComputeExecutablePath() noexcept;
    // The window-side effect of a setting (tray icon, settings hotkey, Run value), if it has one.
    void TakeEffect(const SettingDescription& d);
    void ShowOnPage(const SettingDescription& d) const;
    void Publish() const;
    void UnregisterSettingsHotkey() noexcept;

    ISettingsEffects& m_effects;
    CSettingsData m_settings;
    CRegistryStore m_settingsStore;
    ISettingsPageView* m_pages[2] = {};
    wchar_t m_szExePath[260] = {};
    BOOL m_bTrayIconShown = 0;
    BOOL m_bHotkeyRegistered = 0;
};
