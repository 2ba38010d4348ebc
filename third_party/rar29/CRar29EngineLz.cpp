/*-
 * Copyright (c) 2003-2007 Tim Kientzle
 * Copyright (c) 2011 Andres Mejia
 * All rights reserved.
 *
 * Redistribution and use in source and binary forms, with or without
 * modification, are permitted provided that the following conditions
 * are met:
 * 1. Redistributions of source code must retain the above copyright
 *    notice, this list of conditions and the following disclaimer.
 * 2. Redistributions in binary form must reproduce the above copyright
 *    notice, this list of conditions and the following disclaimer in the
 *    documentation and/or other materials provided with the distribution.
 *
 * THIS SOFTWARE IS PROVIDED BY THE AUTHOR(S) ``AS IS'' AND ANY EXPRESS OR
 * IMPLIED WARRANTIES, INCLUDING, BUT NOT LIMITED TO, THE IMPLIED WARRANTIES
 * OF MERCHANTABILITY AND FITNESS FOR A PARTICULAR PURPOSE ARE DISCLAIMED.
 * IN NO EVENT SHALL THE AUTHOR(S) BE LIABLE FOR ANY DIRECT, INDIRECT,
 * INCIDENTAL, SPECIAL, EXEMPLARY, OR CONSEQUENTIAL DAMAGES (INCLUDING, BUT
 * NOT LIMITED TO, PROCUREMENT OF SUBSTITUTE GOODS OR SERVICES; LOSS OF USE,
 * DATA, OR PROFITS; OR BUSINESS INTERRUPTION) HOWEVER CAUSED AND ON ANY
 * THEORY OF LIABILITY, WHETHER IN CONTRACT, STRICT LIABILITY, OR TORT
 * (INCLUDING NEGLIGENCE OR OTHERWISE) ARISING IN ANY WAY OUT OF THE USE OF
 * THIS SOFTWARE, EVEN IF ADVISED OF THE POSSIBILITY OF SUCH DAMAGE.
 */
// The input side of the decoder: block headers (Huffman tables or PPMd parameters), LZ
// symbols, PPMd symbols and filter records. Adapted from libarchive 3.6.2
// (archive_read_support_format_rar.c: parse_codes, expand, read_filter, the PPMd part of
// read_data_compressed).
#include "third_party/rar29/CRar29Engine.h"

#include <cstring>

namespace {

constexpr uint8_t LENGTH_BASES[28] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  10,  12,  14,  16,  20,
                                      24, 28, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224};
constexpr uint8_t LENGTH_BITS[28] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2,
                                     2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};
constexpr uint32_t OFFSET_BASES[60] = {
    0,       1,       2,       3,       4,       6,       8,       12,      16,      24,      32,      48,
    64,      96,      128,     192,     256,     384,     512,     768,     1024,    1536,    2048,    3072,
    4096,    6144,    8192,    12288,   16384,   24576,   32768,   49152,   65536,   98304,   131072,  196608,
    262144,  327680,  393216,  458752,  524288,  589824,  655360,  720896,  786432,  851968,  917504,  983040,
    1048576, 1310720, 1572864, 1835008, 2097152, 2359296, 2621440, 2883584, 3145728, 3407872, 3670016, 3932160};
constexpr uint8_t OFFSET_BITS[60] = {0,  0,  0,  0,  1,  1,  2,  2,  3,  3,  4,  4,  5,  5,  6,
                                     6,  7,  7,  8,  8,  9,  9,  10, 10, 11, 11, 12, 12, 13, 13,
                                     14, 14, 15, 15, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16,
                                     16, 16, 16, 18, 18, 18, 18, 18, 18, 18, 18, 18, 18, 18, 18};
constexpr uint8_t SHORT_BASES[8] = {0, 4, 8, 16, 32, 64, 128, 192};
constexpr uint8_t SHORT_BITS[8] = {2, 2, 3, 4, 5, 6, 6, 6};
constexpr int MAX_SYMBOLS = 20;

}  // namespace

