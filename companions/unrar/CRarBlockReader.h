#pragma once
// Walks the blocks of one RAR volume (RAR 1.5-4.x and RAR 5.0) without touching the
// packed data: the main header, every file header with its name, sizes, CRC32, split
// flags, host system, attributes, compression method and encryption parameters, and the
// end-of-archive block with its more-volumes flag. Service blocks (comments, recovery
// records, NTFS streams) are stepped over. Headers are checked against their CRC. A volume
// that ends without its end-of-archive block is Truncated.
//
// The reader stops at the first block it cannot trust and says why in eStatus; what it
// read before that point stays valid (nValidEnd is the end of the last intact block),
// so a caller can still use the entries of a volume that is cut short.
//
// Pure functions of the source; call from any thread, one source per call.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "companions/unrar/IRarVolumeSource.h"
#include "companions/unrar/RarFormat.h"

enum class RarFormat { Unknown, Rar4, Rar5 };

enum class RarScanStatus {
    Ok,                // walked up to the end-of-archive block
    NotRar,            // no RAR signature at offset 0
    Truncated,         // a block or its data runs past the end of the volume, or the volume
                       // ends without its end-of-archive block
    BadHeader,         // a header's CRC does not match or its fields are impossible
    HeadersEncrypted,  // the headers after the main header are encrypted; no entries listed
    ReadError,         // the source failed to read
};

// Encryption parameters of a file (RAR 4: salt only; RAR 5: the file encryption record)
// or of the headers (RAR 5 archive encryption header; RAR 4: the salt of the first
// encrypted header).
struct RarEncryption {
    bool bPresent = false;
    uint32_t nVersion = 0;          // RAR 5: 0 = AES-256
    uint32_t nFlags = 0;            // RAR 5: 0x1 password check present, 0x2 tweaked checksums;
                                    // RAR 4 files: 0x0400 when the header says it has a salt
    uint8_t nKdfCount = 0;          // RAR 5: binary logarithm of the PBKDF2 iteration count
    std::vector<uint8_t> arrSalt;   // RAR 4: 8 bytes, empty for a file without salt; RAR 5: 16 bytes
    std::vector<uint8_t> arrIv;     // RAR 5 files: 16 bytes
    std::vector<uint8_t> arrCheck;  // RAR 5: 12-byte password check value when present
};

// One file header: the piece of an entry that lies in this volume.
struct RarFileBlock {
    std::string strName;         // UTF-8 (RAR 4 Unicode names decoded); separators as stored
    uint64_t nHeaderOffset = 0;  // where the block starts in the volume
    uint64_t nDataOffset = 0;    // where its packed data starts
    uint64_t nPackedSize = 0;    // packed bytes in this volume
    uint64_t nUnpackedSize = 0;  // of the whole entry
    bool bUnpackedSizeKnown = true;
    uint32_t nCrc32 = 0;        // last piece: CRC32 of the unpacked entry; other pieces of a
    bool bHasCrc = false;       // split entry: CRC32 of this piece's packed data
    bool bSplitBefore = false;  // continues an entry from the previous volume
    bool bSplitAfter = false;   // continues in the next volume
    bool bDirectory = false;
    bool bSolid = false;          // depends on the preceding entries' data
    bool bStored = false;         // no compression
    uint32_t nMethod = 0;         // RAR 4: 0x30-0x35; RAR 5: 0-5
    uint32_t nUnpackVersion = 0;  // RAR 4: UNP_VER; RAR 5: algorithm version
    uint32_t nDictionary = 0;     // RAR 4: window size from the flags (64 KiB << bits 5-7),
                                  // 0 for directories; RAR 5: not set (0)
    uint32_t nHostOs = 0;         // RAR 4: 0 MS-DOS, 2 Win32, 3 Unix ...; RAR 5: 0 Windows, 1 Unix
    uint64_t nAttributes = 0;     // Unix mode or Windows attributes, by nHostOs
    uint32_t nMtime = 0;          // RAR 4: DOS time; RAR 5: Unix time (when bHasMtime)
    bool bHasMtime = false;
    RarEncryption encryption;       // bPresent when the data is encrypted
    uint32_t nRedirectionType = 0;  // RAR 5: 1 Unix symlink, 2 Windows symlink, 3 junction,
    std::string strRedirection;     //         4 hard link, 5 file copy; with its target
    bool bHasBlake2 = false;        // RAR 5: a BLAKE2sp hash instead of or besides the CRC
    std::array<uint8_t, 32> arrBlake2{};
};

struct RarVolumeInfo {
    RarFormat eFormat = RarFormat::Unknown;
    RarScanStatus eStatus = RarScanStatus::Ok;
    std::string strError;    // detail for eStatus other than Ok
    uint64_t nSize = 0;      // size of the volume
    uint64_t nValidEnd = 0;  // end of the last intact block
    uint64_t nMainHeaderOffset = 0;
    uint64_t nMainHeaderEnd = 0;  // where the first block after the main header starts
    uint32_t nMainFlags = 0;      // raw flags of the main header
    bool bVolume = false;         // part of a multi-volume set
    bool bFirstVolume = true;     // RAR 4: MHD_FIRSTVOLUME (assumed true for old archives
                                  // without the flag); RAR 5: no volume number field
    int64_t nVolumeNumber = -1;   // RAR 5 volume number field (first volume: 0), RAR 4 end block
    bool bNewNumbering = false;   // RAR 4: name.partN.rar naming; RAR 5: always true
    bool bSolid = false;
    bool bLocked = false;
    bool bHeadersEncrypted = false;
    RarEncryption headerEncryption;  // parameters of the header encryption
    bool bHasEndBlock = false;
    uint64_t nEndBlockOffset = 0;
    bool bMoreVolumes = false;           // another volume follows this one
    std::vector<RarFileBlock> arrFiles;  // in archive order; service blocks excluded
};

class CRarBlockReader {
public:
    // Reads the block structure of one volume. Never throws; failures are in eStatus.
    static RarVolumeInfo ReadVolume(IRarVolumeSource& source);

    // The RAR 4 Unicode file name encoding: the bytes after the zero byte of a name
    // field, decoded against the bytes before it. Exposed for tests.
    static std::string DecodeRar4UnicodeName(const std::string& strStdName, const uint8_t* pEnc, size_t nEnc);
};
