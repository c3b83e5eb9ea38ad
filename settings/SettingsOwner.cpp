// The settings owner: the setters and their effects, the pages, and the rules shared with Apply.
#include "settings/SettingsOwner.h"

#include "framework/Product.h"
#include "framework/Text.h"
#include "settings/SettingsTable.h"
#include "settings/StoredPassword.h"

using namespace settings_table;

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

void UpdateRunValue(const wchar_t* runKey, const wchar_t* exePath) {
    CRegistryStore run;
    run.SetPath(runKey);
    if (!exePath) {
        run.DeleteValue(product::kName);
        return;
    }
    // An empty path would only make Windows start nothing at log-on.
    if (exePath[0] == L'\0') return;
    // Quoted, so a path with blanks starts this program and not one planted at its first blank. A
    // path too long for the quotes is not written cut: that would start something else.
    wchar_t command[MAX_PATH + 4];
    if (!vp::FormatText(command, L"\"%ls\"", exePath)) return;
    wchar_t current[MAX_PATH + 4];
    // An older unquoted value of this path is the same setting, written again the safe way.
    const bool same = run.ReadString(product::kName, current) == ERROR_SUCCESS && EqualIgnoringCase(current, command);
    if (!same) run.WriteString(product::kName, command);
}

}  // namespace settings_rules

namespace {

// The setting of a hotkey from the values handed to a setter: the three cases of enabled and key.
// Only the low 8 bits of a key count, so a code that is 0 in them is no key at all.
HotkeySetting MakeHotkey(BOOL enabled, DWORD key, BOOL shift, BOOL ctrl, BOOL alt) noexcept {
    const DWORD vk = key & 0xFF;
    if (vk == 0) return HotkeySetting{};
    return HotkeySetting{Flag(enabled), vk, Flag(ctrl), Flag(shift), Flag(alt)};
}

}  // namespace

// ---- setters ---------------------------------------------------------------------------------------

void CSettingsOwner::SetFlag(Setting setting, BOOL on) {
    BOOL& flag = *RowOf(setting).record(m_settings).on;
    flag = Flag(on);
    switch (setting) {
    case Setting::Wheel: m_effects.SetMiddleButtonTrigger(flag); break;
    case Setting::Double: m_effects.SetDoubleButtonTrigger(flag); break;
    case Setting::Startup: m_effects.SetRunValue(flag ? m_szExePath : nullptr); break;
    case Setting::TrayIcon:
        if (flag && !m_bTrayIconShown) m_effects.AddSettingsTrayIcon();
        if (!flag && m_bTrayIconShown) m_effects.RemoveSettingsTrayIcon();
        m_bTrayIconShown = flag;  // even when the shell refused it: it is removed as usual at the end
        break;
    default: PublishMirror(); break;
    }
    WriteSetting(setting, m_pBasicPage, m_pAdvancedPage);
}

void CSettingsOwner::SetHotkey(Setting setting, BOOL enabled, DWORD key, BOOL shift, BOOL ctrl, BOOL alt) {
    const HotkeySetting& hk = *RowOf(setting).record(m_settings).hotkey = MakeHotkey(enabled, key, shift, ctrl, alt);
    if (setting == Setting::SwitchHotkey) {
        m_effects.SetSwitchKey(hk.bEnabled ? hk.nKey : 0, hk.bEnabled && hk.bShift, hk.bEnabled && hk.bCtrl,
                               hk.bEnabled && hk.bAlt);
    } else {
        UnregisterSettingsHotkey();
        if (hk.bEnabled) {
            // Another program may hold the combination: that is not reported, and the hotkey still
            // counts as registered so that it is released as usual.
            m_effects.RegisterSettingsHotkey((hk.bShift ? MOD_SHIFT : 0) | (hk.bCtrl ? MOD_CONTROL : 0) |
                                                 (hk.bAlt ? MOD_ALT : 0), hk.nKey);
            m_bHotkeyRegistered = 1;
        }
    }
    WriteSetting(setting, m_pBasicPage, m_pAdvancedPage);
}

void CSettingsOwner::SetText(Setting setting, BOOL on, const wchar_t* text) {
    if (!text) text = L"";
    const Row& r = RowOf(setting);
    const Field f = r.record(m_settings);
    // A cut hash record would accept nothing: a record that does not fit is no record.
    if (!vp::CopyTextN(f.text, f.units, text) && r.kind == Kind::Password) f.text[0] = L'\0';
    *f.on = on && f.text[0] != L'\0' ? 1 : 0;
    PublishMirror();
    WriteSetting(setting, m_pBasicPage, m_pAdvancedPage);
}

void CSettingsOwner::SetProcesses(BOOL on, const std::vector<std::wstring>& names) {
    if (&names != &m_settings.m_vecProcessNames) m_settings.m_vecProcessNames = names;
    m_settings.m_nProcessesCount = static_cast<DWORD>(m_settings.m_vecProcessNames.size());
    // The mirror keeps copies of its own: a switch that is using the old list keeps it intact.
    m_effects.PublishProcessNames(m_settings.m_vecProcessNames);
    m_settings.m_bProcessesEnabled = Flag(on);
    PublishMirror();
    WriteSetting(Setting::Processes, m_pBasicPage, m_pAdvancedPage);
}

