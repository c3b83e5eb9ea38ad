#include "TestPages.h"

#include "ids_artwork.h"
#include "ui/Drawing.h"
#include "ui/Look.h"

namespace {
constexpr UINT WM_TEST_WHILE_OPEN = WM_APP + 7;

HFONT GrownFont(HWND dialog) {
    LOGFONTW lf{};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(dialog, WM_GETFONT, 0, 0)), sizeof(lf), &lf);
    lf.lfHeight = GrowFontHeight(lf.lfHeight, 2);
    return ::CreateFontIndirectW(&lf);
}
}  // namespace

BOOL CTestPage::OnInitDialog(HWND hwnd) {
    {
        const int images[3] = {IDC_TEST_HEADER_IMAGE, IDC_TEST_HEADER2_IMAGE, IDC_TEST_HEADER3_IMAGE};
        const UINT pngs[3] = {IDB_HEADER_SWITCH, IDB_HEADER_ACTIONS, IDB_HEADER_PASSWORD};
        for (int i = 0; i < 3; ++i) {
            headerImages[i].SubclassWindow(GetDlgItem(images[i]));
            headerImages[i].SetImage(pngs[i]);
            headerImages[i].SizeToImage();
        }
        const int labels[2] = {IDC_TEST_HEADER_LABEL, IDC_TEST_HEADER2_LABEL};
        for (int i = 0; i < 2; ++i) {
            headerLabels[i].SubclassWindow(GetDlgItem(labels[i]));
            headerLabels[i].SetLabelColor(&Palette::heading);
            headerLabels[i].SetTextFormat(DT_NOPREFIX | DT_SINGLELINE | DT_WORDBREAK | DT_BOTTOM);
        }
        version.SubclassWindow(GetDlgItem(IDC_TEST_VERSION));
        version.SetTextFormat(DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER);
        const int checkIds[5] = {IDC_TEST_WHEEL, IDC_TEST_DOUBLE, IDC_TEST_DISABLED, IDC_TEST_FILE_CHECK,
                                 IDC_TEST_SITE_CHECK};
        for (int i = 0; i < 5; ++i) checks[i].SubclassWindow(GetDlgItem(checkIds[i]));
        fileEdit.SubclassWindow(GetDlgItem(IDC_TEST_FILE_EDIT));
        link.SubclassWindow(GetDlgItem(IDC_TEST_LINK));
        face.Reset(LoadPngBitmap(IDB_BUTTON_FACE));
        button.SubclassWindow(GetDlgItem(IDC_TEST_BUTTON));
        button.SetFace(face.Get(), kDialogFaceMargin);
        SetUpTheme(hwnd);
        for (int id : {IDC_TEST_HEADER_LABEL, IDC_TEST_HEADER2_LABEL}) {
            ::SendDlgItemMessageW(hwnd, id, WM_SETFONT, reinterpret_cast<WPARAM>(CLook::OfThisThread().HeadingFont()), 0);
        }
    }
    return TRUE;
}

bool CTestPage::ProcessPageMessage(HWND, UINT msg, WPARAM, LPARAM, LRESULT& result) {
    if (msg != WM_EDITBROWSER_CLICK) return false;
    ++browseClicks;
    result = 0;
    return true;
}

BOOL CTestModal::OnInitDialog(HWND hwnd) {
    {
        LoadLook(hwnd);
        promptFont.Reset(GrownFont(hwnd));
        prompt.SubclassWindow(GetDlgItem(IDC_TEST_PROMPT));
        prompt.SetTextFormat(DT_NOPREFIX | DT_SINGLELINE | DT_WORDBREAK);
        ::SendMessageW(prompt, WM_SETFONT, reinterpret_cast<WPARAM>(promptFont.Get()), 0);
        picture.SubclassWindow(GetDlgItem(IDC_TEST_PICTURE));
        picture.SetImage(IDB_QUIT_IMAGE);
        picture.SizeToImage();
        noAsk.SubclassWindow(GetDlgItem(IDC_TEST_NOASK));
        TakeButton(quit, hwnd, IDC_TEST_QUIT);
        TakeButton(cancel, hwnd, IDCANCEL);
        Present(hwnd);
        ::PostMessageW(hwnd, WM_TEST_WHILE_OPEN, 0, 0);
    }
    return TRUE;
}

bool CTestModal::ProcessDialogMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
    switch (msg) {
    case WM_TEST_WHILE_OPEN:
        ::UpdateWindow(hwnd);
        if (whileOpen) whileOpen(*this);
        EndDialog(IDCANCEL);
        result = 0;
        return true;
    case WM_COMMAND:
        if (LOWORD(wp) == IDCANCEL || LOWORD(wp) == IDC_TEST_QUIT) {
            EndDialog(LOWORD(wp));
            result = 0;
            return true;
        }
        break;
    }
    return false;
}
