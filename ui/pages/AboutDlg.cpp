#include "ui/pages/AboutDlg.h"

#include <shellapi.h>

#include <iterator>

#include "app/Endpoints.h"
#include "framework/Text.h"
#include "ids_artwork.h"

namespace {
const vp::DialogResizeEntry kResizeMap[] = {{IDC_ABOUT_LOGO, vp::DLSZ_MOVE_X}};
constexpr UINT kInfoFormat = DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER;
}  // namespace

CAboutDlg::~CAboutDlg() {
    if (IsWindow()) DestroyWindow();
}

void CAboutDlg::SetVersionText(const wchar_t* text) noexcept {
    ::SetDlgItemTextW(m_hWnd, IDC_ABOUT_VERSION, text ? text : L"");
}

bool CAboutDlg::ProcessPageMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
    switch (msg) {
    case WM_INITDIALOG:
        OnInitDialog(hwnd);
        result = TRUE;
        return true;
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDC_ABOUT_MAKER:
            ::ShellExecuteW(hwnd, L"open", endpoints::kHomePage, nullptr, nullptr, SW_SHOWNORMAL);
            result = 0;
            return true;
        case IDC_ABOUT_SUPPORT: {
            wchar_t mailto[128];
            vp::FormatText(mailto, L"mailto:%ls", endpoints::kSupportEmail);
            ::ShellExecuteW(hwnd, L"open", mailto, nullptr, nullptr, SW_SHOWNORMAL);
            result = 0;
            return true;
        }
        }
        return false;
    }
    return false;
}

void CAboutDlg::OnInitDialog(HWND hwnd) noexcept {
    m_name.SubclassWindow(GetDlgItem(IDC_ABOUT_NAME));
    m_name.SetImage(IDB_ABOUT_NAME);
    m_name.SizeToImage();
    m_logo.SubclassWindow(GetDlgItem(IDC_ABOUT_LOGO));
    m_logo.SetImage(IDB_ABOUT_LOGO);
    m_logo.SizeToImage();
    for (CThemedLabelCtrl* label : {&m_version, &m_notice}) {
        label->SubclassWindow(GetDlgItem(label == &m_version ? IDC_ABOUT_VERSION : IDC_ABOUT_NOTICE));
        label->SetLabelColor(RGB(0, 0, 0));
        label->SetTextFormat(kInfoFormat);
    }
    m_maker.SubclassWindow(GetDlgItem(IDC_ABOUT_MAKER));
    m_support.SubclassWindow(GetDlgItem(IDC_ABOUT_SUPPORT));
    SetUpTheme(hwnd);
    DlgResize_Init(hwnd, kResizeMap, std::size(kResizeMap));
}
