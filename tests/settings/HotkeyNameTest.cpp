#include <gtest/gtest.h>

#include <string>

#include "settings/Hotkeys.h"

namespace {

std::wstring Name(DWORD vk) {
    wchar_t name[hotkeys::kKeyNameUnits];
    const DWORD r = hotkeys::KeyName(vk, name);
    EXPECT_EQ(r == 0, name[0] == L'\0') << "vk " << vk;
    EXPECT_TRUE(r == 0 || r == vk) << "vk " << vk;
    return name;
}

TEST(KeyNameTest, RangesOfFunctionDigitKeypadAndLetterKeys) {
    for (DWORD vk = 0x70; vk <= 0x87; ++vk) EXPECT_EQ(L"F" + std::to_wstring(vk - 0x6F), Name(vk));
    for (DWORD vk = 0x30; vk <= 0x39; ++vk) EXPECT_EQ(std::to_wstring(vk - 0x30), Name(vk));
    // The keypad digits read like the digit keys; the code stays the keypad's.
    for (DWORD vk = 0x60; vk <= 0x69; ++vk) EXPECT_EQ(std::to_wstring(vk - 0x60), Name(vk));
    for (DWORD vk = 0x41; vk <= 0x5A; ++vk) EXPECT_EQ(std::wstring(1, static_cast<wchar_t>(vk)), Name(vk));
    EXPECT_EQ(L"", Name(0x6F + 0x19));  // 0x88, one past F24
}

TEST(KeyNameTest, NamedAndPunctuationKeys) {
    const struct { DWORD vk; const wchar_t* name; } rows[] = {
        {0x20, L"SPACE"}, {0x08, L"BACK"}, {0x21, L"PAGE_UP"}, {0x22, L"PAGE_DOWN"}, {0x23, L"END"},
        {0x24, L"HOME"}, {0x25, L"LEFT"}, {0x26, L"UP"}, {0x27, L"RIGHT"}, {0x28, L"DOWN"},
        {0x2D, L"INSERT"}, {0x2E, L"DEL"}, {0x6C, L"SEP"}, {0x6D, L"SUB"}, {0x6E, L"."}, {0x6F, L"/"},
        {0xC0, L"`"}, {0xBD, L"-"}, {0xBB, L"="}, {0x3D, L"="}, {0xDB, L"["}, {0x5B, L"["},
        {0xDD, L"]"}, {0x5D, L"]"}, {0xDC, L"\\"}, {0x5C, L"\\"}, {0xBA, L";"}, {0x3B, L";"},
        {0xDE, L"'"}, {0xBC, L","}, {0x2C, L","}, {0xBE, L"."}, {0xBF, L"/"}, {0x2F, L"/"},
    };
    for (const auto& row : rows) EXPECT_EQ(std::wstring(row.name), Name(row.vk)) << "vk " << row.vk;
}

TEST(KeyNameTest, ModifiersLocksAndOtherKeysHaveNoName) {
    for (DWORD vk : {0x10u, 0x11u, 0x12u, 0x14u, 0x90u, 0x91u, 0x13u, 0x1Bu, 0x09u, 0x0Du, 0x00u, 0xFFu, 0x5Cu + 0x100u}) {
        EXPECT_EQ(L"", Name(vk)) << "vk " << vk;
    }
}

TEST(HotkeyTextTest, ModifiersInFixedOrderThenKey) {
    wchar_t text[hotkeys::kHotkeyTextUnits];
    hotkeys::FormatHotkeyText(text, FALSE, TRUE, FALSE, L"F2");
    EXPECT_STREQ(L"Alt+F2", text);
    hotkeys::FormatHotkeyText(text, TRUE, TRUE, TRUE, L"F1");
    EXPECT_STREQ(L"Ctrl+Alt+Shift+F1", text);
}

}  // namespace
