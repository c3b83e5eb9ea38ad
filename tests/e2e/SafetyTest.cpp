// The real Veilpane.exe never strands its user and never opens the way back without the restore
// password: ended from outside on the virtual desktop, its guard gives the Task Manager policy back
// and starts it again (coming back first only when no restore password is set); a record no one could
// undo is undone at the next start; Quit comes back first, behind the lock screen when a restore
// password is set; a cancelled sign-out changes nothing, and an installer's close is a quit; a second
// start only brings up the first copy, asking for the switch password where the prompts are asked;
// a prompt that waits does not keep "/quit" from being heard; and names another program took first
// are refused aloud.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <set>
#include <string>

#include "actions/UndoRecord.h"
#include "e2e/VeilpaneProcess.h"
#include "framework/RegistryStore.h"
#include "framework/UserObjects.h"
#include "ids_menus.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

constexpr wchar_t kKey[] = L"Software\\MORVEX\\Veilpane";
constexpr DWORD kAbsent = 0xFFFFFFFF;

DWORD Policy() {
    CRegistryStore policy;
    policy.SetPath(undo_record::kPolicyKey);
    DWORD v = kAbsent;
    policy.ReadDword(undo_record::kPolicyValue, &v);
    return v;
}

void SetPolicy(DWORD v) {
    CRegistryStore policy;
    policy.SetPath(undo_record::kPolicyKey);
    if (v == kAbsent) {
        policy.DeleteValue(undo_record::kPolicyValue);
    } else {
        policy.WriteDword(undo_record::kPolicyValue, v);
    }
}

bool RecordInForce() { return undo_record::IsInForce(HKEY_CURRENT_USER, kKey); }

std::set<DWORD> ProcessesNamed(const wchar_t* exeName) {
    std::set<DWORD> found;
    vp::FileHandle snap(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W e{};
    e.dwSize = sizeof(e);
    for (BOOL ok = ::Process32FirstW(snap.Get(), &e); ok; ok = ::Process32NextW(snap.Get(), &e)) {
        if (_wcsicmp(e.szExeFile, exeName) == 0) found.insert(e.th32ProcessID);
    }
    return found;
}

void EndProcess(DWORD pid) {
    vp::KernelHandle p(::OpenProcess(PROCESS_TERMINATE, FALSE, pid));
    if (p) ::TerminateProcess(p.Get(), 9);
}

// Whether a desktop of neither name shows: the prompts' desktop, whose name only the program knows.
bool PromptsShow() {
    return WaitUntil([] {
        const std::wstring showing = InputDesktopName();
        return showing != L"Default" && showing != L"vpdesk";
    }, 5000);
}

// A user who flips with the middle button and has Task Manager disabled on the way; not a first
// start, so the settings window starts hidden.
class SafetyTest : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteKeyTree(kKey);
        CRegistryStore settings;
        settings.SetPath(kKey);
        settings.WriteDword(L"SW_WHEEL", 1);
        settings.WriteDword(L"AC_TASKMGR", 1);
        settings.WriteDword(L"SS_FIRST_SHOWN", 1);
    }
    // A test that leaves its user behind the restore password brings the user's desktop back itself,
    // so the next test gives its input where the screen is.
    void TearDown() override {
        SetPolicy(kAbsent);
        ShowDesktop(L"Default");
    }

    // Starts the program and waits until a trigger would be served: the hook armed, the settings in
    // force and a guard running.
    void StartReady(VeilpaneProcess& app) {
        ASSERT_TRUE(app.Start(nullptr, true, true));
        ASSERT_GE(app.WaitForTrace(L"hook armed on Default", 30000), 0);
        m_frame = app.WaitFrameReady(30000);
        ASSERT_NE(nullptr, m_frame);
        ASSERT_TRUE(WaitUntil([&] { return app.Guards().size() == 1; }, 10000));
        m_at = static_cast<int>(app.Trace().size());
    }

    // A user with a switch password (as an older build stored it, in clear).
    void SetSwitchPassword() {
        CRegistryStore settings;
        settings.SetPath(kKey);
        settings.WriteDword(L"PWD_VIRT_ENABLED", 1);
        settings.WriteString(L"PWD_VIRT", L"Tulip42");
    }

    // A user with a restore password (as an older build stored it, in clear), on the virtual desktop.
    void StartOnVirtualBehindARestorePassword(VeilpaneProcess& app) {
        SetPolicy(kAbsent);
        CRegistryStore settings;
        settings.SetPath(kKey);
        settings.WriteDword(L"PWD_ORIG_ENABLED", 1);
        settings.WriteString(L"PWD_ORIG", L"back");
        StartReady(app);
        SwitchToVirtual(app);
    }

    void SwitchToVirtual(VeilpaneProcess& app) {
        Inject(L"Default", L"middle");
        m_at = app.WaitSwitchedTo(L"vpdesk", 10000, m_at);
        ASSERT_GE(m_at, 0);
        EXPECT_EQ(1u, Policy());
        EXPECT_TRUE(RecordInForce());
    }

    void ExpectBackAndUndone(VeilpaneProcess& app, DWORD policyBefore) {
        m_at = app.WaitSwitchedTo(L"Default", 10000, m_at);
        EXPECT_GE(m_at, 0);
        EXPECT_TRUE(WaitUntil([&] { return Policy() == policyBefore; }, 5000));
        EXPECT_FALSE(RecordInForce());
    }

    HWND m_frame = nullptr;
    int m_at = 0;
};

