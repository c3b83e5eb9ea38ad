#include <gtest/gtest.h>

#include <objbase.h>

#include <string>
#include <vector>

#include "actions/CleanupActions.h"
#include "actions/UndoRecord.h"
#include "framework/RegistryStore.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

constexpr const wchar_t* kTypedUrlsKey = kTypedUrlsKeyPath;
constexpr const wchar_t* kPolicyKey = undo_record::kPolicyKey;

// The snapshot with every clean-up action on.
CSettingsData AllOn() {
    CSettingsData s;
    s.mute = s.clearIEHistory = s.clearTypedUrls = s.clearRecentDocs = s.disableTaskMgr = 1;
    return s;
}

bool KeyExists(const wchar_t* path) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    ::RegCloseKey(key);
    return true;
}

bool FileExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TEST(CleanupActions, TypedUrlsWithoutAKeyLeaveAnEmptyKey) {
    DeleteKeyTree(kTypedUrlsKey);
    CTypedUrlsAction().Before(AllOn());
    ASSERT_TRUE(KeyExists(kTypedUrlsKey));
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExW(HKEY_CURRENT_USER, kTypedUrlsKey, 0, KEY_READ, &key));
    DWORD values = 99;
    ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr, nullptr);
    ::RegCloseKey(key);
    EXPECT_EQ(0u, values);
}

// ---- the Task Manager policy and its undo record ---------------------------------------------------

constexpr wchar_t kOwnKey[] = L"Software\\MORVEX\\VeilpaneUndoTest";

// A registry value as raw type and bytes; type REG_NONE with no bytes when it is missing.
struct Raw {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    bool operator==(const Raw&) const = default;
};

Raw ReadRaw(const wchar_t* path, const wchar_t* name) {
    Raw raw;
    BYTE buffer[256];
    DWORD bytes = sizeof(buffer);
    if (::RegGetValueW(HKEY_CURRENT_USER, path, name, RRF_RT_ANY | RRF_NOEXPAND, &raw.type, buffer, &bytes) ==
        ERROR_SUCCESS) {
        raw.data.assign(buffer, buffer + bytes);
    } else {
        raw.type = REG_NONE;
    }
    return raw;
}

void WriteRaw(const wchar_t* path, const wchar_t* name, const Raw& raw) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr));
    if (raw.type == REG_NONE) {
        ::RegDeleteValueW(key, name);
    } else {
        ::RegSetValueExW(key, name, 0, raw.type, raw.data.data(), static_cast<DWORD>(raw.data.size()));
    }
    ::RegCloseKey(key);
}

Raw Dword(DWORD v) {
    Raw raw{REG_DWORD, {}};
    raw.data.assign(reinterpret_cast<BYTE*>(&v), reinterpret_cast<BYTE*>(&v) + sizeof(v));
    return raw;
}

Raw Policy() { return ReadRaw(kPolicyKey, undo_record::kPolicyValue); }

TEST(TaskManagerPolicy, IsGivenBackExactlyAsItWasBeforeTheFirstChange) {
    DeleteKeyTree(kOwnKey);
    const wchar_t text[] = L"1";
    const Raw odd{REG_SZ, std::vector<BYTE>(reinterpret_cast<const BYTE*>(text), reinterpret_cast<const BYTE*>(text) + sizeof(text))};
    // Missing, off, an administrator's own 1, and a value of an odd type.
    for (const Raw& before : {Raw{}, Dword(0), Dword(1), odd}) {
        WriteRaw(kPolicyKey, undo_record::kPolicyValue, before);
        ASSERT_TRUE(undo_record::DisableTaskManager(HKEY_CURRENT_USER, kOwnKey));
        EXPECT_EQ(Dword(1), Policy());
        EXPECT_TRUE(undo_record::IsInForce(HKEY_CURRENT_USER, kOwnKey));
        // A second change while the first is in force keeps the state from before the first.
        ASSERT_TRUE(undo_record::DisableTaskManager(HKEY_CURRENT_USER, kOwnKey));

        EXPECT_TRUE(undo_record::Undo(HKEY_CURRENT_USER, kOwnKey));
        EXPECT_EQ(before, Policy()) << before.type;
        EXPECT_FALSE(undo_record::IsInForce(HKEY_CURRENT_USER, kOwnKey));
        EXPECT_EQ(REG_NONE, ReadRaw(kOwnKey, undo_record::kBeforeValue).type);
        // Without a record there is nothing to undo, and nothing is touched.
        EXPECT_FALSE(undo_record::Undo(HKEY_CURRENT_USER, kOwnKey));
        EXPECT_EQ(before, Policy());
    }
    WriteRaw(kPolicyKey, undo_record::kPolicyValue, Raw{});
    DeleteKeyTree(kOwnKey);
}

