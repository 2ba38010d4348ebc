#include "companions/unrar/CUnrarExtractor.h"

#include <archive.h>
#include <archive_entry.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>

#include "companions/unrar/CEntryPath.h"
#include "companions/unrar/UnrarContract.h"
#include "companions/unrar/crypto/CBlake2sp.h"
#include "companions/unrar/decrypt/RarHeaderEditor.h"
#include "third_party/rar29/CRar29Decoder.h"

namespace {

std::string AbsolutePath(const std::string& path) {
    if (!path.empty() && path[0] == '/') {
        return path;
    }
    char buf[4096];
    if (::getcwd(buf, sizeof buf) == nullptr) {
        return path;
    }
    std::string cwd = buf;
    std::string rel = path;
    while (rel.compare(0, 2, "./") == 0) {
        rel.erase(0, 2);
    }
    return cwd == "/" ? "/" + rel : cwd + "/" + rel;
}

}  // namespace

CUnrarExtractor::CUnrarExtractor(const UnrarOptions& o, CConsoleReport& r)
    : options(o), report(r), bTest(o.eCommand == UnrarOptions::Command::Test) {}

CUnrarExtractor::~CUnrarExtractor() {
    if (pArchive) {
        archive_read_free(pArchive);
    }
}

void CUnrarExtractor::Fail(int nKind) {
    ++nErrors;
    switch (nKind) {
        case FAIL_DAMAGED:
            bDamaged = true;
            break;
        case FAIL_WRITE:
            bWriteError = true;
            break;
        case FAIL_CREATE:
            bCreateError = true;
            break;
        default:
            bFatal = true;
            break;
    }
}

int CUnrarExtractor::ExitCode() {
    if (nErrors == 0) {
        return unrar::EXIT_OK;
    }
    if (bDamaged) {
        return unrar::EXIT_DAMAGED;
    }
    if (bFatal) {
        return unrar::EXIT_FATAL;
    }
    if (bWriteError) {
        return unrar::EXIT_WRITE_ERROR;
    }
    return unrar::EXIT_CREATE_ERROR;
}

