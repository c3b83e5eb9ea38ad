// The narrow side of the matcher. It stays free of <windows.h>: the update check evaluates the
// server's reply through it, and that evaluation is also built natively and fuzzed.
#include "framework/RegexMatcher.h"

#include <pcre2.h>

#include <cstring>

namespace {

// Frees the compiled pattern when the match is done: every call compiles afresh.
struct CodeOwner {
    pcre2_code* code;
    ~CodeOwner() { if (code) pcre2_code_free(code); }
};

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

CRegexMatcher::CRegexMatcher()
    // One offset pair per three entries of the vector, as the older interface counted them.
    : m_pMatchData(pcre2_match_data_create(static_cast<uint32_t>(kVectorLength / 3), nullptr)) {}

CRegexMatcher::~CRegexMatcher() { pcre2_match_data_free(m_pMatchData); }

size_t CRegexMatcher::Match(const char* subject, size_t subjectBytes, const char* pattern) {
    m_lastStart = m_lastEnd = 0;
    m_lastCut = false;
    if (!subject || !pattern || !m_pMatchData) return 0;

    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    CodeOwner compiled{pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern), PCRE2_ZERO_TERMINATED,
                                     PCRE2_CASELESS | PCRE2_MULTILINE, &errorCode, &errorOffset, nullptr)};
    if (!compiled.code) return 0;  // a pattern that does not compile counts as no match

    const int rc = pcre2_match(compiled.code, reinterpret_cast<PCRE2_SPTR>(subject), subjectBytes, 0, 0,
                               m_pMatchData, nullptr);
    if (rc <= 0) return 0;  // no match, an error, or more groups than the vector holds

    // The highest-numbered pair that was set: the one capture group of every pattern we use.
    const PCRE2_SIZE* pairs = pcre2_get_ovector_pointer(m_pMatchData);
    const PCRE2_SIZE start = pairs[2 * (rc - 1)];
    const PCRE2_SIZE end = pairs[2 * (rc - 1) + 1];
    // \K in a lookahead can put the end before the start; such a group holds no text.
    if (start == PCRE2_UNSET || end == PCRE2_UNSET || end <= start || end > subjectBytes) return 0;
    m_lastStart = start;
    m_lastEnd = end;
    return end - start;
}

size_t CRegexMatcher::CopyCapture(const char* subject, size_t length, bool keepCharacters) {
    size_t copied = length;
    if (copied > kScratchBytes - 1) {
        copied = kScratchBytes - 1;
        // Back off to the start of a UTF-8 character so the cut text still converts cleanly.
        if (keepCharacters) {
            while (copied > 0 && IsContinuationByte(subject[m_lastStart + copied])) --copied;
        }
        m_lastCut = true;
    }
    std::memcpy(m_szScratch, subject + m_lastStart, copied);
    m_szScratch[copied] = '\0';
    return copied;
}

size_t CRegexMatcher::ExtractMatch(const char* subject, const char* pattern, char* out, size_t outSize) {
    if (out && outSize) out[0] = '\0';
    m_szScratch[0] = '\0';
    m_lastStart = m_lastEnd = 0;
    m_lastCut = false;
    if (!subject) return 0;
    const size_t length = Match(subject, std::strlen(subject), pattern);
    if (length == 0) return 0;
    size_t copied = CopyCapture(subject, length, false);
    if (!out || outSize == 0) return 0;
    if (copied > outSize - 1) {
        copied = outSize - 1;
        m_lastCut = true;
    }
    std::memcpy(out, m_szScratch, copied);
    out[copied] = '\0';
    return copied;
}
