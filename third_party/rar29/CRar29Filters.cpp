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
// Adapted from libarchive 3.6.2 (archive_read_support_format_rar.c).
#include "third_party/rar29/CRar29Filters.h"


#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "companions/unrar/RarFormat.h"

namespace {

// Bit reader over a filter record held in memory; reads past its end give zeros and set
// bAtEof.
struct CMemoryBitReader {
    const uint8_t* pBytes = nullptr;
    size_t nLength = 0;
    size_t nOffset = 0;
    uint64_t nBits = 0;
    int nAvailable = 0;
    bool bAtEof = false;

    bool Fill(int n) {
        while (nAvailable < n && nOffset < nLength) {
            nBits = (nBits << 8) | pBytes[nOffset++];
            nAvailable += 8;
        }
        if (n > nAvailable) {
            bAtEof = true;
            return false;
        }
        return true;
    }
    uint32_t Bits(int n) {
        if (n > nAvailable && (bAtEof || !Fill(n))) {
            return 0;
        }
        nAvailable -= n;
        return uint32_t((nBits >> nAvailable) & ((uint64_t(1) << n) - 1));
    }
    uint32_t RarVmNumber() {
        switch (Bits(2)) {
            case 0:
                return Bits(4);
            case 1: {
                const uint32_t v = Bits(8);
                if (v >= 16) {
                    return v;
                }
                return 0xFFFFFF00 | (v << 4) | Bits(4);
            }
            case 2:
                return Bits(16);
            default:
                return Bits(32);
        }
    }
};

using rarformat::PutLe32;

constexpr uint64_t FINGERPRINT_DELTA = 0x1D0E06077D;
constexpr uint64_t FINGERPRINT_E8 = 0x35AD576887;
constexpr uint64_t FINGERPRINT_E8E9 = 0x393CD7E57E;
constexpr uint64_t FINGERPRINT_RGB = 0x951C2C5DC8;
constexpr uint64_t FINGERPRINT_AUDIO = 0xD8BC85E701;

}  // namespace

void CRar29Filters::Clear() {
    m_arrPrograms.clear();
    m_arrStack.clear();
    m_nFilterStart = NO_FILTER;
    m_nLastFilterNum = 0;
}

uint8_t* CRar29Filters::VmMemory() {
    if (!m_pVm) {
        m_pVm = std::make_unique<uint8_t[]>(VM_MEMORY_SIZE + 4);
    }
    return m_pVm.get();
}

