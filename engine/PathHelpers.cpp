#include "engine/PathHelpers.h"

#include <string.h>
#include <sys/stat.h>

std::string LowerAscii(std::string strText) {
    for (char& c : strText) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return strText;
}

std::string GetExtension(const std::string& strName) {
    size_t nDot = strName.rfind('.');
    if (nDot == std::string::npos) {
        return std::string();
    }
    return LowerAscii(strName.substr(nDot + 1));
}

std::string FileNameOf(const std::string& strPath) {
    size_t nSlash = strPath.rfind('/');
    return nSlash == std::string::npos ? strPath : strPath.substr(nSlash + 1);
}

std::string FolderPartOf(const std::string& strPath) {
    size_t nSlash = strPath.rfind('/');
    return nSlash == std::string::npos ? std::string() : strPath.substr(0, nSlash + 1);
}

std::string ParentFolderOf(const std::string& strPath) {
    size_t nSlash = strPath.rfind('/');
    if (nSlash == std::string::npos) {
        return std::string();
    }
    return nSlash == 0 ? std::string("/") : strPath.substr(0, nSlash);
}

std::string NormalizePath(const std::string& strPath) {
    const bool bNetwork = strPath.compare(0, 2, "//") == 0;
    std::string strResult;
    strResult.reserve(strPath.size() + 1);
    for (size_t i = 0; i < strPath.size(); ++i) {
        strResult += strPath[i];
        // A pair collapses to one; the scan goes on after the pair.
        if (strPath[i] == '/' && i + 1 < strPath.size() && strPath[i + 1] == '/') {
            ++i;
        }
    }
    if (bNetwork) {
        strResult.insert(strResult.begin(), '/');
    }
    return strResult;
}

std::string SeparatorFor(const std::string& strBase) {
    return (!strBase.empty() && strBase.back() == '/') ? std::string() : std::string("/");
}

bool IsFolderAvailable(const std::string& strPath) {
    if (strPath.compare(0, 2, "//") == 0) {
        return true;
    }
    struct stat st {};
    return !strPath.empty() && stat(strPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

namespace {

// strerror_r comes in two flavours; both are handled.
[[maybe_unused]] const char* PickMessage(int nResult, const char* pBuffer) {
    return nResult == 0 ? pBuffer : "Unknown error";
}
[[maybe_unused]] const char* PickMessage(const char* pMessage, const char*) {
    return pMessage;
}

}  // namespace

std::string SystemErrorText(int nError) {
    char buffer[256] = {};
    std::string strText = PickMessage(strerror_r(nError, buffer, sizeof buffer), buffer);
    for (char& c : strText) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    return strText;
}
