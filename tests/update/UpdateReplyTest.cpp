// The reply evaluation on plain text: no platform calls, so this file also builds natively.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "actions/RegexMatcher.h"
#include "update/UpdateReply.h"

namespace {

using update_reply::Verdict;

constexpr uint32_t kBuild = 290;

struct Result {
    Verdict verdict;
    update_reply::Fields fields;
};

// Blanks the line breaks and evaluates, the way the check does with a received reply.
Result Evaluate(std::string reply) {
    CRegexMatcher matcher;
    update_reply::BlankLineBreaks(reply.data(), reply.size());
    Result r{};
    r.verdict = update_reply::Evaluate(matcher, reply.c_str(), kBuild, r.fields);
    return r;
}

std::string Reply(const std::string& fields) { return "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n" + fields; }

TEST(UpdateReplyTest, NewerRevisionThatAllowsThisBuildIsOffered) {
    const Result r = Evaluate(Reply("progName:Veilpane</br>version:3.2</br>revision:291</br>"
                                    "url:http://www.example.com/get</br>requiredMiniRevision:290</br>"));
    EXPECT_EQ(Verdict::Offer, r.verdict);
    EXPECT_STREQ("3.2", r.fields.version);
    EXPECT_EQ(291u, r.fields.revision);
    EXPECT_STREQ("http://www.example.com/get", r.fields.url);
    EXPECT_EQ(290u, r.fields.minimum);
}

TEST(UpdateReplyTest, StopRulesAgainstThisBuild) {
    // No minimum at all counts as 0x9999, far above this build.
    Result r = Evaluate(Reply("version:3.2</br>revision:291</br>url:http://a/</br>"));
    EXPECT_EQ(Verdict::NotForThisBuild, r.verdict);
    EXPECT_EQ(0x9999u, r.fields.minimum);
    r = Evaluate(Reply("version:3.2</br>revision:291</br>url:http://a/</br>requiredMiniRevision:291</br>"));
    EXPECT_EQ(Verdict::NotForThisBuild, r.verdict);
    r = Evaluate(Reply("version:3.2</br>revision:291</br>url:http://a/</br>requiredMiniRevision:x</br>"));
    EXPECT_EQ(Verdict::NotForThisBuild, r.verdict);
    EXPECT_EQ(0x9999u, r.fields.minimum);
    // The same revision as this build, and one without a number, are not newer.
    r = Evaluate(Reply("version:3.1</br>revision:290</br>url:http://a/</br>requiredMiniRevision:1</br>"));
    EXPECT_EQ(Verdict::NotNewer, r.verdict);
    r = Evaluate(Reply("version:3.2</br>revision:next</br>url:http://a/</br>requiredMiniRevision:1</br>"));
    EXPECT_EQ(Verdict::NotNewer, r.verdict);
    EXPECT_EQ(0u, r.fields.revision);
    // Compared unsigned: a negative minimum is a huge number.
    r = Evaluate(Reply("version:3.2</br>revision:291</br>url:http://a/</br>requiredMiniRevision:-1</br>"));
    EXPECT_EQ(Verdict::NotForThisBuild, r.verdict);
    EXPECT_EQ(0xFFFFFFFFu, r.fields.minimum);
}

TEST(UpdateReplyTest, KeysMatchInAnyCaseAndTheFirstOccurrenceWins) {
    Result r = Evaluate(Reply("VERSION:3.2</br>Revision:300</br>revision:400</br>URL:https://a/b</br>"
                              "requiredminirevision:100</br>"));
    EXPECT_EQ(Verdict::Offer, r.verdict);
    EXPECT_STREQ("3.2", r.fields.version);
    EXPECT_EQ(300u, r.fields.revision);
    EXPECT_STREQ("https://a/b", r.fields.url);
    // The revision pattern also matches inside the longer key, so listed first it gives the revision.
    r = Evaluate(Reply("requiredMiniRevision:280</br>version:3.2</br>revision:291</br>url:http://a/</br>"));
    EXPECT_EQ(280u, r.fields.revision);
    EXPECT_EQ(280u, r.fields.minimum);
    EXPECT_EQ(Verdict::NotNewer, r.verdict);
}

TEST(UpdateReplyTest, ValuesRunToTheFirstBreakTagWithLineBreaksAsBlanks) {
    const Result r = Evaluate(Reply("version: 3.2\r\nbeta\t1</br></br>revision:\r\n 291 (stable)</br>"
                                    "url:http://a/</br>requiredMiniRevision: 10</br>"));
    EXPECT_EQ(Verdict::Offer, r.verdict);
    EXPECT_STREQ(" 3.2  beta 1", r.fields.version);  // blanks after the colon are part of the value
    EXPECT_EQ(291u, r.fields.revision);
    EXPECT_EQ(10u, r.fields.minimum);
    // A key whose value never ends is missing.
    EXPECT_EQ(0u, Evaluate(Reply("revision:291")).fields.revision);
}

TEST(UpdateReplyTest, NumbersReadLikeDecimalConversion) {
    using update_reply::ReadNumber;
    EXPECT_EQ(291u, ReadNumber("291", 7));
    EXPECT_EQ(291u, ReadNumber(" \v\f291 and more", 7));
    EXPECT_EQ(291u, ReadNumber("+291", 7));
    EXPECT_EQ(291u, ReadNumber("0291x", 7));
    EXPECT_EQ(0xFFFFFFFFu, ReadNumber("-1", 7));
    EXPECT_EQ(2147483647u, ReadNumber("2147483647", 7));
    EXPECT_EQ(0x80000000u, ReadNumber("-2147483648", 7));
    // Not a number, or not one that fits: the default.
    EXPECT_EQ(7u, ReadNumber("", 7));
    EXPECT_EQ(7u, ReadNumber("   ", 7));
    EXPECT_EQ(7u, ReadNumber("-", 7));
    EXPECT_EQ(7u, ReadNumber("v291", 7));
    EXPECT_EQ(7u, ReadNumber("2147483648", 7));
    EXPECT_EQ(7u, ReadNumber("-2147483649", 7));
    EXPECT_EQ(7u, ReadNumber(std::string(300, '9').c_str(), 7));
}

TEST(UpdateReplyTest, OnlyPlainWebAddressesAreOffered) {
    const char* safe[] = {"http://www.example.com/", "https://example.com/x?y=1&z=2", "HTTP://A/", "hTtPs://a b/"};
    for (const char* url : safe) {
        const Result r = Evaluate(Reply(std::string("version:3.2</br>revision:291</br>url:") + url +
                                        "</br>requiredMiniRevision:1</br>"));
        EXPECT_EQ(Verdict::Offer, r.verdict) << url;
    }
    const char* unsafe[] = {
        "file:///C:/Windows/System32/calc.exe", "javascript:alert(1)", "\\\\attacker\\share\\setup.exe",
        "C:\\Windows\\System32\\cmd.exe", "setup.exe", "ms-settings:", "mailto:a@b", " http://a/",
        "http:/a/", "httpx://a/", "http://a/\x01x", "http://a/\x7Fx", "http://a/\xC2\x85x", "",
    };
    for (const char* url : unsafe) {
        const Result r = Evaluate(Reply(std::string("version:3.2</br>revision:291</br>url:") + url +
                                        "</br>requiredMiniRevision:1</br>"));
        EXPECT_EQ(Verdict::UnsafeUrl, r.verdict) << url;
    }
    // Non-ASCII text in UTF-8 is fine; so is a C2 lead byte that is not a C1 control.
    EXPECT_TRUE(update_reply::IsSafeUpdateUrl("http://a/\xC3\xA9t\xC3\xA9/\xC2\xA0"));
}

TEST(UpdateReplyTest, TextsLongerThanTheirFieldsRecordNothing) {
    auto with = [](const std::string& version, const std::string& url) {
        return Evaluate(Reply("version:" + version + "</br>revision:291</br>url:" + url +
                              "</br>requiredMiniRevision:1</br>"));
    };
    const std::string url263 = "http://a/" + std::string(263 - 9, 'u');
    Result r = with(std::string(19, 'v'), url263);
    EXPECT_EQ(Verdict::Offer, r.verdict);
    EXPECT_EQ(19u, strlen(r.fields.version));
    EXPECT_EQ(263u, strlen(r.fields.url));
    EXPECT_EQ(Verdict::FieldTooLong, with(std::string(20, 'v'), "http://a/").verdict);
    EXPECT_EQ(Verdict::FieldTooLong, with("3.2", url263 + "u").verdict);
    EXPECT_EQ(Verdict::FieldTooLong, with(std::string(5000, 'v'), "http://a/").verdict);
    EXPECT_EQ(Verdict::FieldTooLong, with("3.2", "http://a/" + std::string(5000, 'u')).verdict);
    // A 5,000-character revision is still read from its start.
    r = Evaluate(Reply("version:3.2</br>revision:291" + std::string(5000, ' ') + "x</br>url:http://a/</br>"
                       "requiredMiniRevision:1</br>"));
    EXPECT_EQ(Verdict::Offer, r.verdict);
    EXPECT_EQ(291u, r.fields.revision);
}

TEST(UpdateReplyTest, HostileRepliesOfferNothing) {
    EXPECT_NE(Verdict::Offer, Evaluate("").verdict);
    EXPECT_NE(Verdict::Offer, Evaluate("HTTP/1.1 404 Not Found\r\n\r\n").verdict);

    // 20 KB of junk, with every byte value and fragments of the keys.
    std::string junk;
    uint32_t seed = 12345;
    while (junk.size() < 20 * 1024) {
        seed = seed * 1103515245u + 12345u;
        const unsigned pick = (seed >> 16) % 40;
        if (pick == 0) junk += "revision:";
        else if (pick == 1) junk += "</br>";
        else if (pick == 2) junk += "url:";
        else junk += static_cast<char>(seed >> 8);
    }
    EXPECT_NE(Verdict::Offer, Evaluate(junk).verdict);

    // Bytes after a NUL are not part of the text.
    const std::string nul("version:3.2</br>\0revision:291</br>url:http://a/</br>requiredMiniRevision:1</br>", 79);
    const Result r = Evaluate(nul);
    EXPECT_EQ(Verdict::NotForThisBuild, r.verdict);
    EXPECT_STREQ("3.2", r.fields.version);
    EXPECT_EQ(0u, r.fields.revision);
}

}  // namespace
