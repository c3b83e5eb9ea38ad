#include <gtest/gtest.h>

#include <atomic>

#include "actions/ActionsTestSupport.h"
#include "framework/Product.h"
#include "framework/RegistryStore.h"
#include "framework/Text.h"
#include "support/TestSupport.h"
#include "switching/ComeBack.h"
#include "switching/DesktopSwitcher.h"
#include "switching/OriginalDesktop.h"
#include "switching/PromptDesktop.h"
#include "switching/SwitcherHarness.h"
#include "switching/GuardChannel.h"
#include "switching/ThreadMail.h"

using namespace testing_support;

namespace {

constexpr const wchar_t* kPolicyKey = SwitcherHarness::kPolicyKey;
constexpr const wchar_t* kTypedUrlsKey = SwitcherHarness::kTypedUrlsKey;

void SetPasswords(const wchar_t* switchPassword, const wchar_t* restorePassword) {
    g_SettingsMirror.Update([&](CSettingsData& m) {
        vp::CopyText(m.switchPassword.text, switchPassword);
        vp::CopyText(m.restorePassword.text, restorePassword);
    });
}

class SwitcherTest : public ::testing::Test {
protected:
    void SetUp() override {
        SwitcherHarness::ClearMirror();
        ASSERT_TRUE(h.Start());
    }
    SwitcherHarness h;
};

TEST_F(SwitcherTest, ShellStartsOnTheVirtualDesktopAndBothDesktopsStayHooked) {
    const std::wstring log = h.ShellLog();
    EXPECT_EQ(0u, log.find(L"vpdesk|\"" + h.SystemRoot() + L"\\explorer.exe\"")) << log;
    EXPECT_EQ(L"Default", h.HookThreadDesktop());
    // A middle click on whichever desktop shows is heard there, there and back twice over.
    SwitcherHarness::SetMiddleButton(true);
    for (long n = 1; n <= 4; ++n) {
        ASSERT_TRUE(InjectInput(L"middle", n % 2 ? L"Default" : L"vpdesk"));
        ASSERT_TRUE(h.WaitSwitches(n));
        EXPECT_EQ(n % 2 ? L"vpdesk" : L"Default", h.HookThreadDesktop());
    }
    EXPECT_EQ(0, h.PasswordAsks(1) + h.PasswordAsks(2));
}

TEST(SwitcherRules, ARequestGoesAwayFromTheDesktopItWasGivenOn) {
    EXPECT_EQ(0, DesktopGivenOn(kGivenOnOriginal, 1));
    EXPECT_EQ(1, DesktopGivenOn(kGivenOnVirtual, 0));
    EXPECT_EQ(1, DesktopGivenOn(0, 1));  // a request that does not say: the index decides
    EXPECT_EQ(0, DesktopGivenOn(0, 0));
    // Started from the shell on the virtual desktop, the user's desktop is "Default".
    EXPECT_STREQ(L"Default", OriginalDesktopInstead(L"VPDesk", L"vpdesk"));
    EXPECT_EQ(nullptr, OriginalDesktopInstead(L"Default", L"vpdesk"));
    EXPECT_EQ(nullptr, OriginalDesktopInstead(L"Work", L"vpdesk"));
}

std::wstring Prompts() { return SwitcherHarness::PromptsDesktopName(); }

TEST_F(SwitcherTest, EachPasswordIsAskedOnThePromptsDesktopOnceAndEachApprovalCountsOnce) {
    const std::wstring prompts = Prompts();
    ASSERT_NE(L"", prompts);
    EXPECT_NE(L"Default", prompts);
    EXPECT_NE(L"vpdesk", prompts);
    SetPasswords(L"Secret", L"");
    // Several triggers while the prompt is open: one ask, no switch. The user's desktop is hidden at once.
    h.Trigger();
    h.Trigger();
    h.Trigger();
    ASSERT_TRUE(WaitUntil([&] { return h.Requests() == 3; }, 5000));
    EXPECT_EQ(1, h.PasswordAsks(1));
    EXPECT_EQ(0, h.Switches());
    EXPECT_TRUE(Showing(prompts.c_str()));
    // A prompt closed without the password: back where it was asked from; the next trigger asks again.
    h.Decline(1);
    EXPECT_TRUE(Showing(L"Default"));
    h.Trigger();
    ASSERT_TRUE(WaitUntil([&] { return h.PasswordAsks(1) == 2; }, 5000));

    // The right password goes on from the prompts' desktop; the way back has no password.
    h.Approve(1);
    ASSERT_TRUE(h.WaitSwitches(1));
    EXPECT_EQ(L"vpdesk", h.HookThreadDesktop());
    h.Trigger();
    ASSERT_TRUE(h.WaitSwitches(2));
    // The same approval again, or one for no open ask, switches nothing.
    h.Approve(1);
    h.Approve(2);
    h.Trigger(kGivenOnOriginal);
    ASSERT_TRUE(WaitUntil([&] { return h.PasswordAsks(1) == 3; }, 5000));
    EXPECT_EQ(2, h.Switches());
    h.Decline(1);

    // With a restore password only the way back asks, and it asks the thread of the virtual desktop.
    SetPasswords(L"", L"Back");
    h.Trigger();
    ASSERT_TRUE(h.WaitSwitches(3));
    h.Trigger();
    ASSERT_TRUE(WaitUntil([&] { return h.PasswordAsks(2) == 1; }, 5000));
    EXPECT_EQ(3, h.Switches());
    EXPECT_TRUE(Showing(prompts.c_str()));
    h.Approve(1);  // an ask of the other direction is no approval here
    h.Approve(2);
    ASSERT_TRUE(h.WaitSwitches(4));
    EXPECT_EQ(L"Default", h.HookThreadDesktop());
}

TEST(PromptDesktopTest, NoProgramOfTheUserIsGrantedAnythingOnThePromptsDesktop) {
    // The platform's own access check, for this user as the descriptor's owner, as every program of
    // theirs is.
    CPromptDesktopDescriptor descriptor;
    ASSERT_TRUE(descriptor.Ok());
    HANDLE process = nullptr, token = nullptr;
    ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE, &process));
    ASSERT_TRUE(::DuplicateToken(vp::KernelHandle(process).Get(), SecurityImpersonation, &token));
    const vp::KernelHandle impersonation(token);
    BYTE user[256];
    DWORD size = 0;
    ASSERT_TRUE(::GetTokenInformation(token, TokenUser, user, sizeof(user), &size));
    ::SetSecurityDescriptorOwner(descriptor.Descriptor(), reinterpret_cast<TOKEN_USER*>(user)->User.Sid, FALSE);
    ::SetSecurityDescriptorGroup(descriptor.Descriptor(), reinterpret_cast<TOKEN_USER*>(user)->User.Sid, FALSE);
    GENERIC_MAPPING mapping{DESKTOP_READOBJECTS, DESKTOP_WRITEOBJECTS, DESKTOP_SWITCHDESKTOP, 0x1FF | STANDARD_RIGHTS_REQUIRED};
    for (DWORD right : {DESKTOP_READOBJECTS, DESKTOP_CREATEWINDOW, DESKTOP_HOOKCONTROL, DESKTOP_JOURNALRECORD,
                        DESKTOP_JOURNALPLAYBACK, DESKTOP_ENUMERATE, DESKTOP_WRITEOBJECTS, DESKTOP_SWITCHDESKTOP}) {
        PRIVILEGE_SET privileges{};
        DWORD privilegesSize = sizeof(privileges), granted = 0;
        BOOL allowed = TRUE;
        ASSERT_TRUE(::AccessCheck(descriptor.Descriptor(), token, right, &mapping, &privileges, &privilegesSize, &granted,
                                  &allowed));
        EXPECT_FALSE(allowed) << std::hex << right;
    }
    // Where the platform keeps a desktop's descriptor (Wine keeps none), a helper cannot even open it.
    SECURITY_INFORMATION dacl = DACL_SECURITY_INFORMATION;
    BYTE kept[512];
    BOOL present = FALSE, defaulted = FALSE;
    PACL acl = nullptr;
    if (::GetUserObjectSecurity(PromptDesktop(), &dacl, kept, sizeof(kept), &size) &&
        ::GetSecurityDescriptorDacl(kept, &present, &acl, &defaulted) && present) {
        StartedProcess helper;
        ASSERT_TRUE(StartProcess(L"\"" + HelperPath(L"inject_input.exe") + L"\" --desktop " + Prompts() + L" sleep:0", helper));
        EXPECT_EQ(2u, WaitExit(helper, 10000));  // the desktop not opened
    }
}

