#include "ui/MainFrame.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <algorithm>
#include <iterator>

#include "app/AppModule.h"
#include "app/ThreadMessages.h"
#include "framework/Text.h"
#include "settings/FailedAttempts.h"
#include "switching/ComeBack.h"
#include "switching/PasswordThreads.h"
#include "ui/Drawing.h"
#include "ui/QuitDlg.h"
#include "ui/ThemedDialog.h"
#include "update/UpdatePrompt.h"

namespace {
// The styles that would let the user resize, minimise or maximise the window.
constexpr DWORD kResizeStyles = WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
constexpr int kNavBandHalfWidth = 170;
constexpr double kApplySweepSeconds = 0.6;
// How long Quit and the end of the session wait for the hook thread to come back: long enough for
// an action in progress, short of the time the system gives a program to answer a session's end.
constexpr DWORD kComeBackWaitMs = 3000;
// Transparent over the panel's background, black fill otherwise, double-buffered.
constexpr DWORD kNavButtonStyle = 7;

constexpr TabItemInfo kTabs[] = {
    {kBasicPage, L"Basic Settings", 0},
    {kAdvancedPage, L"Advanced Settings", 0},
    {kAboutPage, L"About", 0},
};

// Each button's tooltip is the string numbered like its command. Offsets from the band's top-left
// corner; Apply stands out above the band.
constexpr NavButtonInfo kNavButtons[] = {
    {ID_NAV_HOMEPAGE, kNavButtonStyle, IDB_NAV_HOMEPAGE, ID_NAV_HOMEPAGE, 27, 4},
    {ID_NAV_HELP, kNavButtonStyle, IDB_NAV_HELP, ID_NAV_HELP, 57, 4},
    {ID_NAV_PREVIOUS, kNavButtonStyle, IDB_NAV_PREVIOUS, ID_NAV_PREVIOUS, 96, 4},
    {ID_NAV_APPLY, kNavButtonStyle, IDB_NAV_APPLY, ID_NAV_APPLY, 148, -8},
    {ID_NAV_NEXT, kNavButtonStyle, IDB_NAV_NEXT, ID_NAV_NEXT, 194, 4},
    {ID_NAV_HIDE, kNavButtonStyle, IDB_NAV_HIDE, ID_NAV_HIDE, 260, 4},
    {ID_NAV_QUIT, kNavButtonStyle, IDB_NAV_QUIT, ID_NAV_QUIT, 290, 4},
};

void Open(const wchar_t* target) noexcept {
    ::ShellExecuteW(nullptr, L"open", target, nullptr, nullptr, SW_SHOWNORMAL);
}

SIZE WindowSize(HWND hwnd) noexcept {
    RECT rc{};
    ::GetWindowRect(hwnd, &rc);
    return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}
}  // namespace

int PreviousPage(int page) noexcept { return page <= kBasicPage ? kAboutPage : page - 1; }
int NextPage(int page) noexcept { return page >= kAboutPage ? kBasicPage : page + 1; }

void HelpFilePath(const wchar_t* exePath, const wchar_t* helpFile, wchar_t (&out)[MAX_PATH]) noexcept {
    const wchar_t* slash = exePath ? std::max(wcsrchr(exePath, L'\\'), wcsrchr(exePath, L'/')) : nullptr;
    if (slash) {
        const size_t folder = static_cast<size_t>(slash - exePath) + 1;  // with the separator
        // A cut path would name another file: only a whole one is used.
        if (folder + wcslen(helpFile) < MAX_PATH) {
            wmemcpy(out, exePath, folder);
            vp::CopyTextN(out + folder, MAX_PATH - folder, helpFile);
            return;
        }
    }
    vp::CopyText(out, helpFile);
}

