#include <gtest/gtest.h>

#include <string>

#include "framework/RegistryStore.h"
#include "support/TestSupport.h"

namespace {

constexpr wchar_t kBase[] = L"Software\\VeilpaneTests\\Store";

class RegistryStoreTest : public ::testing::Test {
protected:
    void SetUp() override { testing_support::DeleteKeyTree(L"Software\\VeilpaneTests"); }
    void TearDown() override { testing_support::DeleteKeyTree(L"Software\\VeilpaneTests"); }

    static void SetRaw(const wchar_t* name, DWORD type, const void* data, DWORD bytes) {
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(HKEY_CURRENT_USER, kBase, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr));
        ASSERT_EQ(ERROR_SUCCESS, ::RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes));
        ::RegCloseKey(key);
    }
    static bool KeyExists(const wchar_t* path) {
        HKEY key = nullptr;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
        ::RegCloseKey(key);
        return true;
    }
};

TEST_F(RegistryStoreTest, ATrailingBackslashNamesTheSameKey) {
    CRegistryStore store;
    store.SetPath(L"Software\\VeilpaneTests\\Store\\");
    ASSERT_EQ(ERROR_SUCCESS, store.WriteDword(L"X", 5));
    CRegistryStore plain;
    plain.SetPath(kBase);
    DWORD v = 0;
    EXPECT_EQ(ERROR_SUCCESS, plain.ReadDword(L"X", &v));
    EXPECT_EQ(5u, v);
}

TEST_F(RegistryStoreTest, OperationsWithoutPathAnswerPathNotFound) {
    CRegistryStore store;
    DWORD v = 7;
    wchar_t text[8];
    EXPECT_EQ(ERROR_PATH_NOT_FOUND, store.ReadDword(L"X", &v));
    EXPECT_EQ(7u, v);
    EXPECT_EQ(ERROR_PATH_NOT_FOUND, store.ReadString(L"X", text));
    EXPECT_EQ(ERROR_PATH_NOT_FOUND, store.WriteDword(L"X", 1));
    EXPECT_EQ(ERROR_PATH_NOT_FOUND, store.WriteString(L"X", L"a"));
    EXPECT_EQ(ERROR_PATH_NOT_FOUND, store.DeleteValue(L"X"));
}

TEST_F(RegistryStoreTest, OverlongOrOversegmentedPathIsRefusedWithoutOverrun) {
    CRegistryStore store;
    // Eleven segments: refused, nothing written anywhere.
    store.SetPath(L"Software\\VeilpaneTests\\a\\b\\c\\d\\e\\f\\g\\h\\i");
    EXPECT_EQ(ERROR_PATH_NOT_FOUND, store.WriteDword(L"X", 1));
    EXPECT_FALSE(KeyExists(L"Software\\VeilpaneTests\\a"));
    // Ten segments are fine.
    store.SetPath(L"Software\\VeilpaneTests\\a\\b\\c\\d\\e\\f\\g\\h");
    EXPECT_EQ(ERROR_SUCCESS, store.WriteDword(L"X", 1));
    // 259 characters fit; 260 do not.
    std::wstring longPath = L"Software\\VeilpaneTests\\" + std::wstring(259 - 23, L'p');
    ASSERT_EQ(259u, longPath.size());
    store.SetPath(longPath.c_str());
    EXPECT_EQ(ERROR_SUCCESS, store.WriteDword(L"X", 1));
    store.SetPath((longPath + L"q").c_str());
    EXPECT_EQ(ERROR_PATH_NOT_FOUND, store.WriteDword(L"X", 1));
}

TEST_F(RegistryStoreTest, WritesCreateTheMissingPathAndReadBack) {
    CRegistryStore store;
    store.SetPath(kBase);
    EXPECT_EQ(ERROR_SUCCESS, store.WriteDword(L"D", 0x12345678));
    EXPECT_EQ(ERROR_SUCCESS, store.WriteString(L"S", L"hello"));
    DWORD d = 0;
    EXPECT_EQ(ERROR_SUCCESS, store.ReadDword(L"D", &d));
    EXPECT_EQ(0x12345678u, d);
    wchar_t text[16];
    DWORD size = 16;
    EXPECT_EQ(ERROR_SUCCESS, store.ReadString(L"S", text, &size));
    EXPECT_STREQ(L"hello", text);
    EXPECT_EQ(6u, size);
    EXPECT_EQ(ERROR_INVALID_DATA, store.WriteString(L"N", nullptr));
}

