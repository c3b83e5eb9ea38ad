// The guard's side of the program that a test process can drive: its arguments, what it does when the
// watched process ends (undo, the way back, the restart and when it stops restarting), and the undo
// of a dying process.
#include <gtest/gtest.h>

#include <windows.h>
#include <aclapi.h>

#include <algorithm>
#include <atomic>
#include <future>
#include <string>

#include "actions/ActionsTestSupport.h"
#include "actions/HeldClipboard.h"
#include "actions/UndoRecord.h"
#include "app/Guard.h"
#include "app/RestartLog.h"
#include "app/SingleCopy.h"
#include "app/StartArguments.h"
#include "framework/RegistryStore.h"
#include "settings/ProgramKeys.h"
#include "support/TestSupport.h"
#include "framework/Text.h"
#include "switching/GuardChannel.h"
#include "switching/WayBack.h"

using namespace testing_support;

namespace {

HANDLE AsHandle(ULONG_PTR v) { return reinterpret_cast<HANDLE>(v); }

TEST(StartArguments, OnlyTheGuardsWordMakesAGuardAndEverythingElseIsIgnored) {
    for (const wchar_t* line : {L"", L"  ", L"/quiet", L"/vpguardx 1 2 3", L"guard 1 2 3", L"\"/vpguard\" 1 2 3"}) {
        EXPECT_EQ(StartRole::Program, ParseStartArguments(line).role) << line;
        EXPECT_EQ(nullptr, ParseStartArguments(line).state) << line;
    }
    EXPECT_EQ(StartRole::Program, ParseStartArguments(nullptr).role);

    const StartArguments ok = ParseStartArguments(L"  /VPGUARD 1a4\t2c 30 ");
    EXPECT_EQ(StartRole::Guard, ok.role);
    EXPECT_EQ(AsHandle(0x1a4), ok.watched);
    EXPECT_EQ(AsHandle(0x2c), ok.quitEvent);
    EXPECT_EQ(AsHandle(0x30), ok.state);
    // A copy started again by its guard, and one whose argument is malformed: the program either way.
    EXPECT_EQ(AsHandle(0x44), ParseStartArguments(L"/vpstate 44").state);
    for (const wchar_t* line : {L"/vpstate", L"/vpstate 0", L"/vpstate 44 45", L"/vpstatex 44"}) {
        EXPECT_EQ(StartRole::Program, ParseStartArguments(line).role) << line;
        EXPECT_EQ(nullptr, ParseStartArguments(line).state) << line;
    }

    // Malformed: a guard with nothing to watch, never a second program.
    for (const wchar_t* line : {L"/vpguard", L"/vpguard 1a4 2c", L"/vpguard 0 2c 3", L"/vpguard 1a4 2c 3 4",
                                L"/vpguard 1g 2 3", L"/vpguard -1 2 3", L"/vpguard 1a4 2c 3z"}) {
        const StartArguments bad = ParseStartArguments(line);
        EXPECT_EQ(StartRole::Guard, bad.role) << line;
        EXPECT_EQ(nullptr, bad.watched) << line;
        EXPECT_EQ(2, RunGuard(bad.watched, bad.quitEvent, bad.state)) << line;
    }
}

TEST(StartArguments, TheGuardsCommandLineReadsBackAfterTheExecutable) {
    wchar_t line[MAX_PATH + 64];
    ASSERT_TRUE(FormatGuardCommandLine(line, L"C:\\Program Files\\Veilpane\\VeilpaneGuard.exe", AsHandle(0xfedcba98),
                                       AsHandle(0x7c), AsHandle(0x80)));
    const std::wstring text = line;
    ASSERT_EQ(0u, text.find(L"\"C:\\Program Files\\Veilpane\\VeilpaneGuard.exe\" "));
    const StartArguments args = ParseStartArguments(text.c_str() + text.find(L"\" ") + 2);
    EXPECT_EQ(StartRole::Guard, args.role);
    EXPECT_EQ(AsHandle(0xfedcba98), args.watched);
    EXPECT_EQ(AsHandle(0x7c), args.quitEvent);
    EXPECT_EQ(AsHandle(0x80), args.state);
    // A path that does not fit whole is refused.
    const std::wstring longPath(MAX_PATH + 64, L'x');
    EXPECT_FALSE(FormatGuardCommandLine(line, longPath.c_str(), AsHandle(1), AsHandle(2), AsHandle(3)));
}

// Task Manager disabled through the record, as the program does on the way to the virtual desktop.
void DisableWithRecord() {
    CRegistryStore policy;
    policy.SetPath(undo_record::kPolicyKey);
    policy.DeleteValue(undo_record::kPolicyValue);
    ASSERT_TRUE(undo_record::DisableTaskManager(HKEY_CURRENT_USER, g_ProgramKeys.settings));
}

bool PolicyAbsent() {
    CRegistryStore policy;
    policy.SetPath(undo_record::kPolicyKey);
    DWORD v = 0;
    return policy.ReadDword(undo_record::kPolicyValue, &v) == ERROR_FILE_NOT_FOUND;
}

// The screen as the guard moves it, counted, and the lock as it asks for it, planted: Wine's fails.
std::atomic<int> g_switches{0}, g_locks{0};
std::atomic<bool> g_lockTakes{false};
BOOL WINAPI CountedSwitch(HDESK desktop) { return ++g_switches, ::SwitchDesktop(desktop); }
BOOL WINAPI PlantedLock() { return ++g_locks, g_lockTakes.load() ? TRUE : FALSE; }
// The session's lock as the system would tell it after a lock that took: held for a few questions,
// then lifted by whoever unlocks.
std::atomic<int> g_lockAnswers{0};
SessionLock PlantedSessionLock() {
    if (!g_lockTakes.load() || g_locks.load() == 0) return SessionLock::Unlocked;
    return ++g_lockAnswers <= 3 ? SessionLock::Locked : SessionLock::Unlocked;
}

// The program's key as the program leaves it when it ends on the virtual desktop, a guard waiting
// on a stand-in for the program, and a recorder standing in for the program the guard starts again.
class GuardEnd : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteKeyTree(g_ProgramKeys.settings);
        SetDesktopCallsForTest(CountedSwitch, nullptr);
        SetLockCallForTest(PlantedLock);
        SetSessionLockQueryForTest(PlantedSessionLock);
        g_lockAnswers = 0;
        g_switches = 0;
        g_locks = 0;
        g_lockTakes = false;
        m_program = m_dir.File(L"restarted.exe");
        ASSERT_TRUE(::CopyFileW(HelperPath(L"command_recorder.exe").c_str(), m_program.c_str(), FALSE));
        m_vpdesk.Reset(::CreateDesktopW(L"vpdesk", nullptr, nullptr, 0, GENERIC_ALL, nullptr));
        ASSERT_TRUE(m_vpdesk);
    }
    void TearDown() override {
        SetDesktopCallsForTest(nullptr, nullptr);
        SetLockCallForTest(nullptr);
        SetSessionLockQueryForTest(nullptr);
        DeleteKeyTree(g_ProgramKeys.settings);
        ShowDesktop(L"Default");  // where the guard rightly stayed behind the restore password
    }

    // The screen on "vpdesk", and what the program told its guard as it left them there. The key says
    // the opposite of the restore password, as someone on "vpdesk" may have edited it: the guard goes by
    // what the program told.
    void LeaveOnVirtualDesktop(bool guarded) {
        ASSERT_TRUE(ShowDesktop(L"vpdesk"));
        DisableWithRecord();
        ASSERT_TRUE(undo_record::SetVirtualShowing(HKEY_CURRENT_USER, g_ProgramKeys.settings, true));
        GuardState told;
        told.virtualShowing = true;
        told.guarded = guarded;
        vp::CopyText(told.restoreRecord, guarded ? L"the record told" : L"");
        ASSERT_TRUE(guard_channel::Open(told));
        CRegistryStore store;
        store.SetPath(g_ProgramKeys.settings);
        store.WriteDword(L"PWD_ORIG_ENABLED", guarded ? 0 : 1);
        store.WriteString(L"PWD_ORIG", guarded ? L"" : L"planted");
    }

    // The program ends (after Quit when quit is true); returns when the guard is done.
    void EndProgram(bool quit) {
        StartedProcess watched;
        ASSERT_TRUE(StartProcess(L"\"" + HelperPath(L"window_owner.exe") + L"\" \"Watched by the guard\" exit 0", watched));
        vp::KernelHandle quitEvent(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
        auto guard = std::async(std::launch::async,
                                [&] {
                                    return RunGuard(watched.process.Get(), quitEvent.Get(), guard_channel::Section(),
                                                    m_program.c_str());
                                });
        EXPECT_EQ(std::future_status::timeout, guard.wait_for(std::chrono::milliseconds(100)));
        if (quit) ::SetEvent(quitEvent.Get());
        ::TerminateProcess(watched.process.Get(), 7);
        ASSERT_EQ(std::future_status::ready, guard.wait_for(std::chrono::seconds(30)));
        EXPECT_EQ(0, guard.get());
        EXPECT_TRUE(PolicyAbsent());  // undone, whatever the way back
    }

    // What the recorder wrote: one line per start.
    std::wstring Restarts() const { return ReadFileText(m_program + L".log"); }
    long RestartCount() const {
        const std::wstring log = Restarts();
        return static_cast<long>(std::count(log.begin(), log.end(), L'\n'));
    }
    bool Marked() const { return undo_record::IsVirtualShowing(HKEY_CURRENT_USER, g_ProgramKeys.settings); }

    TempDir m_dir;
    vp::DesktopHandle m_vpdesk;
    std::wstring m_program;
};

