#include <gtest/gtest.h>

#include <shlobj.h>

#include <iterator>
#include <string>
#include <vector>

#include "ActionsTestSupport.h"
#include "actions/DecoyBrowser.h"
#include "actions/OpenActions.h"
#include "framework/RegexMatcher.h"
#include "framework/RegistryStore.h"
#include "framework/Text.h"

using namespace actions_test;
using namespace testing_support;

namespace {

std::wstring Expand(const wchar_t* tmpl, bool* whole = nullptr) {
    CRegexMatcher matcher;
    wchar_t out[vp::kExpandedUnits];
    const bool ok = vp::ExpandEnvironmentReferences(matcher, tmpl, out);
    if (whole) *whole = ok;
    return out;
}

std::wstring Env(const wchar_t* name) {
    wchar_t value[vp::kExpandedUnits] = {};
    ::GetEnvironmentVariableW(name, value, vp::kExpandedUnits);
    return value;
}

class ScopedEnv {
public:
    ScopedEnv(const wchar_t* name, const wchar_t* value) : m_name(name) { ::SetEnvironmentVariableW(name, value); }
    ~ScopedEnv() { ::SetEnvironmentVariableW(m_name, nullptr); }

private:
    const wchar_t* m_name;
};

TEST(TemplateExpansion, ReferencesExpandLeftToRight) {
    ScopedEnv a(L"VP_FIRST", L"C:\\First Dir");
    ScopedEnv b(L"VP_SECOND", L"two");
    EXPECT_EQ(Env(L"SystemRoot") + L"\\system32\\notepad.exe %1", Expand(L"%SystemRoot%\\system32\\notepad.exe %1"));
    EXPECT_EQ(L"C:\\First Dir\\bin -x two \"%1\"", Expand(L"%VP_FIRST%\\bin -x %VP_SECOND% \"%1\""));
    EXPECT_EQ(L"twotwo", Expand(L"%vp_second%%VP_SECOND%"));  // names ignore case, references may touch
    EXPECT_EQ(L"no references", Expand(L"no references"));
}

TEST(TemplateExpansion, UnsetReferenceStaysAsWritten) {
    ScopedEnv b(L"VP_SECOND", L"two");
    EXPECT_EQ(L"%VP_NOT_SET%\\x", Expand(L"%VP_NOT_SET%\\x"));
    // The closing percent sign of an unset name may open the next reference.
    EXPECT_EQ(L"%1two", Expand(L"%1%VP_SECOND%"));
    // "%1" and a later "%*" enclose a name that is not set: both stay for the command line.
    EXPECT_EQ(L"app.exe \"%1\" %*", Expand(L"app.exe \"%1\" %*"));
    EXPECT_EQ(L"100%", Expand(L"100%"));
}

TEST(TemplateExpansion, TextAroundNonAsciiCharactersKeepsItsPlace) {
    // Offsets come back in UTF-8 bytes; two-, three- and four-byte characters before a reference.
    ScopedEnv a(L"VP_W\u00c4RT", L"v\u00e4lue");
    EXPECT_EQ(L"\u00e9\u20ac\U0001D11E v\u00e4lue \u00e9", Expand(L"\u00e9\u20ac\U0001D11E %VP_W\u00c4RT% \u00e9"));
}

TEST(TemplateExpansion, OverlongResultsAreRefusedNotCut) {
    bool whole = true;
    // A value that does not fit.
    const std::wstring big(vp::kExpandedUnits - 2, L'x');
    ScopedEnv a(L"VP_BIG", big.c_str());
    EXPECT_EQ(L"a" + big, Expand(L"a%VP_BIG%", &whole));  // fills the buffer to the last unit
    EXPECT_TRUE(whole);
    EXPECT_EQ(L"", Expand(L"ab%VP_BIG%", &whole));        // one unit more
    EXPECT_FALSE(whole);
    EXPECT_EQ(L"", Expand(L"%VP_BIG%bc", &whole));        // the rest after the value does not fit
    EXPECT_FALSE(whole);
    // A name longer than the matcher's scratch would be looked up cut, so as another variable.
    const std::wstring longName = L"%" + std::wstring(300, L'N') + L"%";
    EXPECT_EQ(L"", Expand(longName.c_str(), &whole));
    EXPECT_FALSE(whole);

    wchar_t small[12];
    CRegexMatcher matcher;
    EXPECT_TRUE(vp::ExpandEnvironmentReferences(matcher, L"0123456789a", small));
    EXPECT_FALSE(vp::ExpandEnvironmentReferences(matcher, L"0123456789ab", small));
    EXPECT_STREQ(L"", small);
}

TEST(OpenCommandLine, PathTakesTheFirstPlaceholderOrFollowsABlank) {
    wchar_t out[vp::kCommandUnits];
    ASSERT_TRUE(vp::BuildOpenCommandLine(L"\"C:\\app.exe\" \"%1\" %*", L"C:\\My Files\\a.txt", out));
    EXPECT_STREQ(L"\"C:\\app.exe\" \"C:\\My Files\\a.txt\" %*", out);
    ASSERT_TRUE(vp::BuildOpenCommandLine(L"app.exe %1 %1", L"p", out));
    EXPECT_STREQ(L"app.exe p %1", out);
    ASSERT_TRUE(vp::BuildOpenCommandLine(L"app.exe -view", L"C:\\My Files\\a.txt", out));
    EXPECT_STREQ(L"app.exe -view C:\\My Files\\a.txt", out);

    wchar_t small[10];
    EXPECT_TRUE(vp::BuildOpenCommandLine(L"a %1 b", L"xyz", small));  // "a xyz b": 7 units
    EXPECT_FALSE(vp::BuildOpenCommandLine(L"a %1 b", L"wxyz12", small));
    EXPECT_STREQ(L"", small);
    EXPECT_FALSE(vp::BuildOpenCommandLine(L"abcd", L"efghi", small));
}

TEST(WebsiteCommandLine, SchemeRuleAndRefusals) {
    wchar_t out[vp::kCommandUnits];
    ASSERT_TRUE(vp::BuildWebsiteCommandLine(L"C:\\windows", L"hTtPx", out));
    EXPECT_STREQ(L"\"C:\\windows\\explorer.exe\" \"hTtPx\"", out);
    ASSERT_TRUE(vp::BuildWebsiteCommandLine(L"C:\\windows", L"httpbin.test", out));
    EXPECT_STREQ(L"\"C:\\windows\\explorer.exe\" \"httpbin.test\"", out);  // five or more, "http" first
    ASSERT_TRUE(vp::BuildWebsiteCommandLine(L"C:\\windows", L"", out));
    EXPECT_STREQ(L"\"C:\\windows\\explorer.exe\" \"http://\"", out);
    // A quote would end the field and add arguments; an empty Windows directory names another program.
    EXPECT_FALSE(vp::BuildWebsiteCommandLine(L"C:\\windows", L"a.test\" /root,C:\\", out));
    EXPECT_STREQ(L"", out);
    EXPECT_FALSE(vp::BuildWebsiteCommandLine(L"", L"a.test", out));
    wchar_t small[40];
    EXPECT_FALSE(vp::BuildWebsiteCommandLine(L"C:\\windows", L"a-rather-long-address.test", small));
    EXPECT_STREQ(L"", small);
}

TEST(DecoyBrowser, TheProgramOfARegisteredCommandAndItsFamily) {
    wchar_t exe[MAX_PATH];
    ASSERT_TRUE(vp::ExecutableOfCommand(L"\"C:\\Apps\\Web\\chrome.exe\" --single-argument %1", exe));
    EXPECT_STREQ(L"C:\\Apps\\Web\\chrome.exe", exe);
    // Written without quotes, blanks and all, as some installers do.
    ASSERT_TRUE(vp::ExecutableOfCommand(L"C:\\Program Files\\Fox\\firefox.EXE -osint -url \"%1\"", exe));
    EXPECT_STREQ(L"C:\\Program Files\\Fox\\firefox.EXE", exe);
    ScopedEnv env(L"VP_BROWSERS", L"D:\\B");
    ASSERT_TRUE(vp::ExecutableOfCommand(L"%VP_BROWSERS%\\brave.exe", exe));
    EXPECT_STREQ(L"D:\\B\\brave.exe", exe);
    EXPECT_FALSE(vp::ExecutableOfCommand(L"\"C:\\unclosed\\chrome.exe %1", exe));
    EXPECT_FALSE(vp::ExecutableOfCommand(L"  ", exe));

    EXPECT_EQ(vp::BrowserFamily::Chromium, vp::BrowserFamilyOf(L"C:\\E\\MSEdge.EXE"));
    EXPECT_EQ(vp::BrowserFamily::Firefox, vp::BrowserFamilyOf(L"librewolf.exe"));
    EXPECT_EQ(vp::BrowserFamily::Other, vp::BrowserFamilyOf(L"C:\\chrome.exe\\iexplore.exe"));

    // Refused rather than started: a quote that would end the address and add arguments.
    wchar_t out[vp::kCommandUnits];
    EXPECT_FALSE(vp::BuildDecoyBrowserCommandLine(vp::BrowserFamily::Chromium, L"chrome.exe", L"p",
                                                  L"a.test\" --utility-cmd-prefix=x", false, out, std::size(out)));
    EXPECT_STREQ(L"", out);
}

// ---- the actions, with real processes ------------------------------------------------------------

class OpenFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_recorder = m_dir.File(L"rec.exe");
        ASSERT_TRUE(::CopyFileW(HelperPath(L"command_recorder.exe").c_str(), m_recorder.c_str(), FALSE));
        m_document = m_dir.Path() + L"\\My Docs\\report" + m_type.Extension();
    }
    void Open() { vp::OpenFileOnDesktop(m_matcher, m_document.c_str(), ThreadDesktopName().c_str()); }

    CRegexMatcher m_matcher;

    TempDir m_dir;
    ScratchFileType m_type;
    std::wstring m_recorder;
    std::wstring m_document;
};