bool CRar29Filters::Parse(const uint8_t* pCode, size_t nLength, uint8_t nFlags, int64_t nWindowPos,
                          std::string& strError) {
    strError = "Invalid RAR filter";
    CMemoryBitReader br;
    br.pBytes = pCode;
    br.nLength = nLength;

    uint32_t nNum = 0;
    if (nFlags & 0x80) {
        nNum = br.RarVmNumber();
        if (nNum == 0) {
            m_arrStack.clear();
            m_arrPrograms.clear();
            m_nFilterStart = NO_FILTER;
        } else {
            nNum--;
        }
        if (nNum > m_arrPrograms.size()) {
            return false;
        }
        m_nLastFilterNum = nNum;
    } else {
        nNum = m_nLastFilterNum;
    }
    // nNum == size: a new program follows in the record.
    const bool bKnown = nNum < m_arrPrograms.size();
    if (!bKnown && nNum != m_arrPrograms.size()) {
        return false;
    }
    if (bKnown) {
        m_arrPrograms[nNum].nUsageCount++;
    }

    int64_t nBlockStart = int64_t(br.RarVmNumber()) + nWindowPos;
    if (nFlags & 0x40) {
        nBlockStart += 258;
    }
    uint32_t nBlockLength = 0;
    if (nFlags & 0x20) {
        nBlockLength = br.RarVmNumber();
    } else {
        nBlockLength = bKnown ? m_arrPrograms[nNum].nOldFilterLength : 0;
    }

    uint32_t arrRegisters[8] = {};
    arrRegisters[3] = PROGRAM_SYSTEM_GLOBAL_ADDRESS;
    arrRegisters[4] = nBlockLength;
    arrRegisters[5] = bKnown ? m_arrPrograms[nNum].nUsageCount : 0;
    arrRegisters[7] = VM_MEMORY_SIZE;
    if (nFlags & 0x10) {
        const uint8_t nMask = uint8_t(br.Bits(7));
        for (int i = 0; i < 7; i++) {
            if (nMask & (1 << i)) {
                arrRegisters[i] = br.RarVmNumber();
            }
        }
    }

    if (!bKnown) {
        const uint32_t nCodeLength = br.RarVmNumber();
        if (nCodeLength == 0 || nCodeLength > 0x10000) {
            return false;
        }
        std::vector<uint8_t> arrBytecode(nCodeLength);
        for (uint32_t i = 0; i < nCodeLength; i++) {
            arrBytecode[i] = uint8_t(br.Bits(8));
        }
        // compile_program: the first byte is the XOR of the others.
        uint8_t nXor = 0;
        for (uint32_t i = 1; i < nCodeLength; i++) {
            nXor ^= arrBytecode[i];
        }
        if (nXor != arrBytecode[0]) {
            return false;
        }
        CProgram prog;
        prog.nFingerprint = uint64_t(rarformat::Crc32(arrBytecode.data(), size_t(nCodeLength))) |
                            (uint64_t(nCodeLength) << 32);
        CMemoryBitReader pr;
        pr.pBytes = arrBytecode.data();
        pr.nLength = nCodeLength;
        pr.nOffset = 1;
        if (pr.Bits(1)) {
            const uint32_t nStatic = pr.RarVmNumber() + 1;
            if (nStatic == 0 || nStatic > 0x10000) {
                return false;
            }
            prog.arrStaticData.resize(nStatic);
            for (uint32_t i = 0; i < nStatic; i++) {
                prog.arrStaticData[i] = uint8_t(pr.Bits(8));
            }
        }
        m_arrPrograms.push_back(std::move(prog));
    }
    m_arrPrograms[nNum].nOldFilterLength = nBlockLength;

    std::vector<uint8_t> arrGlobal;
    uint32_t nGlobalLength = 0;
    if (nFlags & 0x08) {
        nGlobalLength = br.RarVmNumber();
        if (nGlobalLength > PROGRAM_USER_GLOBAL_SIZE) {
            return false;
        }
        arrGlobal.assign(nGlobalLength + PROGRAM_SYSTEM_GLOBAL_SIZE, 0);
        for (uint32_t i = 0; i < nGlobalLength; i++) {
            arrGlobal[i + PROGRAM_SYSTEM_GLOBAL_SIZE] = uint8_t(br.Bits(8));
        }
    }
    if (br.bAtEof) {
        return false;
    }
    // A block must fit the VM's work area; the standard filters never ask for more.
    if (nBlockLength > PROGRAM_WORK_SIZE) {
        strError = "RAR filter block too large";
        return false;
    }

    CFilter filter;
    filter.nProgram = nNum;
    // As libarchive: the global data buffer is at least the system area; what was read
    // is copied from its start.
    filter.arrGlobalData.assign(std::max(nGlobalLength, PROGRAM_SYSTEM_GLOBAL_SIZE), 0);
    if (!arrGlobal.empty()) {
        std::memcpy(filter.arrGlobalData.data(), arrGlobal.data(), nGlobalLength);
    }
    std::memcpy(filter.arrInitialRegisters, arrRegisters, sizeof arrRegisters);
    filter.nBlockStart = nBlockStart;
    filter.nBlockLength = nBlockLength;
    filter.nSerial = m_nNextSerial++;
    for (int i = 0; i < 7; i++) {
        PutLe32(&filter.arrGlobalData[size_t(i) * 4], arrRegisters[i]);
    }
    PutLe32(&filter.arrGlobalData[0x1C], nBlockLength);
    PutLe32(&filter.arrGlobalData[0x20], 0);
    PutLe32(&filter.arrGlobalData[0x2C], m_arrPrograms[nNum].nUsageCount);
    m_arrStack.push_back(std::move(filter));
    if (m_arrStack.size() == 1) {
        m_nFilterStart = nBlockStart;
    }
    strError.clear();
    return true;
}

bool CRar29Filters::RunFront(uint32_t nFilePos, int64_t nBlockEnd, const uint8_t*& pOut, uint32_t& nOut,
                             std::string& strError) {
    if (m_arrStack.empty()) {
        strError = "No RAR filter pending";
        return false;
    }
    uint8_t* pVm = VmMemory();
    const int64_t nStart = m_arrStack.front().nBlockStart;
    if (!Execute(m_arrStack.front(), nFilePos, strError)) {
        return false;
    }
    uint32_t nLastAddress = m_arrStack.front().nFilteredAddress;
    uint32_t nLastLength = m_arrStack.front().nFilteredLength;
    m_arrStack.pop_front();
    while (!m_arrStack.empty() && m_arrStack.front().nBlockStart == nStart &&
           m_arrStack.front().nBlockLength == nLastLength) {
        std::memmove(&pVm[0], &pVm[nLastAddress], nLastLength);
        if (!Execute(m_arrStack.front(), nFilePos, strError)) {
            return false;
        }
        nLastAddress = m_arrStack.front().nFilteredAddress;
        nLastLength = m_arrStack.front().nFilteredLength;
        m_arrStack.pop_front();
    }
    m_nFilterStart = NO_FILTER;
    if (!m_arrStack.empty()) {
        if (m_arrStack.front().nBlockStart < nBlockEnd) {
            strError = "Overlapping RAR filters";
            return false;
        }
        m_nFilterStart = m_arrStack.front().nBlockStart;
    }
    pOut = &pVm[nLastAddress];
    nOut = nLastLength;
    return true;
}

