#pragma once
// The per-item work lists that archive discovery fills for the item being
// processed. The job list owns one instance (CJobList::WorkLists()); the
// driver empties it when a row starts, the discovery worker fills it while
// it runs (nobody else touches it meanwhile), and after UWM_SCAN_DONE the GUI
// thread finishes it (SelectFirstVolumes, SortWorkList) and reads it.

#include <string>
#include <vector>

#include "engine/CFileInformation.h"
#include "engine/CListItem.h"

class CWorkLists {
public:
    std::vector<CFileInformation> arrWork;      // ordered work list the driver walks by index
    std::vector<CFileInformation> arrAllFiles;  // every file that belongs to the item (clean-up)
    std::vector<std::string> arrFolders;        // folders visited by the scan (clean-up)
    std::vector<RarFiles> arrRarFiles;          // every RAR volume found, no duplicates
    std::vector<ZipFiles> arrZipFiles;          // every ZIP found
    // Clean-up entries (kinds 1 and 2) found by the scan. The worker writes
    // them here rather than into the item, whose record may move in memory
    // when items are added during a run; TakeScanCleanUp hands them over on
    // the GUI thread after UWM_SCAN_DONE.
    std::vector<CleanUpInfo> arrScanCleanUp;
    // Error lines of a scan that failed (the item then fails): handed over with the
    // clean-up entries.
    std::vector<std::string> arrScanErrors;
    bool bScanFailed = false;

    void Clear() {
        arrWork.clear();
        arrAllFiles.clear();
        arrFolders.clear();
        arrRarFiles.clear();
        arrZipFiles.clear();
        arrScanCleanUp.clear();
        arrScanErrors.clear();
        bScanFailed = false;
    }

    // Appends the scan's clean-up entries and error lines to the item, in the order found.
    void TakeScanCleanUp(CListItem& item) {
        item.arrCleanUp.insert(item.arrCleanUp.end(), arrScanCleanUp.begin(), arrScanCleanUp.end());
        arrScanCleanUp.clear();
        if (bScanFailed && arrScanErrors.empty())
            arrScanErrors.push_back("The scan of the item failed\r\n");
        item.arrErrors.insert(item.arrErrors.end(), arrScanErrors.begin(), arrScanErrors.end());
        arrScanErrors.clear();
    }
};