TEST_F(GuardEnd, AKilledProgramIsStartedAgainAndOnlyAnUnguardedOneComesBackFirst) {
    for (const bool guarded : {false, true}) {
        DeleteKeyTree(g_ProgramKeys.settings);
        ::DeleteFileW((m_program + L".log").c_str());
        g_switches = 0;
        LeaveOnVirtualDesktop(guarded);
        // The user's clipboard, held aside by the program and told to its guard.
        ASSERT_TRUE(actions_test::SetClipboardContent(L"copied before the flip", "<p>copied</p>"));
        const std::string copied = actions_test::ClipboardBytes(actions_test::HtmlFormat());
        {
            CHeldClipboard held;
            ASSERT_EQ(CHeldClipboard::Taken::Held, held.Take());
            std::vector<unsigned char> bytes = held.Serialised();
            ASSERT_TRUE(guard_channel::TellClipboard(bytes.data(), bytes.size()));
        }
        EndProgram(false);
        // Put back once the user's desktop shows, never onto "vpdesk".
        EXPECT_EQ(guarded ? std::string() : copied, actions_test::ClipboardBytes(actions_test::HtmlFormat())) << guarded;
        // Guarded: the screen stays, and the new copy asks for the password at the next trigger.
        EXPECT_EQ(guarded ? 0 : 1, g_switches.load()) << guarded;
        EXPECT_EQ(0, g_locks.load()) << guarded;
        EXPECT_EQ(guarded, Marked()) << guarded;
        EXPECT_TRUE(Showing(guarded ? L"vpdesk" : L"Default")) << guarded;
        // The same program, on the guard's own (the original) desktop, handed what the guard was told.
        ASSERT_TRUE(WaitUntil([&] { return !Restarts().empty(); }, 10000)) << guarded;
        const std::wstring line = Restarts();
        EXPECT_NE(std::wstring::npos, line.find(L"desk=" + DesktopName(::GetThreadDesktop(::GetCurrentThreadId()))));
        EXPECT_NE(std::wstring::npos, line.find(L"cmd=\"" + m_program + L"\" /vpstate ")) << line;
        GuardState handed;
        ASSERT_TRUE(guard_channel::Read(guard_channel::Section(), handed));
        EXPECT_EQ(guarded, handed.virtualShowing) << guarded;
        EXPECT_EQ(guarded, handed.guarded) << guarded;
        EXPECT_STREQ(guarded ? L"the record told" : L"", handed.restoreRecord);
    }
}

