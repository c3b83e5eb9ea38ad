// The guard's side of the program that a test process can drive: its arguments, its decision when
// the watched process ends, and the undo of a dying process.
#include <gtest/gtest.h>

#include <future>
#include <string>

#include "actions/UndoRecord.h"
#include "app/Guard.h"
#include "app/StartArguments.h"
#include "framework/RegistryStore.h"
#include "settings/ProgramKeys.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

HANDLE AsHandle(ULONG_PTR v) { return reinterpret_cast<HANDLE>(v); }

TEST(StartArguments, OnlyTheGuardsWordMakesAGuardAndEverythingElseIsIgnored) {
    for (const wchar_t* line : {L"", L"  ", L"/quiet", L"/vpguardx 1 2", L"guard 1 2", L"\"/vpguard\" 1 2"}) {
        EXPECT_EQ(StartRole::Program, ParseStartArguments(line).role) << line;
    }
    EXPECT_EQ(StartRole::Program, ParseStartArguments(nullptr).role);

    const StartArguments ok = ParseStartArguments(L"  /VPGUARD 1a4\t2c ");
    EXPECT_EQ(StartRole::Guard, ok.role);
    EXPECT_EQ(AsHandle(0x1a4), ok.watched);
    EXPECT_EQ(AsHandle(0x2c), ok.quitEvent);

    // Malformed: a guard with nothing to watch, never a second program.
    for (const wchar_t* line : {L"/vpguard", L"/vpguard 1a4", L"/vpguard 0 2c", L"/vpguard 1a4 2c 3", L"/vpguard 1g 2",
                                L"/vpguard -1 2", L"/vpguard 1a4 2cz"}) {
        const StartArguments bad = ParseStartArguments(line);
        EXPECT_EQ(StartRole::Guard, bad.role) << line;
        EXPECT_EQ(nullptr, bad.watched) << line;
        EXPECT_EQ(2, RunGuard(bad.watched, bad.quitEvent)) << line;
    }
}

TEST(StartArguments, TheGuardsCommandLineReadsBackAfterTheExecutable) {
    wchar_t line[MAX_PATH + 64];
    ASSERT_TRUE(FormatGuardCommandLine(line, L"C:\\Program Files\\Veilpane\\Veilpane.exe", AsHandle(0xfedcba98),
                                       AsHandle(0x7c)));
    const std::wstring text = line;
    ASSERT_EQ(0u, text.find(L"\"C:\\Program Files\\Veilpane\\Veilpane.exe\" "));
    const StartArguments args = ParseStartArguments(text.c_str() + text.find(L"\" ") + 2);
    EXPECT_EQ(StartRole::Guard, args.role);
    EXPECT_EQ(AsHandle(0xfedcba98), args.watched);
    EXPECT_EQ(AsHandle(0x7c), args.quitEvent);
    // A path that does not fit whole is refused.
    const std::wstring longPath(MAX_PATH + 64, L'x');
    EXPECT_FALSE(FormatGuardCommandLine(line, longPath.c_str(), AsHandle(1), AsHandle(2)));
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

TEST(Guard, UndoesWhenTheWatchedProcessEndsAndNotAfterQuit) {
    for (const bool quit : {true, false}) {
        DisableWithRecord();
        StartedProcess watched;
        ASSERT_TRUE(StartProcess(L"\"" + HelperPath(L"window_owner.exe") + L"\" \"Watched by the guard\" exit 0", watched));
        vp::KernelHandle quitEvent(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
        auto guard = std::async(std::launch::async, [&] { return RunGuard(watched.process.Get(), quitEvent.Get()); });

        if (quit) {
            // The normal Quit: the guard ends first, and the process's end after it changes nothing.
            ::SetEvent(quitEvent.Get());
            ASSERT_EQ(std::future_status::ready, guard.wait_for(std::chrono::seconds(10)));
            ::TerminateProcess(watched.process.Get(), 0);
            EXPECT_TRUE(undo_record::IsInForce(HKEY_CURRENT_USER, g_ProgramKeys.settings));
            undo_record::Undo(HKEY_CURRENT_USER, g_ProgramKeys.settings);
        } else {
            EXPECT_EQ(std::future_status::timeout, guard.wait_for(std::chrono::milliseconds(200)));
            ::TerminateProcess(watched.process.Get(), 7);
            ASSERT_EQ(std::future_status::ready, guard.wait_for(std::chrono::seconds(10)));
            EXPECT_FALSE(undo_record::IsInForce(HKEY_CURRENT_USER, g_ProgramKeys.settings));
        }
        EXPECT_EQ(0, guard.get());
        EXPECT_TRUE(PolicyAbsent());
    }
}

TEST(Guard, TheDyingProcessUndoesBeforeHandingOnTheException) {
    DisableWithRecord();
    const LPTOP_LEVEL_EXCEPTION_FILTER before = ::SetUnhandledExceptionFilter(nullptr);
    ::SetUnhandledExceptionFilter(before);
    InstallCrashUndo(::GetThreadDesktop(::GetCurrentThreadId()));
    const LPTOP_LEVEL_EXCEPTION_FILTER installed = ::SetUnhandledExceptionFilter(before);
    ASSERT_NE(nullptr, installed);
    ASSERT_NE(before, installed);

    EXCEPTION_RECORD record{};
    record.ExceptionCode = 0xE0564E50;  // one nobody else handles
    CONTEXT context{};
    EXCEPTION_POINTERS pointers{&record, &context};
    EXPECT_EQ(EXCEPTION_CONTINUE_SEARCH, installed(&pointers));
    EXPECT_FALSE(undo_record::IsInForce(HKEY_CURRENT_USER, g_ProgramKeys.settings));
    EXPECT_TRUE(PolicyAbsent());
}

}  // namespace
