#include "settings/SettingsData.h"

#include "app/AppModule.h"
#include "framework/Text.h"
#include "settings/StoredPassword.h"
#include "switching/HookLib.h"

namespace settings_rules {

bool EqualIgnoringCase(const wchar_t* a, const wchar_t* b) noexcept {
    return ::CompareStringOrdinal(a ? a : L"", -1, b ? b : L"", -1, TRUE) == CSTR_EQUAL;
}

bool ProcessListChanged(BOOL recordOn, const std::vector<std::wstring>& record, BOOL pageOn,
                        const std::vector<std::wstring>& page) noexcept {
    if ((recordOn != 0) != (pageOn != 0) || record.size() != page.size()) return true;
    for (size_t i = 0; i < record.size(); ++i) {
        if (!EqualIgnoringCase(record[i].c_str(), page[i].c_str())) return true;
    }
    return false;
}

}  // namespace settings_rules

BasicPageValues::~BasicPageValues() {
    for (wchar_t* text : {szRestorePwd, szRestorePwdConfirm, szSwitchPwd, szSwitchPwdConfirm}) {
        ::SecureZeroMemory(text, sizeof(szSwitchPwd));
    }
}

namespace {

using settings_rules::EqualIgnoringCase;

// Stored process names are numbered from 0 without gaps by the program itself. A hand-edited count
// far beyond the stored names must not keep start-up busy reading billions of absent values, so the
// reading stops after this many absent values in a row.
constexpr DWORD kMaxMissingProcessValues = 256;

BOOL Flag(DWORD value) noexcept { return value != 0 ? 1 : 0; }
BOOL Checked(BOOL state) noexcept { return state == BST_CHECKED ? 1 : 0; }

DWORD ReadDwordOr(const CRegistryStore& store, const wchar_t* name, DWORD fallback) noexcept {
    DWORD value = 0;
    return store.ReadDword(name, &value) == ERROR_SUCCESS ? value : fallback;
}

// Reads a text with the given read limit (units including the terminator); anything that cannot be
// read, an overlong text included, gives the empty text.
template <size_t N>
void ReadTextOrEmpty(const CRegistryStore& store, const wchar_t* name, wchar_t (&text)[N], DWORD limit) noexcept {
    static_assert(N > 0);
    DWORD size = limit < N ? limit : static_cast<DWORD>(N);
    if (store.ReadString(name, text, &size) != ERROR_SUCCESS) text[0] = L'\0';
}

// The mirror is read by the worker threads; every write goes under its lock.
template <size_t N>
void MirrorText(wchar_t (&field)[N], const wchar_t* text) noexcept {
    vp::LockGuard lock(g_Module.m_csMirror);
    // A cut path or title would name something else: a text that does not fit is left out.
    vp::CopyTextWhole(field, text ? text : L"");
}

void MirrorFlag(BOOL& field, BOOL value) noexcept {
    {
        vp::LockGuard lock(g_Module.m_csMirror);
        field = value;
    }
    g_Module.PostActionsChanged();
}

// The setting of a hotkey from the values handed to a setter: the three cases of enabled and key.
// Only the low 8 bits of a key count, so a code that is 0 in them is no key at all.
HotkeySetting MakeHotkey(BOOL enabled, DWORD key, BOOL shift, BOOL ctrl, BOOL alt) noexcept {
    const DWORD vk = key & 0xFF;
    if (vk == 0) return HotkeySetting{};
    return HotkeySetting{Flag(enabled), vk, Flag(ctrl), Flag(shift), Flag(alt)};
}

bool SameHotkey(const HotkeySetting& record, const HotkeySetting& page) noexcept {
    return record.bEnabled == Checked(page.bEnabled) && record.nKey == page.nKey && record.bCtrl == Flag(page.bCtrl) &&
           record.bShift == Flag(page.bShift) && record.bAlt == Flag(page.bAlt);
}

}  // namespace

// ---- setters ---------------------------------------------------------------------------------------

void CSettingsOwner::SetWheelTrigger(BOOL on) {
    m_settings.m_bWheel = Flag(on);
    ::SetMiddleButton(m_settings.m_bWheel);
    if (m_pBasicPage) m_pBasicPage->WriteWheel(m_settings.m_bWheel);
}

void CSettingsOwner::SetDoubleTrigger(BOOL on) {
    m_settings.m_bDouble = Flag(on);
    ::SetDoubleButton(m_settings.m_bDouble);
    if (m_pBasicPage) m_pBasicPage->WriteDouble(m_settings.m_bDouble);
}

