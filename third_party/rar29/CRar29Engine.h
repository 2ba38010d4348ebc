#pragma once
/*-
 * Copyright (c) 2003-2007 Tim Kientzle
 * Copyright (c) 2011 Andres Mejia
 * All rights reserved.
 *
 * (BSD-2-Clause; the full notice is in CRar29HuffmanCode.h.)
 */
// The state and the decoding steps behind CRar29Decoder. The decoding steps are adapted
// from libarchive 3.6.2 (archive_read_support_format_rar.c: parse_codes, expand,
// read_filter, run_filters, the PPMd part of read_data_compressed); unlike libarchive the
// window position is absolute over a solid stream and each file has its own output count.
//
// Positions: every byte the stream produces gets an absolute window position.
// [m_nFlushedPos, m_nReadyEnd) is decoded, unfiltered and ready to hand out; a pending
// filter's block is handed out from the filter output instead. The current file owns the
// positions [m_nFileStart, m_nFileStart + m_nFileSize).
//
// Solid streams, as the real RAR program's archives show them:
// - every file's packed data is its own byte-aligned stream; decoding stops exactly at the
//   file's size, then the end of the stream is read (FinishFile): an LZ file closes with
//   symbol 256, a 0 bit and a "new tables" bit (0 in the real solid archive: its later
//   files have 3-byte streams and no tables); a PPMd file closes with the escape symbol
//   and code 2 (seen after every PPMd file of the real archives).
// - assumed, no real solid PPMd archive at hand: a solid file after a PPMd file starts with
//   a block header (the range decoder cannot go on in a new byte stream; flags without 0x20
//   continue the model, with 0x20 start a new one).
// - assumed: the E8/E8E9 filters count positions from the start of the file being written.
// - the window is always 4 MiB (the largest dictionary), whatever the header's dictionary
//   size: a valid stream never reaches further back than its dictionary, and filter blocks
//   (up to 0x3C000 bytes) always fit.

#include "third_party/rar29/CRar29BitReader.h"
#include "third_party/rar29/CRar29Decoder.h"
#include "third_party/rar29/CRar29Filters.h"
#include "third_party/rar29/CRar29HuffmanCode.h"
#include "third_party/rar29/Ppmd7.h"

#include <cstdint>
#include <string>
#include <vector>

class CRar29Engine {
public:
    static constexpr uint32_t WINDOW_SIZE = 0x400000;  // the largest RAR 2.9 dictionary
    static constexpr uint32_t WINDOW_MASK = WINDOW_SIZE - 1;
    static constexpr uint32_t PPMD_MAX_MEMORY = 256u << 20;
    static constexpr int MAINCODE_SIZE = 299;
    static constexpr int OFFSETCODE_SIZE = 60;
    static constexpr int LOWOFFSETCODE_SIZE = 17;
    static constexpr int LENGTHCODE_SIZE = 28;
    static constexpr int HUFFMAN_TABLE_SIZE = MAINCODE_SIZE + OFFSETCODE_SIZE + LOWOFFSETCODE_SIZE + LENGTHCODE_SIZE;

    CRar29Engine();
    ~CRar29Engine();

    bool BeginFile(uint64_t nUnpackedSize, bool bSolid, uint32_t nDictionary, CRar29BitReader::Reader read);
    int64_t Read(uint8_t* pOut, size_t nMax);
    bool Skip();

    std::string strError;
    bool bReadFailed = false;
    CRar29Decoder::CStats stats;

private:
    enum class Step { Ok, StreamEnd, Failed };

    void ResetAll();
    bool Fail(const std::string& strWhy);
    bool CheckInput() {
        if (!m_bits.ReadFailed() && !m_bits.Truncated() && !(m_bPpmdBlock && m_rangeDec.Error)) {
            return true;
        }
        return InputFailed();
    }
    bool InputFailed();
    bool Produce();
    bool RunFilters();
    void FinishFile();
    // Decodes until the window position reaches nEnd (lowered when a filter starts
    // earlier) or the stream ends; never past the current file's end.
    Step DecodeUntil(int64_t nEnd);

    // CRar29EngineLz.cpp
    bool ParseCodes();
    bool ParseLzTables();
    Step LzStep(int64_t& nEnd);
    Step PpmdStep(int64_t& nEnd);
    bool ReadFilter(int64_t& nEnd);
    bool DecodeByte(uint8_t& nByte);
    bool InitPpmd(uint8_t nFlags, uint32_t nMemory, int nMaxOrder);

    void EmitLiteral(uint8_t nByte) { m_arrWindow[size_t(m_nWindowPos++ & WINDOW_MASK)] = nByte; }
    void EmitMatch(uint32_t nOffset, uint32_t nLength);

    std::vector<uint8_t> m_arrWindow;
    int64_t m_nWindowPos = 0;
    int64_t m_nDirtyEnd = 0;  // how much of the window was ever written since the last clear
    int64_t m_nFlushedPos = 0;
    int64_t m_nReadyEnd = 0;
    const uint8_t* m_pFilterOut = nullptr;
    uint32_t m_nFilterLeft = 0;

    int64_t m_nFileStart = 0;
    uint64_t m_nFileSize = 0;
    uint64_t m_nFileOut = 0;
    bool m_bFileActive = false;
    bool m_bFailed = false;
    bool m_bLastFileComplete = false;
    bool m_bStreamEnded = false;  // this file's stream said "end of file"

    CRar29BitReader m_bits;

    CRar29HuffmanCode m_mainCode;
    CRar29HuffmanCode m_offsetCode;
    CRar29HuffmanCode m_lowOffsetCode;
    CRar29HuffmanCode m_lengthCode;
    uint8_t m_arrLengthTable[HUFFMAN_TABLE_SIZE] = {};
    uint32_t m_nLastLength = 0;
    uint32_t m_nLastOffset = 0;
    uint32_t m_arrOldOffset[4] = {};
    uint32_t m_nLastLowOffset = 0;
    uint32_t m_nNumLowOffsetRepeats = 0;
    bool m_bStartNewTable = true;
    bool m_bTablesRead = false;

    bool m_bPpmdBlock = false;
    bool m_bPpmdValid = false;
    int m_nPpmdEscape = 2;
    CPpmd7 m_ppmd;
    CPpmdRAR_RangeDec m_rangeDec;

    CRar29Filters m_filters;
};
