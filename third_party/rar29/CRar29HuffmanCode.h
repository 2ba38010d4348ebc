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
// A canonical Huffman code of the RAR 2.9 format built from its bit lengths: a tree plus
// a lookup table of up to 10 bits. Adapted from libarchive 3.6.2
// (archive_read_support_format_rar.c: create_code, add_value, make_table, read_next_symbol).

#include "third_party/rar29/CRar29BitReader.h"

#include <cstdint>
#include <string>
#include <vector>

class CRar29HuffmanCode {
public:
    // Builds the code of nSymbols symbols from their bit lengths (0 = unused). False with
    // strError on lengths that do not form a prefix code.
    bool Create(const uint8_t* pLengths, int nSymbols, std::string& strError);
    // Forgets the code (reading from it then fails).
    void Clear();
    // The next symbol, or -1 with strError on an invalid code (truncation is the bit
    // reader's to report).
    int ReadSymbol(CRar29BitReader& bits, std::string& strError) {
        // Codes no longer than the table resolve with one lookup (the usual case).
        if (!m_arrTable.empty()) {
            const CEntry& entry = m_arrTable[bits.Peek(m_nTableSize)];
            if (entry.nLength <= unsigned(m_nTableSize)) {
                bits.Skip(int(entry.nLength));
                return entry.nValue;
            }
        }
        return ReadSymbolSlow(bits, strError);
    }
    // The same without consuming it; nLength is its length in bits.
    int PeekSymbol(CRar29BitReader& bits, int& nLength, std::string& strError);
    bool Created() const { return m_bCreated; }

private:
    struct CNode {
        int arrBranches[2];
    };
    struct CEntry {
        unsigned nLength;
        int nValue;
    };
    int ReadSymbolSlow(CRar29BitReader& bits, std::string& strError);
    bool AddValue(int nValue, int nCodeBits, int nLength, std::string& strError);
    int NewNode();
    bool MakeTable(std::string& strError);
    bool MakeTableRecurse(int nNode, size_t nTableIndex, int nDepth, int nMaxDepth, std::string& strError);

    std::vector<CNode> m_arrTree;
    std::vector<CEntry> m_arrTable;
    int m_nMinLength = 0;
    int m_nMaxLength = 0;
    int m_nTableSize = 0;
    bool m_bCreated = false;
};