void CSettingsOwner::SetSwitchHotkey(BOOL enabled, DWORD key, BOOL shift, BOOL ctrl, BOOL alt) {
    const HotkeySetting& hk = m_settings.m_switchHotkey = MakeHotkey(enabled, key, shift, ctrl, alt);
    if (hk.bEnabled) {
        ::SetKeyCode(static_cast<int>(hk.nKey), hk.bShift, hk.bCtrl, hk.bAlt);
    } else {
        ::SetKeyCode(0, 0, 0, 0);
    }
    if (m_pBasicPage) m_pBasicPage->WriteSwitchHotkey(hk);
}

void CSettingsOwner::SetAutoStartup(BOOL on) {
    m_runStore.SetPath(g_Module.m_pszRunKey);
    if (on) {
        m_settings.m_bStartup = 1;
        wchar_t current[260];
        const bool same = m_runStore.ReadString(g_Module.m_pszProductName, current) == ERROR_SUCCESS &&
                          EqualIgnoringCase(current, m_szExePath);
        // An empty path would only make Windows start nothing at log-on.
        if (!same && m_szExePath[0] != L'\0') m_runStore.WriteString(g_Module.m_pszProductName, m_szExePath);
    } else {
        m_settings.m_bStartup = 0;
        m_runStore.DeleteValue(g_Module.m_pszProductName);
    }
    if (m_pBasicPage) m_pBasicPage->WriteStartup(m_settings.m_bStartup);
}

void CSettingsOwner::SetTrayIcon(BOOL on) {
    if (on) {
        m_settings.m_bTrayIcon = 1;
        if (!m_bTrayIconShown) {
            AddSettingsTrayIcon();
            m_bTrayIconShown = 1;  // even when the shell refused it: it is removed as usual at the end
        }
    } else {
        m_settings.m_bTrayIcon = 0;
        if (m_bTrayIconShown) {
            RemoveSettingsTrayIcon();
            m_bTrayIconShown = 0;
        }
    }
    if (m_pBasicPage) m_pBasicPage->WriteTrayIcon(m_settings.m_bTrayIcon);
}

void CSettingsOwner::SetUpdateCheck(BOOL on) {
    m_settings.m_bUpdate = Flag(on);
    MirrorFlag(g_Module.m_bAutoUpdate, m_settings.m_bUpdate);
    if (m_pBasicPage) m_pBasicPage->WriteUpdate(m_settings.m_bUpdate);
}

void CSettingsOwner::UnregisterSettingsHotkey() noexcept {
    if (m_bHotkeyRegistered) {
        ::UnregisterHotKey(SettingsWindow(), m_hotkeyAtom);
        m_bHotkeyRegistered = 0;
    }
}

void CSettingsOwner::SetSettingsHotkey(BOOL enabled, DWORD key, BOOL shift, BOOL ctrl, BOOL alt) {
    const HotkeySetting& hk = m_settings.m_settingsHotkey = MakeHotkey(enabled, key, shift, ctrl, alt);
    UnregisterSettingsHotkey();
    if (hk.bEnabled) {
        const UINT modifiers = (hk.bShift ? MOD_SHIFT : 0) | (hk.bCtrl ? MOD_CONTROL : 0) | (hk.bAlt ? MOD_ALT : 0);
        // Another program may hold the combination: that is not reported, and the hotkey still
        // counts as registered so that it is released as usual.
        ::RegisterHotKey(SettingsWindow(), m_hotkeyAtom, modifiers, hk.nKey);
        m_bHotkeyRegistered = 1;
    }
    if (m_pBasicPage) m_pBasicPage->WriteSettingsHotkey(hk);
}

void CSettingsOwner::ReleaseSettingsHotkey() noexcept {
    UnregisterSettingsHotkey();
    if (m_hotkeyAtom) ::GlobalDeleteAtom(m_hotkeyAtom);
    m_hotkeyAtom = 0;
}

void CSettingsOwner::SetSwitchPassword(BOOL on, const wchar_t* record) {
    if (!record) record = L"";
    m_settings.m_bSwitchPwdEnabled = on && record[0] != L'\0' ? 1 : 0;
    vp::CopyTextWhole(m_settings.m_szSwitchPwd, record);
    MirrorText(g_Module.m_szSwitchPassword, m_settings.m_bSwitchPwdEnabled ? m_settings.m_szSwitchPwd : L"");
    if (m_pBasicPage) {
        m_pBasicPage->WriteSwitchPassword(m_settings.m_bSwitchPwdEnabled, stored_password::PageText(m_settings.m_szSwitchPwd));
    }
}

