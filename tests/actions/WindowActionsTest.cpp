#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ActionsTestSupport.h"
#include "actions/ProcessPicker.h"
#include "actions/SystemActions.h"
#include "actions/WindowActions.h"

using namespace actions_test;
using namespace testing_support;

namespace {

std::wstring Upper(std::wstring s) {
    for (wchar_t& c : s) c = static_cast<wchar_t>(::towupper(c));
    return s;
}

// A copy of the window owner under a name of its own, so no other test's processes share it.
class OwnerCopy {
public:
    explicit OwnerCopy(const std::wstring& name) : m_name(name), m_path(m_dir.File(name.c_str())) {
        ::CopyFileW(HelperPath(L"window_owner.exe").c_str(), m_path.c_str(), FALSE);
    }
    const std::wstring& Name() const { return m_name; }
    const std::wstring& Path() const { return m_path; }

private:
    TempDir m_dir;
    std::wstring m_name, m_path;
};

std::wstring Unique(const wchar_t* stem) { return stem + std::to_wstring(::GetCurrentProcessId()); }

// ---- close windows by title ----------------------------------------------------------------------

TEST(CloseWindowsByTitle, MatchIsCaseSensitiveSubstring) {
    StartedProcess upper, lower;
    ASSERT_TRUE(StartWindowOwner(HelperPath(L"window_owner.exe"), L"Untitled - Notepad", L"exit", 11, upper));
    ASSERT_TRUE(StartWindowOwner(HelperPath(L"window_owner.exe"), L"untitled - notepad", L"exit", 12, lower));
    g_SystemActions.CloseWindowsByTitle(L"Note");
    EXPECT_EQ(11u, WaitExit(upper, 5000));  // closed by its own hand after WM_CLOSE
    EXPECT_TRUE(IsRunning(lower));
    EndProcess(lower);
}

TEST(CloseWindowsByTitle, WindowThatClosesLeavesItsProcessAlone) {
    StartedProcess owner;
    const std::wstring title = Unique(L"Closing report ");
    ASSERT_TRUE(StartWindowOwner(HelperPath(L"window_owner.exe"), title, L"stay", 13, owner));
    g_SystemActions.CloseWindowsByTitle(L"Closing report");
    EXPECT_EQ(nullptr, ::FindWindowW(L"VpWindowOwner", title.c_str()));
    EXPECT_TRUE(IsRunning(owner));
    EndProcess(owner);
}

TEST(CloseWindowsByTitle, WindowThatStaysCostsItsProcess) {
    // Refuses everything: terminated with exit code 0 once the wait is over.
    StartedProcess refusing;
    ASSERT_TRUE(StartWindowOwner(HelperPath(L"window_owner.exe"), Unique(L"Stubborn A "), L"refuse", 14, refusing));
    // Refuses on the titled window, but its other top-level window is asked too and ends the process.
    StartedProcess second;
    TempDir dir;
    const std::wstring log = dir.File(L"closes.log");
    ASSERT_TRUE(StartWindowOwner(HelperPath(L"window_owner.exe"), Unique(L"Stubborn B "), L"second", 15, second, log));
    g_SystemActions.CloseWindowsByTitle(L"Stubborn");
    EXPECT_EQ(0u, WaitExit(refusing, 5000));
    EXPECT_EQ(15u, WaitExit(second, 5000));
    const std::wstring closes = ReadFileText(log);
    EXPECT_NE(std::wstring::npos, closes.find(L"window=title")) << closes;
    EXPECT_NE(std::wstring::npos, closes.find(L"window=second")) << closes;
}

TEST(CloseWindowsByTitle, OwnWindowsAreExempt) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VpOwnWindowTest";
    ::RegisterClassW(&wc);
    const std::wstring title = Unique(L"Own settings window ");
    HWND own = ::CreateWindowW(L"VpOwnWindowTest", title.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                               nullptr, wc.hInstance, nullptr);
    ASSERT_NE(nullptr, own);
    g_SystemActions.CloseWindowsByTitle(L"Own settings window");
    // A posted WM_CLOSE would be handled now, by the default procedure, which destroys the window.
    WaitUntil([] { return false; }, 200);
    EXPECT_TRUE(::IsWindow(own));
    ::DestroyWindow(own);
}

// ---- terminate processes by name -----------------------------------------------------------------

