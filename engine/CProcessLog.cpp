#include "engine/CProcessLog.h"

#include <algorithm>

namespace {

int CountLineFeeds(const std::string& strText) {
    return static_cast<int>(std::count(strText.begin(), strText.end(), '\n'));
}

bool IsBlank(char c) {
    return c == ' ';
}

}  // namespace

void CProcessLog::AppendLog(const std::string& strText) {
    std::unique_lock lock(m_mutex);
    if (m_nLineBreaks + 1 >= MAX_LINES || m_strText.size() >= MAX_TEXT) {
        m_strText.clear();
        m_nLineBreaks = 0;
    }
    AppendLocked(strText, lock);
}

void CProcessLog::AppendWorkerLog(const std::string& strText, bool bFilter, bool bLine, bool bTestMode) {
    std::size_t nBegin = 0;
    std::size_t nEnd = strText.size();
    while (nBegin < nEnd && IsBlank(strText[nBegin]))
        ++nBegin;
    while (nEnd > nBegin && IsBlank(strText[nEnd - 1]))
        --nEnd;
    std::string strLine = strText.substr(nBegin, nEnd - nBegin);

    if (bFilter) {
        const char* pszPrefix = bTestMode ? "Tested " : "Unzipped ";
        if (!bLine || strLine.rfind(pszPrefix, 0) != 0)
            return;
        strLine = "\t" + strLine;
    }
    if (bLine && (strLine.size() < 2 || strLine.compare(strLine.size() - 2, 2, "\r\n") != 0))
        strLine += "\r\n";

    std::unique_lock lock(m_mutex);
    if (m_strText.size() >= MAX_TEXT) {
        m_strText.clear();
        m_nLineBreaks = 0;
    }
    AppendLocked(strLine, lock);
}

void CProcessLog::AppendLocked(const std::string& strText, std::unique_lock<std::mutex>& lock) {
    m_strText += strText;
    m_nLineBreaks += CountLineFeeds(strText);
    auto fnListener = m_fnListener;
    lock.unlock();
    if (fnListener)
        fnListener(strText);
}

void CProcessLog::Clear() {
    std::lock_guard lock(m_mutex);
    m_strText.clear();
    m_nLineBreaks = 0;
}

std::string CProcessLog::Text() const {
    std::lock_guard lock(m_mutex);
    return m_strText;
}

int CProcessLog::LineCount() const {
    std::lock_guard lock(m_mutex);
    return m_nLineBreaks + 1;
}

void CProcessLog::SetListener(std::function<void(const std::string&)> fnListener) {
    std::lock_guard lock(m_mutex);
    m_fnListener = std::move(fnListener);
}