TEST(TaskManagerPolicy, AValueSomeoneElseSetMeanwhileIsLeftAsTheySetIt) {
    DeleteKeyTree(kOwnKey);
    WriteRaw(kPolicyKey, undo_record::kPolicyValue, Raw{});
    ASSERT_TRUE(undo_record::DisableTaskManager(HKEY_CURRENT_USER, kOwnKey));
    WriteRaw(kPolicyKey, undo_record::kPolicyValue, Dword(2));
    EXPECT_TRUE(undo_record::Undo(HKEY_CURRENT_USER, kOwnKey));
    EXPECT_EQ(Dword(2), Policy());
    EXPECT_FALSE(undo_record::IsInForce(HKEY_CURRENT_USER, kOwnKey));

    // Set by someone else between two changes of the program: theirs is what comes back.
    ASSERT_TRUE(undo_record::DisableTaskManager(HKEY_CURRENT_USER, kOwnKey));
    WriteRaw(kPolicyKey, undo_record::kPolicyValue, Dword(0));
    ASSERT_TRUE(undo_record::DisableTaskManager(HKEY_CURRENT_USER, kOwnKey));
    EXPECT_TRUE(undo_record::Undo(HKEY_CURRENT_USER, kOwnKey));
    EXPECT_EQ(Dword(0), Policy());
    WriteRaw(kPolicyKey, undo_record::kPolicyValue, Dword(2));

    // A state written without its flag (the change never made) is cleared and changes nothing.
    WriteRaw(kOwnKey, undo_record::kBeforeValue, Dword(0));
    EXPECT_FALSE(undo_record::Undo(HKEY_CURRENT_USER, kOwnKey));
    EXPECT_EQ(Dword(2), Policy());
    EXPECT_EQ(REG_NONE, ReadRaw(kOwnKey, undo_record::kBeforeValue).type);
    WriteRaw(kPolicyKey, undo_record::kPolicyValue, Raw{});
    DeleteKeyTree(kOwnKey);
}

TEST(TaskManagerPolicy, AValueTooLargeToKeepIsNeverReplaced) {
    DeleteKeyTree(kOwnKey);
    const Raw large{REG_BINARY, std::vector<BYTE>(4096, 0x5A)};
    WriteRaw(kPolicyKey, undo_record::kPolicyValue, large);
    EXPECT_FALSE(undo_record::DisableTaskManager(HKEY_CURRENT_USER, kOwnKey));
    EXPECT_FALSE(undo_record::IsInForce(HKEY_CURRENT_USER, kOwnKey));
    Raw now;
    DWORD bytes = 0;
    ASSERT_EQ(ERROR_SUCCESS, ::RegGetValueW(HKEY_CURRENT_USER, kPolicyKey, undo_record::kPolicyValue, RRF_RT_ANY,
                                            &now.type, nullptr, &bytes));
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), now.type);
    EXPECT_EQ(4096u, bytes);
    WriteRaw(kPolicyKey, undo_record::kPolicyValue, Raw{});
    DeleteKeyTree(kOwnKey);
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
    CRecentDocsAction(6).Before(AllOn());
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
    CRecentDocsAction(5).Before(AllOn());
    EXPECT_TRUE(FileExists(jumpLists + L"\\a.automaticDestinations-ms"));
    wchar_t text[32];
    EXPECT_NE(ERROR_SUCCESS, store.ReadString(L"0", text));  // the shell's own list is gone
}

TEST_F(RecentDocuments, AnOverlongApplicationDataFolderDeletesNothing) {
    const std::wstring longPath = dir.Path() + L"\\" + std::wstring(300, L'x');
    ::SetEnvironmentVariableW(L"AppData", longPath.c_str());
    CRecentDocsAction(6).Before(AllOn());
    EXPECT_TRUE(FileExists(jumpLists + L"\\a.automaticDestinations-ms"));
}

TEST(CleanupActions, HistoryClearingLeavesTheThreadsComStateAsItFoundIt) {
    // On a thread without COM: afterwards COM is uninitialised again, so initialising gives S_OK.
    HANDLE t = ::CreateThread(nullptr, 0, [](void*) -> DWORD {
        CHistoryAction().Before(AllOn());
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

TEST(CleanupActions, VersionIsKnown) { EXPECT_GE(OsMajorVersion(), 5u); }

}  // namespace
