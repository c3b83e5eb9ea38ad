#include "framework/PasswordHash.h"

#include <windows.h>
#include <bcrypt.h>

#include <atomic>
#include <iterator>
#include <cwchar>

#include "framework/Text.h"

namespace vp {

namespace {

constexpr wchar_t kScheme[] = L"pbkdf2-sha256$";
constexpr size_t kSchemeUnits = std::size(kScheme) - 1;
// The longest password the program stores is 14 characters; a UTF-8 form of up to 3 bytes each
// (a surrogate pair takes 4 for 2 units) fits with room to spare.
constexpr int kUtf8Bytes = 64;

// Wipes a buffer of secret bytes on every way out.
template <class T, size_t N>
class SecretBuffer {
public:
    SecretBuffer() noexcept = default;
    ~SecretBuffer() { ::SecureZeroMemory(data, sizeof(data)); }
    SecretBuffer(const SecretBuffer&) = delete;
    SecretBuffer& operator=(const SecretBuffer&) = delete;
    T data[N] = {};
};

int HexValue(wchar_t c) noexcept {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    return -1;  // upper case is not what we write, so it is not a record of ours
}

// Exactly 2*bytes lower-case hex digits from text, up to end.
bool ParseHex(const wchar_t* text, const wchar_t* end, unsigned char* out, size_t bytes) noexcept {
    if (static_cast<size_t>(end - text) != bytes * 2) return false;
    for (size_t i = 0; i < bytes; ++i) {
        const int hi = HexValue(text[2 * i]);
        const int lo = HexValue(text[2 * i + 1]);
        if (hi < 0 || lo < 0) return false;
        out[i] = static_cast<unsigned char>(hi << 4 | lo);
    }
    return true;
}

void WriteHex(const unsigned char* bytes, size_t count, wchar_t* out) noexcept {
    static constexpr wchar_t kDigits[] = L"0123456789abcdef";
    for (size_t i = 0; i < count; ++i) {
        out[2 * i] = kDigits[bytes[i] >> 4];
        out[2 * i + 1] = kDigits[bytes[i] & 0xF];
    }
    out[2 * count] = L'\0';
}

struct ParsedRecord {
    uint32_t iterations = 0;
    unsigned char salt[kPasswordSaltBytes] = {};
    unsigned char hash[kPasswordHashBytes] = {};
};

// Every part is checked: scheme, a decimal count within bounds without sign or leading zero, the salt
// and the hash of their exact lengths, and nothing after the hash.
bool ParseRecord(const wchar_t* record, ParsedRecord& out) noexcept {
    if (!record || std::wcsncmp(record, kScheme, kSchemeUnits) != 0) return false;
    const wchar_t* p = record + kSchemeUnits;
    if (*p < L'1' || *p > L'9') return false;
    uint64_t count = 0;
    for (; *p >= L'0' && *p <= L'9'; ++p) {
        count = count * 10 + static_cast<uint64_t>(*p - L'0');
        if (count > kMaxPasswordIterations) return false;
    }
    if (count < kMinPasswordIterations || *p != L'$') return false;
    const wchar_t* salt = ++p;
    const wchar_t* saltEnd = std::wcschr(salt, L'$');
    if (!saltEnd || !ParseHex(salt, saltEnd, out.salt, sizeof(out.salt))) return false;
    const wchar_t* hash = saltEnd + 1;
    if (!ParseHex(hash, hash + std::wcslen(hash), out.hash, sizeof(out.hash))) return false;
    out.iterations = static_cast<uint32_t>(count);
    return true;
}

// The password as the bytes that are hashed: UTF-8, no terminator. -1 when it cannot be converted.
int PasswordBytes(const wchar_t* password, char (&out)[kUtf8Bytes]) noexcept {
    if (!password || !*password) return 0;
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, password, -1, out, kUtf8Bytes, nullptr, nullptr);
    return n > 0 ? n - 1 : -1;
}

}  // namespace

bool Pbkdf2Sha256(const void* password, size_t passwordBytes, const void* salt, size_t saltBytes,
                  uint32_t iterations, void* out, size_t outBytes) noexcept {
    if (iterations == 0 || passwordBytes > 0xFFFFFFFFu || saltBytes > 0xFFFFFFFFu || outBytes > 0xFFFFFFFFu) {
        return false;
    }
    BCRYPT_ALG_HANDLE alg = nullptr;
    if (!BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(&alg, BCRYPT_SHA256_ALGORITHM, nullptr,
                                                      BCRYPT_ALG_HANDLE_HMAC_FLAG))) {
        return false;
    }
    // An empty password is hashed as an empty key; the call wants a valid pointer all the same.
    static const unsigned char kNone = 0;
    const NTSTATUS status = ::BCryptDeriveKeyPBKDF2(
        alg, static_cast<PUCHAR>(const_cast<void*>(passwordBytes ? password : &kNone)),
        static_cast<ULONG>(passwordBytes), static_cast<PUCHAR>(const_cast<void*>(saltBytes ? salt : &kNone)),
        static_cast<ULONG>(saltBytes), iterations, static_cast<PUCHAR>(out), static_cast<ULONG>(outBytes), 0);
    ::BCryptCloseAlgorithmProvider(alg, 0);
    return BCRYPT_SUCCESS(status);
}

