#include "ui/QuitDlg.h"

#include "framework/RegistryStore.h"
#include "ids_artwork.h"
#include "resource.h"
#include "settings/ProgramKeys.h"
#include "ui/PasswordDlg.h"

BOOL CQuitDlg::OnInitDialog(HWND hwnd) noexcept {
    LoadLook(hwnd);
    m_labelFont.Reset(CreatePromptFont(hwnd));
    m_prompt.SubclassWindow(GetDlgItem(IDC_QUIT_PROMPT));
    m_prompt.SetTextFormat(DT_NOPREFIX | DT_SINGLELINE | DT_WORDBREAK);
    if (m_labelFont) m_prompt.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_labelFont.Get()), TRUE);
    m_picture.SubclassWindow(GetDlgItem(IDC_QUIT_PICTURE));
    m_picture.SetImage(IDB_QUIT_IMAGE);
    m_picture.SizeToImage();
    // Named as the panel's Quit button is, whose picture it repeats.
    wchar_t name[64] = L"";
    ::LoadStringW(vp::ModuleInstance(), ID_NAV_QUIT, name, 64);
    m_picture.SetAccessibleName(name);
    m_noAsk.SubclassWindow(GetDlgItem(IDC_QUIT_NOCONFIRM));
    TakeButton(m_quit, hwnd, IDC_QUIT_BUTTON);
    TakeButton(m_cancel, hwnd, IDCANCEL);
    Present(hwnd);
    return TRUE;
}

void CQuitDlg::OnQuit() noexcept {
    // Only a confirmed Quit remembers the choice: with Cancel the question stays.
    if (::SendMessageW(m_noAsk, BM_GETCHECK, 0, 0) == BST_CHECKED) {
        CRegistryStore store(HKEY_CURRENT_USER);
        store.SetPath(g_ProgramKeys.settings);
        store.WriteDword(product::kQuitNoConfirmValue, 1);
    }
    EndDialog(kQuit);
}

bool CQuitDlg::ProcessDialogMessage(HWND, UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
    switch (msg) {
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDC_QUIT_BUTTON:
            OnQuit();
            result = 0;
            return true;
        case IDOK:
        case IDCANCEL:  // Escape and the close box cancel
            EndDialog(kCancel);
            result = 0;
            return true;
        }
        break;
    }
    return false;
}
