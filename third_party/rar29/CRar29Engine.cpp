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
// The output side of the decoder: files, the window, filters. Adapted from libarchive
// 3.6.2 (archive_read_support_format_rar.c: read_data_compressed, run_filters,
// lzss_emit_match); see CRar29Engine.h for what differs.
#include "third_party/rar29/CRar29Engine.h"

#include <algorithm>
#include <cstring>

CRar29Engine::CRar29Engine() {
    std::memset(&m_ppmd, 0, sizeof m_ppmd);
    std::memset(&m_rangeDec, 0, sizeof m_rangeDec);
    Ppmd7_Construct(&m_ppmd);
}

CRar29Engine::~CRar29Engine() { Ppmd7_Free(&m_ppmd); }

void CRar29Engine::ResetAll() {
    if (m_arrWindow.size() != WINDOW_SIZE) {
        m_arrWindow.assign(WINDOW_SIZE, 0);
    } else if (m_nDirtyEnd > 0) {
        std::memset(m_arrWindow.data(), 0, size_t(std::min<int64_t>(m_nDirtyEnd, WINDOW_SIZE)));
    }
    m_nWindowPos = m_nDirtyEnd = m_nFlushedPos = m_nReadyEnd = 0;
    m_pFilterOut = nullptr;
    m_nFilterLeft = 0;
    m_mainCode.Clear();
    m_offsetCode.Clear();
    m_lowOffsetCode.Clear();
    m_lengthCode.Clear();
    std::memset(m_arrLengthTable, 0, sizeof m_arrLengthTable);
    m_nLastLength = m_nLastOffset = 0;
    std::memset(m_arrOldOffset, 0, sizeof m_arrOldOffset);
    m_nLastLowOffset = m_nNumLowOffsetRepeats = 0;
    m_bStartNewTable = true;
    m_bTablesRead = false;
    m_bPpmdBlock = false;
    m_bPpmdValid = false;
    m_nPpmdEscape = 2;
    m_ppmd.InitEsc = 0;  // as a fresh model: only a block header's escape byte sets it
    m_filters.Clear();
}

bool CRar29Engine::Fail(const std::string& strWhy) {
    if (!m_bFailed) {
        strError = strWhy;
    }
    m_bFailed = true;
    m_bLastFileComplete = false;
    return false;
}

bool CRar29Engine::BeginFile(uint64_t nUnpackedSize, bool bSolid, uint32_t nDictionary,
                             CRar29BitReader::Reader read) {
    const bool bContinuable = m_bLastFileComplete;
    m_bLastFileComplete = false;
    m_bFileActive = false;
    m_bFailed = false;
    bReadFailed = false;
    strError.clear();
    if (nDictionary > WINDOW_SIZE) {
        return Fail("RAR dictionary larger than 4 MiB");
    }
    if (nUnpackedSize > uint64_t(INT64_MAX / 2)) {
        return Fail("Invalid unpacked size");
    }
    if (bSolid && !bContinuable) {
        return Fail("Solid file follows a file that was not decoded to its end");
    }
    if (!bSolid) {
        ResetAll();
    } else if (m_bPpmdBlock || !m_bTablesRead) {
        // A PPMd stream cannot go on in a new byte stream without a new range decoder:
        // the next file begins with a block header.
        m_bStartNewTable = true;
    }
    m_bits.Reset(std::move(read));
    m_nFileStart = m_nFlushedPos;
    m_nFileSize = nUnpackedSize;
    m_nFileOut = 0;
    m_bStreamEnded = false;
    m_bFileActive = true;
    if (m_nFileSize == 0) {
        FinishFile();
    }
    return true;
}

int64_t CRar29Engine::Read(uint8_t* pOut, size_t nMax) {
    if (!m_bFileActive) {
        strError = "No file begun";
        return -1;
    }
    if (m_bFailed) {
        return -1;
    }
    size_t nDone = 0;
    while (nDone < nMax && m_nFileOut < m_nFileSize) {
        const uint64_t nFileLeft = m_nFileSize - m_nFileOut;
        if (m_nFilterLeft > 0) {
            const size_t nTake = size_t(std::min<uint64_t>({nMax - nDone, m_nFilterLeft, nFileLeft}));
            std::memcpy(pOut + nDone, m_pFilterOut, nTake);
            m_pFilterOut += nTake;
            m_nFilterLeft -= uint32_t(nTake);
            m_nFlushedPos += int64_t(nTake);
            m_nFileOut += nTake;
            nDone += nTake;
            continue;
        }
        if (m_nFlushedPos < m_nReadyEnd) {
            size_t nTake = size_t(std::min<uint64_t>({nMax - nDone, uint64_t(m_nReadyEnd - m_nFlushedPos), nFileLeft}));
            const size_t nOffset = size_t(m_nFlushedPos & WINDOW_MASK);
            nTake = std::min<size_t>(nTake, WINDOW_SIZE - nOffset);
            std::memcpy(pOut + nDone, &m_arrWindow[nOffset], nTake);
            m_nFlushedPos += int64_t(nTake);
            m_nFileOut += nTake;
            nDone += nTake;
            continue;
        }
        if (!Produce()) {
            return -1;
        }
    }
    if (m_nFileOut == m_nFileSize && !m_bLastFileComplete) {
        FinishFile();
        if (m_bFailed) {
            return -1;
        }
    }
    return int64_t(nDone);
}

