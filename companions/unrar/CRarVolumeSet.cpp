#include "companions/unrar/CRarVolumeSet.h"

#include "companions/unrar/CRarVolumeNames.h"

void CRarVolumeSet::Open(const std::string& strFirstPath, SourceOpener opener) {
    if (!opener) {
        opener = [](const std::string& path, std::string& err) -> std::unique_ptr<IRarVolumeSource> {
            return CFileVolumeSource::Open(path, err);
        };
    }
    arrVolumes.clear();
    eEnd = RarSetEnd::Complete;
    strEndPath.clear();
    strEndError.clear();

    std::string path = strFirstPath;
    while (true) {
        std::string err;
        std::unique_ptr<IRarVolumeSource> src = opener(path, err);
        if (!src) {
            eEnd = arrVolumes.empty() ? RarSetEnd::CannotOpen : RarSetEnd::MissingVolume;
            strEndPath = path;
            strEndError = err;
            return;
        }
        RarVolumeInfo info = CRarBlockReader::ReadVolume(*src);
        if (info.eStatus == RarScanStatus::NotRar || info.eStatus == RarScanStatus::ReadError) {
            eEnd = arrVolumes.empty() ? RarSetEnd::NotRar : RarSetEnd::WrongVolume;
            strEndPath = path;
            strEndError = info.strError;
            return;
        }
        if (!arrVolumes.empty()) {
            const RarVolumeInfo& prev = arrVolumes.back().info;
            bool bSameFormat = info.eFormat == prev.eFormat;
            bool bNumberFits =
                info.eFormat != RarFormat::Rar5 || info.nVolumeNumber == prev.nVolumeNumber + 1;
            if (!bSameFormat || !info.bVolume || info.bFirstVolume || !bNumberFits) {
                eEnd = RarSetEnd::WrongVolume;
                strEndPath = path;
                strEndError = "not the next volume of the set";
                return;
            }
        }
        RarScanStatus status = info.eStatus;
        bool bMore = info.bVolume && info.bMoreVolumes;
        // An end block that says more volumes follow in an archive whose main header says it
        // is no volume: one of the two is wrong, and the set cannot be known complete.
        const bool bFlagsDisagree = status == RarScanStatus::Ok && info.bMoreVolumes && !info.bVolume;
        bool bNewNumbering = info.bNewNumbering;
        arrVolumes.push_back({std::move(src), std::move(info)});
        if (status == RarScanStatus::HeadersEncrypted) {
            eEnd = RarSetEnd::HeadersEncrypted;
            strEndPath = path;
            return;
        }
        if (status != RarScanStatus::Ok || bFlagsDisagree) {
            eEnd = RarSetEnd::Damaged;
            strEndPath = path;
            strEndError = bFlagsDisagree ? "the end block says more volumes follow; the archive is no volume"
                                         : arrVolumes.back().info.strError;
            return;
        }
        if (!bMore) {
            return;
        }
        std::string next = CRarVolumeNames::NextVolumeName(path, bNewNumbering);
        if (next.empty() || next == path || arrVolumes.size() >= MAX_VOLUMES) {
            eEnd = RarSetEnd::MissingVolume;
            strEndPath = next.empty() ? path : next;
            strEndError = "no name for the next volume";
            return;
        }
        path = next;
    }
}