TEST_F(GuardEnd, AfterQuitTheGuardOnlyFinishesTheWayBackWithTheLockFirst) {
    for (const bool lockTakes : {false, true}) {
        g_switches = 0;
        g_locks = 0;
        g_lockTakes = lockTakes;
        LeaveOnVirtualDesktop(true);
        EndProgram(true);
        EXPECT_EQ(1, g_locks.load());
        // Shown only behind a lock that took; a failed lock stays on the virtual desktop.
        EXPECT_EQ(lockTakes ? 1 : 0, g_switches.load());
        EXPECT_EQ(!lockTakes, Marked());
        EXPECT_TRUE(Showing(lockTakes ? L"Default" : L"vpdesk")) << lockTakes;
    }
    EXPECT_TRUE(Restarts().empty());  // Quit never restarts
}

TEST_F(GuardEnd, AProgramThatKeepsDyingIsRestartedEverMoreSlowlyThenLeftWithTheLockFirst) {
    LeaveOnVirtualDesktop(true);
    for (int restart = 0; restart < 5; ++restart) {
        const ULONGLONG start = ::GetTickCount64();
        EndProgram(false);
        // Each waits at least twice as long as the one before.
        EXPECT_GE(::GetTickCount64() - start, static_cast<ULONGLONG>(restart_log::kFirstDelayMs) << restart) << restart;
    }
    ASSERT_TRUE(WaitUntil([&] { return RestartCount() == 5; }, 10000));
    EXPECT_EQ(0, g_locks.load());

    g_lockTakes = true;
    EndProgram(false);
    EXPECT_EQ(1, g_locks.load());  // given up: the rule for a program that is gone
    EXPECT_EQ(1, g_switches.load());
    EXPECT_TRUE(Showing(L"Default"));
    // Not started a sixth time; the next start tells the user once, and counts afresh.
    EXPECT_TRUE(restart_log::TakeGaveUp(HKEY_CURRENT_USER, g_ProgramKeys.settings));
    EXPECT_FALSE(restart_log::TakeGaveUp(HKEY_CURRENT_USER, g_ProgramKeys.settings));
    ULONGLONG stamps[restart_log::kMostRestarts];
    EXPECT_EQ(0u, restart_log::Read(HKEY_CURRENT_USER, g_ProgramKeys.settings, stamps));
}

