#include "companions/unrar/decrypt/RarHeaderEditor.h"

#include <zlib.h>

namespace rarheader {

namespace {

uint32_t Crc32(const uint8_t* p, size_t n) {
    return static_cast<uint32_t>(crc32(0, p, static_cast<uInt>(n)));
}

uint32_t Le32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24);
}

void PutLe32(uint8_t* p, uint32_t n) {
    p[0] = uint8_t(n);
    p[1] = uint8_t(n >> 8);
    p[2] = uint8_t(n >> 16);
    p[3] = uint8_t(n >> 24);
}

// Largest header the format allows (2 MB of header data).
constexpr uint64_t RAR5_MAX_HEADER = 2 * 1024 * 1024;

constexpr uint16_t RAR4_LONG_BLOCK = 0x8000;
constexpr uint16_t RAR4_FILE_PASSWORD = 0x0004;
constexpr uint16_t RAR4_FILE_LARGE = 0x0100;
constexpr uint16_t RAR4_FILE_SALT = 0x0400;
constexpr uint16_t RAR4_MAIN_PASSWORD = 0x0080;
constexpr uint8_t RAR4_FILE_HEAD = 0x74;
constexpr uint8_t RAR4_NEWSUB_HEAD = 0x7a;

}  // namespace

std::optional<uint64_t> ReadVint(const uint8_t* p, size_t n, size_t& pos) {
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

void AppendVint(Bytes& out, uint64_t n) {
    do {
        uint8_t b = n & 0x7f;
        n >>= 7;
        if (n) {
            b |= 0x80;
        }
        out.push_back(b);
    } while (n);
}

std::optional<CRar5Frame> ReadRar5Frame(const uint8_t* p, size_t n) {
    size_t pos = 4;
    const auto headSize = ReadVint(p, n, pos);
    if (!headSize || *headSize == 0 || *headSize > RAR5_MAX_HEADER) {
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
    if (*flags & 0x1) {
        if (!ReadVint(p, n, pos)) {
            return std::nullopt;
        }
    }
    if (*flags & 0x2) {
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

bool Rar5HeaderCrcMatches(const uint8_t* p, size_t nHeaderSize) {
    return nHeaderSize > 4 && Crc32(p + 4, nHeaderSize - 4) == Le32(p);
}

std::optional<Bytes> StripRar5FileEncryption(const uint8_t* p, size_t nHeaderSize, bool bDropChecksums,
                                             uint64_t nNewDataSize) {
    size_t pos = 4;
    const auto headSize = ReadVint(p, nHeaderSize, pos);
    if (!headSize || pos + *headSize != nHeaderSize) {
        return std::nullopt;
    }
    const auto type = ReadVint(p, nHeaderSize, pos);
    const auto flags = type ? ReadVint(p, nHeaderSize, pos) : std::nullopt;
    if (!flags || (*type != 2 && *type != 3)) {
        return std::nullopt;
    }
    uint64_t nExtraSize = 0;
    if (*flags & 0x1) {
        const auto extra = ReadVint(p, nHeaderSize, pos);
        if (!extra) {
            return std::nullopt;
        }
        nExtraSize = *extra;
    }
    if (*flags & 0x2) {
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
    const bool bHasCrc = nFileFlags & 0x4;
    if (bDropChecksums) {
        nFileFlags &= ~uint64_t(0x4);
    }
    AppendVint(fields, nFileFlags);
    const size_t afterFlags = pos;
    if (!ReadVint(p, extraStart, pos) || !ReadVint(p, extraStart, pos)) {
        return std::nullopt;
    }
    if (*fileFlags & 0x2) {
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
        const bool bDrop = *recType == 0x01 || (bDropChecksums && *recType == 0x02);
        if (!bDrop) {
            extra.insert(extra.end(), p + recStart, p + recEnd);
        }
        e = recEnd;
    }

    Bytes body;
    AppendVint(body, *type);
    uint64_t nNewFlags = *flags & ~uint64_t(0x1);
    if (!extra.empty()) {
        nNewFlags |= 0x1;
    }
    AppendVint(body, nNewFlags);
    if (!extra.empty()) {
        AppendVint(body, extra.size());
    }
    if (nNewFlags & 0x2) {
        AppendVint(body, nNewDataSize);
    }
    body.insert(body.end(), fields.begin(), fields.end());
    body.insert(body.end(), extra.begin(), extra.end());

    Bytes out(4);
    AppendVint(out, body.size());
    out.insert(out.end(), body.begin(), body.end());
    PutLe32(out.data(), Crc32(out.data() + 4, out.size() - 4));
    return out;
}

std::optional<CRar4Frame> ReadRar4Frame(const uint8_t* p, size_t n) {
    if (n < 7) {
        return std::nullopt;
    }
    CRar4Frame frame;
    frame.nCrc = uint16_t(p[0] | (p[1] << 8));
    frame.nType = p[2];
    frame.nFlags = uint16_t(p[3] | (p[4] << 8));
    frame.nHeaderSize = uint16_t(p[5] | (p[6] << 8));
    if (frame.nHeaderSize < 7) {
        return std::nullopt;
    }
    const bool bFile = frame.nType == RAR4_FILE_HEAD || frame.nType == RAR4_NEWSUB_HEAD;
    if ((frame.nFlags & RAR4_LONG_BLOCK) || bFile) {
        if (frame.nHeaderSize < 11 || n < 11) {
            return std::nullopt;
        }
        frame.nDataSize = Le32(p + 7);
        if (bFile && (frame.nFlags & RAR4_FILE_LARGE)) {
            if (frame.nHeaderSize < 36 || n < 36) {
                return std::nullopt;
            }
            frame.nDataSize |= uint64_t(Le32(p + 32)) << 32;
        }
    }
    return frame;
}

bool Rar4HeaderCrcMatches(const uint8_t* p, size_t nHeaderSize) {
    return nHeaderSize >= 7 && (Crc32(p + 2, nHeaderSize - 2) & 0xffff) == uint32_t(p[0] | (p[1] << 8));
}

void SetRar4HeaderCrc(Bytes& header) {
    const uint32_t nCrc = Crc32(header.data() + 2, header.size() - 2);
    header[0] = uint8_t(nCrc);
    header[1] = uint8_t(nCrc >> 8);
}

std::optional<Bytes> ClearRar4HeaderEncryption(const uint8_t* p, size_t nHeaderSize) {
    if (nHeaderSize < 7) {
        return std::nullopt;
    }
    Bytes header(p, p + nHeaderSize);
    header[3] &= uint8_t(~RAR4_MAIN_PASSWORD);
    SetRar4HeaderCrc(header);
    return header;
}

std::optional<Bytes> StripRar4FileEncryption(const uint8_t* p, size_t nHeaderSize, uint64_t nNewPackedSize) {
    const auto frame = ReadRar4Frame(p, nHeaderSize);
    if (!frame || frame->nType != RAR4_FILE_HEAD || nHeaderSize < 32 || nNewPackedSize > frame->nDataSize) {
        return std::nullopt;
    }
    Bytes header(p, p + nHeaderSize);
    const uint16_t nNameSize = uint16_t(p[26] | (p[27] << 8));
    const size_t namePos = 32 + ((frame->nFlags & RAR4_FILE_LARGE) ? 8 : 0);
    if (namePos + nNameSize > nHeaderSize) {
        return std::nullopt;
    }
    if (frame->nFlags & RAR4_FILE_SALT) {
        const size_t saltPos = namePos + nNameSize;
        if (saltPos + 8 > nHeaderSize) {
            return std::nullopt;
        }
        header.erase(header.begin() + long(saltPos), header.begin() + long(saltPos + 8));
    }
    const uint16_t nFlags = frame->nFlags & ~(RAR4_FILE_PASSWORD | RAR4_FILE_SALT);
    header[3] = uint8_t(nFlags);
    header[4] = uint8_t(nFlags >> 8);
    header[5] = uint8_t(header.size());
    header[6] = uint8_t(header.size() >> 8);
    PutLe32(&header[7], uint32_t(nNewPackedSize));
    if (nFlags & RAR4_FILE_LARGE) {
        PutLe32(&header[32], uint32_t(nNewPackedSize >> 32));
    }
    SetRar4HeaderCrc(header);
    return header;
}

}  // namespace rarheader