std::atomic<bool> g_lockTakes{false};
std::atomic<int> g_locks{0};
BOOL WINAPI PlantedLock() { return ++g_locks, g_lockTakes.load() ? TRUE : FALSE; }
SessionLock PlantedLocked() { return SessionLock::Locked; }

TEST_F(SwitcherTest, WhileTheRestorePromptWaitsAnotherProgramShowingTheUsersDesktopIsLockedBehind) {
    SetLockCallForTest(PlantedLock);
    SetSessionLockQueryForTest(PlantedLocked);
    g_lockTakes = true;
    g_locks = 0;
    SetPasswords(L"", L"Back");
    h.Trigger();
    ASSERT_TRUE(h.WaitSwitches(1));
    h.Trigger();
    ASSERT_TRUE(WaitUntil([&] { return h.PasswordAsks(2) == 1; }, 5000));
    ASSERT_TRUE(Showing(Prompts().c_str()));

    // Someone on "vpdesk" shows the user's desktop while the prompt waits: locked at once, the
    // prompt withdrawn, and its approval no longer counts.
    ASSERT_TRUE(ShowDesktop(L"Default"));
    EXPECT_TRUE(WaitUntil([&] { return g_locks == 1; }, 5000));
    EXPECT_TRUE(WaitUntil([&] { return h.Mail().withdrawnAsks.load() == 1; }, 5000));
    h.Approve(2);
    // The lock holds; the unlock is the way back.
    for (SystemSignal told : {SystemSignal::SessionLocked, SystemSignal::SessionUnlocked}) {
        HookRequest signal(HookRequest::Kind::Signal);
        signal.signal = told;
        h.Mail().hook.Put(std::move(signal));
    }
    EXPECT_TRUE(WaitUntil([] { return !guard_channel::Current().virtualShowing; }, 5000));
    EXPECT_EQ(1, h.Switches());
    SetLockCallForTest(nullptr);
    SetSessionLockQueryForTest(nullptr);
    // The word that another program showed the desktop; gone before the next test looks for its box.
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = ::FindWindowW(L"#32770", L"Veilpane")) != nullptr; }, 5000));
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(box); }, 5000));
}