SIZE FrameClientSize(LONG dialogBaseUnits, SIZE page, int tabBarHeight, int navPanelHeight) noexcept {
    const LONG width = LOWORD(dialogBaseUnits) * 59;
    const LONG height = HIWORD(dialogBaseUnits) * 22;
    return SIZE{std::max(width, page.cx), std::max(height, tabBarHeight + page.cy + navPanelHeight)};
}

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
    // An update recorded in an earlier run may be offered again in this one. Cleared before the
    // window takes its full title, so nobody who finds the window can see last run's mark.
    m_settingsStore.WriteDword(L"UPDATE_SHOWED", 0);
    wchar_t title[64];
    vp::FormatText(title, L"%ls Pro", g_Module.m_pszProductName);
    SetWindowText(title);
    DWORD shown = 0;
    if (m_settingsStore.ReadDword(kFirstStartShownValue, &shown) != ERROR_SUCCESS || shown == 0) {
        // Marked first: whoever sees the window may rely on the mark being there.
        m_settingsStore.WriteDword(kFirstStartShownValue, 1);
        ShowWindow(SW_SHOWNORMAL);
    } else {
        ShowWindow(SW_HIDE);
    }
}

void CMainFrame::OnCreate() {
    m_bTrayIconShown = 0;
    m_bHotkeyRegistered = 0;
    m_uTaskbarCreated = ::RegisterWindowMessageW(L"TaskbarCreated");
    m_uQuitRequest = ::RegisterWindowMessageW(kQuitRequestMessage);
    m_uShowSettings = ::RegisterWindowMessageW(kShowSettingsMessage);
    m_background.Reset(LoadPngBitmap(IDB_FRAME_BACKGROUND));

    const RECT none{0, 0, 0, 0};
    m_navPanel.SetBandHalfWidth(kNavBandHalfWidth);
    m_navPanel.SetImages(IDB_NAV_LEFT_CAP, IDB_NAV_RIGHT_CAP, IDB_NAV_CENTRE, IDB_NAV_MIDDLE, IDB_NAV_SWEEP);
    m_navPanel.SetNotifyWindow(m_hWnd);
    m_navPanel.SetButtons(kNavButtons, std::size(kNavButtons));
    m_navPanel.Create(m_hWnd, none);
    m_tabBar.Create(m_hWnd, none);
    m_tabBar.SetNotifyWindow(m_hWnd);
    m_tabBar.SetTabs(kTabs, std::size(kTabs));

    ::SetMenu(m_hWnd, nullptr);
    if (vp::CMessageLoop* loop = g_Module.GetMessageLoop()) loop->AddMessageFilter(this);
    m_bBasicPageCreated = m_bAdvancedPageCreated = m_bAboutPageCreated = false;

    m_bigIcon.Reset(static_cast<HICON>(::LoadImageW(vp::ModuleInstance(), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                                    ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), 0)));
    m_smallIcon.Reset(static_cast<HICON>(::LoadImageW(vp::ModuleInstance(), MAKEINTRESOURCEW(IDR_MAINFRAME),
                                                      IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
                                                      ::GetSystemMetrics(SM_CYSMICON), 0)));
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_bigIcon.Get()));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon.Get()));

    LoadSettings();
    m_nCurrentPage = kBasicPage;
    SelectPage(kBasicPage);

    ModifyStyle(kResizeStyles, 0);
    // 59 by 22 dialog base units, so the window grows with the system font; but the pages are laid out
    // for their templates' size and are never squeezed below it.
    const SIZE page = m_hWndBasicPage ? WindowSize(m_hWndBasicPage) : SIZE{0, 0};
    const SIZE client = FrameClientSize(::GetDialogBaseUnits(), page, m_tabBar.IsWindow() ? WindowSize(m_tabBar).cy : 0,
                                        kNavPanelHeight);
    SetClientSize(client.cx, client.cy);
    CenterWindow();
    if (m_hWndClient) ::ShowWindow(m_hWndClient, SW_SHOWNORMAL);
    ::SetTimer(m_hWnd, kUpdateTimerId, kUpdateTimerPeriodMs, nullptr);
}

