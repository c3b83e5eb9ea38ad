#pragma once
// The settings record, which is also the snapshot the worker threads act on, and what the pages show
// of it. Each field is described once, in settings/SettingsTable.cpp.
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

// A setting that is a flag and a text: on only with a text. N units, the terminator included.
template <size_t N>
struct TextSetting {
    BOOL on = 0;
    wchar_t text[N] = {};
};
using ActionText = TextSetting<262>;
// A password is kept as a hash record (framework/PasswordHash.h), never in clear.
using PasswordSetting = TextSetting<vp::kPasswordRecordUnits>;

// The processes to end: the flag stays on even with no names.
struct ProcessList {
    BOOL on = 0;
    std::vector<std::wstring> names;
};

// The settings, in the key's order. In a published snapshot (settings/SettingsMirror.h) a text that
// is off is empty, so a non-empty text is a setting that is on.
struct CSettingsData {
    BOOL middleButton = 0;
    BOOL doubleButton = 0;
    HotkeySetting switchHotkey;
    BOOL autoStartup = 0;
    BOOL trayIcon = 0;
    BOOL autoUpdate = 0;
    HotkeySetting settingsHotkey;
    PasswordSetting switchPassword;
    PasswordSetting restorePassword;
    BOOL mute = 0;
    BOOL monitorOff = 0;
    BOOL disableTaskMgr = 0;
    BOOL clearIEHistory = 0;
    BOOL clearTypedUrls = 0;
    BOOL clearRecentDocs = 0;
    BOOL holdClipboard = 0;   // the clipboard held aside while the virtual desktop shows
    ActionText openFile;
    ActionText openWebsite;
    ActionText closeWindows;  // the text that the titles of the windows to close contain
    ProcessList terminateProcesses;
};

// What the pages' controls show, in the record's shape. A password's text is what its first box
// holds (at most 14 characters; a set password shows as a mask), its confirmation what the second
// holds; both are wiped with the value. A hotkey that is not a complete combination reads as key 0
// with no modifiers.
struct PageValues {
    ~PageValues();
    CSettingsData shown;
    wchar_t switchPasswordConfirm[15] = {};
    wchar_t restorePasswordConfirm[15] = {};
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
bool ProcessListChanged(const ProcessList& record, const ProcessList& page) noexcept;
// Writes the program's Run value under the given key as the path in double quotes, unless it holds
// that already (ignoring case); an older unquoted value is written again quoted. A path in a scoop
// version folder is written as the app's "current" one when that holds the program. An empty path
// writes nothing. Null deletes the value.
void UpdateRunValue(const wchar_t* runKey, const wchar_t* exePath);
}  // namespace settings_rules
