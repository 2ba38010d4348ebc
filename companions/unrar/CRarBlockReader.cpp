#include "companions/unrar/CRarBlockReader.h"

#include <cstring>

#include "companions/unrar/RarFormat.h"

namespace {

using rarformat::Crc32;
using rarformat::Le16;
using rarformat::Le32;
namespace rar4 = rarformat::rar4;
namespace rar5 = rarformat::rar5;

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

std::string Utf16ToUtf8(const std::vector<uint16_t>& units) {
    std::string out;
    for (size_t i = 0; i < units.size(); ++i) {
        uint32_t u = units[i];
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] < 0xE000) {
            u = 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (u >= 0xD800 && u < 0xE000) {
            u = 0xFFFD;
        }
        AppendUtf8(out, u);
    }
    return out;
}

// Sequential reader of the fields of one header held in memory.
class CFieldReader {
public:
    CFieldReader(const uint8_t* p, size_t n) : pData(p), nSize(n) {}
    bool Vint(uint64_t& v) {
        const auto value = rarformat::ReadVint(pData, nSize, nPos);
        if (!value) {
            nPos = nSize;
            return bOk = false;
        }
        v = *value;
        return true;
    }
    bool U32(uint32_t& v) {
        if (nSize - nPos < 4) {
            return bOk = false;
        }
        v = Le32(pData + nPos);
        nPos += 4;
        return true;
    }
    bool Bytes(size_t n, const uint8_t*& p) {
        if (nSize - nPos < n) {
            return bOk = false;
        }
        p = pData + nPos;
        nPos += n;
        return true;
    }
    size_t Pos() const { return nPos; }
    size_t Left() const { return nSize - nPos; }
    bool Ok() const { return bOk; }

private:
    const uint8_t* pData;
    size_t nSize;
    size_t nPos = 0;
    bool bOk = true;
};

class CVolumeWalker {
public:
    CVolumeWalker(IRarVolumeSource& s, RarVolumeInfo& i) : source(s), info(i) {}

    // Reads exactly n bytes at offset; false (with the status set) when they are not there.
    bool ReadExact(uint64_t offset, size_t n, std::vector<uint8_t>& buf) {
        buf.resize(n);
        int64_t got = source.ReadAt(offset, buf.data(), n);
        if (got < 0) {
            Fail(RarScanStatus::ReadError, source.LastError());
            return false;
        }
        if (size_t(got) < n) {
            Fail(RarScanStatus::Truncated,
                 "block header at offset " + std::to_string(offset) + " is cut short");
            return false;
        }
        return true;
    }

    void Fail(RarScanStatus status, const std::string& text) {
        info.eStatus = status;
        info.strError = text;
    }

    void WalkRar4();
    void WalkRar5();

    // The volume ended without its end-of-archive block. Every volume of both formats must
    // have one: a volume cut exactly where a block begins looks like a whole one otherwise
    // (README.md, "The end-of-archive block").
    void FailWithoutEndBlock() { Fail(RarScanStatus::Truncated, "the end-of-archive block is missing"); }

private:
    bool ParseRar4File(const std::vector<uint8_t>& h, uint16_t flags, uint64_t offset, RarFileBlock& f);
    bool ParseRar5File(const std::vector<uint8_t>& h, size_t fieldsStart, uint64_t extraSize,
                       RarFileBlock& f);
    static void ParseRar5Encryption(CFieldReader& r, RarEncryption& e, bool bFile);

    IRarVolumeSource& source;
    RarVolumeInfo& info;
};

