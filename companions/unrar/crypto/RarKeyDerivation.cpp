#include "companions/unrar/crypto/RarKeyDerivation.h"

#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/params.h>
#include <openssl/sha.h>

#include <cstring>
#include <memory>
#include <vector>

#include "companions/unrar/RarFormat.h"

namespace rarcrypto {

namespace {

uint32_t LoadBe32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

// The SHA-1 code of the RAR 4.x program transformed full 64-byte blocks in place when it
// hashed them straight from the caller's buffer: afterwards the buffer holds the last
// sixteen words of the block's message schedule (stored in machine order). Since the
// key derivation hashes the same buffer again and again, passwords longer than 28
// characters (a buffer of more than 64 bytes) only give the right key when this is
// reproduced. Only the buffer is changed; the digest itself is computed by OpenSSL.
void OverwriteWithSchedule(uint8_t* pBlock) {
    uint32_t arrW[16];
    for (int i = 0; i < 16; ++i) {
        arrW[i] = LoadBe32(pBlock + 4 * i);
    }
    for (int t = 16; t < 80; ++t) {
        const uint32_t n =
            arrW[(t - 3) & 15] ^ arrW[(t - 8) & 15] ^ arrW[(t - 14) & 15] ^ arrW[(t - 16) & 15];
        arrW[t & 15] = (n << 1) | (n >> 31);
    }
    for (int i = 0; i < 16; ++i) {
        rarformat::PutLe32(pBlock + 4 * i, arrW[i]);
    }
}

struct CMdCtxFree {
    void operator()(EVP_MD_CTX* p) const { EVP_MD_CTX_free(p); }
};
using CMdCtxPtr = std::unique_ptr<EVP_MD_CTX, CMdCtxFree>;

}  // namespace

bool DeriveRar5Keys(const std::string& strPassword, const uint8_t* pSalt, int kdfCount, CRar5Keys& keys) {
    if (kdfCount < 0 || kdfCount > RAR5_MAX_KDF_COUNT) {
        return false;
    }
    // PBKDF2-HMAC-SHA256 with one 32-byte block: U1 = HMAC(P, S || 1), Ui = HMAC(P, Ui-1),
    // result = U1 ^ ... ^ Uc. The three values are the running XOR after 2^n, 2^n + 16 and
    // 2^n + 32 rounds, so one pass gives all three (PKCS5_PBKDF2_HMAC would need three
    // passes). HMAC is OpenSSL's; the keyed state is set up once and reused each round.
    const uint32_t nIterations = 1u << kdfCount;
    EVP_MAC* pMac = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
    EVP_MAC_CTX* pCtx = pMac ? EVP_MAC_CTX_new(pMac) : nullptr;
    bool bOk = pCtx != nullptr;
    char szDigest[] = "SHA256";
    OSSL_PARAM arrParams[] = {OSSL_PARAM_construct_utf8_string("digest", szDigest, 0),
                              OSSL_PARAM_construct_end()};
    bOk = bOk && EVP_MAC_init(pCtx, reinterpret_cast<const unsigned char*>(strPassword.data()),
                              strPassword.size(), arrParams) == 1;
    uint8_t arrU[32];
    uint8_t arrSum[32];
    size_t nOut = 0;
    const uint8_t arrBlockIndex[4] = {0, 0, 0, 1};
    bOk = bOk && EVP_MAC_update(pCtx, pSalt, RAR5_SALT_SIZE) == 1 &&
          EVP_MAC_update(pCtx, arrBlockIndex, 4) == 1 && EVP_MAC_final(pCtx, arrU, &nOut, sizeof arrU) == 1 &&
          nOut == 32;
    std::memcpy(arrSum, arrU, 32);
    std::array<uint8_t, 32> arrCheck{};
    if (nIterations == 1) {
        std::memcpy(keys.arrKey.data(), arrSum, 32);  // the key is U1 itself
    }
    const uint32_t nLast = nIterations + 32;
    for (uint32_t i = 2; bOk && i <= nLast; ++i) {
        bOk = EVP_MAC_init(pCtx, nullptr, 0, nullptr) == 1 && EVP_MAC_update(pCtx, arrU, 32) == 1 &&
              EVP_MAC_final(pCtx, arrU, &nOut, sizeof arrU) == 1;
        for (int k = 0; k < 32; ++k) {
            arrSum[k] ^= arrU[k];
        }
        if (i == nIterations) {
            std::memcpy(keys.arrKey.data(), arrSum, 32);
        } else if (i == nIterations + 16) {
            std::memcpy(keys.arrHashKey.data(), arrSum, 32);
        } else if (i == nLast) {
            std::memcpy(arrCheck.data(), arrSum, 32);
        }
    }
    EVP_MAC_CTX_free(pCtx);
    EVP_MAC_free(pMac);
    if (!bOk) {
        return false;
    }
    keys.arrPswCheck.fill(0);
    for (size_t i = 0; i < arrCheck.size(); ++i) {
        keys.arrPswCheck[i % 8] ^= arrCheck[i];
    }
    return true;
}

bool Rar5CheckRecordIsSound(const uint8_t* pCheckRecord) {
    uint8_t arrDigest[SHA256_DIGEST_LENGTH];
    SHA256(pCheckRecord, 8, arrDigest);
    return std::memcmp(arrDigest, pCheckRecord + 8, 4) == 0;
}

bool Rar5PasswordMatches(const CRar5Keys& keys, const uint8_t* pCheckRecord) {
    return std::memcmp(keys.arrPswCheck.data(), pCheckRecord, 8) == 0;
}

uint32_t Rar5KeyedCrc32(uint32_t nCrc, const std::array<uint8_t, 32>& hashKey) {
    uint8_t arrRaw[4];
    rarformat::PutLe32(arrRaw, nCrc);
    uint8_t arrDigest[EVP_MAX_MD_SIZE];
    unsigned int nDigest = 0;
    HMAC(EVP_sha256(), hashKey.data(), static_cast<int>(hashKey.size()), arrRaw, sizeof arrRaw, arrDigest,
         &nDigest);
    uint32_t nResult = 0;
    for (unsigned int i = 0; i < nDigest; ++i) {
        nResult ^= uint32_t(arrDigest[i]) << ((i & 3) * 8);
    }
    return nResult;
}

std::array<uint8_t, 32> Rar5KeyedBlake2(const uint8_t* pDigest, const std::array<uint8_t, 32>& hashKey) {
    std::array<uint8_t, 32> arrResult{};
    unsigned int nDigest = 0;
    HMAC(EVP_sha256(), hashKey.data(), static_cast<int>(hashKey.size()), pDigest, 32, arrResult.data(),
         &nDigest);
    return arrResult;
}

std::string Utf8ToUtf16Le(const std::string& strUtf8) {
    std::string strOut;
    strOut.reserve(strUtf8.size() * 2);
    auto put = [&strOut](uint32_t unit) {
        strOut.push_back(char(unit & 0xff));
        strOut.push_back(char(unit >> 8));
    };
    const auto* p = reinterpret_cast<const uint8_t*>(strUtf8.data());
    const size_t n = strUtf8.size();
    size_t i = 0;
    while (i < n) {
        uint32_t cp = p[i];
        size_t len = 1;
        if (cp >= 0xc2 && cp <= 0xdf) {
            len = 2;
            cp &= 0x1f;
        } else if (cp >= 0xe0 && cp <= 0xef) {
            len = 3;
            cp &= 0x0f;
        } else if (cp >= 0xf0 && cp <= 0xf4) {
            len = 4;
            cp &= 0x07;
        }
        bool bValid = len == 1 ? p[i] < 0x80 : i + len <= n;
        for (size_t k = 1; bValid && k < len; ++k) {
            if ((p[i + k] & 0xc0) != 0x80) {
                bValid = false;
            } else {
                cp = (cp << 6) | (p[i + k] & 0x3f);
            }
        }
        if (bValid && len > 1) {
            // Overlong forms, surrogates and values past U+10FFFF are not valid UTF-8.
            static const uint32_t MIN_FOR_LEN[5] = {0, 0, 0x80, 0x800, 0x10000};
            bValid = cp >= MIN_FOR_LEN[len] && cp <= 0x10ffff && !(cp >= 0xd800 && cp <= 0xdfff);
        }
        if (!bValid) {
            put(p[i]);  // Latin-1 reading of a stray byte
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            put(0xd800 | (cp >> 10));
            put(0xdc00 | (cp & 0x3ff));
        } else {
            put(cp);
        }
        i += len;
    }
    return strOut;
}

bool DeriveRar3Key(const std::string& strPassword, const uint8_t* pSalt, CRar3Key& key) {
    return DeriveRar3Key(strPassword, pSalt, RAR3_SALT_SIZE, key);
}

bool DeriveRar3Key(const std::string& strPassword, const uint8_t* pSalt, size_t nSaltSize, CRar3Key& key) {
    if (nSaltSize != 0 && nSaltSize != RAR3_SALT_SIZE) {
        return false;
    }
    std::vector<uint8_t> arrSeed;
    const std::string strUtf16 = Utf8ToUtf16Le(strPassword);
    arrSeed.assign(strUtf16.begin(), strUtf16.end());
    if (nSaltSize > 0) {
        arrSeed.insert(arrSeed.end(), pSalt, pSalt + nSaltSize);
    }

    CMdCtxPtr ctx(EVP_MD_CTX_new());
    CMdCtxPtr copy(EVP_MD_CTX_new());
    if (!ctx || !copy || EVP_DigestInit_ex(ctx.get(), EVP_sha1(), nullptr) != 1) {
        return false;
    }
    constexpr uint32_t ROUNDS = 0x40000;
    constexpr uint32_t GROUP = ROUNDS / 16;  // one IV byte per group
    uint8_t arrDigest[SHA_DIGEST_LENGTH];
    auto takeIvByte = [&](uint32_t nGroup) {
        unsigned int nLen = 0;
        if (EVP_MD_CTX_copy_ex(copy.get(), ctx.get()) != 1 ||
            EVP_DigestFinal_ex(copy.get(), arrDigest, &nLen) != 1) {
            return false;
        }
        key.arrIv[nGroup] = arrDigest[19];
        return true;
    };
    const auto counter = [](uint8_t* p, uint32_t i) {
        p[0] = uint8_t(i);
        p[1] = uint8_t(i >> 8);
        p[2] = uint8_t(i >> 16);
    };

    if (arrSeed.size() <= 64) {
        // The seed never changes: hash each group's rounds as one run of bytes, which is what
        // the rounds feed SHA-1 one after the other.
        const size_t nRound = arrSeed.size() + 3;
        std::vector<uint8_t> arrRun(size_t(GROUP - 1) * nRound);
        for (uint32_t j = 0; j + 1 < GROUP; ++j) {
            std::memcpy(&arrRun[j * nRound], arrSeed.data(), arrSeed.size());
        }
        std::vector<uint8_t> arrFirst(arrSeed.begin(), arrSeed.end());
        arrFirst.resize(nRound);
        for (uint32_t g = 0; g < 16; ++g) {
            counter(&arrFirst[arrSeed.size()], g * GROUP);
            if (EVP_DigestUpdate(ctx.get(), arrFirst.data(), nRound) != 1 || !takeIvByte(g)) {
                return false;
            }
            for (uint32_t j = 1; j < GROUP; ++j) {
                counter(&arrRun[(j - 1) * nRound + arrSeed.size()], g * GROUP + j);
            }
            if (EVP_DigestUpdate(ctx.get(), arrRun.data(), arrRun.size()) != 1) {
                return false;
            }
        }
    } else {
        uint64_t nHashed = 0;
        for (uint32_t i = 0; i < ROUNDS; ++i) {
            if (EVP_DigestUpdate(ctx.get(), arrSeed.data(), arrSeed.size()) != 1) {
                return false;
            }
            // Blocks the old code hashed straight from the buffer: those after the first one
            // that completed its pending block.
            size_t pos = 64 - (nHashed & 63);
            while (pos + 64 <= arrSeed.size()) {
                OverwriteWithSchedule(arrSeed.data() + pos);
                pos += 64;
            }
            nHashed += arrSeed.size();
            uint8_t arrCounter[3];
            counter(arrCounter, i);
            if (EVP_DigestUpdate(ctx.get(), arrCounter, 3) != 1) {
                return false;
            }
            nHashed += 3;
            if (i % GROUP == 0 && !takeIvByte(i / GROUP)) {
                return false;
            }
        }
    }
    unsigned int nLen = 0;
    if (EVP_DigestFinal_ex(ctx.get(), arrDigest, &nLen) != 1) {
        return false;
    }
    // The key is the digest's first four words, each stored least significant byte first.
    for (int w = 0; w < 4; ++w) {
        for (int b = 0; b < 4; ++b) {
            key.arrKey[w * 4 + b] = arrDigest[w * 4 + 3 - b];
        }
    }
    return true;
}

}  // namespace rarcrypto
