// The settings table and the three passes over the registry it drives: load, apply and save.
#include <iterator>

#include "framework/Text.h"
#include "settings/ProgramKeys.h"
#include "settings/SettingsTable.h"
#include "settings/StoredPassword.h"

using namespace settings_table;
using settings_rules::EqualIgnoringCase;

// The whole settings key, in its order; its value names are spelled here and nowhere else.
const Row settings_table::kRows[19] = {
    {Setting::Wheel, Kind::Flag, {L"SW_WHEEL"}, {1}, 0, false, false, [](CSettingsData& s) { return Of(s.m_bWheel); },
     [](B b, A) { return Shown{b.bWheel}; }, nullptr},
    {Setting::Double, Kind::Flag, {L"SW_DOUBLE"}, {1}, 0, false, false, [](CSettingsData& s) { return Of(s.m_bDouble); },
     [](B b, A) { return Shown{b.bDouble}; }, nullptr},
    {Setting::SwitchHotkey, Kind::Hotkey, {L"SW_HOTKEY_ENABLED", L"SW_HOTKEY", L"SW_CTRL", L"SW_SHIFT", L"SW_ALT"},
     {0, VK_F1, 0, 0, 0}, 0, false, false, [](CSettingsData& s) { return Of(s.m_switchHotkey); },
     [](B b, A) { return Shown{0, &b.switchHotkey}; }, nullptr},
    {Setting::Startup, Kind::Flag, {L"SS_STARTUP"}, {1}, 0, false, false, [](CSettingsData& s) { return Of(s.m_bStartup); },
     [](B b, A) { return Shown{b.bStartup}; }, nullptr},
    {Setting::TrayIcon, Kind::Flag, {L"SS_TRAYICON"}, {1}, 0, false, false,
     [](CSettingsData& s) { return Of(s.m_bTrayIcon); }, [](B b, A) { return Shown{b.bTrayIcon}; }, nullptr},
    {Setting::Update, Kind::Flag, {L"SS_UPDATE"}, {1}, 0, false, false, [](CSettingsData& s) { return Of(s.m_bUpdate); },
     [](B b, A) { return Shown{b.bUpdate}; }, [](MirrorSnapshot& m) { return Of(m.bAutoUpdate); }},
    {Setting::SettingsHotkey, Kind::Hotkey, {L"SS_HOTKEY_ENABLED", L"SS_HOTKEY", L"SS_CTRL", L"SS_SHIFT", L"SS_ALT"},
     {1, VK_F2, 0, 0, 1}, 0, false, false, [](CSettingsData& s) { return Of(s.m_settingsHotkey); },
     [](B b, A) { return Shown{0, &b.settingsHotkey}; }, nullptr},
    // Passwords are kept as hash records; the page shows a mask for a set one (settings/StoredPassword.h).
    {Setting::SwitchPassword, Kind::Password, {L"PWD_VIRT_ENABLED", L"PWD_VIRT"}, {0}, vp::kPasswordRecordUnits, true, false,
     [](CSettingsData& s) { return Of(&s.m_bSwitchPwdEnabled, s.m_szSwitchPwd); },
     [](B b, A) { return Shown{b.bSwitchPwdOn, nullptr, b.szSwitchPwd, b.szSwitchPwdConfirm}; },
     [](MirrorSnapshot& m) { return Of(nullptr, m.szSwitchPassword); }},
    {Setting::RestorePassword, Kind::Password, {L"PWD_ORIG_ENABLED", L"PWD_ORIG"}, {0}, vp::kPasswordRecordUnits, true, false,
     [](CSettingsData& s) { return Of(&s.m_bRestorePwdEnabled, s.m_szRestorePwd); },
     [](B b, A) { return Shown{b.bRestorePwdOn, nullptr, b.szRestorePwd, b.szRestorePwdConfirm}; },
     [](MirrorSnapshot& m) { return Of(nullptr, m.szRestorePassword); }},
    {Setting::Mute, Kind::Flag, {L"AC_MUTE"}, {0}, 0, false, false, [](CSettingsData& s) { return Of(s.m_bMute); },
     [](B, A a) { return Shown{a.bMute}; }, [](MirrorSnapshot& m) { return Of(m.bMute); }},
    {Setting::Monitor, Kind::Flag, {L"AC_MONITOR"}, {0}, 0, false, false, [](CSettingsData& s) { return Of(s.m_bMonitor); },
     [](B, A a) { return Shown{a.bMonitor}; }, [](MirrorSnapshot& m) { return Of(m.bMonitorOff); }},
    {Setting::TaskMgr, Kind::Flag, {L"AC_TASKMGR"}, {0}, 0, false, false, [](CSettingsData& s) { return Of(s.m_bTaskMgr); },
     [](B, A a) { return Shown{a.bTaskMgr}; }, [](MirrorSnapshot& m) { return Of(m.bDisableTaskMgr); }},
    {Setting::IEHistory, Kind::Flag, {L"AC_IEHISTORY"}, {0}, 0, false, false,
     [](CSettingsData& s) { return Of(s.m_bIEHistory); }, [](B, A a) { return Shown{a.bIEHistory}; },
     [](MirrorSnapshot& m) { return Of(m.bClearIEHistory); }},
    {Setting::IEUrls, Kind::Flag, {L"AC_IEURLS"}, {0}, 0, false, false, [](CSettingsData& s) { return Of(s.m_bIEUrls); },
     [](B, A a) { return Shown{a.bIEUrls}; }, [](MirrorSnapshot& m) { return Of(m.bClearTypedUrls); }},
    {Setting::RecentDoc, Kind::Flag, {L"AC_RECENTDOC"}, {0}, 0, false, false,
     [](CSettingsData& s) { return Of(s.m_bRecentDoc); }, [](B, A a) { return Shown{a.bRecentDoc}; },
     [](MirrorSnapshot& m) { return Of(m.bClearRecentDocs); }},
    // A switched-off action keeps its text in the key, ready to be switched on again.
    {Setting::OpenFile, Kind::Text, {L"AC_FILE_ENABLED", L"AC_FILE_PATH"}, {0}, 261, false, true,
     [](CSettingsData& s) { return Of(&s.m_bFileEnabled, s.m_szFilePath); },
     [](B, A a) { return Shown{a.bFileOn, nullptr, a.szFilePath}; },
     [](MirrorSnapshot& m) { return Of(nullptr, m.szOpenFile); }},
    {Setting::OpenWebsite, Kind::Text, {L"AC_WEBSITE_ENABLED", L"AC_WEBSITE_URL"}, {0}, 261, false, true,
     [](CSettingsData& s) { return Of(&s.m_bWebsiteEnabled, s.m_szWebsiteUrl); },
     [](B, A a) { return Shown{a.bWebsiteOn, nullptr, a.szWebsiteUrl}; },
     [](MirrorSnapshot& m) { return Of(nullptr, m.szOpenWebsite); }},
    // The window title is matched with case, so a case change is a change.
    {Setting::CloseWindows, Kind::Text, {L"AC_WINDOWS_ENABLED", L"AC_WINDOWS_TITLE"}, {0}, 261, true, true,
     [](CSettingsData& s) { return Of(&s.m_bWindowsEnabled, s.m_szWindowsTitle); },
     [](B, A a) { return Shown{a.bWindowsOn, nullptr, a.szWindowsTitle}; },
     [](MirrorSnapshot& m) { return Of(nullptr, m.szCloseWindowTitle); }},
    {Setting::Processes, Kind::List, {L"AC_PROCESSES_ENABLED", L"AC_PROCESSES_COUNT", L"AC_PROCESS%d"}, {0}, 0, false,
     true, [](CSettingsData& s) { return Of(s.m_bProcessesEnabled, s.m_vecProcessNames, s.m_nProcessesCount); },
     [](B, A a) { return Shown{a.bProcessesOn, nullptr, nullptr, nullptr, &a.processNames}; },
     [](MirrorSnapshot& m) { return Of(m.bTerminateProcesses); }},
};

