#pragma once
// The decisions of the settings pages, over plain values: the text that shows the chosen process
// names, which files the file picker refuses, and the rows the process picker offers.
#include <windows.h>

#include <string>
#include <vector>

namespace page_rules {

constexpr size_t kProcessTextUnits = 260;

// The names in order, each followed by ";". A name goes in only while the whole text, that name and
// its ";" included, stays shorter than 260 characters; writing stops at the first name that does not
// fit, so the text never shows a name cut short. An empty list gives the empty text.
void ProcessListText(const std::vector<std::wstring>& names, wchar_t (&text)[kProcessTextUnits]) noexcept;

// Whether a chosen file is a program (".exe", ".cmd", ".bat" or ".com", in any letter case), which
// the open-file action must not be pointed at.
bool IsExecutablePath(const wchar_t* path) noexcept;

// One row of the process picker.
struct PickerEntry {
    std::wstring name;
    bool checked = false;
};

// The picker's rows: the running names in snapshot order, each once (ignoring case; the first
// spelling stays), checked when a chosen name equals them ignoring case. Chosen names that are not
// running get no row.
std::vector<PickerEntry> PickerRows(const std::vector<std::wstring>& running, const std::vector<std::wstring>& chosen);

// The names of the checked rows, in row order: what OK hands back.
std::vector<std::wstring> CheckedNames(const std::vector<PickerEntry>& rows);

// The width a check box needs for its glyph, the gap and its text in the given font.
int CheckBoxTextWidth(HWND checkBox, HFONT font) noexcept;

}  // namespace page_rules
