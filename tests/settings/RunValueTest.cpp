// The Run value of a copy started from a scoop install names the app's "current" folder, which the
// next update keeps, and only when that folder holds the program.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <string>

#include "SettingsTestSupport.h"
#include "settings/ScoopPath.h"
#include "settings/SettingsData.h"
#include "support/TestSupport.h"

using namespace settings_test;

namespace {

std::wstring Current(const std::wstring& exePath) {
    wchar_t out[MAX_PATH];
    return settings_rules::ScoopCurrentPath(exePath.c_str(), out) ? std::wstring(out) : L"<none>";
}

TEST(ScoopPathTest, AVersionFolderOfAnAppBecomesItsCurrentFolder) {
    EXPECT_EQ(L"C:\\Users\\u\\scoop\\apps\\veilpane\\current\\Veilpane.exe",
              Current(L"C:\\Users\\u\\scoop\\apps\\veilpane\\3.1.290\\Veilpane.exe"));
    EXPECT_EQ(L"D:\\scoop\\Apps\\vp\\current\\Veilpane.exe", Current(L"D:\\scoop\\Apps\\vp\\3.2\\Veilpane.exe"));
    // Already current, not in a version folder of an app under "apps", or too long once current.
    const std::wstring refused[] = {
        L"C:\\apps\\veilpane\\Current\\Veilpane.exe", L"C:\\Programs\\Veilpane\\Veilpane.exe",
        L"C:\\apps\\veilpane\\Veilpane.exe", L"apps\\veilpane\\1.0\\Veilpane.exe",
        L"C:\\myapps\\veilpane\\1.0\\Veilpane.exe", L"C:\\apps\\\\1.0\\Veilpane.exe",
        L"C:\\apps\\veilpane\\\\Veilpane.exe", L"C:\\apps\\veilpane\\1.0\\", L"",
        L"C:\\" + std::wstring(230, L'x') + L"\\apps\\vp\\1\\Veilpane.exe"};
    for (const std::wstring& path : refused) {
        EXPECT_EQ(L"<none>", Current(path)) << testing::PrintToString(path);
    }
}

TEST_F(SettingsKeyTest, RunValueNamesTheScoopCurrentFolderOnlyWhenItHoldsTheProgram) {
    testing_support::TempDir root;
    const std::wstring versioned = root.File(L"apps\\veilpane\\3.1.290\\Veilpane.exe");
    const std::wstring current = root.File(L"apps\\veilpane\\current");
    settings_rules::UpdateRunValue(kRunKey, versioned.c_str());
    EXPECT_EQ(L"\"" + versioned + L"\"", ReadText(L"Veilpane", kRunKey).value_or(L"<none>"));

    ASSERT_EQ(ERROR_SUCCESS, ::SHCreateDirectoryExW(nullptr, current.c_str(), nullptr));
    ASSERT_TRUE(vp::FileHandle(::CreateFileW((current + L"\\Veilpane.exe").c_str(), GENERIC_WRITE, 0, nullptr,
                                             CREATE_NEW, 0, nullptr)));
    settings_rules::UpdateRunValue(kRunKey, versioned.c_str());
    EXPECT_EQ(L"\"" + current + L"\\Veilpane.exe\"", ReadText(L"Veilpane", kRunKey).value_or(L"<none>"));
}

}  // namespace
