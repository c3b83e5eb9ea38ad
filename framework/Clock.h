#pragma once
// Performance-counter stamps, for the switch timings the program keeps and the benchmark reads.
#include <windows.h>

namespace vp {

inline LONGLONG PerformanceStamp() noexcept {
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return t.QuadPart;
}

}  // namespace vp
