#pragma once
// What the page tests share: a stand-in for the settings window that paints the frame's artwork, the
// pages created in it the way the frame creates them, and a driver for the modal dialogs the pages
// open (the file picker, the process picker, message boxes), run from a timer inside their loops.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/UiWindowSupport.h"
#include "framework/Handles.h"
#include "settings/SettingsTable.h"

namespace pages_test {

// The settings window's stand-in: frame artwork on erase and print, notifications reflected.
class CFrameStandIn {
public:
    CFrameStandIn();
    HWND Window() const { return m_host; }
    // Places a page as the frame does: filling the client area, then shown.
    void PlacePage(HWND page) const;

private:
    vp::BitmapHandle m_background;
    ui_test::CTestHost m_host;
};

// Shows every setting of a page from values, as the settings owner does when it attaches the page;
// and what the page's controls show now.
void ShowSettings(ISettingsPageView& page, SettingsPage which, const PageValues& values);
PageValues ReadSettings(const ISettingsPageView& page, SettingsPage which);
// The process names the advanced page shows, as Apply reads them.
std::vector<std::wstring> ShownNames(const ISettingsPageView& page);
// The advanced page with the process list on and holding these names.
void ShowProcessList(ISettingsPageView& page, std::vector<std::wstring> names);

std::wstring WindowText(HWND hwnd);
std::wstring DlgItemText(HWND dialog, int id);
bool IsChecked(HWND dialog, int id);
// Clicks a button the way the mouse would (the button sends BN_CLICKED to its parent).
void Click(HWND dialog, int id);
// Types the characters one by one into a control, as the keyboard's WM_CHAR messages would.
void TypeChars(HWND control, const std::wstring& text);

// A top-level window of this thread with the given caption, or nullptr.
HWND FindThreadWindow(const wchar_t* caption);
// The texts of a window's static children (a message box's message among them).
std::vector<std::wstring> StaticTexts(HWND window);

// Steps run one after another from a thread timer, so they run inside whatever modal loop the test
// thread is in. A step returns false to be tried again at the next tick (its window is not up yet).
// Past the deadline every dialog of the thread is asked to close and TimedOut() says so, so a broken
// step fails the test instead of hanging it.
class ModalDriver {
public:
    using Step = std::function<bool()>;
    explicit ModalDriver(std::vector<Step> steps, DWORD deadlineMs = 20000);
    ~ModalDriver();
    ModalDriver(const ModalDriver&) = delete;
    ModalDriver& operator=(const ModalDriver&) = delete;

    bool Done() const { return m_next == m_steps.size(); }
    bool TimedOut() const { return m_timedOut; }

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) noexcept;
    void Tick();

    std::vector<Step> m_steps;
    size_t m_next = 0;
    DWORD m_start;
    DWORD m_deadline;
    bool m_timedOut = false;
    bool m_busy = false;
    UINT_PTR m_timer = 0;
};

// The screen's pixels under a window, frame and caption included.
ui_test::Pixels ReadScreenRect(const RECT& rc);
// Saves under "screenshots" beside the test executable; returns the path ("" when it failed).
std::wstring SaveScreenshot(const ui_test::Pixels& pixels, const wchar_t* name);

}  // namespace pages_test
