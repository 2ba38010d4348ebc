#include "engine/CDriver.h"

#include <QCoreApplication>

#include "engine/CItemStates.h"
#include "engine/CJobList.h"
#include "engine/CRegisteredMessages.h"

using namespace ItemStates;

namespace {

constexpr uint32_t WHITE = 0xFFFFFF;
constexpr uint32_t STATUS_RED = 0xA00000;     // RGB(160,0,0)
constexpr uint32_t STATUS_BLUE = 0x00007F;    // RGB(0,0,127)
constexpr uint32_t STATUS_GREEN = 0x008000;   // RGB(0,128,0)
constexpr uint32_t STATUS_NORMAL = 0x000040;  // RGB(0,0,64)
constexpr int HOLD_STAY = -1;
constexpr const char* PAUSE_TEXT = " Processing will stop after this item has finished";

const CRegisteredMessages& Msg() {
    return CRegisteredMessages::Get();
}

}  // namespace

CDriver::CDriver(CJobList& list, QObject* pParent) : QObject(pParent), m_list(list) {
    Msg();
    // The log may be written on any thread; the window hears of it on the driver's thread,
    // in the order the changes happened (both listeners run under the log's lock).
    log.SetListener([this](const std::string& strText) { QueueLogChange(false, strText); });
    log.SetClearListener([this] { QueueLogChange(true, std::string()); });
}

int CDriver::LogMessage() {
    static const int nMessage = RegisterMessage("Harvex.Driver.LogChanged");
    return nMessage;
}

void CDriver::QueueLogChange(bool bCleared, const std::string& strText) {
    CLogRelay& relay = *m_pLogRelay;
    bool bPost = false;
    {
        std::lock_guard lock(relay.mutex);
        if (bCleared) {
            relay.arrChanges.clear();  // what was not delivered yet is gone with the text
            relay.arrChanges.emplace_back(true, std::string());
        } else if (!relay.arrChanges.empty() && !relay.arrChanges.back().first) {
            relay.arrChanges.back().second += strText;
        } else {
            relay.arrChanges.emplace_back(false, strText);
        }
        bPost = !relay.bPosted;
        relay.bPosted = true;
    }
    if (bPost)
        PostRegisteredMessage(this, LogMessage());
}

void CDriver::DeliverLogChanges() {
    std::vector<std::pair<bool, std::string>> arrChanges;
    {
        std::lock_guard lock(m_pLogRelay->mutex);
        arrChanges.swap(m_pLogRelay->arrChanges);
        m_pLogRelay->bPosted = false;
    }
    for (const auto& [bCleared, strText] : arrChanges) {
        if (bCleared)
            emit LogCleared();
        else
            emit LogAppended(QString::fromStdString(strText));
    }
}

CDriver::~CDriver() {
    bKillRequested = 1;
    JoinWorker();
    m_discovery.Wait();
    log.SetListener({});
    log.SetClearListener({});
}

// --- commands ---------------------------------------------------------------------

CDriver::EGoResult CDriver::Go() {
    if (IsProcessing())
        return EGoResult::AlreadyRunning;
    bKillRequested = 0;
    bStopRequested = 0;
    nSkippedCount = 0;
    if (m_list.RowCount() == 0) {
        ShowStatus(" List is empty", WHITE, STATUS_RED, 1500);
        return EGoResult::ListEmpty;
    }
    if (fnAreToolsPresent && !fnAreToolsPresent())
        return EGoResult::ToolsMissing;
    m_bRunning = true;
    m_run = CItemRunState();
    m_nNextRowId = m_list.RowId(0);
    m_list.SetCurrentRow(0);
    emit RunStarted();
    Post(Msg().UWM_PROCESS_ROW, 0);
    return EGoResult::Started;
}

void CDriver::Pause() {
    bStopRequested = 1;
    ShowStatus(PAUSE_TEXT, WHITE, STATUS_GREEN, HOLD_STAY);
}

void CDriver::Kill() {
    bKillRequested = 1;
    if (IsProcessing() && Option(CJobList::OPTION_TEST))
        ShowStatus(" Processing aborted", WHITE, STATUS_RED, 2000);
    else
        ShowStatus(" Processing aborted. Manual clean up may be required.", WHITE, STATUS_RED, 3000);
}