// Groups the file blocks of the volumes into entries and decides which bytes libarchive
// sees: pieces of an entry that began before the volume given are left out (and warned
// about when their volume is opened). Where a volume ends between two entries, its end
// block and the next volume's signature and main header are left out too, so libarchive
// reads on as in one archive: it stops at the end block of a RAR 4.x volume that ends
// between entries, and it loses its place at small RAR 5.0 volumes. Where an entry goes on
// in the next volume, libarchive sees the volume change; a RAR 5.0 main header shown then
// carries the number libarchive counts to (rewritten when volumes were left out before).
void CUnrarExtractor::PlanEntries() {
    size_t nVolumes = set.arrVolumes.size();
    arrOrphansByVolume.assign(nVolumes, {});
    pFeed = std::make_unique<CRarByteFeed>();
    int openEntry = -1;
    // An entry that began before the volume given is left out with everything up to its
    // last piece, end-of-archive blocks and volume headers included, so that libarchive
    // sees the first volume's main header followed by the first entry it can extract.
    bool bInOrphan = false;
    bool bPrevOpen = false;    // the volume before ended inside an entry that goes on here
    int64_t nNextNumber = -1;  // RAR 5.0: the volume number libarchive expects next
    struct WatchTag {
        size_t nEntry;
        size_t nVolume;
    };
    auto tags = std::make_shared<std::vector<WatchTag>>();
    for (size_t v = 0; v < nVolumes; ++v) {
        const RarVolumeInfo& info = set.arrVolumes[v].info;
        IRarVolumeSource* pSource = set.arrVolumes[v].pSource.get();
        uint64_t cursor = 0;
        if (v > 0 && !bPrevOpen) {
            cursor = info.nMainHeaderEnd;  // between two entries: no volume change shown
        } else if (v > 0 && info.eFormat == RarFormat::Rar5 && info.nVolumeNumber != nNextNumber) {
            cursor = AddRenumberedMainHeader(v, uint64_t(nNextNumber));
        }
        if (v == 0) {
            nNextNumber = info.nVolumeNumber + 1;
        } else if (bPrevOpen) {
            ++nNextNumber;  // a main header shown
        }
        for (const RarFileBlock& b : info.arrFiles) {
            bool bContinues =
                b.bSplitBefore && openEntry >= 0 && arrPlan[size_t(openEntry)].arrPieces.back()->bSplitAfter;
            if (b.bSplitBefore && !bContinues) {
                if (!bInOrphan) {
                    arrOrphansByVolume[v].push_back(b.strName);
                    pFeed->AddRange({pSource, v, cursor, b.nHeaderOffset});
                }
                bInOrphan = b.bSplitAfter;
                cursor = b.nDataOffset + b.nPackedSize;
                openEntry = -1;
                continue;
            }
            if (bInOrphan) {
                // The chain ended without its last piece; what follows is extractable again.
                bInOrphan = false;
                cursor = b.nHeaderOffset;
            }
            if (!bContinues) {
                arrPlan.emplace_back();
                arrPlan.back().strName = b.strName;
                openEntry = int(arrPlan.size() - 1);
            }
            PlannedEntry& e = arrPlan[size_t(openEntry)];
            e.arrPieces.push_back(&b);
            e.arrPieceVolumes.push_back(v);
            e.bEncrypted = e.bEncrypted || b.encryption.bPresent;
            // A decrypted piece: the last one's checksums count, unless an earlier piece
            // could not be decrypted.
            const CDecryptedFile* pInfo =
                pDecryption ? pDecryption->FindFile(pSource->Path(), b.nHeaderOffset) : nullptr;
            if (pInfo && (!e.pDecrypted || e.pDecrypted->eState == CDecryptedFile::State::Decrypted)) {
                e.pDecrypted = pInfo;
            }
            // The checksum of a piece of an encrypted entry is of its cipher text.
            if (b.bSplitAfter && b.bHasCrc && !b.encryption.bPresent && !pInfo) {
                pFeed->AddWatchedRange(
                    {v, b.nDataOffset, b.nDataOffset + b.nPackedSize, b.nCrc32, tags->size()});
                tags->push_back({size_t(openEntry), v});
            }
        }
        bPrevOpen = !bInOrphan && !info.arrFiles.empty() && info.arrFiles.back().bSplitAfter;
        if (!bInOrphan) {
            const bool bLast = v + 1 == nVolumes;
            const uint64_t end =
                bLast || bPrevOpen || !info.bHasEndBlock ? info.nValidEnd : info.nEndBlockOffset;
            pFeed->AddRange({pSource, v, cursor, end});
        }
    }
    pFeed->onVolume = [this](size_t v) { OnVolume(v); };
    pFeed->onWatchedMismatch = [this, tags](size_t tag) {
        PlannedEntry& e = arrPlan[(*tags)[tag].nEntry];
        e.bPackedCrcFailed = true;
        e.arrFailedVolumes.push_back((*tags)[tag].nVolume);
    };
}

// Hands libarchive the signature and a copy of volume v's RAR 5.0 main header that carries
// nNumber; returns where the volume goes on after its main header.
uint64_t CUnrarExtractor::AddRenumberedMainHeader(size_t v, uint64_t nNumber) {
    const RarVolumeInfo& info = set.arrVolumes[v].info;
    IRarVolumeSource* pSource = set.arrVolumes[v].pSource.get();
    std::vector<uint8_t> header(size_t(info.nMainHeaderEnd - info.nMainHeaderOffset));
    std::optional<std::vector<uint8_t>> renumbered;
    if (pSource->ReadAt(info.nMainHeaderOffset, header.data(), header.size()) == int64_t(header.size())) {
        renumbered = rarheader::SetRar5VolumeNumber(header.data(), header.size(), nNumber);
    }
    if (!renumbered) {
        return 0;  // shown as stored; libarchive then stops there and the run says so
    }
    pFeed->AddRange({pSource, v, 0, info.nMainHeaderOffset});
    auto pLiteral = std::make_shared<const std::vector<uint8_t>>(std::move(*renumbered));
    pFeed->AddRange({pSource, v, 0, pLiteral->size(), pLiteral});
    return info.nMainHeaderEnd;
}

