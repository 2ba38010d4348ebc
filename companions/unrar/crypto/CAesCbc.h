#pragma once
// AES in CBC mode without padding (RAR pads encrypted data to whole 16-byte blocks
// itself), decrypting or encrypting a stream that arrives in pieces. AES-128 for
// RAR 4.x, AES-256 for RAR 5.0; OpenSSL does the work.
//
// Not copyable; one object per stream. Failures (a piece that is not a whole number of
// blocks, an OpenSSL error) come back as false and leave the stream unusable.

#include <cstddef>
#include <cstdint>
#include <memory>

struct evp_cipher_ctx_st;

class CAesCbc {
public:
    static constexpr size_t BLOCK = 16;

    // nKeySize is 16 or 32 bytes; pIv holds 16 bytes.
    CAesCbc(const uint8_t* pKey, size_t nKeySize, const uint8_t* pIv, bool bEncrypt);
    ~CAesCbc();
    CAesCbc(const CAesCbc&) = delete;
    CAesCbc& operator=(const CAesCbc&) = delete;

    bool IsValid() const { return m_bValid; }

    // Transforms nSize bytes (a multiple of 16) from pIn to pOut; pIn may equal pOut.
    // The chaining state carries over to the next call.
    bool Process(const uint8_t* pIn, size_t nSize, uint8_t* pOut);

private:
    struct CCtxFree {
        void operator()(evp_cipher_ctx_st* p) const;
    };
    std::unique_ptr<evp_cipher_ctx_st, CCtxFree> m_pCtx;
    bool m_bValid = false;
};
