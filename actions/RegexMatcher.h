#pragma once
// Compiles a pattern caselessly and multiline, runs it once over a text and hands back the
// highest-numbered group that was set. Nothing is cached between calls.
#include <cstddef>

class CRegexMatcher {
public:
    static constexpr int kVectorLength = 60;      // 20 usable offset pairs
    static constexpr size_t kScratchBytes = 264;  // 263 bytes of capture and the terminator

    CRegexMatcher();
    ~CRegexMatcher();
    CRegexMatcher(const CRegexMatcher&) = delete;
    CRegexMatcher& operator=(const CRegexMatcher&) = delete;

    // out receives the capture (emptied first); returns its length in bytes, 0 when nothing matched.
    // A capture longer than the scratch is cut to 263 bytes, and outSize bounds the copy as well.
    size_t ExtractMatch(const char* subject, const char* pattern, char* out, size_t outSize);
    template <size_t N>
    size_t ExtractMatch(const char* subject, const char* pattern, char (&out)[N]) {
        return ExtractMatch(subject, pattern, out, N);
    }
    // The same on wide texts, UTF-8 in between; returns the capture's UTF-8 length in bytes.
    size_t ExtractMatchW(const wchar_t* subject, const wchar_t* pattern, wchar_t* out, size_t outUnits);
    template <size_t N>
    size_t ExtractMatchW(const wchar_t* subject, const wchar_t* pattern, wchar_t (&out)[N]) {
        return ExtractMatchW(subject, pattern, out, N);
    }
    // Where the last match's group started and ended, in bytes of the (UTF-8) subject.
    size_t LastStart() const noexcept { return m_lastStart; }
    size_t LastEnd() const noexcept { return m_lastEnd; }
    // True when the last capture was longer than the scratch and was cut.
    bool LastCut() const noexcept { return m_lastCut; }

private:
    // Runs steps 1-6 of a match; returns the group's length or 0 and remembers its offsets.
    size_t Match(const char* subject, size_t subjectBytes, const char* pattern);

    int m_nVectorLength = kVectorLength;
    int* m_pVector = nullptr;
    char m_szScratch[kScratchBytes] = {};
    size_t m_lastStart = 0;
    size_t m_lastEnd = 0;
    bool m_lastCut = false;
};
