#pragma once
// The settings record, the pages' view of it, and the settings owner: every setter with its effects
// (the input hook component, the module's mirror, the tray icon, the Run key, the settings hotkey)
// and the three passes over the registry (load, apply, save).
#include <windows.h>

#include <string>
#include <vector>

#include "framework/PasswordHash.h"
#include "settings/RegistryStore.h"

// A hotkey as it is stored: five 32-bit fields; only the low 8 bits of the key are used.
struct HotkeySetting {
    BOOL bEnabled = 0;
    DWORD nKey = 0;
    BOOL bCtrl = 0;
    BOOL bShift = 0;
    BOOL bAlt = 0;
};

// One field per registry value of the settings key, in the key's order.
struct CSettingsData {
    BOOL m_bWheel = 0;                    // SW_WHEEL
    BOOL m_bDouble = 0;                   // SW_DOUBLE
    HotkeySetting m_switchHotkey;         // SW_HOTKEY_ENABLED, SW_HOTKEY, SW_CTRL, SW_SHIFT, SW_ALT
    BOOL m_bStartup = 0;                  // SS_STARTUP
    BOOL m_bTrayIcon = 0;                 // SS_TRAYICON
    BOOL m_bUpdate = 0;                   // SS_UPDATE
    HotkeySetting m_settingsHotkey;       // SS_HOTKEY_ENABLED, SS_HOTKEY, SS_CTRL, SS_SHIFT, SS_ALT
    BOOL m_bSwitchPwdEnabled = 0;         // PWD_VIRT_ENABLED
    wchar_t m_szSwitchPwd[vp::kPasswordRecordUnits] = {};   // PWD_VIRT, a hash record
    BOOL m_bRestorePwdEnabled = 0;        // PWD_ORIG_ENABLED
    wchar_t m_szRestorePwd[vp::kPasswordRecordUnits] = {};  // PWD_ORIG, a hash record
    BOOL m_bMute = 0;                     // AC_MUTE
    BOOL m_bMonitor = 0;                  // AC_MONITOR
    BOOL m_bTaskMgr = 0;                  // AC_TASKMGR
    BOOL m_bIEHistory = 0;                // AC_IEHISTORY
    BOOL m_bIEUrls = 0;                   // AC_IEURLS
    BOOL m_bRecentDoc = 0;                // AC_RECENTDOC
    BOOL m_bProcessesEnabled = 0;         // AC_PROCESSES_ENABLED
    DWORD m_nProcessesCount = 0;          // AC_PROCESSES_COUNT, always the number of names
    std::vector<std::wstring> m_vecProcessNames;  // AC_PROCESS0, AC_PROCESS1, ...
    BOOL m_bWindowsEnabled = 0;           // AC_WINDOWS_ENABLED
    wchar_t m_szWindowsTitle[262] = {};   // AC_WINDOWS_TITLE
    BOOL m_bFileEnabled = 0;              // AC_FILE_ENABLED
    wchar_t m_szFilePath[262] = {};       // AC_FILE_PATH
    BOOL m_bWebsiteEnabled = 0;           // AC_WEBSITE_ENABLED
    wchar_t m_szWebsiteUrl[262] = {};     // AC_WEBSITE_URL
};

// What the basic page's controls show, read on Apply. A hotkey that is not a complete combination
// reads as key 0 with no modifiers; passwords hold at most 14 characters and are wiped with the value.
struct BasicPageValues {
    ~BasicPageValues();
    BOOL bWheel = 0;
    BOOL bDouble = 0;
    HotkeySetting switchHotkey;
    BOOL bStartup = 0;
    BOOL bTrayIcon = 0;
    BOOL bUpdate = 0;
    HotkeySetting settingsHotkey;
    BOOL bRestorePwdOn = 0;
    wchar_t szRestorePwd[15] = {};
    wchar_t szRestorePwdConfirm[15] = {};
    BOOL bSwitchPwdOn = 0;
    wchar_t szSwitchPwd[15] = {};
    wchar_t szSwitchPwdConfirm[15] = {};
};

