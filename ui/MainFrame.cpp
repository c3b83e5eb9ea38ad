#include "ui/MainFrame.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <algorithm>
#include <iterator>

#include "framework/Dpi.h"
#include "framework/MessageLoop.h"
#include "framework/Product.h"
#include "framework/Text.h"
#include "settings/FailedAttempts.h"
#include "settings/ProgramKeys.h"
#include "switching/ComeBack.h"
#include "switching/GuardChannel.h"
#include "switching/PasswordThreads.h"
#include "switching/ThreadMail.h"
#include "ui/Drawing.h"
#include "ui/Look.h"
#include "ui/QuitDlg.h"
#include "ui/ThemedDialog.h"
#include "update/UpdatePrompt.h"

namespace {
// The styles that would let the user resize, minimise or maximise the window.
constexpr DWORD kResizeStyles = WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
// How long Quit and the end of the session wait for the hook thread to come back: long enough for
// an action in progress, short of the time the system gives a program to answer a session's end.
constexpr DWORD kComeBackWaitMs = 3000;

void Open(const wchar_t* target) noexcept {
    ::ShellExecuteW(nullptr, L"open", target, nullptr, nullptr, SW_SHOWNORMAL);
}
}  // namespace

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

LONG FrameBaseUnits(UINT dpi) noexcept {
    return MAKELONG(vp::ScaleForDpi(8, dpi), vp::ScaleForDpi(16, dpi));
}

