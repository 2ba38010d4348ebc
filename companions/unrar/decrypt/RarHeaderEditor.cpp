#include "companions/unrar/decrypt/RarHeaderEditor.h"

#include "companions/unrar/RarFormat.h"

namespace rarheader {

namespace {

using rarformat::Crc32;
using rarformat::Le32;
using rarformat::PutLe32;
namespace rar4 = rarformat::rar4;
namespace rar5 = rarformat::rar5;

struct CRar5Head {
    uint64_t nType = 0;
    uint64_t nFlags = 0;
};

// The type and flags of a RAR 5.0 block header that fills p exactly; pos is left after them.
std::optional<CRar5Head> ReadWholeRar5Header(const uint8_t* p, size_t nHeaderSize, size_t& pos) {
    pos = 4;
    const auto headSize = ReadVint(p, nHeaderSize, pos);
    if (!headSize || pos + *headSize != nHeaderSize) {
        return std::nullopt;
    }
    const auto type = ReadVint(p, nHeaderSize, pos);
    const auto flags = type ? ReadVint(p, nHeaderSize, pos) : std::nullopt;
    if (!flags) {
        return std::nullopt;
    }
    return CRar5Head{*type, *flags};
}

// A RAR 5.0 block from its body (type onwards): checksum, size, body.
Bytes FrameRar5Header(const Bytes& body) {
    Bytes out(4);
    AppendVint(out, body.size());
    out.insert(out.end(), body.begin(), body.end());
    rarformat::SetRar5HeaderCrc(out.data(), out.size());
    return out;
}

}  // namespace

std::optional<CRar5Frame> ReadRar5Frame(const uint8_t* p, size_t n) {
    size_t pos = 4;
    const auto headSize = ReadVint(p, n, pos);
    if (!headSize || *headSize == 0 || *headSize > rar5::MAX_HEADER) {
        return std::nullopt;
    }
    CRar5Frame frame;
    frame.nHeaderSize = pos + *headSize;
    const auto type = ReadVint(p, n, pos);
    const auto flags = type ? ReadVint(p, n, pos) : std::nullopt;
    if (!flags) {
        return std::nullopt;
    }
    frame.nType = *type;
    frame.nFlags = *flags;
    if (*flags & rar5::HAS_EXTRA) {
        if (!ReadVint(p, n, pos)) {
            return std::nullopt;
        }
    }
    if (*flags & rar5::HAS_DATA) {
        const auto dataSize = ReadVint(p, n, pos);
        if (!dataSize) {
            return std::nullopt;
        }
        frame.nDataSize = *dataSize;
    }
    if (pos > frame.nHeaderSize) {
        return std::nullopt;
    }
    return frame;
}

std::optional<Bytes> StripRar5FileEncryption(const uint8_t* p, size_t nHeaderSize, bool bDropChecksums,
                                             uint64_t nNewDataSize) {
    size_t pos = 0;
    const auto head = ReadWholeRar5Header(p, nHeaderSize, pos);
    if (!head || (head->nType != rar5::FILE_BLOCK && head->nType != rar5::SERVICE_BLOCK)) {
        return std::nullopt;
    }
    const uint64_t nType = head->nType;
    const uint64_t nFlags = head->nFlags;
    uint64_t nExtraSize = 0;
    if (nFlags & rar5::HAS_EXTRA) {
        const auto extra = ReadVint(p, nHeaderSize, pos);
        if (!extra) {
            return std::nullopt;
        }
        nExtraSize = *extra;
    }
    if (nFlags & rar5::HAS_DATA) {
        if (!ReadVint(p, nHeaderSize, pos)) {
            return std::nullopt;
        }
    }
    if (nExtraSize > nHeaderSize - pos) {
        return std::nullopt;
    }
    const size_t extraStart = nHeaderSize - nExtraSize;

    // File fields: flags, unpacked size, attributes, [mtime], [CRC32], compression, host
    // system, name length, name.
    Bytes fields;
    const auto fileFlags = ReadVint(p, extraStart, pos);
    if (!fileFlags) {
        return std::nullopt;
    }
    uint64_t nFileFlags = *fileFlags;
    const bool bHasCrc = nFileFlags & rar5::FILE_HAS_CRC;
    if (bDropChecksums) {
        nFileFlags &= ~rar5::FILE_HAS_CRC;
    }
    AppendVint(fields, nFileFlags);
    const size_t afterFlags = pos;
    if (!ReadVint(p, extraStart, pos) || !ReadVint(p, extraStart, pos)) {
        return std::nullopt;
    }
    if (*fileFlags & rar5::FILE_HAS_MTIME) {
        pos += 4;
    }
    if (pos > extraStart) {
        return std::nullopt;
    }
    fields.insert(fields.end(), p + afterFlags, p + pos);
    if (bHasCrc) {
        if (pos + 4 > extraStart) {
            return std::nullopt;
        }
        if (!bDropChecksums) {
            fields.insert(fields.end(), p + pos, p + pos + 4);
        }
        pos += 4;
    }
    const size_t restStart = pos;
    if (!ReadVint(p, extraStart, pos) || !ReadVint(p, extraStart, pos)) {
        return std::nullopt;
    }
    const auto nameLen = ReadVint(p, extraStart, pos);
    if (!nameLen || *nameLen > extraStart - pos) {
        return std::nullopt;
    }
    pos += *nameLen;
    if (pos != extraStart) {
        return std::nullopt;  // fields and extra area must meet exactly
    }
    fields.insert(fields.end(), p + restStart, p + extraStart);

    // Extra records: size (of type and data), type, data.
    Bytes extra;
    size_t e = extraStart;
    while (e < nHeaderSize) {
        const size_t recStart = e;
        const auto recSize = ReadVint(p, nHeaderSize, e);
        if (!recSize || *recSize == 0 || *recSize > nHeaderSize - e) {
            return std::nullopt;
        }
        const size_t recEnd = e + *recSize;
        size_t t = e;
        const auto recType = ReadVint(p, recEnd, t);
        if (!recType) {
            return std::nullopt;
        }
        const bool bDrop =
            *recType == rar5::RECORD_ENCRYPTION || (bDropChecksums && *recType == rar5::RECORD_HASH);
        if (!bDrop) {
            extra.insert(extra.end(), p + recStart, p + recEnd);
        }
        e = recEnd;
    }

    Bytes body;
    AppendVint(body, nType);
    uint64_t nNewFlags = nFlags & ~rar5::HAS_EXTRA;
    if (!extra.empty()) {
        nNewFlags |= rar5::HAS_EXTRA;
    }
    AppendVint(body, nNewFlags);
    if (!extra.empty()) {
        AppendVint(body, extra.size());
    }
    if (nNewFlags & rar5::HAS_DATA) {
        AppendVint(body, nNewDataSize);
    }
    body.insert(body.end(), fields.begin(), fields.end());
    body.insert(body.end(), extra.begin(), extra.end());

    return FrameRar5Header(body);
}

std::optional<Bytes> SetRar5VolumeNumber(const uint8_t* p, size_t nHeaderSize, uint64_t nNumber) {
    size_t pos = 0;
    const auto head = ReadWholeRar5Header(p, nHeaderSize, pos);
    if (!head || head->nType != rar5::MAIN_BLOCK || (head->nFlags & rar5::HAS_DATA)) {
        return std::nullopt;
    }
    const uint64_t nType = head->nType;
    const uint64_t nFlags = head->nFlags;
    std::optional<uint64_t> extraSize = uint64_t(0);
    if (nFlags & rar5::HAS_EXTRA) {
        extraSize = ReadVint(p, nHeaderSize, pos);
    }
    const auto archiveFlags = extraSize ? ReadVint(p, nHeaderSize, pos) : std::nullopt;
    if (!archiveFlags) {
        return std::nullopt;
    }
    if ((*archiveFlags & rar5::MAIN_VOLUME_NUMBER) && !ReadVint(p, nHeaderSize, pos)) {
        return std::nullopt;
    }
    Bytes body;
    AppendVint(body, nType);
    AppendVint(body, nFlags);
    if (nFlags & rar5::HAS_EXTRA) {
        AppendVint(body, *extraSize);
    }
    AppendVint(body, *archiveFlags | rar5::MAIN_VOLUME_NUMBER);
    AppendVint(body, nNumber);
    body.insert(body.end(), p + pos, p + nHeaderSize);  // the extra area (locator)
    return FrameRar5Header(body);
}

std::optional<CRar4Frame> ReadRar4Frame(const uint8_t* p, size_t n) {
    if (n < rar4::BASE_SIZE) {
        return std::nullopt;
    }
    CRar4Frame frame;
    frame.nCrc = rarformat::Le16(p);
    frame.nType = p[rar4::BLOCK_TYPE];
    frame.nFlags = rarformat::Le16(p + rar4::BLOCK_FLAGS);
    frame.nHeaderSize = rarformat::Le16(p + rar4::BLOCK_HEADER_SIZE);
    if (frame.nHeaderSize < rar4::BASE_SIZE) {
        return std::nullopt;
    }
    const bool bFile = frame.nType == rar4::FILE_BLOCK || frame.nType == rar4::NEWSUB_BLOCK;
    if ((frame.nFlags & rar4::LONG_BLOCK) || bFile) {
        if (frame.nHeaderSize < rar4::LONG_BASE_SIZE || n < rar4::LONG_BASE_SIZE) {
            return std::nullopt;
        }
        frame.nDataSize = Le32(p + rar4::BLOCK_DATA_SIZE);  // a file header's packed size
        if (bFile && (frame.nFlags & rar4::FILE_LARGE)) {
            // Up to the end of the high half of the packed size.
            constexpr size_t HIGH_PACK_SIZE_END = rar4::FILE_HIGH_PACK_SIZE + sizeof(uint32_t);
            if (frame.nHeaderSize < HIGH_PACK_SIZE_END || n < HIGH_PACK_SIZE_END) {
                return std::nullopt;
            }
            frame.nDataSize |= uint64_t(Le32(p + rar4::FILE_HIGH_PACK_SIZE)) << 32;
        }
    }
    return frame;
}

std::optional<Bytes> ClearRar4HeaderEncryption(const uint8_t* p, size_t nHeaderSize) {
    if (nHeaderSize < rar4::BASE_SIZE) {
        return std::nullopt;
    }
    Bytes header(p, p + nHeaderSize);
    header[rar4::BLOCK_FLAGS] &= uint8_t(~rar4::MAIN_HEADERS_ENCRYPTED);
    SetRar4HeaderCrc(header);
    return header;
}

std::optional<Bytes> StripRar4FileEncryption(const uint8_t* p, size_t nHeaderSize, uint64_t nNewPackedSize) {
    const auto frame = ReadRar4Frame(p, nHeaderSize);
    if (!frame || frame->nType != rar4::FILE_BLOCK || nHeaderSize < rar4::FILE_HEADER_MIN ||
        nNewPackedSize > frame->nDataSize) {
        return std::nullopt;
    }
    Bytes header(p, p + nHeaderSize);
    const uint16_t nNameSize = rarformat::Le16(p + rar4::FILE_NAME_SIZE);
    const size_t namePos =
        (frame->nFlags & rar4::FILE_LARGE) ? rar4::FILE_LARGE_HEADER_MIN : rar4::FILE_HEADER_MIN;
    if (namePos + nNameSize > nHeaderSize) {
        return std::nullopt;
    }
    if (frame->nFlags & rar4::FILE_SALT) {
        const size_t saltPos = namePos + nNameSize;
        if (saltPos + rar4::SALT_SIZE > nHeaderSize) {
            return std::nullopt;
        }
        header.erase(header.begin() + long(saltPos), header.begin() + long(saltPos + rar4::SALT_SIZE));
    }
    const uint16_t nFlags = frame->nFlags & ~(rar4::FILE_PASSWORD | rar4::FILE_SALT);
    rarformat::PutLe16(&header[rar4::BLOCK_FLAGS], nFlags);
    rarformat::PutLe16(&header[rar4::BLOCK_HEADER_SIZE], uint16_t(header.size()));
    PutLe32(&header[rar4::FILE_PACK_SIZE], uint32_t(nNewPackedSize));
    if (nFlags & rar4::FILE_LARGE) {
        PutLe32(&header[rar4::FILE_HIGH_PACK_SIZE], uint32_t(nNewPackedSize >> 32));
    }
    SetRar4HeaderCrc(header);
    return header;
}

}  // namespace rarheader
