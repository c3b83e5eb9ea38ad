// The Run value of a copy started from a scoop install names the app's "current" folder, which the
// next update keeps, and only when that folder holds the program.
#include <gtest/gtest.h>

#include <string>

#include "SettingsTestSupport.h"
#include "settings/ScoopPath.h"
#include "settings/SettingsData.h"

using namespace settings_test;

namespace {

std::wstring Current(const wchar_t* exePath) {
    wchar_t out[MAX_PATH];
    return settings_rules::ScoopCurrentPath(exePath, out) ? std::wstring(out) : L"<none>";
}

TEST(ScoopPathTest, AVersionFolderOfAnAppBecomesItsCurrentFolder) {
    EXPECT_EQ(L"C:\\Users\\u\\scoop\\apps\\veilpane\\current\\Veilpane.exe",
              Current(L"C:\\Users\\u\\scoop\\apps\\veilpane\\3.1.290\\Veilpane.exe"));
    EXPECT_EQ(L"D:\\ProgramData\\scoop\\Apps\\vp\\current\\Veilpane.exe",
              Current(L"D:\\ProgramData\\scoop\\Apps\\vp\\3.2\\Veilpane.exe"));
    // Already current, not below an app of an "apps" folder, or one too long once named current.
    for (const wchar_t* path : {L"C:\\scoop\\apps\\veilpane\\Current\\Veilpane.exe",
                                L"C:\\Users\\u\\AppData\\Local\\Programs\\Veilpane\\Veilpane.exe",
                                L"C:\\apps\\veilpane\\Veilpane.exe", L"apps\\veilpane\\1.0\\Veilpane.exe",
                                L"C:\\myapps\\veilpane\\1.0\\Veilpane.exe", L"C:\\apps\\\\1.0\\Veilpane.exe",
                                L"C:\\apps\\veilpane\\\\Veilpane.exe", L"C:\\apps\\veilpane\\1.0\\", L""}) {
        EXPECT_EQ(L"<none>", Current(path)) << testing::PrintToString(std::wstring(path));
    }
    const std::wstring longPath = L"C:\\" + std::wstring(230, L'x') + L"\\apps\\vp\\1\\Veilpane.exe";
    ASSERT_LT(longPath.size(), size_t{MAX_PATH});
    EXPECT_EQ(L"<none>", Current(longPath.c_str()));
    wchar_t out[MAX_PATH];
    EXPECT_FALSE(settings_rules::ScoopCurrentPath(nullptr, out));
}

class RunValueTest : public SettingsKeyTest {
protected:
    void SetUp() override {
        SettingsKeyTest::SetUp();
        wchar_t temp[MAX_PATH];
        ASSERT_NE(0u, ::GetTempPathW(MAX_PATH, temp));
        root = std::wstring(temp) + L"vp-run-value-" + std::to_wstring(::GetCurrentProcessId());
        versioned = root + L"\\apps\\veilpane\\3.1.290\\Veilpane.exe";
        current = root + L"\\apps\\veilpane\\current\\Veilpane.exe";
        for (const wchar_t* sub : {L"", L"\\apps", L"\\apps\\veilpane", L"\\apps\\veilpane\\3.1.290"}) {
            ::CreateDirectoryW((root + sub).c_str(), nullptr);
        }
    }
    void TearDown() override {
        for (const std::wstring& file : {versioned, current}) ::DeleteFileW(file.c_str());
        for (const wchar_t* sub : {L"\\apps\\veilpane\\current", L"\\apps\\veilpane\\3.1.290", L"\\apps\\veilpane",
                                   L"\\apps", L""}) {
            ::RemoveDirectoryW((root + sub).c_str());
        }
        SettingsKeyTest::TearDown();
    }
    std::wstring root, versioned, current;
};

TEST_F(RunValueTest, NamesTheCurrentFolderOnlyWhenItHoldsTheProgram) {
    settings_rules::UpdateRunValue(kRunKey, versioned.c_str());
    EXPECT_EQ(L"\"" + versioned + L"\"", ReadText(L"Veilpane", kRunKey).value_or(L"<none>"));

    ASSERT_TRUE(::CreateDirectoryW((root + L"\\apps\\veilpane\\current").c_str(), nullptr));
    vp::FileHandle file(::CreateFileW(current.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    ASSERT_TRUE(file);
    file = vp::FileHandle();
    settings_rules::UpdateRunValue(kRunKey, versioned.c_str());
    EXPECT_EQ(L"\"" + current + L"\"", ReadText(L"Veilpane", kRunKey).value_or(L"<none>"));
}

}  // namespace
