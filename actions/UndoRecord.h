#pragma once
// The program's changes outside its own key (today only the Task Manager policy) are recorded in its
// key before they are made: what was there before, and that the change is in force. Whoever finds
// the record - the way back from the virtual desktop, Quit, the end of the session, the guard process,
// the dying process, or the next start after a run that could not undo - puts back exactly what was
// there and clears the record.
//
// No locks here: the dying process and the guard must be able to call these whatever the program's
// threads hold. Inside the running program the hook thread makes every change.
#include <windows.h>

#include "framework/Product.h"

namespace undo_record {

// Value names under the program's key. The flag is a DWORD 1 while the change is in force; the
// policy value as it was is kept with its own type and data, and is missing when there was none.
constexpr const wchar_t* kInForceValue = product::kTaskMgrUndoValue;
constexpr const wchar_t* kBeforeValue = product::kTaskMgrBeforeValue;

// The policy, under the same root as the program's key.
constexpr const wchar_t* kPolicyKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
constexpr const wchar_t* kPolicyValue = L"DisableTaskMgr";

// Records the policy as it is now, then sets it to DWORD 1. A record already in force whose DWORD 1
// is still there is kept as it is: it holds the state before the program's first change; a value
// someone else set since replaces it. False, with the policy untouched, when the record cannot be
// written (or the present value cannot be kept whole).
bool DisableTaskManager(HKEY root, const wchar_t* ownKey) noexcept;
// The same, writing the policy through a key the caller holds open for writing; ERROR_SUCCESS or
// the error that stopped it.
LONG DisableTaskManagerIn(HKEY policyForWrite, HKEY root, const wchar_t* ownKey) noexcept;

// Puts back what the record holds and clears the record; without a record nothing is touched. A
// policy that is no longer the program's DWORD 1 was changed by someone else since, and is left as
// they set it. Returns whether a record was found.
bool Undo(HKEY root, const wchar_t* ownKey) noexcept;

bool IsInForce(HKEY root, const wchar_t* ownKey) noexcept;

// The mark that the virtual desktop may be showing (product::kVirtualShowingValue): set before the
// screen moves there, cleared once it is back, so it is never missing while the virtual desktop
// shows. False when it could not be written.
bool SetVirtualShowing(HKEY root, const wchar_t* ownKey, bool showing) noexcept;
bool IsVirtualShowing(HKEY root, const wchar_t* ownKey) noexcept;

}  // namespace undo_record
