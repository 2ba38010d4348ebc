#pragma once
// Rewrites single RAR block headers so that a decrypted volume reads as a plain one:
// the encryption fields go, sizes are set to what the plain volume holds, and the header
// checksum is recomputed. Also decodes the little framing a walker over encrypted
// headers needs (how long a decrypted header is, how much data follows it).
//
// Pure functions on byte buffers; any thread. Failures (a header that does not parse)
// come back as false / std::nullopt.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "companions/unrar/RarFormat.h"

namespace rarheader {

using Bytes = std::vector<uint8_t>;

// RAR 5.0 variable-length integers and the header checksums (RarFormat.h).
using rarformat::AppendVint;
using rarformat::Rar4HeaderCrcMatches;
using rarformat::Rar5HeaderCrcMatches;
using rarformat::ReadVint;
inline void SetRar4HeaderCrc(Bytes& header) {
    rarformat::SetRar4HeaderCrc(header.data(), header.size());
}

// RAR 5.0: a whole block header, from its CRC32 to the end of its extra area.
struct CRar5Frame {
    size_t nHeaderSize = 0;  // bytes of the block header (CRC, size field, header data)
    uint64_t nType = 0;
    uint64_t nFlags = 0;
    uint64_t nDataSize = 0;  // bytes of data area after the header
};
// Reads the frame from the first bytes of a header. nHeaderSize can exceed n (the caller
// then fetches the rest); nullopt when the size field itself is unreadable or absurd.
std::optional<CRar5Frame> ReadRar5Frame(const uint8_t* p, size_t n);

// RAR 5.0 file or service header without its encryption record; with bDropChecksums also
// without its data CRC32 and its hash record (they are keyed and cannot be checked by a
// reader of the plain volume). The data size becomes nNewDataSize.
std::optional<Bytes> StripRar5FileEncryption(const uint8_t* p, size_t nHeaderSize, bool bDropChecksums,
                                             uint64_t nNewDataSize);

// RAR 5.0 main header (a whole block) with its volume number set to nNumber (the number
// field added when the header has none); nullopt when it does not parse.
std::optional<Bytes> SetRar5VolumeNumber(const uint8_t* p, size_t nHeaderSize, uint64_t nNumber);

// RAR 4.x: the 7-byte base of a block and the 32-bit data size that follows file
// headers and blocks with the "data follows" flag.
struct CRar4Frame {
    uint16_t nCrc = 0;
    uint8_t nType = 0;
    uint16_t nFlags = 0;
    uint16_t nHeaderSize = 0;
    uint64_t nDataSize = 0;
};
std::optional<CRar4Frame> ReadRar4Frame(const uint8_t* p, size_t n);

// RAR 4.x main header with the "headers encrypted" flag cleared.
std::optional<Bytes> ClearRar4HeaderEncryption(const uint8_t* p, size_t nHeaderSize);

// RAR 4.x file header without its password flag and salt, the packed size set to
// nNewPackedSize (never larger than the stored one).
std::optional<Bytes> StripRar4FileEncryption(const uint8_t* p, size_t nHeaderSize, uint64_t nNewPackedSize);

}  // namespace rarheader