void CVolumeWalker::WalkRar4() {
    uint64_t pos = sizeof(rarformat::RAR4_SIGNATURE);
    info.nValidEnd = pos;
    std::vector<uint8_t> h;
    bool bMainSeen = false;
    while (pos < info.nSize) {
        if (info.nSize - pos < rar4::BASE_SIZE) {
            Fail(RarScanStatus::Truncated, "block header at offset " + std::to_string(pos) + " is cut short");
            return;
        }
        if (!ReadExact(pos, rar4::BASE_SIZE, h)) {
            return;
        }
        uint8_t type = h[rar4::BLOCK_TYPE];
        uint16_t flags = Le16(&h[rar4::BLOCK_FLAGS]);
        uint16_t headSize = Le16(&h[rar4::BLOCK_HEADER_SIZE]);
        if (headSize < rar4::BASE_SIZE) {
            Fail(RarScanStatus::BadHeader, "impossible block size at offset " + std::to_string(pos));
            return;
        }
        if (!ReadExact(pos, headSize, h)) {
            return;
        }
        uint64_t addSize = 0;
        if ((flags & rar4::LONG_BLOCK) && headSize >= rar4::LONG_BASE_SIZE) {
            addSize = Le32(&h[rar4::BLOCK_DATA_SIZE]);
        }
        bool bCheckCrc = type == rar4::MAIN_BLOCK || type == rar4::FILE_BLOCK || type == rar4::NEWSUB_BLOCK ||
                         type == rar4::END_BLOCK;
        if (bCheckCrc && !rarformat::Rar4HeaderCrcMatches(h.data(), headSize)) {
            Fail(RarScanStatus::BadHeader, "header CRC mismatch at offset " + std::to_string(pos));
            return;
        }
        if (type == rar4::MAIN_BLOCK) {
            if (headSize < rar4::MAIN_HEADER_SIZE) {
                Fail(RarScanStatus::BadHeader, "main header too short");
                return;
            }
            bMainSeen = true;
            info.nMainHeaderOffset = pos;
            info.nMainHeaderEnd = pos + headSize;
            info.nMainFlags = flags;
            info.bVolume = flags & rar4::MAIN_VOLUME;
            info.bLocked = flags & rar4::MAIN_LOCK;
            info.bSolid = flags & rar4::MAIN_SOLID;
            info.bNewNumbering = flags & rar4::MAIN_NEW_NUMBERING;
            info.bFirstVolume = !info.bVolume || (flags & rar4::MAIN_FIRST_VOLUME) != 0;
            info.nValidEnd = pos + headSize;
            if (flags & rar4::MAIN_HEADERS_ENCRYPTED) {
                // Every later header is encrypted: an 8-byte salt precedes the first one.
                info.bHeadersEncrypted = true;
                info.headerEncryption.bPresent = true;
                std::vector<uint8_t> salt;
                if (info.nSize - info.nValidEnd >= rar4::SALT_SIZE &&
                    ReadExact(info.nValidEnd, rar4::SALT_SIZE, salt)) {
                    info.headerEncryption.arrSalt = salt;
                }
                Fail(RarScanStatus::HeadersEncrypted, "the headers are encrypted");
                return;
            }
            pos += headSize;
            continue;
        }
        if (!bMainSeen) {
            Fail(RarScanStatus::BadHeader, "no main header after the signature");
            return;
        }
        if (type == rar4::END_BLOCK) {
            info.bHasEndBlock = true;
            info.nEndBlockOffset = pos;
            info.bMoreVolumes = flags & rar4::END_NEXT_VOLUME;
            size_t off = rar4::BASE_SIZE + ((flags & rar4::END_DATA_CRC) ? 4 : 0);
            if ((flags & rar4::END_VOLUME_NUMBER) && headSize >= off + 2) {
                info.nVolumeNumber = Le16(&h[off]);
            }
            info.nValidEnd = pos + headSize;
            return;
        }
        uint64_t dataSize = addSize;
        if (type == rar4::FILE_BLOCK || type == rar4::NEWSUB_BLOCK) {
            RarFileBlock f;
            if (!ParseRar4File(h, flags, pos, f)) {
                Fail(RarScanStatus::BadHeader, "damaged file header at offset " + std::to_string(pos));
                return;
            }
            dataSize = f.nPackedSize;
            if (f.nDataOffset + dataSize > info.nSize) {
                Fail(RarScanStatus::Truncated, "the data of " + f.strName + " is cut short");
                return;
            }
            if (type == rar4::FILE_BLOCK) {
                info.arrFiles.push_back(std::move(f));
            }
        } else if (pos + headSize + dataSize > info.nSize) {
            Fail(RarScanStatus::Truncated, "block at offset " + std::to_string(pos) + " is cut short");
            return;
        }
        pos += headSize + dataSize;
        info.nValidEnd = pos;
    }
    FailWithoutEndBlock();
}

