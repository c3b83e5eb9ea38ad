#pragma once
// What a reply of the update server offers, decided on its narrow text alone. Nothing here touches
// the platform: the reply comes from the network, and this is the code that reads it.
#include <cstddef>
#include <cstdint>
#include <span>

class CRegexMatcher;

namespace update_reply {

constexpr size_t kVersionBytes = 20;  // 19 bytes of text and the terminator
constexpr size_t kUrlBytes = 264;     // 263 bytes of text and the terminator
// The longest address the offer can hold whole (its field is 260 units with the terminator): a
// longer one would be recorded and never offered.
constexpr size_t kOfferableUrlChars = 259;
constexpr size_t kHostBytes = kOfferableUrlChars + 1;
constexpr uint32_t kMissingRevision = 0;
constexpr uint32_t kMissingMinimum = 0x9999;

// The fields of one reply, as far as they were read.
struct Fields {
    char version[kVersionBytes] = {};
    char url[kUrlBytes] = {};
    uint32_t revision = kMissingRevision;
    uint32_t minimum = kMissingMinimum;
};

enum class Verdict {
    Offer,            // a newer build that this build may take: record it
    Current,          // the reply names this build or an older one: there is no newer build to offer
    NotForThisBuild,  // the lowest build allowed is above this one or negative, or the reply names none
    NotNewer,         // the reply names no revision that is a positive number
    FieldTooLong,     // the version or the address does not fit its field or the offer: a cut text means
                      // something else
    UnsafeUrl,        // the address is not a plain web address
    NotOwnPage,       // a plain web address, but not an https one on the program's own hosts
};

// The hosts an offer may send the user to (the program's own, product::kDownloadHosts): passed in, so
// this code needs none of the platform's headers.
using HostList = std::span<const char* const>;

// Turns every CR, LF and TAB of the first bytes into a blank, so values that span lines read as one.
void BlankLineBreaks(char* text, size_t bytes) noexcept;

// Reads a decimal number the way "%d" does: optional white space, an optional sign, digits. A text
// that does not begin with a number, or a number outside the signed 32-bit range, gives fallback.
// A negative number comes back as its 32-bit two's complement.
uint32_t ReadNumber(const char* text, uint32_t fallback) noexcept;

// True for an http:// or https:// address (the scheme in any case) with a host, made only of the
// characters a web address may carry unencoded (letters, digits and - . _ ~ : / ? # [ ] @ ! $ & ( ) *
// + , ; = %): the address is handed to the shell, and a blank, a quote, < >, a backslash, a control
// character or anything outside ASCII could make it run something else.
bool IsSafeUpdateUrl(const char* url) noexcept;

// The host part of a safe address (without user information or port), for the offer to name where
// the download comes from. Empty for an address that is not safe or does not fit.
void UrlHost(const char* url, char (&host)[kHostBytes]) noexcept;

// True for a safe https:// address whose whole authority is one of hosts (named in lower case), in
// any case: no user information, no port, nothing else. The only address the offer opens.
bool IsOwnDownloadUrl(const char* url, HostList hosts) noexcept;

// Picks the four fields out of the (already blanked, NUL-terminated) reply with the matcher and
// decides whether it offers a build for this one, on one of hosts. out holds what was read whatever
// the verdict.
Verdict Evaluate(CRegexMatcher& matcher, const char* reply, uint32_t build, HostList hosts, Fields& out) noexcept;

}  // namespace update_reply