void CUnrarExtractor::OnVolume(size_t nVolume) {
    if (nLastVolumeShown != SIZE_MAX && nVolume <= nLastVolumeShown) {
        return;  // announced already (by a stored copy running ahead of libarchive)
    }
    for (size_t v = nLastVolumeShown == SIZE_MAX ? 0 : nLastVolumeShown + 1; v <= nVolume; ++v) {
        report.VolumeStart(set.arrVolumes[v].pSource->Path(), bTest);
        for (const std::string& name : arrOrphansByVolume[v]) {
            report.Line(unrar::TEXT_START_FROM_PREVIOUS + name);
            Fail(FAIL_DAMAGED);
        }
    }
    nLastVolumeShown = nVolume;
}

bool CUnrarExtractor::OpenDestination() {
    if (bDestinationOpen) {
        return true;
    }
    if (bDestinationFailed) {
        return false;
    }
    std::string dest = options.strDestination.empty() ? std::string(".") : options.strDestination;
    if (destination.Open(dest) != SafeStatus::Ok) {
        bDestinationFailed = true;
        report.Line(unrar::TEXT_CANNOT_CREATE + dest);
        Fail(FAIL_CREATE);
        return false;
    }
    bDestinationOpen = true;
    return true;
}

// The answer to an encrypted entry (or encrypted headers) that this program cannot read.
void CUnrarExtractor::ReportPassword(const std::string& strName) {
    if (!options.bPasswordGiven && !options.bNeverAskPassword && !bPasswordAnswered && !bPasswordEof) {
        report.Prompt(std::string(unrar::TEXT_PASSWORD_PROMPT) + strName + unrar::TEXT_PASSWORD_PROMPT_END);
        std::string line;
        char c = 0;
        ssize_t n = 0;
        while ((n = ::read(STDIN_FILENO, &c, 1)) == 1 && c != '\n') {
            line += c;
        }
        if (n == 1 || !line.empty()) {
            bPasswordAnswered = true;
            strAnsweredPassword = line;
        } else {
            bPasswordEof = true;
        }
        report.Line("");
    }
    if (options.bPasswordGiven || bPasswordAnswered) {
        report.Line(unrar::TEXT_ERROR_PREFIX + strName + unrar::TEXT_CANNOT_DECRYPT);
    } else {
        report.Line(unrar::TEXT_ERROR_PREFIX + strName + unrar::TEXT_NO_PASSWORD);
    }
    Fail(FAIL_DAMAGED);
}

// Without -p, a set with anything encrypted asks for the password before anything is
// read (the caller's runner ends the program at the prompt; a person at a terminal answers
// it). An answer opens the set again through the password.
void CUnrarExtractor::AskPasswordFirst() {
    std::string strName;
    for (const RarSetVolume& v : set.arrVolumes) {
        if (v.info.bHeadersEncrypted) {
            strName = strArchive;
            break;
        }
        for (const RarFileBlock& b : v.info.arrFiles) {
            if (b.encryption.bPresent && strName.empty()) {
                std::string rel;
                strName = CEntryPath::Normalize(b.strName, rel) ? rel : b.strName;
            }
        }
        if (!strName.empty()) {
            break;
        }
    }
    if (strName.empty() || options.bPasswordGiven || options.bNeverAskPassword) {
        return;
    }
    OnVolume(0);
    report.Prompt(std::string(unrar::TEXT_PASSWORD_PROMPT) + strName + unrar::TEXT_PASSWORD_PROMPT_END);
    std::string line;
    char c = 0;
    ssize_t n = 0;
    while ((n = ::read(STDIN_FILENO, &c, 1)) == 1 && c != '\n') {
        line += c;
    }
    report.Line("");
    if (n != 1 && line.empty()) {
        bPasswordEof = true;
        return;
    }
    bPasswordAnswered = true;
    strAnsweredPassword = line;
    pDecryption = std::make_unique<CRarDecryption>(line);
    OpenSet();
    arrPlan.clear();
    PlanEntries();
}