bool CVolumeWalker::ParseRar4File(const std::vector<uint8_t>& h, uint16_t flags, uint64_t offset,
                                  RarFileBlock& f) {
    size_t headSize = h.size();
    if (headSize < rar4::FILE_HEADER_MIN) {
        return false;
    }
    uint64_t packLow = Le32(&h[rar4::FILE_PACK_SIZE]);
    uint64_t unpLow = Le32(&h[rar4::FILE_UNP_SIZE]);
    f.nHostOs = h[rar4::FILE_HOST_OS];
    f.nCrc32 = Le32(&h[rar4::FILE_CRC]);
    f.bHasCrc = true;
    f.nMtime = Le32(&h[rar4::FILE_TIME]);
    f.bHasMtime = true;
    f.nUnpackVersion = h[rar4::FILE_UNP_VER];
    f.nMethod = h[rar4::FILE_METHOD];
    uint16_t nameSize = Le16(&h[rar4::FILE_NAME_SIZE]);
    f.nAttributes = Le32(&h[rar4::FILE_ATTRIBUTES]);
    size_t p = rar4::FILE_HEADER_MIN;
    uint64_t packHigh = 0, unpHigh = 0;
    if (flags & rar4::FILE_LARGE) {
        if (headSize < rar4::FILE_LARGE_HEADER_MIN) {
            return false;
        }
        packHigh = Le32(&h[rar4::FILE_HIGH_PACK_SIZE]);
        unpHigh = Le32(&h[rar4::FILE_HIGH_UNP_SIZE]);
        p = rar4::FILE_LARGE_HEADER_MIN;
    }
    f.nPackedSize = packLow | (packHigh << 32);
    f.nUnpackedSize = unpLow | (unpHigh << 32);
    if ((flags & rar4::FILE_LARGE) && unpLow == 0xFFFFFFFF && unpHigh == 0xFFFFFFFF) {
        f.bUnpackedSizeKnown = false;
    }
    if (p + nameSize > headSize) {
        return false;
    }
    const uint8_t* pName = &h[p];
    std::string raw(reinterpret_cast<const char*>(pName), nameSize);
    if (flags & rar4::FILE_UNICODE) {
        size_t zero = raw.find('\0');
        if (zero == std::string::npos) {
            f.strName = raw;  // already UTF-8
        } else {
            f.strName = CRarBlockReader::DecodeRar4UnicodeName(raw.substr(0, zero), pName + zero + 1,
                                                               nameSize - zero - 1);
        }
    } else {
        f.strName = raw;
    }
    p += nameSize;
    f.bSplitBefore = flags & rar4::FILE_SPLIT_BEFORE;
    f.bSplitAfter = flags & rar4::FILE_SPLIT_AFTER;
    f.bSolid = flags & rar4::FILE_SOLID;
    f.bDirectory = (flags & rar4::FILE_WINDOW_MASK) == rar4::FILE_WINDOW_MASK;
    if (!f.bDirectory) {
        f.nDictionary = uint32_t(0x10000) << ((flags >> 5) & 7);
    }
    f.bStored = f.nMethod == rar4::METHOD_STORE;
    if (flags & rar4::FILE_PASSWORD) {
        f.encryption.bPresent = true;
        f.encryption.nFlags = flags & rar4::FILE_SALT;
        if ((flags & rar4::FILE_SALT) && p + rar4::SALT_SIZE <= headSize) {
            f.encryption.arrSalt.assign(h.begin() + long(p), h.begin() + long(p + rar4::SALT_SIZE));
        }
    }
    f.nHeaderOffset = offset;
    f.nDataOffset = offset + headSize;
    return true;
}

void CVolumeWalker::ParseRar5Encryption(CFieldReader& r, RarEncryption& e, bool bFile) {
    uint64_t version = 0, flags = 0;
    const uint8_t* p = nullptr;
    e.bPresent = true;
    if (!r.Vint(version) || !r.Vint(flags) || !r.Bytes(1, p)) {
        return;
    }
    e.nVersion = uint32_t(version);
    e.nFlags = uint32_t(flags);
    e.nKdfCount = p[0];
    if (r.Bytes(16, p)) {
        e.arrSalt.assign(p, p + 16);
    }
    if (bFile && r.Bytes(16, p)) {
        e.arrIv.assign(p, p + 16);
    }
    if ((flags & rar5::ENCRYPTION_PASSWORD_CHECK) && r.Bytes(12, p)) {
        e.arrCheck.assign(p, p + 12);
    }
}

