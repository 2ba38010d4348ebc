#pragma once
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
// The RAR 2.9 filters: parsing the filter records of the packed stream, keeping the
// programs and the pending filters (which survive into the next file of a solid archive),
// and running the standard filters (delta, E8, E8E9, RGB, audio) that the RAR virtual
// machine programs stand for, recognised by their fingerprint. Adapted from libarchive
// 3.6.2 (archive_read_support_format_rar.c: parse_filter, run_filters, compile_program,
// execute_filter_*), with extra bounds checks.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

class CRar29Filters {
public:
    static constexpr uint32_t VM_MEMORY_SIZE = 0x40000;
    static constexpr uint32_t PROGRAM_WORK_SIZE = 0x3C000;
    static constexpr uint32_t PROGRAM_GLOBAL_SIZE = 0x2000;
    static constexpr uint32_t PROGRAM_SYSTEM_GLOBAL_ADDRESS = PROGRAM_WORK_SIZE;
    static constexpr uint32_t PROGRAM_SYSTEM_GLOBAL_SIZE = 0x40;
    static constexpr uint32_t PROGRAM_USER_GLOBAL_SIZE = PROGRAM_GLOBAL_SIZE - PROGRAM_SYSTEM_GLOBAL_SIZE;
    static constexpr int64_t NO_FILTER = INT64_MAX;

    struct CFilter {
        size_t nProgram = 0;  // index into the program list
        uint32_t arrInitialRegisters[8] = {};
        std::vector<uint8_t> arrGlobalData;
        int64_t nBlockStart = 0;  // absolute window position
        uint32_t nBlockLength = 0;
        uint32_t nFilteredAddress = 0;
        uint32_t nFilteredLength = 0;
        uint64_t nSerial = 0;
    };

    // Forgets all programs and pending filters.
    void Clear();
    // Parses one filter record (flags byte + nLength code bytes) met at absolute window
    // position nWindowPos. False with strError on a damaged record.
    bool Parse(const uint8_t* pCode, size_t nLength, uint8_t nFlags, int64_t nWindowPos, std::string& strError);

    // Where the first pending filter's block starts (NO_FILTER when none is pending).
    int64_t FilterStart() const { return m_nFilterStart; }
    bool HasPending() const { return !m_arrStack.empty(); }
    const CFilter& Front() const { return m_arrStack.front(); }
    uint64_t FrontSerial() const { return m_arrStack.empty() ? 0 : m_arrStack.front().nSerial; }

    // Runs the first pending filter on its block (already copied to VmMemory() by the
    // caller) and every following filter on the same block; nFilePos is the block's
    // offset in the file being written. On success pOut/nOut is the filtered block.
    // The block ends at absolute position nBlockEnd; a later filter must not start before it.
    bool RunFront(uint32_t nFilePos, int64_t nBlockEnd, const uint8_t*& pOut, uint32_t& nOut,
                  std::string& strError);
    // While the front filter's block is being decoded, no filter start stops the decoder.
    void SuspendFilterStart() { m_nFilterStart = NO_FILTER; }

    uint8_t* VmMemory();

private:
    struct CProgram {
        std::vector<uint8_t> arrStaticData;
        uint64_t nFingerprint = 0;
        uint32_t nUsageCount = 0;
        uint32_t nOldFilterLength = 0;
    };
    bool Execute(CFilter& filter, uint32_t nFilePos, std::string& strError);

    std::vector<CProgram> m_arrPrograms;
    std::deque<CFilter> m_arrStack;
    int64_t m_nFilterStart = NO_FILTER;
    uint32_t m_nLastFilterNum = 0;
    uint64_t m_nNextSerial = 1;
    std::unique_ptr<uint8_t[]> m_pVm;  // VM_MEMORY_SIZE + 4 bytes
};