void CDriver::PostAutoStart() {
    Post(Msg().UWM_AUTO_START, 0);
}

// --- message dispatch ---------------------------------------------------------------

bool CDriver::event(QEvent* pEvent) {
    AcceptRegisteredMessage(pEvent);  // before the event's type or class is read
    const int nType = static_cast<int>(pEvent->type());
    const CRegisteredMessages& m = Msg();
    const auto* pMessage = nType >= QEvent::User ? dynamic_cast<CRegisteredEvent*>(pEvent) : nullptr;
    if (pMessage == nullptr)
        return QObject::event(pEvent);
    const qintptr wParam = pMessage->wParam;
    if (nType == LogMessage())
        DeliverLogChanges();
    else if (nType == m.UWM_PROCESS_ROW)
        OnProcessRow(static_cast<int>(wParam));
    else if (nType == m.UWM_SCAN_DONE)
        OnScanDone();
    else if (nType == m.UWM_PROCESS_FILE)
        OnProcessFile(static_cast<int>(wParam));
    else if (nType == m.UWM_FILE_DONE)
        OnFileDone();
    else if (nType == m.UWM_PASSWORD_NEEDED)
        OnPasswordNeeded();
    else if (nType == m.UWM_ITEM_DONE)
        OnItemDone(static_cast<int>(wParam));
    else if (nType == m.UWM_SET_RESULT)
        OnSetResult(static_cast<int>(wParam));
    else if (nType == m.UWM_LIST_DONE)
        OnListDone();
    else if (nType == m.UWM_AUTO_START)
        OnAutoStart();
    else
        return QObject::event(pEvent);
    return true;
}

void CDriver::Post(int nMessage, qintptr wParam) {
    PostRegisteredMessage(this, nMessage, wParam);
}

int CDriver::CurrentRow() const {
    return m_run.nId < 0 ? -1 : m_list.FindRowById(m_run.nId);
}

bool CDriver::Option(int nOption) const {
    const int nRow = CurrentRow();
    return nRow >= 0 && m_list.GetItemOption(nOption, nRow);
}

CListItem* CDriver::CurrentItem() {
    return m_run.nId < 0 ? nullptr : m_list.ItemById(m_run.nId);
}

int CDriver::SyncCurrentRow() {
    const int nRow = CurrentRow();
    if (nRow >= 0) {
        m_run.nLastRow = nRow;
        m_list.SetCurrentRow(nRow);
        m_list.SetCurrentIndex(m_list.FindIndex(nRow));
    } else {
        // The item is gone: the list keeps a row in hand (the one the run goes on with), so
        // that it still counts as processing, and no record.
        m_list.SetCurrentRow(std::max(0, std::min(m_run.nLastRow, m_list.RowCount() - 1)));
        m_list.SetCurrentIndex(-1);
    }
    return nRow;
}

void CDriver::AddItemError(const std::string& strLine) {
    if (CListItem* pItem = CurrentItem())
        pItem->arrErrors.push_back(strLine);
}

void CDriver::ShowStatus(const std::string& strText, uint32_t nText, uint32_t nBack, int nHoldMs) {
    strStatusLine = strText;
    nStatusText = nText;
    nStatusBack = nBack;
    emit StatusChanged(QString::fromStdString(strText), nText, nBack, nHoldMs);
}

std::string CDriver::ElapsedText() const {
    return ElapsedTimeText(itemTimer);
}

void CDriver::StopProgress() {
    if (!progress.bBarShown)
        return;
    progress.StopRowProgress();
    emit ProgressStopped(m_run.nId);
}

// --- step 2: a row starts -------------------------------------------------------------

