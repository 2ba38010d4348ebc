#include "companions/unzdll/CZipLayout.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

uint16_t Le16(const unsigned char* p) {
    return uint16_t(p[0] | (p[1] << 8));
}
uint32_t Le32(const unsigned char* p) {
    return uint32_t(Le16(p)) | (uint32_t(Le16(p + 2)) << 16);
}
uint64_t Le64(const unsigned char* p) {
    return uint64_t(Le32(p)) | (uint64_t(Le32(p + 4)) << 32);
}

constexpr uint32_t SIG_LOCAL = 0x04034b50;
constexpr uint32_t SIG_CENTRAL = 0x02014b50;
constexpr uint32_t SIG_END = 0x06054b50;
constexpr uint32_t SIG_END64 = 0x06064b50;
constexpr uint32_t SIG_END64_LOCATOR = 0x07064b50;
constexpr size_t END_SIZE = 22;
constexpr size_t END64_LOCATOR_SIZE = 20;
constexpr size_t END64_SIZE = 56;
constexpr size_t CENTRAL_SIZE = 46;
constexpr size_t LOCAL_SIZE = 30;
constexpr size_t MAX_COMMENT = 65535;

// Reads the central directory through a window so that a huge declared directory
// costs no more memory than a small one.
class CWindowReader {
public:
    CWindowReader(int fd, uint64_t nStart, uint64_t nEnd) : m_fd(fd), m_nPos(nStart), m_nEnd(nEnd) {}

    // Points pData at the next nLength bytes; false at the end of the range or on a read error.
    bool Next(size_t nLength, const unsigned char*& pData, bool& bReadError) {
        bReadError = false;
        if (nLength > m_nEnd - m_nPos) {
            return false;
        }
        if (nLength > m_arrBuffer.size()) {
            m_arrBuffer.resize(nLength);  // bounded by the 64 KiB a name, extra or comment can have
        }
        if (m_nPos < m_nBufStart || m_nPos + nLength > m_nBufStart + m_nBufLen) {
            size_t nWant = size_t(std::min<uint64_t>(m_arrBuffer.size(), m_nEnd - m_nPos));
            size_t nGot = 0;
            while (nGot < nWant) {
                ssize_t n = pread(m_fd, m_arrBuffer.data() + nGot, nWant - nGot, off_t(m_nPos + nGot));
                if (n < 0 && errno == EINTR) {
                    continue;
                }
                if (n <= 0) {
                    bReadError = n < 0;
                    return false;
                }
                nGot += size_t(n);
            }
            m_nBufStart = m_nPos;
            m_nBufLen = nGot;
        }
        pData = m_arrBuffer.data() + (m_nPos - m_nBufStart);
        m_nPos += nLength;
        return true;
    }

private:
    int m_fd;
    uint64_t m_nPos;
    uint64_t m_nEnd;
    std::vector<unsigned char> m_arrBuffer = std::vector<unsigned char>(256 * 1024);
    uint64_t m_nBufStart = 0;
    size_t m_nBufLen = 0;
};

}  // namespace

bool CZipLayout::ReadAt(uint64_t nOffset, void* pBuffer, size_t nLength) {
    if (nOffset > m_nFileSize || nLength > m_nFileSize - nOffset) {
        return false;
    }
    size_t nGot = 0;
    while (nGot < nLength) {
        ssize_t n = pread(m_fd, static_cast<char*>(pBuffer) + nGot, nLength - nGot, off_t(nOffset + nGot));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            if (n < 0) {
                strProblem = std::strerror(errno);
            }
            return false;
        }
        nGot += size_t(n);
    }
    return true;
}

