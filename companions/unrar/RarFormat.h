#pragma once
// What this program knows of the RAR formats, in one place: the signatures, the block types
// and flags of RAR 1.5-4.x and RAR 5.0, the little-endian and variable-length integer
// readers and writers, and the header checksums. The block reader, the header editors (the
// decrypting layer's and the solid views'), the RAR 2.9 filters and the key derivation take
// them from here.
//
// Header-only, no state; any thread.

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace rarformat {

inline constexpr uint8_t RAR4_SIGNATURE[7] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
inline constexpr uint8_t RAR5_SIGNATURE[8] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x01, 0x00};

// RAR 1.5-4.x: every block starts with a 7-byte base (the low 16 bits of the CRC32 of the
// rest of the header, type, flags, header size); blocks with LONG_BLOCK (and file headers
// always) have a 32-bit data size after it.
namespace rar4 {
constexpr size_t BASE_SIZE = 7;
constexpr size_t BLOCK_TYPE = 2;
constexpr size_t BLOCK_FLAGS = 3;
constexpr size_t BLOCK_HEADER_SIZE = 5;
constexpr size_t BLOCK_DATA_SIZE = 7;       // with LONG_BLOCK
constexpr size_t LONG_BASE_SIZE = 11;       // the base and the data size
constexpr size_t MAX_HEADER_SIZE = 0xFFFF;  // the header size is a 16-bit field
constexpr uint8_t MAIN_BLOCK = 0x73;
constexpr uint8_t FILE_BLOCK = 0x74;
constexpr uint8_t NEWSUB_BLOCK = 0x7A;  // service block laid out as a file header
constexpr uint8_t END_BLOCK = 0x7B;
constexpr uint16_t LONG_BLOCK = 0x8000;

// Main header flags.
constexpr uint16_t MAIN_VOLUME = 0x0001;
constexpr uint16_t MAIN_LOCK = 0x0004;
constexpr uint16_t MAIN_SOLID = 0x0008;
constexpr uint16_t MAIN_NEW_NUMBERING = 0x0010;  // name.partN.rar
constexpr uint16_t MAIN_HEADERS_ENCRYPTED = 0x0080;
constexpr uint16_t MAIN_FIRST_VOLUME = 0x0100;
constexpr size_t MAIN_HEADER_SIZE = 13;

// File header flags and layout.
constexpr uint16_t FILE_SPLIT_BEFORE = 0x0001;
constexpr uint16_t FILE_SPLIT_AFTER = 0x0002;
constexpr uint16_t FILE_PASSWORD = 0x0004;
constexpr uint16_t FILE_SOLID = 0x0010;
constexpr uint16_t FILE_WINDOW_MASK = 0x00E0;  // all bits set: a directory
constexpr uint16_t FILE_LARGE = 0x0100;        // 64-bit sizes follow the attributes
constexpr uint16_t FILE_UNICODE = 0x0200;
constexpr uint16_t FILE_SALT = 0x0400;
constexpr size_t FILE_HEADER_MIN = 32;        // fixed fields up to the attributes
constexpr size_t FILE_LARGE_HEADER_MIN = 40;  // with FILE_LARGE: and the high halves of the sizes
constexpr size_t FILE_PACK_SIZE = 7;
constexpr size_t FILE_UNP_SIZE = 11;
constexpr size_t FILE_HOST_OS = 15;
constexpr size_t FILE_CRC = 16;
constexpr size_t FILE_TIME = 20;
constexpr size_t FILE_UNP_VER = 24;
constexpr size_t FILE_METHOD = 25;
constexpr size_t FILE_NAME_SIZE = 26;
constexpr size_t FILE_ATTRIBUTES = 28;
constexpr size_t FILE_HIGH_PACK_SIZE = 32;  // with FILE_LARGE
constexpr size_t FILE_HIGH_UNP_SIZE = 36;
constexpr uint8_t METHOD_STORE = 0x30;
// The salt after the name with FILE_SALT, and before the first header with MAIN_HEADERS_ENCRYPTED.
constexpr size_t SALT_SIZE = 8;

// End-of-archive block flags.
constexpr uint16_t END_NEXT_VOLUME = 0x0001;
constexpr uint16_t END_DATA_CRC = 0x0002;
constexpr uint16_t END_VOLUME_NUMBER = 0x0008;
}  // namespace rar4

