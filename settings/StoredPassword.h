#pragma once
// How the two switch passwords are kept: as hash records (framework/PasswordHash.h) in PWD_VIRT and
// PWD_ORIG, in the settings record and in the module's mirror. The basic page never sees a password
// or a record: a set password shows as a fixed mask, which left as it is keeps the stored record.
#include "framework/PasswordHash.h"

class CRegistryStore;

namespace stored_password {

// The values of the restore password, which processes that hold no settings read too (the settings
// table names its row by them).
constexpr const wchar_t* kRestoreOnValue = L"PWD_ORIG_ENABLED";
constexpr const wchar_t* kRestoreValue = L"PWD_ORIG";

// Eight bullets. Someone who types exactly these as a new password keeps the old one.
constexpr const wchar_t* kPageMask = L"\x2022\x2022\x2022\x2022\x2022\x2022\x2022\x2022";

// What the page's edits show for a record: the mask when a password is set, else nothing.
const wchar_t* PageText(const wchar_t* record) noexcept;

// Whether the page's text asks for another record than the one kept.
bool PageChangesRecord(const wchar_t* pageText, const wchar_t* record) noexcept;

// The record for the page's text: the mask keeps current, empty text is no password, anything else is
// hashed. When no hash can be made, current is kept rather than leaving the direction unguarded.
void RecordFromPage(const wchar_t* pageText, const wchar_t* current, wchar_t (&record)[vp::kPasswordRecordUnits]);

// Reads a stored password value into record. A password that an older build kept in clear (1 to 14
// characters) is hashed and its value overwritten with the record, so the clear text is gone from the
// key and the password keeps working. Anything else that is not a record (missing, wrong type,
// overlong) reads as no password, and an overlong text is emptied; a damaged record is kept as it is
// and accepts nothing.
void LoadRecord(const CRegistryStore& store, const wchar_t* name, wchar_t (&record)[vp::kPasswordRecordUnits]);

// Whether the stored settings guard the way back to the original desktop: the restore password
// switched on and a password value that loads as one. Read from the key alone and written nowhere,
// for a process that holds no settings (the guard, a dying program).
bool RestorePasswordStored(const CRegistryStore& store) noexcept;

}  // namespace stored_password
