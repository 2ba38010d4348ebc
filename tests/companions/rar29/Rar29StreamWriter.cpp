#include "tests/companions/rar29/Rar29StreamWriter.h"

#include <zlib.h>

#include <array>
#include <stdexcept>

namespace {

// Bits collected MSB first into bytes (for filter records).
struct CBitList {
    std::vector<uint8_t> arrBits;
    void Put(uint32_t nValue, int nBits) {
        for (int i = nBits - 1; i >= 0; i--) {
            arrBits.push_back(uint8_t((nValue >> i) & 1));
        }
    }
    std::vector<uint8_t> Bytes() const {
        std::vector<uint8_t> arr((arrBits.size() + 7) / 8, 0);
        for (size_t i = 0; i < arrBits.size(); i++) {
            arr[i / 8] |= uint8_t(arrBits[i] << (7 - i % 8));
        }
        return arr;
    }
};

void PutVm(CBitList& bits, uint32_t nValue) {
    if (nValue < 16) {
        bits.Put(0, 2);
        bits.Put(nValue, 4);
    } else if (nValue < 256) {
        bits.Put(1, 2);
        bits.Put(nValue, 8);
    } else if (nValue < 65536) {
        bits.Put(2, 2);
        bits.Put(nValue, 16);
    } else {
        bits.Put(3, 2);
        bits.Put(nValue, 32);
    }
}

uint32_t Crc(const std::vector<uint8_t>& arr) {
    return uint32_t(crc32(0, arr.data(), uInt(arr.size())));
}

// Sets the last four bytes of arr so that its CRC32 is nTarget: the CRC is affine in
// those 32 bits, so a GF(2) system is solved.
bool ForceCrc(std::vector<uint8_t>& arr, uint32_t nTarget) {
    const size_t n = arr.size();
    auto setTail = [&](uint32_t v) {
        for (int i = 0; i < 4; i++) {
            arr[n - 4 + size_t(i)] = uint8_t(v >> (8 * i));
        }
    };
    setTail(0);
    const uint32_t nBase = Crc(arr);
    std::array<uint32_t, 32> arrColumns{};
    for (int i = 0; i < 32; i++) {
        setTail(uint32_t(1) << i);
        arrColumns[size_t(i)] = Crc(arr) ^ nBase;
    }
    // Solve sum(x_i * column_i) = nTarget ^ nBase: a basis by leading bit, each vector with
    // the combination of columns it stands for.
    std::array<std::pair<uint32_t, uint32_t>, 32> arrBasis{};
    for (int i = 0; i < 32; i++) {
        uint32_t v = arrColumns[size_t(i)];
        uint32_t m = uint32_t(1) << i;
        for (int nBit = 31; nBit >= 0 && v; nBit--) {
            if (!((v >> nBit) & 1)) {
                continue;
            }
            if (arrBasis[size_t(nBit)].first == 0) {
                arrBasis[size_t(nBit)] = {v, m};
                break;
            }
            v ^= arrBasis[size_t(nBit)].first;
            m ^= arrBasis[size_t(nBit)].second;
        }
    }
    uint32_t nWant = nTarget ^ nBase;
    uint32_t nSolution = 0;
    for (int nBit = 31; nBit >= 0; nBit--) {
        if (!((nWant >> nBit) & 1)) {
            continue;
        }
        if (arrBasis[size_t(nBit)].first == 0) {
            return false;
        }
        nWant ^= arrBasis[size_t(nBit)].first;
        nSolution ^= arrBasis[size_t(nBit)].second;
    }
    setTail(nSolution);
    return Crc(arr) == nTarget;
}

}  // namespace

std::vector<uint8_t> CRar29StreamWriter::ProgramWithFingerprint(uint64_t nFingerprint) {
    const size_t nLength = size_t(nFingerprint >> 32);
    const uint32_t nCrc = uint32_t(nFingerprint);
    std::vector<uint8_t> arr(nLength, 0);
    for (uint32_t nTry = 0; nTry < 65536; nTry++) {
        arr[0] = uint8_t(nTry);
        arr[2] = uint8_t(nTry >> 8);
        if (!ForceCrc(arr, nCrc)) {
            continue;
        }
        uint8_t nXor = 0;
        for (size_t i = 1; i < nLength; i++) {
            nXor ^= arr[i];
        }
        if (nXor == arr[0] && (arr[1] & 0x80) == 0) {
            return arr;
        }
    }
    throw std::runtime_error("no program found");
}

void CRar29StreamWriter::Put(uint32_t nValue, int nBits) {
    for (int i = nBits - 1; i >= 0; i--) {
        m_nAcc = (m_nAcc << 1) | ((nValue >> i) & 1);
        if (++m_nAccBits == 8) {
            m_arrBytes.push_back(uint8_t(m_nAcc));
            m_nAcc = 0;
            m_nAccBits = 0;
        }
    }
}

