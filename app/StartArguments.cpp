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

namespace {

// The word at p, followed by a space or the end; p moves past it.
bool TakeWord(const wchar_t*& p, const wchar_t* word) noexcept {
    const size_t n = wcslen(word);
    if (_wcsnicmp(p, word, n) != 0) return false;
    if (p[n] != L'\0' && p[n] != L' ' && p[n] != L'\t') return false;  // another word that begins alike
    p += n;
    return true;
}

}  // namespace

StartArguments ParseStartArguments(const wchar_t* commandLine) noexcept {
    StartArguments args;
    if (!commandLine) return args;
    const wchar_t* p = SkipSpaces(commandLine);
    if (TakeWord(p, kHandedStateArgument)) {
        // Malformed: the program, with nothing handed over.
        HANDLE state = nullptr;
        if (ReadHandle(p, state) && *SkipSpaces(p) == L'\0') args.state = state;
        return args;
    }
    if (!TakeWord(p, kGuardArgument)) return args;
    StartArguments guard;
    guard.role = StartRole::Guard;
    if (!ReadHandle(p, guard.watched) || !ReadHandle(p, guard.quitEvent) || !ReadHandle(p, guard.state) ||
        *SkipSpaces(p) != L'\0') {
        // Malformed: still the guard's role, so no second program starts, but with nothing to watch.
        return StartArguments{StartRole::Guard, nullptr, nullptr, nullptr};
    }
    return guard;
}

namespace {
unsigned long long HandleValue(HANDLE h) noexcept { return static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(h)); }
}  // namespace

bool FormatGuardCommandLine(wchar_t (&out)[MAX_PATH + 64], const wchar_t* exePath, HANDLE watched,
                            HANDLE quitEvent, HANDLE state) noexcept {
    return vp::FormatText(out, L"\"%ls\" %ls %llx %llx %llx", exePath, kGuardArgument, HandleValue(watched),
                          HandleValue(quitEvent), HandleValue(state));
}

bool FormatRestartCommandLine(wchar_t (&out)[MAX_PATH + 64], const wchar_t* exePath, HANDLE state) noexcept {
    if (!state) return vp::FormatText(out, L"\"%ls\"", exePath);
    return vp::FormatText(out, L"\"%ls\" %ls %llx", exePath, kHandedStateArgument, HandleValue(state));
}
