#pragma once
// The settings window: the program's only top-level window, hidden most of the time. It owns the
// settings (load, apply, save), the tray icon, the show-settings hotkey and the update timer, and
// destroying it ends the program.
//
// Its client area holds the tab bar at the top, the current page in the middle and the navigation
// panel at the bottom. The pages are created the first time they are shown and then only hidden and
// shown; a page, once created, is attached to the settings owner (AttachBasicPage /
// AttachAdvancedPage push the settings into it, Apply reads it back).
#include <windows.h>

#include <string>

#include "framework/Handles.h"
#include "framework/MessageLoop.h"
#include "framework/Window.h"
#include "resource.h"
#include "settings/SettingsData.h"
#include "ui/NavPanel.h"
#include "ui/TabBar.h"
#include "ui/TrayIcon.h"
#include "ui/pages/AboutDlg.h"
#include "ui/pages/AdvancedSettingsDlg.h"
#include "ui/pages/BasicSettingsDlg.h"

// The page numbers of the tab bar's commands and of the frame's current page.
enum : int { kBasicPage = 1, kAdvancedPage = 2, kAboutPage = 3 };
// Previous and Next walk the three pages round: from 1, 2, 3 Previous goes to 3, 1, 2 and Next to 2, 3, 1.
int PreviousPage(int page) noexcept;
int NextPage(int page) noexcept;
// The help file beside the executable: the executable's folder joined with the file name. Falls back
// to the bare name (looked up from the current directory) when the result would not fit.
void HelpFilePath(const wchar_t* exePath, const wchar_t* helpFile, wchar_t (&out)[MAX_PATH]) noexcept;
// The size the settings window gives its client area: 59 x 22 dialog base units, but never less than
// the page (template size) plus the tab bar and the navigation panel, so no page is cut or squeezed.
SIZE FrameClientSize(LONG dialogBaseUnits, SIZE page, int tabBarHeight, int navPanelHeight) noexcept;

class CMainFrame : public vp::CWindowImplBase,
                   public vp::CMessageFilter,
                   public vp::CIdleHandler,
                   public CTrayIconImpl<CMainFrame>,
                   public CSettingsOwner {
public:
    static constexpr const wchar_t* kClassName = L"WTL_VeilpaneFrame";
    // Registered message by which another process (Veilpane.exe /quit, run by the uninstaller) asks
    // this copy to end as the tray menu's Exit does.
    static constexpr const wchar_t* kQuitRequestMessage = L"Veilpane.QuitRequest";
    static constexpr UINT kTrayMenuId = IDR_MAINFRAME;
    static constexpr UINT kTrayIconId = IDR_MAINFRAME;
    static constexpr UINT_PTR kUpdateTimerId = 188;
    static constexpr UINT kUpdateTimerPeriodMs = 3 * 60 * 60 * 1000;
    // DWORD 1 under the settings key once the window has been shown on the program's first start.
    static constexpr const wchar_t* kFirstStartShownValue = L"SS_FIRST_SHOWN";
    // Registered window message with which a second start asks the running copy for its window.
    static constexpr const wchar_t* kShowSettingsMessage = L"Veilpane.ShowSettings";

    CMainFrame() = default;
    ~CMainFrame() override;

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
    // What the owner was last told about wrong passwords (a tray balloon, or a message without the
    // tray icon); empty until then.
    const std::wstring& LastPasswordNotice() const noexcept { return m_lastPasswordNotice; }
    void ShowUpdatePrompt();

    // Hides the current page and makes page n (1 basic, 2 advanced, 3 about) the current one, creating
    // it on first use and filling it with the settings; the page is not shown here.
    void SelectPage(int n);
    // Places the page between the tab bar and the navigation panel; with moveBars also the bars.
    void LayoutPanes(bool moveBars);
    int CurrentPage() const noexcept { return m_nCurrentPage; }

    // ---- seams for the pages ------------------------------------------------------------------
    // The frame attaches its own pages when it creates them; tests may attach stand-ins (or nullptr
    // for a page that counts as never shown).
    void AttachBasicPage(IBasicPageView* page);
    void AttachAdvancedPage(IAdvancedPageView* page);
    void SetCurrentPageWindow(HWND page) noexcept { m_hWndClient = page; }
    HWND CurrentPageWindow() const noexcept { return m_hWndClient; }
    // The Apply command: reads the attached pages and applies them; the navigation panel plays its
    // confirmation sweep when this returns ApplyResult::Applied.
    ApplyResult ApplyPages();

    CThemedTabBar& TabBar() noexcept { return m_tabBar; }
    CNavPanelView& NavPanel() noexcept { return m_navPanel; }
    HWND PageWindow(int n) const noexcept;
    SIZE MinimumClientSize() const noexcept { return SIZE{m_nMinWidth, m_nMinHeight}; }

    bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    BOOL PreTranslateMessage(MSG* msg) override;
    BOOL OnIdle() override { return FALSE; }

protected:
    HWND SettingsWindow() const override { return m_hWnd; }
    void AddSettingsTrayIcon() override;
    void RemoveSettingsTrayIcon() override;
    void ShowSettingHint(const wchar_t* text) override;
    void CloseSettingsWindow() override;

private:
    static constexpr int kNavPanelHeight = 52;

    void OnCreate();
    void OnDestroy();
    bool OnCommand(WPARAM wp);
    void OnEraseBackground(HDC dc) noexcept;
    // A tab command, Previous or Next: select, show and place the page.
    void ShowPage(int n);
    void OnQuit();
    void OpenHelp() noexcept;
    // Grows the client area (and the minimum size) when a page's template is larger than its place.
    void FitPage(HWND page) noexcept;
    void SetClientSize(int width, int height) noexcept;
    HWND MessageOwner() const noexcept { return m_hWndClient ? m_hWndClient : m_hWnd; }
    // True when no switch password is set, or it was typed correctly at the prompt (on this thread's
    // desktop, the original one). One prompt at a time: a request while it is open is refused.
    bool SwitchPasswordAllows();
    // Tells the owner of wrong passwords typed before the last correct one; nothing for empty text.
    void TellPasswordNotice(const std::wstring& text);

    vp::IconHandle m_bigIcon;
    vp::IconHandle m_smallIcon;
    HACCEL m_hAccel = nullptr;  // from the resources; freed with the module
    UINT m_uTaskbarCreated = 0;  // broadcast when the shell's taskbar (re)starts
    UINT m_uQuitRequest = 0;     // kQuitRequestMessage
    UINT m_uShowSettings = 0;    // kShowSettingsMessage
    CThemedTabBar m_tabBar;
    CNavPanelView m_navPanel;
    vp::BitmapHandle m_background;
    int m_nMinWidth = 0;
    int m_nMinHeight = 0;
    int m_nCurrentPage = kBasicPage;
    bool m_bBasicPageCreated = false;
    CBasicSettingsDlg m_basicPage;
    HWND m_hWndBasicPage = nullptr;
    bool m_bAdvancedPageCreated = false;
    CAdvancedSettingsDlg m_advancedPage;
    HWND m_hWndAdvancedPage = nullptr;
    bool m_bAboutPageCreated = false;
    CAboutDlg m_aboutPage;
    HWND m_hWndAboutPage = nullptr;
    HWND m_hWndClient = nullptr;  // the current page's window; owner of the validation messages
    bool m_bAskingPassword = false;
    std::wstring m_lastPasswordNotice;
};
