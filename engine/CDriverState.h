#pragma once
// The driver's per-item state: everything that belongs to the item being processed,
// in one record that a new row resets by assignment. The item itself is named by its
// id only: its row and its record are looked up again after every posted step, since
// rows may be deleted and records may move (items added) while a run goes on.

#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/CPerfTimer.h"

// Result codes carried by UWM_ITEM_DONE and UWM_SET_RESULT.
enum EItemResult {
    CODE_ALL_HANDLED = 0,
    CODE_ALREADY_DONE = 1,
    CODE_NOTHING_FOUND = 2,
    CODE_KILLED = 3,
    CODE_CLEANUP_LEFT = 4,
    CODE_FAILED = 5,
    CODE_COMPLETED = 6,
    CODE_STOPPED = 7,
    // The item's row was deleted while it ran: nothing is shown, the run goes on below.
    CODE_ITEM_GONE = 8,
};

struct CItemRunState {
    int nId = -1;      // the item being processed; -1 when none
    int nLastRow = 0;  // the row it had when last seen (where the run goes on if it is gone)
    int nCurrentFile = 0;
    int nAnnouncedFile = -1;
    int bPasswordAsked = 0;
    std::string strInputPath;
    std::string strItemOutput;
    std::string strRarArchive;
    std::string strZipArchive;
    std::string strSubsDestination;
    std::string strSampleSource, strSampleTarget, strSubsSource, strSubsTarget;
    std::vector<std::string> arrFolderSnapshot;
    std::set<std::string> setCopiedOk;              // companions whose copy succeeded
    std::map<std::string, std::string> mapTargets;  // companion targets and their sources
};

// Programs and videos in strFolder itself (not below): with bSnapshot, arrSnapshot is
// taken anew; otherwise every path not in the snapshot is appended to arrNewFiles (a
// path found there leaves the snapshot). Patterns in order: .exe .msi .avi .mkv .mp4 .mpg
// .mpeg .vob, ASCII case ignored. An empty folder name (test mode) finds nothing.
void CollectNewFiles(const std::string& strFolder, bool bSnapshot, std::vector<std::string>& arrSnapshot,
                     std::vector<std::string>& arrNewFiles);