bool CVolumeWalker::ParseRar5File(const std::vector<uint8_t>& h, size_t fieldsStart, uint64_t extraSize,
                                  RarFileBlock& f) {
    if (extraSize > h.size() - fieldsStart) {
        return false;
    }
    size_t extraStart = h.size() - size_t(extraSize);
    CFieldReader r(h.data() + fieldsStart, extraStart - fieldsStart);
    uint64_t fileFlags = 0, unpSize = 0, attr = 0, compInfo = 0, hostOs = 0, nameLen = 0;
    if (!r.Vint(fileFlags) || !r.Vint(unpSize) || !r.Vint(attr)) {
        return false;
    }
    if (fileFlags & rar5::FILE_HAS_MTIME) {
        uint32_t t = 0;
        if (!r.U32(t)) {
            return false;
        }
        f.nMtime = t;
        f.bHasMtime = true;
    }
    if (fileFlags & rar5::FILE_HAS_CRC) {
        if (!r.U32(f.nCrc32)) {
            return false;
        }
        f.bHasCrc = true;
    }
    const uint8_t* pName = nullptr;
    if (!r.Vint(compInfo) || !r.Vint(hostOs) || !r.Vint(nameLen) || !r.Bytes(size_t(nameLen), pName)) {
        return false;
    }
    f.bDirectory = fileFlags & rar5::FILE_DIRECTORY;
    f.nUnpackedSize = unpSize;
    f.bUnpackedSizeKnown = !(fileFlags & rar5::FILE_UNKNOWN_SIZE);
    f.nAttributes = attr;
    f.nUnpackVersion = uint32_t(compInfo & 0x3F);
    f.bSolid = compInfo & rar5::COMPRESSION_SOLID;
    f.nMethod = uint32_t((compInfo >> 7) & 0x7);
    f.bStored = f.nMethod == 0;
    f.nHostOs = uint32_t(hostOs);
    f.strName.assign(reinterpret_cast<const char*>(pName), size_t(nameLen));

    CFieldReader x(h.data() + extraStart, size_t(extraSize));
    while (x.Left() > 0) {
        uint64_t recSize = 0;
        if (!x.Vint(recSize) || recSize == 0 || recSize > x.Left()) {
            return false;
        }
        const uint8_t* pRec = nullptr;
        x.Bytes(size_t(recSize), pRec);
        CFieldReader rec(pRec, size_t(recSize));
        uint64_t recType = 0;
        if (!rec.Vint(recType)) {
            return false;
        }
        if (recType == rar5::RECORD_ENCRYPTION) {
            ParseRar5Encryption(rec, f.encryption, true);
        } else if (recType == rar5::RECORD_HASH) {
            uint64_t hashType = 0;
            const uint8_t* pHash = nullptr;
            if (rec.Vint(hashType) && hashType == rar5::HASH_BLAKE2SP && rec.Bytes(32, pHash)) {
                f.bHasBlake2 = true;
                std::memcpy(f.arrBlake2.data(), pHash, 32);
            }
        } else if (recType == rar5::RECORD_REDIRECTION) {
            uint64_t redirType = 0, redirFlags = 0, targetLen = 0;
            const uint8_t* pTarget = nullptr;
            if (rec.Vint(redirType) && rec.Vint(redirFlags) && rec.Vint(targetLen) &&
                rec.Bytes(size_t(targetLen), pTarget)) {
                f.nRedirectionType = uint32_t(redirType);
                f.strRedirection.assign(reinterpret_cast<const char*>(pTarget), size_t(targetLen));
            }
        }
    }
    return true;
}

