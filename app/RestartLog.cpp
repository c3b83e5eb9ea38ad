#include "app/RestartLog.h"

#include <algorithm>

#include "framework/Handles.h"
#include "framework/Product.h"

namespace restart_log {

Plan PlanRestart(const ULONGLONG* stamps, size_t count, ULONGLONG now) noexcept {
    size_t recent = 0;
    for (size_t i = 0; i < count; ++i) {
        if (stamps[i] <= now && now - stamps[i] < kWindow) ++recent;
    }
    if (recent >= kMostRestarts) return Plan{false, 0};
    return Plan{true, kFirstDelayMs << recent};
}

ULONGLONG Now() noexcept {
    FILETIME ft{};
    ::GetSystemTimeAsFileTime(&ft);
    return (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

size_t Read(HKEY root, const wchar_t* ownKey, ULONGLONG (&stamps)[kMostRestarts]) noexcept {
    DWORD type = 0, bytes = sizeof(stamps);
    if (::RegGetValueW(root, ownKey, product::kRestartLogValue, RRF_RT_REG_BINARY, &type, stamps, &bytes) !=
            ERROR_SUCCESS ||
        bytes % sizeof(ULONGLONG) != 0) {
        return 0;
    }
    return bytes / sizeof(ULONGLONG);
}

void Append(HKEY root, const wchar_t* ownKey, const ULONGLONG* read, size_t count, ULONGLONG now) noexcept {
    ULONGLONG stamps[kMostRestarts + 1];
    size_t n = std::min(count, kMostRestarts);
    std::copy(read, read + n, stamps);
    stamps[n++] = now;
    const size_t keep = std::min(n, kMostRestarts);
    vp::RegKeyHandle key;
    if (::RegCreateKeyExW(root, ownKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.Put(), nullptr) != ERROR_SUCCESS) return;
    ::RegSetValueExW(key.Get(), product::kRestartLogValue, 0, REG_BINARY,
                     reinterpret_cast<const BYTE*>(stamps + (n - keep)), static_cast<DWORD>(keep * sizeof(ULONGLONG)));
}

void MarkGaveUp(HKEY root, const wchar_t* ownKey) noexcept {
    const DWORD one = 1;
    ::RegSetKeyValueW(root, ownKey, product::kRestartGaveUpValue, REG_DWORD, &one, sizeof(one));
}

bool TakeGaveUp(HKEY root, const wchar_t* ownKey) noexcept {
    DWORD value = 0, bytes = sizeof(value);
    if (::RegGetValueW(root, ownKey, product::kRestartGaveUpValue, RRF_RT_REG_DWORD, nullptr, &value, &bytes) !=
        ERROR_SUCCESS) {
        return false;
    }
    vp::RegKeyHandle key;
    if (::RegOpenKeyExW(root, ownKey, 0, KEY_SET_VALUE, key.Put()) == ERROR_SUCCESS) {
        ::RegDeleteValueW(key.Get(), product::kRestartGaveUpValue);
        ::RegDeleteValueW(key.Get(), product::kRestartLogValue);
    }
    return value != 0;
}

}  // namespace restart_log
