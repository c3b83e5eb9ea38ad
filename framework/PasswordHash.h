#pragma once
// Salted password hashes: PBKDF2-HMAC-SHA256 through the system's bcrypt.dll. A stored password is one
// self-describing text,
//     pbkdf2-sha256$<iterations>$<salt: 32 hex digits>$<hash: 64 hex digits>
// so the iteration count can grow with faster machines without a change of format. Nothing here
// knows the program: texts in, texts out.
#include <cstddef>
#include <cstdint>

namespace vp {

// Units of a hash record, terminator included (the longest record is 121 characters).
constexpr size_t kPasswordRecordUnits = 128;
constexpr size_t kPasswordSaltBytes = 16;
constexpr size_t kPasswordHashBytes = 32;
// Bounds of a record's iteration count. The lower one is the least a new record gets; the upper one
// keeps a hand-edited record from holding a check for hours.
constexpr uint32_t kMinPasswordIterations = 10000;
constexpr uint32_t kMaxPasswordIterations = 100000000;

// PBKDF2-HMAC-SHA256 of raw bytes; false when the system cannot derive it.
bool Pbkdf2Sha256(const void* password, size_t passwordBytes, const void* salt, size_t saltBytes,
                  uint32_t iterations, void* out, size_t outBytes) noexcept;

// The iteration count that makes one check take about targetMs on this machine, never fewer than
// kMinPasswordIterations. Measured once per process and then reused.
uint32_t CalibratedPasswordIterations(unsigned targetMs = 100) noexcept;

// A new record for password (UTF-16, hashed as UTF-8) with a fresh random salt. iterations 0 means
// the calibrated count. False (and an empty record) when no random salt or hash could be had.
bool MakePasswordRecord(const wchar_t* password, wchar_t (&record)[kPasswordRecordUnits],
                        uint32_t iterations = 0) noexcept;

// True only when record is a well-formed record and password hashes to it. A malformed record
// accepts nothing. The comparison takes the same time wherever the hashes differ.
bool VerifyPasswordRecord(const wchar_t* password, const wchar_t* record) noexcept;

// Whether text begins like a record (the scheme and its separator). A stored password that does not
// is a password kept in clear by an older build.
bool LooksLikePasswordRecord(const wchar_t* text) noexcept;

// Whether two byte runs are equal, looking at every byte whatever the first difference.
bool EqualInConstantTime(const void* a, const void* b, size_t bytes) noexcept;

}  // namespace vp
