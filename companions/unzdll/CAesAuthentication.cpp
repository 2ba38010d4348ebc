#include "companions/unzdll/CAesAuthentication.h"

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/params.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr size_t CHUNK = 256 * 1024;

struct CMacFree {
    void operator()(EVP_MAC* p) const { EVP_MAC_free(p); }
    void operator()(EVP_MAC_CTX* p) const { EVP_MAC_CTX_free(p); }
};

// Reads exactly nLength bytes; false with strError set (empty for a short file).
bool ReadExactly(int fd, uint64_t nOffset, unsigned char* pBuffer, size_t nLength, std::string& strError) {
    size_t nGot = 0;
    while (nGot < nLength) {
        ssize_t n = pread(fd, pBuffer + nGot, nLength - nGot, off_t(nOffset + nGot));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            strError = n < 0 ? std::strerror(errno) : "the file ends early";
            return false;
        }
        nGot += size_t(n);
    }
    return true;
}

}  // namespace

size_t CAesAuthentication::SaltSize(int nStrength) {
    switch (nStrength) {
        case 1:
            return 8;
        case 2:
            return 12;
        case 3:
            return 16;
        default:
            return 0;
    }
}

CAesAuthentication::EResult CAesAuthentication::Verify(int fd, uint64_t nOffset, uint64_t nSize,
                                                       int nStrength, const std::string& strPassword,
                                                       const std::function<bool()>& fnGoOn,
                                                       std::string& strError) {
    const size_t nSalt = SaltSize(nStrength);
    if (nSalt == 0 || nSize < nSalt + CHECK_SIZE + CODE_SIZE) {
        return EResult::Damaged;
    }
    const size_t nKey = nSalt * 2;  // 16, 24 or 32 bytes
    unsigned char aHead[16 + CHECK_SIZE];
    unsigned char aStoredCode[CODE_SIZE];
    if (!ReadExactly(fd, nOffset, aHead, nSalt + CHECK_SIZE, strError) ||
        !ReadExactly(fd, nOffset + nSize - CODE_SIZE, aStoredCode, CODE_SIZE, strError)) {
        return EResult::ReadError;
    }
    // AES key, HMAC key, check value; wiped on every way out.
    struct CKeys {
        unsigned char a[32 + 32 + CHECK_SIZE];
        ~CKeys() { OPENSSL_cleanse(a, sizeof a); }
    } keys;
    unsigned char* aKeys = keys.a;
    if (PKCS5_PBKDF2_HMAC_SHA1(strPassword.data(), int(strPassword.size()), aHead, int(nSalt), ITERATIONS,
                               int(2 * nKey + CHECK_SIZE), aKeys) != 1) {
        strError = "key derivation failed";
        return EResult::ReadError;
    }
    if (CRYPTO_memcmp(aKeys + 2 * nKey, aHead + nSalt, CHECK_SIZE) != 0) {
        return EResult::WrongPassword;
    }
    std::unique_ptr<EVP_MAC, CMacFree> pMac(EVP_MAC_fetch(nullptr, "HMAC", nullptr));
    std::unique_ptr<EVP_MAC_CTX, CMacFree> pCtx(pMac ? EVP_MAC_CTX_new(pMac.get()) : nullptr);
    char szDigest[] = "SHA1";
    OSSL_PARAM aParams[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, szDigest, 0),
                            OSSL_PARAM_construct_end()};
    if (!pCtx || EVP_MAC_init(pCtx.get(), aKeys + nKey, nKey, aParams) != 1) {
        strError = "HMAC-SHA1 is not available";
        return EResult::ReadError;
    }
    std::vector<unsigned char> arrBuffer(CHUNK);
    uint64_t nPos = nOffset + nSalt + CHECK_SIZE;
    const uint64_t nEnd = nOffset + nSize - CODE_SIZE;
    while (nPos < nEnd) {
        if (!fnGoOn()) {
            return EResult::Stopped;
        }
        size_t nLength = size_t(std::min<uint64_t>(CHUNK, nEnd - nPos));
        if (!ReadExactly(fd, nPos, arrBuffer.data(), nLength, strError)) {
            return EResult::ReadError;
        }
        if (EVP_MAC_update(pCtx.get(), arrBuffer.data(), nLength) != 1) {
            strError = "HMAC-SHA1 failed";
            return EResult::ReadError;
        }
        nPos += nLength;
    }
    unsigned char aCode[EVP_MAX_MD_SIZE];
    size_t nCode = 0;
    if (EVP_MAC_final(pCtx.get(), aCode, &nCode, sizeof aCode) != 1 || nCode < CODE_SIZE) {
        strError = "HMAC-SHA1 failed";
        return EResult::ReadError;
    }
    return CRYPTO_memcmp(aCode, aStoredCode, CODE_SIZE) == 0 ? EResult::Ok : EResult::Mismatch;
}
