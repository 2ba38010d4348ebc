#pragma once
// The per-item work lists that archive discovery fills for the item being
// processed. The job list owns one instance (CJobList::WorkLists()); the
// driver empties it when a row starts, the discovery worker fills it while
// it runs (nobody else touches it meanwhile), and after UWM_SCAN_DONE the GUI
// thread finishes it (SelectFirstVolumes, SortWorkList) and reads it.

#include "engine/CFileInformation.h"

#include <string>
#include <vector>

class CWorkLists {
public:
    std::vector<CFileInformation> arrWork;      // ordered work list the driver walks by index
    std::vector<CFileInformation> arrAllFiles;  // every file that belongs to the item (clean-up)
    std::vector<std::string> arrFolders;        // folders visited by the scan (clean-up)
    std::vector<RarFiles> arrRarFiles;          // every RAR volume found, no duplicates
    std::vector<ZipFiles> arrZipFiles;          // every ZIP found

    void Clear() {
        arrWork.clear();
        arrAllFiles.clear();
        arrFolders.clear();
        arrRarFiles.clear();
        arrZipFiles.clear();
    }
};
