#pragma once
// Test helper: writes small RAR 2.9 LZ streams bit by bit, for what the real fixtures do
// not hold: filters, tables renewed or kept across solid files, matches reaching into
// the previous file. Only literals, the short matches (symbols 263-270), filter records
// (257) and the end-of-file marker (256) are written; the offset, low-offset and length
// codes are left empty.

#include <cstdint>
#include <vector>

class CRar29StreamWriter {
public:
    // An LZ block header with a main code in which the symbols up to nShortLast have 8
    // bits and the rest 9 (a complete code as long as 213 symbols are 8 bits long, which
    // nShortLast = 212 gives; nShortLast = 255 with the swap flag makes another one).
    void Tables(bool bSwapped = false);
    void Literal(uint8_t nByte);
    void Literals(const std::vector<uint8_t>& arr);
    // A match of two bytes at nDistance (1..256) back.
    void ShortMatch(uint32_t nDistance);
    // The end-of-file marker; bNewTables: the next file starts with tables.
    void EndOfFile(bool bNewTables);
    // Symbol 256 and a 1 bit: new tables follow in this stream (call Tables() next).
    void NewTablesFollow();
    // A filter record: program number (0 = forget all and send a new program), block
    // start relative to the current position, block length, R0 (channels), the program.
    void Filter(uint32_t nProgramNumber, uint32_t nStartOffset, uint32_t nBlockLength, uint32_t nR0,
                const std::vector<uint8_t>& arrProgram);
    // The bytes so far, the last one padded with zero bits; starts a new stream.
    std::vector<uint8_t> Finish();

    // A byte string that the decoder takes for the standard filter with this
    // fingerprint (CRC32 | length << 32) and the right check byte.
    static std::vector<uint8_t> ProgramWithFingerprint(uint64_t nFingerprint);

private:
    void Put(uint32_t nValue, int nBits);
    void PutVmNumber(std::vector<uint8_t>& arrBits, uint32_t nValue);
    void Symbol(int nSymbol);

    std::vector<uint8_t> m_arrBytes;
    uint32_t m_nAcc = 0;
    int m_nAccBits = 0;
    uint32_t m_arrCodes[299] = {};
    uint8_t m_arrLengths[299] = {};
};