TEST_F(SafetyTest, KilledOnTheVirtualDesktopTheGuardGivesThePolicyBack) {
    struct Case {
        DWORD before;        // absent before stays absent; an administrator's 1 stays 1
        bool guardRestarted; // the first guard was ended and the program started another
        bool byImageName;    // "taskkill /f /im Veilpane.exe", which ends every copy of that name
    };
    for (const Case c : {Case{kAbsent, false, false}, Case{1, false, false}, Case{kAbsent, true, false},
                         Case{kAbsent, false, true}}) {
        SetPolicy(c.before);
        VeilpaneProcess app;
        StartReady(app);
        if (c.guardRestarted) {
            const DWORD first = app.Guards()[0];
            EndProcess(first);
            ASSERT_TRUE(WaitUntil([&] {
                const auto guards = app.Guards();
                return guards.size() == 1 && guards[0] != first;
            }, 10000));
        }
        SwitchToVirtual(app);

        const ULONGLONG killed = ::GetTickCount64();
        if (c.byImageName) {
            StartedProcess taskkill;
            ASSERT_TRUE(StartProcess(L"taskkill.exe /f /im Veilpane.exe", taskkill));
            EXPECT_EQ(0u, WaitExit(taskkill, 10000));
            EXPECT_EQ(1u, app.Guards().size());  // the guard runs under a name of its own
        } else {
            app.Kill();
        }
        // A guard that is itself still starting (Wine takes a while to load a program) gets longer.
        EXPECT_TRUE(WaitUntil([&] { return Policy() == c.before && !RecordInForce(); }, c.guardRestarted ? 10000 : 2000))
            << c.before << " restarted " << c.guardRestarted;
        std::printf("policy back %llu ms after the kill%s\n", ::GetTickCount64() - killed,
                    c.guardRestarted ? " (restarted guard)" : "");
        EXPECT_TRUE(app.WaitExit(10000));
        // No restore password: back first, then the boss key again, from a new copy with its own guard.
        EXPECT_GE(app.WaitForTrace(L"guard: the program ended without Quit; came back", 10000, m_at), 0);
        EXPECT_TRUE(Showing(L"Default"));
        EXPECT_GE(m_at = app.WaitForTrace(L"guard: restarted the program", 10000, m_at), 0);
        EXPECT_GE(app.WaitForTrace(L"hook armed on Default", 30000, m_at), 0);
    }
}

TEST_F(SafetyTest, ARecordNoOneCouldUndoIsUndoneAtTheNextStartAndQuitEndsTheGuard) {
    SetPolicy(kAbsent);
    {
        VeilpaneProcess app;
        StartReady(app);
        SwitchToVirtual(app);
        app.KillAll();  // the program and its guard at once, as a power loss would
        ASSERT_TRUE(app.WaitExit(10000));
    }
    ASSERT_EQ(1u, Policy());
    ASSERT_TRUE(RecordInForce());

    VeilpaneProcess app;
    StartReady(app);
    EXPECT_EQ(kAbsent, Policy());
    EXPECT_FALSE(RecordInForce());

    // The tray's Exit ends the guard before the program ends, so the guard finds nothing to do.
    ASSERT_TRUE(app.ExitFromTrayMenu(m_frame));
    DWORD code = 0;
    ASSERT_TRUE(app.WaitExit(20000, &code));
    EXPECT_EQ(1u, code);
    EXPECT_GE(app.WaitForTrace(L"guard: the program quit; nothing to bring back", 10000), 0);
    EXPECT_TRUE(WaitUntil([&] { return app.Guards().empty(); }, 5000));
}