void CRar29StreamWriter::Tables(bool bSwapped) {
    // Byte-aligned block header: LZ, tables not kept.
    if (m_nAccBits) {
        Put(0, 8 - m_nAccBits);
    }
    Put(0, 1);
    Put(0, 1);
    // Precode: symbols 0-11 four bits, 12-19 five bits (complete).
    for (int i = 0; i < 20; i++) {
        Put(i < 12 ? 4 : 5, 4);
    }
    uint32_t arrPre[20];
    uint32_t nCode = 0;
    for (int nLen = 4; nLen <= 5; nLen++) {
        for (int i = 0; i < 20; i++) {
            if ((i < 12 ? 4 : 5) == nLen) {
                arrPre[i] = nCode++;
            }
        }
        nCode <<= 1;
    }
    auto putPre = [&](int nSym) { Put(arrPre[nSym], nSym < 12 ? 4 : 5); };
    // Main code: 213 symbols of 8 bits, 86 of 9; swapped: the 8-bit ones are the last 213.
    for (int i = 0; i < 299; i++) {
        const bool bShort = bSwapped ? i >= 86 : i < 213;
        m_arrLengths[i] = bShort ? 8 : 9;
        putPre(m_arrLengths[i]);
    }
    for (int i = 299; i < 404; i++) {
        putPre(0);
    }
    nCode = 0;
    for (int nLen = 1; nLen <= 15; nLen++) {
        for (int i = 0; i < 299; i++) {
            if (m_arrLengths[i] == nLen) {
                m_arrCodes[i] = nCode++;
            }
        }
        nCode <<= 1;
    }
}

void CRar29StreamWriter::Symbol(int nSymbol) {
    Put(m_arrCodes[nSymbol], m_arrLengths[nSymbol]);
}

void CRar29StreamWriter::Literal(uint8_t nByte) {
    Symbol(nByte);
}

void CRar29StreamWriter::Literals(const std::vector<uint8_t>& arr) {
    for (uint8_t b : arr) {
        Literal(b);
    }
}

void CRar29StreamWriter::ShortMatch(uint32_t nDistance) {
    static const uint32_t BASES[8] = {0, 4, 8, 16, 32, 64, 128, 192};
    static const int BITS[8] = {2, 2, 3, 4, 5, 6, 6, 6};
    for (int i = 7; i >= 0; i--) {
        if (nDistance - 1 >= BASES[i]) {
            Symbol(263 + i);
            Put(nDistance - 1 - BASES[i], BITS[i]);
            return;
        }
    }
}

void CRar29StreamWriter::EndOfFile(bool bNewTables) {
    Symbol(256);
    Put(0, 1);
    Put(bNewTables ? 1 : 0, 1);
}

void CRar29StreamWriter::NewTablesFollow() {
    Symbol(256);
    Put(1, 1);
}

void CRar29StreamWriter::Filter(uint32_t nProgramNumber, uint32_t nStartOffset, uint32_t nBlockLength,
                                uint32_t nR0, const std::vector<uint8_t>& arrProgram) {
    CBitList bits;
    PutVm(bits, nProgramNumber);
    PutVm(bits, nStartOffset);
    PutVm(bits, nBlockLength);
    bits.Put(1, 7);  // register mask: R0
    PutVm(bits, nR0);
    if (!arrProgram.empty()) {
        PutVm(bits, uint32_t(arrProgram.size()));
        for (uint8_t b : arrProgram) {
            bits.Put(b, 8);
        }
    }
    const std::vector<uint8_t> arrRecord = bits.Bytes();
    // flags: program number present, block length present, registers present; the
    // record's length in the low bits (7: one more byte, 8: two more bytes).
    uint8_t nFlags = 0x80 | 0x20 | 0x10;
    Symbol(257);
    if (arrRecord.size() <= 6) {
        Put(nFlags | uint8_t(arrRecord.size() - 1), 8);
    } else if (arrRecord.size() < 7 + 256) {
        Put(nFlags | 6, 8);
        Put(uint32_t(arrRecord.size() - 7), 8);
    } else {
        Put(nFlags | 7, 8);
        Put(uint32_t(arrRecord.size()), 16);
    }
    for (uint8_t b : arrRecord) {
        Put(b, 8);
    }
}

std::vector<uint8_t> CRar29StreamWriter::Finish() {
    if (m_nAccBits) {
        Put(0, 8 - m_nAccBits);
    }
    std::vector<uint8_t> arr;
    arr.swap(m_arrBytes);
    return arr;
}
