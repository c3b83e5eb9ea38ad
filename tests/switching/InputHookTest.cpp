#include <gtest/gtest.h>

#include <initializer_list>

#include "framework/Product.h"
#include "support/TestSupport.h"
#include "switching/InputHook.h"
#include "switching/SwitcherHarness.h"
#include "switching/ThreadMail.h"

using namespace testing_support;
using hooklib::HeldInput;
using hooklib::Modifiers;
using hooklib::TriggerRecogniser;
using hooklib::Verdict;

namespace {

constexpr int kOriginal = 0, kVirtual = 1;

TriggerRecogniser::Settings Middle() { TriggerRecogniser::Settings s; s.middle = true; return s; }
TriggerRecogniser::Settings Double() { TriggerRecogniser::Settings s; s.doubleButton = true; return s; }
// The system's key state: the sided codes held.
Modifiers Held(std::initializer_list<DWORD> keys) {
    Modifiers m;
    for (DWORD vk : keys) {
        switch (vk) {
        case VK_LSHIFT: m.shift[0] = true; break;
        case VK_RSHIFT: m.shift[1] = true; break;
        case VK_LCONTROL: m.ctrl[0] = true; break;
        case VK_RCONTROL: m.ctrl[1] = true; break;
        case VK_LMENU: m.alt[0] = true; break;
        case VK_RMENU: m.alt[1] = true; break;
        }
    }
    return m;
}

TriggerRecogniser::Settings Key(int vk, bool shift, bool ctrl, bool alt) {
    TriggerRecogniser::Settings s;
    s.key = vk; s.shift = shift; s.ctrl = ctrl; s.alt = alt;
    return s;
}

TEST(TriggerRecogniser, MiddleButtonTriggersAndItsReleaseIsKeptFromPrograms) {
    TriggerRecogniser r;
    EXPECT_EQ(Verdict::PassOn, r.OnMouse(WM_MBUTTONDOWN, kOriginal, {}));
    EXPECT_EQ(Verdict::PassOn, r.OnMouse(WM_MBUTTONUP, kOriginal, {}));
    EXPECT_EQ(Verdict::Trigger, r.OnMouse(WM_MBUTTONDOWN, kOriginal, Middle()));
    EXPECT_EQ(Verdict::Swallow, r.OnMouse(WM_MBUTTONUP, kVirtual, Middle()));
    EXPECT_EQ(Verdict::PassOn, r.OnMouse(WM_MOUSEMOVE, kVirtual, Middle()));
    EXPECT_EQ(Verdict::PassOn, r.OnMouse(WM_LBUTTONDOWN, kVirtual, Middle()));
}

TEST(TriggerRecogniser, LeftAndRightTogetherTriggerOnceAndLeaveNoReleaseOnTheNewDesktop) {
    TriggerRecogniser r;
    // The screen changed: both releases arrive on the other desktop, whose programs saw no press.
    EXPECT_EQ(Verdict::PassOn, r.OnMouse(WM_LBUTTONDOWN, kOriginal, Double()));
    EXPECT_EQ(Verdict::Trigger, r.OnMouse(WM_RBUTTONDOWN, kOriginal, Double()));
    EXPECT_EQ(Verdict::Swallow, r.OnMouse(WM_RBUTTONUP, kVirtual, Double()));
    EXPECT_EQ(Verdict::Swallow, r.OnMouse(WM_LBUTTONUP, kVirtual, Double()));

    // The screen stayed (a password prompt opened): the first button's program gets its release.
    EXPECT_EQ(Verdict::PassOn, r.OnMouse(WM_RBUTTONDOWN, kVirtual, Double()));
    EXPECT_EQ(Verdict::Trigger, r.OnMouse(WM_LBUTTONDOWN, kVirtual, Double()));
    EXPECT_EQ(Verdict::PassOn, r.OnMouse(WM_RBUTTONUP, kVirtual, Double()));
    EXPECT_EQ(Verdict::Swallow, r.OnMouse(WM_LBUTTONUP, kVirtual, Double()));

    // Plain clicks, one after the other, are no trigger; nor is the pair with the setting off.
    EXPECT_EQ(Verdict::PassOn, r.OnMouse(WM_LBUTTONDOWN, kOriginal, Double()));
    EXPECT_EQ(Verdict::PassOn, r.OnMouse(WM_LBUTTONUP, kOriginal, Double()));
    EXPECT_EQ(Verdict::PassOn, r.OnMouse(WM_RBUTTONDOWN, kOriginal, Double()));
    EXPECT_EQ(Verdict::PassOn, r.OnMouse(WM_RBUTTONUP, kOriginal, Double()));
    EXPECT_EQ(Verdict::PassOn, r.OnMouse(WM_LBUTTONDOWN, kOriginal, {}));
    EXPECT_EQ(Verdict::PassOn, r.OnMouse(WM_RBUTTONDOWN, kOriginal, {}));
}

TEST(TriggerRecogniser, KeyNeedsExactlyTheModifiersHeldWhenItGoesDown) {
    TriggerRecogniser r;
    const auto ctrlF9 = Key(VK_F9, false, true, false);
    EXPECT_EQ(Verdict::PassOn, r.OnKey(WM_KEYDOWN, VK_F9, ctrlF9, Held({})));
    EXPECT_EQ(Verdict::PassOn, r.OnKey(WM_KEYUP, VK_F9, ctrlF9));
    // Either hand; a Ctrl the hooks never saw go down counts as the system says.
    EXPECT_EQ(Verdict::Trigger, r.OnKey(WM_KEYDOWN, VK_F9, ctrlF9, Held({VK_RCONTROL})));
    EXPECT_EQ(Verdict::Swallow, r.OnKey(WM_KEYUP, VK_F9, ctrlF9));
    EXPECT_EQ(Verdict::PassOn, r.OnKey(WM_KEYDOWN, VK_LCONTROL, ctrlF9));
    EXPECT_EQ(Verdict::Trigger, r.OnKey(WM_KEYDOWN, VK_F9, ctrlF9, Held({VK_LCONTROL})));
    EXPECT_EQ(Verdict::Swallow, r.OnKey(WM_KEYUP, VK_F9, ctrlF9));
    // The hooks saw Ctrl go down, and it was let go where none listens: the system's word counts.
    EXPECT_EQ(Verdict::PassOn, r.OnKey(WM_KEYDOWN, VK_F9, ctrlF9, Held({})));
    EXPECT_EQ(Verdict::PassOn, r.OnKey(WM_KEYUP, VK_F9, ctrlF9));
    EXPECT_EQ(Verdict::PassOn, r.OnKey(WM_KEYDOWN, VK_F9, ctrlF9, Held({VK_LCONTROL, VK_RSHIFT})));  // one too many
    EXPECT_EQ(Verdict::PassOn, r.OnKey(WM_KEYUP, VK_F9, ctrlF9));
    // Let go where the hooks saw it, while the system of this desktop still holds it down (it saw
    // the press, not the release): up. The other hand is still the system's to tell.
    EXPECT_EQ(Verdict::PassOn, r.OnKey(WM_KEYUP, VK_LCONTROL, ctrlF9));
    EXPECT_EQ(Verdict::PassOn, r.OnKey(WM_KEYDOWN, VK_F9, ctrlF9, Held({VK_LCONTROL})));
    EXPECT_EQ(Verdict::PassOn, r.OnKey(WM_KEYUP, VK_F9, ctrlF9));
    EXPECT_EQ(Verdict::Trigger, r.OnKey(WM_KEYDOWN, VK_F9, ctrlF9, Held({VK_LCONTROL, VK_RCONTROL})));
    EXPECT_EQ(Verdict::Swallow, r.OnKey(WM_KEYUP, VK_F9, ctrlF9));
    // Alt arrives as a system key.
    const auto altF9 = Key(VK_F9, false, false, true);
    EXPECT_EQ(Verdict::Trigger, r.OnKey(WM_SYSKEYDOWN, VK_F9, altF9, Held({VK_RMENU})));
    EXPECT_EQ(Verdict::Swallow, r.OnKey(WM_SYSKEYUP, VK_F9, altF9));
    // Key 0 means no hotkey at all, and a modifier is never the trigger.
    EXPECT_EQ(Verdict::PassOn, r.OnKey(WM_KEYDOWN, 0, Key(0, false, false, false)));
    EXPECT_EQ(Verdict::PassOn, r.OnKey(WM_KEYDOWN, VK_LCONTROL, Key(VK_LCONTROL, false, false, false)));
}

TEST(TriggerRecogniser, AHeldKeyTriggersOnceWhereverItsRepeatsArrive) {
    TriggerRecogniser r;
    const auto f8 = Key(VK_F8, false, false, false);
    EXPECT_EQ(Verdict::Trigger, r.OnKey(WM_KEYDOWN, VK_F8, f8));
    // The other desktop's hooks arrive (nothing held there as far as its key state tells): what was
    // seen going down stays down.
    r.Arrive(HeldInput{}, f8);
    for (int i = 0; i < 30; ++i) EXPECT_EQ(Verdict::Swallow, r.OnKey(WM_KEYDOWN, VK_F8, f8));
    EXPECT_EQ(Verdict::Swallow, r.OnKey(WM_KEYUP, VK_F8, f8));
    EXPECT_EQ(Verdict::Trigger, r.OnKey(WM_KEYDOWN, VK_F8, f8));  // the next fresh press
    EXPECT_EQ(Verdict::Swallow, r.OnKey(WM_KEYUP, VK_F8, f8));

    // Held with the wrong modifiers, the key stays a key while it repeats.
    const auto ctrlF8 = Key(VK_F8, false, true, false);
    EXPECT_EQ(Verdict::PassOn, r.OnKey(WM_KEYDOWN, VK_F8, ctrlF8));
    EXPECT_EQ(Verdict::PassOn, r.OnKey(WM_KEYDOWN, VK_F8, ctrlF8));
    EXPECT_EQ(Verdict::PassOn, r.OnKey(WM_KEYUP, VK_F8, ctrlF8));
}

TEST(TriggerRecogniser, AReleaseThatNeverArrivedCostsNoPress) {
    // A hook that answers too late is passed over, so a release can go unseen. Another key going
    // down ends the held key's repeats: its next key-down is a fresh press.
    TriggerRecogniser r;
    const auto ctrlF9 = Key(VK_F9, false, true, false);
    const Modifiers ctrl = Held({VK_LCONTROL});
    EXPECT_EQ(Verdict::Trigger, r.OnKey(WM_KEYDOWN, VK_F9, ctrlF9, ctrl));
    // F9's release is lost; Ctrl is let go and pressed again on the other desktop.
    EXPECT_EQ(Verdict::PassOn, r.OnKey(WM_KEYUP, VK_LCONTROL, ctrlF9));
    EXPECT_EQ(Verdict::PassOn, r.OnKey(WM_KEYDOWN, VK_LCONTROL, ctrlF9));
    EXPECT_EQ(Verdict::Trigger, r.OnKey(WM_KEYDOWN, VK_F9, ctrlF9, ctrl));
    EXPECT_EQ(Verdict::Swallow, r.OnKey(WM_KEYDOWN, VK_F9, ctrlF9, ctrl));  // its own repeats
    EXPECT_EQ(Verdict::Swallow, r.OnKey(WM_KEYUP, VK_F9, ctrlF9));

    // Held with the wrong modifiers, the key becomes the trigger when pressed afresh after them.
    EXPECT_EQ(Verdict::PassOn, r.OnKey(WM_KEYDOWN, VK_F9, ctrlF9, Modifiers{}));
    EXPECT_EQ(Verdict::PassOn, r.OnKey(WM_KEYDOWN, VK_LCONTROL, ctrlF9));
    EXPECT_EQ(Verdict::Trigger, r.OnKey(WM_KEYDOWN, VK_F9, ctrlF9, ctrl));
}

TEST(TriggerRecogniser, WhatIsHeldWhenHooksArriveCountsAsSeen) {
    const auto f8 = Key(VK_F8, false, false, false);
    TriggerRecogniser r;
    HeldInput held;
    held.key = true;
    held.left = true;
    r.Arrive(held, f8);
    // The held trigger key's repeats and release never trigger; its next press does.
    EXPECT_EQ(Verdict::Swallow, r.OnKey(WM_KEYDOWN, VK_F8, f8));
    EXPECT_EQ(Verdict::Swallow, r.OnKey(WM_KEYUP, VK_F8, f8));
    EXPECT_EQ(Verdict::Trigger, r.OnKey(WM_KEYDOWN, VK_F8, f8));
    EXPECT_EQ(Verdict::Swallow, r.OnKey(WM_KEYUP, VK_F8, f8));
    // The held button's release goes to no program; the next click does.
    EXPECT_EQ(Verdict::Swallow, r.OnMouse(WM_LBUTTONUP, kOriginal, Double()));
    EXPECT_EQ(Verdict::PassOn, r.OnMouse(WM_LBUTTONDOWN, kOriginal, Double()));
    EXPECT_EQ(Verdict::PassOn, r.OnMouse(WM_LBUTTONUP, kOriginal, Double()));
}

TEST(TriggerRecogniser, GenericModifierCodesAreToldApart) {
    EXPECT_EQ(static_cast<DWORD>(VK_LCONTROL), hooklib::SidedKey(VK_CONTROL, 0x1D, 0));
    EXPECT_EQ(static_cast<DWORD>(VK_RCONTROL), hooklib::SidedKey(VK_CONTROL, 0x1D, LLKHF_EXTENDED));
    EXPECT_EQ(static_cast<DWORD>(VK_LMENU), hooklib::SidedKey(VK_MENU, 0x38, 0));
    EXPECT_EQ(static_cast<DWORD>(VK_RMENU), hooklib::SidedKey(VK_MENU, 0x38, LLKHF_EXTENDED));
    EXPECT_EQ(static_cast<DWORD>(VK_LSHIFT), hooklib::SidedKey(VK_SHIFT, 0x2A, 0));
    EXPECT_EQ(static_cast<DWORD>(VK_RSHIFT), hooklib::SidedKey(VK_SHIFT, 0x36, 0));
    EXPECT_EQ(static_cast<DWORD>(VK_RCONTROL), hooklib::SidedKey(VK_RCONTROL, 0, 0));
    EXPECT_EQ(static_cast<DWORD>(VK_F9), hooklib::SidedKey(VK_F9, 0x43, LLKHF_EXTENDED));
}

// The real hooks, with input sent on this desktop, and the triggers read from the mirror.
class InputHookLive : public ::testing::Test {
protected:
    void SetUp() override { SwitcherHarness::ClearMirror(); }
    void TearDown() override { SwitcherHarness::ClearMirror(); }
    bool Install() { return hook.Install(::GetThreadDesktop(::GetCurrentThreadId()), kGivenOnOriginal); }
    // The triggers that have reached the mail (the injector has ended, so every callback has run),
    // each saying it was given on this desktop.
    int Requests() {
        int n = 0;
        HookRequest request;
        while (mail.Take(request)) {
            EXPECT_EQ(HookRequest::Kind::Trigger, request.kind);
            EXPECT_EQ(kGivenOnOriginal, request.givenOn);
            ++n;
        }
        return n;
    }
    vp::CMailbox<HookRequest> mail;
    CInputHook hook{mail};
};

TEST_F(InputHookLive, EachEnabledTriggerPutsOneRequestInTheMailItWasGiven) {
    ASSERT_TRUE(Install());
    EXPECT_EQ(DesktopName(::GetThreadDesktop(::GetCurrentThreadId())), DesktopName(hook.HookedDesktop(kGivenOnOriginal)));
    EXPECT_EQ(nullptr, hook.HookedDesktop(kGivenOnVirtual));

    ASSERT_TRUE(InjectInput(L"middle leftright key:0x78+ctrl"));
    EXPECT_EQ(0, Requests());  // nothing enabled yet

    SwitcherHarness::SetMiddleButton(true);
    SwitcherHarness::SetButtonPair(true);
    SwitcherHarness::SetHotkey(0x78, false, true);  // Ctrl+F9
    ASSERT_TRUE(InjectInput(L"middle"));
    EXPECT_EQ(1, Requests());
    ASSERT_TRUE(InjectInput(L"leftright"));
    EXPECT_EQ(1, Requests());
    ASSERT_TRUE(InjectInput(L"key:0x78+ctrl"));
    EXPECT_EQ(1, Requests());
    ASSERT_TRUE(InjectInput(L"key:0x78 key:0x78+ctrl+shift"));
    EXPECT_EQ(0, Requests());

    // The settings outlive removing the hooks and setting them again; a trigger switched off in the
    // snapshot is off at once, the hotkey too while its combination is kept.
    hook.Remove();
    EXPECT_EQ(nullptr, hook.HookedDesktop(kGivenOnOriginal));
    ASSERT_TRUE(InjectInput(L"middle"));
    EXPECT_EQ(0, Requests());
    ASSERT_TRUE(Install());
    SwitcherHarness::SetMiddleButton(false);
    g_SettingsMirror.Update([](CSettingsData& m) { m.switchHotkey.bEnabled = 0; });
    ASSERT_TRUE(InjectInput(L"middle leftright key:0x78+ctrl"));
    EXPECT_EQ(1, Requests());
}

TEST_F(InputHookLive, AKeyHeldWhenTheHooksArriveNeverTriggers) {
    SwitcherHarness::SetHotkey(VK_F8);
    ASSERT_TRUE(InjectInput(L"down:0x77"));
    ASSERT_TRUE(Install());
    ASSERT_TRUE(InjectInput(L"repeat:0x77:300 up:0x77"));
    EXPECT_EQ(0, Requests());
    ASSERT_TRUE(InjectInput(L"key:0x77"));
    EXPECT_EQ(1, Requests());
}

}  // namespace
