#pragma once
// The settings window: the program's only top-level window, hidden most of the time. It holds the
// settings owner and carries out its effects (the triggers, the mirror, the tray icon, the
// show-settings hotkey, the Run value, the hint box), runs the update timer, and destroying it ends
// the program.
//
// Its client area is the page host's (ui/PageHost.h); a settings page, once created, is attached to
// the settings owner, which pushes the settings into it and reads it back on Apply.
#include <windows.h>

#include <string>
#include <vector>

#include "framework/Handles.h"
#include "framework/Window.h"
#include "resource.h"
#include "settings/FailedAttempts.h"
#include "settings/SettingsOwner.h"
#include "switching/ThreadMail.h"
#include "ui/PageHost.h"
#include "ui/PasswordDlg.h"
#include "ui/TrayIcon.h"

// The help file beside the executable: the executable's folder joined with the file name. Falls back
// to the bare name (looked up from the current directory) when the result would not fit.
void HelpFilePath(const wchar_t* exePath, const wchar_t* helpFile, wchar_t (&out)[MAX_PATH]) noexcept;
// The size the settings window gives its client area: 59 x 22 dialog base units, but never less than
// the page (template size) plus the tab bar and the navigation panel, so no page is cut or squeezed.
SIZE FrameClientSize(LONG dialogBaseUnits, SIZE page, int tabBarHeight, int navPanelHeight) noexcept;
// The dialog base units the frame sizes itself by at a DPI: those of the standard 8 x 16 system font
// at 96 DPI, scaled (the system's own answer is for the system DPI only, and under some systems its
// raster font does not scale smoothly).
LONG FrameBaseUnits(UINT dpi) noexcept;
// The frame's keyboard order: the tab bar, the current page's tab stops in the page's order, then the
// navigation panel's buttons from left to right; hidden and disabled windows are left out.
std::vector<HWND> FrameTabOrder(HWND tabBar, HWND page, HWND navPanel);