void CUnrarExtractor::OpenSet() {
    if (options.bPasswordGiven && !pDecryption) {
        pDecryption = std::make_unique<CRarDecryption>(options.strPassword);
    }
    set = CRarVolumeSet();
    rar29 = CRar29Volumes();
    set.Open(strArchive, [this](const std::string& strPath, std::string& strError) {
        std::unique_ptr<IRarVolumeSource> pSource;
        if (pDecryption) {
            pSource = pDecryption->OpenVolume(strPath, strError);
        } else {
            auto pFile = CFileVolumeSource::Open(strPath, strError);
            if (pFile) {
                pFile->AdviseSequential();
            }
            pSource = std::move(pFile);
        }
        return pSource ? rar29.Wrap(std::move(pSource)) : nullptr;
    });
}

void CUnrarExtractor::ReportWrongPassword(const std::string& strName) {
    report.Line(unrar::TEXT_ENCRYPTED_CRC_FAILED + strName + unrar::TEXT_PASSWORD_INCORRECT);
    Fail(FAIL_DAMAGED);
}

// An entry the password does not open (its check value says so) or whose encryption this
// program does not handle.
bool CUnrarExtractor::ReportDecryptionFailure(const PlannedEntry& e, const std::string& strShown) {
    switch (e.pDecrypted->eState) {
        case CDecryptedFile::State::Decrypted:
            return false;
        case CDecryptedFile::State::WrongPassword:
            ReportWrongPassword(strShown);
            return true;
        case CDecryptedFile::State::Undecryptable:
            report.Line(unrar::TEXT_ERROR_PREFIX + strShown + unrar::TEXT_ENCRYPTED_UNSUPPORTED +
                        e.pDecrypted->strProblem);
            Fail(FAIL_DAMAGED);
            return true;
    }
    return false;
}

// Says why the set ends early, once: a missing or foreign next volume, a damaged volume.
void CUnrarExtractor::ReportSetEnd() {
    if (bSetEndReported) {
        return;
    }
    bSetEndReported = true;
    switch (set.eEnd) {
        case RarSetEnd::MissingVolume:
            report.Line(unrar::TEXT_CANNOT_FIND_VOLUME + set.strEndPath);
            break;
        case RarSetEnd::WrongVolume:
            if (set.strEndError == "no RAR signature") {
                report.Line(set.strEndPath + unrar::TEXT_NOT_RAR);
            } else {
                report.Line(unrar::TEXT_CANNOT_FIND_VOLUME + set.strEndPath);
            }
            break;
        case RarSetEnd::HeadersEncrypted:
            OnVolume(set.arrVolumes.size() - 1);
            ReportPassword(set.strEndPath);
            return;
        default:
            // A damaged volume, or libarchive found the end earlier than the headers say.
            if (set.eEnd == RarSetEnd::Damaged && nLastVolumeShown != set.arrVolumes.size() - 1) {
                OnVolume(set.arrVolumes.size() - 1);
            }
            report.Line(unrar::TEXT_UNEXPECTED_END);
            break;
    }
    Fail(FAIL_DAMAGED);
}

void CUnrarExtractor::ReportUnreadable(const PlannedEntry& e) {
    std::string rel;
    std::string shown = CEntryPath::Normalize(e.strName, rel) ? rel : e.strName;
    if (e.bEncrypted) {
        ReportPassword(shown);
    } else {
        report.Line(unrar::TEXT_ERROR_PREFIX + shown + unrar::TEXT_DAMAGED_DATA +
                    " (follows an encrypted entry of a solid archive)");
        Fail(FAIL_DAMAGED);
    }
}

