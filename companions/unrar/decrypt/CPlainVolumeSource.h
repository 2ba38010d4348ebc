#pragma once
// A volume assembled from pieces of another one: bytes held in memory (rewritten
// headers), ranges copied from the lower volume, and ranges decrypted from it with
// AES-CBC. Decryption is random access: any 16-byte block needs only the cipher block
// before it (or the part's IV), so reads at any offset cost what they read. Sequential
// reads continue one cipher stream and decrypt in the caller's buffer.
//
// Built once (the Add* calls, in volume order), then read through IRarVolumeSource.
// Owns the lower volume. Used from one thread at a time.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "companions/unrar/IRarVolumeSource.h"

class CAesCbc;

class CPlainVolumeSource : public IRarVolumeSource {
public:
    explicit CPlainVolumeSource(std::unique_ptr<IRarVolumeSource> pLower);
    ~CPlainVolumeSource() override;

    const std::string& Path() const override { return m_pLower->Path(); }
    uint64_t Size() const override { return m_nSize; }
    int64_t ReadAt(uint64_t nOffset, void* pBuffer, size_t nBytes) override;
    std::string LastError() const override { return m_strLastError; }

    void AddLiteral(std::vector<uint8_t> arrBytes);
    void AddCopy(uint64_t nLowerOffset, uint64_t nSize);
    // nPlainSize bytes of the decrypted stream that starts at nLowerOffset (cipher blocks of
    // 16 bytes; the plain size may stop short of the last block, dropping the padding).
    void AddDecrypt(uint64_t nLowerOffset, uint64_t nPlainSize, const uint8_t* pKey, size_t nKeySize,
                    const std::array<uint8_t, 16>& arrIv);

    IRarVolumeSource& Lower() { return *m_pLower; }
    // Reads exactly nBytes of the lower volume; false on a short read or an error.
    bool ReadLower(uint64_t nOffset, void* pBuffer, size_t nBytes);

private:
    enum class Kind { Literal, Copy, Decrypt };
    struct CSegment {
        Kind eKind = Kind::Copy;
        uint64_t nPlainOffset = 0;
        uint64_t nSize = 0;
        uint64_t nLowerOffset = 0;
        size_t nLiteral = 0;  // index into m_arrLiterals
        std::array<uint8_t, 32> arrKey{};
        size_t nKeySize = 0;
        std::array<uint8_t, 16> arrIv{};
    };

    int64_t ReadDecrypted(const CSegment& seg, uint64_t nFrom, uint8_t* pOut, size_t nBytes);

    std::unique_ptr<IRarVolumeSource> m_pLower;
    std::vector<CSegment> m_arrSegments;
    std::vector<std::vector<uint8_t>> m_arrLiterals;
    std::vector<uint8_t> m_arrScratch;
    // The running cipher stream: segment m_nStreamSegment, positioned at its plain (and
    // cipher) offset m_nStreamNext.
    std::unique_ptr<CAesCbc> m_pStream;
    size_t m_nStreamSegment = 0;
    uint64_t m_nStreamNext = 0;
    uint64_t m_nSize = 0;
    std::string m_strLastError;
};
