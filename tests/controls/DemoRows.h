#pragma once
// A job list with one row in every state the list shows, for the view
// tests and the screenshots.

#include <string>

#include "engine/CItemStates.h"
#include "engine/CJobList.h"

namespace DemoRows {

inline int AddFolder(CJobList& list, const std::string& strName, const std::string& strOutput = "/srv/out") {
    CListItem item;
    item.strType = "folder";
    item.strPath = "/srv/in/" + strName;
    item.strParentFolder = "/srv/in";
    item.strFolderName = strName;
    const int nRow = list.AddItem(item, strName);
    list.SetRowText(nRow, CJobList::COLUMN_OUTPUT, strOutput);
    return nRow;
}

inline int AddArchive(CJobList& list, const std::string& strName, const std::string& strType) {
    CListItem item;
    item.strType = strType;
    item.strPath = "/srv/in/" + strName;
    item.strParentFolder = "/srv/in";
    const int nRow = list.AddItem(item, strName);
    list.SetRowText(nRow, CJobList::COLUMN_OUTPUT, ItemStates::OUTPUT_TO_INPUT_MARKER);
    return nRow;
}

// Rows: 0 completed, 1 clean-up left, 2 failed, 3 nothing to extract,
// 4 killed, 5 skipped, 6 copying samples, 7 being extracted (no result yet),
// 8 "monkey", 9 a RAR file, 10 a ZIP file, 11 waiting.
inline void FillEveryState(CJobList& list) {
    using namespace ItemStates;
    list.SetRowResult(AddFolder(list, "Nebula.Drift.2019.1080p"), COMPLETED, "OK (2m5s120ms)",
                      IMAGE_COMPLETED);
    list.SetRowResult(AddFolder(list, "Harbour.Lights.S01E03"), CLEANUP_LEFT, RESULT_CLEANUP_FAILED,
                      IMAGE_CLEANUP_LEFT);
    list.SetRowResult(AddFolder(list, "Quiet.Orchard.720p"), FAILED, RESULT_FAILED, IMAGE_FAILED);
    list.SetRowResult(AddFolder(list, "Empty.Release"), NOTHING_TO_EXTRACT, NOTHING_TO_EXTRACT,
                      IMAGE_NOTHING);
    list.SetRowResult(AddFolder(list, "Paper.Lanterns.2021"), KILLED, KILLED, IMAGE_KILLED);
    list.SetRowResult(AddFolder(list, "Silver.Creek.Docs"), SKIP, SKIP, IMAGE_SKIP);
    list.SetRowResult(AddFolder(list, "Winter.Tide.1080p"), COPYING_SAMPLES, COPYING_SAMPLES, 5);
    const int nRunning = AddFolder(list, "Copper.Valley.2160p");
    list.SetRowImage(nRunning, IMAGE_EXTRACT_ANIMATION_FIRST + 9);
    AddFolder(list, MONKEY);
    AddArchive(list, "holiday-photos.part01.rar", "rar");
    AddArchive(list, "field-notes.zip", "zip");
    AddFolder(list, "Amber.Fields.S02");
}

}  // namespace DemoRows
