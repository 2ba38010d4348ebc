#include "engine/ExtractReport.h"

#include <algorithm>

#include "engine/CRegisteredMessages.h"

void AddReportLine(std::vector<std::string>& arrErrors, const std::string& strText, int nLineBreaks) {
    std::string strLine = strText;
    for (int i = 0; i < nLineBreaks; ++i) {
        strLine += "\r\n";
    }
    arrErrors.push_back(std::move(strLine));
}

void AddReportText(std::vector<std::string>& arrErrors, const std::string& strText) {
    if (std::find(arrErrors.begin(), arrErrors.end(), strText) == arrErrors.end()) {
        arrErrors.push_back(strText);
    }
}

std::string PathInInput(const std::string& strPath, const std::string& strInputPath) {
    // Only a path that begins with the input folder is shown relative to it; "/in" must
    // not shorten "/x/in/a.rar" or "/input/a.rar".
    if (strInputPath.empty() || strPath.compare(0, strInputPath.size(), strInputPath) != 0) {
        return strPath;
    }
    if (strInputPath.back() == '/') {
        return strPath.substr(strInputPath.size());
    }
    if (strPath.size() > strInputPath.size() && strPath[strInputPath.size()] == '/') {
        return strPath.substr(strInputPath.size() + 1);
    }
    return strPath;
}

void PostWorkerOutcome(QObject* pTarget, EWorkerOutcome nOutcome) {
    const CRegisteredMessages& messages = CRegisteredMessages::Get();
    switch (nOutcome) {
        case EWorkerOutcome::FileDone:
            PostRegisteredMessage(pTarget, messages.UWM_FILE_DONE, 0, 0);
            break;
        case EWorkerOutcome::PasswordNeeded:
            PostRegisteredMessage(pTarget, messages.UWM_PASSWORD_NEEDED, 0, 0);
            break;
        case EWorkerOutcome::Killed:
            PostRegisteredMessage(pTarget, messages.UWM_ITEM_DONE, 3, 0);
            break;
    }
}
