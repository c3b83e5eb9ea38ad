#include "framework/Text.h"

#include <cstdio>

namespace vp {

bool CopyTextN(wchar_t* dst, size_t count, const wchar_t* src) noexcept {
    if (count == 0) return false;
    size_t i = 0;
    if (src) {
        for (; i + 1 < count && src[i]; ++i) dst[i] = src[i];
    }
    dst[i] = L'\0';
    return !src || src[i] == L'\0';
}

bool CopyTextN(char* dst, size_t count, const char* src) noexcept {
    if (count == 0) return false;
    size_t i = 0;
    if (src) {
        for (; i + 1 < count && src[i]; ++i) dst[i] = src[i];
    }
    dst[i] = '\0';
    return !src || src[i] == '\0';
}

bool FormatTextV(wchar_t* dst, size_t count, const wchar_t* fmt, va_list args) noexcept {
    if (count == 0) return false;
    // The ISO form returns a negative value when the text was cut, and always terminates.
    const int n = std::vswprintf(dst, count, fmt, args);
    dst[count - 1] = L'\0';
    return n >= 0 && static_cast<size_t>(n) < count;
}

bool FormatTextV(char* dst, size_t count, const char* fmt, va_list args) noexcept {
    if (count == 0) return false;
    const int n = std::vsnprintf(dst, count, fmt, args);
    dst[count - 1] = '\0';
    return n >= 0 && static_cast<size_t>(n) < count;
}

}  // namespace vp