// RAR 5.0: every block is CRC32, header size (vint), then type, flags, [extra area size],
// [data size] and the type's fields, all vints.
namespace rar5 {
constexpr uint64_t MAX_HEADER = 2 * 1024 * 1024;
constexpr uint64_t MAIN_BLOCK = 1;
constexpr uint64_t FILE_BLOCK = 2;
constexpr uint64_t SERVICE_BLOCK = 3;
constexpr uint64_t ENCRYPTION_BLOCK = 4;
constexpr uint64_t END_BLOCK = 5;

// Flags of every block.
constexpr uint64_t HAS_EXTRA = 0x0001;
constexpr uint64_t HAS_DATA = 0x0002;
constexpr uint64_t SPLIT_BEFORE = 0x0008;
constexpr uint64_t SPLIT_AFTER = 0x0010;

// Main header (archive) flags.
constexpr uint64_t MAIN_VOLUME = 0x0001;
constexpr uint64_t MAIN_VOLUME_NUMBER = 0x0002;  // a volume number follows (not in the first)
constexpr uint64_t MAIN_SOLID = 0x0004;
constexpr uint64_t MAIN_LOCK = 0x0010;

// End-of-archive flags.
constexpr uint64_t END_MORE_VOLUMES = 0x0001;

// File header flags, compression information and extra records.
constexpr uint64_t FILE_DIRECTORY = 0x0001;
constexpr uint64_t FILE_HAS_MTIME = 0x0002;
constexpr uint64_t FILE_HAS_CRC = 0x0004;
constexpr uint64_t FILE_UNKNOWN_SIZE = 0x0008;
constexpr uint64_t COMPRESSION_SOLID = 0x0040;
constexpr uint64_t RECORD_ENCRYPTION = 0x01;
constexpr uint64_t RECORD_HASH = 0x02;
constexpr uint64_t RECORD_REDIRECTION = 0x05;
constexpr uint64_t HASH_BLAKE2SP = 0;
// Compressed data: every block begins with a flags byte (bits 3-5: the byte count of the
// block size, less one; LAST_BLOCK: the file's last block), a checksum byte and the size.
constexpr uint8_t COMPRESSED_LAST_BLOCK = 0x40;
constexpr uint64_t ENCRYPTION_PASSWORD_CHECK = 0x0001;
constexpr uint64_t ENCRYPTION_TWEAKED_CHECKSUMS = 0x0002;
}  // namespace rar5

inline uint16_t Le16(const uint8_t* p) {
    return uint16_t(p[0] | (p[1] << 8));
}
inline uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline void PutLe16(uint8_t* p, uint16_t n) {
    p[0] = uint8_t(n);
    p[1] = uint8_t(n >> 8);
}
inline void PutLe32(uint8_t* p, uint32_t n) {
    p[0] = uint8_t(n);
    p[1] = uint8_t(n >> 8);
    p[2] = uint8_t(n >> 16);
    p[3] = uint8_t(n >> 24);
}

inline uint32_t Crc32(const uint8_t* p, size_t n) {
    return uint32_t(crc32_z(crc32(0L, Z_NULL, 0), p, n));
}

// A RAR 5.0 variable-length integer at p[pos] (7 bits a byte, low first, high bit: more
// follow); pos moves past it. nullopt when it runs past n or does not fit 64 bits.
inline std::optional<uint64_t> ReadVint(const uint8_t* p, size_t n, size_t& pos) {
    uint64_t nValue = 0;
    for (int shift = 0; shift < 70; shift += 7) {
        if (pos >= n) {
            return std::nullopt;
        }
        const uint8_t b = p[pos++];
        if (shift == 63 && (b & 0x7e)) {
            return std::nullopt;
        }
        nValue |= uint64_t(b & 0x7f) << shift;
        if (!(b & 0x80)) {
            return nValue;
        }
    }
    return std::nullopt;
}

inline void AppendVint(std::vector<uint8_t>& out, uint64_t n) {
    do {
        uint8_t b = n & 0x7f;
        n >>= 7;
        if (n) {
            b |= 0x80;
        }
        out.push_back(b);
    } while (n);
}

// RAR 1.5-4.x header checksum: the low 16 bits of the CRC32 of the header after the field.
inline bool Rar4HeaderCrcMatches(const uint8_t* p, size_t nHeaderSize) {
    return nHeaderSize >= rar4::BASE_SIZE && (Crc32(p + 2, nHeaderSize - 2) & 0xffff) == Le16(p);
}
inline void SetRar4HeaderCrc(uint8_t* p, size_t nHeaderSize) {
    PutLe16(p, uint16_t(Crc32(p + 2, nHeaderSize - 2)));
}

// RAR 5.0 header checksum: the CRC32 of everything after the field.
inline bool Rar5HeaderCrcMatches(const uint8_t* p, size_t nHeaderSize) {
    return nHeaderSize > 4 && Crc32(p + 4, nHeaderSize - 4) == Le32(p);
}
inline void SetRar5HeaderCrc(uint8_t* p, size_t nHeaderSize) {
    PutLe32(p, Crc32(p + 4, nHeaderSize - 4));
}

}  // namespace rarformat
