#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <vector>

#include "app/ThreadMessages.h"
#include "e2e/VeilpaneProcess.h"
#include "settings/RegistryStore.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

DWORD ReadDword(const wchar_t* path, const wchar_t* name, DWORD fallback) {
    CRegistryStore store;
    store.SetPath(path);
    DWORD v = fallback;
    store.ReadDword(name, &v);
    return v;
}

void Inject(const wchar_t* desktop, const wchar_t* steps) {
    StartedProcess p;
    ASSERT_TRUE(StartProcess(L"\"" + HelperPath(L"inject_input.exe") + L"\" --desktop " + desktop + L" " + steps, p));
    ASSERT_EQ(0u, WaitExit(p, 10000));
}

TEST(EndToEnd, TriggersFlipBetweenTheDesktopsAndQuitEndsTheProcess) {
    CRegistryStore settings;
    settings.SetPath(L"Software\\MORVEX\\Veilpane");
    settings.WriteDword(L"SW_WHEEL", 1);

    VeilpaneProcess app;
    ASSERT_TRUE(app.Start());
    ASSERT_GE(app.WaitForTrace(L"hook armed on Default", 30000), 0);
    int at = app.WaitForTrace(L"started on vpdesk", 1000);
    ASSERT_GE(at, 0);

    // The virtual desktop exists and the shell was started on it.
    HDESK vpdesk = ::OpenDesktopW(L"vpdesk", 0, FALSE, GENERIC_READ);
    EXPECT_NE(nullptr, vpdesk);
    if (vpdesk) ::CloseDesktop(vpdesk);
    // The trace names the shell's process; it is the program's own explorer.exe child. (Wine may
    // start a second explorer.exe of its own to serve the new desktop's windows.)
    const std::wstring line = app.Trace()[static_cast<size_t>(at)];
    const size_t shellAt = line.find(L"shell ");
    ASSERT_NE(std::wstring::npos, shellAt) << line;
    const DWORD shellPid = static_cast<DWORD>(wcstoul(line.c_str() + shellAt + 6, nullptr, 10));
    const auto shells = app.Children(L"explorer.exe");
    EXPECT_NE(shells.end(), std::find(shells.begin(), shells.end(), shellPid));

    // Settings are loaded by the ui thread alongside the hook thread's start: wait for the frame.
    ASSERT_NE(nullptr, app.WaitFrameReady(30000));

    Inject(L"Default", L"middle");
    at = app.WaitForTrace(L"switched to vpdesk", 10000, at);
    ASSERT_GE(at, 0);
    ASSERT_GE(app.WaitForTrace(L"hook armed on vpdesk", 5000, at), 0);

    Inject(L"vpdesk", L"middle");
    at = app.WaitForTrace(L"switched to original desktop", 10000, at);
    ASSERT_GE(at, 0);
    ASSERT_GE(app.WaitForTrace(L"hook armed on Default", 5000, at), 0);

    ::PostThreadMessageW(app.MainThreadId(), WM_APP_QUIT, 0, 0);
    DWORD code = 0;
    ASSERT_TRUE(app.WaitExit(15000, &code));
    EXPECT_EQ(1u, code);
    EXPECT_GE(app.WaitForTrace(L"hook thread quit", 100, at), 0);
    // The shell stays on the virtual desktop after the program ends; the test ends it.
    app.KillChildren(L"explorer.exe");
}

TEST(EndToEnd, StoredSettingsAreInForceAndTrayExitSavesAndEnds) {
    constexpr wchar_t kKey[] = L"Software\\MORVEX\\Veilpane";
    constexpr wchar_t kPolicy[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
    DeleteKeyTree(kKey);
    CRegistryStore settings;
    settings.SetPath(kKey);
    settings.WriteDword(L"SW_WHEEL", 0);
    settings.WriteDword(L"SW_HOTKEY_ENABLED", 1);
    settings.WriteDword(L"SW_HOTKEY", 0x78);  // F9
    settings.WriteDword(L"SW_CTRL", 1);
    settings.WriteDword(L"AC_TASKMGR", 1);
    CRegistryStore policy;
    policy.SetPath(kPolicy);
    policy.WriteDword(L"DisableTaskMgr", 0);

    VeilpaneProcess app;
    ASSERT_TRUE(app.Start());
    int at = app.WaitForTrace(L"hook armed on Default", 30000);
    ASSERT_GE(at, 0);
    HWND frame = app.WaitFrameReady(30000);
    ASSERT_NE(nullptr, frame);

    // The middle button is off: no switch.
    Inject(L"Default", L"middle");
    ::Sleep(500);
    EXPECT_LT(app.WaitForTrace(L"switched to", 10, at), 0);

    // Ctrl+F9 switches, and Task Manager is disabled on the way.
    Inject(L"Default", L"key:0x78+ctrl");
    at = app.WaitForTrace(L"switched to vpdesk", 10000, at);
    ASSERT_GE(at, 0);
    EXPECT_EQ(1u, ReadDword(kPolicy, L"DisableTaskMgr", 9));
    Inject(L"vpdesk", L"key:0x78+ctrl");
    at = app.WaitForTrace(L"switched to original desktop", 10000, at);
    ASSERT_GE(at, 0);
    EXPECT_TRUE(WaitUntil([&] { return ReadDword(kPolicy, L"DisableTaskMgr", 9) == 0; }, 5000));

    // The Run value names the real executable.
    CRegistryStore run;
    run.SetPath(L"Software\\Microsoft\\Windows\\CurrentVersion\\Run");
    wchar_t path[MAX_PATH];
    ASSERT_EQ(ERROR_SUCCESS, run.ReadString(L"Veilpane", path));
    EXPECT_EQ(0, _wcsicmp(path, HelperPath(L"Veilpane.exe").c_str()));

    // Tray "Exit": every setting is saved and the process ends.
    DeleteKeyTree(kKey);
    ::PostMessageW(frame, WM_COMMAND, 32780, 0);
    DWORD code = 0;
    ASSERT_TRUE(app.WaitExit(20000, &code));
    EXPECT_EQ(1u, code);
    EXPECT_EQ(0u, ReadDword(kKey, L"SW_WHEEL", 9));
    EXPECT_EQ(0x78u, ReadDword(kKey, L"SW_HOTKEY", 9));
    EXPECT_EQ(1u, ReadDword(kKey, L"AC_TASKMGR", 9));
    EXPECT_EQ(0u, ReadDword(kKey, L"AC_PROCESSES_COUNT", 9));
    app.KillChildren(L"explorer.exe");
    policy.DeleteValue(L"DisableTaskMgr");
}

}  // namespace