class CMainFrame : public vp::CWindowImplBase,
                   public CTrayIconImpl<CMainFrame>,
                   public ISettingsEffects {
public:
    static constexpr const wchar_t* kClassName = L"WTL_VeilpaneFrame";
    static constexpr UINT kTrayMenuId = IDR_MAINFRAME;
    static constexpr UINT kTrayIconId = IDR_MAINFRAME;
    static constexpr UINT_PTR kUpdateTimerId = 188;
    static constexpr UINT kUpdateTimerPeriodMs = 3 * 60 * 60 * 1000;

    CMainFrame() = default;
    ~CMainFrame() override;

    // The threads the frame posts to: the main thread when it goes, the check thread on its timer.
    // The mail of the program's threads, which the window asks (null in tests that run it alone).
    void UseMail(ThreadMail* mail) noexcept { m_mail = mail; }

    // Creates the top-level frame window (its creation loads the settings and puts them into
    // effect); false when it cannot be created.
    bool CreateFrame();
    // The ui thread's steps after creation: the title, the update offer made possible again, and
    // the window shown on the very first start only.
    void AfterCreate();

    // Shows, raises and centres the window, then offers a recorded update. While a switch password is
    // set, a hidden window asks for it first and stays hidden on Cancel or a wrong password.
    void ShowSettingsWindow();
    // Exit from the tray menu: asks for the switch password as showing the window does, then saves
    // and ends the program.
    void ExitFromTray();
    // The hook thread's mail: the switch password was given at the gate; the window shows, or the
    // program ends.
    void OnGateOpen(Gate gate);
    // A password thread's mail: the pending notice of wrong passwords is told now.
    void TellPendingPasswordNotice() { TellPasswordNotice(failed_attempts::TakePendingNotice()); }
    void ShowUpdatePrompt();
    // "/quit" (the uninstaller) asks: the tray's Exit without its confirmation or its password prompt.
    // The uninstaller often runs with nobody at the screen, and whoever can run it can end the process
    // anyway; the way back still follows the restore password.
    void QuitOnRequest() { m_owner.SaveSettingsAndClose(); }
    // Called when the session really ends, or an installer closes the program, so that nothing but the
    // installer starts it again.
    void OnSessionEnd(void (*handler)() noexcept) noexcept { m_sessionEnds = handler; }

    // Hides the current page and makes page n (1 basic, 2 advanced, 3 about) the current one, creating
    // it on first use and filling it with the settings; the page is not shown here.
    void SelectPage(int n);

    // ---- seams for the pages ------------------------------------------------------------------
    // The frame attaches its own pages when it creates them; tests may attach stand-ins (or nullptr
    // for a page that counts as never shown).
    void AttachPage(SettingsPage page, ISettingsPageView* view) { m_owner.AttachPage(page, view); }
    // The Apply command: reads the attached pages and applies them; the navigation panel plays its
    // confirmation sweep when this returns ApplyResult::Applied.
    ApplyResult ApplyPages() { return m_owner.ApplyPages(); }
    CSettingsOwner& Owner() noexcept { return m_owner; }
    UINT Dpi() const noexcept { return m_dpi; }

    bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    // The ui loop's message filter: the accelerators, then the current page's dialog keys.
    BOOL PreTranslateMessage(MSG* msg);

protected:
    // ---- the settings owner's effects ---------------------------------------------------------
    void PublishSettings(SettingsSnapshot settings) override;
    void AddSettingsTrayIcon() override;
    void RemoveSettingsTrayIcon() override;
    void RegisterSettingsHotkey(UINT modifiers, UINT key) override;
    void UnregisterSettingsHotkey() override;
    void SetRunValue(const wchar_t* exePath) override;
    void ShowSettingHint(const wchar_t* text) override;
    void CloseSettingsWindow() override;
    bool AllowPasswordChange(bool restore) override;

private:
    friend class CTrayIconImpl<CMainFrame>;
    // A tray menu item the person chose, or the menu's default on a double click.
    void OnTrayCommand(UINT command) { OnCommand(command); }
    void OnCreate();
    void OnDestroy();
    bool OnCommand(WPARAM wp);
    void OnEraseBackground(HDC dc) noexcept;
    // The artwork and icons for the window's DPI.
    void LoadLook() noexcept;
    // WM_DPICHANGED: everything laid out for the new DPI, the window placed in the suggested rectangle.
    void OnDpiChanged(UINT dpi, const RECT* suggested) noexcept;
    // High contrast or the system colours changed: everything drawn again from scratch.
    void OnLookChanged() noexcept;
    // Tab and Shift+Tab through FrameTabOrder, Ctrl+Tab, Ctrl+Shift+Tab, Ctrl+PgDn and Ctrl+PgUp to the
    // next and previous page; true when the key was one of them.
    bool OnNavigationKey(const MSG& msg) noexcept;
    // A tab command, Previous or Next: select, show and place the page.
    void ShowPage(int n);
    void OnQuit();
    // WM_ENDSESSION: ending, or cancelled; with ENDSESSION_CLOSEAPP among the reasons the session goes
    // on, and the end is a quit.
    void OnEndSession(bool ending, LPARAM reasons);
    void OpenHelp() noexcept;
    // Grows the client area (and the minimum size) when a page's template is larger than its place.
    void FitPage(HWND page) noexcept;
    void SetClientSize(int width, int height) noexcept;
    HWND MessageOwner() const noexcept { return m_pages.CurrentWindow() ? m_pages.CurrentWindow() : m_hWnd; }
    // True when no switch password is set. Otherwise the hook thread is asked to ask for it (false;
    // OnGateOpen follows the right password), or, with no hook thread, it is asked here (true for
    // the right password). One prompt at a time: a request while it is open is refused.
    bool GateOpens(Gate gate);
    bool HookThreadServes() const noexcept;
    // Asks for the password of that kind at this thread's prompt, on its desktop; true when it was
    // typed correctly. One prompt at a time: an ask while it is open is refused.
    bool AskHere(failed_attempts::Prompt kind);
    // Shows, raises and centres the window, then offers a recorded update.
    void BringUpWindow();
    // Tells the owner of wrong passwords typed before the last correct one; nothing for empty text.
    void TellPasswordNotice(const std::wstring& text);

    CSettingsOwner m_owner{*this};
    ThreadMail* m_mail = nullptr;
    ATOM m_hotkeyAtom = 0;  // the settings hotkey's id, for the life of the window
    vp::IconHandle m_bigIcon;
    vp::IconHandle m_smallIcon;
    vp::IconHandle m_trayIcon;  // at the system DPI, where the notification area draws it
    UINT m_dpi = 96;
    HWND m_hWndLastFocus = nullptr;
    HACCEL m_hAccel = nullptr;  // from the resources; freed with the module
    UINT m_uTaskbarCreated = 0;  // broadcast when the shell's taskbar (re)starts
    void (*m_sessionEnds)() noexcept = nullptr;
    UINT m_uQuitRequest = 0;  // product::kQuitRequestMessage
    CPageHost m_pages;
    vp::BitmapHandle m_background;
    int m_nMinWidth = 0;
    int m_nMinHeight = 0;
    CPasswordPrompt m_passwordPrompt;
    bool m_bAskingPassword = false;
};