TEST(TerminateProcesses, EveryProcessOfANameEndsWhateverItsCase) {
    OwnerCopy exe(Unique(L"vpterm") + L".exe");
    StartedProcess a, b, c, d;
    ASSERT_TRUE(StartWindowOwner(exe.Path(), Unique(L"term a "), L"exit", 31, a));
    ASSERT_TRUE(StartWindowOwner(exe.Path(), Unique(L"term b "), L"exit", 32, b));
    ASSERT_TRUE(StartWindowOwner(exe.Path(), Unique(L"term c "), L"refuse", 33, c));
    ASSERT_TRUE(StartWindowOwner(exe.Path(), Unique(L"term d "), L"second", 34, d));
    g_SystemActions.TerminateProcesses({L"nothing-like-it.exe", Upper(exe.Name())});
    EXPECT_EQ(31u, WaitExit(a, 5000));  // they closed within the wait: their own codes
    EXPECT_EQ(32u, WaitExit(b, 5000));
    EXPECT_EQ(0u, WaitExit(c, 5000));   // refused: terminated with 0
    EXPECT_EQ(34u, WaitExit(d, 5000));  // every top-level window of it was asked
}

TEST(TerminateProcesses, NamesThatDoNotEndAnything) {
    OwnerCopy exe(Unique(L"vpkeep") + L".exe");
    OwnerCopy own(L"Veilpane.exe");
    StartedProcess target, ours;
    ASSERT_TRUE(StartWindowOwner(exe.Path(), Unique(L"keep "), L"exit", 41, target));
    ASSERT_TRUE(StartWindowOwner(own.Path(), Unique(L"ours "), L"exit", 42, ours));

    g_SystemActions.TerminateProcesses({});  // an empty list takes no snapshot
    const std::wstring bare = exe.Name().substr(0, exe.Name().size() - 4);
    g_SystemActions.TerminateProcesses({bare, L"system", L"[System Process]", L"VEILPANE.EXE"});
    // This test's own executable, under whatever name it runs: surviving this line is the check.
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    g_SystemActions.TerminateProcesses({std::wstring(::wcsrchr(self, L'\\') + 1)});

    EXPECT_TRUE(IsRunning(target));
    EXPECT_TRUE(IsRunning(ours));
    EndProcess(target);
    EndProcess(ours);
}

TEST(TerminateProcesses, OwnProcessIsNeverClosed) {
    EXPECT_EQ(0, vp::CloseOrTerminateProcess(::GetCurrentProcessId(), 10));
    EXPECT_EQ(0, vp::CloseOrTerminateProcess(0xFFFFFFF0u, 10));  // no such process
}

// ---- the picker's listing ------------------------------------------------------------------------

TEST(ProcessPicker, NamesOnceInFirstSpellingWithoutExemptOnes) {
    std::vector<std::wstring> list;
    for (const wchar_t* name : {L"B.exe", L"a.exe", L"b.EXE", L"SYSTEM", L"[system process]", L"veilpane.EXE", L"A.exe"}) {
        vp::AddPickerName(list, name);
    }
    EXPECT_EQ((std::vector<std::wstring>{L"B.exe", L"a.exe"}), list);
}

TEST(ProcessPicker, ListsRunningProgramsOnceEach) {
    OwnerCopy exe(Unique(L"vppick") + L".exe");
    OwnerCopy own(L"Veilpane.exe");
    StartedProcess a, b, ours;
    ASSERT_TRUE(StartWindowOwner(exe.Path(), Unique(L"pick a "), L"exit", 0, a));
    ASSERT_TRUE(StartWindowOwner(exe.Path(), Unique(L"pick b "), L"exit", 0, b));
    ASSERT_TRUE(StartWindowOwner(own.Path(), Unique(L"pick ours "), L"exit", 0, ours));

    std::vector<std::wstring> list{L"stale entry"};
    vp::EnumeratePickerProcesses(list);
    EXPECT_EQ(1, std::count(list.begin(), list.end(), exe.Name()));
    EXPECT_EQ(0, std::count(list.begin(), list.end(), L"stale entry"));
    EXPECT_EQ(0, std::count_if(list.begin(), list.end(), [](const std::wstring& n) { return vp::IsExemptProcessName(n.c_str()); }));
    // Programs this one could open and end are listed too: the picker exists to offer them.
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    EXPECT_EQ(1, std::count(list.begin(), list.end(), std::wstring(::wcsrchr(self, L'\\') + 1)));
    for (StartedProcess* p : {&a, &b, &ours}) EndProcess(*p);
}

}  // namespace
