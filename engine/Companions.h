#pragma once
// Copies of the companion files a release carries: the nfo, the covers, the
// sample and loose subtitle files. The driver plans each copy on the main thread
// (PlanCompanionCopy, PrepareCopyFolder, AvoidTargetClash) and runs the copy
// itself on a worker thread (RunCompanionCopy), which reports back by a posted
// message. Failures become error lines of the current item, never exceptions.

#include <atomic>
#include <map>
#include <string>
#include <vector>

class CProcessLog;

enum class ECompanionKind { Nfo, Cover, Sample, Subtitle };

struct CCompanionOptions {
    std::string strItemPath;      // the item's strPath
    std::string strInputPath;     // folder item: strPath; file item: strParentFolder
    std::string strOutputFolder;  // effective output folder
    bool bTest = false;           // option 1
    bool bKeep = false;           // option 3, 4, 5 or 6 by kind
    bool bKilled = false;         // bKillRequested when the handler starts
};

struct CCopyRequest {
    ECompanionKind nKind = ECompanionKind::Nfo;
    std::string strSource;
    std::string strFolder;  // the folder the copy goes into (created when missing)
    std::string strTarget;  // full destination path
};

// Main thread. Answers false when the copy does not apply (keep option off, killed, test
// mode, or the output folder is the item's own folder); otherwise fills req.
bool PlanCompanionCopy(ECompanionKind nKind, const std::string& strSource, const CCompanionOptions& opt,
                       CCopyRequest& req);

// Main thread. Creates req.strFolder when missing (its parent must exist), logging
// "Created folder:\t" + folder. A folder that cannot be made gives an error line.
bool PrepareCopyFolder(const CCopyRequest& req, CProcessLog& log, std::vector<std::string>& arrErrors);

// Main thread. Two companions of one item must never land on one target: when another
// source already went to req.strTarget, the target gets the source's folder name before
// its extension (movie.fre.srt), then a number, and the log says so. mapTargets maps the
// targets of the item to their sources.
void AvoidTargetClash(CCopyRequest& req, std::map<std::string, std::string>& mapTargets, CProcessLog& log);

enum class ECopyResult { Copied, Failed, Killed };

// Worker thread. Copies source to target through a temporary file in the target folder
// that replaces the target only when every byte was read, written and flushed; on a kill
// or a failure no partial target remains. A target that is the source itself (same device
// and inode) is refused. Logs "Copy sample:\t" (and so on) + file name; failures add the
// kind's error line to arrErrors. Checks bKillRequested after every block.
ECopyResult RunCompanionCopy(const CCopyRequest& req, const std::atomic<int>& bKillRequested,
                             CProcessLog& log, std::vector<std::string>& arrErrors);

// The text of strPath from nPos (a marker's leading '/') up to the next '/'.
std::string FolderComponent(const std::string& strPath, int nPos);
