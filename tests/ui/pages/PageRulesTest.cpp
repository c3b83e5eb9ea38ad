// The pages' rules over plain values: the process list text, the file picker's refusal, the picker's rows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/pages/PageRules.h"

using page_rules::PickerEntry;

namespace {

std::wstring Text(const std::vector<std::wstring>& names) {
    wchar_t text[page_rules::kProcessTextUnits];
    page_rules::ProcessListText(names, text);
    return text;
}

}  // namespace

TEST(ProcessListText, NamesEachFollowedBySemicolonAndEmptyListEmpty) {
    EXPECT_EQ(Text({}), L"");
    EXPECT_EQ(Text({L"a.exe"}), L"a.exe;");
    EXPECT_EQ(Text({L"a.exe", L"b.exe"}), L"a.exe;b.exe;");
}

TEST(ProcessListText, StopsAtTheFirstNameThatWouldReach260) {
    // 250 + ";" = 251 characters; a second name of 7 makes 259 (fits), one of 8 makes 260 (does not).
    const std::wstring longName(250, L'x');
    EXPECT_EQ(Text({longName, L"abcdef7"}), longName + L";abcdef7;");
    EXPECT_EQ(Text({longName, L"abcdefg8", L"c"}), longName + L";");
    // A name too long on its own shows nothing, not even the names after it.
    EXPECT_EQ(Text({std::wstring(259, L'y'), L"a.exe"}), L"");
    EXPECT_EQ(Text({std::wstring(258, L'y')}), std::wstring(258, L'y') + L";");
}

TEST(FilePickerRefusal, ProgramExtensionsInAnyCaseAreRefused) {
    for (const wchar_t* path : {L"c:\\tools\\setup.exe", L"C:\\x\\RUN.EXE", L"c:\\a.Cmd", L"c:\\b.BAT",
                                L"c:\\c.com", L"relative.ExE"}) {
        EXPECT_TRUE(page_rules::IsExecutablePath(path)) << path;
    }
    for (const wchar_t* path : {L"c:\\notes.txt", L"c:\\README", L"c:\\dir.exe\\file", L"c:\\a.exe.txt",
                                L"c:\\report.docx", L"c:\\a.exex", L"c:\\command", L""}) {
        EXPECT_FALSE(page_rules::IsExecutablePath(path)) << path;
    }
}

TEST(PickerRows, EachRunningNameOnceFirstSpellingKeptInSnapshotOrder) {
    const auto rows = page_rules::PickerRows({L"b.exe", L"A.exe", L"a.EXE", L"b.exe", L"c.exe"}, {});
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].name, L"b.exe");
    EXPECT_EQ(rows[1].name, L"A.exe");
    EXPECT_EQ(rows[2].name, L"c.exe");
    for (const PickerEntry& row : rows) EXPECT_FALSE(row.checked);
}

TEST(PickerRows, ChosenNamesMarkRowsIgnoringCaseAndMissingOnesAreDropped) {
    const auto rows = page_rules::PickerRows({L"Notepad.exe", L"calc.exe", L"word.exe"},
                                             {L"notepad.EXE", L"gone.exe", L"word.exe"});
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_TRUE(rows[0].checked);
    EXPECT_FALSE(rows[1].checked);
    EXPECT_TRUE(rows[2].checked);
    // OK hands back the running spelling, in row order, and nothing for the name that is not running.
    EXPECT_EQ(page_rules::CheckedNames(rows), (std::vector<std::wstring>{L"Notepad.exe", L"word.exe"}));
}