TEST_F(OpenFileTest, TemplateIsExpandedAndTheFileTakesThePlaceholder) {
    ScopedEnv env(L"VP_OPEN_DIR", L"C:\\Value Dir");
    m_type.SetCommand(L"\"" + m_recorder + L"\" %VP_OPEN_DIR%\\sub \"%1\" %*");
    MessageBoxWatcher boxes(L"Veilpane");
    Open();
    ASSERT_TRUE(WaitRecorded(m_recorder, 1));
    const RecordedRun run = ReadRecorderLog(m_recorder)[0];
    EXPECT_EQ(L"\"" + m_recorder + L"\" C:\\Value Dir\\sub \"" + m_document + L"\" %*", run.cmd);
    EXPECT_EQ(ThreadDesktopName(), run.desk);
    EXPECT_EQ(0, boxes.Count());
}

TEST_F(OpenFileTest, TemplateWithoutPlaceholderGetsABlankAndTheBarePath) {
    m_type.SetCommand(L"\"" + m_recorder + L"\" -view");
    Open();
    ASSERT_TRUE(WaitRecorded(m_recorder, 1));
    EXPECT_EQ(L"\"" + m_recorder + L"\" -view " + m_document, ReadRecorderLog(m_recorder)[0].cmd);
}

TEST_F(OpenFileTest, MissingClassOrCommandStartsNothingAndShowsNothing) {
    MessageBoxWatcher boxes(L"Veilpane");
    // Registered extension, but its class has no open command.
    Open();
    // An extension with no class, and a path with no extension at all.
    const std::wstring other = m_dir.File(L"report.vpnoclass");
    vp::OpenFileOnDesktop(m_matcher, other.c_str(), ThreadDesktopName().c_str());
    vp::OpenFileOnDesktop(m_matcher, m_dir.File(L"README").c_str(), ThreadDesktopName().c_str());
    ::Sleep(300);
    EXPECT_EQ(0, boxes.Count());
    EXPECT_TRUE(ReadRecorderLog(m_recorder).empty());
}

