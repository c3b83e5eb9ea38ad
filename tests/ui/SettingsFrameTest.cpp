// The settings window on its own ui thread, as the program runs it: settings stored before start are
// in force after start, the first start shows the window once, the tray icon's callback and menu,
// the show-settings hotkey, the update timer, and "Exit", which saves and ends the ui thread.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "settings/SettingsTestSupport.h"
#include "support/ThreadJobs.h"
#include "app/Threads.h"
#include "framework/Product.h"
#include "resource.h"
#include "settings/SettingsMirror.h"
#include "switching/InputHook.h"
#include "ui/MainFrame.h"
#include "switching/ThreadMail.h"

using namespace settings_test;

namespace {

// Whether the ui thread asked for an update check, within the time.
bool TakeCheck(ThreadMail& mail, DWORD timeoutMs) {
    CheckRequest request;
    return Poll([&] { return mail.check.Take(request); }, timeoutMs);
}

// The message the tray icon calls back with.
const UINT trayMessage = ::RegisterWindowMessageW(L"WM_TRAYICON");

TEST_F(UiThreadTest, StoredSettingsAreInForceAfterStartAndExitSavesThemAndEnds) {
    WriteDword(L"SW_WHEEL", 0);
    WriteDword(L"SW_HOTKEY_ENABLED", 1);
    WriteDword(L"SW_HOTKEY", 'J');
    WriteDword(L"SW_CTRL", 1);
    WriteDword(L"AC_TASKMGR", 1);
    WriteDword(L"UPDATE_SHOWED", 1);
    StartUi();

    const auto trig = CInputHook::TriggersOf(*g_SettingsMirror.Snapshot());
    EXPECT_FALSE(trig.middle);  // a middle click does not switch
    EXPECT_TRUE(trig.doubleButton);
    EXPECT_EQ('J', trig.key);
    EXPECT_TRUE(trig.ctrl);
    EXPECT_EQ(1, g_SettingsMirror.Snapshot()->disableTaskMgr);
    EXPECT_EQ(0u, ReadDword(L"UPDATE_SHOWED").value_or(9));

    // The very first start shows the window (a moment after it has its title) and remembers that it did.
    EXPECT_TRUE(Poll([&] { return ::IsWindowVisible(frame) != FALSE; }, 5000));
    EXPECT_EQ(1u, ReadDword(product::kFirstStartShownValue).value_or(0));

    testing_support::PostOwn(frame, WM_COMMAND, ID_TRAY_EXIT);
    EXPECT_EQ(0u, WaitUiEnd());
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(mail.ended.Get(), 1000));  // the program ends with it
    EXPECT_EQ(0u, ReadDword(L"SW_WHEEL").value_or(9));
    EXPECT_EQ(static_cast<DWORD>('J'), ReadDword(L"SW_HOTKEY").value_or(0));
    EXPECT_EQ(1u, ReadDword(L"SS_TRAYICON").value_or(0));
    EXPECT_TRUE(ReadText(L"AC_PROCESS0") == std::nullopt);
    EXPECT_EQ(0u, ReadDword(L"AC_PROCESSES_COUNT").value_or(9));

    // Every later start stays hidden.
    StartUi();
    EXPECT_FALSE(::IsWindowVisible(frame));
    testing_support::PostOwn(frame, WM_COMMAND, ID_TRAY_EXIT);
    EXPECT_EQ(0u, WaitUiEnd());
}

