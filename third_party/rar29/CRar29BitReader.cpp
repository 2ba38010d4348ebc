#include "third_party/rar29/CRar29BitReader.h"

#include <utility>

namespace {
constexpr size_t BUFFER_SIZE = 64 * 1024;
}

void CRar29BitReader::Reset(Reader read) {
    m_read = std::move(read);
    m_arrBuffer.resize(BUFFER_SIZE);
    m_nPos = m_nLen = 0;
    m_bEnd = !m_read;
    m_bReadFailed = false;
    m_bTruncated = false;
    m_nCache = 0;
    m_nAvail = 0;
    m_nPadBits = 0;
    m_nSlackUsed = 0;
}

uint8_t CRar29BitReader::NextByte() {
    if (m_nPos == m_nLen && !m_bEnd) {
        const int64_t n = m_read(m_arrBuffer.data(), m_arrBuffer.size());
        if (n < 0) {
            m_bReadFailed = true;
            m_bEnd = true;
        } else if (n == 0) {
            m_bEnd = true;
        } else {
            m_nPos = 0;
            m_nLen = size_t(n) < m_arrBuffer.size() ? size_t(n) : m_arrBuffer.size();
        }
    }
    if (m_nPos < m_nLen) {
        return m_arrBuffer[m_nPos++];
    }
    m_nPadBits += 8;
    return 0;
}

void CRar29BitReader::Fill() {
    // Whole bytes while the buffer has them (the usual case), then byte by byte through
    // the refill and the zero fill past the end.
    const int nBytes = (64 - m_nAvail) / 8;
    if (nBytes > 0 && m_nPos + size_t(nBytes) <= m_nLen) {
        for (int i = 0; i < nBytes; ++i) {
            m_nCache = (m_nCache << 8) | m_arrBuffer[m_nPos++];
        }
        m_nAvail += nBytes * 8;
        return;
    }
    while (m_nAvail <= 56) {
        m_nCache = (m_nCache << 8) | NextByte();
        m_nAvail += 8;
    }
}

uint8_t CRar29BitReader::ByteWithSlack(int nSlack) {
    if (m_nAvail < 8) {
        Fill();
    }
    const uint8_t b = uint8_t((m_nCache >> (m_nAvail - 8)) & 0xFF);
    m_nAvail -= 8;
    if (m_nAvail < m_nPadBits) {
        m_nPadBits = m_nAvail;
        if (++m_nSlackUsed > nSlack) {
            m_bTruncated = true;
        }
    }
    return b;
}

bool CRar29BitReader::FewerBitsLeftThan(int nBits) {
    Fill();
    if (m_nPadBits > 0) {
        return m_nAvail - m_nPadBits < nBits;
    }
    return false;  // the cache alone holds more than 56 real bits
}