TEST_F(SwitcherTest, TaskManagerPolicyIsGivenBackAsItWasAndTypedUrlsGo) {
    CRegistryStore typed;
    typed.SetPath(kTypedUrlsKey);
    typed.WriteString(L"url1", L"http://a.example/");
    typed.WriteString(L"url2", L"http://b.example/");
    typed.WriteString(L"url4", L"http://d.example/");
    CRegistryStore policy;
    policy.SetPath(kPolicyKey);
    policy.WriteDword(L"DisableTaskMgr", 7);
    g_SettingsMirror.Update([&](CSettingsData& m) {
        m.disableTaskMgr = 1;
        m.clearTypedUrls = 1;
    });
    for (long round = 0; round < 2; ++round) {
        h.Trigger();
        ASSERT_TRUE(h.WaitSwitches(2 * round + 1));
        EXPECT_EQ(1u, SwitcherHarness::ReadTaskManagerPolicy());
        h.Trigger();
        ASSERT_TRUE(h.WaitSwitches(2 * round + 2));
        ASSERT_TRUE(WaitUntil([] { return SwitcherHarness::ReadTaskManagerPolicy() == 7; }, 5000));
    }
    wchar_t text[64];
    EXPECT_NE(ERROR_SUCCESS, typed.ReadString(L"url1", text));
    EXPECT_NE(ERROR_SUCCESS, typed.ReadString(L"url2", text));
    EXPECT_EQ(ERROR_SUCCESS, typed.ReadString(L"url4", text));
    DeleteKeyTree(kTypedUrlsKey);
    policy.DeleteValue(L"DisableTaskMgr");
}

