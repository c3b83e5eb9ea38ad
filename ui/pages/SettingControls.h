#pragma once
// The controls of one setting on a settings page, found by the ids its description names: a check
// box, then the edit, hotkey box or list beside it, which is enabled exactly while the box is
// checked. A process list's names are kept by its page; here only its check box and enabling.
#include <windows.h>

#include <memory>
#include <vector>

#include "settings/SettingsTable.h"
#include "framework/Window.h"

namespace setting_controls {

// The controls of the settings a page shows, taken over from its template before the theme is set
// up: every check box themed, the hotkey boxes capturing key combinations, the password edits masked.
class CSettingControls {
public:
    void Attach(HWND page, SettingsPage which);
    // Widens the check boxes whose text does not fit at the page's font into the free space beside
    // them.
    void FitCheckBoxTexts(HWND page) const noexcept;
    void SetHotkeyFont(HFONT font) const noexcept;

private:
    template <class Control>
    void Take(HWND page, int id);

    std::vector<std::unique_ptr<vp::CWindowImplBase>> m_controls;
    std::vector<int> m_checkBoxIds;
    std::vector<HWND> m_hotkeyBoxes;
};

// BN_CLICKED from a setting's check box of this page: the controls beside it are enabled exactly
// when it is checked; what they hold stays. Returns whether the command was one of them.
bool FollowCheckBox(HWND page, SettingsPage which, WPARAM commandWp) noexcept;

void Show(HWND page, const SettingDescription& d, const PageValues& values) noexcept;
// Texts are read with 260 units, passwords with 15 (at most 14 characters, as the prompt reads them).
void Read(HWND page, const SettingDescription& d, PageValues& values) noexcept;

}  // namespace setting_controls
