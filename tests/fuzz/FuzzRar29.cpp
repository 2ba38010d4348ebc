// Fuzz target: the RAR 2.9 decoder. The first four bytes choose how the input is used:
// byte 0 the number of files (1..4) decoded one after the other as a solid stream, byte 1
// the dictionary (64 KiB << (bits & 7)), bytes 2-3 the unpacked size of each file in KiB
// (at most 256 KiB). The rest is the packed data, split evenly between the files.
// Besides the sanitizers: Read never hands out more than asked, nor more than the size.
#include <cstdlib>
#include <vector>

#include "third_party/rar29/CRar29Decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    if (nSize < 4) {
        return 0;
    }
    const size_t nFiles = 1 + pData[0] % 4;
    const uint32_t nDictionary = uint32_t(64 * 1024) << (pData[1] & 7);
    const uint64_t nUnpacked = (uint64_t(pData[2] | (pData[3] << 8)) % 256 + 1) * 1024;
    pData += 4;
    nSize -= 4;
    const size_t nPart = nSize / nFiles;
    // One decoder for every input, as one serves a whole archive: each input starts with a
    // file that is not solid, which resets it. (A new decoder per input spends most of the
    // time mapping its window afresh.)
    static CRar29Decoder decoder;
    std::vector<uint8_t> arrOut(64 * 1024);
    bool bPreviousWhole = false;
    for (size_t nFile = 0; nFile < nFiles; ++nFile) {
        const uint8_t* pPacked = pData + nFile * nPart;
        size_t nLeft = nFile + 1 == nFiles ? nSize - nFile * nPart : nPart;
        auto read = [&](uint8_t* pBuffer, size_t nMax) -> int64_t {
            size_t n = std::min(nMax, nLeft);
            std::copy(pPacked, pPacked + n, pBuffer);
            pPacked += n;
            nLeft -= n;
            return int64_t(n);
        };
        if (!decoder.BeginFile(nUnpacked, nFile > 0 && bPreviousWhole, nDictionary, read)) {
            return 0;
        }
        uint64_t nTotal = 0;
        bPreviousWhole = false;
        for (;;) {
            int64_t n = decoder.Read(arrOut.data(), arrOut.size());
            if (n < 0) {
                break;
            }
            if (uint64_t(n) > arrOut.size() || nTotal + uint64_t(n) > nUnpacked) {
                std::abort();
            }
            nTotal += uint64_t(n);
            if (n == 0) {
                bPreviousWhole = nTotal == nUnpacked;
                break;
            }
        }
    }
    return 0;
}
