#pragma once
// The advanced settings page (template 106): the actions that run right after a switch to the
// virtual desktop, the on/off ones in the first section, those with a text in the second. A view only,
// like the basic page; besides its controls it keeps the list of process names to end, which only the
// frame's write and the process picker's OK change.
#include <windows.h>

#include <string>
#include <vector>

#include "ids_artwork.h"
#include "ids_dialogs.h"
#include "ui/controls/EditBrowserCtrl.h"
#include "ui/pages/SettingControls.h"

namespace advanced_page_text {
constexpr const wchar_t* kFilePickerTitle = L"Select a Specified File to Open";
constexpr const wchar_t* kExecutableRefused = L"Can not select an executable file.";
constexpr const wchar_t* kHintCaption = L"Setting hint";
}  // namespace advanced_page_text

class CAdvancedSettingsDlg : public CSettingsPageImpl<CAdvancedSettingsDlg> {
public:
    static constexpr int IDD = IDD_ADVANCED_SETTINGS;
    static constexpr SettingsPage kPage = SettingsPage::Advanced;
    static constexpr setting_controls::Heading kHeadings[] = {
        {IDC_HEADER_IMAGE, IDC_HEADER_LABEL, IDB_HEADER_ACTIONS},
        {0, 0, 0},
    };

    // ---- ISettingsPageView: the process list's names are kept here ------------------------------
    void Show(const SettingDescription& setting, const PageValues& values) override;
    void Read(const SettingDescription& setting, PageValues& values) const override;

    void OnControlsMade() noexcept;
    bool ProcessOwnMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

private:
    void ShowProcessNames() noexcept;
    void PickFile() noexcept;
    void PickProcesses() noexcept;

    CEditBrowserCtrl m_filePath;
    CEditBrowserCtrl m_processes;
    std::vector<std::wstring> m_processNames;
};