TEST_F(SafetyTest, KilledBehindARestorePasswordTheScreenStaysAndTheNewCopyAsksForIt) {
    VeilpaneProcess app;
    StartOnVirtualBehindARestorePassword(app);

    app.Kill();
    EXPECT_GE(app.WaitForTrace(L"guard: the program ended without Quit; stayed on the virtual desktop", 10000, m_at), 0);
    EXPECT_TRUE(Showing(L"vpdesk"));
    ASSERT_GE(m_at = app.WaitForTrace(L"guard: restarted the program", 10000, m_at), 0);
    EXPECT_GE(app.WaitForTrace(L"the virtual desktop was left showing", 30000, m_at), 0);
    ASSERT_GE(m_at = app.WaitForTrace(L"hook armed on vpdesk", 30000, m_at), 0);
    EXPECT_EQ(kAbsent, Policy());
    EXPECT_NE(nullptr, app.WaitFrameReady(30000));
    Inject(L"vpdesk", L"middle");
    EXPECT_GE(app.WaitForTrace(L"restore password asked", 10000, m_at), 0);
}

TEST_F(SafetyTest, ACopyThatFindsTheVirtualDesktopShowingTakesEveryWayBackBehindTheLockWhateverTheKeySays) {
    // The last copy ended on "vpdesk" and the user's desktop came to show meanwhile (as Wine 10 hands
    // the screen on when a program ended from outside loses its windows). This copy was not started
    // by that copy's guard, so it cannot know the password that guarded the way back: the key, which
    // says there is none, may have been edited from "vpdesk".
    vp::DesktopHandle vpdesk(::CreateDesktopW(L"vpdesk", nullptr, nullptr, DF_ALLOWOTHERACCOUNTHOOK, GENERIC_ALL, nullptr));
    ASSERT_TRUE(vpdesk);
    ASSERT_TRUE(undo_record::SetVirtualShowing(HKEY_CURRENT_USER, kKey, true));
    ASSERT_TRUE(Showing(L"Default"));

    VeilpaneProcess app;
    ASSERT_TRUE(app.Start(nullptr, true, true));
    EXPECT_GE(app.WaitForTrace(L"the virtual desktop was left showing; every way back locks first", 30000), 0);
    EXPECT_TRUE(Showing(L"vpdesk", 30000));
    ASSERT_NE(nullptr, app.WaitFrameReady(30000));
    Inject(L"vpdesk", L"middle");
    // Behind the lock, which Wine cannot give: the screen stays.
    EXPECT_GE(app.WaitForTrace(L"way back: session not locked", 10000), 0);
    EXPECT_LT(app.WaitForTrace(L"switched to original desktop", 500), 0);
    EXPECT_TRUE(Showing(L"vpdesk"));
}

TEST_F(SafetyTest, QuitComesBackFirst) {
    SetPolicy(kAbsent);
    VeilpaneProcess app;
    StartReady(app);
    SwitchToVirtual(app);
    ASSERT_TRUE(app.ExitFromTrayMenu(m_frame));
    ExpectBackAndUndone(app, kAbsent);
    DWORD code = 0;
    ASSERT_TRUE(app.WaitExit(20000, &code));
    EXPECT_EQ(1u, code);
}

TEST_F(SafetyTest, ACancelledSignOutChangesNothingAndQuitBehindAPasswordLocksFirst) {
    VeilpaneProcess app;
    StartOnVirtualBehindARestorePassword(app);

    DWORD_PTR answer = 0;
    ASSERT_NE(0, ::SendMessageTimeoutW(m_frame, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_BLOCK, 15000, &answer));
    EXPECT_EQ(TRUE, static_cast<BOOL>(answer));
    ASSERT_NE(0, ::SendMessageTimeoutW(m_frame, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF, SMTO_BLOCK, 15000, &answer));
    // Still on the virtual desktop with its changes, and the way back still asks.
    EXPECT_EQ(1u, Policy());
    Inject(L"vpdesk", L"middle");
    const int asked = app.WaitForTrace(L"restore password asked", 10000, m_at);
    ASSERT_GE(asked, 0);

    // The session really ends: the policy is given back, the screen stays, and nothing restarts.
    ASSERT_NE(0, ::SendMessageTimeoutW(m_frame, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_BLOCK, 15000, &answer));
    EXPECT_EQ(kAbsent, Policy());
    EXPECT_FALSE(RecordInForce());

    // "/quit" from the virtual desktop: the lock first (Wine's fails, so the screen stays), and the
    // program ends all the same.
    StartedProcess quit;
    ASSERT_TRUE(StartProcess(L"\"" + HelperPath(L"Veilpane.exe") + L"\" /quit", quit, L"vpdesk"));
    EXPECT_EQ(0u, WaitExit(quit, 40000));
    EXPECT_TRUE(app.WaitExit(10000));
    EXPECT_GE(app.WaitForTrace(L"way back: session not locked", 10000, asked), 0);
    EXPECT_GE(app.WaitForTrace(L"guard: the program quit; stayed on the virtual desktop", 10000, asked), 0);
    EXPECT_TRUE(Showing(L"vpdesk"));
    for (const std::wstring& line : app.Trace()) {
        EXPECT_EQ(std::wstring::npos, line.find(L"switched to original desktop")) << "the screen left the virtual desktop";
        EXPECT_EQ(std::wstring::npos, line.find(L"guard: restarted")) << "restarted after the session's end";
    }
}

