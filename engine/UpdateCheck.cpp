#include "engine/UpdateCheck.h"

#include <cmath>
#include <vector>

namespace UpdateCheck {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string Trimmed(const std::string& strText) {
    std::size_t nBegin = 0;
    std::size_t nEnd = strText.size();
    while (nBegin < nEnd && IsBlank(strText[nBegin]))
        ++nBegin;
    while (nEnd > nBegin && IsBlank(strText[nEnd - 1]))
        --nEnd;
    return strText.substr(nBegin, nEnd - nBegin);
}

// "1.4.3.2" -> {1, 4, 3, 2}; false for anything but digits separated by single dots.
bool ParseVersion(const std::string& strText, std::vector<unsigned long>& arrParts) {
    arrParts.clear();
    const std::string strVersion = Trimmed(strText);
    if (strVersion.empty() || strVersion.size() > static_cast<std::size_t>(MAX_VERSION_LINE))
        return false;
    unsigned long nValue = 0;
    int nDigits = 0;
    for (char c : strVersion) {
        if (c >= '0' && c <= '9') {
            if (++nDigits > 9)
                return false;
            nValue = nValue * 10 + static_cast<unsigned long>(c - '0');
        } else if (c == '.' && nDigits > 0) {
            arrParts.push_back(nValue);
            nValue = 0;
            nDigits = 0;
        } else {
            return false;
        }
    }
    if (nDigits == 0)
        return false;  // a trailing dot
    arrParts.push_back(nValue);
    return true;
}

}  // namespace

std::string FirstLine(const std::string& strBody) {
    const std::size_t nLimit = static_cast<std::size_t>(MAX_VERSION_LINE) + 2;
    const std::size_t nEnd = strBody.find('\n');
    if (nEnd == std::string::npos)
        return strBody.substr(0, nLimit);
    return strBody.substr(0, std::min(nEnd, nLimit));
}

EVersionAnswer CompareVersions(const std::string& strPublished, const std::string& strOwn) {
    std::vector<unsigned long> arrPublished;
    std::vector<unsigned long> arrOwn;
    if (!ParseVersion(strPublished, arrPublished) || !ParseVersion(strOwn, arrOwn))
        return EVersionAnswer::Invalid;
    const std::size_t nCount = std::max(arrPublished.size(), arrOwn.size());
    for (std::size_t i = 0; i < nCount; ++i) {
        const unsigned long nPublished = i < arrPublished.size() ? arrPublished[i] : 0;
        const unsigned long nOwn = i < arrOwn.size() ? arrOwn[i] : 0;
        if (nPublished != nOwn)
            return nPublished > nOwn ? EVersionAnswer::Newer : EVersionAnswer::NotNewer;
    }
    return EVersionAnswer::NotNewer;
}

bool IsNewerVersion(const std::string& strPublished, const std::string& strOwn) {
    return CompareVersions(strPublished, strOwn) == EVersionAnswer::Newer;
}

qint64 WholeDaysBetween(const QDateTime& dtFrom, const QDateTime& dtTo) {
    const qint64 nMs = dtFrom.msecsTo(dtTo);
    const qint64 nSeconds = static_cast<qint64>(std::llround(static_cast<double>(nMs) / 1000.0));
    return nSeconds / 86400;
}

bool IsSilentCheckDue(bool bCheckUpdates, const QDateTime& dtLastCheck, const QDateTime& dtNow) {
    if (!bCheckUpdates || !dtLastCheck.isValid())
        return false;
    return WholeDaysBetween(dtLastCheck, dtNow) > SILENT_CHECK_DAYS;
}

}  // namespace UpdateCheck
