#pragma once
// A diagnostic trace through OutputDebugStringW, for people and tests watching the program work
// (a debugger, or Wine's debug channel). Silent unless the environment variable VEILPANE_TRACE is
// "1" when the program starts: a privacy tool says nothing to whoever listens. Even then a line
// carries events and numbers only, never a path, title, address or password.
namespace vp {
void Trace(const wchar_t* fmt, ...) noexcept;
bool TraceEnabled() noexcept;
}