TEST_F(SwitcherTest, TaskManagerComesBackEvenWhenTheSettingIsClearedOnTheVirtualDesktop) {
    CRegistryStore policy;
    policy.SetPath(kPolicyKey);
    policy.DeleteValue(L"DisableTaskMgr");
    g_SettingsMirror.Update([&](CSettingsData& m) {
        m.disableTaskMgr = 1;
    });
    h.Trigger();
    ASSERT_TRUE(h.WaitSwitches(1));
    g_SettingsMirror.Update([&](CSettingsData& m) {
        m.disableTaskMgr = 0;
    });
    h.Trigger();
    ASSERT_TRUE(h.WaitSwitches(2));
    EXPECT_TRUE(WaitUntil([] { return SwitcherHarness::ReadTaskManagerPolicy() == 0xFFFFFFFF; }, 5000));
}

TEST_F(SwitcherTest, ComeBackReturnsToTheOriginalDesktopUndoesAndLeavesTheTriggerWorking) {
    CRegistryStore policy;
    policy.SetPath(kPolicyKey);
    policy.DeleteValue(L"DisableTaskMgr");
    g_SettingsMirror.Update([&](CSettingsData& m) { m.disableTaskMgr = 1; });
    // On the original desktop already: nothing moves.
    EXPECT_TRUE(ComeBackAndUndo(h.Mail().hook, true, 5000));
    EXPECT_EQ(0, h.Switches());

    h.Trigger();
    ASSERT_TRUE(h.WaitSwitches(1));
    ASSERT_EQ(1u, SwitcherHarness::ReadTaskManagerPolicy());
    // The session's end gives the policy back and leaves the screen where it is.
    EXPECT_TRUE(ComeBackAndUndo(h.Mail().hook, true, 5000, ComeBackKind::UndoOnly));
    EXPECT_EQ(1, h.Switches());
    EXPECT_TRUE(Showing(L"vpdesk"));
    EXPECT_EQ(0xFFFFFFFFu, SwitcherHarness::ReadTaskManagerPolicy());
    EXPECT_TRUE(ComeBackAndUndo(h.Mail().hook, true, 5000));
    EXPECT_EQ(2, h.Switches());
    EXPECT_EQ(L"Default", h.HookThreadDesktop());
    EXPECT_TRUE(Showing(L"Default"));

    // The next trigger goes to the virtual desktop, not back to where the screen already is.
    h.Trigger();
    ASSERT_TRUE(h.WaitSwitches(3));
    EXPECT_EQ(L"vpdesk", h.HookThreadDesktop());
    // Quitting from there comes back too.
    h.Stop();
    EXPECT_EQ(4, h.Switches());
    EXPECT_TRUE(Showing(L"Default"));
    EXPECT_EQ(0xFFFFFFFFu, SwitcherHarness::ReadTaskManagerPolicy());
}

TEST_F(SwitcherTest, BehindARestorePasswordComingBackAsksTheLockAndLeavesTheScreenToTheGuard) {
    SetLockCallForTest(PlantedLock);
    g_locks = 0;
    g_SettingsMirror.Update([&](CSettingsData& m) { vp::CopyText(m.restorePassword.text, L"Back"); });
    h.Trigger();
    ASSERT_TRUE(h.WaitSwitches(1));
    EXPECT_TRUE(guard_channel::Current().virtualShowing);
    for (const bool takes : {false, true}) {
        g_lockTakes = takes;
        EXPECT_TRUE(ComeBackAndUndo(h.Mail().hook, true, 5000));
        // The screen stays: once the program has ended, its guard shows the original desktop when the
        // lock has held and the session is unlocked; a lock that failed is no way back at all.
        EXPECT_EQ(1, h.Switches()) << takes;
        EXPECT_TRUE(Showing(L"vpdesk")) << takes;
        EXPECT_EQ(takes, guard_channel::Current().lockAsked) << takes;
    }
    EXPECT_EQ(2, g_locks.load());
    EXPECT_EQ(0, h.PasswordAsks(2));  // asked by a trigger, never by coming back
    SetLockCallForTest(nullptr);
    SetPasswords(L"", L"");
    h.Stop();  // without a restore password now: quitting comes back
    EXPECT_TRUE(Showing(L"Default"));
}

