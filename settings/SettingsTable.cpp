// The settings table and the operations on one setting that follow from its description.
#include "settings/SettingsTable.h"

#include <array>
#include <iterator>

#include "framework/RegistryStore.h"
#include "framework/Text.h"
#include "settings/StoredPassword.h"

namespace {

using S = CSettingsData;
using Names = std::array<const wchar_t*, 5>;
using Values = std::array<DWORD, 5>;
using Tips = std::array<const wchar_t*, 3>;
constexpr SettingsPage kBasic = SettingsPage::Basic;
constexpr SettingsPage kAdvanced = SettingsPage::Advanced;

// The ids of the pages' setting controls: a run of four for each row, in the table's order.
constexpr int kFirstControlId = 12000;

SettingDescription Describe(SettingKind kind, SettingsPage page, Names names, Values defaults, SettingPlace place,
                            const wchar_t* text, Tips tips) {
    SettingDescription d;
    d.kind = kind;
    d.page = page;
    for (size_t i = 0; i < names.size(); ++i) {
        d.names[i] = names[i];
        d.defaults[i] = defaults[i];
    }
    d.place = place;
    d.boxText = text;
    for (size_t i = 0; i < tips.size(); ++i) d.tips[i] = tips[i];
    return d;
}

SettingDescription OnOff(BOOL S::*field, const wchar_t* name, DWORD fallback, SettingsPage page, SettingPlace place,
                         const wchar_t* text, const wchar_t* tip) {
    SettingDescription d = Describe(SettingKind::Flag, page, {name}, {fallback}, place, text, {tip});
    d.flag = field;
    return d;
}

SettingDescription Hotkey(HotkeySetting S::*field, Names names, Values defaults, SettingPlace place, const wchar_t* text,
                          Tips tips) {
    SettingDescription d = Describe(SettingKind::Hotkey, kBasic, names, defaults, place, text, tips);
    d.hotkey = field;
    return d;
}

// Kept as a hash record; the page shows a mask for a set one (settings/StoredPassword.h). Compared
// with case, as the prompt compares.
SettingDescription Password(PasswordSetting S::*field, wchar_t (PageValues::*confirm)[15], Names names,
                            SettingPlace place, const wchar_t* text, Tips tips) {
    SettingDescription d = Describe(SettingKind::Password, kBasic, names, {}, place, text, tips);
    d.readLimit = vp::kPasswordRecordUnits;
    d.caseMatters = true;
    d.password = field;
    d.confirm = confirm;
    return d;
}

// A switched-off action keeps its text in the key, ready to be switched on again.
SettingDescription Text(ActionText S::*field, Names names, bool caseMatters, SettingPlace place, const wchar_t* text,
                        const wchar_t* tip) {
    SettingDescription d = Describe(SettingKind::Text, kAdvanced, names, {}, place, text, {tip});
    d.readLimit = 261;
    d.caseMatters = caseMatters;
    d.keptWhileOff = true;
    d.text = field;
    return d;
}

SettingDescription List(ProcessList S::*field, Names names, SettingPlace place, const wchar_t* text, const wchar_t* tip) {
    SettingDescription d = Describe(SettingKind::List, kAdvanced, names, {}, place, text, {tip});
    d.keptWhileOff = true;
    d.list = field;
    return d;
}

// Each row's controls get the ids of its run: the check box, and what the kind adds beside it.
template <size_t N>
std::array<SettingDescription, N> Numbered(SettingDescription (&&rows)[N]) {
    std::array<SettingDescription, N> table;
    for (size_t i = 0; i < N; ++i) {
        table[i] = rows[i];
        const SettingKind kind = rows[i].kind;
        const int count = kind == SettingKind::Flag ? 1 : kind == SettingKind::Password ? 3 : 2;
        for (int k = 0; k < count; ++k) table[i].controls[k] = kFirstControlId + static_cast<int>(i) * 4 + k;
    }
    return table;
}

// The whole settings key, in its order; its value names are spelled here and nowhere else (the
// restore password's with the stored passwords, settings/StoredPassword.h). The pages show each
// setting at its place.
const auto kSettings = Numbered({
    OnOff(&S::middleButton, L"SW_WHEEL", 1, kBasic, {0, 0, 0}, L"Press Mouse Wheel Button",
          L"Enabled to switch desktops by pressing Mouse Wheel(Middle) Button."),
    OnOff(&S::doubleButton, L"SW_DOUBLE", 1, kBasic, {0, 0, 1}, L"Press Left && Right Buttons",
          L"Enabled to switch desktops by pressing both Left & Right Mouse Buttons."),
    Hotkey(&S::switchHotkey, {L"SW_HOTKEY_ENABLED", L"SW_HOTKEY", L"SW_CTRL", L"SW_SHIFT", L"SW_ALT"}, {0, VK_F1, 0, 0, 0},
           {0, 1, 0}, L"Press Global Hotkey:",
           {L"Enabled to switch desktops by pressing Global Hotkey.", L"Global Hotkey to switch desktops."}),
    OnOff(&S::autoStartup, L"SS_STARTUP", 1, kBasic, {1, 0, 0}, L"Auto Startup",
          L"Enabled to run automatically when Windows starts."),
    OnOff(&S::trayIcon, L"SS_TRAYICON", 1, kBasic, {1, 0, 1}, L"Show Tray Icon",
          L"Enabled to show Veilpane icon in system tray."),
    OnOff(&S::autoUpdate, L"SS_UPDATE", 1, kBasic, {1, 0, 2}, L"Detect Update",
          L"Enabled to check for updates automatically and show available updates."),
    Hotkey(&S::settingsHotkey, {L"SS_HOTKEY_ENABLED", L"SS_HOTKEY", L"SS_CTRL", L"SS_SHIFT", L"SS_ALT"}, {1, VK_F2, 0, 0, 1},
           {1, 1, 0}, L"Hotkey for Settings Dialog:",
           {L"Enabled to show settings dialog box by pressing Global Hotkey.", L"Global Hotkey to show settings dialog box."}),
    Password(&S::switchPassword, &PageValues::switchPasswordConfirm, {L"PWD_VIRT_ENABLED", L"PWD_VIRT"}, {2, 1, 0},
             L"Switch to Virtual Desk:",
             {L"Enabled to password protect from switching to virtual desktop.",
              L"Enter password for switching to virtual desktop here.",
              L"Re-enter password for switching to virtual desktop here."}),
    Password(&S::restorePassword, &PageValues::restorePasswordConfirm,
             {stored_password::kRestoreOnValue, stored_password::kRestoreValue}, {2, 0, 0}, L"Switch to Original Desk:",
             {L"Enabled to password protect from switching back to original desktop.",
              L"Enter password for switching back to original desktop here.",
              L"Re-enter password for switching back to original desktop here."}),
    OnOff(&S::mute, L"AC_MUTE", 0, kAdvanced, {0, 0, 0}, L"Mute", L"Mute after switching to virtual desktop."),
    OnOff(&S::monitorOff, L"AC_MONITOR", 0, kAdvanced, {0, 1, 0}, L"Close Monitor",
          L"Close monitor after switching to virtual desktop."),
    OnOff(&S::disableTaskMgr, L"AC_TASKMGR", 0, kAdvanced, {0, 2, 0}, L"Disable Task Manager",
          L"Disable task manager after switching to virtual desktop."),
    OnOff(&S::clearIEHistory, L"AC_IEHISTORY", 0, kAdvanced, {0, 0, 1}, L"Clear IE  History",
          L"Clear Internet Explorer browsing history  after switching to virtual desktop."),
    OnOff(&S::clearTypedUrls, L"AC_IEURLS", 0, kAdvanced, {0, 1, 1}, L"Clear IE Typed Urls",
          L"Clear Internet Explorer typed URL history  after switching to virtual desktop."),
    OnOff(&S::clearRecentDocs, L"AC_RECENTDOC", 0, kAdvanced, {0, 2, 1}, L"Clear Recent Document List",
          L"Clear recent documents list after switching to virtual desktop."),
    OnOff(&S::holdClipboard, L"AC_CLIPBOARD", 0, kAdvanced, {0, 3, 0}, L"Hold the clipboard aside",
          L"Enabled to hold the clipboard aside before switching to virtual desktop, and put it back after switching back."),
    Text(&S::openFile, {L"AC_FILE_ENABLED", L"AC_FILE_PATH"}, false, {1, 0, 0}, L"Open Specified File:",
         L"Enabled to open the specified file after switching to virtual desktop."),
    Text(&S::openWebsite, {L"AC_WEBSITE_ENABLED", L"AC_WEBSITE_URL"}, false, {1, 1, 0}, L"Open Specified Website:",
         L"Enabled to open the specified website page after switching to virtual desktop."),
    // The window title is matched with case, so a case change is a change.
    Text(&S::closeWindows, {L"AC_WINDOWS_ENABLED", L"AC_WINDOWS_TITLE"}, true, {1, 3, 0}, L"Close Windows With Title:",
         L"Enabled to close the windows containing specified title after switching to virtual desktop."),
    List(&S::terminateProcesses, {L"AC_PROCESSES_ENABLED", L"AC_PROCESSES_COUNT", L"AC_PROCESS%d"}, {1, 2, 0},
         L"Terminate Processes:", L"Enabled to terminate the specified processes after switching to virtual desktop."),
});

// Stored process names are numbered from 0 without gaps by the program itself. A hand-edited count
// far beyond the stored names must not keep start-up busy reading billions of absent values, so the
// reading stops after this many absent values in a row.
constexpr DWORD kMaxMissingProcessValues = 256;

DWORD ReadDwordOr(const CRegistryStore& store, const wchar_t* name, DWORD fallback) noexcept {
    DWORD value = 0;
    return store.ReadDword(name, &value) == ERROR_SUCCESS ? value : fallback;
}

// A text or password setting as its parts.
struct TextParts {
    BOOL& on;
    wchar_t* text;
    size_t units;
};
TextParts TextOf(const SettingDescription& d, CSettingsData& s) noexcept {
    if (d.kind == SettingKind::Password) return {(s.*d.password).on, (s.*d.password).text, vp::kPasswordRecordUnits};
    return {(s.*d.text).on, (s.*d.text).text, std::size((s.*d.text).text)};
}
TextParts TextOf(const SettingDescription& d, const CSettingsData& s) noexcept {
    return TextOf(d, const_cast<CSettingsData&>(s));
}

// Only the low 8 bits of a key count, so a code that is 0 in them is no key at all.
HotkeySetting Normalised(const HotkeySetting& h) noexcept {
    const DWORD vk = h.nKey & 0xFF;
    if (vk == 0) return HotkeySetting{};
    return HotkeySetting{settings_table::Flag(h.bEnabled), vk, settings_table::Flag(h.bCtrl),
                         settings_table::Flag(h.bShift), settings_table::Flag(h.bAlt)};
}

Values HotkeyValues(const HotkeySetting& h) noexcept {
    return {static_cast<DWORD>(h.bEnabled), h.nKey, static_cast<DWORD>(h.bCtrl), static_cast<DWORD>(h.bShift),
            static_cast<DWORD>(h.bAlt)};
}

template <class Field>
const SettingDescription& Find(Field CSettingsData::*SettingDescription::*member, Field CSettingsData::*field) noexcept {
    for (const SettingDescription& d : kSettings) {
        if (d.*member == field) return d;
    }
    return kSettings[0];  // every field of the record has its row
}

}  // namespace

