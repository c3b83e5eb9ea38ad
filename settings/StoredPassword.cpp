#include "settings/StoredPassword.h"

#include <windows.h>

#include <cwchar>

#include "framework/Text.h"
#include "framework/RegistryStore.h"

namespace stored_password {

namespace {
// The longest password the pages and the prompt read.
constexpr size_t kLongestPassword = 14;
}  // namespace

const wchar_t* PageText(const wchar_t* record) noexcept { return record && *record ? kPageMask : L""; }

bool PageChangesRecord(const wchar_t* pageText, const wchar_t* record) noexcept {
    return std::wcscmp(pageText ? pageText : L"", PageText(record)) != 0;
}

void RecordFromPage(const wchar_t* pageText, const wchar_t* current, wchar_t (&record)[vp::kPasswordRecordUnits]) {
    if (!pageText || !*pageText) {
        record[0] = L'\0';
        return;
    }
    if (std::wcscmp(pageText, kPageMask) == 0 || !vp::MakePasswordRecord(pageText, record)) {
        vp::CopyTextWhole(record, current ? current : L"");
    }
}

void LoadRecord(const CRegistryStore& store, const wchar_t* name, wchar_t (&record)[vp::kPasswordRecordUnits]) {
    wchar_t stored[vp::kPasswordRecordUnits];
    record[0] = L'\0';
    if (store.ReadString(name, stored) != ERROR_SUCCESS) return;
    if (vp::LooksLikePasswordRecord(stored)) {
        vp::CopyText(record, stored);
    } else if (std::wcslen(stored) <= kLongestPassword && stored[0] != L'\0' && vp::MakePasswordRecord(stored, record)) {
        store.WriteString(name, record);
    } else if (stored[0] != L'\0') {
        // Too long to have been a working password, but still someone's text in clear.
        store.WriteString(name, L"");
    }
    ::SecureZeroMemory(stored, sizeof(stored));
}

bool RestorePasswordStored(const CRegistryStore& store) noexcept {
    DWORD on = 0;
    if (store.ReadDword(kRestoreOnValue, &on) != ERROR_SUCCESS || on == 0) return false;
    wchar_t record[vp::kPasswordRecordUnits];
    return store.ReadString(kRestoreValue, record) == ERROR_SUCCESS && record[0] != L'\0';
}

}  // namespace stored_password
