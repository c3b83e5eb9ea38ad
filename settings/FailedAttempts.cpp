#include "settings/FailedAttempts.h"

#include <algorithm>
#include <iterator>

#include "framework/Handles.h"
#include "framework/Text.h"
#include "framework/RegistryStore.h"

namespace failed_attempts {

namespace {

constexpr wchar_t kSeparator[] = L"; ";
// Twenty entries of 21 characters with their separators, and room for a hand-edited longer one.
constexpr size_t kLogUnits = 1024;

vp::CriticalSection& RecordLock() noexcept {
    static vp::CriticalSection s_lock;
    return s_lock;
}

struct PendingNotice {
    vp::CriticalSection lock;
    std::wstring text;
};

PendingNotice& Pending() {
    static PendingNotice s_pending;
    return s_pending;
}

}  // namespace

void SetPendingNotice(const std::wstring& text) {
    vp::LockGuard lock(Pending().lock);
    Pending().text = text;
}

std::wstring TakePendingNotice() {
    vp::LockGuard lock(Pending().lock);
    std::wstring text;
    text.swap(Pending().text);
    return text;
}

unsigned WaitSeconds(DWORD failedInARow) noexcept {
    if (failedInARow < kFreeAttempts) return 0;
    const DWORD doublings = failedInARow - kFreeAttempts;
    return doublings >= 5 ? kLongestWaitSeconds : std::min(kLongestWaitSeconds, 1u << doublings);
}

std::wstring AppendToLog(const std::wstring& log, const std::wstring& entry) {
    std::wstring out = log.empty() ? entry : log + kSeparator + entry;
    size_t entries = 1;
    for (size_t at = out.find(kSeparator); at != std::wstring::npos; at = out.find(kSeparator, at + 1)) ++entries;
    while (entries-- > kKeptEntries) out.erase(0, out.find(kSeparator) + std::size(kSeparator) - 1);
    return out;
}

std::wstring FormatUtc(const SYSTEMTIME& utc) {
    wchar_t text[32];
    vp::FormatText(text, L"%04u-%02u-%02u %02u:%02u:%02u", utc.wYear, utc.wMonth, utc.wDay, utc.wHour, utc.wMinute,
                   utc.wSecond);
    return text;
}

std::wstring NoticeText(DWORD count, const wchar_t* since) {
    wchar_t text[160];
    vp::FormatText(text, L"%lu wrong password attempt%ls since %ls UTC.", static_cast<unsigned long>(count),
                   count == 1 ? L"" : L"s", since && *since ? since : L"an unknown time");
    return text;
}

DWORD CFailedAttempts::FailedInARow() const noexcept {
    CRegistryStore store;
    store.SetPath(m_keyPath);
    DWORD count = 0;
    return store.ReadDword(kCountValue, &count) == ERROR_SUCCESS ? count : 0;
}

void CFailedAttempts::Record(Prompt prompt, const SYSTEMTIME& utcNow) const {
    vp::LockGuard lock(RecordLock());
    CRegistryStore store;
    store.SetPath(m_keyPath);
    DWORD count = 0;
    if (store.ReadDword(kCountValue, &count) != ERROR_SUCCESS) count = 0;
    const std::wstring when = FormatUtc(utcNow);
    if (count == 0) store.WriteString(kSinceValue, when.c_str());
    wchar_t log[kLogUnits];
    if (store.ReadString(kLogValue, log) != ERROR_SUCCESS) log[0] = L'\0';
    const std::wstring entry = when + L" " + static_cast<wchar_t>(prompt);
    store.WriteString(kLogValue, AppendToLog(log, entry).c_str());
    // The count last: whoever reads it, another thread or the next start, finds its entry logged.
    store.WriteDword(kCountValue, count == 0xFFFFFFFF ? count : count + 1);
}

Summary CFailedAttempts::TakeSummary() const noexcept {
    vp::LockGuard lock(RecordLock());
    CRegistryStore store;
    store.SetPath(m_keyPath);
    Summary summary;
    if (store.ReadDword(kCountValue, &summary.count) != ERROR_SUCCESS) summary.count = 0;
    if (store.ReadString(kSinceValue, summary.since) != ERROR_SUCCESS) summary.since[0] = L'\0';
    for (const wchar_t* name : {kCountValue, kSinceValue, kLogValue}) store.DeleteValue(name);
    return summary;
}

}  // namespace failed_attempts
