#include "framework/PasswordHash.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

std::string Hex(const unsigned char* bytes, size_t count) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < count; ++i) {
        out += kDigits[bytes[i] >> 4];
        out += kDigits[bytes[i] & 0xF];
    }
    return out;
}

std::string Derive(const char* password, const char* salt, uint32_t iterations, size_t bytes) {
    unsigned char out[64] = {};
    EXPECT_TRUE(vp::Pbkdf2Sha256(password, strlen(password), salt, strlen(salt), iterations, out, bytes));
    return Hex(out, bytes);
}

// A record made quickly: the least iteration count a record may carry.
std::wstring QuickRecord(const wchar_t* password) {
    wchar_t record[vp::kPasswordRecordUnits];
    EXPECT_TRUE(vp::MakePasswordRecord(password, record, vp::kMinPasswordIterations));
    return record;
}

}  // namespace

TEST(PasswordHash, SystemDerivationMatchesPublishedVectors) {
    // RFC 7914, section 11.
    EXPECT_EQ("55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc"
              "49ca9cccf179b645991664b39d77ef317c71b845b1e30bd509112041d3a19783",
              Derive("passwd", "salt", 1, 64));
    // The widely published PBKDF2-HMAC-SHA256 vectors of "password" / "salt".
    EXPECT_EQ("120fb6cffcf8b32c43e7225256c4f837a86548c92ccc35480805987cb70be17b", Derive("password", "salt", 1, 32));
    EXPECT_EQ("c5e478d59288c841aa530db6845c4c8d962893a001ce4e11a4963873aa98134a",
              Derive("password", "salt", 4096, 32));
}

TEST(PasswordHash, RecordAcceptsItsPasswordOnlyWithCaseAndLength) {
    const std::wstring record = QuickRecord(L"secret1");
    ASSERT_TRUE(vp::LooksLikePasswordRecord(record.c_str()));
    EXPECT_EQ(std::wstring::npos, record.find(L"secret1"));
    EXPECT_TRUE(vp::VerifyPasswordRecord(L"secret1", record.c_str()));
    for (const wchar_t* wrong : {L"Secret1", L"secret", L"secret12", L"", L" secret1"}) {
        EXPECT_FALSE(vp::VerifyPasswordRecord(wrong, record.c_str())) << wrong;
    }
    // A fresh salt each time: the same password never gives the same record.
    EXPECT_NE(record, QuickRecord(L"secret1"));
    // Letters beyond ASCII are hashed as UTF-8 and still match exactly.
    const std::wstring accented = QuickRecord(L"p\u00e4\u00df\u20ac");
    EXPECT_TRUE(vp::VerifyPasswordRecord(L"p\u00e4\u00df\u20ac", accented.c_str()));
    EXPECT_FALSE(vp::VerifyPasswordRecord(L"pass\u20ac", accented.c_str()));
}

TEST(PasswordHash, MalformedRecordsAcceptNothing) {
    const std::wstring good = QuickRecord(L"pw");
    ASSERT_TRUE(vp::VerifyPasswordRecord(L"pw", good.c_str()));
    const size_t saltAt = good.find(L'$', 14) + 1;
    const size_t hashAt = good.find(L'$', saltAt) + 1;
    const std::wstring salt = good.substr(saltAt, hashAt - saltAt - 1);
    const std::wstring hash = good.substr(hashAt);
    const std::wstring tail = L"$" + salt + L"$" + hash;
    const std::wstring bad[] = {
        L"",
        L"pw",
        L"pbkdf2-sha256$",
        L"pbkdf2-sha1$10000" + tail,
        L"PBKDF2-SHA256$10000" + tail,
        L"pbkdf2-sha256$9999" + tail,                          // below the least count
        L"pbkdf2-sha256$100000001" + tail,                     // above the greatest
        L"pbkdf2-sha256$99999999999999999999999" + tail,       // would overflow
        L"pbkdf2-sha256$010000" + tail,
        L"pbkdf2-sha256$-10000" + tail,
        L"pbkdf2-sha256$10000$" + salt + L"$" + hash.substr(2),   // hash too short
        L"pbkdf2-sha256$10000$" + salt + L"$" + hash + L"00",     // too long
        L"pbkdf2-sha256$10000$" + salt.substr(1) + L"$" + hash,   // salt too short
        L"pbkdf2-sha256$10000$" + salt + L"$" + hash + L"$",
        L"pbkdf2-sha256$10000$" + salt + hash,
        L"pbkdf2-sha256$10000$" + salt + L"$" + std::wstring(64, L'g'),
        L"pbkdf2-sha256$10000$" + salt + L"$" + std::wstring(64, L'0'),   // well formed, wrong hash
    };
    for (const std::wstring& record : bad) {
        EXPECT_FALSE(vp::VerifyPasswordRecord(L"pw", record.c_str())) << record;
        EXPECT_FALSE(vp::VerifyPasswordRecord(L"", record.c_str())) << record;
    }
    EXPECT_FALSE(vp::VerifyPasswordRecord(L"pw", nullptr));
    // The record made with the least count parses: the bounds are inclusive.
    EXPECT_TRUE(vp::VerifyPasswordRecord(L"pw", (L"pbkdf2-sha256$10000" + good.substr(good.find(L'$', 14))).c_str()));
}

TEST(PasswordHash, CalibratedCountIsAtLeastTheLeastAndTheRecordNamesIt) {
    const uint32_t iterations = vp::CalibratedPasswordIterations();
    EXPECT_GE(iterations, vp::kMinPasswordIterations);
    EXPECT_LE(iterations, vp::kMaxPasswordIterations);
    wchar_t record[vp::kPasswordRecordUnits];
    ASSERT_TRUE(vp::MakePasswordRecord(L"abcdefghijklmn", record));
    EXPECT_EQ(0, wcsncmp(record, (L"pbkdf2-sha256$" + std::to_wstring(iterations) + L"$").c_str(),
                         14 + std::to_wstring(iterations).size() + 1));
    EXPECT_TRUE(vp::VerifyPasswordRecord(L"abcdefghijklmn", record));
}

TEST(PasswordHash, ConstantTimeCompareSeesEveryByte) {
    unsigned char a[32] = {}, b[32] = {};
    EXPECT_TRUE(vp::EqualInConstantTime(a, b, sizeof(a)));
    for (size_t i : {size_t{0}, size_t{17}, size_t{31}}) {
        b[i] = 1;
        EXPECT_FALSE(vp::EqualInConstantTime(a, b, sizeof(a))) << i;
        b[i] = 0;
    }
}
