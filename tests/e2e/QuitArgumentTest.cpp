// "Veilpane.exe /quit", the uninstaller's way to end a running copy before its files go.
#include <gtest/gtest.h>

#include <windows.h>

#include "app/QuitRunningCopy.h"
#include "e2e/VeilpaneProcess.h"
#include "framework/RegistryStore.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

constexpr wchar_t kKey[] = L"Software\\MORVEX\\Veilpane";

TEST(QuitArgument, OnlyTheBareArgumentCounts) {
    EXPECT_TRUE(IsQuitArgument(L"/quit"));
    EXPECT_TRUE(IsQuitArgument(L"  /QUIT\t"));
    EXPECT_TRUE(IsAfterInstallArgument(L" /afterinstall "));
    for (const wchar_t* other : {L"", L"/quitter", L"/quit now", L"x /quit", L"/afterinstall x"}) {
        EXPECT_FALSE(IsQuitArgument(other)) << other;
        EXPECT_FALSE(IsAfterInstallArgument(other)) << other;
    }
    EXPECT_FALSE(IsQuitArgument(nullptr));
}

TEST(QuitArgument, EndsTheRunningCopyAsTheTrayExitDoesAndSucceedsWhenNoneRuns) {
    DeleteKeyTree(kKey);
    CRegistryStore settings;
    settings.SetPath(kKey);
    settings.WriteDword(L"SW_WHEEL", 1);
    settings.WriteDword(L"QUIT_NOCONFIRM", 0);  // the Quit button would ask; "/quit" never does
    settings.WriteDword(L"PWD_VIRT_ENABLED", 1);  // nor does it ask for the switch password
    settings.WriteString(L"PWD_VIRT", L"guarded");

    VeilpaneProcess app;
    ASSERT_TRUE(app.Start());
    ASSERT_GE(app.WaitForTrace(L"hook armed on Default", 30000), 0);
    ASSERT_NE(nullptr, app.WaitFrameReady(30000));

    // Started on the other desktop, where the frame is not among the top-level windows.
    DeleteKeyTree(kKey);
    EXPECT_EQ(0u, RunQuitArgument(L"vpdesk"));
    DWORD code = 0;
    ASSERT_TRUE(app.WaitExit(5000, &code));
    // The tray's Exit saved every setting on the way out.
    DWORD wheel = 9;
    settings.SetPath(kKey);
    EXPECT_EQ(ERROR_SUCCESS, settings.ReadDword(L"SW_WHEEL", &wheel));
    EXPECT_EQ(1u, wheel);
    app.KillChildren(L"explorer.exe");
    DeleteKeyTree(kKey);  // the saved switch password must not guard the next test's run

    const ULONGLONG before = ::GetTickCount64();
    EXPECT_EQ(0u, RunQuitArgument(nullptr));
    EXPECT_LT(::GetTickCount64() - before, 10000u);
}

}  // namespace
