#pragma once
// The record of wrong passwords typed at any of the program's prompts, kept in the program's key so
// it outlives a restart and the owner learns of the attempts after the next correct password:
//   PWD_FAILED_COUNT  REG_DWORD  wrong passwords since the last correct one
//   PWD_FAILED_SINCE  REG_SZ     when the first of them was typed (UTC, "YYYY-MM-DD hh:mm:ss")
//   PWD_FAILED_LOG    REG_SZ     the last 20, oldest first: "<time> <prompt>" joined by "; ", where
//                                the prompt is V (to the virtual desktop), O (back to the original
//                                desktop) or S (the settings window)
// After three wrong passwords in a row each further prompt waits before it takes input.
#include <windows.h>

#include <string>

#include "framework/Product.h"

namespace failed_attempts {

constexpr const wchar_t* kCountValue = product::kFailedCountValue;
constexpr const wchar_t* kSinceValue = product::kFailedSinceValue;
constexpr const wchar_t* kLogValue = product::kFailedLogValue;
constexpr size_t kKeptEntries = 20;
constexpr unsigned kFreeAttempts = 3;
constexpr unsigned kLongestWaitSeconds = 30;

enum class Prompt : wchar_t { Switch = L'V', Restore = L'O', Settings = L'S' };

// Seconds a prompt waits before it takes input, after failedInARow wrong passwords: none for the
// first three, then 1, 2, 4, ... and at most 30.
unsigned WaitSeconds(DWORD failedInARow) noexcept;
// The log with one more entry, cut to the last kKeptEntries.
std::wstring AppendToLog(const std::wstring& log, const std::wstring& entry);
// A time as the record writes it.
std::wstring FormatUtc(const SYSTEMTIME& utc);
// What the owner is told: "3 wrong password attempts since 2026-12-09 02:40:11 UTC."
std::wstring NoticeText(DWORD count, const wchar_t* since);

// What had failed before a correct password.
struct Summary {
    DWORD count = 0;
    wchar_t since[32] = {};
};

// The record under one key. Every change is a read-modify-write under one process-wide lock, since
// the two password threads and the ui thread may each be prompting.
class CFailedAttempts {
public:
    explicit CFailedAttempts(const wchar_t* keyPath) noexcept : m_keyPath(keyPath) {}

    DWORD FailedInARow() const noexcept;
    void Record(Prompt prompt, const SYSTEMTIME& utcNow) const;
    // Takes what the record holds and clears it; count 0 when nothing had failed.
    Summary TakeSummary() const noexcept;

private:
    const wchar_t* m_keyPath;
};

// The notice for the owner, from the prompt that saw the correct password to the settings window that
// tells it. Kept until taken, so a notice whose message was lost is told the next time.
void SetPendingNotice(const std::wstring& text);
std::wstring TakePendingNotice();

}  // namespace failed_attempts