BasicPageValues::~BasicPageValues() {
    for (wchar_t* text : {szRestorePwd, szRestorePwdConfirm, szSwitchPwd, szSwitchPwdConfirm}) {
        ::SecureZeroMemory(text, sizeof(szSwitchPwd));
    }
}

namespace {

// Stored process names are numbered from 0 without gaps by the program itself. A hand-edited count
// far beyond the stored names must not keep start-up busy reading billions of absent values, so the
// reading stops after this many absent values in a row.
constexpr DWORD kMaxMissingProcessValues = 256;

DWORD ReadDwordOr(const CRegistryStore& store, const wchar_t* name, DWORD fallback) noexcept {
    DWORD value = 0;
    return store.ReadDword(name, &value) == ERROR_SUCCESS ? value : fallback;
}

bool SameHotkey(const HotkeySetting& record, const HotkeySetting& page) noexcept {
    return record.bEnabled == Checked(page.bEnabled) && record.nKey == page.nKey && record.bCtrl == Flag(page.bCtrl) &&
           record.bShift == Flag(page.bShift) && record.bAlt == Flag(page.bAlt);
}

}  // namespace

// ---- load ------------------------------------------------------------------------------------------

void CSettingsOwner::LoadSettings() {
    m_settingsStore.SetPath(g_ProgramKeys.settings);
    const CRegistryStore& st = m_settingsStore;
    for (const Row& r : kRows) {
        const Field f = r.record(m_settings);
        if (r.kind == Kind::Hotkey) {
            HotkeySetting& h = *f.hotkey;
            h.bEnabled = ReadDwordOr(st, r.names[0], r.defaults[0]);
            h.nKey = ReadDwordOr(st, r.names[1], r.defaults[1]);
            h.bCtrl = ReadDwordOr(st, r.names[2], r.defaults[2]);
            h.bShift = ReadDwordOr(st, r.names[3], r.defaults[3]);
            h.bAlt = ReadDwordOr(st, r.names[4], r.defaults[4]);
            continue;
        }
        *f.on = ReadDwordOr(st, r.names[0], r.defaults[0]);
        if (r.kind == Kind::Text) {
            // Anything that cannot be read, an overlong text included, gives the empty text.
            DWORD size = r.readLimit < f.units ? r.readLimit : static_cast<DWORD>(f.units);
            if (st.ReadString(r.names[1], f.text, &size) != ERROR_SUCCESS) f.text[0] = L'\0';
        } else if (r.kind == Kind::Password) {
            // A clear password of an older build is hashed here, and its value overwritten.
            wchar_t record[vp::kPasswordRecordUnits];
            stored_password::LoadRecord(st, r.names[1], record);
            if (!vp::CopyTextN(f.text, f.units, record)) f.text[0] = L'\0';
            ::SecureZeroMemory(record, sizeof(record));
        } else if (r.kind == Kind::List) {
            const DWORD count = ReadDwordOr(st, r.names[1], 0);
            f.list->clear();
            DWORD missingInARow = 0;
            for (DWORD i = 0; i < count && missingInARow < kMaxMissingProcessValues; ++i) {
                wchar_t name[32], text[260];
                vp::FormatText(name, r.names[2], static_cast<int>(i));
                DWORD size = 260;
                const bool read = st.ReadString(name, text, &size) == ERROR_SUCCESS && size >= 1;
                if (read) f.list->emplace_back(text);
                missingInARow = read ? 0 : missingInARow + 1;
            }
            *f.count = static_cast<DWORD>(f.list->size());
        }
    }

    // Into effect, in the table's order. The setters copy from their arguments, so the record's own
    // values are handed over as copies.
    ComputeExecutablePath();
    for (const Row& r : kRows) {
        const Field f = r.record(m_settings);
        if (r.kind == Kind::Flag) SetFlag(r.setting, *f.on);
        if (r.kind == Kind::Hotkey) {
            const HotkeySetting h = *f.hotkey;
            SetHotkey(r.setting, h.bEnabled, h.nKey, h.bShift, h.bCtrl, h.bAlt);
        }
        if (r.kind == Kind::Text || r.kind == Kind::Password) SetText(r.setting, *f.on, std::wstring(f.text).c_str());
        if (r.kind == Kind::List) SetProcesses(*f.on, std::vector<std::wstring>(*f.list));
    }
}

