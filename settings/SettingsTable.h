#pragma once
// The settings table's row type, shared by the passes (settings/SettingsData.cpp, which holds the
// table) and the owner's setters (settings/SettingsOwner.cpp). Not for use outside settings/.
#include <windows.h>

#include <string>
#include <vector>

#include "settings/SettingsOwner.h"

namespace settings_table {

inline BOOL Flag(DWORD value) noexcept { return value != 0 ? 1 : 0; }
inline BOOL Checked(BOOL state) noexcept { return state == BST_CHECKED ? 1 : 0; }

// ---- the table ---------------------------------------------------------------------------------
// Where a setting lives in the record or the mirror: the fields its kind uses.
struct Field {
    BOOL* on = nullptr;
    HotkeySetting* hotkey = nullptr;
    wchar_t* text = nullptr;
    size_t units = 0;
    std::vector<std::wstring>* list = nullptr;
    DWORD* count = nullptr;
};
inline Field Of(BOOL& on) { return Field{&on}; }
inline Field Of(HotkeySetting& hotkey) { return Field{nullptr, &hotkey}; }
template <size_t N>
Field Of(BOOL* on, wchar_t (&text)[N]) { return Field{on, nullptr, text, N}; }
inline Field Of(BOOL& on, std::vector<std::wstring>& list, DWORD& count) { return Field{&on, nullptr, nullptr, 0, &list, &count}; }

// What a page shows for a setting.
struct Shown {
    BOOL on = 0;
    const HotkeySetting* hotkey = nullptr;
    const wchar_t* text = nullptr;
    const wchar_t* confirm = nullptr;  // passwords: the second box
    const std::vector<std::wstring>* list = nullptr;
};
using B = const BasicPageValues&;
using A = const AdvancedPageValues&;

enum class Kind { Flag, Hotkey, Text, Password, List };

struct Row {
    Setting setting;
    Kind kind;
    // Flag: the flag. Hotkey: enabled, key, ctrl, shift, alt. Text: flag, text. Password: flag, hash
    // record. List: flag, count, and the format of the numbered names.
    const wchar_t* names[5];
    DWORD defaults[5];  // for values that cannot be read; texts and lists read as empty and off
    DWORD readLimit;    // Text, Password: units read, terminator included
    bool caseMatters;   // Text: a change of letter case alone is a change (matched or compared with case)
    bool keptWhileOff;  // Text: stored while switched off (passwords are stored empty then)
    Field (*record)(CSettingsData&);
    Shown (*shown)(B, A);
    Field (*mirror)(MirrorSnapshot&);  // null: not mirrored
};

// The whole settings key, in its order: the row of each setting sits at the setting's number.
extern const Row kRows[19];
static_assert(static_cast<size_t>(Setting::Processes) + 1 == 19);

inline const Row& RowOf(Setting setting) noexcept { return kRows[static_cast<size_t>(setting)]; }
inline bool OnBasicPage(Setting setting) noexcept { return setting < Setting::Mute; }

}  // namespace settings_table