void CSettingsOwner::PublishMirror() const {
    MirrorSnapshot m;
    for (const Row& r : kRows) {
        if (!r.mirror) continue;
        const Field to = r.mirror(m), from = r.record(const_cast<CSettingsData&>(m_settings));
        // A text is mirrored only while its setting is on; a cut path or title would name something
        // else, so one that does not fit is left out.
        if (to.text && !vp::CopyTextN(to.text, to.units, *from.on ? from.text : L"")) to.text[0] = L'\0';
        if (to.on) *to.on = *from.on;
    }
    m_effects.PublishMirror(m);
}

void CSettingsOwner::UnregisterSettingsHotkey() noexcept {
    if (m_bHotkeyRegistered) m_effects.UnregisterSettingsHotkey();
    m_bHotkeyRegistered = 0;
}

void CSettingsOwner::Release() {
    if (m_bTrayIconShown) m_effects.RemoveSettingsTrayIcon();
    m_bTrayIconShown = 0;
    UnregisterSettingsHotkey();
    m_pBasicPage = nullptr;
    m_pAdvancedPage = nullptr;
}

// ---- pages -----------------------------------------------------------------------------------------

void CSettingsOwner::WriteSetting(Setting setting, IBasicPageView* b, IAdvancedPageView* a) const {
    const CSettingsData& s = m_settings;
    if (OnBasicPage(setting) ? !b : !a) return;
    switch (setting) {
    case Setting::Wheel: b->WriteWheel(s.m_bWheel); break;
    case Setting::Double: b->WriteDouble(s.m_bDouble); break;
    case Setting::SwitchHotkey: b->WriteSwitchHotkey(s.m_switchHotkey); break;
    case Setting::Startup: b->WriteStartup(s.m_bStartup); break;
    case Setting::TrayIcon: b->WriteTrayIcon(s.m_bTrayIcon); break;
    case Setting::Update: b->WriteUpdate(s.m_bUpdate); break;
    case Setting::SettingsHotkey: b->WriteSettingsHotkey(s.m_settingsHotkey); break;
    case Setting::SwitchPassword:
        b->WriteSwitchPassword(s.m_bSwitchPwdEnabled, stored_password::PageText(s.m_szSwitchPwd));
        break;
    case Setting::RestorePassword:
        b->WriteRestorePassword(s.m_bRestorePwdEnabled, stored_password::PageText(s.m_szRestorePwd));
        break;
    case Setting::Mute: a->WriteMute(s.m_bMute); break;
    case Setting::Monitor: a->WriteMonitor(s.m_bMonitor); break;
    case Setting::TaskMgr: a->WriteTaskMgr(s.m_bTaskMgr); break;
    case Setting::IEHistory: a->WriteIEHistory(s.m_bIEHistory); break;
    case Setting::IEUrls: a->WriteIEUrls(s.m_bIEUrls); break;
    case Setting::RecentDoc: a->WriteRecentDoc(s.m_bRecentDoc); break;
    case Setting::OpenFile: a->WriteOpenFile(s.m_bFileEnabled, s.m_szFilePath); break;
    case Setting::OpenWebsite: a->WriteOpenWebsite(s.m_bWebsiteEnabled, s.m_szWebsiteUrl); break;
    case Setting::CloseWindows: a->WriteCloseWindows(s.m_bWindowsEnabled, s.m_szWindowsTitle); break;
    case Setting::Processes: a->WriteProcesses(s.m_bProcessesEnabled, s.m_vecProcessNames); break;
    }
}

void CSettingsOwner::WriteBasicPage(IBasicPageView& page) const {
    for (const Row& r : kRows) WriteSetting(r.setting, &page, nullptr);
}

void CSettingsOwner::WriteAdvancedPage(IAdvancedPageView& page) const {
    for (const Row& r : kRows) WriteSetting(r.setting, nullptr, &page);
}

void CSettingsOwner::AttachBasicPage(IBasicPageView* page) {
    m_pBasicPage = page;
    if (page) WriteBasicPage(*page);
}

void CSettingsOwner::AttachAdvancedPage(IAdvancedPageView* page) {
    m_pAdvancedPage = page;
    if (page) WriteAdvancedPage(*page);
}

void CSettingsOwner::ComputeExecutablePath() noexcept {
    const DWORD n = ::GetModuleFileNameW(nullptr, m_szExePath, 260);
    if (n > 0 && n < 260) return;
    // No path, or one cut at the buffer's end (which would name another file): fall back to the
    // program's name in the current directory.
    m_szExePath[0] = L'\0';
    wchar_t dir[260];
    const DWORD d = ::GetCurrentDirectoryW(260, dir);
    if (d == 0 || d >= 260 || !vp::FormatText(m_szExePath, L"%ls\\%ls.exe", dir, product::kName)) m_szExePath[0] = L'\0';
}