TEST_F(UiThreadTest, TrayMenuOffersItsSevenEntriesAndExitFromItSavesAndEnds) {
    WriteDword(product::kFirstStartShownValue, 1);
    StartUi();
    ASSERT_FALSE(::IsWindowVisible(frame));

    ::PostMessageW(frame, trayMessage, CMainFrame::kTrayIconId, WM_RBUTTONUP);
    HWND popup = nullptr;
    ASSERT_TRUE(Poll([&] { return (popup = FindOwnWindow(L"#32768")) != nullptr && ::IsWindowVisible(popup); }, 5000));
    auto menu = reinterpret_cast<HMENU>(::SendMessageW(popup, MN_GETHMENU, 0, 0));
    ASSERT_NE(nullptr, menu);
    ASSERT_EQ(7, ::GetMenuItemCount(menu));
    const UINT ids[7] = {ID_TRAY_PREFERENCES, ID_TRAY_HELP, 0, ID_TRAY_WEBSITE, ID_TRAY_PRODUCTS, 0, ID_TRAY_EXIT};
    const wchar_t* texts[7] = {L"Preferences", L"Help Central", L"", nullptr, L"More Products", L"", L"Exit"};
    for (int i = 0; i < 7; ++i) {
        wchar_t text[64] = {};
        ::GetMenuStringW(menu, i, text, 64, MF_BYPOSITION);
        if (ids[i] == 0) {
            EXPECT_TRUE(::GetMenuState(menu, i, MF_BYPOSITION) & MF_SEPARATOR) << i;
            continue;
        }
        EXPECT_EQ(ids[i], ::GetMenuItemID(menu, i)) << i;
        if (texts[i]) {
            EXPECT_STREQ(texts[i], text);
        }
    }
    EXPECT_EQ(0u, ::GetMenuDefaultItem(menu, TRUE, 0));  // "Preferences" in bold

    // Up from the top wraps to "Exit"; Enter chooses it.
    ::PostMessageW(popup, WM_KEYDOWN, VK_UP, 0);
    ::PostMessageW(popup, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(0u, WaitUiEnd());
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(mail.ended.Get(), 1000));  // the program ends with it
    EXPECT_EQ(1u, ReadDword(L"SW_WHEEL").value_or(9));  // saved on the way out
    EXPECT_EQ(34u + 2u, ValueCount());                 // the settings, the first-start mark, UPDATE_SHOWED
}

TEST_F(UiThreadTest, DoubleClickAndSettingsHotkeyBringTheWindowCloseHidesAndTheTimerAsksForAnUpdate) {
    WriteDword(product::kFirstStartShownValue, 1);
    StartUi();
    ASSERT_FALSE(::IsWindowVisible(frame));

    ::PostMessageW(frame, trayMessage, CMainFrame::kTrayIconId, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(Poll([&] { return ::IsWindowVisible(frame) != FALSE; }, 5000));
    // Another icon id or another mouse message does nothing.
    ::SendMessageW(frame, WM_CLOSE, 0, 0);
    EXPECT_FALSE(::IsWindowVisible(frame));
    ::SendMessageW(frame, trayMessage, CMainFrame::kTrayIconId + 1, WM_LBUTTONDBLCLK);
    ::SendMessageW(frame, trayMessage, CMainFrame::kTrayIconId, WM_LBUTTONUP);
    EXPECT_FALSE(::IsWindowVisible(frame));
    EXPECT_EQ(WAIT_TIMEOUT, ::WaitForSingleObject(ui.Get(), 0));  // closing did not quit

    // The default settings hotkey, Alt+F2, from the keyboard, with no other modifier held: Wine keeps
    // each desktop's key state for the whole session, whatever earlier test programs left in it.
    for (WORD modifier : {VK_LCONTROL, VK_RCONTROL, VK_LSHIFT, VK_RSHIFT, VK_LWIN, VK_RWIN}) SendKey(modifier, false);
    SendKey(VK_MENU, true);
    SendKey(VK_F2, true);
    SendKey(VK_F2, false);
    SendKey(VK_MENU, false);
    EXPECT_TRUE(Poll([&] { return ::IsWindowVisible(frame) != FALSE; }, 5000));

    // Timer 188 asks the check thread for an update check; another timer does not.
    ::SendMessageW(frame, WM_TIMER, 189, 0);
    EXPECT_FALSE(TakeCheck(mail, 200));
    ::SendMessageW(frame, WM_TIMER, CMainFrame::kUpdateTimerId, 0);
    EXPECT_TRUE(TakeCheck(mail, 1000));
}

}  // namespace