TEST_F(SafetyTest, AnInstallerThatClosesTheProgramQuitsItAndNothingButTheInstallerStartsItAgain) {
    SetPolicy(kAbsent);
    VeilpaneProcess app;
    StartReady(app);
    SwitchToVirtual(app);
    // As the system's restart manager closes a program whose files an installer replaces, while the
    // session goes on.
    DWORD_PTR answer = 0;
    ASSERT_NE(0, ::SendMessageTimeoutW(m_frame, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP, SMTO_BLOCK, 15000, &answer));
    EXPECT_EQ(TRUE, static_cast<BOOL>(answer));
    ::SendMessageTimeoutW(m_frame, WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP, SMTO_BLOCK, 15000, &answer);
    ExpectBackAndUndone(app, kAbsent);
    DWORD code = 0;
    ASSERT_TRUE(app.WaitExit(20000, &code));
    EXPECT_EQ(1u, code);
    EXPECT_GE(app.WaitForTrace(L"guard: the program quit; nothing to bring back", 10000, m_at), 0);
    for (const std::wstring& line : app.Trace()) {
        EXPECT_EQ(std::wstring::npos, line.find(L"guard: restarted")) << "the guard restarted the program";
    }
}

// Whether a named object exists, whether or not it lets this process in.
bool ObjectExists(const std::wstring& name, bool mutex) {
    vp::KernelHandle h(mutex ? ::OpenMutexW(SYNCHRONIZE, FALSE, name.c_str()) : ::OpenEventW(SYNCHRONIZE, FALSE, name.c_str()));
    return h || ::GetLastError() == ERROR_ACCESS_DENIED;
}

TEST_F(SafetyTest, NamesAnotherProgramTookFirstAreRefusedAloudAndQuitFindsNoCopyBehindThem) {
    struct Case {
        const wchar_t* kind;
        const wchar_t* how;
        const wchar_t* name;
    };
    // Made as older builds named them: a mutex held by another program, one no one else may open, and
    // a request event that looks like the user's own but carries a low integrity label.
    for (const Case c : {Case{L"mutex", L"everyone", L"SingleCopy"}, Case{L"mutex", L"none", L"SingleCopy"},
                         Case{L"event", L"low", L"Quit"}}) {
        const std::wstring name = std::wstring(L"Local\\Veilpane.") + c.name;
        const bool mutex = wcscmp(c.kind, L"mutex") == 0;
        StartedProcess first;
        ASSERT_TRUE(StartProcess(L"\"" + HelperPath(L"named_object_first.exe") + L"\" " + c.kind + L" " + c.how + L" " +
                                 name, first));
        ASSERT_TRUE(WaitUntil([&] { return ObjectExists(name, mutex); }, 10000)) << Narrow(c.how);

        VeilpaneProcess app;
        ASSERT_TRUE(app.Start(nullptr, true, true));
        if (vp::CUserObjects::OfProcess().Private()) {
            // The program's objects live in the user's own namespace, where those names are not.
            EXPECT_GE(app.WaitForTrace(L"hook armed on Default", 30000), 0);
            EXPECT_EQ(0u, RunQuitArgument());
        } else {
            // Neither a second copy nor a silent end: the program says so and starts nothing.
            EXPECT_TRUE(WaitUntil([&] { return FindWindowOf(app.ProcessId(), L"#32770", L"Veilpane") != nullptr; }, 30000))
                << Narrow(c.how);
            EXPECT_LT(app.WaitForTrace(L"hook armed", 0), 0);
            EXPECT_TRUE(app.Guards().empty());
            // Nothing behind another program's objects answers "/quit": it does not wait for them.
            const ULONGLONG before = ::GetTickCount64();
            EXPECT_EQ(0u, RunQuitArgument()) << Narrow(c.how);
            EXPECT_LT(::GetTickCount64() - before, 10000u);
            app.Kill();
        }
        EXPECT_TRUE(app.WaitExit(20000));
        ::TerminateProcess(first.process.Get(), 0);
        WaitExit(first, 5000);
    }
}