// Looks backwards through the last 64 KiB for an end record whose central directory
// really starts with a central header (or is empty); the first that fits wins.
bool CZipLayout::FindEnd(uint64_t& nEntryCount) {
    if (m_nFileSize < END_SIZE) {
        return false;
    }
    uint64_t nTailStart = m_nFileSize > END_SIZE + MAX_COMMENT ? m_nFileSize - END_SIZE - MAX_COMMENT : 0;
    std::vector<unsigned char> arrTail(size_t(m_nFileSize - nTailStart));
    if (!ReadAt(nTailStart, arrTail.data(), arrTail.size())) {
        return false;
    }
    for (size_t i = arrTail.size() - END_SIZE + 1; i-- > 0;) {
        const unsigned char* p = arrTail.data() + i;
        if (Le32(p) != SIG_END) {
            continue;
        }
        uint64_t nEndOffset = nTailStart + i;
        uint64_t nCount = Le16(p + 10);
        uint64_t nSize = Le32(p + 12);
        uint64_t nOffset = Le32(p + 16);
        uint16_t nDisk = Le16(p + 4);
        uint16_t nCentralDisk = Le16(p + 6);
        if ((nDisk != 0 && nDisk != 0xFFFF) || (nCentralDisk != 0 && nCentralDisk != 0xFFFF)) {
            continue;  // multi-disk: not ours to read
        }
        // Some writers put all ones into every field when the ZIP64 record holds the values.
        bool bZip64 = nCount == 0xFFFF || nSize == 0xFFFFFFFF || nOffset == 0xFFFFFFFF || nDisk == 0xFFFF ||
                      nCentralDisk == 0xFFFF;
        uint64_t nLimit = nEndOffset;
        if (nEndOffset >= END64_LOCATOR_SIZE) {
            unsigned char aLoc[END64_LOCATOR_SIZE];
            if (ReadAt(nEndOffset - END64_LOCATOR_SIZE, aLoc, sizeof aLoc) &&
                Le32(aLoc) == SIG_END64_LOCATOR) {
                unsigned char aEnd64[END64_SIZE];
                uint64_t nEnd64 = Le64(aLoc + 8);
                if (ReadAt(nEnd64, aEnd64, sizeof aEnd64) && Le32(aEnd64) == SIG_END64) {
                    nCount = Le64(aEnd64 + 32);
                    nSize = Le64(aEnd64 + 40);
                    nOffset = Le64(aEnd64 + 48);
                    nLimit = nEnd64;
                    bZip64 = false;
                }
            }
        }
        if (bZip64) {
            continue;  // the values say ZIP64 but there is no ZIP64 end record
        }
        if (nOffset > nLimit || nSize > nLimit - nOffset) {
            continue;
        }
        if (nCount == 0 && nSize == 0) {
            nEntryCount = 0;
            nCentralOffset = nOffset;
            nCentralSize = 0;
            return true;
        }
        unsigned char aSig[4];
        if (nSize >= CENTRAL_SIZE && ReadAt(nOffset, aSig, 4) && Le32(aSig) == SIG_CENTRAL) {
            nEntryCount = nCount;
            nCentralOffset = nOffset;
            nCentralSize = nSize;
            return true;
        }
    }
    return false;
}

CZipLayout::EStatus CZipLayout::ReadCentral(uint64_t nEntryCount) {
    CWindowReader reader(m_fd, nCentralOffset, nCentralOffset + nCentralSize);
    // Each central header takes at least 46 bytes: a count beyond that is a lie.
    if (nEntryCount > nCentralSize / CENTRAL_SIZE) {
        strProblem = "the central directory is shorter than its entry count";
        return EStatus::Damaged;
    }
    arrEntries.reserve(size_t(nEntryCount));
    bool bReadError = false;
    for (uint64_t i = 0; i < nEntryCount; ++i) {
        const unsigned char* p = nullptr;
        if (!reader.Next(CENTRAL_SIZE, p, bReadError) || Le32(p) != SIG_CENTRAL) {
            strProblem = bReadError ? std::strerror(errno)
                                    : "central directory entry " + std::to_string(i) + " is damaged";
            return bReadError ? EStatus::ReadError : EStatus::Damaged;
        }
        Entry entry;
        entry.nMethod = Le16(p + 10);
        entry.nCrc = Le32(p + 16);
        entry.nCompressedSize = Le32(p + 20);
        entry.nSize = Le32(p + 24);
        size_t nNameLen = Le16(p + 28);
        size_t nExtraLen = Le16(p + 30);
        size_t nCommentLen = Le16(p + 32);
        entry.nLocalOffset = Le32(p + 42);
        const unsigned char* pVar = nullptr;
        if (!reader.Next(nNameLen + nExtraLen + nCommentLen, pVar, bReadError)) {
            strProblem = bReadError ? std::strerror(errno)
                                    : "central directory entry " + std::to_string(i) + " is cut short";
            return bReadError ? EStatus::ReadError : EStatus::Damaged;
        }
        entry.strName.assign(reinterpret_cast<const char*>(pVar), nNameLen);
        // The ZIP64 extra field holds, in this order, only the values that are all ones above.
        const unsigned char* pExtra = pVar + nNameLen;
        for (size_t nPos = 0; nPos + 4 <= nExtraLen;) {
            uint16_t nId = Le16(pExtra + nPos);
            size_t nLen = Le16(pExtra + nPos + 2);
            if (nPos + 4 + nLen > nExtraLen) {
                break;
            }
            if (nId == 0x0001) {
                const unsigned char* q = pExtra + nPos + 4;
                size_t nLeft = nLen;
                auto take = [&](uint64_t& nValue) {
                    if (nValue == 0xFFFFFFFF && nLeft >= 8) {
                        nValue = Le64(q);
                        q += 8;
                        nLeft -= 8;
                    }
                };
                take(entry.nSize);
                take(entry.nCompressedSize);
                take(entry.nLocalOffset);
            } else if (nId == 0x9901 && nLen >= 7 && pExtra[nPos + 6] == 'A' && pExtra[nPos + 7] == 'E') {
                const unsigned char* q = pExtra + nPos + 4;
                entry.nAesVersion = Le16(q);
                entry.nAesStrength = q[4];
            }
            nPos += 4 + nLen;
        }
        arrEntries.push_back(entry);
    }
    for (size_t i = 0; i < arrEntries.size(); ++i) {
        Entry& entry = arrEntries[i];
        unsigned char aLocal[LOCAL_SIZE];
        if (!ReadAt(entry.nLocalOffset, aLocal, sizeof aLocal) || Le32(aLocal) != SIG_LOCAL) {
            if (!strProblem.empty()) {
                return EStatus::ReadError;
            }
            strProblem = "the local header of entry " + std::to_string(i) + " is missing";
            return EStatus::Damaged;
        }
        size_t nLocalNameLen = Le16(aLocal + 26);
        entry.nDataOffset = entry.nLocalOffset + LOCAL_SIZE + nLocalNameLen + Le16(aLocal + 28);
        if (entry.nDataOffset > m_nFileSize || entry.nCompressedSize > m_nFileSize - entry.nDataOffset) {
            strProblem = "the data of entry " + std::to_string(i) + " lies beyond the end of the file";
            return EStatus::Damaged;
        }
        std::string strLocalName(nLocalNameLen, '\0');
        if (!ReadAt(entry.nLocalOffset + LOCAL_SIZE, strLocalName.data(), nLocalNameLen)) {
            if (!strProblem.empty()) {
                return EStatus::ReadError;
            }
            strProblem = "the local header of entry " + std::to_string(i) + " is cut short";
            return EStatus::Damaged;
        }
        entry.eNameCheck = CompareNames(entry.strName, strLocalName);
        if (entry.eNameCheck != ENameCheck::Same) {
            entry.strLocalName = std::move(strLocalName);
        }
    }
    return EStatus::Ok;
}

