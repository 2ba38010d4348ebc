#include "companions/unrar/crypto/CAesCbc.h"

#include <openssl/evp.h>

#include <climits>

void CAesCbc::CCtxFree::operator()(evp_cipher_ctx_st* p) const {
    EVP_CIPHER_CTX_free(p);
}

CAesCbc::CAesCbc(const uint8_t* pKey, size_t nKeySize, const uint8_t* pIv, bool bEncrypt)
    : m_pCtx(EVP_CIPHER_CTX_new()) {
    const EVP_CIPHER* pCipher = nKeySize == 16   ? EVP_aes_128_cbc()
                                : nKeySize == 32 ? EVP_aes_256_cbc()
                                                 : nullptr;
    if (!m_pCtx || !pCipher) {
        return;
    }
    m_bValid = EVP_CipherInit_ex(m_pCtx.get(), pCipher, nullptr, pKey, pIv, bEncrypt ? 1 : 0) == 1 &&
               EVP_CIPHER_CTX_set_padding(m_pCtx.get(), 0) == 1;
}

CAesCbc::~CAesCbc() = default;

bool CAesCbc::Process(const uint8_t* pIn, size_t nSize, uint8_t* pOut) {
    if (!m_bValid || nSize % BLOCK != 0) {
        m_bValid = false;
        return false;
    }
    // EVP takes int lengths: feed large pieces in slices.
    constexpr size_t SLICE = size_t(1) << 30;
    while (nSize > 0) {
        const size_t n = nSize < SLICE ? nSize : SLICE;
        int nOut = 0;
        if (EVP_CipherUpdate(m_pCtx.get(), pOut, &nOut, pIn, static_cast<int>(n)) != 1 ||
            static_cast<size_t>(nOut) != n) {
            m_bValid = false;
            return false;
        }
        pIn += n;
        pOut += n;
        nSize -= n;
    }
    return true;
}
