#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ActionsTestSupport.h"
#include "actions/ProcessPicker.h"
#include "actions/WindowActions.h"
#include "framework/Text.h"

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

// The shell the actions leave alone, as the switcher records it.
DWORD ownShellId = 0;
void CloseWindowsByTitle(const wchar_t* title) { vp::CloseWindowsWithTitle(title, ownShellId); }
void TerminateProcesses(const std::vector<std::wstring>& names) {
    vp::CloseOrTerminateProcesses(vp::ListProcesses(names, ownShellId), ownShellId, vp::kProcessExitWaitMs);
}

std::wstring Unique(const wchar_t* stem) { return stem + std::to_wstring(::GetCurrentProcessId()); }

// ---- close windows by title ----------------------------------------------------------------------

TEST(CloseWindowsByTitle, MatchIsCaseSensitiveSubstring) {
    StartedProcess upper, lower;
    ASSERT_TRUE(StartWindowOwner(HelperPath(L"window_owner.exe"), L"Untitled - Notepad", L"exit+shown", 11, upper));
    ASSERT_TRUE(StartWindowOwner(HelperPath(L"window_owner.exe"), L"untitled - notepad", L"exit+shown", 12, lower));
    CloseWindowsByTitle(L"Note");
    EXPECT_EQ(11u, WaitExit(upper, 5000));  // closed by its own hand after WM_CLOSE
    EXPECT_TRUE(IsRunning(lower));
    EndProcess(lower);
}

TEST(CloseWindowsByTitle, WindowThatClosesLeavesItsProcessAlone) {
    StartedProcess owner;
    const std::wstring title = Unique(L"Closing report ");
    ASSERT_TRUE(StartWindowOwner(HelperPath(L"window_owner.exe"), title, L"stay+shown", 13, owner));
    CloseWindowsByTitle(L"Closing report");
    EXPECT_EQ(nullptr, ::FindWindowW(L"VpWindowOwner", title.c_str()));
    EXPECT_TRUE(IsRunning(owner));
    EndProcess(owner);
}

// The time a window owner logged its first WM_CLOSE, and the time its process ended.
ULONGLONG FirstCloseTime(const std::wstring& log) {
    const size_t at = log.find(L"time=");
    return at == std::wstring::npos ? 0 : std::stoull(log.substr(at + 5));
}
ULONGLONG ExitTime(const StartedProcess& p) {
    FILETIME created, exited, kernel, user;
    if (!::GetProcessTimes(p.process.Get(), &created, &exited, &kernel, &user)) return 0;
    return (static_cast<ULONGLONG>(exited.dwHighDateTime) << 32) | exited.dwLowDateTime;
}

TEST(CloseWindowsByTitle, WindowsThatStayCostTheirProcessesAllAskedFirst) {
    TempDir dir;
    // Refuse everything: terminated with exit code 0 once the shared wait is over.
    StartedProcess refusing[3];
    std::wstring logs[3];
    for (int i = 0; i < 3; ++i) {
        logs[i] = dir.File((L"refuse" + std::to_wstring(i) + L".log").c_str());
        ASSERT_TRUE(StartWindowOwner(HelperPath(L"window_owner.exe"), Unique(L"Stubborn A ") + std::to_wstring(i),
                                     L"refuse+shown", 14, refusing[i], logs[i]));
    }
    // Refuses on the titled window, but its other (hidden) top-level window is asked too when the
    // process is, and ends it.
    StartedProcess second;
    const std::wstring log = dir.File(L"closes.log");
    ASSERT_TRUE(StartWindowOwner(HelperPath(L"window_owner.exe"), Unique(L"Stubborn B "), L"second+shown", 15, second, log));
    CloseWindowsByTitle(L"Stubborn");
    EXPECT_EQ(15u, WaitExit(second, 5000));
    const std::wstring closes = ReadFileText(log);
    EXPECT_NE(std::wstring::npos, closes.find(L"window=title")) << closes;
    EXPECT_NE(std::wstring::npos, closes.find(L"window=second")) << closes;
    // Every window was asked before any process was ended: they were not handled one after another.
    ULONGLONG lastAsked = 0, firstEnded = ~0ull;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(0u, WaitExit(refusing[i], 5000));
        lastAsked = std::max(lastAsked, FirstCloseTime(ReadFileText(logs[i])));
        firstEnded = std::min(firstEnded, ExitTime(refusing[i]));
    }
    EXPECT_NE(0u, lastAsked);
    EXPECT_LT(lastAsked, firstEnded);
}