bool CRar29Engine::ParseCodes() {
    m_mainCode.Clear();
    m_offsetCode.Clear();
    m_lowOffsetCode.Clear();
    m_lengthCode.Clear();
    m_bits.AlignToByte();
    m_bPpmdBlock = m_bits.Bits(1) != 0;
    if (m_bPpmdBlock) {
        stats.nPpmdBlocks++;
        const uint8_t nFlags = uint8_t(m_bits.Bits(7));
        uint32_t nMemory = 0;
        if (nFlags & 0x20) {
            nMemory = (m_bits.Bits(8) + 1) << 20;
        }
        if (nFlags & 0x40) {
            m_nPpmdEscape = int(m_bits.Bits(8));
            m_ppmd.InitEsc = unsigned(m_nPpmdEscape);
        } else {
            m_nPpmdEscape = 2;
        }
        if (!CheckInput()) {
            return false;
        }
        int nMaxOrder = (nFlags & 0x1F) + 1;
        if (nMaxOrder > 16) {
            nMaxOrder = 16 + (nMaxOrder - 16) * 3;
        }
        if (!InitPpmd(nFlags, nMemory, nMaxOrder)) {
            return false;
        }
    } else if (!ParseLzTables()) {
        return false;
    }
    if (!CheckInput()) {
        return false;
    }
    m_bStartNewTable = false;
    return true;
}

bool CRar29Engine::InitPpmd(uint8_t nFlags, uint32_t nMemory, int nMaxOrder) {
    m_rangeDec.Bits = &m_bits;
    if (nFlags & 0x20) {
        if (nMaxOrder == 1) {
            return Fail("Invalid PPMd order");
        }
        if (nMemory == 0 || nMemory > PPMD_MAX_MEMORY) {
            return Fail("Invalid PPMd memory size");
        }
        // Ppmd7_Init rebuilds the whole model inside the block, so a block of the same
        // size is reused (a fresh allocation per file costs more than decoding small files).
        m_bPpmdValid = false;
        if (!Ppmd7_Alloc(&m_ppmd, nMemory)) {
            return Fail("Out of memory for the PPMd model");
        }
        if (!PpmdRAR_RangeDec_Init(&m_rangeDec)) {
            return Fail("Unable to initialize PPMd range decoder");
        }
        Ppmd7_Init(&m_ppmd, unsigned(nMaxOrder));
        m_bPpmdValid = true;
        return true;
    }
    if (!m_bPpmdValid) {
        return Fail("Invalid PPMd sequence");
    }
    if (!PpmdRAR_RangeDec_Init(&m_rangeDec)) {
        return Fail("Unable to initialize PPMd range decoder");
    }
    return true;
}

bool CRar29Engine::ParseLzTables() {
    stats.nLzBlocks++;
    // Keep existing table flag
    if (!m_bits.Bits(1)) {
        std::memset(m_arrLengthTable, 0, sizeof m_arrLengthTable);
    }
    uint8_t arrBitLengths[MAX_SYMBOLS] = {};
    for (int i = 0; i < MAX_SYMBOLS;) {
        arrBitLengths[i++] = uint8_t(m_bits.Bits(4));
        if (arrBitLengths[i - 1] == 0xF) {
            const uint32_t nZeroCount = m_bits.Bits(4);
            if (nZeroCount) {
                i--;
                for (uint32_t j = 0; j < nZeroCount + 2 && i < MAX_SYMBOLS; j++) {
                    arrBitLengths[i++] = 0;
                }
            }
        }
    }
    if (!CheckInput()) {
        return false;
    }
    CRar29HuffmanCode precode;
    std::string strWhy;
    if (!precode.Create(arrBitLengths, MAX_SYMBOLS, strWhy)) {
        return Fail(strWhy);
    }
    for (int i = 0; i < HUFFMAN_TABLE_SIZE;) {
        const int nVal = precode.ReadSymbol(m_bits, strWhy);
        if (nVal < 0) {
            return Fail(strWhy);
        }
        if (!CheckInput()) {
            return false;
        }
        if (nVal < 16) {
            m_arrLengthTable[i] = uint8_t((m_arrLengthTable[i] + nVal) & 0xF);
            i++;
        } else if (nVal < 18) {
            if (i == 0) {
                return Fail("Internal error extracting RAR file.");
            }
            const uint32_t n = nVal == 16 ? m_bits.Bits(3) + 3 : m_bits.Bits(7) + 11;
            for (uint32_t j = 0; j < n && i < HUFFMAN_TABLE_SIZE; j++) {
                m_arrLengthTable[i] = m_arrLengthTable[i - 1];
                i++;
            }
        } else {
            const uint32_t n = nVal == 18 ? m_bits.Bits(3) + 3 : m_bits.Bits(7) + 11;
            for (uint32_t j = 0; j < n && i < HUFFMAN_TABLE_SIZE; j++) {
                m_arrLengthTable[i++] = 0;
            }
        }
    }
    if (!CheckInput()) {
        return false;
    }
    const uint8_t* p = m_arrLengthTable;
    if (!m_mainCode.Create(p, MAINCODE_SIZE, strWhy) ||
        !m_offsetCode.Create(p + MAINCODE_SIZE, OFFSETCODE_SIZE, strWhy) ||
        !m_lowOffsetCode.Create(p + MAINCODE_SIZE + OFFSETCODE_SIZE, LOWOFFSETCODE_SIZE, strWhy) ||
        !m_lengthCode.Create(p + MAINCODE_SIZE + OFFSETCODE_SIZE + LOWOFFSETCODE_SIZE, LENGTHCODE_SIZE, strWhy)) {
        return Fail(strWhy);
    }
    m_bTablesRead = true;
    return true;
}