std::atomic<bool> g_sessionLocked{false};
SessionLock PlantedSessionLock() { return g_sessionLocked ? SessionLock::Locked : SessionLock::Unlocked; }

void PlantSignal(ThreadMail& mail, SystemSignal signal) {
    HookRequest told(HookRequest::Kind::Signal);
    told.signal = signal;
    mail.hook.Put(std::move(told));
}

TEST_F(SwitcherTest, ASwitchAnotherProgramMakesComesBackWithoutARestorePasswordAndLocksBehindOne) {
    g_SettingsMirror.Update([&](CSettingsData& m) { m.disableTaskMgr = 1; });
    const auto undone = [] { return SwitcherHarness::ReadTaskManagerPolicy() == 0xFFFFFFFF; };

    // No restore password: a program on "vpdesk" shows the user's desktop; the program follows and
    // undoes, and the next trigger goes to "vpdesk" again.
    h.Trigger();
    ASSERT_TRUE(h.WaitSwitches(1));
    ASSERT_TRUE(InjectInput(L"show:Default", L"vpdesk"));
    EXPECT_TRUE(WaitUntil(undone, 5000));
    h.Trigger();
    ASSERT_TRUE(h.WaitSwitches(2));
    EXPECT_TRUE(Showing(L"vpdesk"));

    // Behind a restore password: the lock at once. Where none is to be had the virtual desktop comes
    // back; an unlock no confirmed lock came before is only words anyone can send.
    SetLockCallForTest(PlantedLock);
    SetSessionLockQueryForTest(PlantedSessionLock);
    g_locks = 0;
    g_lockTakes = false;
    SetPasswords(L"", L"Back");
    ASSERT_TRUE(InjectInput(L"show:Default", L"vpdesk"));
    EXPECT_TRUE(WaitUntil([] { return g_locks.load() == 1; }, 5000));
    EXPECT_TRUE(Showing(L"vpdesk"));
    PlantSignal(h.Mail(), SystemSignal::SessionUnlocked);
    ASSERT_TRUE(InjectInput(L"show:Default", L"vpdesk"));
    EXPECT_TRUE(WaitUntil([] { return g_locks.load() == 2; }, 5000));
    EXPECT_TRUE(Showing(L"vpdesk"));
    EXPECT_EQ(1u, SwitcherHarness::ReadTaskManagerPolicy());

    // A lock that holds, then the session's own password at the unlock: that is the way back.
    g_lockTakes = true;
    ASSERT_TRUE(InjectInput(L"show:Default", L"vpdesk"));
    ASSERT_TRUE(WaitUntil([] { return g_locks.load() == 3; }, 5000));
    g_sessionLocked = true;  // as the system answers until the unlock has been handled
    PlantSignal(h.Mail(), SystemSignal::SessionLocked);
    PlantSignal(h.Mail(), SystemSignal::SessionUnlocked);
    EXPECT_TRUE(WaitUntil(undone, 5000));
    g_sessionLocked = false;
    EXPECT_TRUE(Showing(L"Default"));
    EXPECT_EQ(2, h.Switches());  // every move after the trigger's was someone else's
    SetLockCallForTest(nullptr);
    SetSessionLockQueryForTest(nullptr);
    SetPasswords(L"", L"");
}

TEST(ComeBack, WithNoHookThreadThereIsNothingToWaitFor) {
    // The program quits after its hook thread failed to start: no wait (an endless one here).
    vp::CMailbox<HookRequest> nobody;
    EXPECT_FALSE(ComeBackAndUndo(nobody, false, INFINITE));
}

TEST_F(SwitcherTest, AHungWindowDoesNotHoldTheSwitch) {
    StartedProcess hung;
    ASSERT_TRUE(StartProcess(L"\"" + HelperPath(L"hung_window.exe") + L"\" \"Hung for the switch\"", hung));
    ASSERT_TRUE(WaitUntil([] { return ::FindWindowW(nullptr, L"Hung for the switch") != nullptr; }, 10000));
    g_SettingsMirror.Update([&](CSettingsData& m) {
        m.monitorOff = 1;
    });
    h.Trigger();
    // A broadcast that waited for every window would never come back from the hung one.
    EXPECT_TRUE(h.WaitSwitches(1, 10000));
    ::TerminateProcess(hung.process.Get(), 0);
}