TEST(RestartLog, OnlyRestartsOfTheLastTenMinutesCountAndEachDoublesTheWait) {
    const ULONGLONG now = 1000ull * restart_log::kWindow;
    const ULONGLONG minute = restart_log::kWindow / 10;
    EXPECT_EQ(500u, restart_log::PlanRestart(nullptr, 0, now).delayMs);
    const ULONGLONG four[] = {now - 9 * minute, now - 2 * minute, now - minute, now};
    EXPECT_EQ(8000u, restart_log::PlanRestart(four, 4, now).delayMs);
    const ULONGLONG five[] = {now - 9 * minute, now - 2 * minute, now - minute, now, now};
    EXPECT_FALSE(restart_log::PlanRestart(five, 5, now).allowed);
    // Older than ten minutes, or ahead of a clock that was set back: not counted.
    const ULONGLONG stale[] = {now - 11 * minute, now + minute, now - minute, now, now};
    const restart_log::Plan plan = restart_log::PlanRestart(stale, 5, now);
    EXPECT_TRUE(plan.allowed);
    EXPECT_EQ(4000u, plan.delayMs);
}

// A crash before any guard runs (the first starts up to 2 s after the program): the dying process
// itself undoes, takes the way back by the rule (the lock first behind a restore password) and starts
// one guard to start the program again once it is gone; a second crash handler does nothing more.
TEST_F(GuardEnd, ACrashNoGuardSeesTakesTheWayBackItselfAndLeavesTheRestartToAGuardItStarts) {
    g_lockTakes = true;
    for (const bool guarded : {false, true}) {
        DeleteKeyTree(g_ProgramKeys.settings);
        ::DeleteFileW((m_program + L".log").c_str());
        g_switches = 0;
        g_locks = 0;
        g_lockAnswers = 0;
        LeaveOnVirtualDesktop(guarded);
        const LPTOP_LEVEL_EXCEPTION_FILTER before = ::SetUnhandledExceptionFilter(nullptr);
        ::SetUnhandledExceptionFilter(before);
        // The recorder stands in for the guard it starts.
        InstallCrashUndo(::GetThreadDesktop(::GetCurrentThreadId()), m_program.c_str());
        const LPTOP_LEVEL_EXCEPTION_FILTER installed = ::SetUnhandledExceptionFilter(before);
        ASSERT_NE(before, installed);

        EXCEPTION_RECORD record{};
        record.ExceptionCode = 0xE0564E50;  // one nobody else handles
        CONTEXT context{};
        EXCEPTION_POINTERS pointers{&record, &context};
        EXPECT_EQ(EXCEPTION_CONTINUE_SEARCH, installed(&pointers));  // handed on
        EXPECT_EQ(EXCEPTION_CONTINUE_SEARCH, installed(&pointers));
        EXPECT_TRUE(PolicyAbsent());
        EXPECT_EQ(guarded ? 1 : 0, g_locks.load()) << guarded;
        EXPECT_EQ(1, g_switches.load()) << guarded;
        EXPECT_TRUE(Showing(L"Default")) << guarded;
        EXPECT_FALSE(Marked()) << guarded;

        // One guard, on the original desktop, told no Quit, waiting on this process, and handed the
        // state as it is after the way back.
        ASSERT_TRUE(WaitUntil([&] { return !Restarts().empty(); }, 10000)) << guarded;
        EXPECT_EQ(1, RestartCount());
        const std::wstring line = Restarts();
        const std::wstring cmd = L"cmd=\"" + m_program + L"\" ";
        const size_t at = line.find(cmd);
        ASSERT_NE(std::wstring::npos, at) << Narrow(line);
        EXPECT_NE(std::wstring::npos, line.find(L"desk=" + DesktopName(::GetThreadDesktop(::GetCurrentThreadId()))));
        const std::wstring arguments = line.substr(at + cmd.size(), line.find(L'\n') - at - cmd.size());
        const StartArguments args = ParseStartArguments(arguments.c_str());
        ASSERT_EQ(StartRole::Guard, args.role);
        EXPECT_EQ(::GetCurrentProcessId(), ::GetProcessId(args.watched));
        EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), ::WaitForSingleObject(args.quitEvent, 0));
        GuardState handed;
        ASSERT_TRUE(guard_channel::Read(args.state, handed));
        EXPECT_FALSE(handed.virtualShowing);
        EXPECT_EQ(guarded, handed.guarded);
        EXPECT_STREQ(guarded ? L"the record told" : L"", handed.restoreRecord);
    }
}

}  // namespace

