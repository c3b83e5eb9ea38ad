// How long one password check takes on this machine: the calibrated iteration count, the time to
// make a record and the time of each check (right and wrong), and what a record looks like.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "framework/PasswordHash.h"

namespace {

double Milliseconds(LONGLONG ticks) {
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
}

LONGLONG Now() {
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return t.QuadPart;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int rounds = argc > 1 ? std::max(1, _wtoi(argv[1])) : 10;
    const LONGLONG calibrateStart = Now();
    const uint32_t iterations = vp::CalibratedPasswordIterations();
    const double calibrateMs = Milliseconds(Now() - calibrateStart);

    wchar_t record[vp::kPasswordRecordUnits];
    const LONGLONG makeStart = Now();
    if (!vp::MakePasswordRecord(L"secret1", record)) {
        std::printf("no record could be made\n");
        return 1;
    }
    const double makeMs = Milliseconds(Now() - makeStart);

    std::vector<double> checks;
    for (int i = 0; i < rounds; ++i) {
        const LONGLONG start = Now();
        const bool right = vp::VerifyPasswordRecord(i % 2 ? L"Secret1" : L"secret1", record);
        checks.push_back(Milliseconds(Now() - start));
        if (right != (i % 2 == 0)) {
            std::printf("check %d gave the wrong answer\n", i);
            return 1;
        }
    }
    std::sort(checks.begin(), checks.end());
    std::printf("record:      %ls\n", record);
    std::printf("iterations:  %u (calibrated in %.1f ms)\n", iterations, calibrateMs);
    std::printf("make record: %.1f ms\n", makeMs);
    std::printf("one check:   median %.1f ms, min %.1f ms, max %.1f ms over %d checks\n", checks[checks.size() / 2],
                checks.front(), checks.back(), rounds);
    return 0;
}
