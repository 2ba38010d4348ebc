#pragma once
// Key derivation of encrypted RAR archives.
//
// RAR 5.0: PBKDF2-HMAC-SHA256 over the UTF-8 password and the record's 16-byte salt.
// 2^n iterations give the AES-256 key, 2^n + 16 the key of the keyed checksums and
// 2^n + 32 the password check value (folded to 8 bytes, stored with a 4-byte SHA-256
// checksum of its own).
//
// RAR 4.x (formats 2.9 and 3.x): 2^18 rounds of SHA-1 over the UTF-16LE password, the
// 8-byte salt (none for a file written without one) and a 3-byte round counter; the AES-128 key is the final
// digest, the IV one byte of the intermediate digest every 2^14 rounds.
//
// Pure functions, safe on any thread. Failures of OpenSSL come back as false.

#include <array>
#include <cstdint>
#include <string>

namespace rarcrypto {

constexpr int RAR5_SALT_SIZE = 16;
constexpr int RAR5_CHECK_SIZE = 12;     // 8 bytes of check value, 4 bytes of its checksum
constexpr int RAR5_MAX_KDF_COUNT = 24;  // the format's upper bound: 2^24 iterations
constexpr int RAR3_SALT_SIZE = 8;

struct CRar5Keys {
    std::array<uint8_t, 32> arrKey{};      // AES-256 key
    std::array<uint8_t, 32> arrHashKey{};  // key of the keyed checksums
    std::array<uint8_t, 8> arrPswCheck{};  // password check value
};

struct CRar3Key {
    std::array<uint8_t, 16> arrKey{};  // AES-128 key
    std::array<uint8_t, 16> arrIv{};   // AES-128 initial vector
};

// Derives the three RAR 5.0 values. kdfCount is the record's binary logarithm of the
// iteration count; values above RAR5_MAX_KDF_COUNT are refused (false).
bool DeriveRar5Keys(const std::string& strPassword, const uint8_t* pSalt, int kdfCount, CRar5Keys& keys);

// True when the 12-byte check record is internally consistent (its checksum matches);
// a record that fails this is damaged, not a sign of a wrong password.
bool Rar5CheckRecordIsSound(const uint8_t* pCheckRecord);

// True when the derived password check value equals the record's first 8 bytes.
bool Rar5PasswordMatches(const CRar5Keys& keys, const uint8_t* pCheckRecord);

// The keyed form of a CRC32 as an encrypted RAR 5.0 file stores it ("tweaked checksums").
uint32_t Rar5KeyedCrc32(uint32_t nCrc, const std::array<uint8_t, 32>& hashKey);

// The keyed form of a 32-byte BLAKE2sp digest.
std::array<uint8_t, 32> Rar5KeyedBlake2(const uint8_t* pDigest, const std::array<uint8_t, 32>& hashKey);

// Derives the RAR 4.x AES-128 key and IV from the password and the 8-byte salt.
bool DeriveRar3Key(const std::string& strPassword, const uint8_t* pSalt, CRar3Key& key);
// The same with a salt of nSaltSize bytes: RAR3_SALT_SIZE, or 0 for a file of format 2.9
// stored without a salt (no salt flag), whose key comes from the password alone.
bool DeriveRar3Key(const std::string& strPassword, const uint8_t* pSalt, size_t nSaltSize, CRar3Key& key);

// The password as RAR 4.x hashes it: UTF-16LE of the UTF-8 text (invalid bytes are taken
// as Latin-1 characters, so that any byte string gives a defined key).
std::string Utf8ToUtf16Le(const std::string& strUtf8);

}  // namespace rarcrypto