// What the advanced page's controls show, read on Apply.
struct AdvancedPageValues {
    BOOL bMute = 0;
    BOOL bMonitor = 0;
    BOOL bTaskMgr = 0;
    BOOL bIEHistory = 0;
    BOOL bIEUrls = 0;
    BOOL bRecentDoc = 0;
    BOOL bFileOn = 0;
    wchar_t szFilePath[260] = {};
    BOOL bWebsiteOn = 0;
    wchar_t szWebsiteUrl[260] = {};
    BOOL bWindowsOn = 0;
    wchar_t szWindowsTitle[260] = {};
    BOOL bProcessesOn = 0;
    std::vector<std::wstring> processNames;
};

// The basic page as the settings owner sees it: write operations set its controls only; Read
// returns what they show now. Implemented by the page once it exists.
class IBasicPageView {
public:
    virtual ~IBasicPageView() = default;
    virtual void WriteWheel(BOOL checked) = 0;
    virtual void WriteDouble(BOOL checked) = 0;
    virtual void WriteSwitchHotkey(const HotkeySetting& hotkey) = 0;  // box enabled exactly when enabled
    virtual void WriteStartup(BOOL checked) = 0;
    virtual void WriteTrayIcon(BOOL checked) = 0;
    virtual void WriteUpdate(BOOL checked) = 0;
    virtual void WriteSettingsHotkey(const HotkeySetting& hotkey) = 0;
    // Into both edits: the fixed mask of a set password, or nothing.
    virtual void WriteRestorePassword(BOOL on, const wchar_t* password) = 0;
    virtual void WriteSwitchPassword(BOOL on, const wchar_t* password) = 0;
    virtual void Read(BasicPageValues& values) const = 0;
};

class IAdvancedPageView {
public:
    virtual ~IAdvancedPageView() = default;
    virtual void WriteMute(BOOL checked) = 0;
    virtual void WriteMonitor(BOOL checked) = 0;
    virtual void WriteTaskMgr(BOOL checked) = 0;
    virtual void WriteIEHistory(BOOL checked) = 0;
    virtual void WriteIEUrls(BOOL checked) = 0;
    virtual void WriteRecentDoc(BOOL checked) = 0;
    virtual void WriteOpenFile(BOOL on, const wchar_t* path) = 0;
    virtual void WriteOpenWebsite(BOOL on, const wchar_t* url) = 0;
    virtual void WriteCloseWindows(BOOL on, const wchar_t* title) = 0;
    virtual void WriteProcesses(BOOL on, const std::vector<std::wstring>& names) = 0;
    virtual void Read(AdvancedPageValues& values) const = 0;
};

// How an Apply ended: run to its end, or stopped at one of the three validation messages.
enum class ApplyResult { Applied, TrayAndHotkeyOff, SwitchPasswordMismatch, RestorePasswordMismatch };

// Validation messages of Apply, shown with the caption "Setting hint".
namespace settings_text {
constexpr const wchar_t* kHintCaption = L"Setting hint";
constexpr const wchar_t* kTrayAndHotkeyOff =
    L"Can not hide the tray icon and disable the `show settings dialog' hotkey at the same time, otherwise you "
    L"will not have a chance to open the setting dialog again!";
constexpr const wchar_t* kSwitchPwdMismatch = L"Switch to Virtual Desktop Password DO NOT Match, Please enter Again.";
constexpr const wchar_t* kRestorePwdMismatch = L"Switch to Original Desktop Password DO NOT Match, Please enter Again.";
}  // namespace settings_text

// The one owner of the settings, on the ui thread: the settings window derives from it and supplies
// the window-side effects below.
class CSettingsOwner {
public:
    CSettingsOwner() = default;
    virtual ~CSettingsOwner() = default;
    CSettingsOwner(const CSettingsOwner&) = delete;
    CSettingsOwner& operator=(const CSettingsOwner&) = delete;

