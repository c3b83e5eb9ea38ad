#pragma once
// A diagnostic trace through OutputDebugStringW: silent for users, readable from outside (a debugger,
// or Wine's debug channel) so tests and people can watch the program work.
namespace vp {
void Trace(const wchar_t* fmt, ...) noexcept;
}
