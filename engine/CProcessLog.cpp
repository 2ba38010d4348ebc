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
    std::lock_guard lock(m_mutex);
    if (m_nLineBreaks + 1 >= MAX_LINES || m_strText.size() >= MAX_TEXT)
        ClearLocked();
    AppendLocked(strText);
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

    std::lock_guard lock(m_mutex);
    if (m_strText.size() >= MAX_TEXT)
        ClearLocked();
    AppendLocked(strLine);
}

void CProcessLog::AppendLocked(const std::string& strText) {
    m_strText += strText;
    m_nLineBreaks += CountLineFeeds(strText);
    if (m_fnListener)
        m_fnListener(strText);
}

void CProcessLog::ClearLocked() {
    m_strText.clear();
    m_nLineBreaks = 0;
    if (m_fnClearListener)
        m_fnClearListener();
}

void CProcessLog::Clear() {
    std::lock_guard lock(m_mutex);
    ClearLocked();
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

void CProcessLog::SetClearListener(std::function<void()> fnListener) {
    std::lock_guard lock(m_mutex);
    m_fnClearListener = std::move(fnListener);
}