void CUnrarExtractor::ReportDataFailure(const std::string& strShown) {
    if (pFeed->ReadFailed()) {
        report.Line(unrar::TEXT_ERROR_PREFIX + pFeed->ReadError());
        Fail(FAIL_FATAL);
        return;
    }
    if (pFeed->AtEnd()) {
        ReportSetEnd();
        return;
    }
    const char* why = archive_error_string(pArchive);
    std::string text = why ? why : "";
    if (text.find("CRC") != std::string::npos || text.find("checksum") != std::string::npos) {
        report.Line(unrar::TEXT_ERROR_PREFIX + strShown + unrar::TEXT_CRC_FAILED);
    } else {
        report.Line(unrar::TEXT_ERROR_PREFIX + strShown + unrar::TEXT_DAMAGED_DATA + " (" + text + ")");
    }
    Fail(FAIL_DAMAGED);
}

int CUnrarExtractor::Run() {
    strArchive = AbsolutePath(options.strArchive);
    OpenSet();
    if (set.eEnd == RarSetEnd::CannotOpen) {
        report.Line(unrar::TEXT_CANNOT_OPEN + strArchive + ": " + set.strEndError);
        Fail(FAIL_DAMAGED);
        return ExitCode();
    }
    if (set.eEnd == RarSetEnd::NotRar) {
        report.Line(strArchive + unrar::TEXT_NOT_RAR);
        Fail(FAIL_DAMAGED);
        return ExitCode();
    }
    PlanEntries();
    AskPasswordFirst();
    if (pDecryption && pDecryption->HeadersPasswordWrong()) {
        OnVolume(0);
        ReportWrongPassword(strArchive);
        report.Line(unrar::TEXT_TOTAL_ERRORS + std::to_string(nErrors));
        return ExitCode();
    }
    if (set.arrVolumes[0].info.bHeadersEncrypted) {
        OnVolume(0);
        ReportPassword(strArchive);
        report.Line(unrar::TEXT_TOTAL_ERRORS + std::to_string(nErrors));
        return ExitCode();
    }

    pArchive = archive_read_new();
    archive_read_support_format_rar(pArchive);
    archive_read_support_format_rar5(pArchive);
    size_t nNext = 0;
    if (pFeed->OpenOn(pArchive) != ARCHIVE_OK) {
        ReportDataFailure(strArchive);
    } else {
        while (!bFatal) {
            archive_entry* pEntry = nullptr;
            int r = archive_read_next_header(pArchive, &pEntry);
            if (r == ARCHIVE_EOF) {
                break;
            }
            if (r < ARCHIVE_WARN) {
                if (pFeed->AtEnd() && !pFeed->ReadFailed() && nNext == arrPlan.size() &&
                    set.eEnd == RarSetEnd::Complete) {
                    // Every entry the headers list is done and the set is complete; libarchive
                    // only stumbles over a stream that holds no entry of its own (a set read
                    // from a later volume, whose first entry began before it).
                    break;
                }
                if (pFeed->ReadFailed()) {
                    ReportDataFailure(strArchive);
                } else if (nNext > 0 && arrPlan[nNext - 1].bEncrypted && set.arrVolumes[0].info.bSolid) {
                    // libarchive cannot step over an encrypted entry of a solid archive; every
                    // later entry depends on it.
                    for (; nNext < arrPlan.size(); ++nNext) {
                        ReportUnreadable(arrPlan[nNext]);
                    }
                } else {
                    ReportSetEnd();
                }
                break;
            }
            if (nNext >= arrPlan.size()) {
                // libarchive sees an entry the headers do not list: nothing can be checked.
                report.Line(unrar::TEXT_UNEXPECTED_END);
                Fail(FAIL_DAMAGED);
                break;
            }
            if (!ProcessEntry(arrPlan[nNext++], pEntry)) {
                break;
            }
        }
    }
    if (!bFatal && (set.eEnd != RarSetEnd::Complete || nNext < arrPlan.size()) && nErrors == 0) {
        ReportSetEnd();
    } else if (!bFatal && set.eEnd != RarSetEnd::Complete) {
        ReportSetEnd();
    }
    if (nErrors == 0 && report.EntriesOk() == 0) {
        // Nothing was extracted or tested (no entries, or only folders in test mode):
        // never a success.
        report.Line(unrar::TEXT_NO_FILES);
        Fail(FAIL_DAMAGED);
        return ExitCode();
    }
    if (nErrors == 0) {
        report.Line(unrar::TEXT_ALL_OK);
    } else {
        report.Line(unrar::TEXT_TOTAL_ERRORS + std::to_string(nErrors));
    }
    return ExitCode();
}

