#pragma once
// The product's constants in one place: names, registry keys, version and build, the maker's
// endpoints and the registry values kept outside the settings table.
#include <windows.h>

#include "version.h"

namespace product {

constexpr wchar_t kName[] = L"Veilpane";
constexpr wchar_t kExeName[] = L"Veilpane.exe";
// The guard runs under an image name of its own, so ending every Veilpane.exe leaves it to act.
constexpr wchar_t kGuardExeName[] = L"VeilpaneGuard.exe";
constexpr wchar_t kHelpFile[] = L"Veilpane.chm";
constexpr wchar_t kVersion[] = VP_WIDEN(VP_VERSION_TEXT);
constexpr int kBuild = VP_VERSION_BUILD;
// The second desktop the program keeps.
constexpr wchar_t kDesktopName[] = L"vpdesk";

// Under the user's local application data: a browser profile of the program's own for each browser
// the web page opens in on the virtual desktop. Kept from run to run; removed with the settings.
constexpr wchar_t kBrowserProfilesFolder[] = L"Veilpane\\Browsers";

// Under HKEY_CURRENT_USER.
constexpr wchar_t kRegistryKey[] = L"Software\\MORVEX\\Veilpane";
constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// The maker's own endpoints.
constexpr char kUpdateHost[] = "update.morvex.net";
// The hosts whose https pages the offer of a newer build may open: the update host and the maker's
// web site. The update reply comes over plain HTTP, so anyone on the way can write one: an address on
// any other host is neither recorded nor offered.
constexpr const char* kDownloadHosts[] = {kUpdateHost, "www.morvex.net"};
constexpr wchar_t kHomePage[] = L"https://www.morvex.net/veilpane/";
constexpr wchar_t kProductsPage[] = L"https://www.morvex.net/products/";
constexpr wchar_t kSupportEmail[] = L"support@morvex.net";

// Values under the settings key that are not settings: the update record, the quit question's
// answer and the first-start mark.
constexpr wchar_t kUpdateVersionValue[] = L"UPDATE_VERSION";
constexpr wchar_t kUpdateUrlValue[] = L"UPDATE_URL";
constexpr wchar_t kUpdateRevisionValue[] = L"UPDATE_REVISION";
constexpr wchar_t kUpdateShowedValue[] = L"UPDATE_SHOWED";
constexpr wchar_t kQuitNoConfirmValue[] = L"QUIT_NOCONFIRM";
// DWORD 1 once the settings window has been shown on the program's first start.
constexpr wchar_t kFirstStartShownValue[] = L"SS_FIRST_SHOWN";
// The undo record of the Task Manager policy: DWORD 1 while the program's change is in force, and
// the policy value as it was before, with its own type and data (missing when there was none).
constexpr wchar_t kTaskMgrUndoValue[] = L"AC_TASKMGR_UNDO";
constexpr wchar_t kTaskMgrBeforeValue[] = L"AC_TASKMGR_BEFORE";
// DWORD 1 from just before the screen moves to the virtual desktop until it is back: whoever finds
// the program gone (its guard, its next start) learns from it where the user was left.
constexpr wchar_t kVirtualShowingValue[] = L"SS_VPDESK_SHOWING";
// When a guard started the program again after it ended without Quit (REG_BINARY, the last few
// times as FILETIME values), and DWORD 1 once a guard gave up restarting it.
constexpr wchar_t kRestartLogValue[] = L"SS_RESTART_LOG";
constexpr wchar_t kRestartGaveUpValue[] = L"SS_RESTART_GAVE_UP";
// When "/quit" last ended a running copy (REG_QWORD, a FILETIME value), so the installer that asked
// can start the new build once its files are in place.
constexpr wchar_t kQuitForInstallValue[] = L"SS_QUIT_FOR_INSTALL";
// The record of wrong passwords (settings/FailedAttempts.h describes the values).
constexpr wchar_t kFailedCountValue[] = L"PWD_FAILED_COUNT";
constexpr wchar_t kFailedSinceValue[] = L"PWD_FAILED_SINCE";
constexpr wchar_t kFailedLogValue[] = L"PWD_FAILED_LOG";

// The program's named objects, in a namespace only the user's own programs can use
// (framework/UserObjects.h); kernel objects reach a copy on any desktop, where window messages would
// not. The session's one copy holds the mutex; through the events another start asks it for its
// settings window, and "/quit" asks it to end.
constexpr wchar_t kSingleCopyMutexName[] = L"SingleCopy";
constexpr wchar_t kShowSettingsEventName[] = L"ShowSettings";
constexpr wchar_t kQuitEventName[] = L"Quit";
// Held open by the program and every guard process it starts (an inherited handle): "/quit" waits
// for it to go, so the installer never finds the executable still in use.
constexpr wchar_t kGuardAliveEventName[] = L"GuardAlive";
// Registered message by which "/quit" asks a copy that it cannot reach through the events above, but
// whose window it finds, to end as the tray menu's Exit does.
constexpr wchar_t kQuitRequestMessage[] = L"Veilpane.QuitRequest";

}  // namespace product
