#include <gtest/gtest.h>

#include <objbase.h>

#include <string>

#include "actions/SystemActions.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

constexpr wchar_t kTypedUrlsKey[] = L"Software\\Microsoft\\Internet Explorer\\TypedURLs";
constexpr wchar_t kPolicyKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";

bool KeyExists(const wchar_t* path) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    ::RegCloseKey(key);
    return true;
}

bool FileExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TEST(CleanupActions, TypedUrlsWithoutAKeyLeaveAnEmptyKey) {
    DeleteKeyTree(kTypedUrlsKey);
    CSystemActions actions;
    actions.ClearTypedUrls();
    ASSERT_TRUE(KeyExists(kTypedUrlsKey));
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExW(HKEY_CURRENT_USER, kTypedUrlsKey, 0, KEY_READ, &key));
    DWORD values = 99;
    ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr, nullptr);
    ::RegCloseKey(key);
    EXPECT_EQ(0u, values);
}

TEST(CleanupActions, TaskManagerValueIsWrittenNeverDeleted) {
    DeleteKeyTree(kPolicyKey);
    CSystemActions actions;
    actions.SetTaskManagerDisabled(0);
    CRegistryStore store;
    store.SetPath(kPolicyKey);
    DWORD v = 5;
    ASSERT_EQ(ERROR_SUCCESS, store.ReadDword(L"DisableTaskMgr", &v));
    EXPECT_EQ(0u, v);
    actions.SetTaskManagerDisabled(1);
    ASSERT_EQ(ERROR_SUCCESS, store.ReadDword(L"DisableTaskMgr", &v));
    EXPECT_EQ(1u, v);
    store.DeleteValue(L"DisableTaskMgr");
}

// A private application-data folder with a jump-list folder holding files and a sub-folder, and a
// neighbouring folder that must stay untouched.
class RecentDocuments : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t saved[MAX_PATH] = {};
        ::GetEnvironmentVariableW(L"AppData", saved, MAX_PATH);
        m_savedAppData = saved;
        const std::wstring recent = dir.Path() + L"\\Microsoft\\Windows\\Recent";
        for (const wchar_t* sub : {L"\\Microsoft", L"\\Microsoft\\Windows", L"\\Microsoft\\Windows\\Recent"}) {
            ::CreateDirectoryW((dir.Path() + sub).c_str(), nullptr);
        }
        jumpLists = recent + L"\\AutomaticDestinations";
        custom = recent + L"\\CustomDestinations";
        ::CreateDirectoryW(jumpLists.c_str(), nullptr);
        ::CreateDirectoryW(custom.c_str(), nullptr);
        ::CreateDirectoryW((jumpLists + L"\\keep-folder").c_str(), nullptr);
        WriteFileText(jumpLists + L"\\a.automaticDestinations-ms", "x");
        WriteFileText(jumpLists + L"\\b.automaticDestinations-ms", "y");
        WriteFileText(custom + L"\\c.customDestinations-ms", "z");
        ::SetEnvironmentVariableW(L"AppData", dir.Path().c_str());
    }
    void TearDown() override { ::SetEnvironmentVariableW(L"AppData", m_savedAppData.c_str()); }

    TempDir dir;
    std::wstring jumpLists, custom;
    std::wstring m_savedAppData;
};

TEST_F(RecentDocuments, NewerSystemsAlsoEmptyTheJumpListFolderOnly) {
    CSystemActions actions;
    actions.SetOsMajorVersionForTest(6);
    actions.ClearRecentDocuments();
    EXPECT_FALSE(FileExists(jumpLists + L"\\a.automaticDestinations-ms"));
    EXPECT_FALSE(FileExists(jumpLists + L"\\b.automaticDestinations-ms"));
    EXPECT_TRUE(FileExists(jumpLists + L"\\keep-folder"));
    EXPECT_TRUE(FileExists(custom + L"\\c.customDestinations-ms"));
}

TEST_F(RecentDocuments, OlderSystemsOnlyEmptyTheShellList) {
    constexpr wchar_t kRecentDocs[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RecentDocs";
    CRegistryStore store;
    store.SetPath(kRecentDocs);
    store.WriteString(L"0", L"old.txt");
    CSystemActions actions;
    actions.SetOsMajorVersionForTest(5);
    actions.ClearRecentDocuments();
    EXPECT_TRUE(FileExists(jumpLists + L"\\a.automaticDestinations-ms"));
    wchar_t text[32];
    EXPECT_NE(ERROR_SUCCESS, store.ReadString(L"0", text));  // the shell's own list is gone
}

TEST_F(RecentDocuments, AnOverlongApplicationDataFolderDeletesNothing) {
    const std::wstring longPath = dir.Path() + L"\\" + std::wstring(300, L'x');
    ::SetEnvironmentVariableW(L"AppData", longPath.c_str());
    CSystemActions actions;
    actions.SetOsMajorVersionForTest(6);
    actions.ClearRecentDocuments();
    EXPECT_TRUE(FileExists(jumpLists + L"\\a.automaticDestinations-ms"));
}

TEST(CleanupActions, HistoryClearingLeavesTheThreadsComStateAsItFoundIt) {
    // On a thread without COM: afterwards COM is uninitialised again, so initialising gives S_OK.
    HANDLE t = ::CreateThread(nullptr, 0, [](void*) -> DWORD {
        CSystemActions actions;
        actions.ClearBrowsingHistory();
        const HRESULT hr = ::CoInitialize(nullptr);
        ::CoUninitialize();
        return hr == S_OK ? 0 : 1;
    }, nullptr, 0, nullptr);
    ASSERT_NE(nullptr, t);
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(t, 30000));
    DWORD code = 2;
    ::GetExitCodeThread(t, &code);
    ::CloseHandle(t);
    EXPECT_EQ(0u, code);
}

TEST(CleanupActions, VersionIsCachedOnce) {
    CSystemActions actions;
    EXPECT_EQ(0u, actions.OsMajorVersion());
    actions.GetOsMajorVersion();
    EXPECT_GE(actions.OsMajorVersion(), 5u);
    actions.SetOsMajorVersionForTest(5);
    actions.GetOsMajorVersion();  // asks only while unknown
    EXPECT_EQ(5u, actions.OsMajorVersion());
}

}  // namespace
