#include "companions/unrar/decrypt/CPlainVolumeSource.h"

#include "companions/unrar/crypto/CAesCbc.h"

#include <algorithm>
#include <cstring>

CPlainVolumeSource::CPlainVolumeSource(std::unique_ptr<IRarVolumeSource> pLower)
    : m_pLower(std::move(pLower)) {}

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

void CPlainVolumeSource::AddDecrypt(uint64_t nLowerOffset, uint64_t nPlainSize,
                                    const uint8_t* pKey, size_t nKeySize,
                                    const std::array<uint8_t, 16>& arrIv) {
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

int64_t CPlainVolumeSource::ReadDecrypted(const CSegment& seg, uint64_t nFrom, uint8_t* pOut,
                                          size_t nBytes) {
  constexpr size_t B = CAesCbc::BLOCK;
  const uint64_t nFirstBlock = nFrom / B;
  const uint64_t nEndBlock = (nFrom + nBytes + B - 1) / B;
  const size_t nCipher = size_t(nEndBlock - nFirstBlock) * B;
  const bool bHasPrev = nFirstBlock > 0;
  // Room for the previous cipher block (the IV of the first one) and the cipher text.
  if (m_arrScratch.size() < nCipher + B) {
    m_arrScratch.resize(nCipher + B);
  }
  uint8_t* pPrev = m_arrScratch.data();
  uint8_t* pCipher = pPrev + B;
  const uint64_t nLower = seg.nLowerOffset + nFirstBlock * B - (bHasPrev ? B : 0);
  if (!ReadLower(nLower, bHasPrev ? pPrev : pCipher, nCipher + (bHasPrev ? B : 0))) {
    return -1;
  }
  const uint8_t* pIv = bHasPrev ? pPrev : seg.arrIv.data();
  std::array<uint8_t, 16> arrIv{};
  std::memcpy(arrIv.data(), pIv, B);
  CAesCbc aes(seg.arrKey.data(), seg.nKeySize, arrIv.data(), false);
  const size_t nSkip = size_t(nFrom - nFirstBlock * B);
  if (nSkip == 0 && nBytes == nCipher) {
    // Whole blocks: decrypt straight into the caller's buffer.
    if (!aes.Process(pCipher, nCipher, pOut)) {
      m_strLastError = "decryption failed";
      return -1;
    }
    return int64_t(nBytes);
  }
  if (!aes.Process(pCipher, nCipher, pCipher)) {
    m_strLastError = "decryption failed";
    return -1;
  }
  std::memcpy(pOut, pCipher + nSkip, nBytes);
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
