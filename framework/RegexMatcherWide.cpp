// The wide side of the matcher: UTF-8 in between, so patterns and texts meet as bytes.
#include <windows.h>

#include <cstring>
#include <memory>
#include <new>

#include "framework/RegexMatcher.h"

namespace {

// A heap copy of a wide text in UTF-8, terminator included; empty when the conversion fails.
std::unique_ptr<char[]> ToUtf8(const wchar_t* text) {
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return nullptr;
    std::unique_ptr<char[]> out(new (std::nothrow) char[static_cast<size_t>(bytes) + 1]);
    if (!out) return nullptr;
    if (::WideCharToMultiByte(CP_UTF8, 0, text, -1, out.get(), bytes, nullptr, nullptr) != bytes) return nullptr;
    out[bytes] = '\0';
    return out;
}

}  // namespace

size_t CRegexMatcher::ExtractMatchW(const wchar_t* subject, const wchar_t* pattern, wchar_t* out, size_t outUnits) {
    if (out && outUnits) out[0] = L'\0';
    m_szScratch[0] = '\0';
    m_lastStart = m_lastEnd = 0;
    m_lastCut = false;
    if (!subject || !pattern) return 0;
    const std::unique_ptr<char[]> subject8 = ToUtf8(subject);
    const std::unique_ptr<char[]> pattern8 = ToUtf8(pattern);
    if (!subject8 || !pattern8) return 0;

    const size_t length = Match(subject8.get(), std::strlen(subject8.get()), pattern8.get());
    if (length == 0 || !out || outUnits == 0) return 0;
    const size_t copied = CopyCapture(subject8.get(), length, true);
    // The scratch holds at most 263 bytes, so its wide form always fits this buffer.
    wchar_t wide[kScratchBytes];
    int units = ::MultiByteToWideChar(CP_UTF8, 0, m_szScratch, static_cast<int>(copied), wide, kScratchBytes - 1);
    if (units <= 0) return 0;
    if (static_cast<size_t>(units) > outUnits - 1) {
        units = static_cast<int>(outUnits - 1);
        if (units > 0 && IS_HIGH_SURROGATE(wide[units - 1])) --units;  // never half a character
        m_lastCut = true;
    }
    std::memcpy(out, wide, static_cast<size_t>(units) * sizeof(wchar_t));
    out[units] = L'\0';
    if (units == 0) return 0;
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, out, units, nullptr, 0, nullptr, nullptr);
    return bytes > 0 ? static_cast<size_t>(bytes) : 0;
}
