#include "ui/pages/BasicSettingsDlg.h"

#include <iterator>

#include "ids_artwork.h"
#include "ui/pages/PageRules.h"

namespace {

// The right-hand column keeps its distance from the page's right edge.
const vp::DialogResizeEntry kResizeMap[] = {
    {IDC_SW_DOUBLE, vp::DLSZ_MOVE_X}, {IDC_SW_HOTKEY, vp::DLSZ_MOVE_X},        {IDC_SS_UPDATE, vp::DLSZ_MOVE_X},
    {IDC_SS_HOTKEY, vp::DLSZ_MOVE_X}, {IDC_PWD_ORIG, vp::DLSZ_MOVE_X},         {IDC_PWD_ORIG_CONFIRM, vp::DLSZ_MOVE_X},
    {IDC_PWD_VIRT, vp::DLSZ_MOVE_X},  {IDC_PWD_VIRT_CONFIRM, vp::DLSZ_MOVE_X},
};

const page_rules::EnableDependency kDependencies[] = {
    {IDC_SW_HOTKEY_ENABLED, {IDC_SW_HOTKEY, 0}},
    {IDC_SS_HOTKEY_ENABLED, {IDC_SS_HOTKEY, 0}},
    {IDC_PWD_ORIG_ENABLED, {IDC_PWD_ORIG, IDC_PWD_ORIG_CONFIRM}},
    {IDC_PWD_VIRT_ENABLED, {IDC_PWD_VIRT, IDC_PWD_VIRT_CONFIRM}},
};

const int kCheckBoxes[] = {IDC_SW_WHEEL,          IDC_SW_DOUBLE,        IDC_SW_HOTKEY_ENABLED,
                           IDC_SS_STARTUP,        IDC_SS_TRAYICON,      IDC_SS_UPDATE,
                           IDC_SS_HOTKEY_ENABLED, IDC_PWD_ORIG_ENABLED, IDC_PWD_VIRT_ENABLED};

}  // namespace

CBasicSettingsDlg::~CBasicSettingsDlg() {
    // The window goes first, while the fonts and controls it uses still exist.
    if (IsWindow()) DestroyWindow();
}

bool CBasicSettingsDlg::ProcessPageMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
    switch (msg) {
    case WM_INITDIALOG:
        OnInitDialog(hwnd);
        result = TRUE;
        return true;
    case WM_COMMAND:
        if (page_rules::ApplyEnableDependency(hwnd, kDependencies, std::size(kDependencies), wp)) {
            result = 0;
            return true;
        }
        return false;
    }
    return false;
}

void CBasicSettingsDlg::OnInitDialog(HWND hwnd) noexcept {
    m_headerFont.Reset(page_rules::MakeGrownFont(hwnd));
    m_hotkeyFont.Reset(page_rules::MakeGrownFont(hwnd));

    page_rules::SetUpHeader(hwnd, m_switchImage, IDC_HEADER_IMAGE, IDB_HEADER_SWITCH, m_switchLabel, IDC_HEADER_LABEL);
    m_wheel.SubclassWindow(GetDlgItem(IDC_SW_WHEEL));
    m_double.SubclassWindow(GetDlgItem(IDC_SW_DOUBLE));
    m_switchHotkeyOn.SubclassWindow(GetDlgItem(IDC_SW_HOTKEY_ENABLED));
    m_switchHotkey.Attach(GetDlgItem(IDC_SW_HOTKEY));

    page_rules::SetUpHeader(hwnd, m_systemImage, IDC_SYS_HEADER_IMAGE, IDB_HEADER_SYSTEM, m_systemLabel,
                            IDC_SYS_HEADER_LABEL);
    m_startup.SubclassWindow(GetDlgItem(IDC_SS_STARTUP));
    m_trayIcon.SubclassWindow(GetDlgItem(IDC_SS_TRAYICON));
    m_update.SubclassWindow(GetDlgItem(IDC_SS_UPDATE));
    m_settingsHotkeyOn.SubclassWindow(GetDlgItem(IDC_SS_HOTKEY_ENABLED));
    m_settingsHotkey.Attach(GetDlgItem(IDC_SS_HOTKEY));

    page_rules::SetUpHeader(hwnd, m_passwordImage, IDC_PWD_HEADER_IMAGE, IDB_HEADER_PASSWORD, m_passwordLabel,
                            IDC_PWD_HEADER_LABEL);
    m_restorePwdOn.SubclassWindow(GetDlgItem(IDC_PWD_ORIG_ENABLED));
    m_switchPwdOn.SubclassWindow(GetDlgItem(IDC_PWD_VIRT_ENABLED));
    m_restorePwd.SubclassWindow(GetDlgItem(IDC_PWD_ORIG));
    m_restorePwdConfirm.SubclassWindow(GetDlgItem(IDC_PWD_ORIG_CONFIRM));
    m_switchPwd.SubclassWindow(GetDlgItem(IDC_PWD_VIRT));
    m_switchPwdConfirm.SubclassWindow(GetDlgItem(IDC_PWD_VIRT_CONFIRM));

    SetUpTheme(hwnd);
    for (int id : {IDC_HEADER_LABEL, IDC_SYS_HEADER_LABEL, IDC_PWD_HEADER_LABEL}) {
        ::SendMessageW(GetDlgItem(id), WM_SETFONT, reinterpret_cast<WPARAM>(m_headerFont.Get()), 0);
    }
    for (int id : {IDC_SW_HOTKEY, IDC_SS_HOTKEY}) {
        ::SendMessageW(GetDlgItem(id), WM_SETFONT, reinterpret_cast<WPARAM>(m_hotkeyFont.Get()), 0);
    }
    // The template was laid out for its own smaller font; texts that no longer fit take the free
    // space beside them. Done before anchoring, which records where the controls are.
    page_rules::WidenCheckBoxesToFit(hwnd, kCheckBoxes, std::size(kCheckBoxes));
    DlgResize_Init(hwnd, kResizeMap, std::size(kResizeMap));
}