std::vector<HWND> FrameTabOrder(HWND tabBar, HWND page, HWND navPanel) {
    std::vector<HWND> order;
    auto usable = [](HWND w) { return ::IsWindowVisible(w) && ::IsWindowEnabled(w); };
    if (tabBar && usable(tabBar)) order.push_back(tabBar);
    if (page && usable(page)) {
        for (HWND c = ::GetWindow(page, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
            if ((::GetWindowLongW(c, GWL_STYLE) & WS_TABSTOP) && usable(c)) order.push_back(c);
        }
    }
    if (navPanel && usable(navPanel)) {
        std::vector<std::pair<LONG, HWND>> buttons;
        for (HWND c = ::GetWindow(navPanel, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
            RECT rc{};
            ::GetWindowRect(c, &rc);
            if ((::GetWindowLongW(c, GWL_STYLE) & WS_TABSTOP) && usable(c)) buttons.emplace_back(rc.left, c);
        }
        std::stable_sort(buttons.begin(), buttons.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (const auto& b : buttons) order.push_back(b.second);
    }
    return order;
}

CMainFrame::~CMainFrame() {
    // Destroyed while the window still exists (not the program's way, which destroys it first): let
    // the destroy step run while the object is whole.
    if (IsWindow()) DestroyWindow();
}

bool CMainFrame::CreateFrame() {
    wchar_t title[64];
    if (!::LoadStringW(vp::ModuleInstance(), IDS_PRODUCT_NAME, title, 64)) vp::CopyText(title, product::kName);
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
    m_owner.Store().WriteDword(product::kUpdateShowedValue, 0);
    wchar_t title[64];
    vp::FormatText(title, L"%ls Pro", product::kName);
    SetWindowText(title);
    DWORD shown = 0;
    if (m_owner.Store().ReadDword(product::kFirstStartShownValue, &shown) != ERROR_SUCCESS || shown == 0) {
        // Marked first: whoever sees the window may rely on the mark being there.
        m_owner.Store().WriteDword(product::kFirstStartShownValue, 1);
        ShowWindow(SW_SHOWNORMAL);
    } else {
        ShowWindow(SW_HIDE);
    }
}

void CMainFrame::OnCreate() {
    m_uTaskbarCreated = ::RegisterWindowMessageW(L"TaskbarCreated");
    m_uQuitRequest = ::RegisterWindowMessageW(product::kQuitRequestMessage);
    m_dpi = vp::WindowDpi(m_hWnd);
    CLook::OfThisThread().SetDpi(m_dpi);
    CLook::OfThisThread().PaintTitleBar(m_hWnd);
    LoadLook();
    const UINT system = vp::SystemDpi();
    m_trayIcon.Reset(static_cast<HICON>(::LoadImageW(vp::ModuleInstance(), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                                     vp::SystemMetricForDpi(SM_CXSMICON, system),
                                                     vp::SystemMetricForDpi(SM_CYSMICON, system), 0)));

    m_pages.Create(m_hWnd);
    ::SetMenu(m_hWnd, nullptr);

    m_hotkeyAtom = ::GlobalAddAtomW(product::kName);
    // A copy its guard started again keeps the restore password that guarded the copy that ended,
    // whatever the key says now: the key can be changed from the virtual desktop.
    if (guard_channel::HandedOver()) {
        const GuardState told = guard_channel::Current();
        PasswordSetting restore;
        restore.on = told.restoreRecord[0] != L'\0' ? 1 : 0;
        vp::CopyText(restore.text, told.restoreRecord);
        m_owner.LoadSettings(&restore);
    } else {
        m_owner.LoadSettings();
    }
    SelectPage(kBasicPage);

    ModifyStyle(kResizeStyles, 0);
    // 59 by 22 dialog base units, so the window grows with the system font; but the pages are laid out
    // for their templates' size and are never squeezed below it.
    HWND basic = m_pages.PageWindow(kBasicPage);
    const SIZE client = FrameClientSize(FrameBaseUnits(m_dpi), basic ? WindowSize(basic) : SIZE{0, 0},
                                        m_pages.TabBarHeight(), m_pages.NavPanelHeight());
    SetClientSize(client.cx, client.cy);
    CenterWindow();
    vp::KeepInWorkArea(m_hWnd);
    if (HWND page = m_pages.CurrentWindow()) ::ShowWindow(page, SW_SHOWNORMAL);
    ::SetTimer(m_hWnd, kUpdateTimerId, kUpdateTimerPeriodMs, nullptr);
}

void CMainFrame::SetClientSize(int width, int height) noexcept {
    m_nMinWidth = width;
    m_nMinHeight = height;
    RECT rc{0, 0, width, height};
    vp::AdjustWindowRectForDpi(&rc, GetStyle(), ::GetMenu(m_hWnd) != nullptr, GetExStyle(), m_dpi);
    // SWP_FRAMECHANGED: the frame without its sizing border is the one the rectangle was made for.
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    // Where the system draws the frame at another size than the DPI's metrics say, the client area
    // is what counts: the window takes the difference.
    RECT client{};
    GetClientRect(&client);
    if (client.right != width || client.bottom != height) {
        RECT window{};
        GetWindowRect(&window);
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, (window.right - window.left) + width - client.right,
                       (window.bottom - window.top) + height - client.bottom,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void CMainFrame::LoadLook() noexcept {
    m_background.Reset(CLook::OfThisThread().LoadArtwork(IDB_FRAME_BACKGROUND, m_dpi));
    m_bigIcon.Reset(static_cast<HICON>(::LoadImageW(vp::ModuleInstance(), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                                    vp::SystemMetricForDpi(SM_CXICON, m_dpi),
                                                    vp::SystemMetricForDpi(SM_CYICON, m_dpi), 0)));
    m_smallIcon.Reset(static_cast<HICON>(::LoadImageW(vp::ModuleInstance(), MAKEINTRESOURCEW(IDR_MAINFRAME),
                                                      IMAGE_ICON, vp::SystemMetricForDpi(SM_CXSMICON, m_dpi),
                                                      vp::SystemMetricForDpi(SM_CYSMICON, m_dpi), 0)));
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_bigIcon.Get()));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon.Get()));
}

void CMainFrame::OnDpiChanged(UINT dpi, const RECT* suggested) noexcept {
    if (dpi == 0 || dpi == m_dpi) return;
    const UINT old = m_dpi;
    RECT client{};
    GetClientRect(&client);
    vp::SetWindowDpi(m_hWnd, dpi);
    m_dpi = dpi;
    CLook::OfThisThread().SetDpi(dpi);
    LoadLook();
    m_pages.SetDpi(dpi);
    if (suggested) {
        ::SetWindowPos(m_hWnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                       suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // The client area scaled with the DPI, never smaller than what the pages now need.
    const auto scale = [&](LONG v) { return ::MulDiv(v, static_cast<int>(dpi), static_cast<int>(old)); };
    HWND page = m_pages.CurrentWindow();
    SIZE need = FrameClientSize(FrameBaseUnits(m_dpi), SIZE{0, 0}, m_pages.TabBarHeight(), m_pages.NavPanelHeight());
    need.cx = std::max<LONG>(need.cx, scale(client.right));
    need.cy = std::max<LONG>(need.cy, scale(client.bottom));
    SetClientSize(need.cx, need.cy);
    m_pages.Layout(true);
    if (page) FitPage(page);
    vp::KeepInWorkArea(m_hWnd);
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

void CMainFrame::OnLookChanged() noexcept {
    CLook::OfThisThread().Refresh();
    CLook::OfThisThread().PaintTitleBar(m_hWnd);
    LoadLook();
    // Every control takes the artwork of the new look.
    ::EnumChildWindows(m_hWnd, [](HWND child, LPARAM) noexcept {
        ::SendMessageW(child, WM_THEMECHANGED, 0, 0);
        return TRUE;
    }, 0);
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

bool CMainFrame::OnNavigationKey(const MSG& msg) noexcept {
    if (msg.message != WM_KEYDOWN || (msg.hwnd != m_hWnd && !::IsChild(m_hWnd, msg.hwnd))) return false;
    const bool ctrl = ::GetKeyState(VK_CONTROL) < 0, shift = ::GetKeyState(VK_SHIFT) < 0;
    if (::GetKeyState(VK_MENU) < 0) return false;
    if (ctrl && (msg.wParam == VK_TAB || msg.wParam == VK_NEXT || msg.wParam == VK_PRIOR)) {
        const bool back = msg.wParam == VK_PRIOR || (msg.wParam == VK_TAB && shift);
        HWND focus = ::GetFocus();
        SendMessage(WM_COMMAND, MAKEWPARAM(back ? ID_NAV_PREVIOUS : ID_NAV_NEXT, 0), 0);
        // The focus stays where it was unless it went with the page that was hidden.
        if (!focus || !::IsWindowVisible(focus)) ::SetFocus(m_pages.TabBar());
        return true;
    }
    if (ctrl || msg.wParam != VK_TAB) return false;
    const std::vector<HWND> order = FrameTabOrder(m_pages.TabBar(), m_pages.CurrentWindow(), m_pages.NavPanel());
    if (order.empty()) return true;
    HWND focus = ::GetFocus();
    size_t at = order.size();
    for (size_t i = 0; i < order.size(); ++i) {
        if (order[i] == focus || ::IsChild(order[i], focus)) at = i;
    }
    size_t to = 0;
    if (at == order.size()) {
        to = shift ? order.size() - 1 : 0;
    } else {
        to = shift ? (at + order.size() - 1) % order.size() : (at + 1) % order.size();
    }
    HWND next = order[to];
    // From the keyboard: the focus cues show from now on, and an edit's text is selected as a
    // dialog selects it.
    SendMessage(WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    ::SetFocus(next);
    if (::SendMessageW(next, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) ::SendMessageW(next, EM_SETSEL, 0, -1);
    return true;
}

void CMainFrame::FitPage(HWND page) noexcept {
    if (!page || m_nMinWidth == 0) return;  // during creation the size is set once the first page exists
    RECT client{};
    GetClientRect(&client);
    const SIZE need = WindowSize(page);
    const int width = std::max<int>(client.right, need.cx);
    const int height = std::max<int>(client.bottom, m_pages.TabBarHeight() + need.cy + m_pages.NavPanelHeight());
    if (width != client.right || height != client.bottom) SetClientSize(width, height);
}

void CMainFrame::OnDestroy() {
    // The pages' windows go with the frame; the settings owner must not read them afterwards.
    m_owner.Release();
    if (m_hotkeyAtom) ::GlobalDeleteAtom(m_hotkeyAtom);
    m_hotkeyAtom = 0;
    ::KillTimer(m_hWnd, kUpdateTimerId);
    // The program ends with its window: the main thread ends every other thread.
    if (m_mail) ::SetEvent(m_mail->ended.Get());
    m_pages.Forget();
    vp::QuitMessageLoop(0);
}

void CMainFrame::SelectPage(int n) {
    HWND created = m_pages.Select(n);
    if (!created) return;
    if (n == kBasicPage) m_owner.AttachPage(SettingsPage::Basic, &m_pages.BasicPage());
    if (n == kAdvancedPage) m_owner.AttachPage(SettingsPage::Advanced, &m_pages.AdvancedPage());
    if (n == kAboutPage) {
        wchar_t version[64];
        vp::FormatText(version, L"%ls(%d)", product::kVersion, product::kBuild);
        m_pages.AboutPage().SetVersionText(version);
    }
    FitPage(created);
}

void CMainFrame::ShowPage(int n) {
    SelectPage(n);
    if (HWND page = m_pages.CurrentWindow()) ::ShowWindow(page, SW_SHOWNORMAL);
    m_pages.Layout(false);
}

bool CMainFrame::HookThreadServes() const noexcept {
    if (!m_mail || m_mail->ids.hook == 0) return false;
    // A hook thread that could not start has ended; one that runs serves its mail, if not yet then soon.
    vp::KernelHandle hook(::OpenThread(SYNCHRONIZE, FALSE, m_mail->ids.hook));
    return hook && ::WaitForSingleObject(hook.Get(), 0) == WAIT_TIMEOUT;
}

bool CMainFrame::GateOpens(Gate gate) {
    if (g_SettingsMirror.Snapshot()->switchPassword.text[0] == L'\0') return true;
    if (HookThreadServes()) {
        // The hook thread asks where the prompts are asked and answers in this thread's mail
        // (OnGateOpen); this thread waits for nothing meanwhile, so the requests of a second start
        // and of "/quit" are heard.
        HookRequest ask(HookRequest::Kind::AskGate);
        ask.gate = gate;
        m_mail->hook.Put(std::move(ask));
        return false;
    }
    return AskHere(failed_attempts::Prompt::Settings);  // no hook thread: on this thread's desktop
}

// Asked here, during the Apply that waits for the answer: a change to a set password is the
// person's only when they give the password it replaces.
bool CMainFrame::AllowPasswordChange(bool restore) {
    return AskHere(restore ? failed_attempts::Prompt::Restore : failed_attempts::Prompt::Settings);
}

bool CMainFrame::AskHere(failed_attempts::Prompt kind) {
    if (m_bAskingPassword) return false;
    m_bAskingPassword = true;
    failed_attempts::Summary before;
    const bool allowed = AskForPassword(m_passwordPrompt, kind, before);
    m_bAskingPassword = false;
    if (allowed && before.count > 0) TellPasswordNotice(failed_attempts::NoticeText(before.count, before.since));
    return allowed;
}

void CMainFrame::OnGateOpen(Gate gate) {
    if (!IsWindow()) return;  // the word came after the window went
    if (gate == Gate::Exit) {
        m_owner.SaveSettingsAndClose();
    } else {
        BringUpWindow();
    }
}

void CMainFrame::TellPasswordNotice(const std::wstring& text) {
    if (text.empty()) return;
    if (m_owner.TrayIconShown() && ShowTrayBalloon(product::kName, text.c_str())) return;
    ::MessageBoxW(MessageOwner(), text.c_str(), product::kName, MB_ICONWARNING);
}

void CMainFrame::ExitFromTray() {
    if (GateOpens(Gate::Exit)) m_owner.SaveSettingsAndClose();
}

void CMainFrame::ShowSettingsWindow() {
    // A window that shows already is in the hands of whoever sits there.
    if (!IsWindowVisible() && !GateOpens(Gate::Settings)) return;
    BringUpWindow();
}

void CMainFrame::BringUpWindow() {
    if (!IsWindowVisible()) ShowWindow(SW_SHOW);
    if (::IsIconic(m_hWnd)) {
        ShowWindow(SW_RESTORE);
    } else {
        ::BringWindowToTop(m_hWnd);
    }
    ::SetForegroundWindow(m_hWnd);
    CenterWindow();
    vp::KeepInWorkArea(m_hWnd);
    ShowUpdatePrompt();
}

void CMainFrame::ShowUpdatePrompt() { ShowUpdateOffer(MessageOwner(), m_owner.Store()); }

void CMainFrame::AddSettingsTrayIcon() {
    wchar_t tip[128];
    vp::FormatText(tip, L"%ls keeps your desktop private!", product::kName);
    InstallTrayIcon(tip, m_trayIcon ? m_trayIcon.Get() : m_smallIcon.Get(), kTrayIconId);
}

void CMainFrame::RemoveSettingsTrayIcon() { RemoveTrayIcon(); }
void CMainFrame::PublishSettings(SettingsSnapshot settings) {
    // The guard learns the restore password from the program, never from the key.
    guard_channel::TellRestorePassword(settings->restorePassword.text[0] != L'\0', settings->restorePassword.text);
    g_SettingsMirror.Publish(std::move(settings));
    // The hook thread gets the enabled actions ready before the next switch needs them.
    if (m_mail) {
        HookRequest changed;
        changed.kind = HookRequest::Kind::ActionsChanged;
        m_mail->hook.Put(std::move(changed));
    }
}
void CMainFrame::RegisterSettingsHotkey(UINT modifiers, UINT key) {
    ::RegisterHotKey(m_hWnd, m_hotkeyAtom, modifiers, key);
}
void CMainFrame::UnregisterSettingsHotkey() { ::UnregisterHotKey(m_hWnd, m_hotkeyAtom); }
void CMainFrame::SetRunValue(const wchar_t* exePath) { settings_rules::UpdateRunValue(g_ProgramKeys.run, exePath); }

void CMainFrame::ShowSettingHint(const wchar_t* text) {
    ::MessageBoxW(MessageOwner(), text, settings_text::kHintCaption, MB_ICONINFORMATION);
}

void CMainFrame::CloseSettingsWindow() {
    // Before anything ends: the user is never left on the virtual desktop, nor Task Manager off.
    if (m_mail) ComeBackAndUndo(m_mail->hook, m_mail->ids.hook != 0, kComeBackWaitMs);
    DestroyWindow();
}

void CMainFrame::OnEndSession(bool ending, LPARAM reasons) {
    if (!ending) return;  // cancelled: everything stays, the virtual desktop included
    // First of all the guard learns that this end is no crash: once this returns, the system may end
    // the process at any moment.
    if (m_sessionEnds) m_sessionEnds();
    if (reasons & ENDSESSION_CLOSEAPP) {
        // An installer closes the program to replace its files, and the session goes on: a quit, by
        // the rule of the way back.
        QuitOnRequest();
        return;
    }
    // The session ends: the policy given back, the screen left as it is (nothing shows any more).
    if (m_mail) ComeBackAndUndo(m_mail->hook, m_mail->ids.hook != 0, kComeBackWaitMs, ComeBackKind::UndoOnly);
}

void CMainFrame::OnQuit() {
    DWORD noConfirm = 0;
    if (m_owner.Store().ReadDword(product::kQuitNoConfirmValue, &noConfirm) != ERROR_SUCCESS) noConfirm = 0;
    if (noConfirm != 0) {
        m_owner.SaveSettingsAndClose();
        return;
    }
    CQuitDlg dialog;
    if (dialog.DoModal(::GetActiveWindow()) == CQuitDlg::kQuit) m_owner.SaveSettingsAndClose();
}

void CMainFrame::OpenHelp() noexcept {
    // Beside the executable, wherever the program was started from.
    wchar_t path[MAX_PATH];
    HelpFilePath(m_owner.ExecutablePath(), product::kHelpFile, path);
    Open(path);
}

BOOL CMainFrame::PreTranslateMessage(MSG* msg) {
    // The editing keys of the accelerator table never reach the pages' edits.
    if (m_hAccel && m_hWnd && ::TranslateAcceleratorW(m_hWnd, m_hAccel, msg)) return TRUE;
    if (m_hWnd && OnNavigationKey(*msg)) return TRUE;
    if (HWND page = m_pages.CurrentWindow(); page && ::IsWindow(page)) {
        return ::SendMessageW(page, WM_FORWARDMSG, 0, reinterpret_cast<LPARAM>(msg)) != 0;
    }
    return FALSE;
}

// Into whatever DC it is given, so the pages' and controls' background brushes capture it.
void CMainFrame::OnEraseBackground(HDC dc) noexcept {
    if (CLook::OfThisThread().HighContrast()) {
        RECT rc{};
        GetClientRect(&rc);
        FillSolidRect(dc, rc, CLook::OfThisThread().Colours().window);
        return;
    }
    PaintStretchedBackground(m_hWnd, dc, m_background.Get());
}

bool CMainFrame::OnCommand(WPARAM wp) {
    const UINT id = LOWORD(wp);
    switch (id) {  // tray and tab commands, whatever the notification code
    case ID_TRAY_PREFERENCES: ShowSettingsWindow(); return true;
    case ID_TRAY_HELP: OpenHelp(); return true;
    case ID_TRAY_WEBSITE: Open(product::kHomePage); return true;
    case ID_TRAY_PRODUCTS: Open(product::kProductsPage); return true;
    case ID_TRAY_EXIT: ExitFromTray(); return true;
    case kBasicPage:
    case kAdvancedPage:
    case kAboutPage: ShowPage(static_cast<int>(id)); return true;
    }
    if (HIWORD(wp) != 0) return false;
    switch (id) {  // navigation-panel commands
    case ID_NAV_HOMEPAGE: Open(product::kHomePage); return true;
    case ID_NAV_HELP: OpenHelp(); return true;
    case ID_NAV_APPLY:
        if (ApplyPages() == ApplyResult::Applied) m_pages.ConfirmApply();
        return true;
    case ID_NAV_PREVIOUS:
    case ID_NAV_NEXT: {
        const int page = id == ID_NAV_PREVIOUS ? PreviousPage(m_pages.Current()) : NextPage(m_pages.Current());
        ShowPage(page);
        m_pages.TabBar().SelectTab(page - 1, true);
        return true;
    }
    case ID_NAV_HIDE: ShowWindow(SW_HIDE); return true;
    case ID_NAV_QUIT: OnQuit(); return true;
    }
    return false;
}

bool CMainFrame::ProcessWindowMessage(HWND, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_CREATE: OnCreate(); result = 0; return true;
    case WM_DESTROY: OnDestroy(); result = 0; return true;
    case WM_CLOSE: ShowWindow(SW_HIDE); result = 0; return true;  // closing only hides; the program goes on
    case WM_ERASEBKGND: OnEraseBackground(reinterpret_cast<HDC>(wp)); result = 1; return true;
    case WM_GETMINMAXINFO:
        if (m_nMinWidth <= 0) return false;
        reinterpret_cast<MINMAXINFO*>(lp)->ptMinTrackSize = POINT{m_nMinWidth, m_nMinHeight};
        result = 0;
        return true;
    case WM_SIZE: if (wp != SIZE_MINIMIZED) m_pages.Layout(true); result = 0; return true;
    case WM_DPICHANGED: {
        const RECT suggested = *reinterpret_cast<const RECT*>(lp);
        ::ReplyMessage(0);  // sent by the system, maybe from another thread; the new layout is ours
        OnDpiChanged(HIWORD(wp), &suggested);
        result = 0;
        return true;
    }
    case WM_SETTINGCHANGE:
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED:
        ::ReplyMessage(0);  // broadcast by the system; the new look is the window's own work
        OnLookChanged();
        result = 0;
        return true;
    case WM_ACTIVATE:
        // The keyboard's place is kept while the window is inactive and given back when it returns.
        if (LOWORD(wp) == WA_INACTIVE) {
            HWND focus = ::GetFocus();
            if (focus && ::IsChild(m_hWnd, focus)) m_hWndLastFocus = focus;
        }
        return false;
    case WM_SETFOCUS:
        if (m_hWndLastFocus && ::IsWindow(m_hWndLastFocus) && ::IsWindowVisible(m_hWndLastFocus)) {
            ::SetFocus(m_hWndLastFocus);
        } else if (HWND page = m_pages.CurrentWindow()) {
            if (HWND first = ::GetNextDlgTabItem(page, nullptr, FALSE)) ::SetFocus(first);
        }
        result = 0;
        return true;
    case WM_COMMAND: if (!OnCommand(wp)) return false; result = 0; return true;
    case WM_HOTKEY: ShowSettingsWindow(); result = 0; return true;  // all of this window's hotkeys show it
    case WM_QUERYENDSESSION:  // the session may end, or the user may still cancel: nothing changes yet
        result = TRUE;
        return true;
    case WM_ENDSESSION: OnEndSession(wp != FALSE, lp); result = 0; return true;
    case WM_TIMER:
        if (wp != kUpdateTimerId) return false;
        if (m_mail) m_mail->check.Put(CheckRequest{});
        result = 0;
        return true;
    }
    if (m_uQuitRequest != 0 && msg == m_uQuitRequest) {
        QuitOnRequest();
        result = 0;
        return true;
    }
    if (m_uTaskbarCreated != 0 && msg == m_uTaskbarCreated) {
        // A restarted shell has no icons: put ours back if it is meant to be shown.
        if (m_owner.TrayIconShown()) AddSettingsTrayIcon();
        result = 0;
        return true;
    }
    return ProcessTrayMessage(msg, wp, lp, result);
}