TEST_F(OpenFileTest, RefusedStartShowsTheCommandLine) {
    m_type.SetCommand(L"\"" + m_dir.File(L"missing.exe") + L"\" \"%1\"");
    MessageBoxWatcher boxes(L"Veilpane");
    Open();
    ASSERT_TRUE(WaitUntil([&] { return boxes.Count() == 1; }, 5000));
    EXPECT_EQ(L"\"" + m_dir.File(L"missing.exe") + L"\" \"" + m_document + L"\"", boxes.LastText());
}

TEST_F(OpenFileTest, OverlongCommandIsNotStarted) {
    const std::wstring value(vp::kExpandedUnits - 10, L'v');
    ScopedEnv env(L"VP_OPEN_LONG", value.c_str());
    m_type.SetCommand(L"\"" + m_recorder + L"\" %VP_OPEN_LONG% \"%1\"");
    MessageBoxWatcher boxes(L"Veilpane");
    Open();
    ::Sleep(300);
    EXPECT_TRUE(ReadRecorderLog(m_recorder).empty());
    EXPECT_EQ(0, boxes.Count());
}

// A program that hands the file to a copy of it running elsewhere ends at once with no window on
// vpdesk: the user is told once for the file, after the way back, even a way back that came before
// the answer. A launcher that ends at once after starting the real program (through a second
// launcher that ends too), which runs on there, has handed nothing over.
TEST_F(OpenFileTest, AProgramThatEndsAtOnceWithoutAWindowThereIsToldOfOnceAfterTheWayBack) {
    vp::DesktopHandle vpdesk(::CreateDesktopW(L"vpdesk", nullptr, nullptr, 0, GENERIC_ALL, nullptr));
    ASSERT_TRUE(vpdesk);
    // In use throughout, as the shell keeps it: Wine lets go of the name of a desktop nobody uses.
    StartedProcess keeper;
    ASSERT_TRUE(StartProcess(L"\"" + HelperPath(L"desktop_keeper.exe") + L"\"", keeper, L"vpdesk"));
    struct Ender { StartedProcess& p; ~Ender() { EndProcess(p); } } endKeeper{keeper};  // it never ends by itself
    MessageBoxWatcher boxes(L"Veilpane");
    CSettingsData s;
    vp::CopyText(s.openFile.text, m_document.c_str());
    COpenFileAction action;

    const std::wstring owner = m_dir.File(L"editor.exe");
    ASSERT_TRUE(::CopyFileW(HelperPath(L"window_owner.exe").c_str(), owner.c_str(), FALSE));
    wchar_t system[MAX_PATH];
    ASSERT_NE(0u, ::GetSystemDirectoryW(system, MAX_PATH));
    m_type.SetCommand(L"\"" + std::wstring(system) + L"\\cmd.exe\" /c start \"\" \"" + owner +
                      L"\" \"Opened here\" exit+shown 0 & rem \"%1\"");
    action.After(s);
    EXPECT_TRUE(WaitUntil([&] { return ProcessRunning(owner); }, 10000));
    ASSERT_TRUE(WaitUntil([&] { return action.Watch().Done(); }, 10000));
    EndProcessesUnder(m_dir.Path());
    EXPECT_FALSE(action.Watch().Found());

    m_type.SetCommand(L"\"" + m_recorder + L"\" \"%1\"");
    action.After(s);
    ASSERT_TRUE(WaitUntil([&] { return action.Watch().Done() && ReadRecorderLog(m_recorder).size() == 1; }, 10000));
    EXPECT_TRUE(action.Watch().Found());
    EXPECT_EQ(0, boxes.Count());  // not before the way back
    action.Undo();
    EXPECT_TRUE(WaitUntil([&] { return boxes.Count() == 1; }, 5000));
    EXPECT_NE(std::wstring::npos, boxes.LastText().find(L"runs on your own desktop"));

    action.After(s);  // the same file again: told already
    ASSERT_TRUE(WaitUntil([&] { return action.Watch().Done(); }, 10000));
    EXPECT_FALSE(action.Watch().Found());

    vp::CopyText(s.openFile.text, (m_dir.Path() + L"\\other" + m_type.Extension()).c_str());  // another file
    action.After(s);  // back at once, before the watch can tell
    action.Undo();
    ASSERT_TRUE(WaitRecorded(m_recorder, 3));
    EXPECT_TRUE(WaitUntil([&] { return boxes.Count() == 2; }, 10000));
}

class OpenWebsiteTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The module's Windows directory holds 49 characters: a short private one.
        m_root = L"C:\\vpweb" + std::to_wstring(::GetCurrentProcessId());
        ::CreateDirectoryW(m_root.c_str(), nullptr);
        m_explorer = m_root + L"\\explorer.exe";
        ASSERT_TRUE(::CopyFileW(HelperPath(L"command_recorder.exe").c_str(), m_explorer.c_str(), FALSE));
        ::DeleteFileW((m_explorer + L".log").c_str());
        vp::CopyText(m_savedRoot, vp::SystemRoot());
        ASSERT_LT(m_root.size(), 50u);
        vp::SetSystemRootForTest(m_root.c_str());
    }
    void TearDown() override {
        vp::SetSystemRootForTest(m_savedRoot);
        ::DeleteFileW((m_explorer + L".log").c_str());
        ::DeleteFileW(m_explorer.c_str());
        ::RemoveDirectoryW(m_root.c_str());
    }
    std::wstring m_root, m_explorer;
    wchar_t m_savedRoot[50] = {};
};

TEST_F(OpenWebsiteTest, ExactCommandLines) {
    const wchar_t* addresses[] = {L"https://a.test/x?q=1", L"HTTP://B.TEST", L"ftp://x", L"http", L"c.test"};
    const std::wstring shell = L"\"" + m_explorer + L"\" ";
    const std::wstring expected[] = {shell + L"\"https://a.test/x?q=1\"", shell + L"\"HTTP://B.TEST\"",
                                     shell + L"\"http://ftp://x\"", shell + L"\"http://http\"",
                                     shell + L"\"http://c.test\""};
    MessageBoxWatcher boxes(L"Veilpane");
    for (size_t i = 0; i < 5; ++i) {
        vp::OpenWebsiteOnDesktop(addresses[i], ThreadDesktopName().c_str());
        // One at a time, so the log keeps the order.
        ASSERT_TRUE(WaitRecorded(m_explorer, i + 1)) << i;
        EXPECT_EQ(expected[i], ReadRecorderLog(m_explorer)[i].cmd);
    }
    EXPECT_EQ(0, boxes.Count());
}

