#include "update/UpdateReply.h"

#include <cstdint>
#include <cstring>

#include "actions/RegexMatcher.h"

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

bool IsSafeUpdateUrl(const char* url) noexcept {
    if (!StartsWithNoCase(url, "http://") && !StartsWithNoCase(url, "https://")) return false;
    for (const auto* p = reinterpret_cast<const unsigned char*>(url); *p; ++p) {
        if (*p < 0x20 || *p == 0x7F) return false;
        // C1 control characters, U+0080 to U+009F, in their UTF-8 form.
        if (*p == 0xC2 && p[1] >= 0x80 && p[1] <= 0x9F) return false;
    }
    return true;
}

Verdict Evaluate(CRegexMatcher& matcher, const char* reply, uint32_t build, Fields& out) noexcept {
    out = Fields{};
    const bool versionFits = ExtractField(matcher, reply, kVersionPattern, out.version);

    char number[CRegexMatcher::kScratchBytes];
    out.revision = matcher.ExtractMatch(reply, kRevisionPattern, number) ? ReadNumber(number, kMissingRevision)
                                                                           : kMissingRevision;
    const bool urlFits = ExtractField(matcher, reply, kUrlPattern, out.url);
    out.minimum = matcher.ExtractMatch(reply, kMinimumPattern, number) ? ReadNumber(number, kMissingMinimum)
                                                                         : kMissingMinimum;

    if (out.minimum > build) return Verdict::NotForThisBuild;
    if (build >= out.revision) return Verdict::NotNewer;
    if (!versionFits || !urlFits) return Verdict::FieldTooLong;
    if (!IsSafeUpdateUrl(out.url)) return Verdict::UnsafeUrl;
    return Verdict::Offer;
}

}  // namespace update_reply
