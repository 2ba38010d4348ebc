// Fuzz target: the RAR block reader on one volume (RAR 4.x and RAR 5.0 headers).
// Besides the sanitizers, it checks what callers rely on: a volume read as Ok has every
// entry's packed data inside the volume, and nothing lies beyond the last intact block.
#include <cstdlib>

#include "companions/unrar/CRarBlockReader.h"
#include "tests/fixtures/CMemoryVolumeSource.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    CMemoryVolumeSource source("fuzz.rar", std::string(reinterpret_cast<const char*>(pData), nSize));
    RarVolumeInfo info = CRarBlockReader::ReadVolume(source);
    if (info.nValidEnd > nSize) {
        std::abort();
    }
    for (const RarFileBlock& file : info.arrFiles) {
        if (file.nDataOffset > info.nValidEnd || file.nPackedSize > info.nValidEnd - file.nDataOffset) {
            std::abort();  // an entry listed with data beyond the intact part of the volume
        }
    }
    if (info.bHasEndBlock && info.nEndBlockOffset >= info.nValidEnd) {
        std::abort();
    }
    return 0;
}
