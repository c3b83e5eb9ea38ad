#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "actions/OpenActions.h"
#include "app/Threads.h"
#include "framework/Product.h"
#include "settings/SettingsMirror.h"
#include "support/TestSupport.h"
#include "update/UpdatePath.h"
#include "switching/ThreadMessages.h"

using namespace testing_support;

namespace {

// What each stand-in worker saw, indexed ui, hook, pwd1, pwd2, check.
struct Seen {
    std::atomic<int> quits{0};
    std::atomic<int> switches{0};
    std::atomic<LPARAM> lastSwitchLParam{-1};
    std::atomic<bool> freedStart{false};
};
Seen g_seen[5];

template <int Index>
DWORD WINAPI Worker(void* arg) {
    if (Index == 0) {
        // The ui thread owns its start argument.
        auto* start = static_cast<UiThreadStart*>(arg);
        g_seen[0].freedStart = start != nullptr && start->showState == SW_HIDE && start->commandLine != nullptr;
        delete start;
    }
    MSG msg;
    ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_DESKTOP_SWITCH) {
            g_seen[Index].switches++;
            g_seen[Index].lastSwitchLParam = msg.lParam;
        } else if (msg.message == WM_APP_QUIT) {
            g_seen[Index].quits++;
            break;
        }
    }
    return 1;
}

const WorkerThreadBodies kBodies{Worker<0>, Worker<1>, Worker<2>, Worker<3>, Worker<4>};

struct MainRun {
    std::atomic<int> result{0};
    std::atomic<bool> done{false};
    DWORD id = 0;
    ThreadIds ids;
    vp::KernelHandle thread;
    ThreadCreator create = CreateWorkerThread;
};
MainRun* g_run = nullptr;

DWORD WINAPI MainThread(void*) {
    g_run->result = RunMainThread(L"ignored", SW_HIDE, g_run->ids, kBodies, g_run->create);
    g_run->done = true;
    return 0;
}

class ThreadSpineTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (auto& s : g_seen) {
            s.quits = 0;
            s.switches = 0;
            s.lastSwitchLParam = -1;
            s.freedStart = false;
        }
        g_run = &run;
    }
    void StartMain() {
        run.thread.Reset(::CreateThread(nullptr, 0, MainThread, nullptr, 0, &run.id));
        ASSERT_TRUE(WaitUntil([] { return g_run->ids.check != 0 || g_run->done; }, 10000));
        // The workers run once every id is known; each has its queue once it takes a message.
        ASSERT_TRUE(WaitUntil([this] { return ::PostThreadMessageW(run.ids.hook, WM_NULL, 0, 0) != FALSE; }, 10000));
    }
    void TearDown() override {
        if (run.thread) ::WaitForSingleObject(run.thread.Get(), 5000);
        g_run = nullptr;
    }
    MainRun run;
};

TEST_F(ThreadSpineTest, RelaysSwitchRequestsAsUncheckedAndBroadcastsQuitOnce) {
    StartMain();
    const DWORD ids[5] = {run.ids.ui, run.ids.hook, run.ids.pwd1, run.ids.pwd2, run.ids.check};
    for (DWORD id : ids) EXPECT_NE(0u, id);

    // Whatever lParam it carried, a request that reaches the main thread needs the password check.
    for (LPARAM lp : {0, 1, 7}) {
        const int before = g_seen[1].switches;
        ::PostThreadMessageW(run.id, WM_DESKTOP_SWITCH, 0, lp);
        ASSERT_TRUE(WaitUntil([&] { return g_seen[1].switches == before + 1; }, 5000));
        EXPECT_EQ(1, g_seen[1].lastSwitchLParam);
    }
    EXPECT_EQ(0, g_seen[0].switches + g_seen[2].switches + g_seen[3].switches + g_seen[4].switches);

    ::PostThreadMessageW(run.id, WM_APP_QUIT, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return run.done.load(); }, 5000));
    EXPECT_EQ(1, run.result);
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(WaitUntil([i] { return g_seen[i].quits == 1; }, 5000)) << "worker " << i;
    }
    EXPECT_TRUE(g_seen[0].freedStart);
    // The main thread reads its queue no more: a second quit reaches nobody.
    ::PostThreadMessageW(run.id, WM_APP_QUIT, 0, 0);
    ::Sleep(200);
    for (auto& s : g_seen) EXPECT_EQ(1, s.quits);
}

HANDLE FailHook(LPTHREAD_START_ROUTINE body, void* arg, HANDLE gate, DWORD* id) {
    if (body == kBodies.hook) return nullptr;
    return CreateWorkerThread(body, arg, gate, id);
}