bool CUnrarExtractor::ProcessEntry(PlannedEntry& e, archive_entry* pEntry) {
    bRar29Decoded = false;
    const bool bGoOn = HandleEntry(e, pEntry);
    KeepRar29Chain(e);
    return bGoOn;
}

bool CUnrarExtractor::HandleEntry(PlannedEntry& e, archive_entry* pEntry) {
    std::string rel;
    bool bNameOk = CEntryPath::Normalize(e.strName, rel);
    const std::string shown = bNameOk ? rel : e.strName;
    if (e.pDecrypted && ReportDecryptionFailure(e, shown)) {
        return true;
    }
    if (e.bEncrypted || archive_entry_is_data_encrypted(pEntry) ||
        archive_entry_is_metadata_encrypted(pEntry)) {
        ReportPassword(shown);
        return true;
    }
    unsigned type = archive_entry_filetype(pEntry);
    const char* hardlink = archive_entry_hardlink_utf8(pEntry);
    if (!hardlink || !*hardlink) {
        hardlink = archive_entry_hardlink(pEntry);
    }
    if (hardlink && !*hardlink) {
        hardlink = nullptr;
    }
    if (!bTest) {
        if (!bNameOk) {
            report.Line(unrar::TEXT_ERROR_PREFIX + e.strName + unrar::TEXT_REFUSED_PATH);
            Fail(FAIL_DAMAGED);
            return true;
        }
        if (!hardlink && type != AE_IFREG && type != AE_IFDIR && type != AE_IFLNK) {
            report.Line(unrar::TEXT_ERROR_PREFIX + shown + unrar::TEXT_REFUSED_SPECIAL);
            Fail(FAIL_DAMAGED);
            return true;
        }
        if (!OpenDestination()) {
            return false;
        }
    }
    auto refusedOrFailed = [&](SafeStatus s) { ReportCreateFailure(s, rel, shown); };

    if (hardlink) {
        std::string targetRel;
        if (!bTest) {
            if (!CEntryPath::Normalize(hardlink, targetRel)) {
                report.Line(unrar::TEXT_ERROR_PREFIX + shown + unrar::TEXT_REFUSED_LINK);
                Fail(FAIL_DAMAGED);
                return true;
            }
            report.EntryStart(unrar::TEXT_EXTRACTING, shown);
            SafeStatus s = destination.CreateHardlink(rel, targetRel);
            if (s != SafeStatus::Ok) {
                refusedOrFailed(s);
                return true;
            }
        } else {
            report.EntryStart(unrar::TEXT_TESTING, shown);
        }
        report.EntryOk();
        return true;
    }
    if (type == AE_IFDIR) {
        if (!bTest) {
            report.EntryStart(unrar::TEXT_CREATING, shown);
            SafeStatus s = destination.CreateDirectory(rel);
            if (s != SafeStatus::Ok) {
                refusedOrFailed(s);
                return true;
            }
            report.EntryOk();
        }
        return true;
    }
    if (type == AE_IFLNK) {
        return ExtractSymlink(e, pEntry, rel, shown);
    }
    return ExtractData(e, pEntry, rel, shown);
}
