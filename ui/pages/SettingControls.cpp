#include "ui/pages/SettingControls.h"

#include "ui/controls/HotkeyEditCtrl.h"
#include "ui/controls/PasswordEditCtrl.h"
#include "ui/controls/ThemedCheckboxCtrl.h"
#include "ui/pages/PageRules.h"

namespace setting_controls {

namespace {

BOOL Checked(HWND page, int id) noexcept { return ::IsDlgButtonChecked(page, id) == BST_CHECKED ? 1 : 0; }

// The check box and the controls it enables (an id of 0 names none).
void ShowGroup(HWND page, const SettingDescription& d, BOOL on) noexcept {
    ::CheckDlgButton(page, d.controls[0], on ? BST_CHECKED : BST_UNCHECKED);
    for (int i = 1; i < 3; ++i) {
        if (d.controls[i] != 0) ::EnableWindow(::GetDlgItem(page, d.controls[i]), on ? TRUE : FALSE);
    }
}

template <size_t N>
void ReadText(HWND page, int id, wchar_t (&text)[N], int units) noexcept {
    static_assert(N >= 15);
    ::GetDlgItemTextW(page, id, text, units < static_cast<int>(N) ? units : static_cast<int>(N));
}

bool TakeOver(CThemedCheckboxCtrl& box, HWND window) noexcept { return box.SubclassWindow(window); }
bool TakeOver(CHotkeyEditCtrl& box, HWND window) noexcept { return box.Attach(window); }
bool TakeOver(CPasswordEditCtrl& edit, HWND window) noexcept { return edit.SubclassWindow(window); }

}  // namespace

template <class Control>
void CSettingControls::Take(HWND page, int id) {
    auto control = std::make_unique<Control>();
    if (TakeOver(*control, ::GetDlgItem(page, id))) m_controls.push_back(std::move(control));
}

void CSettingControls::Attach(HWND page, SettingsPage which) {
    for (const SettingDescription& d : settings_table::All()) {
        if (d.page != which) continue;
        Take<CThemedCheckboxCtrl>(page, d.controls[0]);
        m_checkBoxIds.push_back(d.controls[0]);
        if (d.kind == SettingKind::Hotkey) {
            Take<CHotkeyEditCtrl>(page, d.controls[1]);
            m_hotkeyBoxes.push_back(::GetDlgItem(page, d.controls[1]));
        }
        if (d.kind == SettingKind::Password) {
            Take<CPasswordEditCtrl>(page, d.controls[1]);
            Take<CPasswordEditCtrl>(page, d.controls[2]);
        }
    }
}

void CSettingControls::FitCheckBoxTexts(HWND page) const noexcept {
    page_rules::WidenCheckBoxesToFit(page, m_checkBoxIds.data(), m_checkBoxIds.size());
}

void CSettingControls::SetHotkeyFont(HFONT font) const noexcept {
    for (HWND box : m_hotkeyBoxes) ::SendMessageW(box, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
}

bool FollowCheckBox(HWND page, SettingsPage which, WPARAM commandWp) noexcept {
    if (HIWORD(commandWp) != BN_CLICKED) return false;
    for (const SettingDescription& d : settings_table::All()) {
        if (d.page != which || d.controls[0] != LOWORD(commandWp) || d.kind == SettingKind::Flag) continue;
        ShowGroup(page, d, Checked(page, d.controls[0]));
        return true;
    }
    return false;
}

void Show(HWND page, const SettingDescription& d, const PageValues& values) noexcept {
    const CSettingsData& v = values.shown;
    switch (d.kind) {
    case SettingKind::Flag: ::CheckDlgButton(page, d.controls[0], v.*d.flag ? BST_CHECKED : BST_UNCHECKED); return;
    case SettingKind::Hotkey: {
        const HotkeySetting& h = v.*d.hotkey;
        ShowGroup(page, d, h.bEnabled);
        // A stored key is a finished combination, even one whose key has no name to show.
        if (CHotkeyEditCtrl* box = CHotkeyEditCtrl::From(::GetDlgItem(page, d.controls[1]))) {
            box->SetHotkey(h.nKey != 0, h.nKey, h.bCtrl, h.bShift, h.bAlt);
        }
        return;
    }
    case SettingKind::Text:
        ShowGroup(page, d, (v.*d.text).on);
        ::SetDlgItemTextW(page, d.controls[1], (v.*d.text).text);
        return;
    case SettingKind::Password:
        ShowGroup(page, d, (v.*d.password).on);
        ::SetDlgItemTextW(page, d.controls[1], (v.*d.password).text);
        ::SetDlgItemTextW(page, d.controls[2], values.*d.confirm);
        return;
    case SettingKind::List: ShowGroup(page, d, (v.*d.list).on); return;
    }
}

void Read(HWND page, const SettingDescription& d, PageValues& values) noexcept {
    CSettingsData& v = values.shown;
    switch (d.kind) {
    case SettingKind::Flag: v.*d.flag = Checked(page, d.controls[0]); return;
    case SettingKind::Hotkey: {
        HotkeySetting hotkey;
        hotkey.bEnabled = Checked(page, d.controls[0]);
        const CHotkeyEditCtrl* box = CHotkeyEditCtrl::From(::GetDlgItem(page, d.controls[1]));
        const CHotkeyEditCtrl::Combination held = box ? box->GetHotkey() : CHotkeyEditCtrl::Combination{};
        if (held.complete == 1) {
            hotkey.nKey = held.key;
            hotkey.bCtrl = held.ctrl;
            hotkey.bShift = held.shift;
            hotkey.bAlt = held.alt;
        }
        v.*d.hotkey = hotkey;
        return;
    }
    case SettingKind::Text:
        (v.*d.text).on = Checked(page, d.controls[0]);
        ReadText(page, d.controls[1], (v.*d.text).text, 260);
        return;
    case SettingKind::Password:
        (v.*d.password).on = Checked(page, d.controls[0]);
        ReadText(page, d.controls[1], (v.*d.password).text, 15);
        ReadText(page, d.controls[2], values.*d.confirm, 15);
        return;
    case SettingKind::List: (v.*d.list).on = Checked(page, d.controls[0]); return;
    }
}

}  // namespace setting_controls
