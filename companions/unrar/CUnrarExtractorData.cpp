// Entry data of CUnrarExtractor: reading an entry through libarchive or straight from the
// volumes (stored entries), checking its CRC32 and BLAKE2sp, writing it.
#include <archive.h>
#include <archive_entry.h>
#include <zlib.h>

#include <algorithm>

#include "companions/unrar/CUnrarExtractor.h"
#include "companions/unrar/UnrarContract.h"
#include "companions/unrar/crypto/CBlake2sp.h"

bool CUnrarExtractor::ExtractData(PlannedEntry& e, archive_entry* pEntry, const std::string& rel,
                                  const std::string& shown) {
    report.EntryStart(bTest ? unrar::TEXT_TESTING : unrar::TEXT_EXTRACTING, shown);
    bool bWriting = false;
    if (!bTest) {
        SafeStatus s = destination.BeginFile(rel);
        if (s == SafeStatus::RefusedThroughLink) {
            report.Line(unrar::TEXT_ERROR_PREFIX + shown + unrar::TEXT_REFUSED_THROUGH_LINK);
            Fail(FAIL_DAMAGED);
            return true;
        }
        if (s != SafeStatus::Ok) {
            report.Line(unrar::TEXT_CANNOT_CREATE + destination.DisplayPath(rel));
            Fail(FAIL_CREATE);
            return true;
        }
        bWriting = true;
    }
    uint32_t crc = uint32_t(crc32(0L, Z_NULL, 0));
    uint64_t nWritten = 0;
    bool bWriteFailed = false;
    uint64_t nTotal = pFeed->Total() ? pFeed->Total() : 1;
    bool bStored = !e.bEncrypted;
    for (const RarFileBlock* p : e.arrPieces) {
        bStored = bStored && p->bStored && p->bUnpackedSizeKnown;
    }
    // Archives made with BLAKE2sp carry its hash (instead of or besides the CRC32).
    const RarFileBlock* pLast = e.arrPieces.back();
    std::unique_ptr<CBlake2sp> pHash;
    // Without a password check value a wrong password shows only as damage: say so.
    const bool bPasswordUnverified = e.pDecrypted && !e.pDecrypted->bPasswordVerified;
    const bool bDecryptedHash = e.pDecrypted && e.pDecrypted->bHasBlake2;  // keyed with the password
    if ((pLast->bHasBlake2 || bDecryptedHash) && !pLast->bSplitAfter) {
        pHash = std::make_unique<CBlake2sp>();
    }
    // Compressed RAR 4.x entries: our RAR 2.9 decoder (see CRar29Volumes.h).
    const Rar29File* pRar29 = Rar29Info(e);
    if (pRar29) {
        Rar29Failure failure;
        auto sink = [&](const uint8_t* p, size_t n) {
            return !bWriting || destination.Write(p, n) == SafeStatus::Ok;
        };
        if (!DecodeRar29(e, *pRar29, sink, crc, nWritten, failure)) {
            if (failure.bSinkFailed) {
                bWriteFailed = true;
            } else {
                destination.AbortFile();
                if (failure.bReadError) {
                    report.Line(unrar::TEXT_ERROR_PREFIX + failure.strProblem);
                    Fail(FAIL_FATAL);
                    return false;
                }
                if (bPasswordUnverified) {
                    ReportWrongPassword(shown);
                    return true;
                }
                report.Line(unrar::TEXT_ERROR_PREFIX + shown + unrar::TEXT_DAMAGED_DATA + " (" +
                            failure.strProblem + ")");
                Fail(FAIL_DAMAGED);
                return true;
            }
        }
    } else if (bStored) {
        // Stored data is copied from the volumes in cache-sized chunks; libarchive then
        // steps over it with the feed's skip callback without reading it.
        if (!CopyStored(e, crc, pHash.get(), nWritten, bWriteFailed)) {
            return !bFatal;
        }
    }
    while (!bStored && !pRar29) {  // (libarchive steps over data read by other means)
        const void* pData = nullptr;
        size_t nSize = 0;
        la_int64_t nOffset = 0;
        int r = archive_read_data_block(pArchive, &pData, &nSize, &nOffset);
        if (r == ARCHIVE_EOF) {
            break;
        }
        if (r < ARCHIVE_WARN) {
            destination.AbortFile();
            if (bPasswordUnverified && !pFeed->ReadFailed() && !pFeed->AtEnd()) {
                ReportWrongPassword(shown);
                return true;
            }
            ReportDataFailure(shown);
            return r > ARCHIVE_FATAL && !bFatal;
        }
        // Gaps (never written by RAR, but allowed by the interface) read as zeros.
        while (uint64_t(nOffset) > nWritten) {
            size_t gap = size_t(std::min<uint64_t>(uint64_t(nOffset) - nWritten, 1 << 16));
            arrZeros.resize(1 << 16);
            crc = uint32_t(crc32_z(crc, reinterpret_cast<const Bytef*>(arrZeros.data()), gap));
            if (bWriting && !bWriteFailed && destination.Write(arrZeros.data(), gap) != SafeStatus::Ok) {
                bWriteFailed = true;
            }
            nWritten += gap;
        }
        if (nSize == 0) {
            continue;  // zlib's crc32 of a null buffer is 0, not the running value
        }
        crc = uint32_t(crc32_z(crc, static_cast<const Bytef*>(pData), nSize));
        if (pHash) {
            pHash->Update(static_cast<const uint8_t*>(pData), nSize);
        }
        if (bWriting && !bWriteFailed && destination.Write(pData, nSize) != SafeStatus::Ok) {
            bWriteFailed = true;
        }
        nWritten += nSize;
        report.Progress(int(pFeed->Position() * 100 / nTotal));
        if (bWriteFailed) {
            break;
        }
    }
    if (bWriteFailed) {
        destination.AbortFile();
        report.Line(unrar::TEXT_WRITE_ERROR + destination.DisplayPath(rel));
        Fail(FAIL_WRITE);
        return true;
    }
    bool bCrcFailed = pLast->bHasCrc && !pLast->bSplitAfter && crc != pLast->nCrc32;
    const std::array<uint8_t, 32> digest = pHash ? pHash->Final() : std::array<uint8_t, 32>{};
    if (pHash && pLast->bHasBlake2 && digest != pLast->arrBlake2) {
        bCrcFailed = true;
    }
    if (e.pDecrypted && !pLast->bSplitAfter) {
        // Encrypted RAR 5.0 entries keep their checksums keyed with the password.
        bCrcFailed = bCrcFailed || !e.pDecrypted->ChecksumsMatch(crc, bDecryptedHash ? &digest : nullptr);
    }
    bool bSizeWrong = pLast->bUnpackedSizeKnown && nWritten != pLast->nUnpackedSize;
    if (e.bPackedCrcFailed || bCrcFailed || bSizeWrong || pLast->bSplitAfter) {
        destination.AbortFile();
        for (size_t v : e.arrFailedVolumes) {
            report.Line(shown + unrar::TEXT_PACKED_CRC_FAILED + set.arrVolumes[v].pSource->Path());
        }
        if (pLast->bSplitAfter) {
            ReportSetEnd();  // the entry goes on in a volume that is not there
            return true;
        }
        if (bPasswordUnverified && !e.bPackedCrcFailed) {
            ReportWrongPassword(shown);
            return true;
        }
        report.Line(unrar::TEXT_ERROR_PREFIX + shown + unrar::TEXT_CRC_FAILED);
        Fail(FAIL_DAMAGED);
        return true;
    }
    if (bWriting) {
        SafeStatus s = destination.CommitFile(archive_entry_perm(pEntry), archive_entry_mtime(pEntry),
                                              archive_entry_mtime_is_set(pEntry));
        if (s == SafeStatus::WriteError) {
            report.Line(unrar::TEXT_WRITE_ERROR + destination.DisplayPath(rel));
            Fail(FAIL_WRITE);
            return true;
        }
        if (s != SafeStatus::Ok) {
            report.Line(unrar::TEXT_CANNOT_CREATE + destination.DisplayPath(rel));
            Fail(FAIL_CREATE);
            return true;
        }
    }
    report.EntryOk();
    return true;
}

