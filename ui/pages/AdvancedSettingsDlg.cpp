#include "ui/pages/AdvancedSettingsDlg.h"

#include <commdlg.h>

#include <iterator>

#include "ids_artwork.h"
#include "ui/Look.h"
#include "ui/pages/PageRules.h"
#include "ui/pages/SettingControls.h"
#include "ui/pages/ProcessDlg.h"

namespace {

const vp::DialogResizeEntry kResizeMap[] = {
    {IDC_AC_IEHISTORY, vp::DLSZ_MOVE_X}, {IDC_AC_IEURLS, vp::DLSZ_MOVE_X},      {IDC_AC_RECENTDOC, vp::DLSZ_MOVE_X},
    {IDC_AC_FILE_PATH, vp::DLSZ_MOVE_X}, {IDC_AC_WEBSITE_URL, vp::DLSZ_MOVE_X}, {IDC_AC_PROCESSES, vp::DLSZ_MOVE_X},
    {IDC_AC_WINDOWS_TITLE, vp::DLSZ_MOVE_X},
};

// Three pairs of display text and pattern, each part ending in a zero, the whole in two. ("*rtf"
// matches every name ending in rtf, the .rtf files among them.)
constexpr wchar_t kFileFilter[] =
    L"All files(Not Executable)\0*.*\0"
    L"Office files\0*.doc;*.docx;*rtf;*.xls;*.xlsx;*.ppt;*.pptx\0"
    L"Text files\0*.txt\0";

}  // namespace

CAdvancedSettingsDlg::~CAdvancedSettingsDlg() {
    if (IsWindow()) DestroyWindow();
}

bool CAdvancedSettingsDlg::ProcessPageMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_INITDIALOG:
        OnInitDialog(hwnd);
        result = TRUE;
        return true;
    case WM_COMMAND:
        if (setting_controls::FollowCheckBox(hwnd, SettingsPage::Advanced, wp)) {
            result = 0;
            return true;
        }
        return false;
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

void CAdvancedSettingsDlg::OnInitDialog(HWND hwnd) noexcept {
    m_headerFont.Reset(page_rules::MakeGrownFont(hwnd));
    page_rules::SetUpHeader(hwnd, m_headerImage, IDC_HEADER_IMAGE, IDB_HEADER_ACTIONS, m_headerLabel, IDC_HEADER_LABEL);
    m_settings.Attach(hwnd, SettingsPage::Advanced);
    m_filePath.SubclassWindow(GetDlgItem(IDC_AC_FILE_PATH));
    m_processes.SubclassWindow(GetDlgItem(IDC_AC_PROCESSES));
    // The names come from the picker only: text typed here would show a list that is not the one kept.
    m_processes.SendMessage(EM_SETREADONLY, TRUE);

    SetUpTheme(hwnd);
    ::SendMessageW(GetDlgItem(IDC_HEADER_LABEL), WM_SETFONT, reinterpret_cast<WPARAM>(m_headerFont.Get()), 0);
    m_settings.FitCheckBoxTexts(hwnd);
    DlgResize_Init(hwnd, kResizeMap, std::size(kResizeMap));
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
    ::SetDlgItemTextW(m_hWnd, IDC_AC_PROCESSES, text);
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
    ::SetDlgItemTextW(m_hWnd, IDC_AC_FILE_PATH, file);
}

void CAdvancedSettingsDlg::PickProcesses() noexcept {
    CProcessDlg picker;
    picker.SetChosenNames(m_processNames);
    if (picker.DoModal(::GetActiveWindow()) != IDOK) return;
    m_processNames = picker.ChosenNames();
    ShowProcessNames();
}
