#include "ui/pages/BasicSettingsDlg.h"

#include <iterator>

#include "ids_artwork.h"
#include "ui/pages/PageRules.h"
#include "ui/pages/SettingControls.h"

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

// ---- the settings ----------------------------------------------------------------------------------

void CBasicSettingsDlg::Show(const SettingDescription& setting, const PageValues& values) {
    setting_controls::Show(m_hWnd, setting, values);
}

void CBasicSettingsDlg::Read(const SettingDescription& setting, PageValues& values) const {
    setting_controls::Read(m_hWnd, setting, values);
}
