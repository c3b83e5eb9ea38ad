#include <gtest/gtest.h>

#include "actions/SystemActions.h"
#include "app/ThreadMessages.h"
#include "framework/Text.h"
#include "settings/RegistryStore.h"
#include "support/TestSupport.h"
#include "switching/HookLib.h"
#include "switching/SwitcherHarness.h"

using namespace testing_support;

namespace {

constexpr const wchar_t* kPolicyKey = SwitcherHarness::kPolicyKey;
constexpr const wchar_t* kTypedUrlsKey = SwitcherHarness::kTypedUrlsKey;

void SetPasswords(const wchar_t* switchPassword, const wchar_t* restorePassword) {
    vp::LockGuard lock(g_Module.m_csMirror);
    vp::CopyText(g_Module.m_szSwitchPassword, switchPassword);
    vp::CopyText(g_Module.m_szRestorePassword, restorePassword);
}

class SwitcherTest : public ::testing::Test {
protected:
    void SetUp() override {
        SwitcherHarness::ClearMirror();
        ASSERT_TRUE(h.Start());
    }
    SwitcherHarness h;
};

TEST_F(SwitcherTest, ShellStartsOnTheVirtualDesktopAndTheHookOnTheOriginal) {
    const std::wstring log = h.ShellLog();
    EXPECT_EQ(0u, log.find(L"vpdesk|\"" + h.SystemRoot() + L"\\explorer.exe\"")) << log;
    EXPECT_EQ(L"Default", h.HookThreadDesktop());
    EXPECT_EQ(L"Default", h.HookedDesktop());
}

TEST_F(SwitcherTest, WithoutPasswordsEveryTriggerToggles) {
    h.PostSwitch(1);
    ASSERT_TRUE(h.WaitSwitches(1));
    EXPECT_EQ(L"vpdesk", h.HookThreadDesktop());
    EXPECT_EQ(L"vpdesk", h.HookedDesktop());
    h.PostSwitch(1);
    ASSERT_TRUE(h.WaitSwitches(2));
    EXPECT_EQ(L"Default", h.HookThreadDesktop());
    EXPECT_EQ(L"Default", h.HookedDesktop());
    EXPECT_EQ(0, h.PasswordAsks(1) + h.PasswordAsks(2));
}

TEST_F(SwitcherTest, PasswordGateAsksTheThreadOfTheShowingDesktop) {
    SetPasswords(L"Secret", L"");
    // Several triggers while the prompt is open: each asks again, none switches.
    h.PostSwitch(1);
    h.PostSwitch(1);
    h.PostSwitch(1);
    ASSERT_TRUE(WaitUntil([&] { return h.PasswordAsks(1) == 3; }, 5000));
    EXPECT_EQ(0, h.Switches());
    EXPECT_EQ(L"Default", h.HookThreadDesktop());

    // An authorised request switches without asking; the way back has no password.
    h.PostSwitch(0);
    ASSERT_TRUE(h.WaitSwitches(1));
    h.PostSwitch(1);
    ASSERT_TRUE(h.WaitSwitches(2));
    EXPECT_EQ(3, h.PasswordAsks(1));

    // With a restore password only the way back asks, and it asks the thread of the virtual desktop.
    SetPasswords(L"", L"Back");
    h.PostSwitch(1);
    ASSERT_TRUE(h.WaitSwitches(3));
    h.PostSwitch(1);
    ASSERT_TRUE(WaitUntil([&] { return h.PasswordAsks(2) == 1; }, 5000));
    EXPECT_EQ(3, h.Switches());
    EXPECT_EQ(L"vpdesk", h.HookThreadDesktop());
    h.PostSwitch(0);
    ASSERT_TRUE(h.WaitSwitches(4));
    EXPECT_EQ(L"Default", h.HookThreadDesktop());
}

TEST_F(SwitcherTest, TaskManagerPolicyFollowsTheSwitchesAndTypedUrlsGo) {
    CRegistryStore typed;
    typed.SetPath(kTypedUrlsKey);
    typed.WriteString(L"url1", L"http://a.example/");
    typed.WriteString(L"url2", L"http://b.example/");
    typed.WriteString(L"url4", L"http://d.example/");
    CRegistryStore policy;
    policy.SetPath(kPolicyKey);
    policy.WriteDword(L"DisableTaskMgr", 7);
    {
        vp::LockGuard lock(g_Module.m_csMirror);
        g_Module.m_bDisableTaskMgr = 1;
        g_Module.m_bClearTypedUrls = 1;
    }
    for (long round = 0; round < 2; ++round) {
        h.PostSwitch(1);
        ASSERT_TRUE(h.WaitSwitches(2 * round + 1));
        EXPECT_EQ(1u, SwitcherHarness::ReadTaskManagerPolicy());
        h.PostSwitch(1);
        ASSERT_TRUE(h.WaitSwitches(2 * round + 2));
        ASSERT_TRUE(WaitUntil([] { return SwitcherHarness::ReadTaskManagerPolicy() == 0; }, 5000));
    }
    wchar_t text[64];
    EXPECT_NE(ERROR_SUCCESS, typed.ReadString(L"url1", text));
    EXPECT_NE(ERROR_SUCCESS, typed.ReadString(L"url2", text));
    EXPECT_EQ(ERROR_SUCCESS, typed.ReadString(L"url4", text));
    DeleteKeyTree(kTypedUrlsKey);
    policy.DeleteValue(L"DisableTaskMgr");
}

TEST_F(SwitcherTest, TaskManagerStaysDisabledWhenTheSettingIsClearedOnTheVirtualDesktop) {
    {
        vp::LockGuard lock(g_Module.m_csMirror);
        g_Module.m_bDisableTaskMgr = 1;
    }
    h.PostSwitch(1);
    ASSERT_TRUE(h.WaitSwitches(1));
    {
        vp::LockGuard lock(g_Module.m_csMirror);
        g_Module.m_bDisableTaskMgr = 0;
    }
    h.PostSwitch(1);
    ASSERT_TRUE(h.WaitSwitches(2));
    ::Sleep(200);
    EXPECT_EQ(1u, SwitcherHarness::ReadTaskManagerPolicy());
    CRegistryStore policy;
    policy.SetPath(kPolicyKey);
    policy.DeleteValue(L"DisableTaskMgr");
}

TEST_F(SwitcherTest, AHungWindowDoesNotHoldTheSwitch) {
    StartedProcess hung;
    ASSERT_TRUE(StartProcess(L"\"" + HelperPath(L"hung_window.exe") + L"\" \"Hung for the switch\"", hung));
    ASSERT_TRUE(WaitUntil([] { return ::FindWindowW(nullptr, L"Hung for the switch") != nullptr; }, 10000));
    {
        vp::LockGuard lock(g_Module.m_csMirror);
        g_Module.m_bMonitorOff = 1;
    }
    h.PostSwitch(1);
    // A broadcast that waited for every window would never come back from the hung one.
    EXPECT_TRUE(h.WaitSwitches(1, 10000));
    ::TerminateProcess(hung.process.Get(), 0);
}

TEST_F(SwitcherTest, InjectedMiddleClickSwitchesOnTheDesktopThatShows) {
    SetMiddleButton(1);
    StartedProcess inject;
    ASSERT_TRUE(StartProcess(L"\"" + HelperPath(L"inject_input.exe") + L"\" --desktop Default middle", inject));
    ASSERT_EQ(0u, WaitExit(inject, 10000));
    ASSERT_TRUE(h.WaitSwitches(1));
    EXPECT_EQ(L"vpdesk", h.HookedDesktop());

    // A click on the desktop that no longer shows is not a trigger.
    StartedProcess stray;
    ASSERT_TRUE(StartProcess(L"\"" + HelperPath(L"inject_input.exe") + L"\" --desktop Default middle", stray));
    ASSERT_EQ(0u, WaitExit(stray, 10000));
    ::Sleep(300);
    EXPECT_EQ(1, h.Switches());

    StartedProcess back;
    ASSERT_TRUE(StartProcess(L"\"" + HelperPath(L"inject_input.exe") + L"\" --desktop vpdesk middle", back));
    ASSERT_EQ(0u, WaitExit(back, 10000));
    ASSERT_TRUE(h.WaitSwitches(2));
    EXPECT_EQ(L"Default", h.HookedDesktop());
    SetMiddleButton(0);
}

TEST(SwitcherStartTest, AShellThatCannotStartIsReportedAndEndsTheThread) {
    SwitcherHarness h;
    SwitcherHarness::ClearMirror();
    ::DeleteFileW((h.SystemRoot() + L"\\explorer.exe").c_str());
    EXPECT_FALSE(h.Start());
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = ::FindWindowW(L"#32770", L"Veilpane")) != nullptr; }, 10000));
    wchar_t text[128] = {};
    ::GetDlgItemTextW(box, 0xFFFF, text, 128);
    EXPECT_STREQ(L"Prepare for virtaul desktop failed", text);
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    vp::KernelHandle thread(::OpenThread(SYNCHRONIZE, FALSE, h.HookThreadId()));
    EXPECT_TRUE(!thread || ::WaitForSingleObject(thread.Get(), 10000) == WAIT_OBJECT_0);
    UnInstallInputHook(0);
}

}  // namespace
