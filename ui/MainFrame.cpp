#include "ui/MainFrame.h"

#include <shellapi.h>

#include "app/AppModule.h"
#include "app/ThreadMessages.h"
#include "framework/Text.h"
#include "update/UpdatePrompt.h"

namespace {
// A page's dialog keyboard handling, asked by the frame's message filter.
constexpr UINT WM_FORWARDMSG = 0x037F;
// The styles that would let the user resize, minimise or maximise the window.
constexpr DWORD kResizeStyles = WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;

void Open(const wchar_t* target) noexcept {
    ::ShellExecuteW(nullptr, L"open", target, nullptr, nullptr, SW_SHOWNORMAL);
}
}  // namespace

CMainFrame::~CMainFrame() {
    // Destroyed while the window still exists (not the program's way, which destroys it first): let
    // the destroy step run while the object is whole.
    if (IsWindow()) DestroyWindow();
}

bool CMainFrame::CreateFrame() {
    wchar_t title[64];
    if (!::LoadStringW(vp::ModuleInstance(), IDS_PRODUCT_NAME, title, 64)) vp::CopyText(title, g_Module.m_pszProductName);
    if (!Create(kClassName, nullptr, nullptr, title, WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                WS_EX_APPWINDOW | WS_EX_WINDOWEDGE, nullptr, CS_HREDRAW | CS_VREDRAW)) {
        return false;
    }
    m_hAccel = ::LoadAcceleratorsW(vp::ModuleInstance(), MAKEINTRESOURCEW(IDR_MAINFRAME));
    return true;
}

void CMainFrame::AfterCreate() {
    wchar_t title[64];
    vp::FormatText(title, L"%ls Pro", g_Module.m_pszProductName);
    SetWindowText(title);
    // An update recorded in an earlier run may be offered again in this one.
    m_settingsStore.WriteDword(L"UPDATE_SHOWED", 0);
    DWORD shown = 0;
    if (m_settingsStore.ReadDword(kFirstStartShownValue, &shown) != ERROR_SUCCESS || shown == 0) {
        ShowWindow(SW_SHOWNORMAL);
        m_settingsStore.WriteDword(kFirstStartShownValue, 1);
    } else {
        ShowWindow(SW_HIDE);
    }
}

void CMainFrame::OnCreate() {
    m_bTrayIconShown = 0;
    m_bHotkeyRegistered = 0;
    if (vp::CMessageLoop* loop = g_Module.GetMessageLoop()) loop->AddMessageFilter(this);

    m_bigIcon.Reset(static_cast<HICON>(::LoadImageW(vp::ModuleInstance(), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                                    ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), 0)));
    m_smallIcon.Reset(static_cast<HICON>(::LoadImageW(vp::ModuleInstance(), MAKEINTRESOURCEW(IDR_MAINFRAME),
                                                      IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
                                                      ::GetSystemMetrics(SM_CYSMICON), 0)));
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_bigIcon.Get()));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon.Get()));

    LoadSettings();
    m_nCurrentPage = 1;

    ModifyStyle(kResizeStyles, 0);
    // The client area is 59 by 22 dialog base units, so the window grows with the system font.
    const LONG units = ::GetDialogBaseUnits();
    m_nMinWidth = LOWORD(units) * 59;
    m_nMinHeight = HIWORD(units) * 22;
    RECT rc{0, 0, m_nMinWidth, m_nMinHeight};
    ::AdjustWindowRectEx(&rc, GetStyle(), ::GetMenu(m_hWnd) != nullptr, GetExStyle());
    // SWP_FRAMECHANGED: the frame without its sizing border is the one the rectangle was made for.
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    CenterWindow();
    ::SetTimer(m_hWnd, kUpdateTimerId, kUpdateTimerPeriodMs, nullptr);
}

void CMainFrame::OnDestroy() {
    if (m_bTrayIconShown) {
        RemoveTrayIcon();
        m_bTrayIconShown = 0;
    }
    ::KillTimer(m_hWnd, kUpdateTimerId);
    ReleaseSettingsHotkey();
    ::PostThreadMessageW(g_Module.m_dwMainThreadID, WM_APP_QUIT, 0, 0);
    if (vp::CMessageLoop* loop = g_Module.GetMessageLoop()) loop->RemoveMessageFilter(this);
    ::PostQuitMessage(0);
}

void CMainFrame::ShowSettingsWindow() {
    if (!IsWindowVisible()) ShowWindow(SW_SHOW);
    if (::IsIconic(m_hWnd)) {
        ShowWindow(SW_RESTORE);
    } else {
        ::BringWindowToTop(m_hWnd);
    }
    ::SetForegroundWindow(m_hWnd);
    CenterWindow();
    ShowUpdatePrompt();
}