bool CUnrarExtractor::CopyStored(PlannedEntry& e, uint32_t& nCrc, CBlake2sp* pHash, uint64_t& nBytes,
                                 bool& bWriteFailed) {
    // Two buffers: the next chunk is read (and, for an encrypted set, decrypted) on the
    // read-ahead thread while this one is checked and written. Chunks small enough to stay
    // in the cache between read, CRC and write.
    const size_t CHUNK = 256 << 10;
    arrCopyBuffer.resize(2 * CHUNK);
    uint8_t* arrBuffers[2] = {arrCopyBuffer.data(), arrCopyBuffer.data() + CHUNK};
    if (!pReadAhead) {
        pReadAhead = std::make_unique<CReadAhead>();
    }
    uint64_t nTotal = pFeed->Total() ? pFeed->Total() : 1;
    for (size_t i = 0; i < e.arrPieces.size(); ++i) {
        const RarFileBlock& piece = *e.arrPieces[i];
        size_t v = e.arrPieceVolumes[i];
        IRarVolumeSource& src = *set.arrVolumes[v].pSource;
        OnVolume(v);
        uint32_t pieceCrc = uint32_t(crc32(0L, Z_NULL, 0));
        uint64_t off = piece.nDataOffset;
        uint64_t left = piece.nPackedSize;
        int nCurrent = 0;
        if (left > 0) {
            pReadAhead->Start(src, off, arrBuffers[0], size_t(std::min<uint64_t>(left, CHUNK)));
        }
        while (left > 0) {
            const int64_t got = pReadAhead->Wait();
            if (got <= 0) {
                destination.AbortFile();
                report.Line(
                    unrar::TEXT_ERROR_PREFIX + src.Path() + ": " +
                    (got < 0 ? src.LastError() : std::string("the file is shorter than when it was opened")));
                Fail(FAIL_FATAL);
                return false;
            }
            const size_t n = size_t(got);
            const uint8_t* pData = arrBuffers[nCurrent];
            if (left > n) {
                pReadAhead->Start(src, off + n, arrBuffers[1 - nCurrent],
                                  size_t(std::min<uint64_t>(left - n, CHUNK)));
            }
            pieceCrc = uint32_t(crc32_z(pieceCrc, pData, n));
            if (pHash) {
                pHash->Update(pData, n);
            }
            if (!bTest && !bWriteFailed && destination.Write(pData, n) != SafeStatus::Ok) {
                bWriteFailed = true;
                pReadAhead->Wait();  // the other buffer may still be filled
                return true;
            }
            nBytes += n;
            off += n;
            left -= n;
            nCurrent = 1 - nCurrent;
            report.Progress(int(pFeed->StreamPositionOf(v, off) * 100 / nTotal));
        }
        // One pass over the data: the entry's CRC is the piece CRCs combined.
        nCrc = uint32_t(crc32_combine(nCrc, pieceCrc, z_off_t(piece.nPackedSize)));
        // (The stored checksum of a piece of an encrypted entry is of its cipher text.)
        if (piece.bSplitAfter && piece.bHasCrc && !e.pDecrypted && pieceCrc != piece.nCrc32) {
            e.bPackedCrcFailed = true;
            e.arrFailedVolumes.push_back(v);
        }
    }
    return true;
}
