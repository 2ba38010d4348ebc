#include "companions/unrar/CSolidRar4.h"

#include "companions/unrar/decrypt/CPlainVolumeSource.h"
#include "companions/unrar/decrypt/RarHeaderEditor.h"

#include <vector>

std::unique_ptr<IRarVolumeSource> CSolidRar4::Wrap(std::unique_ptr<IRarVolumeSource> pSource) {
    const RarVolumeInfo info = CRarBlockReader::ReadVolume(*pSource);
    if (info.eFormat != RarFormat::Rar4 || info.bHeadersEncrypted) {
        return pSource;
    }
    bool bAnySolid = info.bSolid;
    for (const RarFileBlock& f : info.arrFiles) {
        bAnySolid = bAnySolid || f.bSolid;
    }
    if (!bAnySolid) {
        return pSource;
    }
    const std::string strPath = pSource->Path();
    auto pView = std::make_unique<CPlainVolumeSource>(std::move(pSource));
    uint64_t nCursor = 0;
    std::vector<uint8_t> header;
    for (const RarFileBlock& f : info.arrFiles) {
        m_mapFiles[{strPath, f.nHeaderOffset}] = SolidRar4File{f.bSolid, f.nDictionary};
        const uint64_t nHeaderSize = f.nDataOffset - f.nHeaderOffset;
        if (!f.bSolid || nHeaderSize < 7 || nHeaderSize > 0xFFFF) {
            continue;
        }
        header.resize(size_t(nHeaderSize));
        if (!pView->ReadLower(f.nHeaderOffset, header.data(), header.size())) {
            break;  // the block reader and libarchive will find the same fault
        }
        header[3] = uint8_t(header[3] & ~FILE_SOLID);
        rarheader::SetRar4HeaderCrc(header);
        pView->AddCopy(nCursor, f.nHeaderOffset - nCursor);
        pView->AddLiteral(header);
        nCursor = f.nDataOffset;
    }
    pView->AddCopy(nCursor, pView->Lower().Size() - nCursor);
    return pView;
}

const SolidRar4File* CSolidRar4::Find(const std::string& strPath, uint64_t nHeaderOffset) const {
    auto it = m_mapFiles.find({strPath, nHeaderOffset});
    return it == m_mapFiles.end() ? nullptr : &it->second;
}
