#include "tests/companions/rar29/Rar29Fixtures.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "companions/unrar/IRarVolumeSource.h"
#include "companions/unrar/decrypt/CRarDecryption.h"

std::string FixturePath(const std::string& strName) {
    return std::string(HARVEX_SHARED_FIXTURES) + "/rar/" + strName;
}

uint32_t Crc32Of(const std::vector<uint8_t>& arrData) {
    return uint32_t(crc32_z(crc32(0L, Z_NULL, 0), arrData.data(), arrData.size()));
}

std::vector<CPackedEntry> LoadEntries(const std::string& strArchive, const std::string& strPassword) {
    std::string strError;
    std::unique_ptr<IRarVolumeSource> pSource;
    std::unique_ptr<CRarDecryption> pDecryption;
    if (strPassword.empty()) {
        pSource = CFileVolumeSource::Open(FixturePath(strArchive), strError);
    } else {
        pDecryption = std::make_unique<CRarDecryption>(strPassword);
        pSource = pDecryption->OpenVolume(FixturePath(strArchive), strError);
    }
    std::vector<CPackedEntry> arrEntries;
    if (!pSource) {
        return arrEntries;
    }
    const RarVolumeInfo info = CRarBlockReader::ReadVolume(*pSource);
    for (const RarFileBlock& block : info.arrFiles) {
        if (block.bDirectory) {
            continue;
        }
        CPackedEntry entry;
        entry.block = block;
        entry.arrPacked.resize(size_t(block.nPackedSize));
        if (pSource->ReadAt(block.nDataOffset, entry.arrPacked.data(), entry.arrPacked.size()) !=
            int64_t(entry.arrPacked.size())) {
            return {};
        }
        arrEntries.push_back(std::move(entry));
    }
    return arrEntries;
}

CRar29Decoder::Reader VectorReader(const std::vector<uint8_t>& arrData, size_t nChunk) {
    auto pPos = std::make_shared<size_t>(0);
    return [&arrData, nChunk, pPos](uint8_t* pBuffer, size_t nMax) -> int64_t {
        const size_t n = std::min({nMax, nChunk, arrData.size() - *pPos});
        if (n > 0) {
            std::memcpy(pBuffer, arrData.data() + *pPos, n);
        }
        *pPos += n;
        return int64_t(n);
    };
}

CDecodeResult DecodeEntry(CRar29Decoder& decoder, const RarFileBlock& block,
                          const std::vector<uint8_t>& arrPacked, size_t nReadSize, size_t nChunk) {
    CDecodeResult result;
    result.bBegun = decoder.BeginFile(block.nUnpackedSize, block.bSolid, block.nDictionary,
                                      VectorReader(arrPacked, nChunk));
    if (!result.bBegun) {
        result.strError = decoder.Error();
        return result;
    }
    std::vector<uint8_t> arrBuffer(nReadSize);
    for (;;) {
        const int64_t n = decoder.Read(arrBuffer.data(), arrBuffer.size());
        if (n < 0) {
            result.strError = decoder.Error();
            return result;
        }
        if (n == 0) {
            break;
        }
        result.arrOut.insert(result.arrOut.end(), arrBuffer.begin(), arrBuffer.begin() + n);
    }
    result.bOk = true;
    return result;
}