TEST(CloseWindowsByTitle, OnlyWindowsTheUserCanSee) {
    TempDir dir;
    const std::wstring title = Unique(L"Quarterly figures ");
    // A hidden window that would end its program when asked, and one that would stay and cost its
    // process: neither is touched. The visible one with the same title closes.
    StartedProcess hiddenExit, hiddenRefuse, visible;
    const std::wstring hiddenLog = dir.File(L"hidden.log");
    ASSERT_TRUE(StartWindowOwner(HelperPath(L"window_owner.exe"), title + L"a", L"exit", 21, hiddenExit, hiddenLog));
    ASSERT_TRUE(StartWindowOwner(HelperPath(L"window_owner.exe"), title + L"b", L"refuse", 22, hiddenRefuse, hiddenLog));
    CloseWindowsByTitle(title.c_str());
    EXPECT_TRUE(IsRunning(hiddenExit));
    EXPECT_TRUE(IsRunning(hiddenRefuse));
    EXPECT_EQ(L"", ReadFileText(hiddenLog));

    ASSERT_TRUE(StartWindowOwner(HelperPath(L"window_owner.exe"), title + L"c", L"exit+shown", 23, visible));
    CloseWindowsByTitle(title.c_str());
    EXPECT_EQ(23u, WaitExit(visible, 5000));
    EXPECT_TRUE(IsRunning(hiddenExit));
    EXPECT_TRUE(IsRunning(hiddenRefuse));
    EXPECT_EQ(L"", ReadFileText(hiddenLog));
    EndProcess(hiddenExit);
    EndProcess(hiddenRefuse);
}

TEST(CloseWindowsByTitle, NeverADesktopShell) {
    // A shell's visible window carrying the text, refusing to close: a shell is neither asked nor
    // ended, whichever shell it is.
    OwnerCopy shell(L"explorer.exe");
    OwnerCopy ours(Unique(L"vpshell") + L".exe");
    StartedProcess anyShell, ownShell;
    const std::wstring title = Unique(L"Desktop ");
    TempDir dir;
    const std::wstring log = dir.File(L"shell.log");
    ASSERT_TRUE(StartWindowOwner(shell.Path(), title + L"a", L"exit+shown", 31, anyShell, log));
    ASSERT_TRUE(StartWindowOwner(ours.Path(), title + L"b", L"exit+shown", 32, ownShell, log));
    ownShellId = ownShell.pid;
    CloseWindowsByTitle(title.c_str());
    ownShellId = 0;
    EXPECT_TRUE(IsRunning(anyShell));
    EXPECT_TRUE(IsRunning(ownShell));
    EXPECT_EQ(L"", ReadFileText(log));
    EndProcess(anyShell);
    EndProcess(ownShell);
}

TEST(CloseWindowsByTitle, WhichWindowsMayBeClosed) {
    vp::WindowFacts w;
    w.visible = true;
    w.processId = 40;
    w.exeName = L"editor.exe";
    EXPECT_TRUE(vp::MayCloseWindow(w, 10, 20));
    EXPECT_FALSE(vp::MayCloseWindow(w, 40, 20));   // this program
    EXPECT_FALSE(vp::MayCloseWindow(w, 10, 40));   // the shell it started, whatever its name
    vp::WindowFacts hidden = w;
    hidden.visible = false;
    EXPECT_FALSE(vp::MayCloseWindow(hidden, 10, 20));
    vp::WindowFacts cloaked = w;
    cloaked.cloaked = true;
    EXPECT_FALSE(vp::MayCloseWindow(cloaked, 10, 20));
    vp::WindowFacts shell = w;
    shell.exeName = L"EXPLORER.EXE";
    EXPECT_FALSE(vp::MayCloseWindow(shell, 10, 0));
    vp::WindowFacts unknown = w;
    unknown.exeName = nullptr;  // a process this program may not ask about is still asked to close
    EXPECT_TRUE(vp::MayCloseWindow(unknown, 10, 0));
}

