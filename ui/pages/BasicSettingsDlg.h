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
#include "ui/controls/ThemedImageCtrl.h"
#include "ui/controls/ThemedLabelCtrl.h"
#include "ui/pages/SettingControls.h"

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
    CThemedImageCtrl m_switchImage;
    CThemedLabelCtrl m_switchLabel;
    CThemedImageCtrl m_systemImage;
    CThemedLabelCtrl m_systemLabel;
    CThemedImageCtrl m_passwordImage;
    CThemedLabelCtrl m_passwordLabel;
    setting_controls::CSettingControls m_settings;
};