void CSettingsOwner::SetRestorePassword(BOOL on, const wchar_t* record) {
    if (!record) record = L"";
    m_settings.m_bRestorePwdEnabled = on && record[0] != L'\0' ? 1 : 0;
    vp::CopyTextWhole(m_settings.m_szRestorePwd, record);
    MirrorText(g_Module.m_szRestorePassword, m_settings.m_bRestorePwdEnabled ? m_settings.m_szRestorePwd : L"");
    if (m_pBasicPage) {
        m_pBasicPage->WriteRestorePassword(m_settings.m_bRestorePwdEnabled,
                                           stored_password::PageText(m_settings.m_szRestorePwd));
    }
}

void CSettingsOwner::SetMuteAction(BOOL on) {
    m_settings.m_bMute = Flag(on);
    MirrorFlag(g_Module.m_bMute, m_settings.m_bMute);
    if (m_pAdvancedPage) m_pAdvancedPage->WriteMute(m_settings.m_bMute);
}

void CSettingsOwner::SetMonitorAction(BOOL on) {
    m_settings.m_bMonitor = Flag(on);
    MirrorFlag(g_Module.m_bMonitorOff, m_settings.m_bMonitor);
    if (m_pAdvancedPage) m_pAdvancedPage->WriteMonitor(m_settings.m_bMonitor);
}

void CSettingsOwner::SetTaskMgrAction(BOOL on) {
    m_settings.m_bTaskMgr = Flag(on);
    MirrorFlag(g_Module.m_bDisableTaskMgr, m_settings.m_bTaskMgr);
    if (m_pAdvancedPage) m_pAdvancedPage->WriteTaskMgr(m_settings.m_bTaskMgr);
}

void CSettingsOwner::SetIEHistoryAction(BOOL on) {
    m_settings.m_bIEHistory = Flag(on);
    MirrorFlag(g_Module.m_bClearIEHistory, m_settings.m_bIEHistory);
    if (m_pAdvancedPage) m_pAdvancedPage->WriteIEHistory(m_settings.m_bIEHistory);
}

void CSettingsOwner::SetTypedUrlsAction(BOOL on) {
    m_settings.m_bIEUrls = Flag(on);
    MirrorFlag(g_Module.m_bClearTypedUrls, m_settings.m_bIEUrls);
    if (m_pAdvancedPage) m_pAdvancedPage->WriteIEUrls(m_settings.m_bIEUrls);
}

void CSettingsOwner::SetRecentDocsAction(BOOL on) {
    m_settings.m_bRecentDoc = Flag(on);
    MirrorFlag(g_Module.m_bClearRecentDocs, m_settings.m_bRecentDoc);
    if (m_pAdvancedPage) m_pAdvancedPage->WriteRecentDoc(m_settings.m_bRecentDoc);
}

void CSettingsOwner::SetCloseWindowsAction(BOOL on, const wchar_t* text) {
    if (!text) text = L"";
    m_settings.m_bWindowsEnabled = on && text[0] != L'\0' ? 1 : 0;
    vp::CopyText(m_settings.m_szWindowsTitle, text);
    MirrorText(g_Module.m_szCloseWindowTitle, m_settings.m_bWindowsEnabled ? m_settings.m_szWindowsTitle : L"");
    if (m_pAdvancedPage) m_pAdvancedPage->WriteCloseWindows(m_settings.m_bWindowsEnabled, m_settings.m_szWindowsTitle);
}

void CSettingsOwner::SetOpenFileAction(BOOL on, const wchar_t* text) {
    if (!text) text = L"";
    m_settings.m_bFileEnabled = on && text[0] != L'\0' ? 1 : 0;
    vp::CopyText(m_settings.m_szFilePath, text);
    MirrorText(g_Module.m_szOpenFile, m_settings.m_bFileEnabled ? m_settings.m_szFilePath : L"");
    if (m_pAdvancedPage) m_pAdvancedPage->WriteOpenFile(m_settings.m_bFileEnabled, m_settings.m_szFilePath);
}

void CSettingsOwner::SetOpenWebsiteAction(BOOL on, const wchar_t* text) {
    if (!text) text = L"";
    m_settings.m_bWebsiteEnabled = on && text[0] != L'\0' ? 1 : 0;
    vp::CopyText(m_settings.m_szWebsiteUrl, text);
    MirrorText(g_Module.m_szOpenWebsite, m_settings.m_bWebsiteEnabled ? m_settings.m_szWebsiteUrl : L"");
    if (m_pAdvancedPage) m_pAdvancedPage->WriteOpenWebsite(m_settings.m_bWebsiteEnabled, m_settings.m_szWebsiteUrl);
}