TEST_F(OpenWebsiteTest, FailuresShowTheMessage) {
    MessageBoxWatcher boxes(L"Veilpane");
    // An address that would break out of its quotes is refused, and said so.
    vp::OpenWebsiteOnDesktop(L"a.test\" C:\\other", ThreadDesktopName().c_str());
    ASSERT_TRUE(WaitUntil([&] { return boxes.Count() == 1; }, 5000));
    EXPECT_EQ(L"CreateProcess for OpenWebsite failed", boxes.LastText());
    ::DeleteFileW(m_explorer.c_str());
    vp::OpenWebsiteOnDesktop(L"a.test", ThreadDesktopName().c_str());
    ASSERT_TRUE(WaitUntil([&] { return boxes.Count() == 2; }, 5000));
    EXPECT_EQ(L"CreateProcess for OpenWebsite failed", boxes.LastText());
    EXPECT_TRUE(ReadRecorderLog(m_explorer).empty());
}

// The user's browser, registered for https the way Chromium and Firefox register themselves for one
// user (a class under HKCU\Software\Classes, chosen for https), stood in for by the recorder under
// the browser's program name.
class DecoyBrowserTest : public OpenWebsiteTest {
protected:
    static constexpr wchar_t kChoiceKey[] =
        L"Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\https\\UserChoice";

    void SetUp() override {
        OpenWebsiteTest::SetUp();
        m_vpdesk.Reset(::CreateDesktopW(L"vpdesk", nullptr, nullptr, 0, GENERIC_ALL, nullptr));
        ASSERT_TRUE(m_vpdesk);
        wchar_t local[MAX_PATH];
        ASSERT_EQ(S_OK, ::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local));
        m_ours = std::wstring(local) + L"\\Veilpane";
        m_profiles = m_ours + L"\\Browsers";
    }
    void TearDown() override {
        DeleteKeyTree(kChoiceKey);
        for (const std::wstring& progId : m_classes) DeleteKeyTree((L"Software\\Classes\\" + progId).c_str());
        for (const wchar_t* made : {L"chrome", L"firefox", L"otherbrowser"}) ::RemoveDirectoryW(Profile(made).c_str());
        ::RemoveDirectoryW(m_profiles.c_str());
        ::RemoveDirectoryW(m_ours.c_str());
        OpenWebsiteTest::TearDown();
    }

    std::wstring Register(const wchar_t* image, const wchar_t* progId, const std::wstring& arguments) {
        const std::wstring exe = m_dir.File(image);
        ::CopyFileW(HelperPath(L"command_recorder.exe").c_str(), exe.c_str(), FALSE);
        CRegistryStore store;
        store.SetPath((L"Software\\Classes\\" + std::wstring(progId) + L"\\shell\\open\\command").c_str());
        store.WriteString(nullptr, (L"\"" + exe + L"\" " + arguments).c_str());
        store.SetPath(kChoiceKey);
        store.WriteString(L"ProgId", progId);
        m_classes.emplace_back(progId);
        return exe;
    }
    std::wstring Profile(const wchar_t* name) const { return m_profiles + L"\\" + name; }
    // Opens address; the command line of the run-th start of the browser at exe, which was on vpdesk.
    std::wstring OpenedWith(const std::wstring& exe, const wchar_t* address, size_t run) const {
        vp::OpenWebsiteOnDesktop(address, L"vpdesk");
        if (!WaitRecorded(exe, run + 1)) return L"<not started>";
        const RecordedRun started = ReadRecorderLog(exe)[run];
        return started.desk == L"vpdesk" ? started.cmd : L"<started on " + started.desk + L">";
    }

    TempDir m_dir;
    vp::DesktopHandle m_vpdesk;
    std::wstring m_ours, m_profiles;
    std::vector<std::wstring> m_classes;
};

