#pragma once
// The processing driver: runs the job list from the first row to the last as a
// chain of registered messages posted to itself. Every step runs on the thread
// the driver lives on (the GUI thread) and starts at most one worker thread for
// the slow part (scanning an item, extracting an archive, copying a companion);
// the worker reports back only by posting the next message. The GUI thread never
// waits on a worker: it joins a worker only after that worker's last message has
// arrived.
//
// The driver owns the driver state, the process log and the progress figures; the
// main window (or harvex-batch) shows them and forwards its buttons to Go, Pause
// and Kill. Results are written into the job list's records and rows.

#include <QObject>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "engine/CDiscovery.h"
#include "engine/CPerfTimer.h"
#include "engine/CProcessLog.h"
#include "engine/CleanUp.h"
#include "engine/Companions.h"
#include "engine/PasswordStep.h"
#include "engine/Progress.h"
#include "engine/RarExtract.h"
#include "engine/UnzipExtract.h"

class CJobList;

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
};

// What the end of a run asks of the window.
enum class EEndAction { None, Exit, Restore };

// The preferences the end-of-list action reads.
struct CEndPreferences {
    int bCloseOnOk = 0;
    int bRestoreOnOk = 0;
    int bCloseOnError = 0;
    int bRestoreOnError = 0;
};

class CDriver : public QObject {
    Q_OBJECT
public:
    explicit CDriver(CJobList& list, QObject* pParent = nullptr);
    ~CDriver() override;

    // --- what the owner provides ---------------------------------------------
    std::string strUnrarExe;                     // the console RAR program
    CUnzipContext* pUnzip = nullptr;             // the unzip library (InitUnzip); null: not loaded
    CPasswordPrompt* pPasswordPrompt = nullptr;  // null: nobody can be asked
    int bPasswordPrompt = 1;                     // the PasswordPrompt preference
    CEndPreferences endPreferences;
    // "AreToolsPresent": Go! starts nothing while it answers false.
    std::function<bool()> fnAreToolsPresent;
    // Answers the effective output folder of a row; set by the owner from the output-folder
    // rules. Without it the item's input folder is used.
    std::function<std::string(int nRow)> fnResolveOutputFolder;

    // --- commands (GUI thread) -------------------------------------------------
    enum class EGoResult { Started, ListEmpty, ToolsMissing, AlreadyRunning };
    EGoResult Go();
    void Pause();
    void Kill();
    // UWM_AUTO_START: Go! when idle, otherwise ignored.
    void PostAutoStart();

    bool IsProcessing() const { return nCurrentRow != -1; }

    // --- driver state ------------------------------------------------------------
    int nCurrentRow = -1;
    int nCurrentIndex = -1;
    int nCurrentFile = 0;
    int nSkippedCount = 0;
    std::atomic<int> bStopRequested{0};
    std::atomic<int> bKillRequested{0};
    std::string strInputPath;
    std::string strItemOutput;
    std::string strRarArchive;
    std::string strZipArchive;
    std::string strSubsDestination;
    CPerfTimer itemTimer;
    std::vector<std::string> arrFolderSnapshot;
    std::atomic<int> bPasswordNeeded{0};
    int nAnnouncedFile = -1;
    int bPasswordAsked = 0;
    std::string strPassword;  // stays for every later run until the program ends
    std::string strSampleSource, strSampleTarget, strSubsSource, strSubsTarget;

    CProcessLog log;
    CProgress progress;

    // The status line: text, colours (0xRRGGBB) and how long it stands.
    std::string strStatusLine;
    uint32_t nStatusText = 0x000040;
    uint32_t nStatusBack = 0;  // 0: the normal background
    EEndAction nLastEndAction = EEndAction::None;

    // Elapsed time of the item now running (or of the last one).
    std::string ElapsedText() const;

    // Programs and videos in strFolder itself (step 8 of a row): with bSnapshot the list is
    // taken anew, otherwise new paths go to arrNewFiles.
    void CollectNewFiles(const std::string& strFolder, bool bSnapshot, std::vector<std::string>& arrNewFiles);

    // The end-of-list decision for the statuses of all rows.
    static EEndAction DecideEndAction(const std::vector<std::string>& arrStatuses,
                                      const CEndPreferences& prefs);

signals:
    void StatusChanged(const QString& strText, uint nTextColour, uint nBackColour, int nHoldMs);
    void RunStarted();
    void RowStarted(int nRow);
    void RowFinished(int nRow);
    void RunFinished(int nEndAction);  // EEndAction
    void TraySummaryChanged();

protected:
    bool event(QEvent* pEvent) override;

private:
    void OnProcessRow(int nRow);
    void OnScanDone();
    void OnProcessFile(int nFile);
    void OnFileDone();
    void OnPasswordNeeded();
    void OnItemDone(int nCode);
    void OnSetResult(int nCode);
    void OnListDone();
    void OnAutoStart();

    void Post(int nMessage, qintptr wParam = 0);
    bool Option(int nOption) const;
    CListItem* CurrentItem();
    void ShowStatus(const std::string& strText, uint32_t nText, uint32_t nBack, int nHoldMs);
    void JoinWorker();
    void TakeWorkerResults();

    void StartArchiveWorker(bool bZip, bool bSubsPack);
    void StartCompanion(ECompanionKind nKind, const CFileInformation& f);
    void HandleFile(const CFileInformation& f);

    CJobList& m_list;
    CDiscoveryWorker m_discovery;
    std::thread m_worker;
    // Written by the worker, taken over by the GUI thread when its message arrives.
    CExtractState m_extractState;
    CUnzipContext m_noUnzip;  // stands in (not loaded) when the owner gave no library
    std::vector<std::string> m_arrWorkerErrors;
    bool m_bCompanionRun = false;
    CCopyRequest m_copy;
    ECopyResult m_nCopyResult = ECopyResult::Copied;

    std::set<std::string> m_setCopiedOk;
    std::map<std::string, std::string> m_mapTargets;
};