void CDriver::OnProcessRow(int nRow) {
    // The row was chosen by its item's id; rows above it may have gone since.
    const int nChosen = m_list.FindRowById(m_nNextRowId);
    if (nChosen >= 0)
        nRow = nChosen;
    m_run = CItemRunState();
    m_run.nLastRow = nRow;
    m_list.SetCurrentIndex(-1);
    log.Clear();
    ShowStatus("", STATUS_NORMAL, 0, 0);
    m_list.WorkLists().Clear();
    progress.Reset();
    if (nRow < 0 || nRow >= m_list.RowCount()) {
        Post(Msg().UWM_LIST_DONE);
        return;
    }
    m_run.nId = m_list.RowId(nRow);
    SyncCurrentRow();

    if (bStopRequested) {
        Post(Msg().UWM_ITEM_DONE, CODE_STOPPED);
        return;
    }
    // A kill that arrived after the previous item had ended stops the run here: this row
    // has not run and must not be marked killed.
    if (bKillRequested) {
        Post(Msg().UWM_ITEM_DONE, CODE_STOPPED);
        return;
    }
    const CListItem* pItem = CurrentItem();
    if (pItem == nullptr) {
        Post(Msg().UWM_ITEM_DONE, CODE_ITEM_GONE);
        return;
    }
    if (!m_list.RowText(nRow, CJobList::COLUMN_RESULT).empty()) {
        Post(Msg().UWM_ITEM_DONE, CODE_ALREADY_DONE);
        return;
    }
    CScanJob job;
    job.strType = pItem->strType;
    job.strItemPath = pItem->strPath;
    job.strInputPath = pItem->InputFolder();
    pItem = nullptr;  // the owner's output rule below may change the list
    m_run.strInputPath = job.strInputPath;
    m_run.strItemOutput = fnResolveOutputFolder ? fnResolveOutputFolder(nRow) : m_run.strInputPath;
    job.strItemOutput = m_run.strItemOutput;
    job.options = CScanOptions::ForItem(m_list, nRow);
    if (CListItem* pRun = CurrentItem()) {
        pRun->strRunOutputFolder = m_run.strItemOutput;
        pRun->bRunWasTest = Option(CJobList::OPTION_TEST) ? 1 : 0;
        pRun->bHasRun = 1;
    }
    emit RowStarted(nRow);

    itemTimer.Start(true);
    std::vector<std::string> arrNone;
    CollectNewFiles(m_run.strItemOutput, true, m_run.arrFolderSnapshot, arrNone);
    try {
        m_discovery.Start(this, job, m_list.WorkLists(), &bKillRequested);
    } catch (const std::exception& e) {
        AddItemError(PathInInput(job.strItemPath, job.strInputPath) +
                     ":  Cannot start the scan: " + e.what() + "\r\n");
        Post(Msg().UWM_ITEM_DONE, CODE_ALL_HANDLED);
    }
}

// --- step 3: the scan has ended ----------------------------------------------------------

void CDriver::OnScanDone() {
    m_discovery.Wait();
    SyncCurrentRow();
    CListItem* pItem = CurrentItem();
    if (pItem == nullptr) {
        Post(Msg().UWM_ITEM_DONE, CODE_ITEM_GONE);
        return;
    }
    if (bKillRequested) {
        Post(Msg().UWM_ITEM_DONE, CODE_KILLED);
        return;
    }
    CWorkLists& lists = m_list.WorkLists();
    // A scan that failed leaves an error line: the item fails without extracting anything.
    const bool bScanFailed = lists.bScanFailed || !lists.arrScanErrors.empty();
    FinishDiscovery(lists, *pItem, m_run.strInputPath);
    pItem = nullptr;
    if (bScanFailed) {
        Post(Msg().UWM_ITEM_DONE, CODE_ALL_HANDLED);
        return;
    }

    const bool bKeepSubs = Option(CJobList::OPTION_KEEP_SUBS);
    bool bAnything = false;
    for (const CFileInformation& f : lists.arrWork)
        if (f.bRar || f.bZip || (bKeepSubs && f.bSubsPack))
            bAnything = true;
    if (!bAnything) {
        Post(Msg().UWM_ITEM_DONE, CODE_NOTHING_FOUND);
        return;
    }
    const bool bTest = Option(CJobList::OPTION_TEST);
    progress.StartRowProgress(static_cast<int>(lists.arrRarFiles.size()),
                              static_cast<int>(lists.arrZipFiles.size()), bTest);
    emit ProgressStarted(m_run.nId, progress.bIndeterminate != 0);
    if (!bTest)
        EnsureFolder(m_run.strItemOutput,
                     [this](const std::string& s) { log.AppendWorkerLog(s, false, false, false); });
    m_run.nCurrentFile = 0;
    Post(Msg().UWM_PROCESS_FILE, 0);
}

// --- step 4: one file is done -----------------------------------------------------------