namespace settings_table {

std::span<const SettingDescription> All() noexcept { return kSettings; }

const SettingDescription& Of(BOOL CSettingsData::*field) noexcept { return Find(&SettingDescription::flag, field); }
const SettingDescription& Of(PasswordSetting CSettingsData::*field) noexcept {
    return Find(&SettingDescription::password, field);
}
const SettingDescription& Of(ActionText CSettingsData::*field) noexcept { return Find(&SettingDescription::text, field); }
const SettingDescription& Of(ProcessList CSettingsData::*field) noexcept { return Find(&SettingDescription::list, field); }

void Load(const SettingDescription& d, const CRegistryStore& store, CSettingsData& record) {
    switch (d.kind) {
    case SettingKind::Flag: record.*d.flag = static_cast<BOOL>(ReadDwordOr(store, d.names[0], d.defaults[0])); return;
    case SettingKind::Hotkey: {
        Values v;
        for (size_t i = 0; i < v.size(); ++i) v[i] = ReadDwordOr(store, d.names[i], d.defaults[i]);
        record.*d.hotkey = HotkeySetting{static_cast<BOOL>(v[0]), v[1], static_cast<BOOL>(v[2]),
                                         static_cast<BOOL>(v[3]), static_cast<BOOL>(v[4])};
        return;
    }
    case SettingKind::Text: {
        const TextParts t = TextOf(d, record);
        t.on = static_cast<BOOL>(ReadDwordOr(store, d.names[0], d.defaults[0]));
        // Anything that cannot be read, an overlong text included, gives the empty text.
        DWORD size = d.readLimit < t.units ? d.readLimit : static_cast<DWORD>(t.units);
        if (store.ReadString(d.names[1], t.text, &size) != ERROR_SUCCESS) t.text[0] = L'\0';
        return;
    }
    case SettingKind::Password: {
        PasswordSetting& p = record.*d.password;
        p.on = static_cast<BOOL>(ReadDwordOr(store, d.names[0], d.defaults[0]));
        // A clear password of an older build is hashed here, and its value overwritten.
        stored_password::LoadRecord(store, d.names[1], p.text);
        return;
    }
    case SettingKind::List: {
        ProcessList& l = record.*d.list;
        l.on = static_cast<BOOL>(ReadDwordOr(store, d.names[0], d.defaults[0]));
        const DWORD count = ReadDwordOr(store, d.names[1], 0);
        l.names.clear();
        DWORD missingInARow = 0;
        for (DWORD i = 0; i < count && missingInARow < kMaxMissingProcessValues; ++i) {
            wchar_t name[32], text[260];
            vp::FormatText(name, d.names[2], static_cast<int>(i));
            DWORD size = 260;
            const bool read = store.ReadString(name, text, &size) == ERROR_SUCCESS && size >= 1;
            if (read) l.names.emplace_back(text);
            missingInARow = read ? 0 : missingInARow + 1;
        }
        return;
    }
    }
}

void Store(const SettingDescription& d, const CRegistryStore& store, const CSettingsData& record) {
    switch (d.kind) {
    case SettingKind::Flag: store.WriteDword(d.names[0], static_cast<DWORD>(record.*d.flag)); return;
    case SettingKind::Hotkey: {
        const Values v = HotkeyValues(record.*d.hotkey);
        for (size_t i = 0; i < v.size(); ++i) store.WriteDword(d.names[i], v[i]);
        return;
    }
    case SettingKind::Text:
    case SettingKind::Password: {
        const TextParts t = TextOf(d, record);
        store.WriteDword(d.names[0], static_cast<DWORD>(t.on));
        store.WriteString(d.names[1], t.on || d.keptWhileOff ? t.text : L"");
        return;
    }
    case SettingKind::List: {
        // Values with a higher number that are already stored stay in the key.
        const ProcessList& l = record.*d.list;
        store.WriteDword(d.names[0], static_cast<DWORD>(l.on));
        store.WriteDword(d.names[1], static_cast<DWORD>(l.names.size()));
        for (size_t i = 0; i < l.names.size(); ++i) {
            wchar_t name[32];
            vp::FormatText(name, d.names[2], static_cast<int>(i));
            store.WriteString(name, l.names[i].c_str());
        }
        return;
    }
    }
}

void Normalise(const SettingDescription& d, CSettingsData& record) noexcept {
    switch (d.kind) {
    case SettingKind::Flag: record.*d.flag = Flag(record.*d.flag); return;
    case SettingKind::Hotkey: record.*d.hotkey = Normalised(record.*d.hotkey); return;
    case SettingKind::Text:
    case SettingKind::Password: {
        const TextParts t = TextOf(d, record);
        t.on = t.on && t.text[0] != L'\0' ? 1 : 0;
        return;
    }
    case SettingKind::List: (record.*d.list).on = Flag((record.*d.list).on); return;
    }
}

bool Changed(const SettingDescription& d, const CSettingsData& record, const PageValues& page) {
    switch (d.kind) {
    case SettingKind::Flag: return Flag(page.shown.*d.flag) != record.*d.flag;
    case SettingKind::Hotkey: {
        // Compared as shown: a box checked without a key is a change, which the record then turns off.
        const HotkeySetting& p = page.shown.*d.hotkey;
        const HotkeySetting shown{Flag(p.bEnabled), p.nKey, Flag(p.bCtrl), Flag(p.bShift), Flag(p.bAlt)};
        return HotkeyValues(shown) != HotkeyValues(record.*d.hotkey);
    }
    case SettingKind::Text: {
        const TextParts p = TextOf(d, page.shown), r = TextOf(d, record);
        return Flag(p.on) != r.on || (d.caseMatters ? ::wcscmp(p.text, r.text) != 0
                                                    : !settings_rules::EqualIgnoringCase(p.text, r.text));
    }
    case SettingKind::Password: {
        // A password changed only in letter case is a new password: keeping the old one would lock
        // its owner out with the one they typed.
        const PasswordSetting &p = page.shown.*d.password, &r = record.*d.password;
        return Flag(p.on) != r.on || stored_password::PageChangesRecord(p.text, r.text);
    }
    case SettingKind::List: return settings_rules::ProcessListChanged(record.*d.list, page.shown.*d.list);
    }
    return false;
}

void Take(const SettingDescription& d, const PageValues& page, CSettingsData& record) {
    switch (d.kind) {
    case SettingKind::Flag: record.*d.flag = page.shown.*d.flag; break;
    case SettingKind::Hotkey: record.*d.hotkey = page.shown.*d.hotkey; break;
    case SettingKind::Text: {
        const TextParts p = TextOf(d, page.shown), r = TextOf(d, record);
        r.on = p.on;
        if (!vp::CopyTextN(r.text, r.units, p.text)) r.text[0] = L'\0';
        break;
    }
    case SettingKind::Password: {
        const PasswordSetting& p = page.shown.*d.password;
        PasswordSetting& r = record.*d.password;
        wchar_t taken[vp::kPasswordRecordUnits];
        stored_password::RecordFromPage(p.text, r.text, taken);
        vp::CopyText(r.text, taken);
        ::SecureZeroMemory(taken, sizeof(taken));
        r.on = p.on;
        break;
    }
    case SettingKind::List: record.*d.list = page.shown.*d.list; break;
    }
    Normalise(d, record);
}

PageValues Shown(const CSettingsData& record) {
    PageValues v;
    v.shown = record;
    for (const SettingDescription& d : kSettings) {
        if (d.kind != SettingKind::Password) continue;
        // The page never holds a record: a set password shows as the mask in both boxes.
        const wchar_t* text = stored_password::PageText((record.*d.password).text);
        vp::CopyText((v.shown.*d.password).text, text);
        vp::CopyText(v.*d.confirm, text);
    }
    return v;
}

void EmptyTextsThatAreOff(CSettingsData& record) noexcept {
    for (const SettingDescription& d : kSettings) {
        if (d.kind != SettingKind::Text && d.kind != SettingKind::Password) continue;
        const TextParts t = TextOf(d, record);
        if (!t.on) t.text[0] = L'\0';
    }
}

}  // namespace settings_table