void CVolumeWalker::WalkRar5() {
    uint64_t pos = sizeof(rarformat::RAR5_SIGNATURE);
    info.nValidEnd = pos;
    info.bNewNumbering = true;
    std::vector<uint8_t> h;
    bool bMainSeen = false;
    while (pos < info.nSize) {
        // CRC32, then the header size as a variable-length integer of at most 3 bytes.
        size_t nPeek = size_t(std::min<uint64_t>(info.nSize - pos, 7));
        if (!ReadExact(pos, nPeek, h)) {
            return;
        }
        CFieldReader sizeReader(h.data() + 4, nPeek > 4 ? nPeek - 4 : 0);
        uint64_t headerSize = 0;
        if (nPeek < 5 || !sizeReader.Vint(headerSize)) {
            if (nPeek < 7) {
                Fail(RarScanStatus::Truncated,
                     "block header at offset " + std::to_string(pos) + " is cut short");
            } else {
                Fail(RarScanStatus::BadHeader, "impossible header size at offset " + std::to_string(pos));
            }
            return;
        }
        if (headerSize == 0 || headerSize > rar5::MAX_HEADER) {
            Fail(RarScanStatus::BadHeader, "impossible header size at offset " + std::to_string(pos));
            return;
        }
        size_t sizeLen = sizeReader.Pos();
        uint64_t total = 4 + sizeLen + headerSize;
        if (pos + total > info.nSize) {
            Fail(RarScanStatus::Truncated, "block header at offset " + std::to_string(pos) + " is cut short");
            return;
        }
        if (!ReadExact(pos, size_t(total), h)) {
            return;
        }
        if (!rarformat::Rar5HeaderCrcMatches(h.data(), size_t(total))) {
            Fail(RarScanStatus::BadHeader, "header CRC mismatch at offset " + std::to_string(pos));
            return;
        }
        CFieldReader r(h.data() + 4 + sizeLen, size_t(headerSize));
        uint64_t type = 0, flags = 0, extraSize = 0, dataSize = 0;
        if (!r.Vint(type) || !r.Vint(flags) || ((flags & rar5::HAS_EXTRA) && !r.Vint(extraSize)) ||
            ((flags & rar5::HAS_DATA) && !r.Vint(dataSize))) {
            Fail(RarScanStatus::BadHeader, "damaged header at offset " + std::to_string(pos));
            return;
        }
        size_t fieldsStart = 4 + sizeLen + r.Pos();
        uint64_t blockEnd = pos + total + dataSize;
        if (dataSize > info.nSize || blockEnd > info.nSize) {
            Fail(RarScanStatus::Truncated, "block at offset " + std::to_string(pos) + " is cut short");
            return;
        }
        if (type == rar5::ENCRYPTION_BLOCK) {
            // Archive encryption header: everything after it is encrypted.
            info.bHeadersEncrypted = true;
            CFieldReader e(h.data() + fieldsStart, h.size() - fieldsStart);
            ParseRar5Encryption(e, info.headerEncryption, false);
            info.nValidEnd = blockEnd;
            Fail(RarScanStatus::HeadersEncrypted, "the headers are encrypted");
            return;
        }
        if (type == rar5::MAIN_BLOCK) {
            CFieldReader m(h.data() + fieldsStart, h.size() - fieldsStart);
            uint64_t archiveFlags = 0, volNumber = 0;
            if (!m.Vint(archiveFlags) || ((archiveFlags & rar5::MAIN_VOLUME_NUMBER) && !m.Vint(volNumber))) {
                Fail(RarScanStatus::BadHeader, "damaged main header");
                return;
            }
            bMainSeen = true;
            info.nMainHeaderOffset = pos;
            info.nMainHeaderEnd = blockEnd;
            info.nMainFlags = uint32_t(archiveFlags);
            info.bVolume = archiveFlags & rar5::MAIN_VOLUME;
            info.bSolid = archiveFlags & rar5::MAIN_SOLID;
            info.bLocked = archiveFlags & rar5::MAIN_LOCK;
            info.bFirstVolume = !(archiveFlags & rar5::MAIN_VOLUME_NUMBER) || volNumber == 0;
            info.nVolumeNumber = (archiveFlags & rar5::MAIN_VOLUME_NUMBER) ? int64_t(volNumber) : 0;
        } else if (!bMainSeen) {
            Fail(RarScanStatus::BadHeader, "no main header after the signature");
            return;
        } else if (type == rar5::FILE_BLOCK) {
            RarFileBlock f;
            if (!ParseRar5File(h, fieldsStart, extraSize, f)) {
                Fail(RarScanStatus::BadHeader, "damaged file header at offset " + std::to_string(pos));
                return;
            }
            f.nHeaderOffset = pos;
            f.nDataOffset = pos + total;
            f.nPackedSize = dataSize;
            f.bSplitBefore = flags & rar5::SPLIT_BEFORE;
            f.bSplitAfter = flags & rar5::SPLIT_AFTER;
            info.arrFiles.push_back(std::move(f));
        } else if (type == rar5::END_BLOCK) {
            CFieldReader e(h.data() + fieldsStart, h.size() - fieldsStart);
            uint64_t endFlags = 0;
            e.Vint(endFlags);
            info.bHasEndBlock = true;
            info.nEndBlockOffset = pos;
            info.bMoreVolumes = endFlags & rar5::END_MORE_VOLUMES;
            info.nValidEnd = blockEnd;
            return;
        }
        pos = blockEnd;
        info.nValidEnd = pos;
    }
    if (!bMainSeen) {
        Fail(RarScanStatus::Truncated, "the main header is missing");
        return;
    }
    FailWithoutEndBlock();
}

}  // namespace

