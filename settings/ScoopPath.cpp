#include "settings/ScoopPath.h"

#include <cwchar>

#include "framework/Text.h"

namespace settings_rules {

namespace {

constexpr wchar_t kCurrent[] = L"current";

bool IsName(const wchar_t* start, size_t length, const wchar_t* name) noexcept {
    return ::CompareStringOrdinal(start, static_cast<int>(length), name, -1, TRUE) == CSTR_EQUAL;
}

}  // namespace

bool ScoopCurrentPath(const wchar_t* exePath, wchar_t (&out)[MAX_PATH]) noexcept {
    out[0] = L'\0';
    if (!exePath) return false;
    // The last four separators end, from the right: the version, the app and "apps" folders.
    const wchar_t* separators[4] = {};
    size_t found = 0;
    for (const wchar_t* p = exePath + std::wcslen(exePath); p > exePath && found < 4;) {
        if (*--p == L'\\') separators[found++] = p;
    }
    if (found < 4) return false;
    const wchar_t* file = separators[0] + 1;
    const wchar_t* version = separators[1] + 1;
    const wchar_t* app = separators[2] + 1;
    const wchar_t* apps = separators[3] + 1;
    const size_t versionLength = static_cast<size_t>(separators[0] - version);
    if (*file == L'\0' || versionLength == 0 || separators[1] == app ||
        !IsName(apps, static_cast<size_t>(separators[2] - apps), L"apps") || IsName(version, versionLength, kCurrent)) {
        return false;
    }
    const int prefix = static_cast<int>(version - exePath);
    if (!vp::FormatText(out, L"%.*ls%ls\\%ls", prefix, exePath, kCurrent, file)) {
        out[0] = L'\0';
        return false;
    }
    return true;
}

}  // namespace settings_rules