namespace {

bool FilterDelta(uint8_t* pVm, const uint32_t* pRegs, uint32_t& nAddress, uint32_t& nLength) {
    const uint32_t nLen = pRegs[4];
    const uint32_t nChannels = pRegs[0];
    if (nLen > CRar29Filters::PROGRAM_WORK_SIZE / 2) {
        return false;
    }
    const uint8_t* pSrc = &pVm[0];
    uint8_t* pDst = &pVm[nLen];
    // Channels beyond the block length hold nothing; bounding them keeps a hostile
    // channel count from spinning for billions of rounds.
    const uint32_t nUsed = std::min(nChannels, nLen);
    for (uint32_t i = 0; i < nUsed; i++) {
        uint8_t nLast = 0;
        for (uint32_t idx = i; idx < nLen; idx += nChannels) {
            nLast = pDst[idx] = uint8_t(nLast - *pSrc++);
        }
    }
    nAddress = nLen;
    nLength = nLen;
    return true;
}

bool FilterE8(uint8_t* pVm, const uint32_t* pRegs, uint32_t nPos, bool bE9, uint32_t& nAddress,
              uint32_t& nLength) {
    const uint32_t nLen = pRegs[4];
    const uint32_t nFileSize = 0x1000000;
    if (nLen > CRar29Filters::PROGRAM_WORK_SIZE || nLen < 4) {
        return false;
    }
    // i + 5 <= nLen: libarchive's "i <= length - 5" wraps around for a 4-byte block.
    for (uint32_t i = 0; i + 5 <= nLen; i++) {
        if (pVm[i] == 0xE8 || (bE9 && pVm[i] == 0xE9)) {
            const uint32_t nCurrent = nPos + i + 1;
            const int32_t nAddr = int32_t(rarformat::Le32(&pVm[i + 1]));
            if (nAddr < 0 && nCurrent >= uint32_t(-int64_t(nAddr))) {
                PutLe32(&pVm[i + 1], uint32_t(nAddr) + nFileSize);
            } else if (nAddr >= 0 && uint32_t(nAddr) < nFileSize) {
                PutLe32(&pVm[i + 1], uint32_t(nAddr) - nCurrent);
            }
            i += 4;
        }
    }
    nAddress = 0;
    nLength = nLen;
    return true;
}

bool FilterRgb(uint8_t* pVm, const uint32_t* pRegs, uint32_t& nAddress, uint32_t& nLength) {
    const uint32_t nStride = pRegs[0];
    const uint32_t nByteOffset = pRegs[1];
    const uint32_t nLen = pRegs[4];
    if (nLen > CRar29Filters::PROGRAM_WORK_SIZE / 2 || nStride > nLen) {
        return false;
    }
    const uint8_t* pSrc = &pVm[0];
    uint8_t* pDst = &pVm[nLen];
    for (uint32_t i = 0; i < 3; i++) {
        uint8_t nByte = 0;
        // prev = dst + j - stride, used once it lies inside dst.
        for (uint32_t j = i; j < nLen; j += 3) {
            if (j >= nStride) {
                const uint8_t* pPrev = pDst + (j - nStride);
                const uint32_t d1 = uint32_t(std::abs(pPrev[3] - pPrev[0]));
                const uint32_t d2 = uint32_t(std::abs(nByte - pPrev[0]));
                const uint32_t d3 = uint32_t(std::abs(pPrev[3] - pPrev[0] + nByte - pPrev[0]));
                if (d1 > d2 || d1 > d3) {
                    nByte = d2 <= d3 ? pPrev[3] : pPrev[0];
                }
            }
            nByte = uint8_t(nByte - *pSrc++);
            pDst[j] = nByte;
        }
    }
    for (uint32_t i = nByteOffset; i + 2 < nLen; i += 3) {
        pDst[i] = uint8_t(pDst[i] + pDst[i + 1]);
        pDst[i + 2] = uint8_t(pDst[i + 2] + pDst[i + 1]);
    }
    nAddress = nLen;
    nLength = nLen;
    return true;
}

struct CAudioState {
    int8_t arrWeight[5] = {};
    int16_t arrDelta[4] = {};
    int8_t nLastDelta = 0;
    int arrError[11] = {};
    int nCount = 0;
    uint8_t nLastByte = 0;
};

bool FilterAudio(uint8_t* pVm, const uint32_t* pRegs, uint32_t& nAddress, uint32_t& nLength) {
    const uint32_t nLen = pRegs[4];
    const uint32_t nChannels = pRegs[0];
    if (nLen > CRar29Filters::PROGRAM_WORK_SIZE / 2) {
        return false;
    }
    const uint8_t* pSrc = &pVm[0];
    uint8_t* pDst = &pVm[nLen];
    const uint32_t nUsed = std::min(nChannels, nLen);
    for (uint32_t i = 0; i < nUsed; i++) {
        CAudioState st;
        for (uint32_t j = i; j < nLen; j += nChannels) {
            const int8_t nDelta = int8_t(*pSrc++);
            st.arrDelta[2] = st.arrDelta[1];
            st.arrDelta[1] = int16_t(st.nLastDelta - st.arrDelta[0]);
            st.arrDelta[0] = st.nLastDelta;
            const uint8_t nPred = uint8_t(((8 * st.nLastByte + st.arrWeight[0] * st.arrDelta[0] +
                                            st.arrWeight[1] * st.arrDelta[1] + st.arrWeight[2] * st.arrDelta[2]) >>
                                           3) &
                                          0xFF);
            const uint8_t nByte = uint8_t((nPred - nDelta) & 0xFF);
            const int nPredError = nDelta * 8;
            st.arrError[0] += std::abs(nPredError);
            st.arrError[1] += std::abs(nPredError - st.arrDelta[0]);
            st.arrError[2] += std::abs(nPredError + st.arrDelta[0]);
            st.arrError[3] += std::abs(nPredError - st.arrDelta[1]);
            st.arrError[4] += std::abs(nPredError + st.arrDelta[1]);
            st.arrError[5] += std::abs(nPredError - st.arrDelta[2]);
            st.arrError[6] += std::abs(nPredError + st.arrDelta[2]);
            st.nLastDelta = int8_t(nByte - st.nLastByte);
            pDst[j] = st.nLastByte = nByte;
            if (!(st.nCount++ & 0x1F)) {
                uint8_t nIdx = 0;
                for (uint8_t k = 1; k < 7; k++) {
                    if (st.arrError[k] < st.arrError[nIdx]) {
                        nIdx = k;
                    }
                }
                std::memset(st.arrError, 0, sizeof st.arrError);
                switch (nIdx) {
                    case 1: if (st.arrWeight[0] >= -16) st.arrWeight[0]--; break;
                    case 2: if (st.arrWeight[0] < 16) st.arrWeight[0]++; break;
                    case 3: if (st.arrWeight[1] >= -16) st.arrWeight[1]--; break;
                    case 4: if (st.arrWeight[1] < 16) st.arrWeight[1]++; break;
                    case 5: if (st.arrWeight[2] >= -16) st.arrWeight[2]--; break;
                    case 6: if (st.arrWeight[2] < 16) st.arrWeight[2]++; break;
                    default: break;
                }
            }
        }
    }
    nAddress = nLen;
    nLength = nLen;
    return true;
}

}  // namespace

