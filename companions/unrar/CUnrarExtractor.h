#pragma once
// One run of the console RAR program: reads the set that begins with the archive given,
// extracts (x) or tests (t) every entry through libarchive over a CRarByteFeed, checks every
// entry's CRC32 itself, writes through CSafeDestination, prints through CConsoleReport and
// returns the exit code. Failures of one entry are reported and the next entry goes on;
// failures of the set (missing or damaged volume) end the run.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "companions/unrar/CConsoleReport.h"
#include "companions/unrar/CRar29Volumes.h"
#include "companions/unrar/CRarByteFeed.h"
#include "companions/unrar/CRarVolumeSet.h"
#include "companions/unrar/CReadAhead.h"
#include "companions/unrar/CSafeDestination.h"
#include "companions/unrar/CUnrarCommandLine.h"
#include "companions/unrar/decrypt/CRarDecryption.h"

class CBlake2sp;
class CRar29Decoder;
struct archive;
struct archive_entry;

class CUnrarExtractor {
public:
    CUnrarExtractor(const UnrarOptions& options, CConsoleReport& report);
    ~CUnrarExtractor();
    // Runs the command; returns the exit code (UnrarContract.h).
    int Run();

private:
    enum FailKind { FAIL_DAMAGED, FAIL_WRITE, FAIL_CREATE, FAIL_FATAL };

    // One entry of the set as the block reader sees it: its pieces across volumes.
    struct PlannedEntry {
        std::string strName;  // as stored (block reader)
        std::vector<const RarFileBlock*> arrPieces;
        std::vector<size_t> arrPieceVolumes;
        bool bEncrypted = false;
        const CDecryptedFile* pDecrypted = nullptr;  // set when the entry was decrypted
        bool bPackedCrcFailed = false;
        std::vector<size_t> arrFailedVolumes;
    };

    void PlanEntries();
    uint64_t AddRenumberedMainHeader(size_t nVolume, uint64_t nNumber);
    void OnVolume(size_t nVolume);
    bool OpenDestination();
    bool ProcessEntry(PlannedEntry& e, archive_entry* pEntry);  // false: stop the run
    bool ExtractData(PlannedEntry& e, archive_entry* pEntry, const std::string& strRel,
                     const std::string& strShown);
    // Copies a stored entry straight from its pieces in the volumes; false on a failure
    // that has been reported.
    bool CopyStored(PlannedEntry& e, uint32_t& nCrc, CBlake2sp* pHash, uint64_t& nBytes, bool& bWriteFailed);
    void ReportPassword(const std::string& strName);
    // RAR 2.9 data (CUnrarExtractorRar29.cpp): entries whose data CRar29Decoder decodes.
    struct Rar29Failure {
        std::string strProblem;
        bool bReadError = false;   // a volume could not be read (strProblem says why)
        bool bSinkFailed = false;  // the sink refused data; the decoding itself went on
    };
    const Rar29File* Rar29Info(const PlannedEntry& e) const;
    // Decodes the entry's data into sink; false with failure set when it could not.
    bool DecodeRar29(PlannedEntry& e, const Rar29File& info,
                     const std::function<bool(const uint8_t*, size_t)>& sink, uint32_t& nCrc,
                     uint64_t& nBytes, Rar29Failure& failure);
    void KeepRar29Chain(PlannedEntry& e);
    bool HandleEntry(PlannedEntry& e, archive_entry* pEntry);  // ProcessEntry's work
    // Symbolic links (CUnrarExtractorLinks.cpp): the target checked against the stored CRC32
    // wherever the archive keeps it as data (RAR 4.x), then created inside the destination.
    bool ExtractSymlink(PlannedEntry& e, archive_entry* pEntry, const std::string& strRel,
                        const std::string& strShown);
    // RAR 4.x: a link target stored as the entry's data, read from the volumes; false with
    // strError on a read error.
    bool ReadStoredTarget(const PlannedEntry& e, std::string& strTarget, std::string& strError);
    void ReportCreateFailure(SafeStatus s, const std::string& strRel, const std::string& strShown);
    // Decryption: the prompt before anything is read, the set opened through the password.
    void AskPasswordFirst();
    void OpenSet();
    bool ReportDecryptionFailure(const PlannedEntry& e, const std::string& strShown);  // true: reported
    void ReportWrongPassword(const std::string& strName);
    void ReportSetEnd();
    void ReportUnreadable(const PlannedEntry& e);
    void ReportDataFailure(const std::string& strShown);
    void Fail(int nKind);
    int ExitCode();

    const UnrarOptions& options;
    CConsoleReport& report;
    bool bTest;
    std::string strArchive;  // absolute path of the archive given
    CRarVolumeSet set;
    std::vector<PlannedEntry> arrPlan;
    std::vector<std::vector<std::string>> arrOrphansByVolume;  // warnings to print per volume
    std::unique_ptr<CRarByteFeed> pFeed;
    archive* pArchive = nullptr;
    CSafeDestination destination;
    bool bDestinationOpen = false;
    bool bDestinationFailed = false;
    bool bSetEndReported = false;
    size_t nLastVolumeShown = SIZE_MAX;
    PlannedEntry* pCurrent = nullptr;
    std::unique_ptr<CRarDecryption> pDecryption;  // with a password: the volumes decrypted
    CRar29Volumes rar29;                          // RAR 4.x files our RAR 2.9 decoder reads
    std::unique_ptr<CRar29Decoder> pRar29Decoder;
    bool bRar29Decoded = false;      // the current entry went through the decoder
    bool bSolidChainBroken = false;  // a compressed entry of the solid stream was not decoded
    std::string strAnsweredPassword;
    bool bPasswordAnswered = false;  // a password line was read from standard input
    bool bPasswordEof = false;       // standard input ended at the prompt
    int nErrors = 0;
    bool bDamaged = false;
    bool bWriteError = false;
    bool bCreateError = false;
    bool bFatal = false;
    std::vector<char> arrZeros;
    std::vector<uint8_t> arrCopyBuffer;
    std::unique_ptr<CReadAhead> pReadAhead;  // reads stored data ahead (CopyStored)
};