// ---- write operations ------------------------------------------------------------------------------

void CBasicSettingsDlg::WriteCheck(int id, BOOL checked) const noexcept {
    ::CheckDlgButton(m_hWnd, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

void CBasicSettingsDlg::WriteHotkey(int checkId, CHotkeyEditCtrl& edit, const HotkeySetting& hotkey) noexcept {
    WriteCheck(checkId, hotkey.bEnabled);
    // A stored key is a finished combination, even one whose key has no name to show.
    edit.SetHotkey(hotkey.nKey != 0, hotkey.nKey, hotkey.bCtrl, hotkey.bShift, hotkey.bAlt);
    edit.EnableWindow(hotkey.bEnabled ? TRUE : FALSE);
}

void CBasicSettingsDlg::WritePassword(int checkId, int entryId, int confirmId, BOOL on,
                                      const wchar_t* password) noexcept {
    WriteCheck(checkId, on);
    for (int id : {entryId, confirmId}) {
        HWND edit = GetDlgItem(id);
        ::SetWindowTextW(edit, password ? password : L"");
        ::EnableWindow(edit, on ? TRUE : FALSE);
    }
}

void CBasicSettingsDlg::WriteWheel(BOOL checked) { WriteCheck(IDC_SW_WHEEL, checked); }
void CBasicSettingsDlg::WriteDouble(BOOL checked) { WriteCheck(IDC_SW_DOUBLE, checked); }
void CBasicSettingsDlg::WriteSwitchHotkey(const HotkeySetting& hotkey) {
    WriteHotkey(IDC_SW_HOTKEY_ENABLED, m_switchHotkey, hotkey);
}
void CBasicSettingsDlg::WriteStartup(BOOL checked) { WriteCheck(IDC_SS_STARTUP, checked); }
void CBasicSettingsDlg::WriteTrayIcon(BOOL checked) { WriteCheck(IDC_SS_TRAYICON, checked); }
void CBasicSettingsDlg::WriteUpdate(BOOL checked) { WriteCheck(IDC_SS_UPDATE, checked); }
void CBasicSettingsDlg::WriteSettingsHotkey(const HotkeySetting& hotkey) {
    WriteHotkey(IDC_SS_HOTKEY_ENABLED, m_settingsHotkey, hotkey);
}
void CBasicSettingsDlg::WriteRestorePassword(BOOL on, const wchar_t* password) {
    WritePassword(IDC_PWD_ORIG_ENABLED, IDC_PWD_ORIG, IDC_PWD_ORIG_CONFIRM, on, password);
}
void CBasicSettingsDlg::WriteSwitchPassword(BOOL on, const wchar_t* password) {
    WritePassword(IDC_PWD_VIRT_ENABLED, IDC_PWD_VIRT, IDC_PWD_VIRT_CONFIRM, on, password);
}

// ---- read ------------------------------------------------------------------------------------------

BOOL CBasicSettingsDlg::IsChecked(int id) const noexcept {
    return ::IsDlgButtonChecked(m_hWnd, id) == BST_CHECKED ? 1 : 0;
}

HotkeySetting CBasicSettingsDlg::ReadHotkey(int checkId, const CHotkeyEditCtrl& edit) const noexcept {
    HotkeySetting hotkey;
    hotkey.bEnabled = IsChecked(checkId);
    const CHotkeyEditCtrl::Combination held = edit.GetHotkey();
    if (held.complete == 1) {
        hotkey.nKey = held.key;
        hotkey.bCtrl = held.ctrl;
        hotkey.bShift = held.shift;
        hotkey.bAlt = held.alt;
    }
    return hotkey;
}

void CBasicSettingsDlg::Read(BasicPageValues& values) const {
    values.bWheel = IsChecked(IDC_SW_WHEEL);
    values.bDouble = IsChecked(IDC_SW_DOUBLE);
    values.switchHotkey = ReadHotkey(IDC_SW_HOTKEY_ENABLED, m_switchHotkey);
    values.bStartup = IsChecked(IDC_SS_STARTUP);
    values.bTrayIcon = IsChecked(IDC_SS_TRAYICON);
    values.bUpdate = IsChecked(IDC_SS_UPDATE);
    values.settingsHotkey = ReadHotkey(IDC_SS_HOTKEY_ENABLED, m_settingsHotkey);
    // Fifteen units with the terminator: at most the first 14 characters, as the prompt reads them.
    values.bRestorePwdOn = IsChecked(IDC_PWD_ORIG_ENABLED);
    ::GetDlgItemTextW(m_hWnd, IDC_PWD_ORIG, values.szRestorePwd, static_cast<int>(std::size(values.szRestorePwd)));
    ::GetDlgItemTextW(m_hWnd, IDC_PWD_ORIG_CONFIRM, values.szRestorePwdConfirm,
                      static_cast<int>(std::size(values.szRestorePwdConfirm)));
    values.bSwitchPwdOn = IsChecked(IDC_PWD_VIRT_ENABLED);
    ::GetDlgItemTextW(m_hWnd, IDC_PWD_VIRT, values.szSwitchPwd, static_cast<int>(std::size(values.szSwitchPwd)));
    ::GetDlgItemTextW(m_hWnd, IDC_PWD_VIRT_CONFIRM, values.szSwitchPwdConfirm,
                      static_cast<int>(std::size(values.szSwitchPwdConfirm)));
}