TEST_F(SwitcherTest, ATriggerGoesAwayFromTheDesktopItWasGivenOnWhateverTheIndexSays) {
    CRegistryStore policy;
    policy.SetPath(kPolicyKey);
    g_SettingsMirror.Update([&](CSettingsData& m) {
        m.disableTaskMgr = 1;
    });
    SwitcherHarness::SetMiddleButton(true);
    ASSERT_TRUE(InjectInput(L"middle", L"Default"));
    ASSERT_TRUE(h.WaitSwitches(1));
    EXPECT_EQ(L"vpdesk", h.HookThreadDesktop());

    // Something else brings the user's desktop back (and Task Manager with it) while the index still
    // says "vpdesk": a trigger given there hides again, actions first, instead of coming back.
    ::SwitchDesktop(OriginalDesktop());
    policy.WriteDword(L"DisableTaskMgr", 0);
    ASSERT_TRUE(InjectInput(L"middle", L"Default"));
    ASSERT_TRUE(h.WaitSwitches(2));
    EXPECT_EQ(1u, SwitcherHarness::ReadTaskManagerPolicy());
    EXPECT_EQ(L"vpdesk", h.HookThreadDesktop());

    // Given on "vpdesk", it comes back.
    ASSERT_TRUE(InjectInput(L"middle", L"vpdesk"));
    ASSERT_TRUE(h.WaitSwitches(3));
    EXPECT_EQ(L"Default", h.HookThreadDesktop());
    EXPECT_TRUE(WaitUntil([] { return SwitcherHarness::ReadTaskManagerPolicy() == 0; }, 5000));
    policy.DeleteValue(L"DisableTaskMgr");
}

TEST_F(SwitcherTest, AHeldHotkeyFlipsOnceOnEachDesktop) {
    SwitcherHarness::SetHotkey(VK_F8);
    // Pressed on the user's desktop and held past the repeat delay: the repeats and the release
    // arrive on the desktop that now shows.
    ASSERT_TRUE(InjectInput(L"down:0x77", L"Default"));
    ASSERT_TRUE(h.WaitSwitches(1));
    ASSERT_TRUE(InjectInput(L"repeat:0x77:1000 up:0x77", L"vpdesk"));
    // The next fresh press comes back, held as long.
    ASSERT_TRUE(InjectInput(L"down:0x77", L"vpdesk"));
    ASSERT_TRUE(h.WaitSwitches(2));
    ASSERT_TRUE(InjectInput(L"repeat:0x77:1000 up:0x77", L"Default"));
    ASSERT_TRUE(h.WaitTriggersTaken());
    EXPECT_EQ(2, h.Triggers());
    EXPECT_EQ(2, h.Switches());
    EXPECT_EQ(L"Default", h.HookThreadDesktop());
}

TEST_F(SwitcherTest, ATriggerGivenWithTheRightCtrlLeavesNoCtrlHeld) {
    SwitcherHarness::SetHotkey(VK_F9, false, true);
    ASSERT_TRUE(InjectInput(L"down:0xA3 down:0x78", L"Default"));
    ASSERT_TRUE(h.WaitSwitches(1));
    // The keys come up on the desktop that now shows; a plain F9 there is only a key.
    ASSERT_TRUE(InjectInput(L"up:0x78 up:0xA3 key:0x78", L"vpdesk"));
    ASSERT_TRUE(h.WaitTriggersTaken());
    EXPECT_EQ(1, h.Triggers());
    // And the other way.
    ASSERT_TRUE(InjectInput(L"down:0xA3 key:0x78 up:0xA3", L"vpdesk"));
    ASSERT_TRUE(h.WaitSwitches(2));
    ASSERT_TRUE(InjectInput(L"key:0x78", L"Default"));
    ASSERT_TRUE(h.WaitTriggersTaken());
    EXPECT_EQ(2, h.Triggers());
    EXPECT_EQ(2, h.Switches());
    // The user's desktop never saw the first right Ctrl come up, and Wine keeps that for the session:
    // the next test's hooks, which never saw it either, would find it held there.
    EXPECT_TRUE(InjectInput(L"up:0xA3", L"Default"));
}