void CDriver::OnFileDone() {
    TakeWorkerResults();
    // A kill during the companions, a subtitle pack or a ZIP ends the item as killed.
    if (bKillRequested) {
        Post(Msg().UWM_ITEM_DONE, CODE_KILLED);
        return;
    }
    if (CurrentItem() == nullptr) {
        Post(Msg().UWM_ITEM_DONE, CODE_ITEM_GONE);
        return;
    }
    ++m_run.nCurrentFile;
    if (m_run.nCurrentFile < static_cast<int>(m_list.WorkLists().arrWork.size()))
        Post(Msg().UWM_PROCESS_FILE, m_run.nCurrentFile);
    else
        Post(Msg().UWM_ITEM_DONE, CODE_ALL_HANDLED);
}

// --- step 6: the item has ended ---------------------------------------------------------

void CDriver::OnItemDone(int nCode) {
    TakeWorkerResults();
    itemTimer.Stop();
    StopProgress();
    if (nCode == CODE_ALREADY_DONE || nCode == CODE_NOTHING_FOUND || nCode == CODE_KILLED ||
        nCode == CODE_STOPPED || nCode == CODE_ITEM_GONE) {
        Post(Msg().UWM_SET_RESULT, nCode);
        return;
    }
    CListItem* pItem = CurrentItem();
    if (pItem == nullptr) {
        Post(Msg().UWM_SET_RESULT, CODE_ITEM_GONE);
        return;
    }
    // Never "Completed OK" (and never a clean-up) after a kill.
    if (bKillRequested) {
        Post(Msg().UWM_SET_RESULT, CODE_KILLED);
        return;
    }
    if (!pItem->arrErrors.empty()) {
        Post(Msg().UWM_SET_RESULT, CODE_FAILED);
        return;
    }
    CollectNewFiles(m_run.strItemOutput, false, m_run.arrFolderSnapshot, pItem->arrNewFiles);
    pItem = nullptr;
    if (Option(CJobList::OPTION_CLEAN_UP) && !Option(CJobList::OPTION_TEST)) {
        RunCleanUp();
        return;
    }
    Post(Msg().UWM_SET_RESULT, CODE_COMPLETED);
}

void CDriver::RunCleanUp() {
    m_list.SetRowImage(SyncCurrentRow(), IMAGE_CLEANING);
    CCleanUpContext ctx;
    ctx.strInputPath = m_run.strInputPath;
    ctx.strOutputFolder = m_run.strItemOutput;
    ctx.bKeepNfo = Option(CJobList::OPTION_KEEP_NFO);
    ctx.bKeepSample = Option(CJobList::OPTION_KEEP_SAMPLE);
    ctx.bKeepCovers = Option(CJobList::OPTION_KEEP_COVERS);
    ctx.bKeepSubs = Option(CJobList::OPTION_KEEP_SUBS);
    ctx.bKeepSubsFolder = Option(CJobList::OPTION_KEEP_SUBS_FOLDER);
    ctx.setCopiedOk = m_run.setCopiedOk;
    // The row's image change above may have run anybody's code: the record is looked up
    // now, and its report entries are worked on as a copy.
    const CListItem* pItem = CurrentItem();
    if (pItem == nullptr) {
        Post(Msg().UWM_SET_RESULT, CODE_ITEM_GONE);
        return;
    }
    ctx.strItemPath = pItem->strPath;
    std::vector<CleanUpInfo> arrCleanUp = pItem->arrCleanUp;
    pItem = nullptr;
    CWorkLists& lists = m_list.WorkLists();
    DeleteFiles(lists.arrAllFiles, ctx, arrCleanUp, log);
    DeleteFolders(lists.arrFolders, ctx, arrCleanUp, log);
    CListItem* pDone = CurrentItem();
    if (pDone == nullptr) {
        Post(Msg().UWM_SET_RESULT, CODE_ITEM_GONE);
        return;
    }
    pDone->arrCleanUp = std::move(arrCleanUp);
    Post(Msg().UWM_SET_RESULT, pDone->arrCleanUp.empty() ? CODE_COMPLETED : CODE_CLEANUP_LEFT);
}

// --- step 7: the row's result -----------------------------------------------------------------