    // ---- setters: record, run-time effect, and the page control when the page exists ----------
    void SetWheelTrigger(BOOL on);
    void SetDoubleTrigger(BOOL on);
    void SetSwitchHotkey(BOOL enabled, DWORD key, BOOL shift, BOOL ctrl, BOOL alt);
    void SetAutoStartup(BOOL on);
    void SetTrayIcon(BOOL on);
    void SetUpdateCheck(BOOL on);
    void SetSettingsHotkey(BOOL enabled, DWORD key, BOOL shift, BOOL ctrl, BOOL alt);
    // record: a hash record (stored_password), never the password itself.
    void SetSwitchPassword(BOOL on, const wchar_t* record);
    void SetRestorePassword(BOOL on, const wchar_t* record);
    void SetMuteAction(BOOL on);
    void SetMonitorAction(BOOL on);
    void SetTaskMgrAction(BOOL on);
    void SetIEHistoryAction(BOOL on);
    void SetTypedUrlsAction(BOOL on);
    void SetRecentDocsAction(BOOL on);
    void SetCloseWindowsAction(BOOL on, const wchar_t* text);
    void SetOpenFileAction(BOOL on, const wchar_t* text);
    void SetOpenWebsiteAction(BOOL on, const wchar_t* text);
    void SetTerminateProcessesAction(BOOL on, const std::vector<std::wstring>& names);

    // ---- passes -------------------------------------------------------------------------------
    // Reads every value (defaults for what cannot be read) and puts it into effect. Writes nothing
    // to the settings key; the Run value may be written.
    void LoadSettings();
    // Applies what the created pages show; a page that was never created passes null and is neither
    // read nor written. Only groups that changed are written.
    ApplyResult OnApply(const BasicPageValues* basic, const AdvancedPageValues* advanced);
    // Writes every value from the record, applied or not, in the key's order.
    void SaveSettings();
    // SaveSettings, then the window goes (which ends the program).
    void SaveSettingsAndClose();

    // Pushes every setting of a page into it, right after the page has been created.
    void WriteBasicPage(IBasicPageView& page) const;
    void WriteAdvancedPage(IAdvancedPageView& page) const;

    const CSettingsData& Settings() const noexcept { return m_settings; }
    const wchar_t* ExecutablePath() const noexcept { return m_szExePath; }
    bool TrayIconShown() const noexcept { return m_bTrayIconShown != 0; }
    bool SettingsHotkeyRegistered() const noexcept { return m_bHotkeyRegistered != 0; }
    ATOM SettingsHotkeyAtom() const noexcept { return m_hotkeyAtom; }

protected:
    // ---- what the owning window supplies ------------------------------------------------------
    virtual HWND SettingsWindow() const = 0;          // the window the settings hotkey is registered on
    virtual void AddSettingsTrayIcon() = 0;
    virtual void RemoveSettingsTrayIcon() = 0;
    virtual void ShowSettingHint(const wchar_t* text) = 0;  // a validation message of Apply
    virtual void CloseSettingsWindow() = 0;

    // Set when the pages are created; null until then.
    IBasicPageView* m_pBasicPage = nullptr;
    IAdvancedPageView* m_pAdvancedPage = nullptr;

    // Unregisters the settings hotkey if it counts as registered and gives its atom back.
    void ReleaseSettingsHotkey() noexcept;

    CSettingsData m_settings;
    CRegistryStore m_settingsStore;
    CRegistryStore m_runStore;
    wchar_t m_szExePath[260] = {};
    BOOL m_bTrayIconShown = 0;
    ATOM m_hotkeyAtom = 0;
    BOOL m_bHotkeyRegistered = 0;

private:
    void ComputeExecutablePath() noexcept;
    void UnregisterSettingsHotkey() noexcept;
    void WriteProcessValues() const;
};

namespace settings_rules {
// Text equality ignoring letter case, as Apply and the Run key compare texts.
bool EqualIgnoringCase(const wchar_t* a, const wchar_t* b) noexcept;
// Whether the page's process list differs from the record's: the flag, the length, or a name
// (ignoring case).
bool ProcessListChanged(BOOL recordOn, const std::vector<std::wstring>& record, BOOL pageOn,
                        const std::vector<std::wstring>& page) noexcept;
}  // namespace settings_rules
