#include "update/UpdateReply.h"

#include <cstdint>
#include <cstring>

#include "framework/RegexMatcher.h"

namespace update_reply {

namespace {

// The first occurrence of each key counts, anywhere in the text and in any case. The revision
// pattern also matches inside "requiredMiniRevision:", so servers send the revision first.
constexpr char kVersionPattern[] = "version:(.+?)</br>";
constexpr char kRevisionPattern[] = "revision:(.+?)</br>";
constexpr char kUrlPattern[] = "url:(.+?)</br>";
constexpr char kMinimumPattern[] = "requiredMiniRevision:(.+?)</br>";

bool IsCSpace(unsigned char c) noexcept { return c == ' ' || (c >= '\t' && c <= '\r'); }

bool StartsWithNoCase(const char* text, const char* prefix) noexcept {
    for (; *prefix; ++text, ++prefix) {
        char c = *text;
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != *prefix) return false;
    }
    return true;
}

// Extracts one field into out; returns false when the field is there but longer than out can hold.
template <size_t N>
bool ExtractField(CRegexMatcher& matcher, const char* reply, const char* pattern, char (&out)[N]) noexcept {
    char capture[CRegexMatcher::kScratchBytes];
    const size_t length = matcher.ExtractMatch(reply, pattern, capture);
    out[0] = '\0';
    if (length == 0) return true;  // missing: the field keeps its empty text
    if (matcher.LastCut() || length >= N) return false;
    memcpy(out, capture, length);
    out[length] = '\0';
    return true;
}

}  // namespace

void BlankLineBreaks(char* text, size_t bytes) noexcept {
    for (size_t i = 0; i < bytes; ++i) {
        if (text[i] == '\r' || text[i] == '\n' || text[i] == '\t') text[i] = ' ';
    }
}

uint32_t ReadNumber(const char* text, uint32_t fallback) noexcept {
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    while (IsCSpace(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if (*p < '0' || *p > '9') return fallback;
    // The limit is one more for a negative number: -2147483648 is in range.
    const uint64_t limit = negative ? 0x80000000ull : 0x7FFFFFFFull;
    uint64_t value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        if (value > limit) return fallback;
    }
    const uint32_t magnitude = static_cast<uint32_t>(value);
    return negative ? 0u - magnitude : magnitude;
}

namespace {

bool IsUrlCharacter(unsigned char c) noexcept {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
    // The unreserved and reserved marks of a URI and the escape sign; not the single quote, which
    // the shell could take as the end of a quoted text.
    return c != 0 && std::strchr("-._~:/?#[]@!$&()*+,;=%", c) != nullptr;
}

// Where the authority starts, after "http://" or "https://"; null for another scheme.
const char* AfterScheme(const char* url) noexcept {
    if (StartsWithNoCase(url, "http://")) return url + 7;
    if (StartsWithNoCase(url, "https://")) return url + 8;
    return nullptr;
}

}  // namespace

bool IsSafeUpdateUrl(const char* url) noexcept {
    if (!url) return false;
    const char* authority = AfterScheme(url);
    if (!authority) return false;
    for (const auto* p = reinterpret_cast<const unsigned char*>(url); *p; ++p) {
        if (!IsUrlCharacter(*p)) return false;
    }
    char host[kHostBytes];
    UrlHost(url, host);
    return host[0] != '\0';
}

bool IsOwnDownloadUrl(const char* url, HostList hosts) noexcept {
    if (!IsSafeUpdateUrl(url) || !StartsWithNoCase(url, "https://")) return false;
    const char* authority = url + 8;
    const size_t length = std::strcspn(authority, "/?#");
    for (const char* host : hosts) {
        if (std::strlen(host) == length && StartsWithNoCase(authority, host)) return true;
    }
    return false;
}

void UrlHost(const char* url, char (&host)[kHostBytes]) noexcept {
    host[0] = '\0';
    const char* authority = url ? AfterScheme(url) : nullptr;
    if (!authority) return;
    size_t end = std::strcspn(authority, "/?#");
    // User information goes before the last '@' of the authority; the offer names the host only.
    const char* start = authority;
    for (size_t i = 0; i < end; ++i) {
        if (authority[i] == '@') start = authority + i + 1;
    }
    end -= static_cast<size_t>(start - authority);
    size_t length = end;
    if (start[0] != '[') {  // a port follows the last colon, except inside an IPv6 literal
        for (size_t i = 0; i < end; ++i) {
            if (start[i] == ':') length = i;
        }
    } else if (const char* close = static_cast<const char*>(std::memchr(start, ']', end))) {
        length = static_cast<size_t>(close - start) + 1;
    }
    if (length == 0 || length >= kHostBytes) return;
    for (size_t i = 0; i < length; ++i) {
        if (!IsUrlCharacter(static_cast<unsigned char>(start[i]))) return;
    }
    std::memcpy(host, start, length);
    host[length] = '\0';
}

Verdict Evaluate(CRegexMatcher& matcher, const char* reply, uint32_t build, HostList hosts, Fields& out) noexcept {
    out = Fields{};
    const bool versionFits = ExtractField(matcher, reply, kVersionPattern, out.version);

    char number[CRegexMatcher::kScratchBytes];
    out.revision = matcher.ExtractMatch(reply, kRevisionPattern, number) ? ReadNumber(number, kMissingRevision)
                                                                           : kMissingRevision;
    const bool urlFits = ExtractField(matcher, reply, kUrlPattern, out.url);
    out.minimum = matcher.ExtractMatch(reply, kMinimumPattern, number) ? ReadNumber(number, kMissingMinimum)
                                                                         : kMissingMinimum;

    // Both numbers are signed on the wire: a negative revision would read as a huge one and bury every
    // genuine update behind it; a negative lowest build names no build at all. A revision at or below
    // this build says that nothing newer exists, whichever builds it allows.
    const bool revisionNamed = static_cast<int32_t>(out.revision) > 0;
    if (revisionNamed && out.revision <= build) return Verdict::Current;
    if (static_cast<int32_t>(out.minimum) < 0 || out.minimum > build) return Verdict::NotForThisBuild;
    if (!revisionNamed) return Verdict::NotNewer;
    if (!versionFits || !urlFits || std::strlen(out.url) > kOfferableUrlChars) return Verdict::FieldTooLong;
    if (!IsSafeUpdateUrl(out.url)) return Verdict::UnsafeUrl;
    if (!IsOwnDownloadUrl(out.url, hosts)) return Verdict::NotOwnPage;
    return Verdict::Offer;
}

}  // namespace update_reply