void CDriver::OnSetResult(int nCode) {
    const int nRow = SyncCurrentRow();
    bool bEndRun = false;
    switch (nCode) {
        case CODE_ALREADY_DONE:
            ++nSkippedCount;
            break;
        case CODE_NOTHING_FOUND: {
            const char* pszText = Option(CJobList::OPTION_TEST) ? NOTHING_TO_TEST : NOTHING_TO_EXTRACT;
            m_list.SetRowResult(nRow, pszText, pszText, IMAGE_NOTHING);
            break;
        }
        case CODE_KILLED:
            m_list.SetRowResult(nRow, KILLED, KILLED, IMAGE_KILLED);
            bEndRun = true;
            break;
        case CODE_CLEANUP_LEFT:
            m_list.SetRowResult(nRow, CLEANUP_LEFT, RESULT_CLEANUP_FAILED, IMAGE_CLEANUP_LEFT);
            if (CListItem* pItem = CurrentItem())
                pItem->strTime = ElapsedText();
            break;
        case CODE_FAILED:
            m_list.SetRowResult(nRow, FAILED, ItemStates::RESULT_FAILED, IMAGE_FAILED);
            break;
        case CODE_COMPLETED:
            m_list.SetRowResult(nRow, COMPLETED, ElapsedText(), IMAGE_COMPLETED);
            break;
        case CODE_STOPPED:
            bEndRun = true;
            break;
        default:  // CODE_ITEM_GONE: nothing to show
            break;
    }
    if (nRow >= 0 && nCode != CODE_ALREADY_DONE && nCode != CODE_STOPPED && nCode != CODE_ITEM_GONE)
        emit RowFinished(nRow);
    // The run goes on below the item's row as it is now (or where it was, when it is gone).
    const int nRowNow = CurrentRow();
    const int nNext = nRowNow >= 0 ? nRowNow + 1 : m_run.nLastRow;
    if (bEndRun || nNext >= m_list.RowCount()) {
        Post(Msg().UWM_LIST_DONE);
        return;
    }
    m_nNextRowId = m_list.RowId(nNext);
    m_list.SetCurrentRow(nNext);
    Post(Msg().UWM_PROCESS_ROW, nNext);
}

// --- step 9: the run has ended -----------------------------------------------------------------

EEndAction CDriver::DecideEndAction(const std::vector<std::string>& arrStatuses,
                                    const CEndPreferences& prefs) {
    int nErrors = 0;
    int nCleanUpFailures = 0;
    int nCompleted = 0;
    for (const std::string& strStatus : arrStatuses) {
        if (strStatus == FAILED || strStatus == SKIP || strStatus == NOTHING_TO_TEST ||
            strStatus == NOTHING_TO_EXTRACT)
            ++nErrors;
        else if (strStatus == CLEANUP_LEFT)
            ++nCleanUpFailures;
        else if (strStatus == COMPLETED)
            ++nCompleted;
    }
    if (nErrors > 0 || nCleanUpFailures > 0) {
        if (prefs.bCloseOnError)
            return EEndAction::Exit;
        if (prefs.bRestoreOnError)
            return EEndAction::Restore;
        return EEndAction::None;
    }
    if (!arrStatuses.empty() && nCompleted == static_cast<int>(arrStatuses.size())) {
        if (prefs.bCloseOnOk)
            return EEndAction::Exit;
        if (prefs.bRestoreOnOk)
            return EEndAction::Restore;
    }
    return EEndAction::None;
}

void CDriver::OnListDone() {
    JoinWorker();
    m_bRunning = false;
    m_run = CItemRunState();
    m_list.SetCurrentRow(-1);
    m_list.SetCurrentIndex(-1);
    std::vector<std::string> arrStatuses;
    for (const CListItem& item : m_list.Items())
        arrStatuses.push_back(item.strStatus);
    nLastEndAction = DecideEndAction(arrStatuses, endPreferences);
    emit TraySummaryChanged();
    if (nSkippedCount == m_list.RowCount())
        ShowStatus(" No unprocessed items in list", WHITE, STATUS_BLUE, 1500);
    if (strStatusLine == PAUSE_TEXT)
        ShowStatus(PAUSE_TEXT, WHITE, STATUS_BLUE, 0);
    emit RunFinished(static_cast<int>(nLastEndAction));
}

void CDriver::OnAutoStart() {
    if (!IsProcessing())
        Go();
}
