#pragma once
// Compiles a pattern caselessly and multiline, runs it once over a text and hands back the
// highest-numbered group that was set. Nothing is cached between calls but the match vector.
// The narrow side needs no <windows.h>, so the update check's reply evaluation builds anywhere.
#include <cstddef>

struct pcre2_real_match_data_8;

class CRegexMatcher {
public:
    static constexpr int kVectorLength = 60;      // 20 usable offset pairs
    static constexpr size_t kScratchBytes = 264;  // 263 bytes of capture and the terminator

    CRegexMatcher();
    ~CRegexMatcher();
    CRegexMatcher(const CRegexMatcher&) = delete;
    CRegexMatcher& operator=(const CRegexMatcher&) = delete;

    // out receives the capture (emptied first); returns the length in bytes of what out holds, 0
    // when nothing matched. A capture longer than the scratch is cut to 263 bytes, and outSize
    // bounds the copy as well; LastCut() tells the caller that happened.
    size_t ExtractMatch(const char* subject, const char* pattern, char* out, size_t outSize);
    template <size_t N>
    size_t ExtractMatch(const char* subject, const char* pattern, char (&out)[N]) {
        return ExtractMatch(subject, pattern, out, N);
    }
    // The same on wide texts, UTF-8 in between; returns the UTF-8 length in bytes of the capture
    // that was converted into out. A cut never splits a character.
    size_t ExtractMatchW(const wchar_t* subject, const wchar_t* pattern, wchar_t* out, size_t outUnits);
    template <size_t N>
    size_t ExtractMatchW(const wchar_t* subject, const wchar_t* pattern, wchar_t (&out)[N]) {
        return ExtractMatchW(subject, pattern, out, N);
    }
    // Where the last match's group started and ended, in bytes of the (UTF-8) subject; both 0
    // after a call that matched nothing.
    size_t LastStart() const noexcept { return m_lastStart; }
    size_t LastEnd() const noexcept { return m_lastEnd; }
    // True when the last capture did not fit the scratch or out and was cut.
    bool LastCut() const noexcept { return m_lastCut; }

private:
    // Compiles and runs the pattern; returns the chosen group's length or 0 and remembers its offsets.
    size_t Match(const char* subject, size_t subjectBytes, const char* pattern);
    // Copies up to limit bytes of the remembered group into the scratch; returns the bytes copied.
    size_t CopyCapture(const char* subject, size_t length, bool keepCharacters);

    int m_nVectorLength = kVectorLength;
    pcre2_real_match_data_8* m_pMatchData = nullptr;  // the match vector, kept for the object's life
    char m_szScratch[kScratchBytes] = {};
    size_t m_lastStart = 0;
    size_t m_lastEnd = 0;
    bool m_lastCut = false;
};
