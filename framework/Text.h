#pragma once
// Bounded copies and formats into fixed UTF-16 (and narrow) buffers. The size always comes from the
// array itself, so no caller can pass the wrong one. Formats use %ls for wide texts.
#include <cstdarg>
#include <cstddef>
#include <cwchar>

namespace vp {

// Copies at most count-1 units and terminates; returns false when the source did not fit (the
// destination then holds the cut text).
bool CopyTextN(wchar_t* dst, size_t count, const wchar_t* src) noexcept;
bool CopyTextN(char* dst, size_t count, const char* src) noexcept;
bool FormatTextV(wchar_t* dst, size_t count, const wchar_t* fmt, va_list args) noexcept;
bool FormatTextV(char* dst, size_t count, const char* fmt, va_list args) noexcept;

template <size_t N>
bool CopyText(wchar_t (&dst)[N], const wchar_t* src) noexcept { return CopyTextN(dst, N, src); }
template <size_t N>
bool CopyText(char (&dst)[N], const char* src) noexcept { return CopyTextN(dst, N, src); }

// Copies only when the whole text fits; otherwise leaves the destination empty. For texts whose cut
// form would mean something else (a path, a command line).
template <size_t N>
bool CopyTextWhole(wchar_t (&dst)[N], const wchar_t* src) noexcept {
    if (CopyTextN(dst, N, src)) return true;
    dst[0] = L'\0';
    return false;
}

template <size_t N>
bool FormatText(wchar_t (&dst)[N], const wchar_t* fmt, ...) noexcept {
    va_list args;
    va_start(args, fmt);
    const bool ok = FormatTextV(dst, N, fmt, args);
    va_end(args);
    return ok;
}
template <size_t N>
bool FormatText(char (&dst)[N], const char* fmt, ...) noexcept {
    va_list args;
    va_start(args, fmt);
    const bool ok = FormatTextV(dst, N, fmt, args);
    va_end(args);
    return ok;
}

}  // namespace vp
