#include "app/StartArguments.h"

#include <cwchar>
#include <cwctype>

#include "framework/Text.h"

namespace {

const wchar_t* SkipSpaces(const wchar_t* p) noexcept {
    while (*p == L' ' || *p == L'\t') ++p;
    return p;
}

// A handle value in hexadecimal followed by a space or the end; false for anything else or zero.
bool ReadHandle(const wchar_t*& p, HANDLE& out) noexcept {
    p = SkipSpaces(p);
    if (!iswxdigit(*p)) return false;
    wchar_t* end = nullptr;
    const unsigned long long value = wcstoull(p, &end, 16);
    if (end == p || (*end != L'\0' && *end != L' ' && *end != L'\t') || value == 0) return false;
    p = end;
    out = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(value));
    return true;
}

}  // namespace

StartArguments ParseStartArguments(const wchar_t* commandLine) noexcept {
    StartArguments args;
    if (!commandLine) return args;
    const wchar_t* p = SkipSpaces(commandLine);
    const size_t word = wcslen(kGuardArgument);
    if (_wcsnicmp(p, kGuardArgument, word) != 0) return args;
    p += word;
    if (*p != L'\0' && *p != L' ' && *p != L'\t') return args;  // another word that begins alike
    StartArguments guard;
    guard.role = StartRole::Guard;
    if (!ReadHandle(p, guard.watched) || !ReadHandle(p, guard.quitEvent) || *SkipSpaces(p) != L'\0') {
        // Malformed: still the guard's role, so no second program starts, but with nothing to watch.
        return StartArguments{StartRole::Guard, nullptr, nullptr};
    }
    return guard;
}

bool FormatGuardCommandLine(wchar_t (&out)[MAX_PATH + 64], const wchar_t* exePath, HANDLE watched,
                            HANDLE quitEvent) noexcept {
    return vp::FormatText(out, L"\"%ls\" %ls %llx %llx", exePath, kGuardArgument,
                           static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(watched)),
                           static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(quitEvent)));
}
