#include "app/Trace.h"

#include <windows.h>

#include "framework/Text.h"

namespace vp {

void Trace(const wchar_t* fmt, ...) noexcept {
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