TEST_F(DecoyBrowserTest, EachFamilyStartsOnTheVirtualDesktopWithAProfileOfItsOwn) {
    MessageBoxWatcher boxes(L"Veilpane");
    const std::wstring chrome = Register(L"chrome.exe", L"ChromeHTML", L"--single-argument %1");
    EXPECT_EQ(L"\"" + chrome + L"\" --user-data-dir=\"" + Profile(L"chrome") +
                  L"\" --no-first-run --no-default-browser-check --new-window \"http://news.test/today\"",
              OpenedWith(chrome, L"news.test/today", 0));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(Profile(L"chrome").c_str()));

    const std::wstring firefox = Register(L"firefox.exe", L"FirefoxURL-308046B0AF4A39CB", L"-osint -url \"%1\"");
    const std::wstring profile = Profile(L"firefox");
    EXPECT_EQ(L"\"" + firefox + L"\" -no-remote -profile \"" + profile + L"\" -new-window \"https://news.test/\"",
              OpenedWith(firefox, L"https://news.test/", 0));
    // The decoy runs on its profile (it holds the lock): the address is handed to it.
    vp::FileHandle held(::CreateFileW((profile + L"\\parent.lock").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    ASSERT_TRUE(held);
    EXPECT_EQ(L"\"" + firefox + L"\" -profile \"" + profile + L"\" -new-window \"https://news.test/\"",
              OpenedWith(firefox, L"https://news.test/", 1));
    held.Reset();
    EXPECT_EQ(0, boxes.Count());
    EXPECT_TRUE(ReadRecorderLog(m_explorer).empty());
}

// Any other browser goes through the shell, as before; one of ours whose own profile cannot be made
// (a file in its place) through nothing, and the notice says so.
TEST_F(DecoyBrowserTest, AnyOtherBrowserIsLeftToTheShellAndOursNeverIs) {
    MessageBoxWatcher boxes(L"Veilpane");
    const std::wstring other = Register(L"otherbrowser.exe", L"OtherURL", L"\"%1\"");
    vp::OpenWebsiteOnDesktop(L"news.test", L"vpdesk");
    ASSERT_TRUE(WaitRecorded(m_explorer, 1));
    EXPECT_EQ(L"vpdesk", ReadRecorderLog(m_explorer)[0].desk);
    EXPECT_EQ(L"\"" + m_explorer + L"\" \"http://news.test\"", ReadRecorderLog(m_explorer)[0].cmd);
    EXPECT_TRUE(ReadRecorderLog(other).empty());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(Profile(L"otherbrowser").c_str()));

    const std::wstring edge = Register(L"msedge.exe", L"MSEdgeHTM", L"--single-argument %1");
    ::SHCreateDirectoryExW(nullptr, m_profiles.c_str(), nullptr);
    ASSERT_TRUE(WriteFileText(Profile(L"msedge"), "not a folder"));
    vp::OpenWebsiteOnDesktop(L"news.test", L"vpdesk");
    ASSERT_TRUE(WaitUntil([&] { return boxes.Count() == 1; }, 5000));
    ::DeleteFileW(Profile(L"msedge").c_str());
    EXPECT_TRUE(ReadRecorderLog(edge).empty());
    EXPECT_EQ(1u, ReadRecorderLog(m_explorer).size());
}

}  // namespace
