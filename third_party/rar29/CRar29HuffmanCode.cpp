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
#include "third_party/rar29/CRar29HuffmanCode.h"

#include <climits>

void CRar29HuffmanCode::Clear() {
    m_arrTree.clear();
    m_arrTable.clear();
    m_bCreated = false;
}

int CRar29HuffmanCode::NewNode() {
    m_arrTree.push_back(CNode{{-1, -2}});
    return int(m_arrTree.size()) - 1;
}

bool CRar29HuffmanCode::Create(const uint8_t* pLengths, int nSymbols, std::string& strError) {
    Clear();
    NewNode();
    m_nMinLength = INT_MAX;
    m_nMaxLength = INT_MIN;
    int nCodeBits = 0;
    int nSymbolsLeft = nSymbols;
    for (int i = 1; i <= 15; i++) {
        for (int j = 0; j < nSymbols; j++) {
            if (pLengths[j] != i) {
                continue;
            }
            if (!AddValue(j, nCodeBits, i, strError)) {
                return false;
            }
            nCodeBits++;
            if (--nSymbolsLeft <= 0) {
                break;
            }
        }
        if (nSymbolsLeft <= 0) {
            break;
        }
        nCodeBits <<= 1;
    }
    m_bCreated = true;
    return true;
}

bool CRar29HuffmanCode::AddValue(int nValue, int nCodeBits, int nLength, std::string& strError) {
    m_arrTable.clear();
    if (nLength > m_nMaxLength) {
        m_nMaxLength = nLength;
    }
    if (nLength < m_nMinLength) {
        m_nMinLength = nLength;
    }
    int nLast = 0;
    for (int nBitPos = nLength - 1; nBitPos >= 0; nBitPos--) {
        const int nBit = (nCodeBits >> nBitPos) & 1;
        if (m_arrTree[size_t(nLast)].arrBranches[0] == m_arrTree[size_t(nLast)].arrBranches[1]) {
            strError = "Prefix found";  // a leaf on the way: not a prefix code
            return false;
        }
        if (m_arrTree[size_t(nLast)].arrBranches[nBit] < 0) {
            const int nNew = NewNode();
            m_arrTree[size_t(nLast)].arrBranches[nBit] = nNew;
        }
        nLast = m_arrTree[size_t(nLast)].arrBranches[nBit];
    }
    CNode& leaf = m_arrTree[size_t(nLast)];
    if (!(leaf.arrBranches[0] == -1 && leaf.arrBranches[1] == -2)) {
        strError = "Prefix found";
        return false;
    }
    leaf.arrBranches[0] = nValue;
    leaf.arrBranches[1] = nValue;
    return true;
}

bool CRar29HuffmanCode::MakeTable(std::string& strError) {
    if (m_nMaxLength < m_nMinLength || m_nMaxLength > 10) {
        m_nTableSize = 10;
    } else {
        m_nTableSize = m_nMaxLength;
    }
    m_arrTable.assign(size_t(1) << m_nTableSize, CEntry{0, 0});
    if (!MakeTableRecurse(0, 0, 0, m_nTableSize, strError)) {
        m_arrTable.clear();
        return false;
    }
    return true;
}

bool CRar29HuffmanCode::MakeTableRecurse(int nNode, size_t nTableIndex, int nDepth, int nMaxDepth,
                                         std::string& strError) {
    if (nNode < 0 || size_t(nNode) >= m_arrTree.size()) {
        strError = "Invalid location to Huffman tree specified.";
        return false;
    }
    const size_t nCurrent = size_t(1) << (nMaxDepth - nDepth);
    const CNode& node = m_arrTree[size_t(nNode)];
    if (node.arrBranches[0] == node.arrBranches[1]) {
        for (size_t i = 0; i < nCurrent; i++) {
            m_arrTable[nTableIndex + i].nLength = unsigned(nDepth);
            m_arrTable[nTableIndex + i].nValue = node.arrBranches[0];
        }
        return true;
    }
    if (nDepth == nMaxDepth) {
        m_arrTable[nTableIndex].nLength = unsigned(nMaxDepth + 1);
        m_arrTable[nTableIndex].nValue = nNode;
        return true;
    }
    const int nLeft = node.arrBranches[0];
    const int nRight = node.arrBranches[1];
    return MakeTableRecurse(nLeft, nTableIndex, nDepth + 1, nMaxDepth, strError) &&
           MakeTableRecurse(nRight, nTableIndex + nCurrent / 2, nDepth + 1, nMaxDepth, strError);
}

int CRar29HuffmanCode::ReadSymbolSlow(CRar29BitReader& bits, std::string& strError) {
    int nLength = 0;
    const int nSymbol = PeekSymbol(bits, nLength, strError);
    if (nSymbol >= 0) {
        bits.Skip(nLength);
    }
    return nSymbol;
}

int CRar29HuffmanCode::PeekSymbol(CRar29BitReader& bits, int& nLength, std::string& strError) {
    if (!m_bCreated) {
        strError = "Huffman tree was not created.";
        return -1;
    }
    if (m_arrTable.empty() && !MakeTable(strError)) {
        return -1;
    }
    const uint32_t nIndex = bits.Peek(m_nTableSize);
    const unsigned nEntryLength = m_arrTable[nIndex].nLength;
    const int nValue = m_arrTable[nIndex].nValue;
    if (nEntryLength <= unsigned(m_nTableSize)) {
        nLength = int(nEntryLength);
        return nValue;
    }
    int nUsed = m_nTableSize;
    int nNode = nValue;
    // Codes are at most 15 bits long, so this walk ends within the 32 bits Peek can see.
    while (m_arrTree[size_t(nNode)].arrBranches[0] != m_arrTree[size_t(nNode)].arrBranches[1]) {
        if (nUsed >= 32) {
            strError = "Invalid prefix code in bitstream";
            return -1;
        }
        nUsed++;
        const uint32_t nBit = bits.Peek(nUsed) & 1;
        const int nNext = m_arrTree[size_t(nNode)].arrBranches[nBit];
        if (nNext < 0 || size_t(nNext) >= m_arrTree.size()) {
            strError = "Invalid prefix code in bitstream";
            return -1;
        }
        nNode = nNext;
    }
    nLength = nUsed;
    return m_arrTree[size_t(nNode)].arrBranches[0];
}
