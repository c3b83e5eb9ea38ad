#pragma once
// The basic settings page (template 108): switch triggers, system settings and the two switch
// passwords, each section under its heading. A view only: the settings window writes every value into
// it after creating it and reads the controls back on Apply.
#include <windows.h>

#include "ids_artwork.h"
#include "ids_dialogs.h"
#include "ui/pages/SettingControls.h"

class CBasicSettingsDlg : public CSettingsPageImpl<CBasicSettingsDlg> {
public:
    static constexpr int IDD = IDD_BASIC_SETTINGS;
    static constexpr SettingsPage kPage = SettingsPage::Basic;
    static constexpr setting_controls::Heading kHeadings[] = {
        {IDC_HEADER_IMAGE, IDC_HEADER_LABEL, IDB_HEADER_SWITCH},
        {IDC_SYS_HEADER_IMAGE, IDC_SYS_HEADER_LABEL, IDB_HEADER_SYSTEM},
        {IDC_PWD_HEADER_IMAGE, IDC_PWD_HEADER_LABEL, IDB_HEADER_PASSWORD},
    };
};