bool CRar29Engine::Skip() {
    std::vector<uint8_t> arrScratch(64 * 1024);
    for (;;) {
        const int64_t n = Read(arrScratch.data(), arrScratch.size());
        if (n < 0) {
            return false;
        }
        if (n == 0) {
            return true;
        }
    }
}

bool CRar29Engine::InputFailed() {
    if (m_bits.ReadFailed()) {
        bReadFailed = true;
        return Fail("Read error in the packed data");
    }
    if (m_bits.Truncated()) {
        return Fail("Truncated RAR file data");
    }
    if (m_bPpmdBlock && m_rangeDec.Error) {
        return Fail("Invalid PPMd sequence");
    }
    return true;  // (not reached: CheckInput calls this only on a failure)
}

// Gets more of the current file ready: runs a filter whose block starts here or decodes
// ahead (at most half a window, never past the file's end or the next filter's start).
bool CRar29Engine::Produce() {
    const int64_t nFileEnd = m_nFileStart + int64_t(m_nFileSize);
    if (m_filters.FilterStart() == m_nFlushedPos) {
        return RunFilters();
    }
    const int64_t nEnd =
        std::min({nFileEnd, m_nFlushedPos + int64_t(WINDOW_SIZE / 2), m_filters.FilterStart()});
    if (m_nWindowPos < nEnd) {
        if (DecodeUntil(nEnd) == Step::Failed) {
            return false;
        }
    }
    m_nReadyEnd = std::min({m_nWindowPos, m_filters.FilterStart(), nFileEnd});
    if (m_nReadyEnd <= m_nFlushedPos && m_filters.FilterStart() != m_nFlushedPos) {
        if (m_bStreamEnded || m_bits.FewerBitsLeftThan(1)) {
            return Fail("The packed data ends before the end of the file");
        }
        return Fail("Bad RAR file data");
    }
    return true;
}

bool CRar29Engine::RunFilters() {
    const int64_t nFileEnd = m_nFileStart + int64_t(m_nFileSize);
    const CRar29Filters::CFilter& front = m_filters.Front();
    const int64_t nStart = m_filters.FilterStart();
    const uint32_t nLength = front.nBlockLength;
    const int64_t nEnd = nStart + int64_t(nLength);
    const uint64_t nSerial = front.nSerial;
    if (nEnd > nFileEnd) {
        return Fail("A RAR filter reaches past the end of the file");
    }
    m_filters.SuspendFilterStart();
    if (m_nWindowPos < nEnd && DecodeUntil(nEnd) == Step::Failed) {
        return false;
    }
    if (m_nWindowPos < nEnd) {
        return Fail("The packed data ends inside a filtered block");
    }
    if (m_filters.FrontSerial() != nSerial) {
        return Fail("Invalid RAR filter sequence");
    }
    uint8_t* pVm = m_filters.VmMemory();
    const size_t nOffset = size_t(nStart & WINDOW_MASK);
    const size_t nFirst = std::min<size_t>(nLength, WINDOW_SIZE - nOffset);
    std::memcpy(pVm, &m_arrWindow[nOffset], nFirst);
    std::memcpy(pVm + nFirst, &m_arrWindow[0], nLength - nFirst);
    const uint8_t* pOut = nullptr;
    uint32_t nOut = 0;
    if (!m_filters.RunFront(uint32_t(nStart - m_nFileStart), nEnd, pOut, nOut, strError)) {
        const std::string strWhy = strError;
        return Fail(strWhy);
    }
    if (nOut != nLength) {
        return Fail("Invalid RAR filter output");
    }
    stats.nFilters++;
    m_pFilterOut = pOut;
    m_nFilterLeft = nOut;
    m_nReadyEnd = m_nFlushedPos;
    return true;
}