bool CRar29Engine::DecodeByte(uint8_t& nByte) {
    if (!m_bPpmdBlock) {
        nByte = uint8_t(m_bits.Bits(8));
        return CheckInput();
    }
    const int nSymbol = Ppmd7_DecodeSymbol(&m_ppmd, &m_rangeDec);
    if (nSymbol < 0) {
        return Fail("Invalid symbol");
    }
    nByte = uint8_t(nSymbol);
    return CheckInput();
}

bool CRar29Engine::ReadFilter(int64_t& nEnd) {
    uint8_t nFlags = 0;
    uint8_t nVal = 0;
    if (!DecodeByte(nFlags)) {
        return false;
    }
    uint32_t nLength = (nFlags & 0x07) + 1u;
    if (nLength == 7) {
        if (!DecodeByte(nVal)) {
            return false;
        }
        nLength = nVal + 7u;
    } else if (nLength == 8) {
        if (!DecodeByte(nVal)) {
            return false;
        }
        nLength = uint32_t(nVal) << 8;
        if (!DecodeByte(nVal)) {
            return false;
        }
        nLength |= nVal;
    }
    std::vector<uint8_t> arrCode(nLength);
    for (uint32_t i = 0; i < nLength; i++) {
        if (!DecodeByte(arrCode[i])) {
            return false;
        }
    }
    std::string strWhy;
    if (!m_filters.Parse(arrCode.data(), nLength, nFlags, m_nWindowPos, strWhy)) {
        return Fail(strWhy);
    }
    if (m_filters.FilterStart() < nEnd) {
        nEnd = m_filters.FilterStart();
    }
    return true;
}

CRar29Engine::Step CRar29Engine::PpmdStep(int64_t& nEnd) {
    const int nSymbol = Ppmd7_DecodeSymbol(&m_ppmd, &m_rangeDec);
    if (nSymbol < 0) {
        Fail("Invalid symbol");
        return Step::Failed;
    }
    if (nSymbol != m_nPpmdEscape) {
        EmitLiteral(uint8_t(nSymbol));
        return Step::Ok;
    }
    const int nCode = Ppmd7_DecodeSymbol(&m_ppmd, &m_rangeDec);
    if (nCode < 0) {
        Fail("Invalid symbol");
        return Step::Failed;
    }
    switch (nCode) {
        case 0:
            m_bStartNewTable = true;
            return Step::Ok;
        case 2:
            // End of PPMd data: this file's stream is over.
            m_bStreamEnded = true;
            return Step::StreamEnd;
        case 3:
            return ReadFilter(nEnd) ? Step::Ok : Step::Failed;
        case 4: {
            uint32_t nOffset = 0;
            for (int i = 2; i >= 0; i--) {
                const int nPart = Ppmd7_DecodeSymbol(&m_ppmd, &m_rangeDec);
                if (nPart < 0) {
                    Fail("Invalid symbol");
                    return Step::Failed;
                }
                nOffset |= uint32_t(nPart) << (i * 8);
            }
            const int nLength = Ppmd7_DecodeSymbol(&m_ppmd, &m_rangeDec);
            if (nLength < 0) {
                Fail("Invalid symbol");
                return Step::Failed;
            }
            EmitMatch(nOffset + 2, uint32_t(nLength) + 32);
            return Step::Ok;
        }
        case 5: {
            const int nLength = Ppmd7_DecodeSymbol(&m_ppmd, &m_rangeDec);
            if (nLength < 0) {
                Fail("Invalid symbol");
                return Step::Failed;
            }
            EmitMatch(1, uint32_t(nLength) + 4);
            return Step::Ok;
        }
        default:
            EmitLiteral(uint8_t(nSymbol));
            return Step::Ok;
    }
}