std::string CRarBlockReader::DecodeRar4UnicodeName(const std::string& strStdName, const uint8_t* pEnc,
                                                   size_t nEnc) {
    std::vector<uint16_t> out;
    size_t pos = 0;
    if (nEnc == 0) {
        return strStdName;
    }
    uint8_t highByte = pEnc[pos++];
    uint8_t flags = 0;
    int flagBits = 0;
    const size_t maxLen = 0x10000;
    while (pos < nEnc && out.size() < maxLen) {
        if (flagBits == 0) {
            flags = pEnc[pos++];
            flagBits = 8;
            if (pos > nEnc) {
                break;
            }
        }
        flagBits -= 2;
        switch ((flags >> flagBits) & 3) {
            case 0:
                if (pos >= nEnc) {
                    return Utf16ToUtf8(out);
                }
                out.push_back(pEnc[pos++]);
                break;
            case 1:
                if (pos >= nEnc) {
                    return Utf16ToUtf8(out);
                }
                out.push_back(uint16_t(pEnc[pos++] | (highByte << 8)));
                break;
            case 2:
                if (pos + 1 >= nEnc) {
                    return Utf16ToUtf8(out);
                }
                out.push_back(uint16_t(pEnc[pos] | (pEnc[pos + 1] << 8)));
                pos += 2;
                break;
            case 3: {
                if (pos >= nEnc) {
                    return Utf16ToUtf8(out);
                }
                uint8_t length = pEnc[pos++];
                if (length & 0x80) {
                    if (pos >= nEnc) {
                        return Utf16ToUtf8(out);
                    }
                    uint8_t correction = pEnc[pos++];
                    for (int i = 0; i < (length & 0x7F) + 2 && out.size() < strStdName.size(); ++i) {
                        uint8_t c = uint8_t(strStdName[out.size()]);
                        out.push_back(uint16_t(((c + correction) & 0xFF) | (highByte << 8)));
                    }
                } else {
                    for (int i = 0; i < length + 2 && out.size() < strStdName.size(); ++i) {
                        out.push_back(uint8_t(strStdName[out.size()]));
                    }
                }
                break;
            }
        }
    }
    return Utf16ToUtf8(out);
}

RarVolumeInfo CRarBlockReader::ReadVolume(IRarVolumeSource& source) {
    RarVolumeInfo info;
    info.nSize = source.Size();
    uint8_t sig[sizeof rarformat::RAR5_SIGNATURE] = {};
    int64_t got = source.ReadAt(0, sig, sizeof sig);
    if (got < 0) {
        info.eStatus = RarScanStatus::ReadError;
        info.strError = source.LastError();
        return info;
    }
    CVolumeWalker walker(source, info);
    if (got >= int64_t(sizeof rarformat::RAR5_SIGNATURE) &&
        std::memcmp(sig, rarformat::RAR5_SIGNATURE, sizeof rarformat::RAR5_SIGNATURE) == 0) {
        info.eFormat = RarFormat::Rar5;
        walker.WalkRar5();
    } else if (got >= int64_t(sizeof rarformat::RAR4_SIGNATURE) &&
               std::memcmp(sig, rarformat::RAR4_SIGNATURE, sizeof rarformat::RAR4_SIGNATURE) == 0) {
        info.eFormat = RarFormat::Rar4;
        walker.WalkRar4();
    } else {
        info.eStatus = RarScanStatus::NotRar;
        info.strError = "no RAR signature";
    }
    return info;
}
