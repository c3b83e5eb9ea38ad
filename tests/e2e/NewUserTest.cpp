// A new user's first run of the real Veilpane.exe: the window shows by itself, every page is looked
// at (screenshots under bin/screenshots), a switch password and an action are set through the
// window's controls and applied, the window is hidden, a trigger asks for the password, the right
// one switches and the action runs, and "Exit" from the tray menu leaves every setting in the registry.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "e2e/VeilpaneProcess.h"
#include "framework/PasswordHash.h"
#include "framework/RegistryStore.h"
#include "ids_dialogs.h"
#include "ids_menus.h"
#include "support/SettingControlIds.h"
#include "support/TestSupport.h"
#include "ui/UiWindowSupport.h"

using namespace testing_support;

namespace {

constexpr wchar_t kKey[] = L"Software\\MORVEX\\Veilpane";
constexpr wchar_t kTargetTitle[] = L"Quarterly Figures - Private";

struct ShellWindows {
    DWORD pid;
};

// Wine shows the windows of every desktop on the one X screen, so the shell's file browser on the
// virtual desktop can lie over the settings window. Screenshots are of what this program draws: move
// the shell's windows off the screen first.
void MoveShellAside(const VeilpaneProcess& app) {
    for (DWORD pid : app.Children(L"explorer.exe")) {
        for (const wchar_t* name : {L"vpdesk", L"Default"}) {
            HDESK desk = ::OpenDesktopW(name, 0, FALSE, DESKTOP_READOBJECTS | DESKTOP_ENUMERATE);
            if (!desk) continue;
            ShellWindows shell{pid};
            ::EnumDesktopWindows(
                desk,
                [](HWND hwnd, LPARAM lp) -> BOOL {
                    DWORD owner = 0;
                    ::GetWindowThreadProcessId(hwnd, &owner);
                    if (owner == reinterpret_cast<ShellWindows*>(lp)->pid &&
                        (::GetWindowLongW(hwnd, GWL_STYLE) & WS_VISIBLE)) {
                        ::SetWindowPos(hwnd, nullptr, -4000, -4000, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
                    }
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&shell));
            ::CloseDesktop(desk);
        }
    }
}

// What the screen shows inside the window's client area, saved for people to look at.
void Screenshot(HWND hwnd, const wchar_t* name) {
    ::Sleep(700);  // fades and sweeps settle
    RECT rc{};
    ::GetClientRect(hwnd, &rc);
    POINT origin{0, 0};
    ::ClientToScreen(hwnd, &origin);
    ui_test::Pixels pixels;
    pixels.width = rc.right;
    pixels.height = rc.bottom;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = rc.right;
    bi.bmiHeader.biHeight = -rc.bottom;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    vp::MemoryDcHandle mem(::CreateCompatibleDC(nullptr));
    vp::BitmapHandle bitmap(::CreateDIBSection(mem.Get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    ASSERT_TRUE(bitmap);
    {
        vp::SelectGuard select(mem.Get(), bitmap.Get());
        HDC screen = ::GetDC(nullptr);
        ::BitBlt(mem.Get(), 0, 0, rc.right, rc.bottom, screen, origin.x, origin.y, SRCCOPY);
        ::ReleaseDC(nullptr, screen);
        ::GdiFlush();
    }
    const auto* p = static_cast<const DWORD*>(bits);
    pixels.bgra.assign(p, p + static_cast<size_t>(rc.right) * rc.bottom);
    const std::wstring dir = ExeDir() + L"\\screenshots";
    ::CreateDirectoryW(dir.c_str(), nullptr);
    EXPECT_TRUE(ui_test::SavePng(pixels, dir + L"\\" + name));
}

HWND PageWith(HWND frame, int controlId) {
    for (HWND h = ::FindWindowExW(frame, nullptr, L"#32770", nullptr); h; h = ::FindWindowExW(frame, h, L"#32770", nullptr)) {
        if (::GetDlgItem(h, controlId) && ::IsWindowVisible(h)) return h;
    }
    return nullptr;
}

// A left click at the middle of the control, from the mouse, on the desktop that shows. The screen
// has no window manager to bring a clicked window forward, as a person's desktop does.
bool ClickOn(HWND control) {
    RECT rc{};
    if (!::GetWindowRect(control, &rc)) return false;
    ::SetForegroundWindow(::GetAncestor(control, GA_ROOT));
    ::SetCursorPos((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    return InjectInput(L"ldown lup");
}

// Typed on the keyboard into the box after a click into it, as a person fills it in. What follows
// (the next click, Apply) queues behind the keys.
bool TypeInto(HWND box, const wchar_t* text) {
    return ClickOn(box) && InjectInput(std::wstring(L"\"text:") + text + L"\"");
}

bool Check(HWND page, int id) {
    HWND box = ::GetDlgItem(page, id);
    const auto checked = [box] { return ::SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED; };
    return checked() || (ClickOn(box) && WaitUntil(checked, 5000));
}

TEST(NewUser, SetsUpInTheWindowSwitchesWithThePasswordAndQuitsFromTheTray) {
    DeleteKeyTree(kKey);
    StartedProcess target;
    ASSERT_TRUE(StartProcess(L"\"" + HelperPath(L"window_owner.exe") + L"\" \"" + kTargetTitle + L"\" exit+shown 7", target));

    VeilpaneProcess app;
    ASSERT_TRUE(app.Start());
    int at = app.WaitForTrace(L"hook armed on Default", 30000);
    ASSERT_GE(at, 0);

    // The first start shows the window on the basic page.
    HWND frame = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (frame = FindWindowOf(app.ProcessId(), L"WTL_VeilpaneFrame", nullptr)) != nullptr; },
                          30000));
    wchar_t title[64] = {};
    ::GetWindowTextW(frame, title, 64);
    EXPECT_STREQ(L"Veilpane Pro", title);
    HWND nav = ::FindWindowExW(frame, nullptr, L"WTL_NavPanel", nullptr);
    ASSERT_NE(nullptr, nav);
    const auto click = [&](int id) { return ClickOn(::GetDlgItem(nav, id)); };
    // The tray's double click brings the window to the front of everything on the screen.
    const UINT trayMessage = ::RegisterWindowMessageW(L"WM_TRAYICON");
    ::SendMessageW(frame, trayMessage, 128, WM_LBUTTONDBLCLK);

    // The shell on the virtual desktop is up once its window is; give it a moment, then move it aside.
    ::Sleep(1500);
    MoveShellAside(app);
    HWND basic = PageWith(frame, IDC_SW_WHEEL);
    ASSERT_NE(nullptr, basic);
    Screenshot(frame, L"e2e_basic_page.png");
    HWND advanced = nullptr;
    ASSERT_TRUE(click(ID_NAV_NEXT));
    ASSERT_TRUE(WaitUntil([&] { return (advanced = PageWith(frame, IDC_AC_MUTE)) != nullptr; }, 5000));
    Screenshot(frame, L"e2e_advanced_page.png");
    ASSERT_TRUE(click(ID_NAV_NEXT));
    ASSERT_TRUE(WaitUntil([&] { return PageWith(frame, IDC_ABOUT_VERSION) != nullptr; }, 5000));
    Screenshot(frame, L"e2e_about_page.png");

    // A switch password and an action, through the controls, then Apply.
    ASSERT_TRUE(click(ID_NAV_NEXT));
    ASSERT_TRUE(WaitUntil([&] { return PageWith(frame, IDC_SW_WHEEL) == basic; }, 5000));
    ASSERT_TRUE(Check(basic, IDC_PWD_VIRT_ENABLED));
    ASSERT_TRUE(TypeInto(::GetDlgItem(basic, IDC_PWD_VIRT), L"Tulip42"));
    ASSERT_TRUE(TypeInto(::GetDlgItem(basic, IDC_PWD_VIRT_CONFIRM), L"Tulip42"));
    ASSERT_TRUE(click(ID_NAV_NEXT));
    ASSERT_TRUE(WaitUntil([&] { return PageWith(frame, IDC_AC_MUTE) == advanced; }, 5000));
    ASSERT_TRUE(Check(advanced, IDC_AC_WINDOWS_ENABLED));
    ASSERT_TRUE(TypeInto(::GetDlgItem(advanced, IDC_AC_WINDOWS_TITLE), L"Quarterly Figures"));
    ASSERT_TRUE(click(ID_NAV_APPLY));
    CRegistryStore settings;
    settings.SetPath(kKey);
    wchar_t text[262] = {};
    ASSERT_TRUE(WaitUntil([&] { return settings.ReadString(L"AC_WINDOWS_TITLE", text) == ERROR_SUCCESS; }, 10000));
    Screenshot(frame, L"e2e_applied.png");
    ASSERT_EQ(ERROR_SUCCESS, settings.ReadString(L"PWD_VIRT", text));
    EXPECT_TRUE(vp::VerifyPasswordRecord(L"Tulip42", text)) << "stored in clear or not at all";
    ASSERT_EQ(ERROR_SUCCESS, settings.ReadString(L"AC_WINDOWS_TITLE", text));
    EXPECT_STREQ(L"Quarterly Figures", text);

    ASSERT_TRUE(click(ID_NAV_HIDE));
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindowVisible(frame); }, 5000));