CRar29Engine::Step CRar29Engine::LzStep(int64_t& nEnd) {
    std::string strWhy;
    const int nSymbol = m_mainCode.ReadSymbol(m_bits, strWhy);
    if (nSymbol < 0) {
        Fail(strWhy);
        return Step::Failed;
    }
    if (nSymbol < 256) {
        EmitLiteral(uint8_t(nSymbol));
        return Step::Ok;
    }
    uint32_t nOffset = 0;
    uint32_t nLength = 0;
    if (nSymbol == 256) {
        // 0: this file's data ends (the next bit: new tables at the next file's start);
        // 1: new tables follow here.
        if (m_bits.Bits(1) == 0) {
            m_bStartNewTable = m_bits.Bits(1) != 0;
            m_bStreamEnded = true;
            stats.nEndMarkers++;
            return Step::StreamEnd;
        }
        m_bStartNewTable = true;
        return Step::Ok;
    }
    if (nSymbol == 257) {
        return ReadFilter(nEnd) ? Step::Ok : Step::Failed;
    }
    if (nSymbol == 258) {
        if (m_nLastLength == 0) {
            return Step::Ok;
        }
        nOffset = m_nLastOffset;
        nLength = m_nLastLength;
    } else if (nSymbol <= 262) {
        const int nIndex = nSymbol - 259;
        nOffset = m_arrOldOffset[nIndex];
        const int nLenSymbol = m_lengthCode.ReadSymbol(m_bits, strWhy);
        if (nLenSymbol < 0 || nLenSymbol >= 28) {
            Fail(nLenSymbol < 0 ? strWhy : "Bad RAR file data");
            return Step::Failed;
        }
        nLength = LENGTH_BASES[nLenSymbol] + 2u + m_bits.Bits(LENGTH_BITS[nLenSymbol]);
        for (int i = nIndex; i > 0; i--) {
            m_arrOldOffset[i] = m_arrOldOffset[i - 1];
        }
        m_arrOldOffset[0] = nOffset;
    } else if (nSymbol <= 270) {
        nOffset = SHORT_BASES[nSymbol - 263] + 1u + m_bits.Bits(SHORT_BITS[nSymbol - 263]);
        nLength = 2;
        for (int i = 3; i > 0; i--) {
            m_arrOldOffset[i] = m_arrOldOffset[i - 1];
        }
        m_arrOldOffset[0] = nOffset;
    } else {
        if (nSymbol - 271 >= 28) {
            Fail("Bad RAR file data");
            return Step::Failed;
        }
        nLength = LENGTH_BASES[nSymbol - 271] + 3u + m_bits.Bits(LENGTH_BITS[nSymbol - 271]);
        const int nOffsSymbol = m_offsetCode.ReadSymbol(m_bits, strWhy);
        if (nOffsSymbol < 0 || nOffsSymbol >= 60) {
            Fail(nOffsSymbol < 0 ? strWhy : "Bad RAR file data");
            return Step::Failed;
        }
        nOffset = OFFSET_BASES[nOffsSymbol] + 1;
        if (OFFSET_BITS[nOffsSymbol] > 0) {
            if (nOffsSymbol > 9) {
                if (OFFSET_BITS[nOffsSymbol] > 4) {
                    nOffset += m_bits.Bits(OFFSET_BITS[nOffsSymbol] - 4) << 4;
                }
                if (m_nNumLowOffsetRepeats > 0) {
                    m_nNumLowOffsetRepeats--;
                    nOffset += m_nLastLowOffset;
                } else {
                    const int nLow = m_lowOffsetCode.ReadSymbol(m_bits, strWhy);
                    if (nLow < 0) {
                        Fail(strWhy);
                        return Step::Failed;
                    }
                    if (nLow == 16) {
                        m_nNumLowOffsetRepeats = 15;
                        nOffset += m_nLastLowOffset;
                    } else {
                        nOffset += uint32_t(nLow);
                        m_nLastLowOffset = uint32_t(nLow);
                    }
                }
            } else {
                nOffset += m_bits.Bits(OFFSET_BITS[nOffsSymbol]);
            }
        }
        if (nOffset >= 0x40000) {
            nLength++;
        }
        if (nOffset >= 0x2000) {
            nLength++;
        }
        for (int i = 3; i > 0; i--) {
            m_arrOldOffset[i] = m_arrOldOffset[i - 1];
        }
        m_arrOldOffset[0] = nOffset;
    }
    m_nLastOffset = nOffset;
    m_nLastLength = nLength;
    EmitMatch(nOffset, nLength);
    return Step::Ok;
}
