#include <gtest/gtest.h>

#include "app/ThreadMessages.h"
#include "support/TestSupport.h"
#include "switching/HookLib.h"

using namespace testing_support;
using hooklib::TriggerRecogniser;
using hooklib::Verdict;

namespace {

TriggerRecogniser::Settings Middle() { TriggerRecogniser::Settings s; s.middle = true; return s; }
TriggerRecogniser::Settings Double() { TriggerRecogniser::Settings s; s.doubleButton = true; return s; }
TriggerRecogniser::Settings Key(int vk, bool shift, bool ctrl, bool alt) {
    TriggerRecogniser::Settings s;
    s.key = vk; s.shift = shift; s.ctrl = ctrl; s.alt = alt;
    return s;
}

TEST(TriggerRecogniser, MiddleButtonTriggersAndItsReleaseIsKeptFromPrograms) {
    TriggerRecogniser r;
    EXPECT_EQ(Verdict::PassOn, r.OnMouse(WM_MBUTTONDOWN, {}));
    EXPECT_EQ(Verdict::PassOn, r.OnMouse(WM_MBUTTONUP, {}));
    EXPECT_EQ(Verdict::Trigger, r.OnMouse(WM_MBUTTONDOWN, Middle()));
    EXPECT_EQ(Verdict::Swallow, r.OnMouse(WM_MBUTTONUP, Middle()));
    EXPECT_EQ(Verdict::PassOn, r.OnMouse(WM_MOUSEMOVE, Middle()));
    EXPECT_EQ(Verdict::PassOn, r.OnMouse(WM_LBUTTONDOWN, Middle()));
}

TEST(TriggerRecogniser, LeftAndRightTogetherTriggerOnceInEitherOrder) {
    TriggerRecogniser r;
    EXPECT_EQ(Verdict::PassOn, r.OnMouse(WM_LBUTTONDOWN, Double()));
    EXPECT_EQ(Verdict::Trigger, r.OnMouse(WM_RBUTTONDOWN, Double()));
    EXPECT_EQ(Verdict::Swallow, r.OnMouse(WM_RBUTTONUP, Double()));
    EXPECT_EQ(Verdict::PassOn, r.OnMouse(WM_LBUTTONUP, Double()));  // the first button's program sees its release

    EXPECT_EQ(Verdict::PassOn, r.OnMouse(WM_RBUTTONDOWN, Double()));
    EXPECT_EQ(Verdict::Trigger, r.OnMouse(WM_LBUTTONDOWN, Double()));
    EXPECT_EQ(Verdict::PassOn, r.OnMouse(WM_RBUTTONUP, Double()));
    EXPECT_EQ(Verdict::Swallow, r.OnMouse(WM_LBUTTONUP, Double()));

    // Plain clicks, one after the other, are no trigger; nor is the pair with the setting off.
    EXPECT_EQ(Verdict::PassOn, r.OnMouse(WM_LBUTTONDOWN, Double()));
    EXPECT_EQ(Verdict::PassOn, r.OnMouse(WM_LBUTTONUP, Double()));
    EXPECT_EQ(Verdict::PassOn, r.OnMouse(WM_RBUTTONDOWN, Double()));
    EXPECT_EQ(Verdict::PassOn, r.OnMouse(WM_RBUTTONUP, Double()));
    EXPECT_EQ(Verdict::PassOn, r.OnMouse(WM_LBUTTONDOWN, {}));
    EXPECT_EQ(Verdict::PassOn, r.OnMouse(WM_RBUTTONDOWN, {}));
}

TEST(TriggerRecogniser, KeyNeedsExactlyItsModifiersAndRepeatsDoNotRetrigger) {
    TriggerRecogniser r;
    const auto ctrlF9 = Key(VK_F9, false, true, false);
    EXPECT_EQ(Verdict::PassOn, r.OnKey(WM_KEYDOWN, VK_F9, ctrlF9));  // no Ctrl held
    EXPECT_EQ(Verdict::PassOn, r.OnKey(WM_KEYUP, VK_F9, ctrlF9));
    EXPECT_EQ(Verdict::PassOn, r.OnKey(WM_KEYDOWN, VK_LCONTROL, ctrlF9));
    EXPECT_EQ(Verdict::Trigger, r.OnKey(WM_KEYDOWN, VK_F9, ctrlF9));
    EXPECT_EQ(Verdict::Swallow, r.OnKey(WM_KEYDOWN, VK_F9, ctrlF9));  // auto-repeat
    EXPECT_EQ(Verdict::Swallow, r.OnKey(WM_KEYUP, VK_F9, ctrlF9));
    // One modifier too many.
    EXPECT_EQ(Verdict::PassOn, r.OnKey(WM_KEYDOWN, VK_RSHIFT, ctrlF9));
    EXPECT_EQ(Verdict::PassOn, r.OnKey(WM_KEYDOWN, VK_F9, ctrlF9));
    EXPECT_EQ(Verdict::PassOn, r.OnKey(WM_KEYUP, VK_F9, ctrlF9));
    EXPECT_EQ(Verdict::PassOn, r.OnKey(WM_KEYUP, VK_RSHIFT, ctrlF9));
    EXPECT_EQ(Verdict::PassOn, r.OnKey(WM_KEYUP, VK_LCONTROL, ctrlF9));
    // Alt arrives as a system key.
    const auto altF9 = Key(VK_F9, false, false, true);
    EXPECT_EQ(Verdict::PassOn, r.OnKey(WM_SYSKEYDOWN, VK_LMENU, altF9));
    EXPECT_EQ(Verdict::Trigger, r.OnKey(WM_SYSKEYDOWN, VK_F9, altF9));
    EXPECT_EQ(Verdict::Swallow, r.OnKey(WM_SYSKEYUP, VK_F9, altF9));
    // Key 0 means no hotkey at all.
    EXPECT_EQ(Verdict::PassOn, r.OnKey(WM_KEYDOWN, 0, Key(0, false, false, false)));
}

TEST(TriggerRecogniser, ARestartForgetsReleasesThatWereNeverSeen) {
    // The trigger key went down on one desktop; its release happened while the hook moved.
    TriggerRecogniser r;
    const auto f9 = Key(VK_F9, false, false, false);
    EXPECT_EQ(Verdict::Trigger, r.OnKey(WM_KEYDOWN, VK_F9, f9));
    EXPECT_EQ(Verdict::Trigger, r.OnMouse(WM_MBUTTONDOWN, Middle()));
    r.Restart(false, false, false, false, false);
    EXPECT_EQ(Verdict::Trigger, r.OnKey(WM_KEYDOWN, VK_F9, f9));  // not mistaken for auto-repeat
    EXPECT_EQ(Verdict::Trigger, r.OnMouse(WM_MBUTTONDOWN, Middle()));
    // Modifiers still held when the hook arrives count.
    r.Restart(false, true, false, false, false);
    EXPECT_EQ(Verdict::PassOn, r.OnKey(WM_KEYUP, VK_F9, f9));
    EXPECT_EQ(Verdict::Trigger, r.OnKey(WM_KEYDOWN, VK_F9, Key(VK_F9, false, true, false)));
}

// The real hooks, with input sent on this desktop.
class HookLibLive : public ::testing::Test {
protected:
    void TearDown() override {
        UnInstallInputHook(0);
        SetMiddleButton(0);
        SetDoubleButton(0);
        SetKeyCode(0, 0, 0, 0);
    }
    static void Inject(const wchar_t* steps) {
        StartedProcess p;
        ASSERT_TRUE(StartProcess(L"\"" + HelperPath(L"inject_input.exe") + L"\" " + steps, p));
        ASSERT_EQ(0u, WaitExit(p, 10000));
    }
    // Counts the switch requests that reach this thread within a short settle time.
    static int Requests(DWORD settleMs = 400) {
        int n = 0;
        const ULONGLONG end = ::GetTickCount64() + settleMs;
        while (::GetTickCount64() < end) {
            MSG msg;
            while (::PeekMessageW(&msg, nullptr, WM_DESKTOP_SWITCH, WM_DESKTOP_SWITCH, PM_REMOVE)) {
                EXPECT_EQ(1, msg.lParam);
                ++n;
            }
            ::Sleep(5);
        }
        return n;
    }
};

TEST_F(HookLibLive, EachEnabledTriggerPostsOneRequestToTheInstallingThread) {
    MSG msg;
    ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
    const int self = static_cast<int>(::GetCurrentThreadId());
    InstallInputHook(self);
    ASSERT_NE(nullptr, hooklib::HookedDesktop());

    Inject(L"middle leftright key:0x78+ctrl");
    EXPECT_EQ(0, Requests());  // nothing enabled yet

    SetMiddleButton(1);
    SetDoubleButton(1);
    SetKeyCode(0x78, 0, 1, 0);  // Ctrl+F9
    Inject(L"middle");
    EXPECT_EQ(1, Requests());
    Inject(L"leftright");
    EXPECT_EQ(1, Requests());
    Inject(L"key:0x78+ctrl");
    EXPECT_EQ(1, Requests());
    Inject(L"key:0x78 key:0x78+ctrl+shift");
    EXPECT_EQ(0, Requests());

    // Settings outlive uninstalling and installing again; a setter with 0 turns its trigger off.
    UnInstallInputHook(self);
    EXPECT_EQ(nullptr, hooklib::HookedDesktop());
    Inject(L"middle");
    EXPECT_EQ(0, Requests());
    InstallInputHook(self);
    SetMiddleButton(0);
    Inject(L"middle leftright");
    EXPECT_EQ(1, Requests());
}

}  // namespace
