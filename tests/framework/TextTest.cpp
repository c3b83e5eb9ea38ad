#include <gtest/gtest.h>

#include "framework/Text.h"

TEST(Text, CopyAndFormatNeverPassTheBuffer) {
    wchar_t small[5];
    EXPECT_TRUE(vp::CopyText(small, L"abcd"));
    EXPECT_STREQ(L"abcd", small);
    EXPECT_FALSE(vp::CopyText(small, L"abcde"));
    EXPECT_STREQ(L"abcd", small);
    EXPECT_FALSE(vp::CopyTextWhole(small, L"abcde"));
    EXPECT_STREQ(L"", small);

    EXPECT_TRUE(vp::FormatText(small, L"%ls%d", L"ab", 12));
    EXPECT_STREQ(L"ab12", small);
    EXPECT_FALSE(vp::FormatText(small, L"%ls%d", L"ab", 123));
    EXPECT_EQ(L'\0', small[4]);

    char narrow[6];
    EXPECT_TRUE(vp::FormatText(narrow, "%08X", 0x1u) == false);  // 8 digits do not fit 5
    EXPECT_EQ('\0', narrow[5]);
    EXPECT_TRUE(vp::FormatText(narrow, "%s", "abcde"));
    EXPECT_STREQ("abcde", narrow);
}