void CMainFrame::SetClientSize(int width, int height) noexcept {
    m_nMinWidth = width;
    m_nMinHeight = height;
    RECT rc{0, 0, width, height};
    ::AdjustWindowRectEx(&rc, GetStyle(), ::GetMenu(m_hWnd) != nullptr, GetExStyle());
    // SWP_FRAMECHANGED: the frame without its sizing border is the one the rectangle was made for.
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void CMainFrame::FitPage(HWND page) noexcept {
    if (!page || m_nMinWidth == 0) return;  // during creation the size is set once the first page exists
    RECT client{};
    GetClientRect(&client);
    const int tabHeight = m_tabBar.IsWindow() ? WindowSize(m_tabBar).cy : 0;
    const SIZE need = WindowSize(page);
    const int width = std::max<int>(client.right, need.cx);
    const int height = std::max<int>(client.bottom, tabHeight + need.cy + kNavPanelHeight);
    if (width != client.right || height != client.bottom) SetClientSize(width, height);
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
    // The pages' windows go with the frame; the settings owner must not read them afterwards.
    m_pBasicPage = nullptr;
    m_pAdvancedPage = nullptr;
    m_hWndClient = nullptr;
    ::PostQuitMessage(0);
}

void CMainFrame::SelectPage(int n) {
    if (m_hWndClient) ::ShowWindow(m_hWndClient, SW_HIDE);
    switch (n) {
    case kBasicPage:
        if (!m_bBasicPageCreated) {
            m_bBasicPageCreated = true;
            m_hWndBasicPage = m_basicPage.Create(m_hWnd);
            if (m_hWndBasicPage) {
                AttachBasicPage(&m_basicPage);
                FitPage(m_hWndBasicPage);
            }
        }
        m_hWndClient = m_hWndBasicPage;
        break;
    case kAdvancedPage:
        if (!m_bAdvancedPageCreated) {
            m_bAdvancedPageCreated = true;
            m_hWndAdvancedPage = m_advancedPage.Create(m_hWnd);
            if (m_hWndAdvancedPage) {
                AttachAdvancedPage(&m_advancedPage);
                FitPage(m_hWndAdvancedPage);
            }
        }
        m_hWndClient = m_hWndAdvancedPage;
        break;
    case kAboutPage:
        if (!m_bAboutPageCreated) {
            m_bAboutPageCreated = true;
            m_hWndAboutPage = m_aboutPage.Create(m_hWnd);
            if (m_hWndAboutPage) {
                wchar_t version[64];
                vp::FormatText(version, L"%ls(%d)", g_Module.m_pszVersion, g_Module.m_nBuild);
                m_aboutPage.SetVersionText(version);
                FitPage(m_hWndAboutPage);
            }
        }
        m_hWndClient = m_hWndAboutPage;
        break;
    default:
        return;
    }
    m_nCurrentPage = n;
}

HWND CMainFrame::PageWindow(int n) const noexcept {
    switch (n) {
    case kBasicPage: return m_hWndBasicPage;
    case kAdvancedPage: return m_hWndAdvancedPage;
    case kAboutPage: return m_hWndAboutPage;
    }
    return nullptr;
}

void CMainFrame::LayoutPanes(bool moveBars) {
    RECT rc{};
    GetClientRect(&rc);
    const int width = rc.right - rc.left;
    int tabHeight = 0;
    if (m_tabBar.IsWindow()) {
        tabHeight = WindowSize(m_tabBar).cy;
        if (moveBars) ::SetWindowPos(m_tabBar, nullptr, 0, 0, width, tabHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (moveBars && m_navPanel.IsWindow()) {
        ::SetWindowPos(m_navPanel, nullptr, 0, rc.bottom - kNavPanelHeight, width, kNavPanelHeight, SWP_NOZORDER);
    }
    if (m_hWndClient) {
        ::SetWindowPos(m_hWndClient, nullptr, 0, tabHeight, width, rc.bottom - kNavPanelHeight - tabHeight,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void CMainFrame::ShowPage(int n) {
    SelectPage(n);
    if (m_hWndClient) ::ShowWindow(m_hWndClient, SW_SHOWNORMAL);
    LayoutPanes(false);
}

bool CMainFrame::SwitchPasswordAllows() {
    wchar_t record[vp::kPasswordRecordUnits];
    g_Module.CopySwitchPassword(record);
    if (record[0] == L'\0') return true;
    if (m_bAskingPassword) return false;
    m_bAskingPassword = true;
    failed_attempts::Summary before;
    const bool allowed = AskForPassword(L"Please Enter Switch Password:", failed_attempts::Prompt::Settings, before);
    m_bAskingPassword = false;
    if (allowed && before.count > 0) TellPasswordNotice(failed_attempts::NoticeText(before.count, before.since));
    return allowed;
}

void CMainFrame::TellPasswordNotice(const std::wstring& text) {
    if (text.empty()) return;
    m_lastPasswordNotice = text;
    if (m_bTrayIconShown && ShowTrayBalloon(g_Module.m_pszProductName, text.c_str())) return;
    ::MessageBoxW(MessageOwner(), text.c_str(), g_Module.m_pszProductName, MB_ICONWARNING);
}

void CMainFrame::ExitFromTray() {
    if (SwitchPasswordAllows()) SaveSettingsAndClose();
}

void CMainFrame::ShowSettingsWindow() {
    // A window that shows already is in the hands of whoever sits there.
    if (!IsWindowVisible() && !SwitchPasswordAllows()) return;
    // A notice whose message was lost on the way is told now.
    TellPasswordNotice(failed_attempts::TakePendingNotice());
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

void CMainFrame::CloseSettingsWindow() {
    // Before anything ends: the user is never left on the virtual desktop, nor Task Manager off.
    ComeBackAndUndo(kComeBackWaitMs);
    DestroyWindow();
}

void CMainFrame::OnQuit() {
    DWORD noConfirm = 0;
    if (m_settingsStore.ReadDword(CQuitDlg::kNoConfirmValue, &noConfirm) != ERROR_SUCCESS) noConfirm = 0;
    if (noConfirm != 0) {
        SaveSettingsAndClose();
        return;
    }
    CQuitDlg dialog;
    if (dialog.DoModal(::GetActiveWindow()) == CQuitDlg::kQuit) SaveSettingsAndClose();
}

void CMainFrame::OpenHelp() noexcept {
    // Beside the executable, wherever the program was started from.
    wchar_t path[MAX_PATH];
    HelpFilePath(m_szExePath, g_Module.m_pszHelpFile, path);
    Open(path);
}

BOOL CMainFrame::PreTranslateMessage(MSG* msg) {
    if (msg->hwnd == nullptr && msg->message == WM_PASSWORD_NOTICE) {
        TellPasswordNotice(failed_attempts::TakePendingNotice());
        return TRUE;
    }
    // The editing keys of the accelerator table never reach the pages' edits.
    if (m_hAccel && m_hWnd && ::TranslateAcceleratorW(m_hWnd, m_hAccel, msg)) return TRUE;
    if (m_hWndClient && ::IsWindow(m_hWndClient)) {
        return ::SendMessageW(m_hWndClient, WM_FORWARDMSG, 0, reinterpret_cast<LPARAM>(msg)) != 0;
    }
    return FALSE;
}

void CMainFrame::OnEraseBackground(HDC dc) noexcept {
    RECT rc{};
    GetClientRect(&rc);
    if (!m_background) {
        FillSolidRect(dc, rc, ::GetSysColor(COLOR_BTNFACE));
        return;
    }
    const SIZE size = BitmapSize(m_background.Get());
    vp::MemoryDcHandle mem(::CreateCompatibleDC(dc));
    if (!mem) return;
    vp::SelectGuard select(mem.Get(), m_background.Get());
    // Smooth scaling: the artwork is a soft gradient that blocky stretching would band.
    const int oldMode = ::SetStretchBltMode(dc, HALFTONE);
    ::StretchBlt(dc, 0, 0, rc.right, rc.bottom, mem.Get(), 0, 0, size.cx, size.cy, SRCCOPY);
    ::SetStretchBltMode(dc, oldMode);
}

bool CMainFrame::OnCommand(WPARAM wp) {
    const UINT id = LOWORD(wp);
    switch (id) {  // tray and tab commands, whatever the notification code
    case ID_TRAY_PREFERENCES: ShowSettingsWindow(); return true;
    case ID_TRAY_HELP: OpenHelp(); return true;
    case ID_TRAY_WEBSITE: Open(g_Module.m_pszHomePage); return true;
    case ID_TRAY_PRODUCTS: Open(g_Module.m_pszProductsPage); return true;
    case ID_TRAY_EXIT: ExitFromTray(); return true;
    case kBasicPage:
    case kAdvancedPage:
    case kAboutPage: ShowPage(static_cast<int>(id)); return true;
    }
    if (HIWORD(wp) != 0) return false;
    switch (id) {  // navigation-panel commands
    case ID_NAV_HOMEPAGE: Open(g_Module.m_pszHomePage); return true;
    case ID_NAV_HELP: OpenHelp(); return true;
    case ID_NAV_APPLY:
        if (ApplyPages() == ApplyResult::Applied && m_navPanel.IsWindow()) m_navPanel.StartSweep(kApplySweepSeconds);
        return true;
    case ID_NAV_PREVIOUS:
    case ID_NAV_NEXT: {
        const int page = id == ID_NAV_PREVIOUS ? PreviousPage(m_nCurrentPage) : NextPage(m_nCurrentPage);
        ShowPage(page);
        m_tabBar.SelectTab(page - 1, true);
        return true;
    }
    case ID_NAV_HIDE: ShowWindow(SW_HIDE); return true;
    case ID_NAV_QUIT: OnQuit(); return true;
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
    case WM_ERASEBKGND:
        // Into whatever DC it is given, so the pages' and controls' background brushes capture it.
        OnEraseBackground(reinterpret_cast<HDC>(wp));
        result = 1;
        return true;
    case WM_GETMINMAXINFO:
        if (m_nMinWidth > 0) {
            auto* info = reinterpret_cast<MINMAXINFO*>(lp);
            info->ptMinTrackSize = POINT{m_nMinWidth, m_nMinHeight};
            result = 0;
            return true;
        }
        return false;
    case WM_SIZE:
        if (wp != SIZE_MINIMIZED) LayoutPanes(true);
        result = 0;
        return true;
    case WM_COMMAND:
        if (!OnCommand(wp)) return false;
        result = 0;
        return true;
    case WM_HOTKEY:  // every hotkey of this window is the show-settings hotkey
        ShowSettingsWindow();
        result = 0;
        return true;
    case WM_QUERYENDSESSION:  // the session may end: back to the original desktop, policy given back
        ComeBackAndUndo(kComeBackWaitMs);
        result = TRUE;
        return true;
    case WM_ENDSESSION:
        if (wp) ComeBackAndUndo(kComeBackWaitMs);
        result = 0;
        return true;
    case WM_TIMER:
        if (wp != kUpdateTimerId) return false;
        ::PostThreadMessageW(g_Module.m_dwCheckThreadId, WM_CHECK_UPDATE, 0, 0);
        result = 0;
        return true;
    }
    if (m_uQuitRequest != 0 && msg == m_uQuitRequest) {
        // The tray's Exit without its confirmation or its password prompt: the uninstaller asks,
        // often with nobody at the screen, and whoever can run it can end the process anyway.
        SaveSettingsAndClose();
        result = 0;
        return true;
    }
    if (m_uShowSettings != 0 && msg == m_uShowSettings) {  // a second start of the program asks
        ShowSettingsWindow();
        result = 0;
        return true;
    }
    if (m_uTaskbarCreated != 0 && msg == m_uTaskbarCreated) {
        // A restarted shell has no icons: put ours back if it is meant to be shown.
        if (m_bTrayIconShown) AddSettingsTrayIcon();
        result = 0;
        return true;
    }
    return ProcessTrayMessage(msg, wp, lp, result);
}