HANDLE FailPwd1(LPTHREAD_START_ROUTINE body, void* arg, HANDLE gate, DWORD* id) {
    if (body == kBodies.pwd1) return nullptr;
    return CreateWorkerThread(body, arg, gate, id);
}

TEST_F(ThreadSpineTest, AWorkerThatCannotStartIsReportedAndTheRestStart) {
    run.create = FailHook;
    run.thread.Reset(::CreateThread(nullptr, 0, MainThread, nullptr, 0, &run.id));
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = ::FindWindowW(L"#32770", L"Veilpane")) != nullptr; }, 10000));
    wchar_t text[64] = {};
    ::GetDlgItemTextW(box, 0xFFFF, text, 64);
    EXPECT_STREQ(L"Cannot create hook thread!!!", text);
    // The box holds start-up until it is dismissed: the Pwd1 thread does not exist yet.
    EXPECT_EQ(0u, run.ids.pwd1);
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return run.ids.check != 0; }, 10000));
    EXPECT_EQ(0u, run.ids.hook);
    EXPECT_NE(0u, run.ids.ui);
    EXPECT_NE(0u, run.ids.pwd2);
    ::PostThreadMessageW(run.id, WM_APP_QUIT, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return run.done.load(); }, 5000));
}

TEST_F(ThreadSpineTest, TheHookThreadRunsAtOnceAndTheOthersOnceEveryIdIsKnown) {
    run.create = FailPwd1;
    run.thread.Reset(::CreateThread(nullptr, 0, MainThread, nullptr, 0, &run.id));
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = ::FindWindowW(L"#32770", L"Veilpane")) != nullptr; }, 10000));
    // The box holds the start of the rest: the hook thread already serves, the ui thread waits.
    ::PostThreadMessageW(run.ids.hook, WM_DESKTOP_SWITCH, 0, 1);
    EXPECT_TRUE(WaitUntil([] { return g_seen[1].switches == 1; }, 5000));
    EXPECT_FALSE(g_seen[0].freedStart);
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitUntil([] { return g_seen[0].freedStart.load(); }, 10000));
    ::PostThreadMessageW(run.id, WM_APP_QUIT, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return run.done.load(); }, 5000));
}

TEST(AppModule, ConstantsAndBoundedEnvironmentCopies) {
    EXPECT_STREQ(L"vpdesk", product::kDesktopName);
    EXPECT_STREQ(L"Software\\MORVEX\\Veilpane", product::kRegistryKey);
    EXPECT_EQ(290, product::kBuild);

    // 49 characters fit the Windows directory field; 50 would not and are treated as missing.
    const std::wstring fits(49, L'w'), tooLong(50, L'w');
    wchar_t saved[MAX_PATH] = {};
    ::GetEnvironmentVariableW(L"SystemRoot", saved, MAX_PATH);
    wchar_t out[50];
    ::SetEnvironmentVariableW(L"SystemRoot", fits.c_str());
    vp::ReadSystemRoot(out);
    EXPECT_EQ(fits, out);
    ::SetEnvironmentVariableW(L"SystemRoot", tooLong.c_str());
    vp::ReadSystemRoot(out);
    EXPECT_STREQ(L"", out);
    ::SetEnvironmentVariableW(L"SystemRoot", saved);

    char path[264];
    FormatUpdatePath(path, 0);
    EXPECT_STREQ("/Veilpane/checkup?a=5A17C3E9&b=0000000000", path);
    FormatUpdatePath(path, 0x5A17C3E9);
    EXPECT_STREQ("/Veilpane/checkup?a=00000000&b=0000000000", path);
    FormatUpdatePath(path, 0x0000000F);
    EXPECT_STREQ("/Veilpane/checkup?a=5A17C3E6&b=0000000000", path);
}

TEST(AppModule, ASnapshotHeldOutlivesItsReplacement) {
    g_SettingsMirror.Update([](CSettingsData& m) { m.terminateProcesses.names = {L"a.exe", L"b.exe"}; });
    const SettingsSnapshot held = g_SettingsMirror.Snapshot();
    g_SettingsMirror.Update([](CSettingsData& m) { m.terminateProcesses.names.clear(); });
    ASSERT_EQ(2u, held->terminateProcesses.names.size());
    EXPECT_EQ(L"b.exe", held->terminateProcesses.names[1]);
    EXPECT_TRUE(g_SettingsMirror.Snapshot()->terminateProcesses.names.empty());
}

}  // namespace
