#include "ui/pages/AboutDlg.h"

#include <shellapi.h>

#include <algorithm>
#include <iterator>

#include "framework/Dpi.h"
#include "framework/Handles.h"
#include "framework/Product.h"
#include "framework/Text.h"
#include "ids_artwork.h"

namespace {
constexpr UINT kInfoFormat = DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER;
}  // namespace

CAboutDlg::~CAboutDlg() {
    if (IsWindow()) DestroyWindow();
}

void CAboutDlg::SetVersionText(const wchar_t* text) noexcept {
    ::SetDlgItemTextW(m_hWnd, IDC_ABOUT_VERSION, text ? text : L"");
}

bool CAboutDlg::ProcessPageMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_DPICHANGED_AFTERPARENT:
        FitTexts();
        return true;
    case WM_SIZE: {
        // The logo keeps its distance from the page's right edge.
        RECT logo{};
        m_logo.GetWindowRect(&logo);
        ::MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&logo), 2);
        const LONG margin = vp::ScaleForWindow(hwnd, m_logoMargin);
        ::SetWindowPos(m_logo, nullptr, LOWORD(lp) - margin - (logo.right - logo.left), logo.top, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return false;
    }
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

BOOL CAboutDlg::OnInitDialog(HWND hwnd) noexcept {
    m_name.SubclassWindow(GetDlgItem(IDC_ABOUT_NAME));
    m_name.SetImage(IDB_ABOUT_NAME);
    m_name.SizeToImage();
    m_logo.SubclassWindow(GetDlgItem(IDC_ABOUT_LOGO));
    m_logo.SetImage(IDB_ABOUT_LOGO);
    m_logo.SizeToImage();
    m_logo.SetAccessibleName(product::kName);
    RECT page{}, logo{};
    ::GetClientRect(hwnd, &page);
    m_logo.GetWindowRect(&logo);
    ::MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&logo), 2);
    m_logoMargin = ::MulDiv(page.right - logo.right, vp::kDefaultDpi, static_cast<int>(vp::WindowDpi(hwnd)));
    for (CThemedLabelCtrl* label : {&m_version, &m_notice}) {
        label->SubclassWindow(GetDlgItem(label == &m_version ? IDC_ABOUT_VERSION : IDC_ABOUT_NOTICE));
        label->SetTextFormat(kInfoFormat);
    }
    m_maker.SubclassWindow(GetDlgItem(IDC_ABOUT_MAKER));
    m_support.SubclassWindow(GetDlgItem(IDC_ABOUT_SUPPORT));
    SetUpTheme(hwnd);
    FitTexts();
    return TRUE;
}

// The template spaced its texts for its own font; at the page font each takes the room its text
// needs, and the maker's name follows the notice's text at one blank's distance, as the line reads.
void CAboutDlg::FitTexts() noexcept {
    auto place = [this](HWND control, LONG left, LONG width, LONG textHeight) {
        RECT rc{};
        ::GetWindowRect(control, &rc);
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
        ::SetWindowPos(control, nullptr, left < 0 ? rc.left : left, rc.top, width,
                       std::max<LONG>(rc.bottom - rc.top, textHeight), SWP_NOZORDER | SWP_NOACTIVATE);
        return rc.left;
    };
    auto text = [](HWND control, const wchar_t* what = nullptr) {
        wchar_t own[64] = L"";
        ::GetWindowTextW(control, own, static_cast<int>(std::size(own)));
        vp::WindowDc dc(control);
        RECT rc{};
        vp::SelectGuard select(dc.Get(), reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)));
        ::DrawTextW(dc.Get(), what ? what : own, -1, &rc, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        return SIZE{rc.right, rc.bottom};
    };
    // A link's text is centred in a button four pixels wider on each side.
    const LONG margin = vp::ScaleForWindow(m_hWnd, 4);
    const SIZE version = text(m_version), notice = text(m_notice), maker = text(m_maker), support = text(m_support);
    place(m_version, -1, version.cx, version.cy);
    const LONG noticeEnd = place(m_notice, -1, notice.cx, notice.cy) + notice.cx;
    place(m_maker, noticeEnd + std::max<LONG>(0, text(m_notice, L" ").cx - margin), maker.cx + 2 * margin, maker.cy);
    place(m_support, -1, support.cx + 2 * margin, support.cy);
}
