#include "ui/pages/AboutDlg.h"

#include <shellapi.h>

#include <iterator>

#include "framework/Handles.h"
#include "framework/Product.h"
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
            ::ShellExecuteW(hwnd, L"open", product::kHomePage, nullptr, nullptr, SW_SHOWNORMAL);
            result = 0;
            return true;
        case IDC_ABOUT_SUPPORT: {
            wchar_t mailto[128];
            vp::FormatText(mailto, L"mailto:%ls", product::kSupportEmail);
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
    m_logo.SetAccessibleName(product::kName);
    for (CThemedLabelCtrl* label : {&m_version, &m_notice}) {
        label->SubclassWindow(GetDlgItem(label == &m_version ? IDC_ABOUT_VERSION : IDC_ABOUT_NOTICE));
        label->SetTextFormat(kInfoFormat);
    }
    m_maker.SubclassWindow(GetDlgItem(IDC_ABOUT_MAKER));
    m_support.SubclassWindow(GetDlgItem(IDC_ABOUT_SUPPORT));
    SetUpTheme(hwnd);
    JoinMakerToNotice();
    DlgResize_Init(hwnd, kResizeMap, std::size(kResizeMap));
}

// The template spaced the notice and the maker's name for its own font; at the page font the name
// would float apart from the line it ends, so it follows the notice's text at one blank's distance.
void CAboutDlg::JoinMakerToNotice() noexcept {
    HWND notice = GetDlgItem(IDC_ABOUT_NOTICE), maker = GetDlgItem(IDC_ABOUT_MAKER);
    auto textWidth = [](HWND control, const wchar_t* text) {
        HDC dc = ::GetDC(control);
        RECT rc{};
        {
            vp::SelectGuard select(dc, reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)));
            ::DrawTextW(dc, text, -1, &rc, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        }
        ::ReleaseDC(control, dc);
        return rc.right - rc.left;
    };
    wchar_t noticeText[64], makerText[64];
    ::GetWindowTextW(notice, noticeText, static_cast<int>(std::size(noticeText)));
    ::GetWindowTextW(maker, makerText, static_cast<int>(std::size(makerText)));
    RECT noticeRc{}, makerRc{};
    ::GetWindowRect(notice, &noticeRc);
    ::GetWindowRect(maker, &makerRc);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&noticeRc), 2);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&makerRc), 2);
    const LONG noticeEnd = noticeRc.left + textWidth(notice, noticeText) + textWidth(notice, L" ");
    const LONG makerWidth = textWidth(maker, makerText) + 4;
    if (noticeEnd > noticeRc.right) {
        ::SetWindowPos(notice, nullptr, 0, 0, noticeEnd - noticeRc.left, noticeRc.bottom - noticeRc.top,
                       SWP_NOMOVE | SWP_NOZORDER);
    }
    // The link's text is centred, so a button as wide as the text starts where the notice ends.
    ::SetWindowPos(maker, nullptr, noticeEnd - 2, makerRc.top, makerWidth, makerRc.bottom - makerRc.top,
                   SWP_NOZORDER);
}