uint32_t CalibratedPasswordIterations(unsigned targetMs) noexcept {
    static std::atomic<uint32_t> s_calibrated{0};
    if (const uint32_t known = s_calibrated.load(); known != 0) return known;

    // Time a fixed sample and scale it; the sample is large enough for the counter's resolution.
    constexpr uint32_t kSample = 20000;
    const unsigned char salt[kPasswordSaltBytes] = {};
    unsigned char hash[kPasswordHashBytes];
    LARGE_INTEGER frequency{}, start{}, end{};
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    const bool derived = Pbkdf2Sha256("calibration", 11, salt, sizeof(salt), kSample, hash, sizeof(hash));
    ::QueryPerformanceCounter(&end);
    uint64_t iterations = kMinPasswordIterations;
    const int64_t ticks = end.QuadPart - start.QuadPart;
    if (derived && ticks > 0 && frequency.QuadPart > 0) {
        const double seconds = static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
        iterations = static_cast<uint64_t>(kSample * (targetMs / 1000.0) / seconds);
    }
    if (iterations < kMinPasswordIterations) iterations = kMinPasswordIterations;
    // A quarter of the upper bound leaves records made here room to be read on a slower machine.
    if (iterations > kMaxPasswordIterations / 4) iterations = kMaxPasswordIterations / 4;
    s_calibrated.store(static_cast<uint32_t>(iterations));
    return static_cast<uint32_t>(iterations);
}

bool MakePasswordRecord(const wchar_t* password, wchar_t (&record)[kPasswordRecordUnits],
                        uint32_t iterations) noexcept {
    record[0] = L'\0';
    if (iterations == 0) iterations = CalibratedPasswordIterations();
    if (iterations < kMinPasswordIterations || iterations > kMaxPasswordIterations) return false;
    SecretBuffer<char, kUtf8Bytes> utf8;
    const int length = PasswordBytes(password, utf8.data);
    if (length < 0) return false;
    unsigned char salt[kPasswordSaltBytes];
    if (!BCRYPT_SUCCESS(::BCryptGenRandom(nullptr, salt, sizeof(salt), BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
        return false;
    }
    unsigned char hash[kPasswordHashBytes];
    if (!Pbkdf2Sha256(utf8.data, static_cast<size_t>(length), salt, sizeof(salt), iterations, hash, sizeof(hash))) {
        return false;
    }
    wchar_t saltHex[kPasswordSaltBytes * 2 + 1];
    wchar_t hashHex[kPasswordHashBytes * 2 + 1];
    WriteHex(salt, sizeof(salt), saltHex);
    WriteHex(hash, sizeof(hash), hashHex);
    if (!FormatText(record, L"%ls%u$%ls$%ls", kScheme, static_cast<unsigned>(iterations), saltHex, hashHex)) {
        record[0] = L'\0';
        return false;
    }
    return true;
}

bool VerifyPasswordRecord(const wchar_t* password, const wchar_t* record) noexcept {
    ParsedRecord parsed;
    if (!ParseRecord(record, parsed)) return false;
    SecretBuffer<char, kUtf8Bytes> utf8;
    const int length = PasswordBytes(password, utf8.data);
    if (length < 0) return false;
    SecretBuffer<unsigned char, kPasswordHashBytes> hash;
    if (!Pbkdf2Sha256(utf8.data, static_cast<size_t>(length), parsed.salt, sizeof(parsed.salt), parsed.iterations,
                      hash.data, sizeof(hash.data))) {
        return false;
    }
    return EqualInConstantTime(hash.data, parsed.hash, kPasswordHashBytes);
}

bool LooksLikePasswordRecord(const wchar_t* text) noexcept {
    return text && std::wcsncmp(text, kScheme, kSchemeUnits) == 0;
}

bool EqualInConstantTime(const void* a, const void* b, size_t bytes) noexcept {
    const auto* x = static_cast<const volatile unsigned char*>(a);
    const auto* y = static_cast<const volatile unsigned char*>(b);
    unsigned char difference = 0;
    for (size_t i = 0; i < bytes; ++i) difference |= static_cast<unsigned char>(x[i] ^ y[i]);
    return difference == 0;
}

}  // namespace vp
