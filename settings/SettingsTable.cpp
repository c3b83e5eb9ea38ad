// The settings table and the operations on one setting that follow from its description.
#include "settings/SettingsTable.h"

#include <array>
#include <iterator>

#include "framework/RegistryStore.h"
#include "framework/Text.h"
#include "ids_dialogs.h"
#include "settings/StoredPassword.h"

namespace {

using S = CSettingsData;
using Names = std::array<const wchar_t*, 5>;
using Values = std::array<DWORD, 5>;
constexpr SettingsPage kBasic = SettingsPage::Basic;
constexpr SettingsPage kAdvanced = SettingsPage::Advanced;

SettingDescription Describe(SettingKind kind, SettingsPage page, Names names, Values defaults, std::array<int, 3> controls) {
    SettingDescription d;
    d.kind = kind;
    d.page = page;
    for (size_t i = 0; i < names.size(); ++i) {
        d.names[i] = names[i];
        d.defaults[i] = defaults[i];
    }
    for (size_t i = 0; i < controls.size(); ++i) d.controls[i] = controls[i];
    return d;
}

SettingDescription OnOff(BOOL S::*field, const wchar_t* name, DWORD fallback, SettingsPage page, int check) {
    SettingDescription d = Describe(SettingKind::Flag, page, {name}, {fallback}, {check});
    d.flag = field;
    return d;
}

SettingDescription Hotkey(HotkeySetting S::*field, Names names, Values defaults, int check, int box) {
    SettingDescription d = Describe(SettingKind::Hotkey, kBasic, names, defaults, {check, box});
    d.hotkey = field;
    return d;
}

// Kept as a hash record; the page shows a mask for a set one (settings/StoredPassword.h). Compared
// with case, as the prompt compares.
SettingDescription Password(PasswordSetting S::*field, wchar_t (PageValues::*confirm)[15], Names names,
                            std::array<int, 3> controls) {
    SettingDescription d = Describe(SettingKind::Password, kBasic, names, {}, controls);
    d.readLimit = vp::kPasswordRecordUnits;
    d.caseMatters = true;
    d.password = field;
    d.confirm = confirm;
    return d;
}

// A switched-off action keeps its text in the key, ready to be switched on again.
SettingDescription Text(ActionText S::*field, Names names, bool caseMatters, int check, int edit) {
    SettingDescription d = Describe(SettingKind::Text, kAdvanced, names, {}, {check, edit});
    d.readLimit = 261;
    d.caseMatters = caseMatters;
    d.keptWhileOff = true;
    d.text = field;
    return d;
}

SettingDescription List(ProcessList S::*field, Names names, int check, int list) {
    SettingDescription d = Describe(SettingKind::List, kAdvanced, names, {}, {check, list});
    d.keptWhileOff = true;
    d.list = field;
    return d;
}

// The whole settings key, in its order; its value names are spelled here and nowhere else.
const SettingDescription kSettings[] = {
    OnOff(&S::middleButton, L"SW_WHEEL", 1, kBasic, IDC_SW_WHEEL),
    OnOff(&S::doubleButton, L"SW_DOUBLE", 1, kBasic, IDC_SW_DOUBLE),
    Hotkey(&S::switchHotkey, {L"SW_HOTKEY_ENABLED", L"SW_HOTKEY", L"SW_CTRL", L"SW_SHIFT", L"SW_ALT"}, {0, VK_F1, 0, 0, 0},
           IDC_SW_HOTKEY_ENABLED, IDC_SW_HOTKEY),
    OnOff(&S::autoStartup, L"SS_STARTUP", 1, kBasic, IDC_SS_STARTUP),
    OnOff(&S::trayIcon, L"SS_TRAYICON", 1, kBasic, IDC_SS_TRAYICON),
    OnOff(&S::autoUpdate, L"SS_UPDATE", 1, kBasic, IDC_SS_UPDATE),
    Hotkey(&S::settingsHotkey, {L"SS_HOTKEY_ENABLED", L"SS_HOTKEY", L"SS_CTRL", L"SS_SHIFT", L"SS_ALT"}, {1, VK_F2, 0, 0, 1},
           IDC_SS_HOTKEY_ENABLED, IDC_SS_HOTKEY),
    Password(&S::switchPassword, &PageValues::switchPasswordConfirm, {L"PWD_VIRT_ENABLED", L"PWD_VIRT"},
             {IDC_PWD_VIRT_ENABLED, IDC_PWD_VIRT, IDC_PWD_VIRT_CONFIRM}),
    Password(&S::restorePassword, &PageValues::restorePasswordConfirm, {L"PWD_ORIG_ENABLED", L"PWD_ORIG"},
             {IDC_PWD_ORIG_ENABLED, IDC_PWD_ORIG, IDC_PWD_ORIG_CONFIRM}),
    OnOff(&S::mute, L"AC_MUTE", 0, kAdvanced, IDC_AC_MUTE),
    OnOff(&S::monitorOff, L"AC_MONITOR", 0, kAdvanced, IDC_AC_MONITOR),
    OnOff(&S::disableTaskMgr, L"AC_TASKMGR", 0, kAdvanced, IDC_AC_TASKMGR),
    OnOff(&S::clearIEHistory, L"AC_IEHISTORY", 0, kAdvanced, IDC_AC_IEHISTORY),
    OnOff(&S::clearTypedUrls, L"AC_IEURLS", 0, kAdvanced, IDC_AC_IEURLS),
    OnOff(&S::clearRecentDocs, L"AC_RECENTDOC", 0, kAdvanced, IDC_AC_RECENTDOC),
    OnOff(&S::holdClipboard, L"AC_CLIPBOARD", 0, kAdvanced, IDC_AC_CLIPBOARD),
    Text(&S::openFile, {L"AC_FILE_ENABLED", L"AC_FILE_PATH"}, false, IDC_AC_FILE_ENABLED, IDC_AC_FILE_PATH),
    Text(&S::openWebsite, {L"AC_WEBSITE_ENABLED", L"AC_WEBSITE_URL"}, false, IDC_AC_WEBSITE_ENABLED, IDC_AC_WEBSITE_URL),
    // The window title is matched with case, so a case change is a change.
    Text(&S::closeWindows, {L"AC_WINDOWS_ENABLED", L"AC_WINDOWS_TITLE"}, true, IDC_AC_WINDOWS_ENABLED,
         IDC_AC_WINDOWS_TITLE),
    List(&S::terminateProcesses, {L"AC_PROCESSES_ENABLED", L"AC_PROCESSES_COUNT", L"AC_PROCESS%d"},
         IDC_AC_PROCESSES_ENABLED, IDC_AC_PROCESSES),
};

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

void Copy(const SettingDescription& d, const PageValues& from, PageValues& to) {
    switch (d.kind) {
    case SettingKind::Flag: to.shown.*d.flag = from.shown.*d.flag; return;
    case SettingKind::Hotkey: to.shown.*d.hotkey = from.shown.*d.hotkey; return;
    case SettingKind::Text: to.shown.*d.text = from.shown.*d.text; return;
    case SettingKind::Password:
        to.shown.*d.password = from.shown.*d.password;
        vp::CopyText(to.*d.confirm, from.*d.confirm);
        return;
    case SettingKind::List: to.shown.*d.list = from.shown.*d.list; return;
    }
}

void EmptyTextsThatAreOff(CSettingsData& record) noexcept {
    for (const SettingDescription& d : kSettings) {
        if (d.kind != SettingKind::Text && d.kind != SettingKind::Password) continue;
        const TextParts t = TextOf(d, record);
        if (!t.on) t.text[0] = L'\0';
    }
}

}  // namespace settings_table
