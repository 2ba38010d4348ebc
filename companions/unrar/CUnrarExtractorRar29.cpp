// RAR 2.9 data of CUnrarExtractor: every compressed RAR 4.x entry our decoder reads (all of
// them in a solid set) is decoded by one CRar29Decoder in archive order (see CRar29Volumes.h);
// libarchive only lists them.
#include <zlib.h>

#include <algorithm>

#include "companions/unrar/CUnrarExtractor.h"
#include "third_party/rar29/CRar29Decoder.h"

const Rar29File* CUnrarExtractor::Rar29Info(const PlannedEntry& e) const {
    if (e.arrPieces.empty()) {
        return nullptr;
    }
    const RarFileBlock& first = *e.arrPieces.front();
    const Rar29File* pInfo =
        rar29.Find(set.arrVolumes[e.arrPieceVolumes.front()].pSource->Path(), first.nHeaderOffset);
    // Other compression versions are libarchive's, unless the set is solid (libarchive
    // cannot read those at all; the decoder then says why).
    const bool bOurs =
        pInfo && (pInfo->nUnpackVersion == 29 || pInfo->nUnpackVersion == 36 || pInfo->bSolidSet);
    return bOurs ? pInfo : nullptr;
}

bool CUnrarExtractor::DecodeRar29(PlannedEntry& e, const Rar29File& info,
                                  const std::function<bool(const uint8_t*, size_t)>& sink, uint32_t& nCrc,
                                  uint64_t& nBytes, Rar29Failure& failure) {
    bRar29Decoded = true;  // whatever happens, this entry had its turn
    if (info.bSolid && bSolidChainBroken) {
        failure.strProblem = "follows a file of the solid archive that could not be read";
        return false;
    }
    bSolidChainBroken = true;  // until this entry is decoded to its end
    if (!pRar29Decoder) {
        pRar29Decoder = std::make_unique<CRar29Decoder>();
    }
    const RarFileBlock& last = *e.arrPieces.back();
    if (last.nUnpackVersion != 29 && last.nUnpackVersion != 36) {
        failure.strProblem =
            "data of RAR compression version " + std::to_string(last.nUnpackVersion) + " is not supported";
        return false;
    }

    // The packed data of the entry's pieces, volume after volume.
    size_t nPiece = 0;
    uint64_t nOffset = e.arrPieces[0]->nDataOffset;
    uint64_t nLeft = e.arrPieces[0]->nPackedSize;
    uint32_t nPieceCrc = uint32_t(crc32(0L, Z_NULL, 0));
    const uint64_t nTotal = pFeed->Total() ? pFeed->Total() : 1;
    OnVolume(e.arrPieceVolumes[0]);
    auto read = [&](uint8_t* pBuffer, size_t nMax) -> int64_t {
        while (nLeft == 0) {
            const RarFileBlock& piece = *e.arrPieces[nPiece];
            // (The stored checksum of a piece of an encrypted entry is of its cipher text.)
            if (piece.bSplitAfter && piece.bHasCrc && !e.pDecrypted && nPieceCrc != piece.nCrc32) {
                e.bPackedCrcFailed = true;
                e.arrFailedVolumes.push_back(e.arrPieceVolumes[nPiece]);
            }
            if (++nPiece >= e.arrPieces.size()) {
                return 0;
            }
            nOffset = e.arrPieces[nPiece]->nDataOffset;
            nLeft = e.arrPieces[nPiece]->nPackedSize;
            nPieceCrc = uint32_t(crc32(0L, Z_NULL, 0));
            OnVolume(e.arrPieceVolumes[nPiece]);
        }
        const size_t v = e.arrPieceVolumes[nPiece];
        IRarVolumeSource& src = *set.arrVolumes[v].pSource;
        const int64_t nGot = src.ReadAt(nOffset, pBuffer, size_t(std::min<uint64_t>(nLeft, nMax)));
        if (nGot <= 0) {
            failure.bReadError = true;
            failure.strProblem =
                src.Path() + ": " +
                (nGot < 0 ? src.LastError() : std::string("the file is shorter than when it was opened"));
            return -1;
        }
        nPieceCrc = uint32_t(crc32_z(nPieceCrc, pBuffer, size_t(nGot)));
        nOffset += uint64_t(nGot);
        nLeft -= uint64_t(nGot);
        report.Progress(int(pFeed->StreamPositionOf(v, nOffset) * 100 / nTotal));
        return nGot;
    };

    if (!pRar29Decoder->BeginFile(last.nUnpackedSize, info.bSolid, info.nDictionary, read)) {
        failure.strProblem = pRar29Decoder->Error();
        return false;
    }
    arrCopyBuffer.resize(64 << 10);
    bool bSinkOpen = true;
    for (;;) {
        const int64_t n = pRar29Decoder->Read(arrCopyBuffer.data(), arrCopyBuffer.size());
        if (n == 0) {
            break;
        }
        if (n < 0) {
            if (!failure.bReadError) {
                failure.strProblem = pRar29Decoder->Error();
            }
            return false;
        }
        nCrc = uint32_t(crc32_z(nCrc, arrCopyBuffer.data(), size_t(n)));
        nBytes += uint64_t(n);
        if (bSinkOpen && !sink(arrCopyBuffer.data(), size_t(n))) {
            // A failed write ends the file, not the decoding: the next file needs the state.
            bSinkOpen = false;
            failure.bSinkFailed = true;
        }
    }
    // Pieces of a split entry: each piece before the last has a packed checksum, checked when
    // the piece has been read to its end (the decoder may stop short of its input's end).
    while (nPiece + 1 < e.arrPieces.size() && read(arrCopyBuffer.data(), arrCopyBuffer.size()) > 0) {
    }
    bSolidChainBroken = false;
    return !failure.bSinkFailed;
}

// An entry of a solid stream that is not extracted (a refused name, a failed write) is still
// decoded, so that the files after it can be.
void CUnrarExtractor::KeepRar29Chain(PlannedEntry& e) {
    const Rar29File* pInfo = Rar29Info(e);
    if (!pInfo || !pInfo->bSolidSet || bRar29Decoded) {
        return;
    }
    if (e.bEncrypted && (!e.pDecrypted || e.pDecrypted->eState != CDecryptedFile::State::Decrypted)) {
        bSolidChainBroken = true;
        return;
    }
    uint32_t nCrc = uint32_t(crc32(0L, Z_NULL, 0));
    uint64_t nBytes = 0;
    Rar29Failure failure;
    DecodeRar29(
        e, *pInfo, [](const uint8_t*, size_t) { return true; }, nCrc, nBytes, failure);
}
