#include "ui/pages/ProcessDlg.h"

#include <commctrl.h>

#include "actions/ProcessPicker.h"
#include "framework/Dpi.h"
#include "ui/Look.h"

bool CProcessDlg::ProcessDialogMessage(HWND, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDC_PROCESS_REFRESH:
            Fill();
            result = 0;
            return true;
        case IDOK:
            OnOk();
            result = 0;
            return true;
        case IDCANCEL:
            EndDialog(IDCANCEL);
            result = 0;
            return true;
        }
        return false;
    case WM_NOTIFY:
        if (lp && OnNotify(*reinterpret_cast<const NMHDR*>(lp))) {
            result = 0;
            return true;
        }
        return false;
    }
    return false;
}

BOOL CProcessDlg::OnInitDialog(HWND hwnd) noexcept {
    LoadLook(hwnd);
    TakeButton(m_refresh, hwnd, IDC_PROCESS_REFRESH);
    TakeButton(m_ok, hwnd, IDOK);
    TakeButton(m_cancel, hwnd, IDCANCEL);
    // The template marks Refresh and OK both as default buttons; Enter means OK.
    m_refresh.SendMessage(BM_SETSTYLE, BS_PUSHBUTTON, FALSE);
    SendMessage(DM_SETDEFID, IDOK);

    m_list = GetDlgItem(IDC_PROCESS_LIST);
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = vp::ScaleForDpi(kColumnWidth, LookDpi());
    column.pszText = const_cast<wchar_t*>(L"Room/Alias");
    column.iSubItem = 0;
    ::SendMessageW(m_list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    ::SendMessageW(m_list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    const Palette& colours = CLook::OfThisThread().Colours();
    ListView_SetBkColor(m_list, colours.editBack);
    ListView_SetTextBkColor(m_list, colours.editBack);
    ListView_SetTextColor(m_list, colours.editText);
    Fill();
    Present(hwnd);
    return TRUE;
}

void CProcessDlg::Fill() noexcept {
    std::vector<std::wstring> running;
    vp::EnumeratePickerProcesses(running);
    m_running = page_rules::PickerRows(running, m_chosen);

    ::SendMessageW(m_list, LVM_DELETEALLITEMS, 0, 0);
    for (size_t i = 0; i < m_running.size(); ++i) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<wchar_t*>(m_running[i].name.c_str());
        const auto row = static_cast<int>(::SendMessageW(m_list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        if (row < 0) continue;
        ListView_SetCheckState(m_list, row, m_running[i].checked ? TRUE : FALSE);
    }
    FitColumnToNames();
}

// In list mode the column width is every item's width; a name cut to an ellipsis could not be told
// from its neighbours, so the column grows to the longest name (never narrower than its first width).
void CProcessDlg::FitColumnToNames() noexcept {
    int width = vp::ScaleForDpi(kColumnWidth, LookDpi());
    // check box, icon gap and text margins
    const int box = vp::SystemMetricForDpi(SM_CXSMICON, LookDpi()) + vp::ScaleForDpi(12, LookDpi());
    for (const page_rules::PickerEntry& entry : m_running) {
        const int text = static_cast<int>(
            ::SendMessageW(m_list, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(entry.name.c_str())));
        if (text + box > width) width = text + box;
    }
    ListView_SetColumnWidth(m_list, 0, width);
}

bool CProcessDlg::OnNotify(const NMHDR& header) noexcept {
    if (header.hwndFrom != m_list || header.code != NM_DBLCLK) return false;
    const int row = reinterpret_cast<const NMITEMACTIVATE&>(header).iItem;
    if (row != -1) ListView_SetCheckState(m_list, row, !ListView_GetCheckState(m_list, row));
    return true;
}

void CProcessDlg::OnOk() noexcept {
    const auto rows = static_cast<size_t>(::SendMessageW(m_list, LVM_GETITEMCOUNT, 0, 0));
    for (size_t i = 0; i < m_running.size(); ++i) {
        m_running[i].checked = i < rows && ListView_GetCheckState(m_list, static_cast<int>(i)) != FALSE;
    }
    m_chosen = page_rules::CheckedNames(m_running);
    EndDialog(IDOK);
}