TEST_F(SafetyTest, ASecondStartBringsUpTheFirstCopysWindowAndEnds) {
    VeilpaneProcess app;
    StartReady(app);
    const auto programs = ProcessesNamed(L"Veilpane.exe");  // the program (its guard is VeilpaneGuard.exe)
    const auto shells = app.Children(L"explorer.exe");
    ASSERT_EQ(1u, shells.size());

    // From the user's desktop (a shortcut) and from the shell on the virtual desktop.
    for (const wchar_t* desktop : {L"Default", L"vpdesk"}) {
        ::ShowWindow(m_frame, SW_HIDE);
        ASSERT_TRUE(WaitUntil([&] { return !::IsWindowVisible(m_frame); }, 5000));
        StartedProcess second;
        ASSERT_TRUE(StartProcess(L"\"" + HelperPath(L"Veilpane.exe") + L"\"", second, desktop));
        EXPECT_EQ(0u, WaitExit(second, 20000)) << desktop;
        EXPECT_TRUE(WaitUntil([&] { return ::IsWindowVisible(m_frame) != FALSE; }, 5000)) << desktop;
        EXPECT_EQ(programs, ProcessesNamed(L"Veilpane.exe")) << desktop;
        EXPECT_EQ(shells, app.Children(L"explorer.exe")) << desktop;
    }
}

TEST_F(SafetyTest, ASecondStartOnTheVirtualDesktopAsksThereAndQuitIsHeardWhileThePromptWaits) {
    SetSwitchPassword();
    VeilpaneProcess app;
    StartReady(app);
    // Hidden on the user's desktop, then to "vpdesk" past the switch password.
    const auto hideAway = [&] {
        ::ShowWindow(m_frame, SW_HIDE);
        Inject(L"Default", L"middle");
        ASSERT_GE(m_at = app.WaitForTrace(L"switch password asked", 10000, m_at), 0);
        EXPECT_TRUE(PromptsShow());
        ASSERT_TRUE(TypeThroughX(L"Enter Password", L"Tulip42", L"Return"));
        ASSERT_GE(m_at = app.WaitSwitchedTo(L"vpdesk", 10000, m_at), 0);
    };
    const auto secondStart = [&] {
        StartedProcess second;
        ASSERT_TRUE(StartProcess(L"\"" + HelperPath(L"Veilpane.exe") + L"\"", second, L"vpdesk"));
        EXPECT_EQ(0u, WaitExit(second, 20000));
        ASSERT_GE(m_at = app.WaitForTrace(L"settings password asked", 10000, m_at), 0);
        EXPECT_TRUE(PromptsShow());
    };

    // Asked on the prompts' desktop, and back on "vpdesk" afterwards; the window shows once the
    // user's desktop does, where nobody on "vpdesk" gets to see it.
    const auto shown = [&] { return (::GetWindowLongW(m_frame, GWL_STYLE) & WS_VISIBLE) != 0; };
    hideAway();
    const int asked = m_at;
    secondStart();
    ASSERT_TRUE(TypeThroughX(L"Enter Password", L"Tulip42", L"Return"));
    EXPECT_TRUE(Showing(L"vpdesk"));
    Inject(L"vpdesk", L"middle");
    ASSERT_GE(m_at = app.WaitSwitchedTo(L"Default", 10000, m_at), 0);
    EXPECT_TRUE(WaitUntil(shown, 5000));
    // The only way back was the user's own trigger.
    EXPECT_LT(app.WaitForTrace(L"the original desktop was shown", 0, asked), 0);
    EXPECT_EQ(m_at, app.WaitForTrace(L"switched to original desktop", 0, asked));

    // "/quit" ends the program while the prompt waits, by the way-back rule (no restore password:
    // the user's desktop).
    hideAway();
    secondStart();
    EXPECT_EQ(0u, RunQuitArgument(L"vpdesk"));
    EXPECT_TRUE(app.WaitExit(10000));
    EXPECT_GE(app.WaitSwitchedTo(L"Default", 10000, m_at), 0);
}

}  // namespace
