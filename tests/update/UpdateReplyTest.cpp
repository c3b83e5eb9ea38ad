// The reply evaluation on plain text: no platform calls, so this file also builds natively.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "framework/RegexMatcher.h"
#include "update/UpdateReply.h"

namespace {

using update_reply::Verdict;

constexpr uint32_t kBuild = 290;
// The hosts whose pages these tests may be offered.
constexpr const char* kOwnHosts[] = {"a", "www.example.com"};

struct Result {
    Verdict verdict;
    update_reply::Fields fields;
};

// Blanks the line breaks and evaluates, the way the check does with a received reply.
Result Evaluate(std::string reply) {
    CRegexMatcher matcher;
    update_reply::BlankLineBreaks(reply.data(), reply.size());
    Result r{};
    r.verdict = update_reply::Evaluate(matcher, reply.c_str(), kBuild, kOwnHosts, r.fields);
    return r;
}

std::string Reply(const std::string& fields) { return "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n" + fields; }

TEST(UpdateReplyTest, NewerRevisionThatAllowsThisBuildIsOffered) {
    const Result r = Evaluate(Reply("progName:Veilpane</br>version:3.2</br>revision:291</br>"
                                    "url:https://www.example.com/get</br>requiredMiniRevision:290</br>"));
    EXPECT_EQ(Verdict::Offer, r.verdict);
    EXPECT_STREQ("3.2", r.fields.version);
    EXPECT_EQ(291u, r.fields.revision);
    EXPECT_STREQ("https://www.example.com/get", r.fields.url);
    EXPECT_EQ(290u, r.fields.minimum);
}

TEST(UpdateReplyTest, StopRulesAgainstThisBuild) {
    // No minimum at all counts as 0x9999, far above this build.
    Result r = Evaluate(Reply("version:3.2</br>revision:291</br>url:https://a/</br>"));
    EXPECT_EQ(Verdict::NotForThisBuild, r.verdict);
    EXPECT_EQ(0x9999u, r.fields.minimum);
    r = Evaluate(Reply("version:3.2</br>revision:291</br>url:https://a/</br>requiredMiniRevision:291</br>"));
    EXPECT_EQ(Verdict::NotForThisBuild, r.verdict);
    r = Evaluate(Reply("version:3.2</br>revision:291</br>url:https://a/</br>requiredMiniRevision:x</br>"));
    EXPECT_EQ(Verdict::NotForThisBuild, r.verdict);
    EXPECT_EQ(0x9999u, r.fields.minimum);
    // The same revision as this build says nothing newer exists, whatever the lowest build; one
    // without a number says nothing.
    r = Evaluate(Reply("version:3.1</br>revision:290</br>url:https://a/</br>requiredMiniRevision:1</br>"));
    EXPECT_EQ(Verdict::Current, r.verdict);
    r = Evaluate(Reply("version:3.1</br>revision:289</br>url:https://a/</br>"));
    EXPECT_EQ(Verdict::Current, r.verdict);
    r = Evaluate(Reply("version:3.2</br>revision:next</br>url:https://a/</br>requiredMiniRevision:1</br>"));
    EXPECT_EQ(Verdict::NotNewer, r.verdict);
    EXPECT_EQ(0u, r.fields.revision);
    // A negative minimum names no build.
    r = Evaluate(Reply("version:3.2</br>revision:291</br>url:https://a/</br>requiredMiniRevision:-1</br>"));
    EXPECT_EQ(Verdict::NotForThisBuild, r.verdict);
    r = Evaluate(Reply("version:3.2</br>revision:291</br>url:https://a/</br>requiredMiniRevision:-2147483648</br>"));
    EXPECT_EQ(Verdict::NotForThisBuild, r.verdict);
}

TEST(UpdateReplyTest, OnlyAPositiveRevisionAboveThisBuildIsNewer) {
    auto revision = [](const std::string& text) {
        return Evaluate(Reply("version:3.2</br>revision:" + text + "</br>url:https://a/</br>requiredMiniRevision:0</br>"))
            .verdict;
    };
    // -1 would read as 4294967295 and bury every later build; 2147483648 does not fit the field.
    for (const char* text : {"-1", "-2147483648", "0", "2147483648", "99999999999"}) {
        EXPECT_EQ(Verdict::NotNewer, revision(text)) << text;
    }
    EXPECT_EQ(Verdict::Current, revision("290"));
    EXPECT_EQ(Verdict::Offer, revision("291"));
    EXPECT_EQ(Verdict::Offer, revision("2147483647"));
}

TEST(UpdateReplyTest, KeysMatchInAnyCaseAndTheFirstOccurrenceWins) {
    Result r = Evaluate(Reply("VERSION:3.2</br>Revision:300</br>revision:400</br>URL:https://a/b</br>"
                              "requiredminirevision:100</br>"));
    EXPECT_EQ(Verdict::Offer, r.verdict);
    EXPECT_STREQ("3.2", r.fields.version);
    EXPECT_EQ(300u, r.fields.revision);
    EXPECT_STREQ("https://a/b", r.fields.url);
    // The revision pattern also matches inside the longer key, so listed first it gives the revision.
    r = Evaluate(Reply("requiredMiniRevision:280</br>version:3.2</br>revision:291</br>url:https://a/</br>"));
    EXPECT_EQ(280u, r.fields.revision);
    EXPECT_EQ(280u, r.fields.minimum);
    EXPECT_EQ(Verdict::Current, r.verdict);
}

TEST(UpdateReplyTest, ValuesRunToTheFirstBreakTagWithLineBreaksAsBlanks) {
    const Result r = Evaluate(Reply("version: 3.2\r\nbeta\t1</br></br>revision:\r\n 291 (stable)</br>"
                                    "url:https://a/</br>requiredMiniRevision: 10</br>"));
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

TEST(UpdateReplyTest, OnlyPlainHttpsAddressesOnTheOwnHostsAreOffered) {
    auto verdict = [](const char* url) {
        return Evaluate(Reply(std::string("version:3.2</br>revision:291</br>url:") + url +
                              "</br>requiredMiniRevision:1</br>"))
            .verdict;
    };
    for (const char* url : {"https://a/", "HTTPS://WWW.EXAMPLE.COM/x?y=1&z=2", "hTtPs://a/b%20c#f[g]", "https://a"}) {
        EXPECT_EQ(Verdict::Offer, verdict(url)) << url;
    }
    // Plain web addresses that a forged reply could name: plain http, other hosts, hosts that only
    // begin, end or carry an own one, user information, a port.
    const char* foreign[] = {
        "http://a/", "http://www.example.com/", "https://example.com/", "https://b/", "https://aa/",
        "https://a.evil.example/", "https://www.example.com.evil.example/", "https://evil.example/www.example.com",
        "https://evil.example?a", "https://a@evil.example/", "https://evil.example@a/", "https://a:8443/",
        "https://a./", "https://[::1]/", "http://u:p@[::1]:8080/a-b_c.~d/!$&()*+,;=@#f[g]",
    };
    for (const char* url : foreign) EXPECT_EQ(Verdict::NotOwnPage, verdict(url)) << url;
    const char* unsafe[] = {
        "file:///C:/Windows/System32/calc.exe", "javascript:alert(1)", "\\\\attacker\\share\\setup.exe",
        "C:\\Windows\\System32\\cmd.exe", "setup.exe", "ms-settings:", "mailto:a@b", " http://a/",
        "http:/a/", "httpx://a/", "http://a/\x01x", "http://a/\x7Fx", "http://a/\xC2\x85x", "",
        "http:///a", "http://?a", "http://u@/a",
    };
    for (const char* url : unsafe) EXPECT_EQ(Verdict::UnsafeUrl, verdict(url)) << url;
    // Each character that a web address may not carry unencoded is refused, wherever it stands.
    for (const char c : std::string(" \"'<>\\{}|^`\t\x1b\x7f\x80\xC3\xFF")) {
        for (const std::string& url : {"http://a/x" + std::string(1, c) + "y", "http://a" + std::string(1, c) + "b/"}) {
            EXPECT_FALSE(update_reply::IsSafeUpdateUrl(url.c_str())) << static_cast<int>(static_cast<unsigned char>(c));
        }
    }
    EXPECT_FALSE(update_reply::IsSafeUpdateUrl(nullptr));
    EXPECT_FALSE(update_reply::IsOwnDownloadUrl(nullptr, kOwnHosts));
}

TEST(UpdateReplyTest, TheHostOfAnAddressIsWhatTheOfferNames) {
    auto host = [](const char* url) {
        char out[update_reply::kHostBytes];
        update_reply::UrlHost(url, out);
        return std::string(out);
    };
    EXPECT_EQ("www.example.com", host("http://www.example.com/get"));
    EXPECT_EQ("example.com", host("HTTPS://example.com"));
    EXPECT_EQ("downloads.example.com", host("https://user:pw@downloads.example.com:8080/x?y#z"));
    EXPECT_EQ("evil.example", host("http://www.example.com@evil.example/"));
    EXPECT_EQ("[::1]", host("http://[::1]:80/"));
    EXPECT_EQ("", host("ftp://a/"));
    EXPECT_EQ("", host("http:///a"));
}

TEST(UpdateReplyTest, TextsLongerThanTheirFieldsRecordNothing) {
    auto with = [](const std::string& version, const std::string& url) {
        return Evaluate(Reply("version:" + version + "</br>revision:291</br>url:" + url +
                              "</br>requiredMiniRevision:1</br>"));
    };
    // The offer holds 259 characters of address: a longer one would be recorded and never offered.
    const std::string url259 = "https://a/" + std::string(259 - 10, 'u');
    Result r = with(std::string(19, 'v'), url259);
    EXPECT_EQ(Verdict::Offer, r.verdict);
    EXPECT_EQ(19u, strlen(r.fields.version));
    EXPECT_EQ(259u, strlen(r.fields.url));
    EXPECT_EQ(Verdict::FieldTooLong, with(std::string(20, 'v'), "http://a/").verdict);
    for (size_t extra : {1, 4, 5}) EXPECT_EQ(Verdict::FieldTooLong, with("3.2", url259 + std::string(extra, 'u')).verdict);
    EXPECT_EQ(Verdict::FieldTooLong, with(std::string(5000, 'v'), "http://a/").verdict);
    EXPECT_EQ(Verdict::FieldTooLong, with("3.2", "http://a/" + std::string(5000, 'u')).verdict);
    // A 5,000-character revision is still read from its start.
    r = Evaluate(Reply("version:3.2</br>revision:291" + std::string(5000, ' ') + "x</br>url:https://a/</br>"
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
    const std::string nul("version:3.2</br>\0revision:291</br>url:https://a/</br>requiredMiniRevision:1</br>", 79);
    const Result r = Evaluate(nul);
    EXPECT_EQ(Verdict::NotForThisBuild, r.verdict);
    EXPECT_STREQ("3.2", r.fields.version);
    EXPECT_EQ(0u, r.fields.revision);
}

}  // namespace
