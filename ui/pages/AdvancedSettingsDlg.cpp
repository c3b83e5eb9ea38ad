#include "ui/pages/AdvancedSettingsDlg.h"

#include <commdlg.h>

#include <iterator>

#include "ui/Look.h"
#include "ui/pages/PageRules.h"
#include "ui/pages/ProcessDlg.h"

namespace {

// Three pairs of display text and pattern, each part ending in a zero, the whole in two. ("*rtf"
// matches every name ending in rtf, the .rtf files among them.)
constexpr wchar_t kFileFilter[] =
    L"All files(Not Executable)\0*.*\0"
    L"Office files\0*.doc;*.docx;*rtf;*.xls;*.xlsx;*.ppt;*.pptx\0"
    L"Text files\0*.txt\0";

}  // namespace

bool CAdvancedSettingsDlg::ProcessOwnMessage(HWND, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_CTLCOLORSTATIC:
        // The process list is read-only, yet it is live while enabled: it keeps the look of an edit.
        if (reinterpret_cast<HWND>(lp) == m_processes.m_hWnd && m_processes.IsWindowEnabled()) {
            const auto dc = reinterpret_cast<HDC>(wp);
            const CLook& look = CLook::OfThisThread();
            ::SetTextColor(dc, look.Colours().editText);
            ::SetBkColor(dc, look.Colours().editBack);
            result = reinterpret_cast<LRESULT>(look.EditBrush());
            return true;
        }
        return false;
    case WM_EDITBROWSER_CLICK: {
        const auto edit = reinterpret_cast<HWND>(wp);
        if (edit && edit == m_filePath.m_hWnd) {
            PickFile();
        } else if (edit && edit == m_processes.m_hWnd) {
            PickProcesses();
        }
        result = 0;
        return true;
    }
    }
    return false;
}

void CAdvancedSettingsDlg::OnControlsMade() noexcept {
    m_filePath.SubclassWindow(GetDlgItem(settings_table::Of(&CSettingsData::openFile).controls[1]));
    m_processes.SubclassWindow(GetDlgItem(settings_table::Of(&CSettingsData::terminateProcesses).controls[1]));
    // The names come from the picker only: text typed here would show a list that is not the one kept.
    m_processes.SendMessage(EM_SETREADONLY, TRUE);
}

// ---- the settings ----------------------------------------------------------------------------------

void CAdvancedSettingsDlg::Show(const SettingDescription& setting, const PageValues& values) {
    setting_controls::Show(m_hWnd, setting, values);
    if (setting.kind != SettingKind::List) return;
    m_processNames = (values.shown.*setting.list).names;
    ShowProcessNames();
}

void CAdvancedSettingsDlg::ShowProcessNames() noexcept {
    wchar_t text[page_rules::kProcessTextUnits];
    page_rules::ProcessListText(m_processNames, text);
    m_processes.SetWindowText(text);
}

void CAdvancedSettingsDlg::Read(const SettingDescription& setting, PageValues& values) const {
    setting_controls::Read(m_hWnd, setting, values);
    if (setting.kind == SettingKind::List) (values.shown.*setting.list).names = m_processNames;
}

// ---- pickers ---------------------------------------------------------------------------------------

void CAdvancedSettingsDlg::PickFile() noexcept {
    wchar_t file[261] = {};
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = m_hWnd;
    ofn.lpstrFilter = kFileFilter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = 260;
    ofn.lpstrInitialDir = L"c:\\";
    ofn.lpstrTitle = advanced_page_text::kFilePickerTitle;
    ofn.Flags = OFN_EXPLORER | OFN_LONGNAMES | OFN_CREATEPROMPT;
    if (!::GetOpenFileNameW(&ofn)) return;
    // The "*.*" filter lists programs too; the refusal comes after the choice.
    if (page_rules::IsExecutablePath(file)) {
        ::MessageBoxW(m_hWnd, advanced_page_text::kExecutableRefused, advanced_page_text::kHintCaption,
                      MB_ICONINFORMATION);
        return;
    }
    m_filePath.SetWindowText(file);
}

void CAdvancedSettingsDlg::PickProcesses() noexcept {
    CProcessDlg picker;
    picker.SetChosenNames(m_processNames);
    if (picker.DoModal(::GetActiveWindow()) != IDOK) return;
    m_processNames = picker.ChosenNames();
    ShowProcessNames();
}
