// Fuzz target: the ZIP central-directory reader of the unzip library (CZipLayout), on a
// memory file. Besides the sanitizers: a layout read as Ok has every entry's data inside
// the file, and one that passes the overlap check has no two entries sharing bytes.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "companions/unzdll/CZipLayout.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    static int s_fd = memfd_create("fuzz.zip", 0);
    if (s_fd < 0 || ftruncate(s_fd, 0) != 0 || pwrite(s_fd, pData, nSize, 0) != ssize_t(nSize)) {
        return 0;
    }
    CZipLayout layout;
    if (layout.Read(s_fd, nSize) != CZipLayout::EStatus::Ok) {
        return 0;
    }
    for (const CZipLayout::Entry& entry : layout.arrEntries) {
        if (entry.nDataOffset > nSize || entry.nCompressedSize > nSize - entry.nDataOffset ||
            entry.nLocalOffset >= entry.nDataOffset) {
            std::abort();
        }
        if (entry.eNameCheck == CZipLayout::ENameCheck::Same && !entry.strLocalName.empty()) {
            std::abort();
        }
    }
    if (layout.CheckNoOverlap()) {
        std::vector<std::pair<uint64_t, uint64_t>> arrRanges;
        for (const CZipLayout::Entry& entry : layout.arrEntries) {
            arrRanges.emplace_back(entry.nLocalOffset, entry.nDataOffset + entry.nCompressedSize);
        }
        std::sort(arrRanges.begin(), arrRanges.end());
        for (size_t i = 1; i < arrRanges.size(); ++i) {
            if (arrRanges[i].first < arrRanges[i - 1].second) {
                std::abort();  // passed the overlap check with shared bytes
            }
        }
    }
    return 0;
}
