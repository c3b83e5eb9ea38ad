#pragma once
// The controls of one setting on a settings page, found by the ids its description names: a check
// box, then the edit, hotkey box or list beside it, which is enabled exactly while the box is
// checked. A process list's names are kept by its page; here only its check box and enabling.
#include <windows.h>

#include "settings/SettingsTable.h"

namespace setting_controls {

void Show(HWND page, const SettingDescription& d, const PageValues& values) noexcept;
// Texts are read with 260 units, passwords with 15 (at most 14 characters, as the prompt reads them).
void Read(HWND page, const SettingDescription& d, PageValues& values) noexcept;

}  // namespace setting_controls
