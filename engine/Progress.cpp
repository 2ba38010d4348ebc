#include "engine/Progress.h"

#include <cstdio>

void CProgress::Reset() {
    nArchiveCount = 0;
    nProgressPercent = 0;
    nArchivesDone = 0;
    bSingleArchiveProgress = 0;
    bIndeterminate = 0;
    nShownPercent = -1;
}

void CProgress::StartRowProgress(int nRarVolumes, int nZipFiles, bool bTestMode) {
    bBarShown = 1;
    nArchiveCount = nRarVolumes + nZipFiles;
    if (nArchiveCount >= 2) {
        nProgressPercent = 0;
    } else if (nRarVolumes == 1 && nZipFiles == 0) {
        bSingleArchiveProgress = 1;
    } else {
        bIndeterminate = 1;
        nProgressPercent = 100;
    }
    nTrayFrame = 11;
    if (bTestMode)
        nTestFrame = 21;
    else
        nExtractFrame = 42;
}

void CProgress::StopRowProgress() {
    bBarShown = 0;
    nExtractFrame = 0;
    nTestFrame = 0;
    nTrayFrame = 11;
}

void CProgress::UpdateArchivePercent() {
    const int nCount = nArchiveCount.load();
    if (nCount <= 0)
        return;
    nShownPercent = nProgressPercent.load();
    int nPercent = nArchivesDone.load() * 100 / nCount;
    if (nPercent > 100)
        nPercent = 99;
    nProgressPercent = nPercent;
}

bool CProgress::Tick() {
    if (bIndeterminate) {
        int nPos = nArchivesDone.load() + 2;
        if (nPos > 100)
            nPos = 0;
        nArchivesDone = nPos;
    }
    if (!bBarShown || nProgressPercent.load() <= nShownPercent.load())
        return false;
    nShownPercent = nProgressPercent.load();
    return true;
}

std::string TrayProgressTip(const std::string& strName, int nPercent, bool bTestMode, bool bIndeterminate) {
    std::string strSuffix;
    if (!bIndeterminate) {
        char szBuf[32];
        std::snprintf(szBuf, sizeof szBuf, bTestMode ? " %d%% tested" : " %d%% extracted", nPercent);
        strSuffix = szBuf;
    }
    if (strName.size() + strSuffix.size() <= MAX_TRAY_TIP)
        return strName + strSuffix;
    const std::size_t nKeep = MAX_TRAY_TIP - strSuffix.size() - 3;
    return strName.substr(0, nKeep) + "..." + strSuffix;
}

CTraySummary RefreshTraySummary(const std::vector<std::string>& arrStatuses) {
    CTraySummary summary;
    for (const std::string& strStatus : arrStatuses) {
        if (strStatus == "-Double click-" || strStatus == "Nothing to test" ||
            strStatus == "Nothing to extract")
            ++summary.nFailed;
        else if (strStatus == "OK (Double click)")
            ++summary.nCleanUpFailed;
        else if (strStatus == "Completed OK")
            ++summary.nCompleted;
    }
    if (arrStatuses.empty())
        return summary;
    if (summary.nFailed > 0) {
        summary.strTooltip = "One or more items in list failed";
        summary.nIcon = summary.nCleanUpFailed > 0 ? ETrayIcon::FailedAndCleanUp : ETrayIcon::Failed;
    } else if (summary.nCleanUpFailed > 0) {
        summary.strTooltip = "One or more items in list failed clean up";
        summary.nIcon = ETrayIcon::CleanUpFailed;
    } else if (summary.nCompleted == static_cast<int>(arrStatuses.size())) {
        summary.strTooltip = "All items in list completed OK";
        summary.nIcon = ETrayIcon::AllOk;
    }
    return summary;
}