void CSettingsOwner::SetTerminateProcessesAction(BOOL on, const std::vector<std::wstring>& names) {
    if (&names != &m_settings.m_vecProcessNames) m_settings.m_vecProcessNames = names;
    m_settings.m_nProcessesCount = static_cast<DWORD>(m_settings.m_vecProcessNames.size());
    // The module keeps copies of its own: a switch that is using the old list keeps it intact.
    g_Module.SetProcessNames(m_settings.m_vecProcessNames);
    m_settings.m_bProcessesEnabled = Flag(on);  // stays on even with an empty list
    MirrorFlag(g_Module.m_bTerminateProcesses, m_settings.m_bProcessesEnabled);
    if (m_pAdvancedPage) m_pAdvancedPage->WriteProcesses(m_settings.m_bProcessesEnabled, m_settings.m_vecProcessNames);
}

// ---- pages -----------------------------------------------------------------------------------------

void CSettingsOwner::WriteBasicPage(IBasicPageView& page) const {
    const CSettingsData& s = m_settings;
    page.WriteWheel(s.m_bWheel);
    page.WriteDouble(s.m_bDouble);
    page.WriteSwitchHotkey(s.m_switchHotkey);
    page.WriteStartup(s.m_bStartup);
    page.WriteTrayIcon(s.m_bTrayIcon);
    page.WriteUpdate(s.m_bUpdate);
    page.WriteSettingsHotkey(s.m_settingsHotkey);
    page.WriteSwitchPassword(s.m_bSwitchPwdEnabled, stored_password::PageText(s.m_szSwitchPwd));
    page.WriteRestorePassword(s.m_bRestorePwdEnabled, stored_password::PageText(s.m_szRestorePwd));
}

void CSettingsOwner::WriteAdvancedPage(IAdvancedPageView& page) const {
    const CSettingsData& s = m_settings;
    page.WriteMute(s.m_bMute);
    page.WriteMonitor(s.m_bMonitor);
    page.WriteTaskMgr(s.m_bTaskMgr);
    page.WriteIEHistory(s.m_bIEHistory);
    page.WriteIEUrls(s.m_bIEUrls);
    page.WriteRecentDoc(s.m_bRecentDoc);
    page.WriteOpenFile(s.m_bFileEnabled, s.m_szFilePath);
    page.WriteOpenWebsite(s.m_bWebsiteEnabled, s.m_szWebsiteUrl);
    page.WriteCloseWindows(s.m_bWindowsEnabled, s.m_szWindowsTitle);
    page.WriteProcesses(s.m_bProcessesEnabled, s.m_vecProcessNames);
}

// ---- load ------------------------------------------------------------------------------------------

void CSettingsOwner::ComputeExecutablePath() noexcept {
    const DWORD n = ::GetModuleFileNameW(nullptr, m_szExePath, 260);
    if (n > 0 && n < 260) return;
    // No path, or one cut at the buffer's end (which would name another file): fall back to the
    // program's name in the current directory.
    m_szExePath[0] = L'\0';
    wchar_t dir[260];
    const DWORD d = ::GetCurrentDirectoryW(260, dir);
    if (d == 0 || d >= 260 || !vp::FormatText(m_szExePath, L"%ls\\%ls.exe", dir, g_Module.m_pszProductName)) {
        m_szExePath[0] = L'\0';
    }
}

