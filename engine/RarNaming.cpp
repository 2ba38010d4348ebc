#include "engine/RarNaming.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "engine/PathHelpers.h"

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

bool IsNewStyleVolumeName(const std::string& strName, size_t* pBaseLength) {
    // Compared in place, without a lower-cased copy: this runs for every
    // volume of a large tree.
    auto endsWithAt = [&](size_t nEnd, const char* pLowerText, size_t nLength) {
        if (nEnd < nLength) {
            return false;
        }
        for (size_t i = 0; i < nLength; ++i) {
            char c = strName[nEnd - nLength + i];
            if (c >= 'A' && c <= 'Z') {
                c = static_cast<char>(c - 'A' + 'a');
            }
            if (c != pLowerText[i]) {
                return false;
            }
        }
        return true;
    };
    const size_t nLength = strName.size();
    if (!endsWithAt(nLength, ".rar", 4)) {
        return false;
    }
    const size_t nDigitsEnd = nLength - 4;
    size_t nDigitsStart = nDigitsEnd;
    while (nDigitsStart > 0 && IsDigit(strName[nDigitsStart - 1])) {
        --nDigitsStart;
    }
    const size_t nDigits = nDigitsEnd - nDigitsStart;
    if (nDigits < 1 || nDigits > 4 || !endsWithAt(nDigitsStart, ".part", 5)) {
        return false;
    }
    if (pBaseLength != nullptr) {
        *pBaseLength = nDigitsStart - 5;
    }
    return true;
}

bool IsFirstNewStyleVolume(const std::string& strName) {
    size_t nBase = 0;
    if (!IsNewStyleVolumeName(strName, &nBase)) {
        return false;
    }
    std::string strDigits = strName.substr(nBase + 5, strName.size() - 4 - (nBase + 5));
    return strDigits == "1" || strDigits == "01" || strDigits == "001" || strDigits == "0001";
}

std::string MakeVolumePattern(const std::string& strName) {
    size_t nBase = 0;
    if (IsNewStyleVolumeName(strName, &nBase)) {
        return strName.substr(0, nBase + 5) + "*";
    }
    size_t nDot = strName.rfind('.');
    if (nDot == std::string::npos) {
        return strName + "*";
    }
    return strName.substr(0, nDot + 1) + "*";
}

bool MatchesVolumePattern(const std::string& strPattern, const std::string& strName) {
    if (strPattern.empty() || strPattern.back() != '*') {
        return strPattern == strName;
    }
    const std::string strPrefix = strPattern.substr(0, strPattern.size() - 1);
    if (strName.size() <= strPrefix.size() || strName.compare(0, strPrefix.size(), strPrefix) != 0) {
        return false;
    }
    const std::string strRest = strName.substr(strPrefix.size());
    if (LowerAscii(strPrefix).ends_with(".part")) {
        size_t nBase = 0;
        return IsNewStyleVolumeName(strName, &nBase) && nBase + 5 == strPrefix.size();
    }
    if (!strPrefix.empty() && strPrefix.back() == '.') {
        return strRest.find('.') == std::string::npos;
    }
    // A pattern of a name without any dot: only the name itself.
    return strRest.empty();
}

bool IsBeforeInSet(const std::string& strName, const std::string& strOther, bool bPartStyle) {
    if (strName.size() < 3 || strOther.size() < 3) {
        return true;
    }
    const std::string strNameTail = strName.substr(strName.size() - 3);
    const std::string strOtherTail = strOther.substr(strOther.size() - 3);
    if (bPartStyle) {
        if (strNameTail != strOtherTail) {
            return true;
        }
        // The set name is what stands before the volume number's ".part",
        // not before the first "part" of the name ("Some.Party.part2.rar").
        size_t nNameBase = 0;
        size_t nOtherBase = 0;
        if (!IsNewStyleVolumeName(strName, &nNameBase) || !IsNewStyleVolumeName(strOther, &nOtherBase)) {
            return true;
        }
        const std::string strNameLower = LowerAscii(strName);
        const std::string strOtherLower = LowerAscii(strOther);
        if (strNameLower.compare(0, nNameBase, strOtherLower, 0, nOtherBase) != 0 ||
            nNameBase != nOtherBase) {
            return true;
        }
        return strNameLower < strOtherLower;
    }
    if (strName.compare(0, strName.size() - 3, strOther, 0, strOther.size() - 3) != 0 ||
        strName.size() != strOther.size()) {
        return true;
    }
    const std::string strNameExt = LowerAscii(strNameTail);
    const std::string strOtherExt = LowerAscii(strOtherTail);
    if (strNameExt == "rar") {
        return true;
    }
    if (strOtherExt == "rar") {
        return false;
    }
    return strNameExt < strOtherExt;
}

bool IsRejectedRarExtension(const std::string& strExtension) {
    static const char* const REJECTED[] = {"vob",  "avi", "mpg", "mpeg", "sfv", "nfo", "diz",  "url",
                                           "html", "zip", "jpg", "gif",  "fix", "mp4", "m2ts", "mkv"};
    if (strExtension.size() != 3) {
        return true;
    }
    for (const char* pRejected : REJECTED) {
        if (strExtension == pRejected) {
            return true;
        }
    }
    return false;
}

bool IsRarCandidate(const std::string& strExtension, const unsigned char* pHead, size_t nHeadLength,
                    bool bOpened) {
    static const unsigned char SIGNATURE[4] = {0x52, 0x61, 0x72, 0x21};  // "Rar!"
    bool bCandidate =
        bOpened ? (nHeadLength >= 4 && std::memcmp(pHead, SIGNATURE, 4) == 0) : strExtension == "rar";
    return bCandidate && !IsRejectedRarExtension(strExtension);
}

bool IsRarArchive(const std::string& strPath, RarFiles* pFound) {
    const std::string strExtension = GetExtension(FileNameOf(strPath));
    unsigned char head[4] = {};
    size_t nRead = 0;
    bool bOpened = false;
    struct stat st {};
    // Only regular files are opened (a FIFO would block, a device would be
    // read); O_NONBLOCK guards against a swap between the stat and the open.
    // Something that is not a regular file, or is gone, is never a volume;
    // a regular file that cannot be read counts by its extension.
    if (stat(strPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return false;
    }
    int nFd = open(strPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (nFd >= 0) {
        struct stat opened {};
        if (fstat(nFd, &opened) == 0 && S_ISREG(opened.st_mode)) {
            bOpened = true;
            ssize_t n = pread(nFd, head, sizeof head, 0);
            nRead = n > 0 ? static_cast<size_t>(n) : 0;
        }
        close(nFd);
        if (!bOpened) {
            return false;
        }
    }
    if (!IsRarCandidate(strExtension, head, nRead, bOpened)) {
        return false;
    }
    if (pFound != nullptr) {
        pFound->strName = FileNameOf(strPath);
        pFound->strFolder = FolderPartOf(strPath);
    }
    return true;
}
