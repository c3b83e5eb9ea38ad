#pragma once
// How often guards have started the program again after it ended without Quit. A program that keeps
// dying is started ever more slowly, at most five times in ten minutes; then the guard gives up, and
// the next start tells the user once. Kept under the program's key (product::kRestartLogValue), since
// each guard ends after one restart.
#include <windows.h>

#include <cstddef>

namespace restart_log {

constexpr size_t kMostRestarts = 5;
constexpr ULONGLONG kWindow = 10ull * 60 * 1000 * 10000;  // ten minutes in FILETIME units
constexpr DWORD kFirstDelayMs = 500;

struct Plan {
    bool allowed;   // false: five restarts in the last ten minutes already
    DWORD delayMs;  // how long to wait before the restart: doubled for each recent one
};

// From the times of earlier restarts (any order) and now, all FILETIME values. A time ahead of now
// (the clock was set back) is not counted.
Plan PlanRestart(const ULONGLONG* stamps, size_t count, ULONGLONG now) noexcept;

ULONGLONG Now() noexcept;
// The recorded times, newest last; a value of another type or size reads as none.
size_t Read(HKEY root, const wchar_t* ownKey, ULONGLONG (&stamps)[kMostRestarts]) noexcept;
// Writes the recorded times as Read gave them, with now added, keeping the newest kMostRestarts.
void Append(HKEY root, const wchar_t* ownKey, const ULONGLONG* stamps, size_t count, ULONGLONG now) noexcept;

void MarkGaveUp(HKEY root, const wchar_t* ownKey) noexcept;
// True once after a guard gave up; clears the mark and the times, so the program starts afresh.
bool TakeGaveUp(HKEY root, const wchar_t* ownKey) noexcept;

// What the next start tells the user.
constexpr const wchar_t* kGaveUpText =
    L"Veilpane ended unexpectedly several times in a short while and was not started again. It is running "
    L"again now.";

}  // namespace restart_log