TEST(CloseWindowsByTitle, OwnWindowsAreExempt) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VpOwnWindowTest";
    ::RegisterClassW(&wc);
    const std::wstring title = Unique(L"Own settings window ");
    HWND own = ::CreateWindowW(L"VpOwnWindowTest", title.c_str(), WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr,
                               nullptr, wc.hInstance, nullptr);
    ASSERT_NE(nullptr, own);
    CloseWindowsByTitle(L"Own settings window");
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
    TerminateProcesses({L"nothing-like-it.exe", Upper(exe.Name())});
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

    TerminateProcesses({});  // an empty list takes no snapshot
    const std::wstring bare = exe.Name().substr(0, exe.Name().size() - 4);
    TerminateProcesses({bare, L"system", L"[System Process]", L"VEILPANE.EXE"});
    // This test's own executable, under whatever name it runs: surviving this line is the check.
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    TerminateProcesses({std::wstring(::wcsrchr(self, L'\\') + 1)});

    EXPECT_TRUE(IsRunning(target));
    EXPECT_TRUE(IsRunning(ours));
    EndProcess(target);
    EndProcess(ours);
}

TEST(TerminateProcesses, EssentialProcessesAndDesktopShellsAreNeverEnded) {
    // The user's own shell as much as the one this program started: ending it ends their taskbar.
    OwnerCopy essential(L"svchost.exe");
    OwnerCopy userShell(L"explorer.exe");
    OwnerCopy shell(Unique(L"vpshell") + L".exe");
    StartedProcess a, users, ours;
    ASSERT_TRUE(StartWindowOwner(essential.Path(), Unique(L"essential "), L"exit", 43, a));
    ASSERT_TRUE(StartWindowOwner(userShell.Path(), Unique(L"user shell "), L"refuse", 45, users));
    ASSERT_TRUE(StartWindowOwner(shell.Path(), Unique(L"our shell "), L"exit", 44, ours));
    ownShellId = ours.pid;
    TerminateProcesses({L"svchost.exe", L"CSRSS.EXE", L"Explorer.EXE", shell.Name()});
    ownShellId = 0;
    vp::ProcessIdentity listed;
    ASSERT_TRUE(vp::ReadProcessIdentity(users.process.Get(), users.pid, listed));
    EXPECT_EQ(0u, vp::CloseOrTerminateProcesses({listed}, 0, 10));
    for (StartedProcess* p : {&a, &users, &ours}) {
        EXPECT_TRUE(IsRunning(*p));
        EndProcess(*p);
    }
}

TEST(TerminateProcesses, SameProcessNeedsIdNameAndCreationTime) {
    vp::ProcessIdentity listed;
    listed.processId = 1200;
    vp::CopyText(listed.exeName, L"Report.exe");
    listed.created = FILETIME{100, 7};
    vp::ProcessIdentity live = listed;
    vp::CopyText(live.exeName, L"REPORT.EXE");
    EXPECT_TRUE(vp::SameProcess(listed, live));
    vp::ProcessIdentity other = listed;
    vp::CopyText(other.exeName, L"helper.exe");   // the id now names a program of another name
    EXPECT_FALSE(vp::SameProcess(listed, other));
    other = listed;
    other.created = FILETIME{101, 7};             // ... or a later program of the same name
    EXPECT_FALSE(vp::SameProcess(listed, other));
    other = listed;
    other.processId = 1204;
    EXPECT_FALSE(vp::SameProcess(listed, other));
}

