#pragma once
// Archive discovery: what one item holds. A folder item is scanned
// recursively, a RAR item collects every volume of its set, a ZIP item is
// taken as it is. The results go into the work lists (CWorkLists) and the
// scan's clean-up entries (kind 1: a file clean-up will leave in place,
// only with the Clean up option; kind 2: a file that cannot be opened).
//
// Threads: CDiscovery runs on the discovery worker thread (CDiscoveryWorker)
// and writes only the CWorkLists it was given; the GUI thread leaves those
// alone until UWM_SCAN_DONE arrives. Everything it needs from the GUI side is
// copied into CScanJob before the worker starts. Failures never leave the
// worker as exceptions: what cannot be read becomes a kind-2 entry, and an
// exception ends the scan with an error line (arrScanErrors, bScanFailed), so the
// item fails rather than being extracted and cleaned up from a partial scan.
//
// File-system safety: only regular files are opened (never a FIFO or a
// device, which could block or be read endlessly); a symbolic link to a
// directory is never followed; a symbolically linked file may be extracted
// but is never put into the clean-up list (arrAllFiles), so nothing outside
// the item can be deleted through a link.

#include <QObject>
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <unordered_set>

#include "engine/CWorkLists.h"

class CJobList;

// The item options discovery reads, taken when the scan starts.
class CScanOptions {
public:
    int bCleanUp = 0;
    int bSample = 0;
    int bCovers = 0;
    int bSubs = 0;
    int bTest = 0;

    // The options of a row (-1: the item being processed), GUI thread.
    static CScanOptions ForItem(const CJobList& list, int nRow = -1);
};

// Everything one discovery needs, copied on the GUI thread.
class CScanJob {
public:
    std::string strType;        // "zip", "rar", anything else scans a folder
    std::string strItemPath;    // the item's strPath
    std::string strInputPath;   // folder item: strPath; archive item: strParentFolder
    std::string strItemOutput;  // the resolved output folder
    CScanOptions options;
};

class CDiscovery {
public:
    // pKillRequested may be null; when it reads non-zero the scan stops at
    // the next directory entry.
    CDiscovery(CScanJob job, CWorkLists& lists, const std::atomic<int>* pKillRequested);

    // Runs the scan that the item's type calls for. Never throws.
    void DiscoverItem();

    // Recursive folder scan (folder items).
    void ScanFolder(const std::string& strFolder, const std::string& strOutputFolder);
    // Every volume of the set the item's RAR file belongs to, in strFolder.
    void CollectRarItem(const std::string& strFolder, const std::string& strOutputFolder);
    // The item's ZIP file itself.
    void CollectZipItem(const std::string& strFolder, const std::string& strOutputFolder);

    // Called with each file's path just before it is opened (tests use it
    // to change the folder under the scan's feet).
    void SetEntryHook(std::function<void(const std::string&)> hook) { m_entryHook = std::move(hook); }

private:
    struct CProbe;
    bool KillRequested() const;
    void AddFolder(const std::string& strFolder);
    void AddRarVolume(const std::string& strName, const std::string& strFolder);
    void AddKept(const std::string& strPath);
    void AddUnreadable(const std::string& strPath, const std::string& strReason);
    void AddScanError(const std::string& strText);
    void AddOwnFile(const CFileInformation& info, bool bLinked);
    void ClassifyFile(const std::string& strName, const std::string& strFolder, const CProbe& probe);
    bool ProbeEntry(int nDirFd, const std::string& strName, const std::string& strPath, unsigned char nType,
                    CProbe& probe);

    CScanJob m_job;
    CWorkLists& m_lists;
    const std::atomic<int>* m_pKillRequested;
    std::unordered_set<std::string> m_knownFolders;
    std::unordered_set<std::string> m_knownRarFiles;
    std::function<void(const std::string&)> m_entryHook;
};

// Runs one discovery on its own thread and then posts UWM_SCAN_DONE (wParam
// 0) to the target. Owned by the driver on the GUI thread; the target must
// outlive the worker (the destructor waits for the thread).
class CDiscoveryWorker {
public:
    CDiscoveryWorker() = default;
    CDiscoveryWorker(const CDiscoveryWorker&) = delete;
    CDiscoveryWorker& operator=(const CDiscoveryWorker&) = delete;
    ~CDiscoveryWorker();

    // Waits for a previous run, then starts a new one. lists and the kill
    // flag must stay alive and untouched by others until UWM_SCAN_DONE.
    void Start(QObject* pTarget, const CScanJob& job, CWorkLists& lists,
               const std::atomic<int>* pKillRequested);
    // Joins the thread; after UWM_SCAN_DONE this returns at once.
    void Wait();

private:
    std::thread m_thread;
};

// --- finishing steps, GUI thread, after UWM_SCAN_DONE --------------------

// Picks the first volume of every RAR set in arrRarFiles and appends it to
// arrWork (bSubsPack inside a subtitles folder below strInputFolder, else bRar).
void SelectFirstVolumes(CWorkLists& lists, const std::string& strInputFolder);

// Orders the work list: RAR first volumes by path, ZIPs by path, subtitle
// packs, then nfo and covers, samples last; subtitle files keep their place.
void SortWorkList(std::vector<CFileInformation>& arrWork);

// TakeScanCleanUp into the item, SelectFirstVolumes, SortWorkList.
void FinishDiscovery(CWorkLists& lists, CListItem& item, const std::string& strInputFolder);

// --- helpers -------------------------------------------------------------

// Creates the one folder strPath when it does not exist (no parents). On
// creation writes "Created folder:\t" + path + "\r\n" to pLog (may be empty).
// Answers true when the path exists afterwards. Any thread.
bool EnsureFolder(const std::string& strPath, const std::function<void(const std::string&)>& pLog = {});

// Lets the calling thread's pending Qt events be handled (keeps a GUI
// responsive in long loops; does nothing on a thread without an event loop).
void PumpMessages();