namespace {

// Requests between copies are kernel objects only the user who runs the copy may open: no other
// user's process (another session's) can set them or wait on the copy.
TEST(CopyRequests, OnlyTheUserWhoRunsTheCopyMayOpenItsObjects) {
    CSingleCopy copy;
    ASSERT_EQ(CopyClaim::Ours, copy.Claim(0));
    BYTE buffer[256];
    DWORD needed = 0;
    HANDLE token = nullptr;
    ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token));
    vp::KernelHandle own(token);
    ASSERT_TRUE(::GetTokenInformation(token, TokenUser, buffer, sizeof(buffer), &needed));
    const PSID user = reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid;
    for (HANDLE object : {copy.ShowSettingsRequest(), copy.QuitRequest(), copy.GuardAlive()}) {
        PACL dacl = nullptr;
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, ::GetSecurityInfo(object, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                                   nullptr, &dacl, nullptr, &descriptor));
        ASSERT_NE(nullptr, dacl);
        EXPECT_EQ(1, dacl->AceCount);
        void* ace = nullptr;
        ASSERT_TRUE(::GetAce(dacl, 0, &ace));
        EXPECT_TRUE(::EqualSid(user, &static_cast<ACCESS_ALLOWED_ACE*>(ace)->SidStart));
        ::LocalFree(descriptor);
    }
}

}  // namespace