TEST(TerminateProcesses, AnIdReusedByAnotherProgramIsNotEnded) {
    // The listed program ran and exited; its id now names a helper of another name. The helper
    // stands under the listed entry's id, with the name and creation time the snapshot recorded.
    OwnerCopy listedExe(Unique(L"vplisted") + L".exe");
    OwnerCopy helperExe(Unique(L"vphelper") + L".exe");
    StartedProcess gone, helper;
    ASSERT_TRUE(StartWindowOwner(listedExe.Path(), Unique(L"listed "), L"exit", 51, gone));
    ASSERT_TRUE(StartWindowOwner(helperExe.Path(), Unique(L"helper "), L"exit", 52, helper));
    vp::ProcessIdentity listed;
    ASSERT_TRUE(vp::ReadProcessIdentity(gone.process.Get(), gone.pid, listed));
    EXPECT_EQ(listedExe.Name(), std::wstring(listed.exeName));
    EndProcess(gone);

    listed.processId = helper.pid;
    EXPECT_EQ(0u, vp::CloseOrTerminateProcesses({listed}, 0, 100));
    vp::ProcessIdentity sameName;
    ASSERT_TRUE(vp::ReadProcessIdentity(helper.process.Get(), helper.pid, sameName));
    sameName.created = listed.created;  // the helper's name, but not its creation time
    EXPECT_EQ(0u, vp::CloseOrTerminateProcesses({sameName}, 0, 100));
    EXPECT_TRUE(IsRunning(helper));

    // The helper as it really is: asked to close, and it does.
    vp::ProcessIdentity itself;
    ASSERT_TRUE(vp::ReadProcessIdentity(helper.process.Get(), helper.pid, itself));
    vp::CloseOrTerminateProcesses({itself}, 0, 5000);
    EXPECT_EQ(52u, WaitExit(helper, 5000));
}

TEST(TerminateProcesses, OwnProcessIsNeverClosed) {
    vp::ProcessIdentity self;
    vp::KernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, ::GetCurrentProcessId()));
    ASSERT_TRUE(vp::ReadProcessIdentity(process.Get(), ::GetCurrentProcessId(), self));
    EXPECT_EQ(0u, vp::CloseOrTerminateProcesses({self}, 0, 10));
    vp::ProcessIdentity none;
    none.processId = 0xFFFFFFF0u;  // no such process
    EXPECT_EQ(0u, vp::CloseOrTerminateProcesses({none}, 0, 10));
}

// ---- the picker's listing ------------------------------------------------------------------------

TEST(ProcessPicker, NamesOnceInFirstSpellingWithoutExemptOnes) {
    std::vector<std::wstring> list;
    for (const wchar_t* name : {L"B.exe", L"a.exe", L"b.EXE", L"SYSTEM", L"[system process]", L"veilpane.EXE", L"A.exe",
                                L"svchost.exe", L"CSRSS.EXE", L"Winlogon.exe", L"dwm.exe", L"EXPLORER.exe"}) {
        vp::AddPickerName(list, name);
    }
    EXPECT_EQ((std::vector<std::wstring>{L"B.exe", L"a.exe"}), list);
}

TEST(ProcessPicker, ListsRunningProgramsOnceEach) {
    OwnerCopy exe(Unique(L"vppick") + L".exe");
    OwnerCopy own(L"Veilpane.exe");
    OwnerCopy shell(L"explorer.exe");
    StartedProcess a, b, ours, users;
    ASSERT_TRUE(StartWindowOwner(shell.Path(), Unique(L"pick shell "), L"exit", 0, users));
    ASSERT_TRUE(StartWindowOwner(exe.Path(), Unique(L"pick a "), L"exit", 0, a));
    ASSERT_TRUE(StartWindowOwner(exe.Path(), Unique(L"pick b "), L"exit", 0, b));
    ASSERT_TRUE(StartWindowOwner(own.Path(), Unique(L"pick ours "), L"exit", 0, ours));

    std::vector<std::wstring> list{L"stale entry"};
    vp::EnumeratePickerProcesses(list);
    EXPECT_EQ(1, std::count(list.begin(), list.end(), exe.Name()));
    EXPECT_EQ(0, std::count(list.begin(), list.end(), L"stale entry"));
    EXPECT_EQ(0, std::count_if(list.begin(), list.end(), [](const std::wstring& n) { return vp::IsExemptProcessName(n.c_str()); }));
    EXPECT_EQ(0, std::count_if(list.begin(), list.end(), [](const std::wstring& n) { return _wcsicmp(n.c_str(), L"explorer.exe") == 0; }));
    // Programs this one could open and end are listed too: the picker exists to offer them.
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    EXPECT_EQ(1, std::count(list.begin(), list.end(), std::wstring(::wcsrchr(self, L'\\') + 1)));
    for (StartedProcess* p : {&a, &b, &ours, &users}) EndProcess(*p);
}

}  // namespace
