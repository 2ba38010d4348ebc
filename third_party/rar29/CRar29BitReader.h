#pragma once
// Big-endian bit reader over the packed data of one file, pulled through the decoder's
// Reader callback in blocks. Past the end of the data it supplies zero bits so that the
// Huffman decoder may look ahead; consuming any of those bits marks the stream truncated.
// It never asks the Reader again after the Reader said 0 or -1.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

class CRar29BitReader {
public:
    using Reader = std::function<int64_t(uint8_t* pBuffer, size_t nMax)>;

    // Starts over on a new stream (drops whatever was buffered).
    void Reset(Reader read);
    // The next n bits (0..32) without consuming them.
    uint32_t Peek(int n) {
        if (n <= 0) {
            return 0;
        }
        if (m_nAvail < n) {
            Fill();
        }
        return uint32_t((m_nCache >> (m_nAvail - n)) & ((uint64_t(1) << n) - 1));
    }
    // Consumes n bits (n <= 32).
    void Skip(int n) {
        if (n <= 0) {
            return;
        }
        if (m_nAvail < n) {
            Fill();
        }
        m_nAvail -= n;
        if (m_nAvail < m_nPadBits) {
            m_bTruncated = true;
            m_nPadBits = m_nAvail;
        }
    }
    // Peek + Skip.
    uint32_t Bits(int n) {
        const uint32_t v = Peek(n);
        Skip(n);
        return v;
    }
    // Drops the bits up to the next byte boundary.
    void AlignToByte() { Skip(m_nAvail & 7); }
    // A byte for the range decoder (byte-aligned streams): up to nSlack bytes past the end
    // are handed out as zeros before the stream counts as truncated.
    uint8_t ByteWithSlack(int nSlack);
    // True when fewer than nBits real bits are left (the zero fill does not count).
    bool FewerBitsLeftThan(int nBits);

    bool Truncated() const { return m_bTruncated; }
    bool ReadFailed() const { return m_bReadFailed; }

private:
    uint8_t NextByte();
    void Fill();

    Reader m_read;
    std::vector<uint8_t> m_arrBuffer;
    size_t m_nPos = 0;
    size_t m_nLen = 0;
    bool m_bEnd = true;
    bool m_bReadFailed = false;
    bool m_bTruncated = false;
    uint64_t m_nCache = 0;
    int m_nAvail = 0;    // bits in m_nCache
    int m_nPadBits = 0;  // of them, the zero fill at the bottom
    int m_nSlackUsed = 0;
};
