#pragma once
// The settings window: the program's only top-level window, hidden most of the time. It owns the
// settings (load, apply, save), the tray icon, the show-settings hotkey and the update timer, and
// destroying it ends the program.
//
// The themed parts (tab bar, pages, navigation panel, quit dialog) are built in their own files. They
// reach the frame through these seams: a page, once created, is handed to AttachBasicPage /
// AttachAdvancedPage (which push the settings into it) and becomes the current page with
// SetCurrentPageWindow; the Apply command reads the attached pages through their Read operations.
#include <windows.h>

#include "framework/Handles.h"
#include "framework/MessageLoop.h"
#include "framework/Window.h"
#include "resource.h"
#include "settings/SettingsData.h"
#include "ui/TrayIcon.h"

class CMainFrame : public vp::CWindowImplBase,
                   public vp::CMessageFilter,
                   public vp::CIdleHandler,
                   public CTrayIconImpl<CMainFrame>,
                   public CSettingsOwner {
public:
    static constexpr const wchar_t* kClassName = L"WTL_VeilpaneFrame";
    static constexpr UINT kTrayMenuId = IDR_MAINFRAME;
    static constexpr UINT kTrayIconId = IDR_MAINFRAME;
    static constexpr UINT_PTR kUpdateTimerId = 188;
    static constexpr UINT kUpdateTimerPeriodMs = 3 * 60 * 60 * 1000;
    // DWORD 1 under the settings key once the window has been shown on the program's first start.
    static constexpr const wchar_t* kFirstStartShownValue = L"SS_FIRST_SHOWN";

    CMainFrame() = default;
    ~CMainFrame() override;

    // Creates the top-level frame window (its creation loads the settings and puts them into
    // effect); false when it cannot be created.
    bool CreateFrame();
    // The ui thread's steps after creation: the title, the update offer made possible again, and
    // the window shown on the very first start only.
    void AfterCreate();

    // Shows, raises and centres the window, then offers a recorded update.
    void ShowSettingsWindow();
    void ShowUpdatePrompt();

    // ---- seams for the pages ------------------------------------------------------------------
    void AttachBasicPage(IBasicPageView* page);
    void AttachAdvancedPage(IAdvancedPageView* page);
    void SetCurrentPageWindow(HWND page) noexcept { m_hWndClient = page; }
    HWND CurrentPageWindow() const noexcept { return m_hWndClient; }
    // The Apply command: reads the attached pages and applies them. The navigation panel plays its
    // confirmation sweep when this returns ApplyResult::Applied.
    ApplyResult ApplyPages();

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
    void OnCreate();
    void OnDestroy();
    bool OnCommand(WPARAM wp);
    HWND MessageOwner() const noexcept { return m_hWndClient ? m_hWndClient : m_hWnd; }

    vp::IconHandle m_bigIcon;
    vp::IconHandle m_smallIcon;
    HACCEL m_hAccel = nullptr;  // from the resources; freed with the module
    int m_nMinWidth = 0;
    int m_nMinHeight = 0;
    int m_nCurrentPage = 1;
    HWND m_hWndClient = nullptr;  // the current page's window; owner of the validation messages
};