    // The trigger asks first, on the prompts' desktop, where only the keyboard reaches the prompt.
    ASSERT_TRUE(InjectInput(L"middle", L"Default"));
    at = app.WaitForTrace(L"switch password asked", 10000, at);
    ASSERT_GE(at, 0);
    ASSERT_TRUE(TypeThroughX(L"Enter Password", L"Tulip42", L"Return"));
    at = app.WaitSwitchedTo(L"vpdesk", 10000, at);
    ASSERT_GE(at, 0);
    // The window whose title holds the text was asked to close: its program ended.
    EXPECT_EQ(7u, WaitExit(target, 10000));

    ASSERT_TRUE(InjectInput(L"middle", L"vpdesk"));  // no restore password: straight back
    at = app.WaitSwitchedTo(L"Default", 10000, at);
    ASSERT_GE(at, 0);

    // Exit from the tray menu.
    DeleteKeyTree(kKey);
    ASSERT_TRUE(app.ExitFromTrayMenu(frame));
    // With a switch password set, Exit asks for it first.
    ASSERT_GE(app.WaitForTrace(L"settings password asked", 10000, at), 0);
    ASSERT_TRUE(TypeThroughX(L"Enter Password", L"Tulip42", L"Return"));
    DWORD code = 0;
    ASSERT_TRUE(app.WaitExit(15000, &code));
    EXPECT_EQ(1u, code);

