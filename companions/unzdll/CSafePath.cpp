#include "companions/unzdll/CSafePath.h"

#include <algorithm>

namespace {

std::vector<std::string> SplitOn(const std::string& str, bool bBackslashToo) {
    std::vector<std::string> arrParts;
    std::string strPart;
    for (char c : str) {
        if (c == '/' || (bBackslashToo && c == '\\')) {
            arrParts.push_back(strPart);
            strPart.clear();
        } else {
            strPart += c;
        }
    }
    arrParts.push_back(strPart);
    return arrParts;
}

bool IsDrive(const std::string& strPart) {
    return strPart.size() == 2 && strPart[1] == ':' &&
           ((strPart[0] >= 'A' && strPart[0] <= 'Z') || (strPart[0] >= 'a' && strPart[0] <= 'z'));
}

}  // namespace

bool CSafePath::Split(const std::string& strName, std::vector<std::string>& arrParts, bool& bDirectory,
                      std::string& strReason) {
    arrParts.clear();
    bDirectory = !strName.empty() && (strName.back() == '/' || strName.back() == '\\');
    if (strName.empty()) {
        strReason = "empty name";
        return false;
    }
    if (strName[0] == '/' || strName[0] == '\\') {
        strReason = "absolute path";
        return false;
    }
    std::vector<std::string> arrRaw = SplitOn(strName, true);
    if (IsDrive(arrRaw[0]) || (arrRaw[0].size() > 2 && IsDrive(arrRaw[0].substr(0, 2)))) {
        strReason = "absolute path (drive letter)";
        return false;
    }
    for (const std::string& strPart : arrRaw) {
        if (strPart.empty() || strPart == ".") {
            continue;
        }
        if (strPart == "..") {
            strReason = "the path leads outside the destination folder (..)";
            return false;
        }
        arrParts.push_back(strPart);
    }
    if (arrParts.empty()) {
        strReason = "empty name";
        return false;
    }
    return true;
}

bool CSafePath::IsLinkTargetInside(const std::vector<std::string>& arrLinkParts,
                                   const std::string& strTarget) {
    if (strTarget.empty() || strTarget[0] == '/' || strTarget.find('\0') != std::string::npos) {
        return false;
    }
    // The link's folder is everything but its last component.
    size_t nDepth = arrLinkParts.empty() ? 0 : arrLinkParts.size() - 1;
    size_t nUp = 0;
    bool bDescended = false;
    for (const std::string& strPart : SplitOn(strTarget, false)) {
        if (strPart.empty() || strPart == ".") {
            continue;
        }
        if (strPart == "..") {
            if (bDescended) {
                return false;
            }
            ++nUp;
            if (nUp > nDepth) {
                return false;
            }
        } else {
            bDescended = true;
        }
    }
    return true;
}

std::string CSafePath::Join(const std::vector<std::string>& arrParts, size_t nCount) {
    std::string str;
    for (size_t i = 0; i < std::min(nCount, arrParts.size()); ++i) {
        if (i > 0) {
            str += '/';
        }
        str += arrParts[i];
    }
    return str;
}