// ---- apply -----------------------------------------------------------------------------------------

// Writes a setting's values from the record.
void CSettingsOwner::WriteValues(Setting setting) const {
    const Row& r = RowOf(setting);
    const CRegistryStore& st = m_settingsStore;
    const Field f = r.record(const_cast<CSettingsData&>(m_settings));
    if (r.kind == Kind::Hotkey) {
        const DWORD values[] = {static_cast<DWORD>(f.hotkey->bEnabled), f.hotkey->nKey, static_cast<DWORD>(f.hotkey->bCtrl),
                                static_cast<DWORD>(f.hotkey->bShift), static_cast<DWORD>(f.hotkey->bAlt)};
        for (size_t i = 0; i < std::size(values); ++i) st.WriteDword(r.names[i], values[i]);
        return;
    }
    st.WriteDword(r.names[0], static_cast<DWORD>(*f.on));
    if (r.kind == Kind::Text || r.kind == Kind::Password) st.WriteString(r.names[1], *f.on || r.keptWhileOff ? f.text : L"");
    if (r.kind != Kind::List) return;
    st.WriteDword(r.names[1], *f.count);
    for (DWORD i = 0; i < *f.count && i < f.list->size(); ++i) {
        wchar_t name[32];
        vp::FormatText(name, r.names[2], static_cast<int>(i));
        st.WriteString(name, (*f.list)[i].c_str());
    }
}

