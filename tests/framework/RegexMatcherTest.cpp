#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "framework/RegexMatcher.h"

namespace {

constexpr char kReply[] =
    "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n"
    "progName:Veilpane</br>VERSION:3.2</br>revision:301</br>url:http://example.test/v.exe</br>"
    "requiredMiniRevision:250</br>version:9.9</br>";

TEST(RegexMatcher, ReplyFieldsCaselessFirstOccurrence) {
    CRegexMatcher m;
    char out[CRegexMatcher::kScratchBytes];
    EXPECT_EQ(3u, m.ExtractMatch(kReply, "version:(.+?)</br>", out));
    EXPECT_STREQ("3.2", out);  // the key in capitals still matches, and the first one wins
    EXPECT_EQ(3u, m.ExtractMatch(kReply, "revision:(.+?)</br>", out));
    EXPECT_STREQ("301", out);
    EXPECT_EQ(25u, m.ExtractMatch(kReply, "url:(.+?)</br>", out));
    EXPECT_STREQ("http://example.test/v.exe", out);
    EXPECT_EQ(3u, m.ExtractMatch(kReply, "requiredMiniRevision:(.+?)</br>", out));
    EXPECT_STREQ("250", out);
}

TEST(RegexMatcher, NothingMatchedEmptiesOut) {
    CRegexMatcher m;
    char out[32];
    std::strcpy(out, "stale");
    EXPECT_EQ(0u, m.ExtractMatch("no fields here", "version:(.+?)</br>", out));
    EXPECT_STREQ("", out);
    std::strcpy(out, "stale");
    EXPECT_EQ(0u, m.ExtractMatch("version:1</br>", "version:(.+?</br>", out));  // does not compile
    EXPECT_STREQ("", out);
    EXPECT_EQ(0u, m.ExtractMatch("", "(x)", out));
    // A value that would span lines is not a field: "." stops at the line end.
    EXPECT_EQ(0u, m.ExtractMatch("version:1\n</br>", "version:(.+?)</br>", out));
}

TEST(RegexMatcher, HighestGroupThatWasSet) {
    CRegexMatcher m;
    char out[32];
    // The second group is not set, so the first is the highest pair that was.
    EXPECT_EQ(3u, m.ExtractMatch("abc", "(abc)|(xyz)", out));
    EXPECT_STREQ("abc", out);
    EXPECT_EQ(3u, m.ExtractMatch("xyz", "(abc)|(xyz)", out));
    EXPECT_STREQ("xyz", out);
    // No group at all: pair 0, the whole match.
    EXPECT_EQ(5u, m.ExtractMatch("say hello", "HELLO", out));
    EXPECT_STREQ("hello", out);
    // Multiline: ^ matches after a line break.
    EXPECT_EQ(1u, m.ExtractMatch("a\nkey=7", "^key=(\\d)", out));
    EXPECT_STREQ("7", out);
    // An empty group holds no text and counts as nothing matched.
    EXPECT_EQ(0u, m.ExtractMatch("%%", "%([^%]*)%", out));
}

TEST(RegexMatcher, OverlongCaptureIsCutToTheScratch) {
    CRegexMatcher m;
    const std::string value(400, 'v');
    const std::string subject = "version:" + value + "</br>";
    char out[512];
    EXPECT_EQ(263u, m.ExtractMatch(subject.c_str(), "version:(.+?)</br>", out));
    EXPECT_EQ(std::string(263, 'v'), out);
    EXPECT_TRUE(m.LastCut());
    EXPECT_EQ(8u, m.LastStart());
    EXPECT_EQ(408u, m.LastEnd());
    // A small out bounds the copy too.
    char small[4];
    EXPECT_EQ(3u, m.ExtractMatch(subject.c_str(), "version:(.+?)</br>", small));
    EXPECT_STREQ("vvv", small);
    EXPECT_TRUE(m.LastCut());
    // And a short capture is not marked as cut.
    EXPECT_EQ(3u, m.ExtractMatch(kReply, "version:(.+?)</br>", out));
    EXPECT_FALSE(m.LastCut());
}

TEST(RegexMatcherWide, EnvironmentReferenceAndOffsets) {
    CRegexMatcher m;
    wchar_t out[64];
    EXPECT_EQ(10u, m.ExtractMatchW(L"%SystemRoot%\\notepad.exe %1", L"%([^%]+?)%", out));
    EXPECT_STREQ(L"SystemRoot", out);
    EXPECT_EQ(1u, m.LastStart());
    EXPECT_EQ(11u, m.LastEnd());
    // "%1" followed by "%*" makes the text between them look like a name.
    EXPECT_EQ(3u, m.ExtractMatchW(L"\"%1\" %*", L"%([^%]+?)%", out));
    EXPECT_STREQ(L"1\" ", out);
    EXPECT_EQ(0u, m.ExtractMatchW(L"app.exe \"%1", L"%([^%]+?)%", out));
    EXPECT_STREQ(L"", out);
}

TEST(RegexMatcherWide, UnicodeTextGoesThroughUtf8) {
    CRegexMatcher m;
    wchar_t out[64];
    // "é" is two bytes in UTF-8 and "𝄞" four (a surrogate pair in UTF-16).
    EXPECT_EQ(9u, m.ExtractMatchW(L"x %\u00e9t\u00e9\U0001D11E% y", L"%([^%]+?)%", out));
    EXPECT_STREQ(L"\u00e9t\u00e9\U0001D11E", out);
    EXPECT_EQ(3u, m.LastStart());  // offsets are in UTF-8 bytes
    EXPECT_EQ(12u, m.LastEnd());
}

TEST(RegexMatcherWide, OverlongCaptureIsCutOnACharacter) {
    CRegexMatcher m;
    // 132 two-byte characters: 264 bytes, one more than the scratch holds.
    const std::wstring name(132, L'\u00e9');
    const std::wstring subject = L"%" + name + L"%";
    wchar_t out[300];
    EXPECT_EQ(262u, m.ExtractMatchW(subject.c_str(), L"%([^%]+?)%", out));
    EXPECT_EQ(std::wstring(131, L'\u00e9'), out);
    EXPECT_TRUE(m.LastCut());
    // A small out is cut between characters, never inside a surrogate pair.
    wchar_t small[3];
    EXPECT_EQ(1u, m.ExtractMatchW(L"%a\U0001D11Eb%", L"%([^%]+?)%", small));
    EXPECT_STREQ(L"a", small);
    EXPECT_TRUE(m.LastCut());
}

}  // namespace