TEST_F(SwitcherTest, ACtrlLetGoWhereNoHookListensIsNotHeldAfterwards) {
    // Pressed on "vpdesk", let go on a desktop without our hooks (as on the secure desktop of a
    // prompt): the plain hotkey on the user's desktop still flips. Each key is given where the screen
    // is, moved there as another program would move it.
    SwitcherHarness::SetHotkey(VK_F9);
    vp::DesktopHandle third(::CreateDesktopW(L"vpthird", nullptr, nullptr, 0, GENERIC_ALL, nullptr));
    ASSERT_TRUE(third);
    ASSERT_TRUE(ShowDesktop(L"vpdesk"));
    ASSERT_TRUE(InjectInput(L"down:0xA2", L"vpdesk"));
    ASSERT_TRUE(ShowDesktop(L"vpthird"));
    ASSERT_TRUE(InjectInput(L"up:0xA2", L"vpthird"));
    ASSERT_TRUE(ShowDesktop(L"Default"));
    ASSERT_TRUE(InjectInput(L"key:0x78", L"Default"));
    EXPECT_TRUE(h.WaitSwitches(1));
    // Wine keeps the key state per desktop and for the whole session: "vpdesk" would go on holding
    // Ctrl for every later test that types there.
    EXPECT_TRUE(InjectInput(L"up:0xA2", L"vpdesk"));
}

BOOL WINAPI RefuseThreadMoveOnce(HDESK) {
    SetDesktopCallsForTest(nullptr, nullptr);
    ::SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

TEST_F(SwitcherTest, ARefusedThreadMoveKeepsTheStateAndTheTriggerAlive) {
    SwitcherHarness::SetMiddleButton(true);
    SetDesktopCallsForTest(nullptr, RefuseThreadMoveOnce);
    ASSERT_TRUE(InjectInput(L"middle", L"Default"));
    ASSERT_TRUE(h.WaitTriggersTaken());
    EXPECT_EQ(0, h.Switches());
    EXPECT_EQ(L"Default", h.HookThreadDesktop());
    // The user is still heard where they are, and the next trigger goes through.
    ASSERT_TRUE(InjectInput(L"middle", L"Default"));
    ASSERT_TRUE(h.WaitSwitches(1));
    EXPECT_EQ(L"vpdesk", h.HookThreadDesktop());
}

TEST_F(SwitcherTest, AnOpenFileFailureIsShownByTheUiThreadWhileTriggersGoOn) {
    actions_test::ScratchFileType type;
    type.SetCommand(L"\"C:\\vp-nowhere\\missing.exe\" \"%1\"");
    g_SettingsMirror.Update([&](CSettingsData& m) {
        vp::CopyText(m.openFile.text, (L"C:\\vp-nowhere\\report" + type.Extension()).c_str());
    });
    SwitcherHarness::SetMiddleButton(true);
    ASSERT_TRUE(InjectInput(L"middle", L"Default"));
    ASSERT_TRUE(h.WaitSwitches(1));
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = ::FindWindowW(L"#32770", L"Veilpane")) != nullptr; }, 10000));
    EXPECT_EQ(h.NoticeThreadId(), ::GetWindowThreadProcessId(box, nullptr));

    // While the box is open, a trigger given on "vpdesk" brings the user back. (Wine 10 hands the
    // screen to the desktop of a message box that opens; Windows leaves it where it is, as here.)
    ASSERT_TRUE(WaitUntil([&] { return ::IsWindowVisible(box) != FALSE; }, 5000));
    ASSERT_TRUE(ShowDesktop(L"vpdesk"));
    ASSERT_TRUE(InjectInput(L"middle", L"vpdesk"));
    ASSERT_TRUE(h.WaitSwitches(2));
    EXPECT_TRUE(::IsWindow(box));
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
}

// A button's release, as the low-level mouse hook is told.
bool IsRelease(WPARAM message) { return message == WM_LBUTTONUP || message == WM_RBUTTONUP || message == WM_MBUTTONUP; }