CZipLayout::EStatus CZipLayout::Read(int fd, uint64_t nFileSize) {
    m_fd = fd;
    m_nFileSize = nFileSize;
    arrEntries.clear();
    strProblem.clear();
    uint64_t nEntryCount = 0;
    if (!FindEnd(nEntryCount)) {
        return strProblem.empty() ? EStatus::NoCentral : EStatus::ReadError;
    }
    return ReadCentral(nEntryCount);
}

CZipLayout::ENameCheck CZipLayout::CompareNames(const std::string& strCentral, const std::string& strLocal) {
    if (strCentral == strLocal) {
        return ENameCheck::Same;
    }
    if (strCentral.size() != strLocal.size()) {
        return ENameCheck::Differs;
    }
    for (size_t i = 0; i < strCentral.size(); ++i) {
        char a = strCentral[i];
        char b = strLocal[i];
        bool bSeparators = (a == '/' || a == '\\') && (b == '/' || b == '\\');
        if (a != b && !bSeparators) {
            return ENameCheck::Differs;
        }
    }
    return ENameCheck::SeparatorsOnly;
}

bool CZipLayout::CheckNoOverlap() {
    std::vector<size_t> arrOrder(arrEntries.size());
    for (size_t i = 0; i < arrOrder.size(); ++i) {
        arrOrder[i] = i;
    }
    std::sort(arrOrder.begin(), arrOrder.end(),
              [&](size_t a, size_t b) { return arrEntries[a].nLocalOffset < arrEntries[b].nLocalOffset; });
    for (size_t k = 0; k < arrOrder.size(); ++k) {
        const Entry& entry = arrEntries[arrOrder[k]];
        uint64_t nEnd = entry.nDataOffset + entry.nCompressedSize;
        if (nCentralSize > 0 && nEnd > nCentralOffset && entry.nLocalOffset < nCentralOffset + nCentralSize) {
            strProblem =
                "the data of entry " + std::to_string(arrOrder[k]) + " overlaps the central directory";
            return false;
        }
        if (k + 1 < arrOrder.size() && nEnd > arrEntries[arrOrder[k + 1]].nLocalOffset) {
            strProblem = "entries " + std::to_string(arrOrder[k]) + " and " +
                         std::to_string(arrOrder[k + 1]) + " share the same bytes";
            return false;
        }
    }
    return true;
}
