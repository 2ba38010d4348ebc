#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Where each entry of a ZIP file lies, read from the end-of-central-directory record and
// the central directory (with their ZIP64 forms) and from each entry's local header.
// libzip does not tell where an entry's data starts, and we need that to refuse archives
// whose entries overlap (one compressed stream counted many times: the "overlap" zip bomb)
// before anything is written. Reads with pread on a descriptor owned by the caller and
// never allocates by a size the file declares.
class CZipLayout {
public:
    enum class EStatus {
        Ok,         // arrEntries is filled and consistent
        NoCentral,  // no end record, or no central directory where the end record says
        Damaged,    // central directory or local headers inconsistent: strProblem says how
        ReadError,  // the file could not be read: strProblem holds the system's text
    };

    // How the local header's copy of an entry name compares with the central directory's.
    // The central directory is what counts; the local copy only serves as a check.
    enum class ENameCheck {
        Same,
        SeparatorsOnly,  // differs only in '/' against '\\', which name the same path
        Differs,         // any other difference: one of the two copies is damaged
    };

    struct Entry {
        uint64_t nLocalOffset = 0;     // offset of the local header
        uint64_t nDataOffset = 0;      // first byte of the (compressed) data
        uint64_t nCompressedSize = 0;  // declared compressed size
        uint64_t nSize = 0;            // declared uncompressed size
        uint16_t nMethod = 0;
        uint32_t nCrc = 0;  // CRC-32 as the central directory stores it
        // WinZip AES (method 99 with the extra field 0x9901): vendor version 1 or 2
        // (0: not AES) and key strength 1/2/3 (128/192/256 bits).
        uint16_t nAesVersion = 0;
        uint8_t nAesStrength = 0;
        std::string strName;  // the name's bytes as the central directory has them
        ENameCheck eNameCheck = ENameCheck::Same;
        std::string strLocalName;  // the local header's name when it is not the same
    };

    // Reads the layout of the file open on fd, nFileSize bytes long.
    EStatus Read(int fd, uint64_t nFileSize);

    // After Read returned Ok: checks that no two entries share bytes and that no data
    // reaches into the central directory; on failure strProblem names the entries.
    bool CheckNoOverlap();

    static ENameCheck CompareNames(const std::string& strCentral, const std::string& strLocal);

    std::vector<Entry> arrEntries;
    uint64_t nCentralOffset = 0;
    uint64_t nCentralSize = 0;
    std::string strProblem;

private:
    bool ReadAt(uint64_t nOffset, void* pBuffer, size_t nLength);
    bool FindEnd(uint64_t& nEntryCount);
    EStatus ReadCentral(uint64_t nEntryCount);

    int m_fd = -1;
    uint64_t m_nFileSize = 0;
};
