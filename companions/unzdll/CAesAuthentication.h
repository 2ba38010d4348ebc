#pragma once

#include <cstdint>
#include <functional>
#include <string>

// The authentication code of a WinZip AES entry (method 99 with the extra field 0x9901),
// checked by us: libzip decrypts these entries but does not compare the code, and for
// vendor version 2 ("AE-2", what 7-Zip writes) the CRC field is 0, so without the code
// nothing would notice damaged data.
//
// An entry's stored bytes are: salt (8, 12 or 16 bytes for key strength 1, 2, 3), a 2-byte
// password check value, the encrypted data, and 10 bytes of authentication code: the first
// 10 bytes of HMAC-SHA1 over the encrypted data. The AES key, the HMAC key and the check
// value come from PBKDF2-HMAC-SHA1 (1000 iterations) of the password and the salt.
//
// Reads with pread on a descriptor owned by the caller; any thread.
class CAesAuthentication {
public:
    enum class EResult {
        Ok,             // the code matches: the encrypted data is what was written
        WrongPassword,  // the check value disagrees
        Mismatch,       // the code disagrees: damaged data or a wrong password
        Damaged,        // too short for salt, check value and code, or an unknown strength
        ReadError,      // strError holds the system's text
        Stopped,        // fnGoOn answered false
    };

    static constexpr size_t CODE_SIZE = 10;
    static constexpr size_t CHECK_SIZE = 2;
    static constexpr int ITERATIONS = 1000;

    // Checks the nSize stored bytes at nOffset of fd. fnGoOn is called between chunks
    // (about every 256 KiB); answering false stops the check.
    static EResult Verify(int fd, uint64_t nOffset, uint64_t nSize, int nStrength,
                          const std::string& strPassword, const std::function<bool()>& fnGoOn,
                          std::string& strError);

    // Salt length of a key strength (1, 2, 3), 0 for any other value.
    static size_t SaltSize(int nStrength);
};