ApplyResult CSettingsOwner::OnApply(const BasicPageValues* basic, const AdvancedPageValues* advanced) {
    const BasicPageValues noBasic{};
    const AdvancedPageValues noAdvanced{};
    for (const Row& r : kRows) {
        if (!(OnBasicPage(r.setting) ? basic != nullptr : advanced != nullptr)) continue;
        const Shown p = r.shown(basic ? *basic : noBasic, advanced ? *advanced : noAdvanced);
        const Field f = r.record(m_settings);

        // Without the tray icon the settings hotkey is the only way back to this window.
        if (r.setting == Setting::SettingsHotkey && !m_settings.m_bTrayIcon &&
            !(Checked(p.hotkey->bEnabled) && p.hotkey->nKey != 0)) {
            m_effects.ShowSettingHint(settings_text::kTrayAndHotkeyOff);
            SetFlag(Setting::TrayIcon, 1);
            WriteValues(Setting::TrayIcon);
            return ApplyResult::TrayAndHotkeyOff;
        }
        // A password's two boxes must match exactly: boxes that differ only in letter case are a
        // typing slip (Caps Lock), not a confirmation.
        if (p.confirm && Checked(p.on) && ::wcscmp(p.text, p.confirm) != 0) {
            const bool isSwitch = r.setting == Setting::SwitchPassword;
            m_effects.ShowSettingHint(isSwitch ? settings_text::kSwitchPwdMismatch : settings_text::kRestorePwdMismatch);
            return isSwitch ? ApplyResult::SwitchPasswordMismatch : ApplyResult::RestorePasswordMismatch;
        }

        bool changed = false;
        switch (r.kind) {
        case Kind::Flag: changed = Checked(p.on) != *f.on; break;
        case Kind::Hotkey: changed = !SameHotkey(*f.hotkey, *p.hotkey); break;
        case Kind::Text:
            changed = Checked(p.on) != *f.on ||
                      (r.caseMatters ? ::wcscmp(p.text, f.text) != 0 : !EqualIgnoringCase(p.text, f.text));
            break;
        case Kind::Password:
            // Compared with case, as the prompt compares: a password changed only in letter case is
            // a new password, and keeping the old one would lock its owner out with the one they typed.
            changed = Checked(p.on) != *f.on || stored_password::PageChangesRecord(p.text, f.text);
            break;
        case Kind::List:
            changed = settings_rules::ProcessListChanged(*f.on, *f.list, Checked(p.on), *p.list);
            break;
        }
        if (!changed) continue;
        if (r.kind == Kind::Flag) SetFlag(r.setting, Checked(p.on));
        if (r.kind == Kind::Hotkey) {
            const HotkeySetting& h = *p.hotkey;
            SetHotkey(r.setting, Checked(h.bEnabled), h.nKey, h.bShift, h.bCtrl, h.bAlt);
        }
        if (r.kind == Kind::Text) SetText(r.setting, Checked(p.on), p.text);
        if (r.kind == Kind::Password) {
            wchar_t record[vp::kPasswordRecordUnits];
            stored_password::RecordFromPage(p.text, f.text, record);
            SetText(r.setting, Checked(p.on), record);
        }
        if (r.kind == Kind::List) SetProcesses(Checked(p.on), *p.list);
        WriteValues(r.setting);
    }
    return ApplyResult::Applied;
}

ApplyResult CSettingsOwner::ApplyPages() {
    BasicPageValues basic;
    AdvancedPageValues advanced;
    if (m_pBasicPage) m_pBasicPage->Read(basic);
    if (m_pAdvancedPage) m_pAdvancedPage->Read(advanced);
    return OnApply(m_pBasicPage ? &basic : nullptr, m_pAdvancedPage ? &advanced : nullptr);
}

// ---- save ------------------------------------------------------------------------------------------

void CSettingsOwner::SaveSettings() {
    for (const Row& r : kRows) WriteValues(r.setting);
    SetFlag(Setting::Startup, m_settings.m_bStartup);  // the Run value follows the executable
}

void CSettingsOwner::SaveSettingsAndClose() {
    SaveSettings();
    m_effects.CloseSettingsWindow();
}