void CSettingsOwner::LoadSettings() {
    m_settingsStore.SetPath(g_Module.m_pszRegistryKey);
    const CRegistryStore& st = m_settingsStore;
    CSettingsData& s = m_settings;

    s.m_bWheel = ReadDwordOr(st, L"SW_WHEEL", 1);
    s.m_bDouble = ReadDwordOr(st, L"SW_DOUBLE", 1);
    s.m_switchHotkey.bEnabled = ReadDwordOr(st, L"SW_HOTKEY_ENABLED", 0);
    s.m_switchHotkey.nKey = ReadDwordOr(st, L"SW_HOTKEY", VK_F1);
    s.m_switchHotkey.bCtrl = ReadDwordOr(st, L"SW_CTRL", 0);
    s.m_switchHotkey.bShift = ReadDwordOr(st, L"SW_SHIFT", 0);
    s.m_switchHotkey.bAlt = ReadDwordOr(st, L"SW_ALT", 0);
    s.m_bStartup = ReadDwordOr(st, L"SS_STARTUP", 1);
    s.m_bTrayIcon = ReadDwordOr(st, L"SS_TRAYICON", 1);
    s.m_bUpdate = ReadDwordOr(st, L"SS_UPDATE", 1);
    s.m_settingsHotkey.bEnabled = ReadDwordOr(st, L"SS_HOTKEY_ENABLED", 1);
    s.m_settingsHotkey.nKey = ReadDwordOr(st, L"SS_HOTKEY", VK_F2);
    s.m_settingsHotkey.bCtrl = ReadDwordOr(st, L"SS_CTRL", 0);
    s.m_settingsHotkey.bShift = ReadDwordOr(st, L"SS_SHIFT", 0);
    s.m_settingsHotkey.bAlt = ReadDwordOr(st, L"SS_ALT", 1);
    s.m_bSwitchPwdEnabled = ReadDwordOr(st, L"PWD_VIRT_ENABLED", 0);
    stored_password::LoadRecord(st, L"PWD_VIRT", s.m_szSwitchPwd);
    s.m_bRestorePwdEnabled = ReadDwordOr(st, L"PWD_ORIG_ENABLED", 0);
    stored_password::LoadRecord(st, L"PWD_ORIG", s.m_szRestorePwd);
    s.m_bMute = ReadDwordOr(st, L"AC_MUTE", 0);
    s.m_bMonitor = ReadDwordOr(st, L"AC_MONITOR", 0);
    s.m_bTaskMgr = ReadDwordOr(st, L"AC_TASKMGR", 0);
    s.m_bIEHistory = ReadDwordOr(st, L"AC_IEHISTORY", 0);
    s.m_bIEUrls = ReadDwordOr(st, L"AC_IEURLS", 0);
    s.m_bRecentDoc = ReadDwordOr(st, L"AC_RECENTDOC", 0);
    s.m_bProcessesEnabled = ReadDwordOr(st, L"AC_PROCESSES_ENABLED", 0);
    s.m_nProcessesCount = ReadDwordOr(st, L"AC_PROCESSES_COUNT", 0);

    s.m_vecProcessNames.clear();
    DWORD missingInARow = 0;
    for (DWORD i = 0; i < s.m_nProcessesCount && missingInARow < kMaxMissingProcessValues; ++i) {
        wchar_t name[32];
        vp::FormatText(name, L"AC_PROCESS%d", static_cast<int>(i));
        wchar_t text[260];
        DWORD size = 260;
        if (st.ReadString(name, text, &size) == ERROR_SUCCESS && size >= 1) {
            s.m_vecProcessNames.emplace_back(text);
            missingInARow = 0;
        } else {
            ++missingInARow;
        }
    }
    s.m_nProcessesCount = static_cast<DWORD>(s.m_vecProcessNames.size());

    s.m_bWindowsEnabled = ReadDwordOr(st, L"AC_WINDOWS_ENABLED", 0);
    ReadTextOrEmpty(st, L"AC_WINDOWS_TITLE", s.m_szWindowsTitle, 261);
    s.m_bFileEnabled = ReadDwordOr(st, L"AC_FILE_ENABLED", 0);
    ReadTextOrEmpty(st, L"AC_FILE_PATH", s.m_szFilePath, 261);
    s.m_bWebsiteEnabled = ReadDwordOr(st, L"AC_WEBSITE_ENABLED", 0);
    ReadTextOrEmpty(st, L"AC_WEBSITE_URL", s.m_szWebsiteUrl, 261);

    // Into effect, in this order. The setters copy from their arguments, so the record's own values
    // are handed over as copies where a setter rewrites the field it reads.
    SetWheelTrigger(s.m_bWheel);
    SetDoubleTrigger(s.m_bDouble);
    const HotkeySetting sw = s.m_switchHotkey;
    SetSwitchHotkey(sw.bEnabled, sw.nKey, sw.bShift, sw.bCtrl, sw.bAlt);
    ComputeExecutablePath();
    SetAutoStartup(s.m_bStartup);
    SetTrayIcon(s.m_bTrayIcon);
    SetUpdateCheck(s.m_bUpdate);
    m_hotkeyAtom = ::GlobalAddAtomW(g_Module.m_pszProductName);
    const HotkeySetting ss = s.m_settingsHotkey;
    SetSettingsHotkey(ss.bEnabled, ss.nKey, ss.bShift, ss.bCtrl, ss.bAlt);
    wchar_t text[262];
    vp::CopyText(text, s.m_szSwitchPwd);
    SetSwitchPassword(s.m_bSwitchPwdEnabled, text);
    vp::CopyText(text, s.m_szRestorePwd);
    SetRestorePassword(s.m_bRestorePwdEnabled, text);
    SetMuteAction(s.m_bMute);
    SetMonitorAction(s.m_bMonitor);
    SetTaskMgrAction(s.m_bTaskMgr);
    SetIEHistoryAction(s.m_bIEHistory);
    SetTypedUrlsAction(s.m_bIEUrls);
    SetRecentDocsAction(s.m_bRecentDoc);
    const std::vector<std::wstring> names = s.m_vecProcessNames;
    SetTerminateProcessesAction(s.m_bProcessesEnabled, names);
    vp::CopyText(text, s.m_szWindowsTitle);
    SetCloseWindowsAction(s.m_bWindowsEnabled, text);
    vp::CopyText(text, s.m_szFilePath);
    SetOpenFileAction(s.m_bFileEnabled, text);
    vp::CopyText(text, s.m_szWebsiteUrl);
    SetOpenWebsiteAction(s.m_bWebsiteEnabled, text);
}

