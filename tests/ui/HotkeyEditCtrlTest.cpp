// Hotkey capture in a real edit control with keys injected through SendInput.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Window.h"
#include "support/TestSupport.h"
#include "ui/controls/HotkeyEditCtrl.h"

namespace {

class HotkeyEditCtrlTest : public ::testing::Test {
protected:
    void SetUp() override {
        host = ::CreateWindowExW(0, L"STATIC", L"hotkey host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300, 120,
                                 nullptr, nullptr, vp::ModuleInstance(), nullptr);
        ASSERT_NE(nullptr, host);
        HWND edit = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 10, 200, 24, host,
                                      reinterpret_cast<HMENU>(11007), vp::ModuleInstance(), nullptr);
        ASSERT_TRUE(ctrl.SubclassWindow(edit));
        ::SetForegroundWindow(host);
        ::SetFocus(edit);
        ASSERT_TRUE(testing_support::WaitUntil([&] { return ::GetFocus() == edit; }, 3000));
        // Taking the focus makes Wine set the X input focus, and the X server's answer re-reads the
        // modifier keys from the real keyboard, where no injected key is down. Asking the X server
        // something (where the cursor is) brings that answer in; handling it now keeps it from
        // releasing a Ctrl the test holds later.
        POINT cursor;
        ::GetCursorPos(&cursor);
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    }
    void TearDown() override {
        // Leave no key down behind for the next test.
        for (WORD vk : {VK_CONTROL, VK_MENU, VK_SHIFT}) Key(vk, false);
        Settle();
        ::DestroyWindow(host);
    }

    static void Key(WORD vk, bool down) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = vk;
        in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
        ::SendInput(1, &in, sizeof(in));
    }
    static void Press(WORD vk) {
        Key(vk, true);
        Key(vk, false);
    }
    // Lets the injected input arrive and be handled.
    static void Settle() {
        testing_support::WaitUntil([] { return false; }, 150);
    }
    std::wstring Text() const {
        wchar_t text[64] = {};
        ::GetWindowTextW(ctrl.m_hWnd, text, 64);
        return text;
    }

    HWND host = nullptr;
    CHotkeyEditCtrl ctrl;
};

TEST_F(HotkeyEditCtrlTest, ModifiersThenKeyMakeACompleteCombinationThatSurvivesRelease) {
    Key(VK_CONTROL, true);
    Settle();
    EXPECT_EQ(L"Ctrl+", Text());
    Key(VK_MENU, true);
    Settle();
    EXPECT_EQ(L"Ctrl+Alt+", Text());
    Key(VK_F2, true);
    Settle();
    EXPECT_EQ(L"Ctrl+Alt+F2", Text());
    Key(VK_F2, false);
    Key(VK_MENU, false);
    Key(VK_CONTROL, false);
    Settle();
    EXPECT_EQ(L"Ctrl+Alt+F2", Text());
    const auto hk = ctrl.GetHotkey();
    EXPECT_EQ(1, hk.complete);
    EXPECT_EQ(0x71u, hk.key);
    EXPECT_EQ(1, hk.ctrl);
    EXPECT_EQ(0, hk.shift);
    EXPECT_EQ(1, hk.alt);
}

TEST_F(HotkeyEditCtrlTest, KeysWithoutNameEmptyItAndKeypadDigitsKeepTheirCode) {
    Press('Q');
    Settle();
    EXPECT_EQ(L"Q", Text());
    // Caps Lock has no name: the control reads as no key. Pressed twice to leave its state alone.
    Press(VK_CAPITAL);
    Settle();
    EXPECT_EQ(L"", Text());
    EXPECT_EQ(0, ctrl.GetHotkey().complete);
    EXPECT_EQ(0u, ctrl.GetHotkey().key);
    Press(VK_CAPITAL);
    Settle();

    Press(VK_NUMPAD5);
    Settle();
    EXPECT_EQ(L"5", Text());
    EXPECT_EQ(0x65u, ctrl.GetHotkey().key);
    Press(VK_BACK);  // captured, never erases
    Settle();
    EXPECT_EQ(L"BACK", Text());
}

TEST_F(HotkeyEditCtrlTest, BareShiftShowsWhileDownAndLeavesNothing) {
    Key(VK_SHIFT, true);
    Settle();
    EXPECT_EQ(L"Shift+", Text());
    Key(VK_SHIFT, false);
    Settle();
    EXPECT_EQ(L"", Text());
    EXPECT_EQ(0, ctrl.GetHotkey().complete);
}

TEST_F(HotkeyEditCtrlTest, TypedCharactersNeverAppear) {
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wScan = in[1].ki.wScan = L'x';
    in[0].ki.dwFlags = KEYEVENTF_UNICODE;
    in[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
    ::SendInput(2, in, sizeof(INPUT));
    ::SendMessageW(ctrl.m_hWnd, WM_CHAR, L'y', 0);
    Settle();
    EXPECT_EQ(L"", Text());
}

TEST_F(HotkeyEditCtrlTest, SetHotkeyShowsTheStoredCombination) {
    ctrl.SetHotkey(1, VK_F2, 0, 0, 1);
    EXPECT_EQ(L"Alt+F2", Text());
    ctrl.SetHotkey(1, VK_F1, 1, 1, 1);
    EXPECT_EQ(L"Ctrl+Alt+Shift+F1", Text());
    ctrl.SetHotkey(0, 0, 0, 0, 0);
    EXPECT_EQ(L"", Text());
    EXPECT_EQ(0u, ctrl.GetHotkey().key);
}

}  // namespace
