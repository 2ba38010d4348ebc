#include "companions/unrar/CEntryPath.h"

#include <cctype>
#include <vector>

namespace {

std::vector<std::string> SplitSlashes(const std::string& s) {
    std::vector<std::string> parts;
    std::string cur;
    for (char c : s) {
        if (c == '/' || c == '\\') {
            parts.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    parts.push_back(cur);
    return parts;
}

bool HasDrivePrefix(const std::string& s) {
    return s.size() >= 2 && std::isalpha(static_cast<unsigned char>(s[0])) && s[1] == ':';
}

}  // namespace

bool CEntryPath::Normalize(const std::string& strName, std::string& strRelative) {
    strRelative.clear();
    if (strName.empty() || strName[0] == '/' || strName[0] == '\\' || HasDrivePrefix(strName)) {
        return false;
    }
    for (const std::string& part : SplitSlashes(strName)) {
        if (part.empty() || part == ".") {
            continue;
        }
        if (part == "..") {
            return false;
        }
        if (!strRelative.empty()) {
            strRelative += '/';
        }
        strRelative += part;
    }
    return !strRelative.empty();
}

bool CEntryPath::LinkStaysInside(const std::string& strEntry, const std::string& strTarget) {
    if (strTarget.empty() || strTarget[0] == '/' || strTarget[0] == '\\' || HasDrivePrefix(strTarget)) {
        return false;
    }
    // Start in the link's folder and walk the target's components.
    std::vector<std::string> stack = SplitSlashes(Parent(strEntry));
    if (stack.size() == 1 && stack[0].empty()) {
        stack.clear();
    }
    for (const std::string& part : SplitSlashes(strTarget)) {
        if (part.empty() || part == ".") {
            continue;
        }
        if (part == "..") {
            if (stack.empty()) {
                return false;
            }
            stack.pop_back();
        } else {
            stack.push_back(part);
        }
    }
    return true;
}

std::string CEntryPath::Parent(const std::string& strRelative) {
    size_t slash = strRelative.rfind('/');
    return slash == std::string::npos ? std::string() : strRelative.substr(0, slash);
}

std::string CEntryPath::Leaf(const std::string& strRelative) {
    size_t slash = strRelative.rfind('/');
    return slash == std::string::npos ? strRelative : strRelative.substr(slash + 1);
}