TEST(SwitcherChordTest, TheButtonPairLeavesNoReleaseOnTheNewDesktop) {
    SwitcherHarness::ClearMirror();
    // The observer's hook goes first, so the desktop must exist before the switcher makes it.
    vp::DesktopHandle vpdesk(::CreateDesktopW(L"vpdesk", nullptr, nullptr, DF_ALLOWOTHERACCOUNTHOOK, GENERIC_ALL, nullptr));
    // Set before the switcher's hooks, it is called after them: it sees only what they let through.
    HookCounter releases(L"vpdesk", WH_MOUSE_LL, IsRelease);
    ASSERT_TRUE(releases.Hooked());
    SwitcherHarness h;
    ASSERT_TRUE(h.Start());
    SwitcherHarness::SetButtonPair(true);
    ASSERT_TRUE(InjectInput(L"ldown rdown", L"Default"));
    ASSERT_TRUE(h.WaitSwitches(1));
    // The fingers come off on the desktop that now shows; then a plain click there.
    ASSERT_TRUE(InjectInput(L"rup lup", L"vpdesk"));
    EXPECT_EQ(0, releases.Count());
    ASSERT_TRUE(InjectInput(L"ldown lup", L"vpdesk"));
    EXPECT_EQ(1, releases.Count());
    EXPECT_EQ(1, h.Triggers());
}

TEST(SwitcherStartTest, AShellThatCannotStartIsReportedAndTheTriggerStillSwitches) {
    SwitcherHarness h;
    SwitcherHarness::ClearMirror();
    ::DeleteFileW((h.SystemRoot() + L"\\explorer.exe").c_str());
    EXPECT_FALSE(h.Start());
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = ::FindWindowW(L"#32770", L"Veilpane")) != nullptr; }, 10000));
    wchar_t text[256] = {};
    ::GetDlgItemTextW(box, 0xFFFF, text, 256);
    EXPECT_EQ(0u, std::wstring(text).find(L"Prepare for virtaul desktop failed\n\n")) << text;
    EXPECT_EQ(h.NoticeThreadId(), ::GetWindowThreadProcessId(box, nullptr));
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);

    // The middle click the hooks swallow is acted on: it hides, and the next one comes back.
    SwitcherHarness::SetMiddleButton(true);
    ASSERT_TRUE(InjectInput(L"middle", L"Default"));
    EXPECT_TRUE(h.WaitSwitches(1));
    EXPECT_EQ(L"vpdesk", h.HookThreadDesktop());
    ASSERT_TRUE(InjectInput(L"middle", L"vpdesk"));
    EXPECT_TRUE(h.WaitSwitches(2));
    EXPECT_EQ(L"Default", h.HookThreadDesktop());
}

TEST(SwitcherStartTest, ACopyStartedAgainAfterTheLastEndedWhileItsPromptShowedBringsTheUsersDesktopBack) {
    // The dead copy's prompts' desktop still shows; its guard hands the new copy what it was told.
    SwitcherHarness::ClearMirror();
    vp::DesktopHandle dead(::CreateDesktopW(L"vptest-prompts", nullptr, nullptr, 0, GENERIC_ALL, nullptr));
    ASSERT_TRUE(dead && ShowDesktop(L"vptest-prompts"));
    GuardState told;
    told.promptShowing = true;
    guard_channel::Open(told, true);
    {
        SwitcherHarness h;
        EXPECT_TRUE(h.Start());
        EXPECT_TRUE(Showing(L"Default"));
    }
    guard_channel::Open(GuardState{}, false);
}

TEST(SwitcherStartTest, BothDesktopsAreHookedAndTheShellStartedBeforeItMayServeAndWhatCameMeanwhileIsServed) {
    SwitcherHarness h;
    SwitcherHarness::ClearMirror();
    vp::KernelHandle serve(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    vp::KernelHandle started(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(h.Start(serve.Get(), started.Get()));
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(started.Get(), 5000));
    // A trigger before it may serve waits in its queue, untaken...
    SwitcherHarness::SetMiddleButton(true);
    ASSERT_TRUE(InjectInput(L"middle", L"Default"));
    ASSERT_TRUE(WaitUntil([&] { return h.Triggers() == 1; }, 5000));
    ::Sleep(200);
    EXPECT_EQ(0, h.Requests());
    // ...and is served once it may.
    ::SetEvent(serve.Get());
    EXPECT_TRUE(h.WaitSwitches(1));
}

}  // namespace
