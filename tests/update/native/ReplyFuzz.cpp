// Feeds arbitrary server replies through the reply evaluation exactly as the check does (at most
// 10,239 bytes, NUL-terminated, line breaks blanked) and checks what an offer promises.
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "framework/RegexMatcher.h"
#include "update/UpdateReply.h"

namespace {
constexpr size_t kReplyBytes = 10240;
constexpr uint32_t kBuild = 290;
constexpr const char* kOwnHosts[] = {"update.example.net", "www.example.net"};

void Require(bool condition) {
    if (!condition) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static char reply[kReplyBytes];
    const size_t n = size < kReplyBytes - 1 ? size : kReplyBytes - 1;
    memcpy(reply, data, n);
    reply[n] = '\0';
    update_reply::BlankLineBreaks(reply, n);
    for (size_t i = 0; i < n; ++i) Require(reply[i] != '\r' && reply[i] != '\n' && reply[i] != '\t');

    CRegexMatcher matcher;
    update_reply::Fields fields;
    const auto verdict = update_reply::Evaluate(matcher, reply, kBuild, kOwnHosts, fields);
    Require(strlen(fields.version) < sizeof(fields.version));
    Require(strlen(fields.url) < sizeof(fields.url));
    if (verdict == update_reply::Verdict::Offer) {
        Require(fields.minimum <= kBuild && fields.revision > kBuild && fields.revision <= 0x7FFFFFFFu);
        Require(strlen(fields.url) <= update_reply::kOfferableUrlChars);
        char host[update_reply::kHostBytes];
        update_reply::UrlHost(fields.url, host);
        Require(strcasecmp(host, kOwnHosts[0]) == 0 || strcasecmp(host, kOwnHosts[1]) == 0);
        char scheme[9] = {};
        for (size_t i = 0; i < 8 && fields.url[i]; ++i) scheme[i] = static_cast<char>(tolower(fields.url[i]));
        Require(strncmp(scheme, "https://", 8) == 0);
        for (const char* p = fields.url; *p; ++p) {
            Require(static_cast<unsigned char>(*p) > 0x20 && static_cast<unsigned char>(*p) < 0x7F &&
                    !strchr("\"'<>\\{}|^`", *p));
        }
    }
    return 0;
}
