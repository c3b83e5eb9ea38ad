#pragma once
// The settings owner: the setters, which reach the world outside the record through an effects
// interface, and the three passes over the registry (load, apply, save), driven by one table of the
// settings (settings/SettingsData.cpp).
#include <windows.h>

#include <string>
#include <vector>

#include "framework/RegistryStore.h"
#include "settings/SettingsData.h"
#include "settings/SettingsMirror.h"

// The settings, in the key's order; the pages show them in this order too.
enum class Setting {
    Wheel, Double, SwitchHotkey, Startup, TrayIcon, Update, SettingsHotkey, SwitchPassword, RestorePassword,
    Mute, Monitor, TaskMgr, IEHistory, IEUrls, RecentDoc, OpenFile, OpenWebsite, CloseWindows, Processes,
};

// What the settings owner changes outside its record. The settings window implements it; tests
// record the calls.
class ISettingsEffects {
public:
    virtual ~ISettingsEffects() = default;
    virtual void SetMiddleButtonTrigger(BOOL on) = 0;
    virtual void SetDoubleButtonTrigger(BOOL on) = 0;
    // The switch hotkey of the input hook; key 0 is none.
    virtual void SetSwitchKey(DWORD key, BOOL shift, BOOL ctrl, BOOL alt) = 0;
    // The mirror's texts and flags as the record now stands; the process list when it was set.
    virtual void PublishMirror(const MirrorSnapshot& mirror) = 0;
    virtual void PublishProcessNames(const std::vector<std::wstring>& names) = 0;
    virtual void AddSettingsTrayIcon() = 0;
    virtual void RemoveSettingsTrayIcon() = 0;
    virtual void RegisterSettingsHotkey(UINT modifiers, UINT key) = 0;
    virtual void UnregisterSettingsHotkey() = 0;
    // The program's Run value: the executable's path, or none with null.
    virtual void SetRunValue(const wchar_t* exePath) = 0;
    virtual void ShowSettingHint(const wchar_t* text) = 0;  // a validation message of Apply
    virtual void CloseSettingsWindow() = 0;
};

// The one owner of the settings, on the ui thread.
class CSettingsOwner {
public:
    explicit CSettingsOwner(ISettingsEffects& effects) noexcept : m_effects(effects) {}
    CSettingsOwner(const CSettingsOwner&) = delete;
    CSettingsOwner& operator=(const CSettingsOwner&) = delete;

    // ---- setters, one per kind: record, effect, and the page control when the page exists -------
    void SetFlag(Setting setting, BOOL on);
    void SetHotkey(Setting setting, BOOL enabled, DWORD key, BOOL shift, BOOL ctrl, BOOL alt);
    // A text action or password: on only with a text.
    void SetText(Setting setting, BOOL on, const wchar_t* text);
    void SetProcesses(BOOL on, const std::vector<std::wstring>& names);  // stays on even with no names

    // ---- passes -------------------------------------------------------------------------------
    // Reads every value (defaults for what cannot be read) and puts it into effect. Writes nothing
    // to the settings key; the Run value may be written.
    void LoadSettings();
    // Applies what the created pages show; a page that was never created passes null and is neither
    // read nor written. Only settings that changed are written.
    ApplyResult OnApply(const BasicPageValues* basic, const AdvancedPageValues* advanced);
    // Reads the attached pages and applies them.
    ApplyResult ApplyPages();
    // Writes every value from the record, applied or not, in the key's order.
    void SaveSettings();
    // SaveSettings, then the window goes (which ends the program).
    void SaveSettingsAndClose();

    // ---- pages --------------------------------------------------------------------------------
    // Attaching pushes every setting of the page into it; null detaches (a page that counts as
    // never shown).
    void AttachBasicPage(IBasicPageView* page);
    void AttachAdvancedPage(IAdvancedPageView* page);
    void WriteBasicPage(IBasicPageView& page) const;
    void WriteAdvancedPage(IAdvancedPageView& page) const;

    // Takes the tray icon away and releases the settings hotkey, as the window goes.
    void Release();

    const CSettingsData& Settings() const noexcept { return m_settings; }
    // The settings key, for the values kept there beside the settings.
    CRegistryStore& Store() noexcept { return m_settingsStore; }
    const wchar_t* ExecutablePath() const noexcept { return m_szExePath; }
    bool TrayIconShown() const noexcept { return m_bTrayIconShown != 0; }
    bool SettingsHotkeyRegistered() const noexcept { return m_bHotkeyRegistered != 0; }

private:
    void ComputeExecutablePath() noexcept;
    void UnregisterSettingsHotkey() noexcept;
    void PublishMirror() const;
    void WriteSetting(Setting setting, IBasicPageView* basic, IAdvancedPageView* advanced) const;
    void WriteValues(Setting setting) const;

    ISettingsEffects& m_effects;
    CSettingsData m_settings;
    CRegistryStore m_settingsStore;
    IBasicPageView* m_pBasicPage = nullptr;
    IAdvancedPageView* m_pAdvancedPage = nullptr;
    wchar_t m_szExePath[260] = {};
    BOOL m_bTrayIconShown = 0;
    BOOL m_bHotkeyRegistered = 0;
};
