#pragma once
// Clean-up after a fully successful item: deletes the processed archives and,
// for a folder item, the companion files and the folders that end up empty.
// Runs on the main thread while no worker runs. Whatever it cannot or must not
// remove becomes an entry of the item's clean-up report (kinds 2 and 3).
//
// Safety rules on top of the keep options:
//  - only regular files reached without a symbolic link below the item's input
//    folder are deleted; a link or a file reached through one is left alone;
//  - when the output folder lies inside the item's folder, nothing inside the
//    output folder is deleted and the output folder is never removed;
//  - a kept companion (nfo, sample, subtitle, cover) whose copy went to another
//    folder is deleted only when its own copy verifiably succeeded; otherwise it
//    stays and gets a kind 1 entry.

#include <set>
#include <string>
#include <vector>

#include "engine/DriverTypes.h"

class CProcessLog;

struct CCleanUpContext {
    std::string strItemPath;            // the item's strPath
    std::string strInputPath;           // folder item: strPath; file item: strParentFolder
    std::string strOutputFolder;        // effective output folder of the item
    bool bKeepNfo = false;              // option 5
    bool bKeepSample = false;           // option 3
    bool bKeepCovers = false;           // option 4
    bool bKeepSubs = false;             // option 6
    bool bKeepSubsFolder = false;       // option 7
    std::set<std::string> setCopiedOk;  // sources whose copy verifiably succeeded

    // The output folder differs from the item's path (always so for a file item).
    bool OutputElsewhere() const { return strOutputFolder != strItemPath; }
};

// Deletes the item's files (arrAllFiles), logging "Delete files\r\n"; deleted files leave
// the list, failures become kind 2 entries in arrCleanUp.
void DeleteFiles(std::vector<CFileInformation>& arrAllFiles, const CCleanUpContext& ctx,
                 std::vector<CleanUpInfo>& arrCleanUp, CProcessLog& log);

// Removes the visited folders, deepest first; a folder that should have become empty but
// stays becomes a kind 3 entry unless the keep options make it exempt.
void DeleteFolders(std::vector<std::string>& arrFolders, const CCleanUpContext& ctx,
                   std::vector<CleanUpInfo>& arrCleanUp, CProcessLog& log);

// The clean-up report's "Delete remaining" on one item's entries: removes what each entry
// names and answers the number of entries left (an entry whose file or folder is gone
// afterwards leaves the list). Guards, as clean-up's own:
//  - only entries strictly inside strInputFolder (the item's input folder), and the folder
//    item's own folder (bFolderItem) when it is empty and not the output folder;
//  - nothing in or of strOutputFolder when it lies inside the input folder;
//  - never through a link: every folder below the input folder is opened relative to the
//    one above it with O_NOFOLLOW, and the entry is removed with unlinkat on that descriptor
//    (a link entry itself goes; what it points at is never touched);
//  - folders only when empty (AT_REMOVEDIR), after the files, deepest first.
int DeleteRemaining(std::vector<CleanUpInfo>& arrCleanUp, const std::string& strInputFolder,
                    const std::string& strOutputFolder, bool bFolderItem);

class CJobList;

enum class EDeleteRemaining { Deleted, PartlyDeleted, NoSuchItem, ItemBusy, NothingToDelete };

// "&Delete remaining" for the item nId, looked up when called. bProcessing: a run is going
// on (CDriver::IsProcessing()); then the item is refused when it is the one being processed
// or when the list cannot say which one is. Only an item whose clean-up left entries
// ("OK (Double click)") after a run of this session is touched. Afterwards its row and record
// agree: no entry left -> "Completed OK" with its kept time text (image 2), otherwise
// "OK (Double click)" / "Cleanup failed"; the tray summary is asked to refresh.
EDeleteRemaining DeleteRemainingForItem(CJobList& list, int nId, bool bProcessing);

// True when the path begins with "//" (taken to exist) or names an existing directory.
bool IsExistingFolder(const std::string& strPath);

// The system's text for an error number on one line (line breaks become blanks).
std::string SystemMessage(int nError);
