#include "companions/unrar/CRarVolumeNames.h"

#include <cctype>

namespace {

bool EndsWithNoCase(const std::string& s, const std::string& suffix) {
    if (s.size() < suffix.size()) {
        return false;
    }
    for (size_t i = 0; i < suffix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(s[s.size() - suffix.size() + i])) != suffix[i]) {
            return false;
        }
    }
    return true;
}

// Finds the digits of "<.part><digits>.rar"; returns false when the name has none.
bool FindPartDigits(const std::string& s, size_t& begin, size_t& end) {
    if (!EndsWithNoCase(s, ".rar")) {
        return false;
    }
    end = s.size() - 4;
    begin = end;
    while (begin > 0 && std::isdigit(static_cast<unsigned char>(s[begin - 1]))) {
        --begin;
    }
    if (begin == end || begin < 5) {
        return false;
    }
    std::string part = s.substr(begin - 5, 5);
    for (auto& c : part) {
        c = char(std::tolower(static_cast<unsigned char>(c)));
    }
    return part == ".part";
}

bool IsSlash(char c) {
    return c == '/';
}

}  // namespace

bool CRarVolumeNames::IsNewStyleName(const std::string& strPath) {
    size_t b = 0, e = 0;
    return FindPartDigits(strPath, b, e);
}

std::string CRarVolumeNames::NextVolumeName(const std::string& strPath, bool bNewNumbering) {
    size_t begin = 0, end = 0;
    if (bNewNumbering && FindPartDigits(strPath, begin, end)) {
        std::string digits = strPath.substr(begin, end - begin);
        int i = int(digits.size()) - 1;
        while (i >= 0 && digits[size_t(i)] == '9') {
            digits[size_t(i)] = '0';
            --i;
        }
        if (i < 0) {
            digits.insert(digits.begin(), '1');
        } else {
            ++digits[size_t(i)];
        }
        return strPath.substr(0, begin) + digits + strPath.substr(end);
    }
    // Old style: the three characters after the last dot of the file name.
    size_t dot = strPath.rfind('.');
    if (dot == std::string::npos || dot + 4 != strPath.size() || IsSlash(strPath[dot + 1])) {
        return {};
    }
    std::string ext = strPath.substr(dot + 1);
    bool bUpper = std::isupper(static_cast<unsigned char>(ext[0]));
    if (EndsWithNoCase(strPath, ".rar")) {
        return strPath.substr(0, dot + 1) + (bUpper ? "R00" : "r00");
    }
    if (!std::isalpha(static_cast<unsigned char>(ext[0])) ||
        !std::isdigit(static_cast<unsigned char>(ext[1])) ||
        !std::isdigit(static_cast<unsigned char>(ext[2]))) {
        return {};
    }
    int n = (ext[1] - '0') * 10 + (ext[2] - '0') + 1;
    char letter = ext[0];
    if (n == 100) {
        n = 0;
        if (letter == 'z' || letter == 'Z') {
            return {};
        }
        ++letter;
    }
    std::string next = strPath.substr(0, dot + 1);
    next += letter;
    next += char('0' + n / 10);
    next += char('0' + n % 10);
    return next;
}

long CRarVolumeNames::VolumeNumberOf(const std::string& strPath) {
    size_t begin = 0, end = 0;
    if (FindPartDigits(strPath, begin, end)) {
        return std::stol(strPath.substr(begin, std::min<size_t>(end - begin, 9)));
    }
    if (EndsWithNoCase(strPath, ".rar")) {
        return 1;
    }
    size_t dot = strPath.rfind('.');
    if (dot != std::string::npos && dot + 4 == strPath.size()) {
        char l = char(std::tolower(static_cast<unsigned char>(strPath[dot + 1])));
        char d1 = strPath[dot + 2], d2 = strPath[dot + 3];
        if (l >= 'r' && l <= 'z' && std::isdigit(static_cast<unsigned char>(d1)) &&
            std::isdigit(static_cast<unsigned char>(d2))) {
            return 2 + (l - 'r') * 100 + (d1 - '0') * 10 + (d2 - '0');
        }
    }
    return 0;
}
