#include "ui/pages/SettingControls.h"

#include "ui/controls/HotkeyEditCtrl.h"

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

}  // namespace

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
