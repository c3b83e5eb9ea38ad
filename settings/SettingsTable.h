#pragma once
// One description per setting: its registry values, defaults and limits, its field of the record and
// the controls that show it on its page (their texts, tips and place). Loading, saving, Apply's test
// for a change, the pages and the snapshot handed to the switcher all follow from the table
// (settings/SettingsTable.cpp).
#include <windows.h>

#include <span>

#include "settings/SettingsData.h"

class CRegistryStore;

enum class SettingKind { Flag, Hotkey, Text, Password, List };
enum class SettingsPage { Basic, Advanced };

// Where a setting stands on its page: the section (counted from the page's top), the line in the
// section, and the column of its check box; the controls the box enables take the next column. A
// line has as many equal columns as its settings use.
struct SettingPlace {
    int section = 0;
    int line = 0;
    int column = 0;
};

struct SettingDescription {
    SettingKind kind = SettingKind::Flag;
    SettingsPage page = SettingsPage::Basic;
    // Flag: the flag. Hotkey: enabled, key, ctrl, shift, alt. Text, Password: flag, text. List: flag,
    // count, and the format of the numbered names.
    const wchar_t* names[5] = {};
    DWORD defaults[5] = {};    // for values that cannot be read; texts and lists read as empty and off
    DWORD readLimit = 0;       // Text, Password: units read, terminator included
    bool caseMatters = false;  // Text: a change of letter case alone is a change
    bool keptWhileOff = false; // Text: stored while switched off (a password is stored empty then)
    // The check box, then the edit, the hotkey box or the list; a password's two edits. Ids the table
    // gives each row's controls, a run of its own; 0 past the kind's controls.
    int controls[3] = {};
    const wchar_t* boxText = nullptr;  // the check box's text
    const wchar_t* tips[3] = {};       // each control's tooltip; none where null
    SettingPlace place;
    // The record's field: the one of the kind.
    BOOL CSettingsData::*flag = nullptr;
    HotkeySetting CSettingsData::*hotkey = nullptr;
    ActionText CSettingsData::*text = nullptr;
    PasswordSetting CSettingsData::*password = nullptr;
    ProcessList CSettingsData::*list = nullptr;
    wchar_t (PageValues::*confirm)[15] = nullptr;  // Password: what the second box holds
};

// A page as the settings owner sees it: Show sets the controls of one setting from values; Read puts
// what they show now into values. Implemented by each page once it exists.
class ISettingsPageView {
public:
    virtual ~ISettingsPageView() = default;
    virtual void Show(const SettingDescription& setting, const PageValues& values) = 0;
    virtual void Read(const SettingDescription& setting, PageValues& values) const = 0;
};

namespace settings_table {

// Every setting, in the key's order; the pages show them in this order too.
std::span<const SettingDescription> All() noexcept;
// The description of a field of the record.
const SettingDescription& Of(BOOL CSettingsData::*field) noexcept;
const SettingDescription& Of(PasswordSetting CSettingsData::*field) noexcept;
const SettingDescription& Of(ActionText CSettingsData::*field) noexcept;
const SettingDescription& Of(ProcessList CSettingsData::*field) noexcept;

// A flag as a setting holds it: any non-zero value is 1.
inline BOOL Flag(DWORD value) noexcept { return value != 0 ? 1 : 0; }

// The stored values of a setting into the record (defaults for what cannot be read), as they are.
void Load(const SettingDescription& d, const CRegistryStore& store, CSettingsData& record);
// A setting's values from the record into the store.
void Store(const SettingDescription& d, const CRegistryStore& store, const CSettingsData& record);
// A setting as its kind holds it: flags 0 or 1, a hotkey's key its low 8 bits (key 0: no hotkey), a
// text on only with a text.
void Normalise(const SettingDescription& d, CSettingsData& record) noexcept;
// Whether what the page shows differs from the record.
bool Changed(const SettingDescription& d, const CSettingsData& record, const PageValues& page);
// The page's value of a setting into the record (a password's text becomes a record), normalised.
void Take(const SettingDescription& d, const PageValues& page, CSettingsData& record);
// What the pages show for the record: a set password as the mask.
PageValues Shown(const CSettingsData& record);
// The record as the switcher acts on it: texts that are off are empty.
void EmptyTextsThatAreOff(CSettingsData& record) noexcept;

}  // namespace settings_table
