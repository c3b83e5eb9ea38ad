#include "switching/PasswordDlg.h"

#include "framework/Text.h"
#include "switching/PasswordThreads.h"
#include "ui/Drawing.h"

HFONT CreatePromptFont(HWND dialog) noexcept {
    auto font = reinterpret_cast<HFONT>(::SendMessageW(dialog, WM_GETFONT, 0, 0));
    LOGFONTW lf{};
    if (!font || ::GetObjectW(font, sizeof(lf), &lf) != sizeof(lf)) return nullptr;
    lf.lfHeight = GrowFontHeight(lf.lfHeight, 2);
    return ::CreateFontIndirectW(&lf);
}

CPasswordDlg::CPasswordDlg(const wchar_t* prompt) noexcept { vp::FormatText(m_szPrompt, L"%ls", prompt ? prompt : L""); }

CPasswordDlg::~CPasswordDlg() { ::SecureZeroMemory(m_szPassword, sizeof(m_szPassword)); }

void CPasswordDlg::OnInitDialog(HWND hwnd) noexcept {
    m_szPassword[0] = L'\0';
    LoadLook();
    m_promptFont.Reset(CreatePromptFont(hwnd));
    m_label.SubclassWindow(GetDlgItem(IDC_PASSWORD_PROMPT));
    m_label.SetTextFormat(kPromptFormat);
    m_label.SetBackgroundWindow(hwnd);
    m_field.SubclassWindow(GetDlgItem(IDC_PASSWORD_EDIT));
    if (m_promptFont) m_label.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_promptFont.Get()), TRUE);
    m_label.SetWindowText(m_szPrompt);
    for (CThemedButtonCtrl* button : {&m_ok, &m_cancel}) {
        button->SubclassWindow(GetDlgItem(button == &m_ok ? IDOK : IDCANCEL));
        button->SetBackgroundWindow(hwnd);
        button->SetFace(Face(), kDialogFaceMargin, kDialogFaceMargin, kDialogFaceMargin, kDialogFaceMargin);
    }
    Present(hwnd);
}

bool CPasswordDlg::ProcessDialogMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
    switch (msg) {
    case WM_INITDIALOG:
        OnInitDialog(hwnd);
        result = TRUE;  // the focus goes to the first tab stop, the OK button
        return true;
    case WM_COMMAND:
        // The notification code is not looked at, so Enter and Esc act like the buttons.
        switch (LOWORD(wp)) {
        case IDOK:
            ::GetWindowTextW(m_field, m_szPassword, CPasswordEditCtrl::kReadUnits);
            EndDialog(IDOK);
            result = 0;
            return true;
        case IDCANCEL:
            ::SecureZeroMemory(m_szPassword, sizeof(m_szPassword));
            EndDialog(IDCANCEL);
            result = 0;
            return true;
        }
        break;
    }
    return false;
}

INT_PTR RunPasswordPrompt(const wchar_t* prompt, wchar_t (&entered)[16]) {
    entered[0] = L'\0';
    CPasswordDlg dialog(prompt);
    // The password thread normally has no active window, so the prompt is owned by nobody and centres
    // on the screen of its desktop.
    const INT_PTR result = dialog.DoModal(::GetActiveWindow());
    if (result == IDOK) vp::CopyText(entered, dialog.Password());
    return result;
}
