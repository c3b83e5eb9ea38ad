#include "ui/PasswordDlg.h"

#include "framework/Dpi.h"
#include "framework/Text.h"
#include "ui/Drawing.h"
#include "ui/Look.h"

HFONT CreatePromptFont(HWND dialog) noexcept {
    auto font = reinterpret_cast<HFONT>(::SendMessageW(dialog, WM_GETFONT, 0, 0));
    LOGFONTW lf{};
    if (!font || ::GetObjectW(font, sizeof(lf), &lf) != sizeof(lf)) return nullptr;
    lf.lfHeight = GrowFontHeight(lf.lfHeight, vp::ScaleForWindow(dialog, 2));
    return ::CreateFontIndirectW(&lf);
}

CPasswordDlg::CPasswordDlg(const wchar_t* prompt, unsigned waitSeconds, PromptWithdrawal withdrawal) noexcept
    : m_nWaitLeft(waitSeconds), m_withdrawal(withdrawal) {
    vp::FormatText(m_szPrompt, L"%ls", prompt ? prompt : L"");
}

CPasswordDlg::~CPasswordDlg() { ::SecureZeroMemory(m_szPassword, sizeof(m_szPassword)); }

BOOL CPasswordDlg::OnInitDialog(HWND hwnd) noexcept {
    m_szPassword[0] = L'\0';
    // A password thread keeps its look for its life: the theme is read again for each prompt.
    CLook::OfThisThread().Refresh();
    LoadLook(hwnd);
    m_promptFont.Reset(CreatePromptFont(hwnd));
    m_label.SubclassWindow(GetDlgItem(IDC_PASSWORD_PROMPT));
    m_label.SetTextFormat(kPromptFormat);
    m_field.SubclassWindow(GetDlgItem(IDC_PASSWORD_EDIT));
    if (m_promptFont) m_label.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_promptFont.Get()), TRUE);
    m_label.SetWindowText(m_szPrompt);
    TakeButton(m_ok, hwnd, IDOK);
    TakeButton(m_cancel, hwnd, IDCANCEL);
    // In front with the keyboard, the caret in the field: whatever is typed next is the password.
    Present(hwnd, m_nWaitLeft > 0 ? nullptr : m_field.m_hWnd);
    if (m_nWaitLeft > 0) {
        m_field.EnableWindow(FALSE);
        m_ok.EnableWindow(FALSE);
        ShowWait();
        ::SetTimer(hwnd, kWaitTimerId, 1000, nullptr);
    }
    // Whether the ask still stands is looked at while the prompt is open: the hook thread withdraws
    // it when the screen went elsewhere, or the program is on its way out.
    if (m_withdrawal.ask != 0) ::SetTimer(hwnd, kWithdrawnTimerId, kWithdrawnLookMs, nullptr);
    // The field has the focus; while the prompt waits, the first tab stop that takes it.
    return m_nWaitLeft > 0 ? TRUE : FALSE;
}

void CPasswordDlg::ShowWait() noexcept {
    if (m_nWaitLeft > 0) {
        wchar_t text[100];
        vp::FormatText(text, L"Wrong passwords: wait %u s...", m_nWaitLeft);
        m_label.SetWindowText(text);
        return;
    }
    ::KillTimer(m_hWnd, kWaitTimerId);
    m_label.SetWindowText(m_szPrompt);
    m_field.EnableWindow(TRUE);
    m_ok.EnableWindow(TRUE);
    ::SetFocus(m_field);
}

bool CPasswordDlg::ProcessDialogMessage(HWND, UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
    switch (msg) {
    case WM_COMMAND:
        // The notification code is not looked at, so Enter and Esc act like the buttons.
        switch (LOWORD(wp)) {
        case IDOK:
            if (m_nWaitLeft > 0) {  // Enter while the prompt still waits
                result = 0;
                return true;
            }
            ::GetWindowTextW(m_field, m_szPassword, CPasswordEditCtrl::kReadUnits);
            m_field.SetWindowText(L"");  // the edit's copy goes with the dialog's
            EndDialog(IDOK);
            result = 0;
            return true;
        case IDCANCEL:
            Cancel();
            result = 0;
            return true;
        }
        break;
    case WM_TIMER:
        if (wp == kWithdrawnTimerId) {
            if (m_withdrawal.Now()) Cancel();
            result = 0;
            return true;
        }
        if (wp != kWaitTimerId) break;
        if (m_nWaitLeft > 0) --m_nWaitLeft;
        ShowWait();
        result = 0;
        return true;
    }
    return false;
}

void CPasswordDlg::Cancel() noexcept {
    ::SecureZeroMemory(m_szPassword, sizeof(m_szPassword));
    m_field.SetWindowText(L"");
    EndDialog(IDCANCEL);
}

INT_PTR CPasswordPrompt::Ask(const wchar_t* prompt, wchar_t (&entered)[16], unsigned waitSeconds,
                             const PromptWithdrawal& withdrawal) {
    entered[0] = L'\0';
    if (withdrawal.Now()) return IDCANCEL;  // withdrawn while it waited to be asked
    CPasswordDlg dialog(prompt, waitSeconds, withdrawal);
    // The password thread has no active window, so the prompt is owned by nobody and centres on the
    // screen of its desktop.
    const INT_PTR result = dialog.DoModal(::GetActiveWindow());
    if (result == IDOK) vp::CopyText(entered, dialog.Password());
    return result;
}
