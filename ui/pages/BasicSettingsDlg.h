#pragma once
// The basic settings page (template 108): switch triggers, system settings and the two switch
// passwords. A view only: the settings window writes every value into it after creating it and reads
// the controls back on Apply.
#include <windows.h>

#include "framework/DialogResize.h"
#include "framework/Handles.h"
#include "framework/ToolTip.h"
#include "ids_dialogs.h"
#include "settings/SettingsTable.h"
#include "ui/ThemedDialog.h"
#include "ui/controls/HotkeyEditCtrl.h"
#include "ui/controls/PasswordEditCtrl.h"
#include "ui/controls/ThemedCheckboxCtrl.h"
#include "ui/controls/ThemedImageCtrl.h"
#include "ui/controls/ThemedLabelCtrl.h"

class CBasicSettingsDlg : public CThemedDialogImpl<CBasicSettingsDlg>,
                          public vp::CToolTipDialog,
                          public vp::CDialogResize,
                          public ISettingsPageView {
public:
    static constexpr int IDD = IDD_BASIC_SETTINGS;

    CBasicSettingsDlg() noexcept : vp::CToolTipDialog(IDD) {}
    ~CBasicSettingsDlg() override;

    // ---- ISettingsPageView: controls only, no registry, no word to the frame ---------------------
    void Show(const SettingDescription& setting, const PageValues& values) override;
    void Read(const SettingDescription& setting, PageValues& values) const override;

    bool ProcessPageMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

private:
    void OnInitDialog(HWND hwnd) noexcept;

    vp::FontHandle m_headerFont;
    vp::FontHandle m_hotkeyFont;
    // Table order of the template.
    CThemedImageCtrl m_switchImage;
    CThemedLabelCtrl m_switchLabel;
    CThemedCheckboxCtrl m_wheel;
    CThemedCheckboxCtrl m_double;
    CThemedCheckboxCtrl m_switchHotkeyOn;
    CHotkeyEditCtrl m_switchHotkey;
    CThemedImageCtrl m_systemImage;
    CThemedLabelCtrl m_systemLabel;
    CThemedCheckboxCtrl m_startup;
    CThemedCheckboxCtrl m_trayIcon;
    CThemedCheckboxCtrl m_update;
    CThemedCheckboxCtrl m_settingsHotkeyOn;
    CHotkeyEditCtrl m_settingsHotkey;
    CThemedImageCtrl m_passwordImage;
    CThemedLabelCtrl m_passwordLabel;
    CThemedCheckboxCtrl m_restorePwdOn;
    CPasswordEditCtrl m_restorePwd;
    CPasswordEditCtrl m_restorePwdConfirm;
    CThemedCheckboxCtrl m_switchPwdOn;
    CPasswordEditCtrl m_switchPwd;
    CPasswordEditCtrl m_switchPwdConfirm;
};
