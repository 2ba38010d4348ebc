#pragma once
// The records of the job list: one CListItem per row of the list, and the
// CleanUpInfo entries of an item's clean-up report. Plain data, copied by
// value; the job list (CJobList) owns the array of items in ascending nId.

#include <cstdint>
#include <string>
#include <vector>

// One entry of an item's clean-up report.
//   nKind 1: a file left in place as a precaution (strPath is shown),
//   nKind 2: any other error (strMessage is shown, one line),
//   nKind 3: a folder whose removal failed (strPath is shown).
class CleanUpInfo {
public:
    CleanUpInfo() = default;
    CleanUpInfo(std::string path, std::string message, int32_t kind)
        : strPath(std::move(path)), strMessage(std::move(message)), nKind(kind) {}

    std::string strPath;
    std::string strMessage;
    int32_t nKind = 0;

    static constexpr int32_t KIND_KEPT_FILE = 1;
    static constexpr int32_t KIND_OTHER_ERROR = 2;
    static constexpr int32_t KIND_FOLDER_LEFT = 3;

    bool operator==(const CleanUpInfo&) const = default;
};

// One job of the list: a folder, a single RAR file (standing for its whole
// set) or a single ZIP file, with everything processing produces for it.
class CListItem {
public:
    CListItem() = default;
    CListItem(const CListItem&) = default;
    CListItem& operator=(const CListItem&) = default;
    CListItem(CListItem&&) = default;
    CListItem& operator=(CListItem&&) = default;
    virtual ~CListItem() = default;

    int32_t nId = 0;                       // unique key; the row carries it
    std::string strFolderName;             // folder item: its own name; archive item: empty
    std::string strPath;                   // the folder itself or the archive file
    std::string strParentFolder;           // folder holding strPath ("/" for a root entry)
    std::vector<std::string> arrErrors;    // error lines; non-empty means "Failed"
    std::vector<CleanUpInfo> arrCleanUp;   // clean-up report entries
    std::vector<std::string> arrNewFiles;  // programs and videos that appeared in the output
    std::string strStatus;                 // state key, see JobStates.h
    std::string strResult;                 // text of the "Result" column once finished
    std::string strTime;                   // elapsed-time text when strStatus is "OK (Double click)"
    std::string strType;                   // "folder", "rar" or "zip"
    int32_t nPreset = -1;                  // preset index, -1: the main window's options
    int32_t bOutputToInput = 1;            // without a preset: extract into the input folder
    std::string strOutputFolder;           // chosen output folder, normalized
    // What the item's last run used, written by the driver when the item
    // starts: the resolved output folder ("" when testing) and whether it was
    // a test. Read by the error report's heading, the item menu's "tested"
    // flag and "Open output folder", so that options changed after the run
    // do not change what the run is said to have done. Reset clears them.
    std::string strRunOutputFolder;
    int32_t bRunWasTest = 0;
    int32_t bHasRun = 0;

    // The folder the item's files are read from: the folder itself for a
    // folder item, the folder holding the archive otherwise.
    const std::string& InputFolder() const { return strType == "folder" ? strPath : strParentFolder; }
};
