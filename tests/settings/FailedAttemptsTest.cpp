// The record of wrong passwords against the real registry, and the back-off it asks for.
#include "settings/FailedAttempts.h"

#include <gtest/gtest.h>

#include <string>

#include "framework/RegistryStore.h"
#include "support/TestSupport.h"

using namespace failed_attempts;

namespace {

constexpr wchar_t kKey[] = L"Software\\VeilpaneTests\\FailedAttempts";

SYSTEMTIME At(WORD minute, WORD second) {
    SYSTEMTIME t{};
    t.wYear = 2026;
    t.wMonth = 12;
    t.wDay = 9;
    t.wHour = 2;
    t.wMinute = minute;
    t.wSecond = second;
    return t;
}

std::wstring Log() {
    CRegistryStore store;
    store.SetPath(kKey);
    wchar_t text[1024];
    return store.ReadString(kLogValue, text) == ERROR_SUCCESS ? text : L"<none>";
}

size_t Entries(const std::wstring& log) {
    size_t n = log.empty() ? 0 : 1;
    for (size_t at = log.find(L"; "); at != std::wstring::npos; at = log.find(L"; ", at + 1)) ++n;
    return n;
}

}  // namespace

TEST(FailedAttemptsTest, WaitDoublesAfterThreeWrongPasswordsUpToThirtySeconds) {
    const unsigned expected[] = {0, 0, 0, 1, 2, 4, 8, 16, 30, 30};
    for (DWORD n = 0; n < std::size(expected); ++n) EXPECT_EQ(expected[n], WaitSeconds(n)) << n;
    EXPECT_EQ(30u, WaitSeconds(40));
    EXPECT_EQ(30u, WaitSeconds(0xFFFFFFFF));
}

TEST(FailedAttemptsTest, RecordKeepsTheLastTwentyAndTheFirstTimeUntilTakenAfterACorrectPassword) {
    testing_support::DeleteKeyTree(kKey);
    const CFailedAttempts attempts(kKey);
    EXPECT_EQ(0u, attempts.FailedInARow());
    EXPECT_EQ(0u, attempts.TakeSummary().count);

    attempts.Record(Prompt::Switch, At(40, 11));
    attempts.Record(Prompt::Settings, At(40, 12));
    EXPECT_EQ(L"2026-12-09 02:40:11 V; 2026-12-09 02:40:12 S", Log());
    for (WORD i = 0; i < 23; ++i) attempts.Record(Prompt::Restore, At(41, i));
    EXPECT_EQ(25u, attempts.FailedInARow());
    const std::wstring log = Log();
    EXPECT_EQ(20u, Entries(log));
    EXPECT_EQ(0u, log.find(L"2026-12-09 02:41:03 O; ")) << log;
    EXPECT_NE(std::wstring::npos, log.rfind(L"; 2026-12-09 02:41:22 O")) << log;

    const Summary summary = attempts.TakeSummary();
    EXPECT_EQ(25u, summary.count);
    EXPECT_STREQ(L"2026-12-09 02:40:11", summary.since);  // the first, though no longer in the log
    EXPECT_EQ(L"25 wrong password attempts since 2026-12-09 02:40:11 UTC.", NoticeText(summary.count, summary.since));
    EXPECT_EQ(L"<none>", Log());
    EXPECT_EQ(0u, attempts.FailedInARow());
    testing_support::DeleteKeyTree(kKey);
}

TEST(FailedAttemptsTest, HandEditedRecordStillGivesSoundAnswers) {
    testing_support::DeleteKeyTree(kKey);
    CRegistryStore store;
    store.SetPath(kKey);
    store.WriteString(kCountValue, L"many");           // wrong type: no count
    store.WriteString(kLogValue, std::wstring(1500, L'x').c_str());  // longer than the log is read
    const CFailedAttempts attempts(kKey);
    EXPECT_EQ(0u, attempts.FailedInARow());
    attempts.Record(Prompt::Switch, At(1, 2));
    EXPECT_EQ(1u, attempts.FailedInARow());
    EXPECT_EQ(L"2026-12-09 02:01:02 V", Log());
    EXPECT_EQ(L"1 wrong password attempt since 2026-12-09 02:01:02 UTC.", NoticeText(1, L"2026-12-09 02:01:02"));
    testing_support::DeleteKeyTree(kKey);
}