bool CRar29Filters::Execute(CFilter& filter, uint32_t nFilePos, std::string& strError) {
    if (filter.nProgram >= m_arrPrograms.size()) {
        strError = "Invalid RAR filter";
        return false;
    }
    uint8_t* pVm = VmMemory();
    const uint32_t* pRegs = filter.arrInitialRegisters;
    bool bOk = false;
    switch (m_arrPrograms[filter.nProgram].nFingerprint) {
        case FINGERPRINT_DELTA:
            bOk = FilterDelta(pVm, pRegs, filter.nFilteredAddress, filter.nFilteredLength);
            break;
        case FINGERPRINT_E8:
            bOk = FilterE8(pVm, pRegs, nFilePos, false, filter.nFilteredAddress, filter.nFilteredLength);
            break;
        case FINGERPRINT_E8E9:
            bOk = FilterE8(pVm, pRegs, nFilePos, true, filter.nFilteredAddress, filter.nFilteredLength);
            break;
        case FINGERPRINT_RGB:
            bOk = FilterRgb(pVm, pRegs, filter.nFilteredAddress, filter.nFilteredLength);
            break;
        case FINGERPRINT_AUDIO:
            bOk = FilterAudio(pVm, pRegs, filter.nFilteredAddress, filter.nFilteredLength);
            break;
        default:
            strError = "No support for RAR VM program filter";
            return false;
    }
    if (!bOk) {
        strError = "Invalid RAR filter parameters";
    }
    return bOk;
}