    const wchar_t* values[] = {
        L"SW_WHEEL", L"SW_DOUBLE", L"SW_HOTKEY_ENABLED", L"SW_HOTKEY", L"SW_CTRL", L"SW_SHIFT", L"SW_ALT",
        L"SS_STARTUP", L"SS_TRAYICON", L"SS_UPDATE", L"SS_HOTKEY_ENABLED", L"SS_HOTKEY", L"SS_CTRL", L"SS_SHIFT",
        L"SS_ALT", L"PWD_VIRT_ENABLED", L"PWD_VIRT", L"PWD_ORIG_ENABLED", L"PWD_ORIG", L"AC_MUTE", L"AC_MONITOR",
        L"AC_TASKMGR", L"AC_IEHISTORY", L"AC_IEURLS", L"AC_RECENTDOC", L"AC_CLIPBOARD", L"AC_FILE_ENABLED", L"AC_FILE_PATH",
        L"AC_WEBSITE_ENABLED", L"AC_WEBSITE_URL", L"AC_WINDOWS_ENABLED", L"AC_WINDOWS_TITLE",
        L"AC_PROCESSES_ENABLED", L"AC_PROCESSES_COUNT"};
    for (const wchar_t* name : values) {
        DWORD dw = 0;
        wchar_t buffer[262] = {};
        EXPECT_TRUE(settings.ReadDword(name, &dw) == ERROR_SUCCESS || settings.ReadString(name, buffer) == ERROR_SUCCESS)
            << "missing " << name;
    }
    ASSERT_EQ(ERROR_SUCCESS, settings.ReadString(L"PWD_VIRT", text));
    EXPECT_TRUE(vp::VerifyPasswordRecord(L"Tulip42", text));
    DWORD dw = 0;
    EXPECT_EQ(ERROR_SUCCESS, settings.ReadDword(L"AC_WINDOWS_ENABLED", &dw));
    EXPECT_EQ(1u, dw);
    EXPECT_EQ(ERROR_SUCCESS, settings.ReadDword(L"SW_WHEEL", &dw));
    EXPECT_EQ(1u, dw);

    app.KillChildren(L"explorer.exe");
    DeleteKeyTree(kKey);
}

}  // namespace