// ---- apply -----------------------------------------------------------------------------------------

void CSettingsOwner::WriteProcessValues() const {
    const CSettingsData& s = m_settings;
    m_settingsStore.WriteDword(L"AC_PROCESSES_ENABLED", s.m_bProcessesEnabled);
    m_settingsStore.WriteDword(L"AC_PROCESSES_COUNT", s.m_nProcessesCount);
    for (DWORD i = 0; i < s.m_nProcessesCount && i < s.m_vecProcessNames.size(); ++i) {
        wchar_t name[32];
        vp::FormatText(name, L"AC_PROCESS%d", static_cast<int>(i));
        m_settingsStore.WriteString(name, s.m_vecProcessNames[i].c_str());
    }
}

ApplyResult CSettingsOwner::OnApply(const BasicPageValues* basic, const AdvancedPageValues* advanced) {
    CSettingsData& s = m_settings;
    const CRegistryStore& st = m_settingsStore;

    if (basic) {
        const BasicPageValues& p = *basic;
        if (Checked(p.bWheel) != s.m_bWheel) {
            SetWheelTrigger(Checked(p.bWheel));
            st.WriteDword(L"SW_WHEEL", s.m_bWheel);
        }
        if (Checked(p.bDouble) != s.m_bDouble) {
            SetDoubleTrigger(Checked(p.bDouble));
            st.WriteDword(L"SW_DOUBLE", s.m_bDouble);
        }
        if (!SameHotkey(s.m_switchHotkey, p.switchHotkey)) {
            const HotkeySetting& h = p.switchHotkey;
            SetSwitchHotkey(Checked(h.bEnabled), h.nKey, h.bShift, h.bCtrl, h.bAlt);
            st.WriteDword(L"SW_HOTKEY_ENABLED", s.m_switchHotkey.bEnabled);
            st.WriteDword(L"SW_HOTKEY", s.m_switchHotkey.nKey);
            st.WriteDword(L"SW_CTRL", s.m_switchHotkey.bCtrl);
            st.WriteDword(L"SW_SHIFT", s.m_switchHotkey.bShift);
            st.WriteDword(L"SW_ALT", s.m_switchHotkey.bAlt);
        }
        if (Checked(p.bStartup) != s.m_bStartup) {
            SetAutoStartup(Checked(p.bStartup));
            st.WriteDword(L"SS_STARTUP", s.m_bStartup);
        }
        if (Checked(p.bTrayIcon) != s.m_bTrayIcon) {
            SetTrayIcon(Checked(p.bTrayIcon));
            st.WriteDword(L"SS_TRAYICON", s.m_bTrayIcon);
        }
        if (Checked(p.bUpdate) != s.m_bUpdate) {
            SetUpdateCheck(Checked(p.bUpdate));
            st.WriteDword(L"SS_UPDATE", s.m_bUpdate);
        }

        // Without the tray icon the settings hotkey is the only way back to this window.
        const HotkeySetting& sh = p.settingsHotkey;
        if (!s.m_bTrayIcon && !(Checked(sh.bEnabled) && sh.nKey != 0)) {
            ShowSettingHint(settings_text::kTrayAndHotkeyOff);
            SetTrayIcon(1);
            st.WriteDword(L"SS_TRAYICON", 1);
            return ApplyResult::TrayAndHotkeyOff;
        }
        if (!SameHotkey(s.m_settingsHotkey, sh)) {
            SetSettingsHotkey(Checked(sh.bEnabled), sh.nKey, sh.bShift, sh.bCtrl, sh.bAlt);
            st.WriteDword(L"SS_HOTKEY_ENABLED", s.m_settingsHotkey.bEnabled);
            st.WriteDword(L"SS_HOTKEY", s.m_settingsHotkey.nKey);
            st.WriteDword(L"SS_CTRL", s.m_settingsHotkey.bCtrl);
            st.WriteDword(L"SS_SHIFT", s.m_settingsHotkey.bShift);
            st.WriteDword(L"SS_ALT", s.m_settingsHotkey.bAlt);
        }

        // Switch password: the two boxes must match exactly.
        const BOOL switchOn = Checked(p.bSwitchPwdOn);
        if (switchOn && ::wcscmp(p.szSwitchPwd, p.szSwitchPwdConfirm) != 0) {
            ShowSettingHint(settings_text::kSwitchPwdMismatch);
            return ApplyResult::SwitchPasswordMismatch;
        }
        // Compared with case, as the prompt compares: a password changed only in letter case is a new
        // password, and keeping the old one would lock its owner out with the one they typed.
        if (switchOn != s.m_bSwitchPwdEnabled || stored_password::PageChangesRecord(p.szSwitchPwd, s.m_szSwitchPwd)) {
            wchar_t record[vp::kPasswordRecordUnits];
            stored_password::RecordFromPage(p.szSwitchPwd, s.m_szSwitchPwd, record);
            SetSwitchPassword(switchOn, record);
            wchar_t stored[vp::kPasswordRecordUnits];
            g_Module.CopySwitchPassword(stored);
            st.WriteDword(L"PWD_VIRT_ENABLED", s.m_bSwitchPwdEnabled);
            st.WriteString(L"PWD_VIRT", stored);
        }

        // Restore password: the same rules. Boxes that differ only in letter case are a typing slip
        // (Caps Lock), not a confirmation.
        const BOOL restoreOn = Checked(p.bRestorePwdOn);
        if (restoreOn && ::wcscmp(p.szRestorePwd, p.szRestorePwdConfirm) != 0) {
            ShowSettingHint(settings_text::kRestorePwdMismatch);
            return ApplyResult::RestorePasswordMismatch;
        }
        if (restoreOn != s.m_bRestorePwdEnabled || stored_password::PageChangesRecord(p.szRestorePwd, s.m_szRestorePwd)) {
            wchar_t record[vp::kPasswordRecordUnits];
            stored_password::RecordFromPage(p.szRestorePwd, s.m_szRestorePwd, record);
            SetRestorePassword(restoreOn, record);
            wchar_t stored[vp::kPasswordRecordUnits];
            g_Module.CopyRestorePassword(stored);
            st.WriteDword(L"PWD_ORIG_ENABLED", s.m_bRestorePwdEnabled);
            st.WriteString(L"PWD_ORIG", stored);
        }
    }

    if (advanced) {
        const AdvancedPageValues& p = *advanced;
        struct FlagGroup {
            BOOL page;
            BOOL& record;
            void (CSettingsOwner::*setter)(BOOL);
            const wchar_t* value;
        };
        const FlagGroup flags[] = {
            {p.bMute, s.m_bMute, &CSettingsOwner::SetMuteAction, L"AC_MUTE"},
            {p.bMonitor, s.m_bMonitor, &CSettingsOwner::SetMonitorAction, L"AC_MONITOR"},
            {p.bTaskMgr, s.m_bTaskMgr, &CSettingsOwner::SetTaskMgrAction, L"AC_TASKMGR"},
            {p.bIEHistory, s.m_bIEHistory, &CSettingsOwner::SetIEHistoryAction, L"AC_IEHISTORY"},
            {p.bIEUrls, s.m_bIEUrls, &CSettingsOwner::SetTypedUrlsAction, L"AC_IEURLS"},
            {p.bRecentDoc, s.m_bRecentDoc, &CSettingsOwner::SetRecentDocsAction, L"AC_RECENTDOC"},
        };
        for (const FlagGroup& f : flags) {
            if (Checked(f.page) != f.record) {
                (this->*f.setter)(Checked(f.page));
                st.WriteDword(f.value, f.record);
            }
        }

        struct TextGroup {
            bool caseMatters;  // the window title is matched with case, so a case change is a change
            BOOL pageOn;
            const wchar_t* pageText;
            BOOL& recordOn;
            const wchar_t* recordText;
            void (CSettingsOwner::*setter)(BOOL, const wchar_t*);
            const wchar_t* flagValue;
            const wchar_t* textValue;
        };
        const TextGroup texts[] = {
            {true, p.bWindowsOn, p.szWindowsTitle, s.m_bWindowsEnabled, s.m_szWindowsTitle,
             &CSettingsOwner::SetCloseWindowsAction, L"AC_WINDOWS_ENABLED", L"AC_WINDOWS_TITLE"},
            {false, p.bFileOn, p.szFilePath, s.m_bFileEnabled, s.m_szFilePath, &CSettingsOwner::SetOpenFileAction,
             L"AC_FILE_ENABLED", L"AC_FILE_PATH"},
            {false, p.bWebsiteOn, p.szWebsiteUrl, s.m_bWebsiteEnabled, s.m_szWebsiteUrl,
             &CSettingsOwner::SetOpenWebsiteAction, L"AC_WEBSITE_ENABLED", L"AC_WEBSITE_URL"},
        };
        for (const TextGroup& t : texts) {
            const bool textChanged = t.caseMatters ? ::wcscmp(t.pageText, t.recordText) != 0
                                                   : !EqualIgnoringCase(t.pageText, t.recordText);
            if (Checked(t.pageOn) != t.recordOn || textChanged) {
                (this->*t.setter)(Checked(t.pageOn), t.pageText);
                // A switched-off action keeps its text in the key, ready to be switched on again.
                st.WriteDword(t.flagValue, t.recordOn);
                st.WriteString(t.textValue, t.recordText);
            }
        }

        if (settings_rules::ProcessListChanged(s.m_bProcessesEnabled, s.m_vecProcessNames, Checked(p.bProcessesOn),
                                               p.processNames)) {
            SetTerminateProcessesAction(Checked(p.bProcessesOn), p.processNames);
            WriteProcessValues();
        }
    }
    return ApplyResult::Applied;
}

