#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "e2e/VeilpaneProcess.h"
#include "framework/Product.h"
#include "framework/RegistryStore.h"
#include "framework/ThreadDesktop.h"
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

// A middle click each way flips there and back; "/quit" then ends the program.
void FlipThereAndBackThenQuit(VeilpaneProcess& app, int at) {
    ASSERT_TRUE(InjectInput(L"middle", L"Default"));
    at = app.WaitSwitchedTo(L"vpdesk", 10000, at);
    ASSERT_GE(at, 0);
    ASSERT_TRUE(InjectInput(L"middle", L"vpdesk"));
    ASSERT_GE(app.WaitSwitchedTo(L"Default", 10000, at), 0);
    ASSERT_EQ(0u, RunQuitArgument());
    ASSERT_TRUE(app.WaitExit(15000));
    app.KillChildren(L"explorer.exe");
}

// Every value under the key, name and bytes.
std::map<std::wstring, std::vector<BYTE>> ValuesOf(const wchar_t* path) {
    std::map<std::wstring, std::vector<BYTE>> values;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return values;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameUnits = 256, bytes = 8192;
        std::vector<BYTE> data(bytes);
        if (::RegEnumValueW(key, i, name, &nameUnits, nullptr, nullptr, data.data(), &bytes) != ERROR_SUCCESS) break;
        data.resize(bytes);
        values[name] = data;
    }
    ::RegCloseKey(key);
    return values;
}

TEST(EndToEnd, AnotherProgramGetsNothingDoneByMessageAndTheTriggersStillWork) {
    CRegistryStore settings;
    settings.SetPath(L"Software\\MORVEX\\Veilpane");
    settings.WriteDword(L"SW_WHEEL", 1);
    settings.WriteDword(product::kFirstStartShownValue, 1);  // the window starts hidden

    VeilpaneProcess app;
    ASSERT_TRUE(app.Start());
    int at = app.WaitForTrace(L"hook armed on vpdesk", 30000);
    ASSERT_GE(at, 0);
    HWND frame = app.WaitFrameReady(30000);
    ASSERT_NE(nullptr, frame);
    const auto before = ValuesOf(L"Software\\MORVEX\\Veilpane");

    // Texts, clicks, checks, keys, Apply, Quit and Exit at every window; a quit and the program's own
    // numbers at every thread.
    StartedProcess sender;
    ASSERT_TRUE(StartProcess(L"\"" + HelperPath(L"message_sender.exe") + L"\" " + std::to_wstring(app.ProcessId()), sender));
    ASSERT_EQ(0u, WaitExit(sender, 60000));

    // Posted after all of it, the tray icon's double click shows the window: what was posted before
    // has been handled by then.
    ASSERT_TRUE(::PostMessageW(frame, ::RegisterWindowMessageW(L"WM_TRAYICON"), 128, WM_LBUTTONDBLCLK));
    ASSERT_TRUE(WaitUntil([&] { return ::IsWindowVisible(frame) != FALSE; }, 10000));
    wchar_t title[64] = {};
    ::GetWindowTextW(frame, title, 64);
    EXPECT_STREQ(L"Veilpane Pro", title);
    EXPECT_TRUE(before == ValuesOf(L"Software\\MORVEX\\Veilpane")) << "a setting was changed from outside";
    EXPECT_FALSE(app.WaitExit(0));

    FlipThereAndBackThenQuit(app, at);
}

TEST(EndToEnd, TriggersFlipBetweenTheDesktopsAndQuitEndsTheProcess) {
    CRegistryStore settings;
    settings.SetPath(L"Software\\MORVEX\\Veilpane");
    settings.WriteDword(L"SW_WHEEL", 1);

    VeilpaneProcess app;
    ASSERT_TRUE(app.Start());
    ASSERT_GE(app.WaitForTrace(L"hook armed on Default", 30000), 0);
    ASSERT_GE(app.WaitForTrace(L"hook armed on vpdesk", 30000), 0);
    int at = app.WaitForTrace(L"started on vpdesk", 30000);
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
    ASSERT_TRUE(InjectInput(L"middle", L"Default"));
    at = app.WaitSwitchedTo(L"vpdesk", 10000, at);
    ASSERT_GE(at, 0);
    ASSERT_TRUE(InjectInput(L"middle", L"vpdesk"));
    at = app.WaitSwitchedTo(L"Default", 10000, at);
    ASSERT_GE(at, 0);

    ASSERT_EQ(0u, RunQuitArgument());
    DWORD code = 0;
    ASSERT_TRUE(app.WaitExit(15000, &code));
    EXPECT_EQ(1u, code);
    EXPECT_GE(app.WaitForTrace(L"hook thread quit", 100, at), 0);
    // Events and numbers only: no line names a file.
    for (const std::wstring& traced : app.Trace()) EXPECT_EQ(std::wstring::npos, traced.find(L":\\")) << traced;
    // The shell stays on the virtual desktop after the program ends; the test ends it.
    app.KillChildren(L"explorer.exe");
}

