#pragma once
// The settings record and the pages' view of it; the owner is in settings/SettingsOwner.h.
#include <windows.h>

#include <string>
#include <vector>

#include "framework/PasswordHash.h"

// A hotkey as it is stored: five 32-bit fields; only the low 8 bits of the key are used.
struct HotkeySetting {
    BOOL bEnabled = 0;
    DWORD nKey = 0;
    BOOL bCtrl = 0;
    BOOL bShift = 0;
    BOOL bAlt = 0;
};

// The settings as stored; the table in settings/SettingsData.cpp names each field's registry values.
struct CSettingsData {
    BOOL m_bWheel = 0;
    BOOL m_bDouble = 0;
    HotkeySetting m_switchHotkey;
    BOOL m_bStartup = 0;
    BOOL m_bTrayIcon = 0;
    BOOL m_bUpdate = 0;
    HotkeySetting m_settingsHotkey;
    BOOL m_bSwitchPwdEnabled = 0;
    wchar_t m_szSwitchPwd[vp::kPasswordRecordUnits] = {};   // a hash record
    BOOL m_bRestorePwdEnabled = 0;
    wchar_t m_szRestorePwd[vp::kPasswordRecordUnits] = {};  // a hash record
    BOOL m_bMute = 0;
    BOOL m_bMonitor = 0;
    BOOL m_bTaskMgr = 0;
    BOOL m_bIEHistory = 0;
    BOOL m_bIEUrls = 0;
    BOOL m_bRecentDoc = 0;
    BOOL m_bProcessesEnabled = 0;
    DWORD m_nProcessesCount = 0;  // always the number of names
    std::vector<std::wstring> m_vecProcessNames;
    BOOL m_bWindowsEnabled = 0;
    wchar_t m_szWindowsTitle[262] = {};
    BOOL m_bFileEnabled = 0;
    wchar_t m_szFilePath[262] = {};
    BOOL m_bWebsiteEnabled = 0;
    wchar_t m_szWebsiteUrl[262] = {};
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

namespace settings_rules {
// Text equality ignoring letter case, as Apply and the Run key compare texts.
bool EqualIgnoringCase(const wchar_t* a, const wchar_t* b) noexcept;
// Whether the page's process list differs from the record's: the flag, the length, or a name
// (ignoring case).
bool ProcessListChanged(BOOL recordOn, const std::vector<std::wstring>& record, BOOL pageOn,
                        const std::vector<std::wstring>& page) noexcept;
// Writes the program's Run value under the given key as the path in double quotes, unless it holds
// that already (ignoring case); an older unquoted value is written again quoted. An empty path
// writes nothing. Null deletes the value.
void UpdateRunValue(const wchar_t* runKey, const wchar_t* exePath);
}  // namespace settings_rules
