// The hook thread with every action on: the switch still completes, the actions run around it in
// their order, and what the open-file action starts lives on the virtual desktop.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <string>

#include "ActionsTestSupport.h"
#include "framework/RegistryStore.h"
#include "framework/Text.h"
#include "settings/SettingsMirror.h"
#include "switching/DesktopSwitcher.h"
#include "switching/SwitcherHarness.h"

using namespace actions_test;
using namespace testing_support;

namespace {

constexpr const wchar_t* kPolicyKey = SwitcherHarness::kPolicyKey;
constexpr const wchar_t* kTypedUrlsKey = SwitcherHarness::kTypedUrlsKey;

// The value after "key=" in a window owner's log line.
unsigned long long LogValue(const std::wstring& log, const wchar_t* key) {
    const size_t at = log.find(key);
    return at == std::wstring::npos ? 0 : std::stoull(log.substr(at + std::wcslen(key)));
}

TEST(ActionsAroundTheSwitch, EveryActionOnTheSwitchCompletesInOrder) {
    SwitcherHarness::ClearMirror();
    SwitcherHarness h;
    ASSERT_TRUE(h.Start());
    // The stand-in shell has written its line; from now on explorer.exe is the recorder, which
    // stamps its start, for the web action.
    const std::wstring explorer = h.SystemRoot() + L"\\explorer.exe";
    ASSERT_TRUE(WaitUntil([&] { return ::CopyFileW(HelperPath(L"command_recorder.exe").c_str(), explorer.c_str(), FALSE) != 0; }, 10000));
    ::DeleteFileW((explorer + L".log").c_str());

    TempDir dir;
    ScratchFileType type;
    const std::wstring recorder = dir.File(L"rec.exe");
    ASSERT_TRUE(::CopyFileW(HelperPath(L"command_recorder.exe").c_str(), recorder.c_str(), FALSE));
    type.SetCommand(L"\"" + recorder + L"\" \"%1\"");
    const std::wstring document = dir.File((L"plan" + type.Extension()).c_str());
    ::SetEnvironmentVariableW(L"VP_RECORDER_LINGER_MS", L"30000");  // the started programs stay a while

    const std::wstring pid = std::to_wstring(::GetCurrentProcessId());
    StartedProcess window, target;
    const std::wstring windowLog = dir.File(L"window.log"), targetLog = dir.File(L"target.log");
    ASSERT_TRUE(StartWindowOwner(HelperPath(L"window_owner.exe"), L"Secret plan " + pid, L"exit+shown", 6, window, windowLog));
    const std::wstring targetName = L"vpe2e" + pid + L".exe";
    ASSERT_TRUE(::CopyFileW(HelperPath(L"window_owner.exe").c_str(), dir.File(targetName.c_str()).c_str(), FALSE));
    ASSERT_TRUE(StartWindowOwner(dir.File(targetName.c_str()), L"e2e target " + pid, L"exit", 5, target, targetLog));

    CRegistryStore urls;
    urls.SetPath(kTypedUrlsKey);
    urls.WriteString(L"url1", L"http://seen.test/");
    ASSERT_TRUE(SetClipboardContent(L"the hidden sentence", "<p>the hidden sentence</p>"));
    const std::string copiedText = ClipboardBytes(CF_UNICODETEXT), copiedHtml = ClipboardBytes(HtmlFormat());
    g_SettingsMirror.Update([&](CSettingsData& m) {
        m.holdClipboard = 1;
        m.mute = m.monitorOff = m.clearIEHistory = 1;
        m.clearTypedUrls = m.clearRecentDocs = m.disableTaskMgr = 1;
        vp::CopyText(m.closeWindows.text, L"Secret plan");
        vp::CopyText(m.openFile.text, document.c_str());
        vp::CopyText(m.openWebsite.text, L"example.test");
        m.terminateProcesses = ProcessList{1, {L"VPE2E" + pid + L".EXE"}};
    });

    const DWORD policyBefore = SwitcherHarness::ReadTaskManagerPolicy();
    h.Trigger();
    ASSERT_TRUE(h.WaitSwitches(1, 30000));
    const LONGLONG switched = LastSwitchStamps().switched;
    EXPECT_EQ(L"vpdesk", h.HookThreadDesktop());

    // Before the switch: the window was asked to close, and its program closed by itself.
    EXPECT_EQ(6u, WaitExit(window, 10000));
    EXPECT_LT(static_cast<LONGLONG>(LogValue(ReadFileText(windowLog), L"qpc=")), switched);
    EXPECT_EQ(1u, SwitcherHarness::ReadTaskManagerPolicy());
    wchar_t url[64];
    EXPECT_NE(ERROR_SUCCESS, urls.ReadString(L"url1", url));
    EXPECT_EQ("", ClipboardBytes(CF_UNICODETEXT));  // nothing of it can be pasted on vpdesk
    EXPECT_EQ("", ClipboardBytes(HtmlFormat()));

    // After it, on the virtual desktop: the file, then the web page, then the processes. The
    // target's window is on the original desktop and is still asked to close: its own exit code.
    ASSERT_TRUE(WaitRecorded(recorder, 1));
    ASSERT_TRUE(WaitRecorded(explorer, 1));
    EXPECT_EQ(5u, WaitExit(target, 10000));
    const RecordedRun file = ReadRecorderLog(recorder)[0];
    const RecordedRun web = ReadRecorderLog(explorer)[0];
    EXPECT_EQ(L"vpdesk", file.desk);
    EXPECT_EQ(L"\"" + recorder + L"\" \"" + document + L"\"", file.cmd);
    EXPECT_EQ(L"vpdesk", web.desk);
    EXPECT_EQ(L"\"" + explorer + L"\" \"http://example.test\"", web.cmd);
    EXPECT_GT(file.qpc, switched);
    EXPECT_LE(file.created, web.created);
    EXPECT_LE(web.created, LogValue(ReadFileText(targetLog), L"time="));

    // Back again: Task Manager and the clipboard come back; what the file action started stays on vpdesk.
    h.Trigger();
    ASSERT_TRUE(h.WaitSwitches(2, 30000));
    EXPECT_EQ(L"Default", h.HookThreadDesktop());
    // Task Manager comes back, as it was, right after the switch has been counted.
    EXPECT_TRUE(WaitUntil([&] { return SwitcherHarness::ReadTaskManagerPolicy() == policyBefore; }, 5000));
    EXPECT_TRUE(WaitUntil([&] { return ClipboardBytes(CF_UNICODETEXT) == copiedText; }, 5000));
    EXPECT_EQ(copiedHtml, ClipboardBytes(HtmlFormat()));
    EXPECT_TRUE(ProcessRunning(recorder));

    h.Stop();
    ::SetEnvironmentVariableW(L"VP_RECORDER_LINGER_MS", nullptr);
    EndProcessesUnder(dir.Path());
    EndProcessesUnder(h.SystemRoot());
    WaitUntil([&] { return !ProcessRunning(recorder) && !ProcessRunning(explorer); }, 5000);
}

// The screen flip, watched once: whether the stubborn program was still running when it came.
HANDLE g_stubborn = nullptr;
int g_stubbornRunningAtFlip = -1;
BOOL WINAPI WatchedSwitchDesktop(HDESK desktop) {
    SetDesktopCallsForTest(nullptr, nullptr);
    g_stubbornRunningAtFlip = ::WaitForSingleObject(g_stubborn, 0) == WAIT_TIMEOUT ? 1 : 0;
    return ::SwitchDesktop(desktop);
}

TEST(ActionsAroundTheSwitch, AProgramWhoseWindowWillNotCloseEndsRightAfterTheFlip) {
    SwitcherHarness::ClearMirror();
    SwitcherHarness h;
    ASSERT_TRUE(h.Start());
    const std::wstring title = L"Stubborn plan " + std::to_wstring(::GetCurrentProcessId());
    StartedProcess stubborn;
    ASSERT_TRUE(StartWindowOwner(HelperPath(L"window_owner.exe"), title, L"refuse+shown", 7, stubborn));
    g_stubborn = stubborn.process.Get();
    SetDesktopCallsForTest(WatchedSwitchDesktop, nullptr);
    g_SettingsMirror.Update([&](CSettingsData& m) { vp::CopyText(m.closeWindows.text, title.c_str()); });

    h.Trigger();
    ASSERT_TRUE(h.WaitSwitches(1, 30000));
    // Asked twice, it outlived both waits; the screen flipped first, then it was ended.
    EXPECT_EQ(1, g_stubbornRunningAtFlip);
    EXPECT_EQ(0u, WaitExit(stubborn, 10000));

    SwitcherHarness::ClearMirror();
    h.Stop();
    EndProcess(stubborn);
}

std::atomic<bool> g_refused{false};
BOOL WINAPI RefusedSwitchDesktop(HDESK) {
    SetDesktopCallsForTest(nullptr, nullptr);
    g_refused = true;
    return FALSE;
}

TEST(ActionsAroundTheSwitch, AFlipThatDidNotHappenGivesTheClipboardBackAtOnce) {
    SwitcherHarness::ClearMirror();
    SwitcherHarness h;
    ASSERT_TRUE(h.Start());
    ASSERT_TRUE(SetClipboardContent(L"the hidden sentence", "<p>the hidden sentence</p>"));
    const std::string copied = ClipboardBytes(HtmlFormat());
    g_SettingsMirror.Update([&](CSettingsData& m) { m.holdClipboard = 1; });
    SetDesktopCallsForTest(RefusedSwitchDesktop, nullptr);
    h.Trigger();
    ASSERT_TRUE(WaitUntil([] { return g_refused.load(); }, 10000));
    EXPECT_TRUE(WaitUntil([&] { return ClipboardBytes(HtmlFormat()) == copied; }, 5000));
    EXPECT_EQ(0, h.Switches());

    SwitcherHarness::ClearMirror();
    h.Stop();
}

}  // namespace
