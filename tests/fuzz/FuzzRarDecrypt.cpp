// Fuzz target: the decrypting layer. The input is an encrypted (or plain) RAR volume,
// opened with the password "fuzz"; the plain volume it hands out is walked by the block
// reader and read from start to end in uneven pieces, and read again at a few offsets:
// random access must give the same bytes as the sequential read.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "companions/unrar/CRarBlockReader.h"
#include "companions/unrar/decrypt/CRarDecryption.h"
#include "tests/fixtures/CMemoryVolumeSource.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    CRarDecryption decryption("fuzz");
    std::unique_ptr<IRarVolumeSource> pPlain = decryption.Wrap(std::make_unique<CMemoryVolumeSource>(
        "fuzz.rar", std::string(reinterpret_cast<const char*>(pData), nSize)));
    if (!pPlain) {
        return 0;
    }
    RarVolumeInfo info = CRarBlockReader::ReadVolume(*pPlain);
    (void)info;
    const uint64_t nPlainSize = std::min<uint64_t>(pPlain->Size(), 8 * 1024 * 1024);
    std::vector<uint8_t> arrAll;
    arrAll.reserve(size_t(nPlainSize));
    uint8_t aBuffer[4099];
    size_t nStep = 1;
    while (arrAll.size() < nPlainSize) {
        size_t nWant = std::min<uint64_t>(nStep, nPlainSize - arrAll.size());
        int64_t n = pPlain->ReadAt(arrAll.size(), aBuffer, nWant);
        if (n <= 0) {
            return 0;  // a read error ends the walk (damaged input)
        }
        if (uint64_t(n) > nWant) {
            std::abort();
        }
        arrAll.insert(arrAll.end(), aBuffer, aBuffer + n);
        nStep = nStep * 3 % 4099 + 1;
    }
    for (uint64_t nAt : {nPlainSize / 3, nPlainSize / 2 + 7, nPlainSize > 20 ? nPlainSize - 20 : 0}) {
        size_t nWant = std::min<uint64_t>(sizeof aBuffer, nPlainSize - nAt);
        int64_t n = pPlain->ReadAt(nAt, aBuffer, nWant);
        if (n > 0 && std::memcmp(aBuffer, arrAll.data() + nAt, size_t(n)) != 0) {
            std::abort();  // the same offset read twice gave different bytes
        }
    }
    return 0;
}
