#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "actions/OpenActions.h"
#include "app/Threads.h"
#include "framework/Product.h"
#include "settings/SettingsMirror.h"
#include "support/TestSupport.h"
#include "update/UpdatePath.h"
#include "switching/PasswordThreads.h"
#include "switching/ThreadMail.h"

using namespace testing_support;

namespace {

// What each stand-in worker saw, indexed ui, hook, pwd1, pwd2, check.
struct Seen {
    std::atomic<int> quits{0};
    std::atomic<bool> freedStart{false};
};
Seen g_seen[5];

// Waits on one mailbox until Quit, counting it.
template <class Request>
DWORD ServeUntilQuit(vp::CMailbox<Request>& mail, Seen& seen) {
    for (;;) {
        vp::WaitForMail(mail.Ready(), INFINITE);
        Request request;
        while (mail.Take(request)) {
            if (request.kind == Request::Kind::Quit) {
                seen.quits++;
                return 1;
            }
        }
    }
}

DWORD WINAPI UiWorker(void* arg) {
    // The ui thread owns its start argument.
    auto* start = static_cast<UiThreadStart*>(arg);
    g_seen[0].freedStart = start != nullptr && start->showState == SW_HIDE && start->commandLine != nullptr;
    delete start;
    return 1;
}
DWORD WINAPI HookWorker(void* arg) { return ServeUntilQuit(static_cast<ThreadMail*>(arg)->hook, g_seen[1]); }
DWORD WINAPI Pwd1Worker(void* arg) { return ServeUntilQuit(static_cast<PasswordThreadStart*>(arg)->mail->pwd1, g_seen[2]); }
DWORD WINAPI Pwd2Worker(void* arg) { return ServeUntilQuit(static_cast<PasswordThreadStart*>(arg)->mail->pwd2, g_seen[3]); }
DWORD WINAPI CheckWorker(void* arg) { return ServeUntilQuit(static_cast<ThreadMail*>(arg)->check, g_seen[4]); }

const WorkerThreadBodies kBodies{UiWorker, HookWorker, Pwd1Worker, Pwd2Worker, CheckWorker};

struct MainRun {
    std::atomic<int> result{0};
    std::atomic<bool> done{false};
    DWORD id = 0;
    ThreadMail mail;
    vp::KernelHandle thread;
    ThreadCreator create = CreateWorkerThread;
};
MainRun* g_run = nullptr;

DWORD WINAPI MainThread(void*) {
    g_run->result = RunMainThread(L"ignored", SW_HIDE, g_run->mail, kBodies, g_run->create);
    g_run->done = true;
    return 0;
}

class ThreadSpineTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (auto& s : g_seen) {
            s.quits = 0;
            s.freedStart = false;
        }
        g_run = &run;
    }
    void StartMain() {
        run.thread.Reset(::CreateThread(nullptr, 0, MainThread, nullptr, 0, &run.id));
        ASSERT_TRUE(WaitUntil([] { return g_run->mail.ids.check != 0 || g_run->done; }, 10000));
    }
    void EndProgram() {
        ::SetEvent(run.mail.ended.Get());
        ASSERT_TRUE(WaitUntil([&] { return run.done.load(); }, 5000));
    }
    void TearDown() override {
        if (run.thread) ::WaitForSingleObject(run.thread.Get(), 5000);
        g_run = nullptr;
    }
    MainRun run;
};

TEST_F(ThreadSpineTest, OnlyTheProgramsOwnEndEndsTheWorkersAndNothingPostedDoes) {
    StartMain();
    const ThreadIds& ids = run.mail.ids;
    for (DWORD id : {ids.ui, ids.hook, ids.pwd1, ids.pwd2, ids.check}) EXPECT_NE(0u, id);
    EXPECT_TRUE(WaitUntil([] { return g_seen[0].freedStart.load(); }, 5000));

    // What anyone may post to the main thread, WM_QUIT included, ends nothing.
    for (const UINT message : std::vector<UINT>{WM_QUIT, WM_USER, WM_USER + 1, WM_USER + 8, WM_APP}) {
        ::PostThreadMessageW(run.id, message, 1, 1);
    }
    ::Sleep(200);
    EXPECT_FALSE(run.done.load());
    for (int i = 1; i < 5; ++i) EXPECT_EQ(0, g_seen[i].quits.load()) << "worker " << i;

    EndProgram();
    EXPECT_EQ(1, run.result);
    for (int i = 1; i < 5; ++i) {
        EXPECT_TRUE(WaitUntil([i] { return g_seen[i].quits == 1; }, 5000)) << "worker " << i;
    }
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
    EXPECT_EQ(0u, run.mail.ids.pwd1);
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return run.mail.ids.check != 0; }, 10000));
    EXPECT_EQ(0u, run.mail.ids.hook);
    EXPECT_NE(0u, run.mail.ids.ui);
    EXPECT_NE(0u, run.mail.ids.pwd2);
    EndProgram();
}

TEST_F(ThreadSpineTest, TheHookThreadRunsAtOnceAndTheOthersOnceEveryIdIsKnown) {
    run.create = FailPwd1;
    run.thread.Reset(::CreateThread(nullptr, 0, MainThread, nullptr, 0, &run.id));
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = ::FindWindowW(L"#32770", L"Veilpane")) != nullptr; }, 10000));
    // The box holds the start of the rest: the hook thread already serves, the ui thread waits.
    run.mail.hook.Put(HookRequest(HookRequest::Kind::Quit));
    EXPECT_TRUE(WaitUntil([] { return g_seen[1].quits == 1; }, 5000));
    EXPECT_FALSE(g_seen[0].freedStart);
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitUntil([] { return g_seen[0].freedStart.load(); }, 10000));
    EndProgram();
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
