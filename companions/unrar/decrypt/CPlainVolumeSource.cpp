#include "companions/unrar/decrypt/CPlainVolumeSource.h"

#include <algorithm>
#include <cstring>

#include "companions/unrar/crypto/CAesCbc.h"

CPlainVolumeSource::CPlainVolumeSource(std::unique_ptr<IRarVolumeSource> pLower)
    : m_pLower(std::move(pLower)) {}

CPlainVolumeSource::~CPlainVolumeSource() = default;

void CPlainVolumeSource::AddLiteral(std::vector<uint8_t> arrBytes) {
    if (arrBytes.empty()) {
        return;
    }
    CSegment seg;
    seg.eKind = Kind::Literal;
    seg.nPlainOffset = m_nSize;
    seg.nSize = arrBytes.size();
    seg.nLiteral = m_arrLiterals.size();
    m_arrLiterals.push_back(std::move(arrBytes));
    m_nSize += seg.nSize;
    m_arrSegments.push_back(seg);
}

void CPlainVolumeSource::AddCopy(uint64_t nLowerOffset, uint64_t nSize) {
    if (nSize == 0) {
        return;
    }
    // Adjacent copies merge, so a plain volume is a single segment.
    if (!m_arrSegments.empty()) {
        CSegment& last = m_arrSegments.back();
        if (last.eKind == Kind::Copy && last.nLowerOffset + last.nSize == nLowerOffset) {
            last.nSize += nSize;
            m_nSize += nSize;
            return;
        }
    }
    CSegment seg;
    seg.eKind = Kind::Copy;
    seg.nPlainOffset = m_nSize;
    seg.nSize = nSize;
    seg.nLowerOffset = nLowerOffset;
    m_nSize += nSize;
    m_arrSegments.push_back(seg);
}

void CPlainVolumeSource::AddDecrypt(uint64_t nLowerOffset, uint64_t nPlainSize, const uint8_t* pKey,
                                    size_t nKeySize, const std::array<uint8_t, 16>& arrIv) {
    if (nPlainSize == 0) {
        return;
    }
    CSegment seg;
    seg.eKind = Kind::Decrypt;
    seg.nPlainOffset = m_nSize;
    seg.nSize = nPlainSize;
    seg.nLowerOffset = nLowerOffset;
    seg.nKeySize = std::min(nKeySize, seg.arrKey.size());
    std::memcpy(seg.arrKey.data(), pKey, seg.nKeySize);
    seg.arrIv = arrIv;
    m_nSize += nPlainSize;
    m_arrSegments.push_back(seg);
}

bool CPlainVolumeSource::ReadLower(uint64_t nOffset, void* pBuffer, size_t nBytes) {
    auto* p = static_cast<uint8_t*>(pBuffer);
    while (nBytes > 0) {
        const int64_t n = m_pLower->ReadAt(nOffset, p, nBytes);
        if (n <= 0) {
            m_strLastError = n < 0 ? m_pLower->LastError() : "unexpected end of " + Path();
            return false;
        }
        p += n;
        nOffset += uint64_t(n);
        nBytes -= size_t(n);
    }
    return true;
}

int64_t CPlainVolumeSource::ReadDecrypted(const CSegment& seg, uint64_t nFrom, uint8_t* pOut, size_t nBytes) {
    constexpr size_t B = CAesCbc::BLOCK;
    const size_t nSegment = size_t(&seg - m_arrSegments.data());
    const uint64_t nFirst = nFrom / B * B;
    const uint64_t nEnd = (nFrom + nBytes + B - 1) / B * B;
    const size_t nCipher = size_t(nEnd - nFirst);
    const size_t nSkip = size_t(nFrom - nFirst);

    // Sequential reads (the usual case: the data of an entry copied from start to end)
    // continue the running cipher stream: no new cipher context, no previous block to read.
    // Any other read starts a stream at its first block, whose IV is the cipher block
    // before it (or the segment's IV).
    if (!m_pStream || m_nStreamSegment != nSegment || m_nStreamNext != nFirst) {
        m_pStream.reset();
        std::array<uint8_t, 16> arrIv = seg.arrIv;
        if (nFirst > 0 && !ReadLower(seg.nLowerOffset + nFirst - B, arrIv.data(), B)) {
            return -1;
        }
        auto pAes = std::make_unique<CAesCbc>(seg.arrKey.data(), seg.nKeySize, arrIv.data(), false);
        if (!pAes->IsValid()) {
            m_strLastError = "decryption failed";
            return -1;
        }
        m_pStream = std::move(pAes);
        m_nStreamSegment = nSegment;
    }

    // Whole blocks are read and decrypted in the caller's buffer; a read that starts or ends
    // inside a block goes through the scratch buffer.
    const bool bWhole = nSkip == 0 && nCipher == nBytes;
    if (!bWhole && m_arrScratch.size() < nCipher) {
        m_arrScratch.resize(nCipher);
    }
    uint8_t* pCipher = bWhole ? pOut : m_arrScratch.data();
    if (!ReadLower(seg.nLowerOffset + nFirst, pCipher, nCipher)) {
        m_pStream.reset();
        return -1;
    }
    if (!m_pStream->Process(pCipher, nCipher, pCipher)) {
        m_pStream.reset();
        m_strLastError = "decryption failed";
        return -1;
    }
    m_nStreamNext = nEnd;
    if (!bWhole) {
        std::memcpy(pOut, pCipher + nSkip, nBytes);
    }
    return int64_t(nBytes);
}

int64_t CPlainVolumeSource::ReadAt(uint64_t nOffset, void* pBuffer, size_t nBytes) {
    if (nOffset >= m_nSize || nBytes == 0) {
        return 0;
    }
    nBytes = size_t(std::min<uint64_t>(nBytes, m_nSize - nOffset));
    auto it = std::upper_bound(m_arrSegments.begin(), m_arrSegments.end(), nOffset,
                               [](uint64_t off, const CSegment& s) { return off < s.nPlainOffset; });
    --it;
    auto* pOut = static_cast<uint8_t*>(pBuffer);
    size_t nDone = 0;
    // Serve the whole request, across segments, in pieces of at most 4 MiB of cipher text.
    constexpr size_t MAX_PIECE = size_t(4) << 20;
    while (nDone < nBytes && it != m_arrSegments.end()) {
        const CSegment& seg = *it;
        const uint64_t nFrom = nOffset + nDone - seg.nPlainOffset;
        size_t n = size_t(std::min<uint64_t>(nBytes - nDone, seg.nSize - nFrom));
        int64_t nGot = 0;
        switch (seg.eKind) {
            case Kind::Literal:
                std::memcpy(pOut + nDone, m_arrLiterals[seg.nLiteral].data() + nFrom, n);
                nGot = int64_t(n);
                break;
            case Kind::Copy:
                nGot = m_pLower->ReadAt(seg.nLowerOffset + nFrom, pOut + nDone, n);
                if (nGot < 0) {
                    m_strLastError = m_pLower->LastError();
                }
                break;
            case Kind::Decrypt:
                n = std::min(n, MAX_PIECE);
                nGot = ReadDecrypted(seg, nFrom, pOut + nDone, n);
                break;
        }
        if (nGot < 0) {
            return nDone > 0 ? int64_t(nDone) : -1;
        }
        if (nGot == 0) {
            break;
        }
        nDone += size_t(nGot);
        if (nOffset + nDone >= seg.nPlainOffset + seg.nSize) {
            ++it;
        }
    }
    return int64_t(nDone);
}
