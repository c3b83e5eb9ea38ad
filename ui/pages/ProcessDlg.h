#pragma once
// The process picker (template 107, "Select Processes To Terminate"): lists the running programs
// once each, with the chosen ones checked; OK hands back the checked names.
#include <windows.h>

#include <string>
#include <vector>

#include "ids_dialogs.h"
#include "ui/ThemedDialog.h"
#include "ui/controls/ThemedButtonCtrl.h"
#include "ui/pages/PageRules.h"

class CProcessDlg : public CThemedModalDialogImpl<CProcessDlg> {
public:
    static constexpr int IDD = IDD_PROCESS_PICKER;
    static constexpr int kColumnWidth = 80;

    // The names to show checked; copied. Chosen names that are not running get no row.
    void SetChosenNames(const std::vector<std::wstring>& names) { m_chosen = names; }
    // After OK: the checked names in row order. Unchanged by Cancel.
    const std::vector<std::wstring>& ChosenNames() const noexcept { return m_chosen; }

    BOOL OnInitDialog(HWND hwnd) noexcept;
    bool ProcessDialogMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

private:
    // Lists the running processes again, checked as the chosen list says.
    void Fill() noexcept;
    void FitColumnToNames() noexcept;
    void OnOk() noexcept;
    bool OnNotify(const NMHDR& header) noexcept;

    CThemedButtonCtrl m_refresh;
    CThemedButtonCtrl m_ok;
    CThemedButtonCtrl m_cancel;
    HWND m_list = nullptr;  // the list view, owned by the dialog's window
    std::vector<page_rules::PickerEntry> m_running;
    std::vector<std::wstring> m_chosen;
};