// ---- save ------------------------------------------------------------------------------------------

void CSettingsOwner::SaveSettings() {
    const CSettingsData& s = m_settings;
    const CRegistryStore& st = m_settingsStore;
    st.WriteDword(L"SW_WHEEL", s.m_bWheel);
    st.WriteDword(L"SW_DOUBLE", s.m_bDouble);
    st.WriteDword(L"SW_HOTKEY_ENABLED", s.m_switchHotkey.bEnabled);
    st.WriteDword(L"SW_HOTKEY", s.m_switchHotkey.nKey);
    st.WriteDword(L"SW_CTRL", s.m_switchHotkey.bCtrl);
    st.WriteDword(L"SW_SHIFT", s.m_switchHotkey.bShift);
    st.WriteDword(L"SW_ALT", s.m_switchHotkey.bAlt);
    st.WriteDword(L"SS_STARTUP", s.m_bStartup);
    SetAutoStartup(s.m_bStartup);
    st.WriteDword(L"SS_TRAYICON", s.m_bTrayIcon);
    st.WriteDword(L"SS_UPDATE", s.m_bUpdate);
    st.WriteDword(L"SS_HOTKEY_ENABLED", s.m_settingsHotkey.bEnabled);
    st.WriteDword(L"SS_HOTKEY", s.m_settingsHotkey.nKey);
    st.WriteDword(L"SS_CTRL", s.m_settingsHotkey.bCtrl);
    st.WriteDword(L"SS_SHIFT", s.m_settingsHotkey.bShift);
    st.WriteDword(L"SS_ALT", s.m_settingsHotkey.bAlt);
    wchar_t password[vp::kPasswordRecordUnits];
    st.WriteDword(L"PWD_VIRT_ENABLED", s.m_bSwitchPwdEnabled);
    g_Module.CopySwitchPassword(password);
    st.WriteString(L"PWD_VIRT", password);
    st.WriteDword(L"PWD_ORIG_ENABLED", s.m_bRestorePwdEnabled);
    g_Module.CopyRestorePassword(password);
    st.WriteString(L"PWD_ORIG", password);
    st.WriteDword(L"AC_MUTE", s.m_bMute);
    st.WriteDword(L"AC_MONITOR", s.m_bMonitor);
    st.WriteDword(L"AC_TASKMGR", s.m_bTaskMgr);
    st.WriteDword(L"AC_IEHISTORY", s.m_bIEHistory);
    st.WriteDword(L"AC_IEURLS", s.m_bIEUrls);
    st.WriteDword(L"AC_RECENTDOC", s.m_bRecentDoc);
    st.WriteDword(L"AC_FILE_ENABLED", s.m_bFileEnabled);
    st.WriteString(L"AC_FILE_PATH", s.m_szFilePath);
    st.WriteDword(L"AC_WEBSITE_ENABLED", s.m_bWebsiteEnabled);
    st.WriteString(L"AC_WEBSITE_URL", s.m_szWebsiteUrl);
    st.WriteDword(L"AC_WINDOWS_ENABLED", s.m_bWindowsEnabled);
    st.WriteString(L"AC_WINDOWS_TITLE", s.m_szWindowsTitle);
    WriteProcessValues();
}

void CSettingsOwner::SaveSettingsAndClose() {
    SaveSettings();
    CloseSettingsWindow();
}