CRar29Engine::Step CRar29Engine::DecodeUntil(int64_t nEnd) {
    const int64_t nFileEnd = m_nFileStart + int64_t(m_nFileSize);
    nEnd = std::min({nEnd, nFileEnd, m_filters.FilterStart()});
    while (m_nWindowPos < nEnd) {
        if (m_bStreamEnded) {
            return Step::StreamEnd;
        }
        if (m_bStartNewTable) {
            if (!ParseCodes()) {
                return Step::Failed;
            }
            continue;
        }
        const Step step = m_bPpmdBlock ? PpmdStep(nEnd) : LzStep(nEnd);
        if (step == Step::Failed || !CheckInput()) {
            return Step::Failed;
        }
        if (m_nWindowPos > nFileEnd) {
            Fail("The packed data goes on past the end of the file");
            return Step::Failed;
        }
        m_nDirtyEnd = std::max(m_nDirtyEnd, m_nWindowPos);
    }
    return Step::Ok;
}

void CRar29Engine::EmitMatch(uint32_t nOffset, uint32_t nLength) {
    uint8_t* pWin = m_arrWindow.data();
    size_t nDst = size_t(m_nWindowPos & WINDOW_MASK);
    size_t nSrc = (nDst - nOffset) & WINDOW_MASK;
    if (nDst + nLength <= WINDOW_SIZE && nSrc + nLength <= WINDOW_SIZE && (nSrc + nLength <= nDst || nDst + nLength <= nSrc)) {
        std::memcpy(pWin + nDst, pWin + nSrc, nLength);
    } else {
        for (uint32_t i = 0; i < nLength; i++) {
            pWin[nDst] = pWin[nSrc];
            nDst = (nDst + 1) & WINDOW_MASK;
            nSrc = (nSrc + 1) & WINDOW_MASK;
        }
    }
    m_nWindowPos += nLength;
}

// At the end of a file's data the stream may still hold:
// - in LZ blocks, the end-of-file marker: symbol 256, a 0 bit, then a bit saying whether
//   the next file starts with new tables (the real RAR program writes it after every
//   file); or symbol 256 and a 1 bit followed by new tables;
// - in PPMd blocks, the escape symbol and code 2 (end of data; also written after every
//   file). They are part of the model's history, which the next solid file continues, so
//   they are decoded here;
// - a block header (an empty file's stream may be just tables and the marker).
// A stream that simply stops leaves the tables in use for the next solid file; one that
// goes on with more symbols is damaged (data beyond the file's size).
void CRar29Engine::FinishFile() {
    for (int nRound = 0; nRound < 4 && !m_bStreamEnded; nRound++) {
        if (m_bStartNewTable) {
            if (m_bits.FewerBitsLeftThan(8)) {
                break;
            }
            if (!ParseCodes()) {
                return;
            }
        }
        if (m_bPpmdBlock) {
            const int nSymbol = Ppmd7_DecodeSymbol(&m_ppmd, &m_rangeDec);
            const int nCode = nSymbol == m_nPpmdEscape ? Ppmd7_DecodeSymbol(&m_ppmd, &m_rangeDec) : -1;
            if (nCode == 2) {
                m_bStreamEnded = true;
                stats.nEndMarkers++;
                break;
            }
            if (nCode == 0) {
                m_bStartNewTable = true;
                continue;
            }
            if (CheckInput()) {
                Fail("The packed data goes on past the end of the file");
            }
            return;
        }
        if (!m_mainCode.Created() || m_bits.FewerBitsLeftThan(1)) {
            break;
        }
        std::string strIgnored;
        int nLength = 0;
        const int nSymbol = m_mainCode.PeekSymbol(m_bits, nLength, strIgnored);
        if (nSymbol != 256 || m_bits.FewerBitsLeftThan(nLength + 2)) {
            break;
        }
        const uint32_t nBits = m_bits.Peek(nLength + 2) & 3;
        if (nBits & 2) {
            m_bits.Skip(nLength + 1);
            m_bStartNewTable = true;
            continue;
        }
        m_bits.Skip(nLength + 2);
        m_bStartNewTable = (nBits & 1) != 0;
        m_bStreamEnded = true;
        stats.nEndMarkers++;
    }
    if (!CheckInput()) {
        return;
    }
    if (!m_bStreamEnded && !m_bPpmdBlock && !m_bits.FewerBitsLeftThan(8)) {
        Fail("The packed data goes on past the end of the file");
        return;
    }
    m_bLastFileComplete = true;
}
