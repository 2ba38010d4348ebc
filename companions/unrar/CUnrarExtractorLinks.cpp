// Symbolic links of CUnrarExtractor. RAR 5.0 keeps a link's target in the header (covered by
// the header's checksum); RAR 4.x keeps it as the entry's data with the data's CRC32, so the
// target is read or decoded here and checked before any link is made.
#include <archive_entry.h>

#include <algorithm>

#include "companions/unrar/CEntryPath.h"
#include "companions/unrar/CUnrarExtractor.h"
#include "companions/unrar/RarFormat.h"
#include "companions/unrar/UnrarContract.h"

namespace {

// Longer targets are not links any system makes.
constexpr size_t MAX_TARGET = 65536;

}  // namespace

void CUnrarExtractor::ReportCreateFailure(SafeStatus s, const std::string& rel, const std::string& shown) {
    if (s == SafeStatus::RefusedThroughLink) {
        report.Line(unrar::TEXT_ERROR_PREFIX + shown + unrar::TEXT_REFUSED_THROUGH_LINK);
        Fail(FAIL_DAMAGED);
    } else {
        report.Line(unrar::TEXT_CANNOT_CREATE + destination.DisplayPath(rel));
        Fail(FAIL_CREATE);
    }
}

bool CUnrarExtractor::ReadStoredTarget(const PlannedEntry& e, std::string& strTarget, std::string& strError) {
    strTarget.clear();
    for (size_t i = 0; i < e.arrPieces.size(); ++i) {
        const RarFileBlock& piece = *e.arrPieces[i];
        IRarVolumeSource& src = *set.arrVolumes[e.arrPieceVolumes[i]].pSource;
        if (strTarget.size() + piece.nPackedSize > MAX_TARGET) {
            return true;  // too long: the checks below refuse it
        }
        const size_t nAt = strTarget.size();
        strTarget.resize(nAt + size_t(piece.nPackedSize));
        const int64_t nGot = src.ReadAt(piece.nDataOffset, strTarget.data() + nAt, size_t(piece.nPackedSize));
        if (nGot != int64_t(piece.nPackedSize)) {
            strError =
                src.Path() + ": " +
                (nGot < 0 ? src.LastError() : std::string("the file is shorter than when it was opened"));
            return false;
        }
    }
    return true;
}

bool CUnrarExtractor::ExtractSymlink(PlannedEntry& e, archive_entry* pEntry, const std::string& rel,
                                     const std::string& shown) {
    const char* target = archive_entry_symlink_utf8(pEntry);
    if (!target) {
        target = archive_entry_symlink(pEntry);
    }
    std::string strTarget = target ? target : "";
    const RarFileBlock& last = *e.arrPieces.back();
    const bool bRar4 = set.arrVolumes[e.arrPieceVolumes.front()].info.eFormat == RarFormat::Rar4;
    bool bTargetSound = true;
    if (const Rar29File* pInfo = Rar29Info(e)) {
        // A compressed target (libarchive would hand out the packed bytes as the target).
        strTarget.clear();
        uint32_t nCrc = 0;  // the CRC32 of nothing
        uint64_t nBytes = 0;
        Rar29Failure failure;
        auto sink = [&strTarget](const uint8_t* p, size_t n) {
            if (strTarget.size() + n > MAX_TARGET) {
                return false;
            }
            strTarget.append(reinterpret_cast<const char*>(p), n);
            return true;
        };
        if (!DecodeRar29(e, *pInfo, sink, nCrc, nBytes, failure)) {
            if (failure.bReadError) {
                report.Line(unrar::TEXT_ERROR_PREFIX + failure.strProblem);
                Fail(FAIL_FATAL);
                return false;
            }
            bTargetSound = false;
        }
        bTargetSound = bTargetSound && (!last.bHasCrc || nCrc == last.nCrc32);
    } else if (bRar4) {
        // The stored target, read from the volumes: libarchive's copy is not checked, and a
        // target of another compression would come out as its packed bytes.
        std::string strError;
        if (!ReadStoredTarget(e, strTarget, strError)) {
            report.Line(unrar::TEXT_ERROR_PREFIX + strError);
            Fail(FAIL_FATAL);
            return false;
        }
        bool bStored = !e.bEncrypted || e.pDecrypted;
        for (const RarFileBlock* p : e.arrPieces) {
            bStored = bStored && p->bStored;
        }
        const auto* pBytes = reinterpret_cast<const uint8_t*>(strTarget.data());
        bTargetSound = bStored && !last.bSplitAfter && last.bUnpackedSizeKnown &&
                       strTarget.size() == last.nUnpackedSize && last.bHasCrc &&
                       rarformat::Crc32(pBytes, strTarget.size()) == last.nCrc32;
    }
    if (!bTargetSound) {
        if (e.pDecrypted && !e.pDecrypted->bPasswordVerified) {
            ReportWrongPassword(shown);
            return true;
        }
        report.Line(unrar::TEXT_ERROR_PREFIX + shown + unrar::TEXT_CRC_FAILED);
        Fail(FAIL_DAMAGED);
        return true;
    }
    if (bTest) {
        report.EntryStart(unrar::TEXT_TESTING, shown);
        report.EntryOk();
        return true;
    }
    if (!CEntryPath::LinkStaysInside(rel, strTarget)) {
        report.Line(unrar::TEXT_ERROR_PREFIX + shown + unrar::TEXT_REFUSED_LINK);
        Fail(FAIL_DAMAGED);
        return true;
    }
    report.EntryStart(unrar::TEXT_EXTRACTING, shown);
    SafeStatus s = destination.CreateSymlink(rel, strTarget);
    if (s != SafeStatus::Ok) {
        ReportCreateFailure(s, rel, shown);
        return true;
    }
    report.EntryOk();
    return true;
}
