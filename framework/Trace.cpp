#include "framework/Trace.h"

#include <windows.h>

#include "framework/Text.h"

namespace vp {

bool TraceEnabled() noexcept {
    static const bool enabled = [] {
        wchar_t value[4] = L"";
        return ::GetEnvironmentVariableW(L"VEILPANE_TRACE", value, 4) == 1 && value[0] == L'1';
    }();
    return enabled;
}

void Trace(const wchar_t* fmt, ...) noexcept {
    if (!TraceEnabled()) return;
    wchar_t line[512];
    wchar_t text[480];
    va_list args;
    va_start(args, fmt);
    FormatTextV(text, 480, fmt, args);
    va_end(args);
    FormatText(line, L"veilpane[%lu]: %ls\n", ::GetCurrentThreadId(), text);
    ::OutputDebugStringW(line);
}

}  // namespace vp