void CMainFrame::ShowUpdatePrompt() { ShowUpdateOffer(MessageOwner(), m_settingsStore); }

void CMainFrame::AttachBasicPage(IBasicPageView* page) {
    m_pBasicPage = page;
    if (page) WriteBasicPage(*page);
}

void CMainFrame::AttachAdvancedPage(IAdvancedPageView* page) {
    m_pAdvancedPage = page;
    if (page) WriteAdvancedPage(*page);
}

ApplyResult CMainFrame::ApplyPages() {
    BasicPageValues basic;
    AdvancedPageValues advanced;
    if (m_pBasicPage) m_pBasicPage->Read(basic);
    if (m_pAdvancedPage) m_pAdvancedPage->Read(advanced);
    return OnApply(m_pBasicPage ? &basic : nullptr, m_pAdvancedPage ? &advanced : nullptr);
}

void CMainFrame::AddSettingsTrayIcon() {
    wchar_t tip[128];
    vp::FormatText(tip, L"%ls keeps your desktop private!", g_Module.m_pszProductName);
    InstallTrayIcon(tip, m_smallIcon.Get(), kTrayIconId);
}

void CMainFrame::RemoveSettingsTrayIcon() { RemoveTrayIcon(); }

void CMainFrame::ShowSettingHint(const wchar_t* text) {
    ::MessageBoxW(MessageOwner(), text, settings_text::kHintCaption, MB_ICONINFORMATION);
}

void CMainFrame::CloseSettingsWindow() { DestroyWindow(); }

BOOL CMainFrame::PreTranslateMessage(MSG* msg) {
    // The editing keys of the accelerator table never reach the pages' edits.
    if (m_hAccel && m_hWnd && ::TranslateAcceleratorW(m_hWnd, m_hAccel, msg)) return TRUE;
    if (m_hWndClient && ::IsWindow(m_hWndClient)) {
        return ::SendMessageW(m_hWndClient, WM_FORWARDMSG, 0, reinterpret_cast<LPARAM>(msg)) != 0;
    }
    return FALSE;
}

bool CMainFrame::OnCommand(WPARAM wp) {
    const UINT id = LOWORD(wp);
    switch (id) {  // tray commands, whatever the notification code
    case ID_TRAY_PREFERENCES: ShowSettingsWindow(); return true;
    case ID_TRAY_HELP: Open(g_Module.m_pszHelpFile); return true;
    case ID_TRAY_WEBSITE: Open(g_Module.m_pszHomePage); return true;
    case ID_TRAY_PRODUCTS: Open(g_Module.m_pszProductsPage); return true;
    case ID_TRAY_EXIT: SaveSettingsAndClose(); return true;
    }
    if (HIWORD(wp) != 0) return false;
    switch (id) {  // navigation-panel commands
    case ID_NAV_HOMEPAGE: Open(g_Module.m_pszHomePage); return true;
    case ID_NAV_HELP: Open(g_Module.m_pszHelpFile); return true;
    case ID_NAV_APPLY: ApplyPages(); return true;
    case ID_NAV_HIDE: ShowWindow(SW_HIDE); return true;
    }
    return false;
}

bool CMainFrame::ProcessWindowMessage(HWND, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_CREATE:
        OnCreate();
        result = 0;
        return true;
    case WM_DESTROY:
        OnDestroy();
        result = 0;
        return true;
    case WM_CLOSE:  // closing only hides; the program goes on
        ShowWindow(SW_HIDE);
        result = 0;
        return true;
    case WM_GETMINMAXINFO:
        if (m_nMinWidth > 0) {
            auto* info = reinterpret_cast<MINMAXINFO*>(lp);
            info->ptMinTrackSize = POINT{m_nMinWidth, m_nMinHeight};
            result = 0;
            return true;
        }
        return false;
    case WM_COMMAND:
        if (!OnCommand(wp)) return false;
        result = 0;
        return true;
    case WM_HOTKEY:  // every hotkey of this window is the show-settings hotkey
        ShowSettingsWindow();
        result = 0;
        return true;
    case WM_TIMER:
        if (wp != kUpdateTimerId) return false;
        ::PostThreadMessageW(g_Module.m_dwCheckThreadId, WM_CHECK_UPDATE, 0, 0);
        result = 0;
        return true;
    }
    return ProcessTrayMessage(msg, wp, lp, result);
}
