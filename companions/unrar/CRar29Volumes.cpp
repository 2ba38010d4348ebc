#include "companions/unrar/CRar29Volumes.h"

#include <cstring>
#include <vector>

#include "companions/unrar/RarFormat.h"
#include "companions/unrar/decrypt/CPlainVolumeSource.h"

std::unique_ptr<IRarVolumeSource> CRar29Volumes::Wrap(std::unique_ptr<IRarVolumeSource> pSource) {
    // Only RAR 4.x volumes have files for our decoder; others are not walked twice.
    uint8_t arrSignature[sizeof rarformat::RAR4_SIGNATURE] = {};
    if (pSource->ReadAt(0, arrSignature, sizeof arrSignature) != int64_t(sizeof arrSignature) ||
        std::memcmp(arrSignature, rarformat::RAR4_SIGNATURE, sizeof arrSignature) != 0) {
        return pSource;
    }
    const RarVolumeInfo info = CRarBlockReader::ReadVolume(*pSource);
    if (info.eFormat != RarFormat::Rar4 || info.bHeadersEncrypted) {
        return pSource;
    }
    bool bSolidSet = info.bSolid;
    for (const RarFileBlock& f : info.arrFiles) {
        bSolidSet = bSolidSet || f.bSolid;
    }
    const std::string strPath = pSource->Path();
    for (const RarFileBlock& f : info.arrFiles) {
        if (!f.bDirectory && !f.bStored) {
            m_mapFiles[{strPath, f.nHeaderOffset}] =
                Rar29File{f.bSolid, f.nDictionary, f.nUnpackVersion, bSolidSet};
        }
    }
    if (!bSolidSet) {
        return pSource;
    }
    auto pView = std::make_unique<CPlainVolumeSource>(std::move(pSource));
    uint64_t nCursor = 0;
    std::vector<uint8_t> header;
    for (const RarFileBlock& f : info.arrFiles) {
        const uint64_t nHeaderSize = f.nDataOffset - f.nHeaderOffset;
        if (!f.bSolid || nHeaderSize < rarformat::rar4::BASE_SIZE ||
            nHeaderSize > rarformat::rar4::MAX_HEADER_SIZE) {
            continue;
        }
        header.resize(size_t(nHeaderSize));
        if (!pView->ReadLower(f.nHeaderOffset, header.data(), header.size())) {
            break;  // the block reader and libarchive will find the same fault
        }
        uint8_t& nFlagsLow = header[rarformat::rar4::BLOCK_FLAGS];  // FILE_SOLID is in the low byte
        nFlagsLow = uint8_t(nFlagsLow & ~rarformat::rar4::FILE_SOLID);
        rarformat::SetRar4HeaderCrc(header.data(), header.size());
        pView->AddCopy(nCursor, f.nHeaderOffset - nCursor);
        pView->AddLiteral(header);
        nCursor = f.nDataOffset;
    }
    pView->AddCopy(nCursor, pView->Lower().Size() - nCursor);
    return pView;
}

const Rar29File* CRar29Volumes::Find(const std::string& strPath, uint64_t nHeaderOffset) const {
    auto it = m_mapFiles.find({strPath, nHeaderOffset});
    return it == m_mapFiles.end() ? nullptr : &it->second;
}