TEST_F(RegistryStoreTest, ReadsRejectWrongTypesAndShapes) {
    CRegistryStore store;
    store.SetPath(kBase);
    const wchar_t sz[] = L"42";
    SetRaw(L"Sz", REG_SZ, sz, sizeof(sz));
    DWORD d = 5;
    EXPECT_EQ(ERROR_INVALID_DATA, store.ReadDword(L"Sz", &d));
    EXPECT_EQ(5u, d);

    const wchar_t expand[] = L"%SystemRoot%\\x";
    SetRaw(L"Expand", REG_EXPAND_SZ, expand, sizeof(expand));
    wchar_t text[32];
    EXPECT_EQ(ERROR_SUCCESS, store.ReadString(L"Expand", text));
    EXPECT_STREQ(L"%SystemRoot%\\x", text);  // never expanded

    SetRaw(L"Empty", REG_SZ, nullptr, 0);
    text[0] = L'x';
    EXPECT_EQ(ERROR_SUCCESS, store.ReadString(L"Empty", text));
    EXPECT_STREQ(L"", text);

    const char odd[3] = {'a', 0, 0};
    SetRaw(L"Odd", REG_SZ, odd, 3);
    EXPECT_EQ(ERROR_INVALID_DATA, store.ReadString(L"Odd", text));

    const wchar_t noTerminator[2] = {L'a', L'b'};
    SetRaw(L"NoTerm", REG_SZ, noTerminator, sizeof(noTerminator));
    EXPECT_EQ(ERROR_INVALID_DATA, store.ReadString(L"NoTerm", text));

    const DWORD number = 3;
    SetRaw(L"Dword", REG_DWORD, &number, sizeof(number));
    EXPECT_EQ(ERROR_INVALID_DATA, store.ReadString(L"Dword", text));

    const BYTE shortDword[2] = {1, 0};
    SetRaw(L"ShortDword", REG_DWORD, shortDword, 2);
    EXPECT_EQ(ERROR_INVALID_DATA, store.ReadDword(L"ShortDword", &d));
}

TEST_F(RegistryStoreTest, TextOneUnitTooLongGivesMoreDataAndNoText) {
    CRegistryStore store;
    store.SetPath(kBase);
    store.WriteString(L"T", L"12345678");  // 9 units with the terminator
    wchar_t text[8];
    DWORD size = 8;
    EXPECT_EQ(ERROR_MORE_DATA, store.ReadString(L"T", text, &size));
    EXPECT_EQ(0u, size);
    wchar_t fits[9];
    EXPECT_EQ(ERROR_SUCCESS, store.ReadString(L"T", fits));
    EXPECT_STREQ(L"12345678", fits);
}

TEST_F(RegistryStoreTest, DeleteUnderMissingKeyCreatesThePathThenFails) {
    CRegistryStore store;
    store.SetPath(L"Software\\VeilpaneTests\\New\\Deeper");
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, store.DeleteValue(L"Nothing"));
    EXPECT_TRUE(KeyExists(L"Software\\VeilpaneTests\\New\\Deeper"));
    store.WriteDword(L"V", 1);
    EXPECT_EQ(ERROR_SUCCESS, store.DeleteValue(L"V"));
    DWORD d = 0;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, store.ReadDword(L"V", &d));
}

TEST_F(RegistryStoreTest, RootCanBeReplaced) {
    // Wine's HKEY_CLASSES_ROOT is the machine's class key, writable by the tests.
    CRegistryStore user(HKEY_LOCAL_MACHINE);
    user.SetPath(L"Software\\Classes\\.vpstoretest");
    ASSERT_EQ(ERROR_SUCCESS, user.WriteString(L"", L"VpStoreTest.File"));
    CRegistryStore store;
    store.SetRoot(HKEY_CLASSES_ROOT);
    store.SetPath(L".vpstoretest");
    wchar_t cls[64];
    EXPECT_EQ(ERROR_SUCCESS, store.ReadString(L"", cls));
    EXPECT_STREQ(L"VpStoreTest.File", cls);
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\.vpstoretest");
}

}  // namespace
