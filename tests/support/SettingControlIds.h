#pragma once
// The settings pages' controls by the names the tests call them: each the control the settings table
// gives the row of a value name (part 0 its check box, then what the box enables).
#include "settings/SettingsTable.h"

namespace testing_support {
inline int ControlId(const wchar_t* valueName, int part = 0) {
    for (const SettingDescription& d : settings_table::All()) {
        if (::lstrcmpW(d.names[0], valueName) == 0) return d.controls[part];
    }
    return 0;
}
}  // namespace testing_support

inline const int IDC_SW_WHEEL = testing_support::ControlId(L"SW_WHEEL");
inline const int IDC_SW_DOUBLE = testing_support::ControlId(L"SW_DOUBLE");
inline const int IDC_SW_HOTKEY_ENABLED = testing_support::ControlId(L"SW_HOTKEY_ENABLED");
inline const int IDC_SW_HOTKEY = testing_support::ControlId(L"SW_HOTKEY_ENABLED", 1);
inline const int IDC_SS_STARTUP = testing_support::ControlId(L"SS_STARTUP");
inline const int IDC_SS_TRAYICON = testing_support::ControlId(L"SS_TRAYICON");
inline const int IDC_SS_UPDATE = testing_support::ControlId(L"SS_UPDATE");
inline const int IDC_SS_HOTKEY_ENABLED = testing_support::ControlId(L"SS_HOTKEY_ENABLED");
inline const int IDC_SS_HOTKEY = testing_support::ControlId(L"SS_HOTKEY_ENABLED", 1);
inline const int IDC_PWD_ORIG_ENABLED = testing_support::ControlId(L"PWD_ORIG_ENABLED");
inline const int IDC_PWD_ORIG = testing_support::ControlId(L"PWD_ORIG_ENABLED", 1);
inline const int IDC_PWD_ORIG_CONFIRM = testing_support::ControlId(L"PWD_ORIG_ENABLED", 2);
inline const int IDC_PWD_VIRT_ENABLED = testing_support::ControlId(L"PWD_VIRT_ENABLED");
inline const int IDC_PWD_VIRT = testing_support::ControlId(L"PWD_VIRT_ENABLED", 1);
inline const int IDC_PWD_VIRT_CONFIRM = testing_support::ControlId(L"PWD_VIRT_ENABLED", 2);
inline const int IDC_AC_MUTE = testing_support::ControlId(L"AC_MUTE");
inline const int IDC_AC_FILE_ENABLED = testing_support::ControlId(L"AC_FILE_ENABLED");
inline const int IDC_AC_FILE_PATH = testing_support::ControlId(L"AC_FILE_ENABLED", 1);
inline const int IDC_AC_WEBSITE_URL = testing_support::ControlId(L"AC_WEBSITE_ENABLED", 1);
inline const int IDC_AC_PROCESSES_ENABLED = testing_support::ControlId(L"AC_PROCESSES_ENABLED");
inline const int IDC_AC_PROCESSES = testing_support::ControlId(L"AC_PROCESSES_ENABLED", 1);
inline const int IDC_AC_WINDOWS_ENABLED = testing_support::ControlId(L"AC_WINDOWS_ENABLED");
inline const int IDC_AC_WINDOWS_TITLE = testing_support::ControlId(L"AC_WINDOWS_ENABLED", 1);
