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
        if (setting_controls::FollowCheckBox(hwnd, SettingsPage::Basic, wp)) {
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
    page_rules::SetUpHeader(hwnd, m_systemImage, IDC_SYS_HEADER_IMAGE, IDB_HEADER_SYSTEM, m_systemLabel,
                            IDC_SYS_HEADER_LABEL);
    page_rules::SetUpHeader(hwnd, m_passwordImage, IDC_PWD_HEADER_IMAGE, IDB_HEADER_PASSWORD, m_passwordLabel,
                            IDC_PWD_HEADER_LABEL);
    m_settings.Attach(hwnd, SettingsPage::Basic);

    SetUpTheme(hwnd);
    for (int id : {IDC_HEADER_LABEL, IDC_SYS_HEADER_LABEL, IDC_PWD_HEADER_LABEL}) {
        ::SendMessageW(GetDlgItem(id), WM_SETFONT, reinterpret_cast<WPARAM>(m_headerFont.Get()), 0);
    }
    m_settings.SetHotkeyFont(m_hotkeyFont.Get());
    // The template was laid out for its own smaller font; texts that no longer fit take the free
    // space beside them. Done before anchoring, which records where the controls are.
    m_settings.FitCheckBoxTexts(hwnd);
    DlgResize_Init(hwnd, kResizeMap, std::size(kResizeMap));
}

// ---- the settings ----------------------------------------------------------------------------------

void CBasicSettingsDlg::Show(const SettingDescription& setting, const PageValues& values) {
    setting_controls::Show(m_hWnd, setting, values);
}

void CBasicSettingsDlg::Read(const SettingDescription& setting, PageValues& values) const {
    setting_controls::Read(m_hWnd, setting, values);
}
