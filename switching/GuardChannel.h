#pragma once
// What the program tells its guard: whether the virtual desktop shows, whether a restore password
// guards the way back (and its record), whether the program asked for the lock on its way out,
// whether its prompts' desktop shows, and the wrong passwords typed in a row. Kept in a section made without a name, whose handle only the
// program and the guards it starts inherit, and rewritten at each change. The guard decides from it,
// never from the program's key: the key can be edited from the virtual desktop. A copy the guard
// starts again is handed the same state, and asks for the same password.
#include <windows.h>

#include <vector>

#include "framework/PasswordHash.h"

struct GuardState {
    bool virtualShowing = false;
    bool guarded = false;      // the way back asks for the restore password, or takes the lock
    bool failClosed = false;   // guarded although no password is known: every way back locks first
    bool lockAsked = false;    // the program asked for the lock on its way out; the guard waits for it
    bool promptShowing = false;  // the screen is on the program's prompts' desktop, which ends with it
    DWORD failedInARow = 0;    // wrong passwords in a row, kept so a reset value shortens no wait
    wchar_t restoreRecord[vp::kPasswordRecordUnits] = {};
};

namespace guard_channel {

// ---- the program's side -----------------------------------------------------------------------------
// Makes the section once, with the state a start begins with: the one the guard handed over to a
// copy it started again (handedOver), or a fresh one. False when the section cannot be had.
bool Open(const GuardState& initial, bool handedOver = false) noexcept;
// Whether this copy was started again by its guard, with the state it handed over.
bool HandedOver() noexcept;
// The section's handle, inheritable, for the guard's command line; null before Open.
HANDLE Section() noexcept;
// The state as the program last told it.
GuardState Current() noexcept;
// Each writes the whole state at once; from any thread.
void TellShowing(bool virtualShowing) noexcept;
void TellRestorePassword(bool guarded, const wchar_t* record) noexcept;
void TellFailClosed() noexcept;
void TellFailClosedOver() noexcept;
void TellLockAsked() noexcept;
void TellPromptShowing(bool showing) noexcept;
void TellFailedInARow(DWORD count) noexcept;
// The user's clipboard as the program holds it aside (serialised), for the guard to put back when
// the program ends without the way back; null or empty: nothing is held (what was there is wiped).
// False when it is larger than the channel takes: the guard then has nothing to put back.
constexpr size_t kClipboardBytes = 4u << 20;
bool TellClipboard(const unsigned char* bytes, size_t size) noexcept;

// For a dying process: the state as last written, read without a lock.
GuardState CurrentWithoutLock() noexcept;

// ---- the guard's side and a copy started again --------------------------------------------------
// A new section holding state, inheritable, for a process this one starts (a guard, or a copy
// started again); null when it cannot be had. No locks: a dying process may call it.
HANDLE HandOver(const GuardState& state) noexcept;
// Reads the state from an inherited section; false when the handle is no section of this kind. A
// state the program was still writing when it ended reads as guarded and showing: fail closed.
bool Read(HANDLE section, GuardState& out) noexcept;
// The clipboard the program last told, from an inherited section; empty when none, or when the
// program ended halfway through telling it. The caller wipes the bytes once used.
std::vector<unsigned char> ReadClipboard(HANDLE section);

}  // namespace guard_channel
