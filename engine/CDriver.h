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
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "engine/CDiscovery.h"
#include "engine/CDriverState.h"
#include "engine/CPerfTimer.h"
#include "engine/CProcessLog.h"
#include "engine/CleanUp.h"
#include "engine/Companions.h"
#include "engine/PasswordStep.h"
#include "engine/Progress.h"
#include "engine/RarExtract.h"
#include "engine/UnzipExtract.h"

class CJobList;

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
    // Starts a worker thread (extraction, companion copy). Tests replace it to make a start
    // fail; a start that throws fails the entry with an error line.
    std::function<std::thread(std::function<void()>)> fnStartThread;

    // --- commands (GUI thread) -------------------------------------------------
    enum class EGoResult { Started, ListEmpty, ToolsMissing, AlreadyRunning };
    EGoResult Go();
    void Pause();
    void Kill();
    // UWM_AUTO_START: Go! when idle, otherwise ignored.
    void PostAutoStart();

    bool IsProcessing() const { return m_bRunning; }
    // The id of the item being processed, -1 when idle or between two items.
    int CurrentItemId() const { return m_run.nId; }
    // The row of that item now (rows may have moved), -1 when none.
    int CurrentRow() const;

    // --- run state -----------------------------------------------------------------
    int nSkippedCount = 0;
    std::atomic<int> bStopRequested{0};
    std::atomic<int> bKillRequested{0};
    std::atomic<int> bPasswordNeeded{0};
    std::string strPassword;  // stays for every later run until the program ends
    CPerfTimer itemTimer;

    CProcessLog log;
    CProgress progress;

    // The status line: text, colours (0xRRGGBB) and how long it stands.
    std::string strStatusLine;
    uint32_t nStatusText = 0x000040;
    uint32_t nStatusBack = 0;  // 0: the normal background
    EEndAction nLastEndAction = EEndAction::None;

    // Elapsed time of the item now running (or of the last one).
    std::string ElapsedText() const;

    // The end-of-list decision for the statuses of all rows.
    static EEndAction DecideEndAction(const std::vector<std::string>& arrStatuses,
                                      const CEndPreferences& prefs);

signals:
    // Every signal is emitted on the driver's (GUI) thread.
    // nHoldMs > 0: erase after that many ms; 0: erase now (one character per tick); -1: stay.
    void StatusChanged(const QString& strText, uint nTextColour, uint nBackColour, int nHoldMs);
    void RunStarted();
    void RowStarted(int nRow);
    void RowFinished(int nRow);
    void RunFinished(int nEndAction);  // EEndAction
    void TraySummaryChanged();
    // The row's bar and the animation timers start (marquee: no percentage) and stop.
    void ProgressStarted(int nId, bool bMarquee);
    void ProgressStopped(int nId);
    // The process log's new text and its emptying, whatever thread wrote the log; queued.
    void LogAppended(const QString& strText);
    void LogCleared();

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
    static int LogMessage();
    void QueueLogChange(bool bCleared, const std::string& strText);
    void DeliverLogChanges();
    bool Option(int nOption) const;
    // The current item looked up by its id; null when it is gone. The address is good only
    // until the event loop runs again or the job list changes (a signal may change it).
    CListItem* CurrentItem();
    // The current item's row (and the job list's idea of it) brought up to date.
    int SyncCurrentRow();
    void AddItemError(const std::string& strLine);
    void ShowStatus(const std::string& strText, uint32_t nText, uint32_t nBack, int nHoldMs);
    void StopProgress();
    void JoinWorker();
    void TakeWorkerResults();
    bool StartWorker(std::function<void()> fnBody, const std::string& strWhat);
    void RunCleanUp();

    void StartArchiveWorker(bool bZip, bool bSubsPack);
    void EndArchiveWorker(EWorkerOutcome nOutcome, bool bSucceeded, const std::string& strWhere);
    void StartCompanion(ECompanionKind nKind, const CFileInformation& f);
    void HandleFile(const CFileInformation& f);
    void HandleSubsPack(const CFileInformation& f);

    CJobList& m_list;
    bool m_bRunning = false;
    int m_nNextRowId = -1;  // the item whose row UWM_PROCESS_ROW starts
    CItemRunState m_run;
    CDiscoveryWorker m_discovery;
    std::thread m_worker;
    // Written by the worker, taken over by the GUI thread when its message arrives.
    CExtractState m_extractState;
    CUnzipContext m_noUnzip;  // stands in (not loaded) when the owner gave no library
    std::vector<std::string> m_arrWorkerErrors;
    bool m_bCompanionRun = false;
    CCopyRequest m_copy;
    ECopyResult m_nCopyResult = ECopyResult::Copied;
    // Log changes on their way to the driver's thread (any thread adds, the driver's takes).
    struct CLogRelay {
        std::mutex mutex;
        std::vector<std::pair<bool, std::string>> arrChanges;  // (emptied, text appended)
        bool bPosted = false;
    };
    std::unique_ptr<CLogRelay> m_pLogRelay = std::make_unique<CLogRelay>();
};