TEST(EndToEnd, StartedOnTheVirtualDesktopItLivesOnTheUsersDesktop) {
    CRegistryStore settings;
    settings.SetPath(L"Software\\MORVEX\\Veilpane");
    settings.WriteDword(L"SW_WHEEL", 1);
    // As when the user starts the program from the shell on "vpdesk".
    vp::DesktopHandle vpdesk(::CreateDesktopW(L"vpdesk", nullptr, nullptr, DF_ALLOWOTHERACCOUNTHOOK, GENERIC_ALL, nullptr));
    ASSERT_TRUE(vpdesk);

    VeilpaneProcess app;
    ASSERT_TRUE(app.Start(L"vpdesk"));
    ASSERT_GE(app.WaitForTrace(L"hook armed on Default", 30000), 0);
    ASSERT_GE(app.WaitForTrace(L"hook armed on vpdesk", 30000), 0);
    int at = app.WaitForTrace(L"started on vpdesk", 30000);
    ASSERT_GE(at, 0);
    // The settings window is found from this thread, which is on "Default", and not from "vpdesk".
    ASSERT_NE(nullptr, app.WaitFrameReady(30000));
    HWND onVirtual = reinterpret_cast<HWND>(1);
    std::thread([&] {
        vp::CThreadDesktop place;
        if (place.Enter(vpdesk.Get())) onVirtual = ::FindWindowW(L"WTL_VeilpaneFrame", nullptr);
    }).join();
    EXPECT_EQ(nullptr, onVirtual);

    FlipThereAndBackThenQuit(app, at);
}

TEST(EndToEnd, WithoutTheTraceSwitchedOnTheProgramSaysNothing) {
    constexpr wchar_t kPolicy[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
    CRegistryStore settings;
    settings.SetPath(L"Software\\MORVEX\\Veilpane");
    settings.WriteDword(L"SW_WHEEL", 1);
    settings.WriteDword(L"AC_TASKMGR", 1);  // the switches show in the policy value instead
    CRegistryStore policy;
    policy.SetPath(kPolicy);
    policy.WriteDword(L"DisableTaskMgr", 0);

    VeilpaneProcess app;
    ASSERT_TRUE(app.Start(nullptr, false));
    // The hooks are set before the shell is started.
    ASSERT_TRUE(WaitUntil([&] { return !app.Children(L"explorer.exe").empty(); }, 30000));
    ASSERT_NE(nullptr, app.WaitFrameReady(30000));
    ASSERT_TRUE(InjectInput(L"middle", L"Default"));
    EXPECT_TRUE(WaitUntil([&] { return ReadDword(kPolicy, L"DisableTaskMgr", 9) == 1; }, 10000));
    ASSERT_TRUE(Showing(L"vpdesk"));
    ASSERT_TRUE(InjectInput(L"middle", L"vpdesk"));
    EXPECT_TRUE(WaitUntil([&] { return ReadDword(kPolicy, L"DisableTaskMgr", 9) == 0; }, 10000));
    EXPECT_TRUE(Showing(L"Default"));

    ASSERT_EQ(0u, RunQuitArgument());
    ASSERT_TRUE(app.WaitExit(15000));
    EXPECT_TRUE(app.Trace().empty()) << app.Trace().front();
    app.KillChildren(L"explorer.exe");
    settings.WriteDword(L"AC_TASKMGR", 0);
    policy.DeleteValue(L"DisableTaskMgr");
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
    const HWND frame = app.WaitFrameReady(30000);
    ASSERT_NE(nullptr, frame);

    // The middle button is off: no switch.
    ASSERT_TRUE(InjectInput(L"middle", L"Default"));
    EXPECT_LT(app.WaitForTrace(L"switched to", 500, at), 0);

    // Ctrl+F9 switches, and Task Manager is disabled on the way.
    ASSERT_TRUE(InjectInput(L"key:0x78+ctrl", L"Default"));
    at = app.WaitSwitchedTo(L"vpdesk", 10000, at);
    ASSERT_GE(at, 0);
    EXPECT_EQ(1u, ReadDword(kPolicy, L"DisableTaskMgr", 9));
    ASSERT_TRUE(InjectInput(L"key:0x78+ctrl", L"vpdesk"));
    at = app.WaitSwitchedTo(L"Default", 10000, at);
    ASSERT_GE(at, 0);
    EXPECT_TRUE(WaitUntil([&] { return ReadDword(kPolicy, L"DisableTaskMgr", 9) == 0; }, 5000));

    // The Run value names the real executable, quoted.
    CRegistryStore run;
    run.SetPath(L"Software\\Microsoft\\Windows\\CurrentVersion\\Run");
    wchar_t path[MAX_PATH + 2];
    ASSERT_EQ(ERROR_SUCCESS, run.ReadString(L"Veilpane", path));
    EXPECT_EQ(0, _wcsicmp(path, (L"\"" + HelperPath(L"Veilpane.exe") + L"\"").c_str()));

    // Tray "Exit": every setting is saved and the process ends.
    DeleteKeyTree(kKey);
    ASSERT_TRUE(app.ExitFromTrayMenu(frame));
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
