#pragma once
// The advanced settings page (template 106): the actions that run right after a switch to the
// virtual desktop. A view only, like the basic page; besides its controls it keeps the list of process
// names to end, which only the frame's write and the process picker's OK change.
#include <windows.h>

#include <string>
#include <vector>

#include "framework/DialogResize.h"
#include "framework/Handles.h"
#include "framework/ToolTip.h"
#include "ids_dialogs.h"
#include "settings/SettingsTable.h"
#include "ui/ThemedDialog.h"
#include "ui/controls/EditBrowserCtrl.h"
#include "ui/controls/ThemedImageCtrl.h"
#include "ui/controls/ThemedLabelCtrl.h"
#include "ui/pages/SettingControls.h"

namespace advanced_page_text {
constexpr const wchar_t* kFilePickerTitle = L"Select a Specified File to Open";
constexpr const wchar_t* kExecutableRefused = L"Can not select an executable file.";
constexpr const wchar_t* kHintCaption = L"Setting hint";
}  // namespace advanced_page_text

class CAdvancedSettingsDlg : public CThemedDialogImpl<CAdvancedSettingsDlg>,
                             public vp::CToolTipDialog,
                             public vp::CDialogResize,
                             public ISettingsPageView {
public:
    static constexpr int IDD = IDD_ADVANCED_SETTINGS;

    CAdvancedSettingsDlg() noexcept : vp::CToolTipDialog(IDD) {}
    ~CAdvancedSettingsDlg() override;

    // ---- ISettingsPageView: the process list's names are kept here ------------------------------
    void Show(const SettingDescription& setting, const PageValues& values) override;
    void Read(const SettingDescription& setting, PageValues& values) const override;

    const std::vector<std::wstring>& ProcessNames() const noexcept { return m_processNames; }

    bool ProcessPageMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

private:
    void OnInitDialog(HWND hwnd) noexcept;
    void ShowProcessNames() noexcept;
    void PickFile() noexcept;
    void PickProcesses() noexcept;

    vp::FontHandle m_headerFont;
    CThemedImageCtrl m_headerImage;
    CThemedLabelCtrl m_headerLabel;
    setting_controls::CSettingControls m_settings;
    CEditBrowserCtrl m_filePath;
    CEditBrowserCtrl m_processes;

    std::vector<std::wstring> m_processNames;
};
