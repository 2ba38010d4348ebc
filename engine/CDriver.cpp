#include "engine/CDriver.h"

#include <dirent.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <csignal>

#include "engine/CItemStates.h"
#include "engine/CJobList.h"
#include "engine/CRegisteredMessages.h"
#include "engine/FolderMarkers.h"

using namespace ItemStates;

namespace {

constexpr uint32_t WHITE = 0xFFFFFF;
constexpr uint32_t STATUS_RED = 0xA00000;     // RGB(160,0,0)
constexpr uint32_t STATUS_BLUE = 0x00007F;    // RGB(0,0,127)
constexpr uint32_t STATUS_GREEN = 0x008000;   // RGB(0,128,0)
constexpr uint32_t STATUS_NORMAL = 0x000040;  // RGB(0,0,64)
constexpr const char* PAUSE_TEXT = " Processing will stop after this item has finished";
constexpr int IMAGE_COPYING_SAMPLES = 5;

std::string LowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string FileNameOf(const std::string& strPath) {
    const auto nPos = strPath.rfind('/');
    return nPos == std::string::npos ? strPath : strPath.substr(nPos + 1);
}

const CRegisteredMessages& Msg() {
    return CRegisteredMessages::Get();
}

}  // namespace

CDriver::CDriver(CJobList& list, QObject* pParent) : QObject(pParent), m_list(list) {
    // A file-size limit must turn into a write error of the item, not end the program.
    std::signal(SIGXFSZ, SIG_IGN);
    Msg();
}

CDriver::~CDriver() {
    bKillRequested = 1;
    JoinWorker();
    m_discovery.Wait();
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
    nCurrentRow = 0;
    m_list.SetCurrentRow(0);
    emit RunStarted();
    Post(Msg().UWM_PROCESS_ROW, 0);
    return EGoResult::Started;
}

void CDriver::Pause() {
    bStopRequested = 1;
    ShowStatus(PAUSE_TEXT, WHITE, STATUS_GREEN, 0);
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
    const int nType = static_cast<int>(pEvent->type());
    const CRegisteredMessages& m = Msg();
    const auto* pMessage = nType >= QEvent::User ? dynamic_cast<CRegisteredEvent*>(pEvent) : nullptr;
    if (pMessage == nullptr)
        return QObject::event(pEvent);
    const qintptr wParam = pMessage->wParam;
    if (nType == m.UWM_PROCESS_ROW)
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

bool CDriver::Option(int nOption) const {
    return m_list.GetItemOption(nOption, -1);
}

CListItem* CDriver::CurrentItem() {
    if (nCurrentIndex < 0 || nCurrentIndex >= m_list.ItemCount())
        return nullptr;
    return &m_list.Item(nCurrentIndex);
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

// --- step 2: a row starts -------------------------------------------------------------

void CDriver::OnProcessRow(int nRow) {
    nCurrentIndex = -1;
    m_list.SetCurrentIndex(-1);
    log.Clear();
    ShowStatus("", STATUS_NORMAL, 0, 0);
    m_list.WorkLists().Clear();
    progress.Reset();
    strInputPath.clear();
    strItemOutput.clear();
    strRarArchive.clear();
    strZipArchive.clear();
    strSubsDestination.clear();
    strSampleSource.clear();
    strSampleTarget.clear();
    strSubsSource.clear();
    strSubsTarget.clear();
    nAnnouncedFile = -1;
    bPasswordAsked = 0;
    m_setCopiedOk.clear();
    m_mapTargets.clear();

    nCurrentRow = nRow;
    m_list.SetCurrentRow(nRow);
    nCurrentIndex = m_list.FindIndex(nRow);
    m_list.SetCurrentIndex(nCurrentIndex);
    CListItem* pItem = CurrentItem();

    if (bStopRequested) {
        Post(Msg().UWM_ITEM_DONE, CODE_STOPPED);
        return;
    }
    // A kill that arrived after the previous item had ended stops the run here: this row
    // has not run and must not be marked killed.
    if (bKillRequested || pItem == nullptr) {
        Post(Msg().UWM_ITEM_DONE, pItem == nullptr ? CODE_ALREADY_DONE : CODE_STOPPED);
        return;
    }
    if (!m_list.RowText(nRow, CJobList::COLUMN_RESULT).empty()) {
        Post(Msg().UWM_ITEM_DONE, CODE_ALREADY_DONE);
        return;
    }
    emit RowStarted(nRow);
    strInputPath = pItem->strType == "folder" ? pItem->strPath : pItem->strParentFolder;
    strItemOutput = fnResolveOutputFolder ? fnResolveOutputFolder(nRow) : strInputPath;

    itemTimer.Start(true);
    CollectNewFiles(strItemOutput, true, pItem->arrNewFiles);

    CScanJob job;
    job.strType = pItem->strType;
    job.strItemPath = pItem->strPath;
    job.strInputPath = strInputPath;
    job.strItemOutput = strItemOutput;
    job.options = CScanOptions::ForItem(m_list, -1);
    m_discovery.Start(this, job, m_list.WorkLists(), &bKillRequested);
}

// --- step 3: the scan has ended ----------------------------------------------------------

void CDriver::OnScanDone() {
    m_discovery.Wait();
    CListItem* pItem = CurrentItem();
    if (bKillRequested || pItem == nullptr) {
        Post(Msg().UWM_ITEM_DONE, CODE_KILLED);
        return;
    }
    CWorkLists& lists = m_list.WorkLists();
    FinishDiscovery(lists, *pItem, strInputPath);

    const bool bKeepSubs = Option(CJobList::OPTION_KEEP_SUBS);
    bool bAnything = false;
    for (const CFileInformation& f : lists.arrWork)
        if (f.bRar || f.bZip || (bKeepSubs && f.bSubsPack))
            bAnything = true;
    if (!bAnything) {
        Post(Msg().UWM_ITEM_DONE, CODE_NOTHING_FOUND);
        return;
    }
    if (bKillRequested) {
        Post(Msg().UWM_ITEM_DONE, CODE_KILLED);
        return;
    }
    const bool bTest = Option(CJobList::OPTION_TEST);
    progress.StartRowProgress(static_cast<int>(lists.arrRarFiles.size()),
                              static_cast<int>(lists.arrZipFiles.size()), bTest);
    if (!bTest)
        EnsureFolder(strItemOutput,
                     [this](const std::string& s) { log.AppendWorkerLog(s, false, false, false); });
    nCurrentFile = 0;
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
    ++nCurrentFile;
    if (nCurrentFile < static_cast<int>(m_list.WorkLists().arrWork.size()))
        Post(Msg().UWM_PROCESS_FILE, nCurrentFile);
    else
        Post(Msg().UWM_ITEM_DONE, CODE_ALL_HANDLED);
}

// --- step 5: one file of the work list ------------------------------------------------------

void CDriver::OnProcessFile(int nFile) {
    nCurrentFile = nFile;
    bPasswordNeeded = 0;
    if (nCurrentFile != nAnnouncedFile)
        bPasswordAsked = 0;
    nAnnouncedFile = nCurrentFile;
    const auto& arrWork = m_list.WorkLists().arrWork;
    if (nCurrentFile < 0 || nCurrentFile >= static_cast<int>(arrWork.size())) {
        Post(Msg().UWM_ITEM_DONE, CODE_ALL_HANDLED);
        return;
    }
    if (bKillRequested) {
        Post(Msg().UWM_ITEM_DONE, CODE_KILLED);
        return;
    }
    const CFileInformation f = arrWork[static_cast<std::size_t>(nCurrentFile)];
    if (f.bDone) {
        Post(Msg().UWM_FILE_DONE);
        return;
    }
    try {
        HandleFile(f);
    } catch (...) {
        Post(Msg().UWM_FILE_DONE);
    }
}

void CDriver::HandleFile(const CFileInformation& f) {
    if (f.bRar) {
        strRarArchive = f.strPath;
        if (progress.bSingleArchiveProgress && !bPasswordAsked)
            log.AppendLog("Processing " + f.strPath + "\r\n");
        StartArchiveWorker(false, false);
    } else if (f.bZip) {
        strZipArchive = f.strPath;
        if (!bPasswordAsked)
            log.AppendLog("Processing " + FileNameOf(f.strPath) + "\r\n");
        ++progress.nArchivesDone;
        progress.UpdateArchivePercent();
        StartArchiveWorker(true, false);
    } else if (f.bSubsPack) {
        if (!Option(CJobList::OPTION_KEEP_SUBS)) {
            Post(Msg().UWM_FILE_DONE);
            return;
        }
        strSubsDestination = strItemOutput;
        if (Option(CJobList::OPTION_KEEP_SUBS_FOLDER) && !Option(CJobList::OPTION_TEST)) {
            const int nPos = SubsFolderPos(f.strPath, false, strInputPath);
            if (nPos >= 0) {
                const std::string strComponent = FolderComponent(f.strPath, nPos);
                strSubsDestination = strItemOutput + (strItemOutput.size() > 0 && strItemOutput.back() == '/'
                                                          ? strComponent.substr(1)
                                                          : strComponent);
            }
        }
        auto logFolder = [this](const std::string& s) { log.AppendWorkerLog(s, false, false, false); };
        if (!Option(CJobList::OPTION_TEST)) {
            EnsureFolder(strItemOutput, logFolder);
            if (strSubsDestination != strItemOutput && !EnsureFolder(strSubsDestination, logFolder)) {
                if (CListItem* pItem = CurrentItem())
                    pItem->arrErrors.push_back("Unable to create folder " + strSubsDestination + ": " +
                                               SystemMessage(errno) + "\r\n");
                Post(Msg().UWM_FILE_DONE);
                return;
            }
        }
        // The pack itself is what the RAR worker extracts.
        strRarArchive = f.strPath;
        StartArchiveWorker(false, true);
    } else if (f.bNfo) {
        StartCompanion(ECompanionKind::Nfo, f);
    } else if (f.bSample) {
        StartCompanion(ECompanionKind::Sample, f);
    } else if (f.bCover) {
        StartCompanion(ECompanionKind::Cover, f);
    } else if (f.bSubtitle) {
        StartCompanion(ECompanionKind::Subtitle, f);
    } else {
        Post(Msg().UWM_FILE_DONE);
    }
}

void CDriver::StartArchiveWorker(bool bZip, bool bSubsPack) {
    CListItem* pItem = CurrentItem();
    JoinWorker();
    m_arrWorkerErrors.clear();
    m_extractState = CExtractState();
    m_extractState.pKillRequested = &bKillRequested;
    m_extractState.pPasswordNeeded = &bPasswordNeeded;
    m_extractState.pProgress = &progress;
    m_extractState.pLog = &log;
    m_extractState.pWorkLists = &m_list.WorkLists();
    m_extractState.pErrors = &m_arrWorkerErrors;
    const bool bTest = Option(CJobList::OPTION_TEST);
    if (bZip) {
        CZipJob job;
        job.strArchive = strZipArchive;
        job.strOutputFolder = strItemOutput;
        job.strPassword = strPassword;
        job.strInputPath = strInputPath;
        job.bTest = bTest;
        CUnzipContext* pContext = pUnzip != nullptr ? pUnzip : &m_noUnzip;
        m_worker = std::thread([this, job, pContext] {
            const CZipRunResult result = RunUnzip(job, *pContext, m_extractState);
            // Whatever the library's way of failing, a run that did not succeed never passes
            // silently: clean-up must not delete an archive that was not extracted.
            if (result.nOutcome == EWorkerOutcome::FileDone && m_arrWorkerErrors.empty() &&
                (!result.bCalled || result.nLibraryResult != 0))
                m_arrWorkerErrors.push_back(PathInInput(job.strArchive, job.strInputPath) +
                                            ":  Unhandled error\r\n");
            PostWorkerOutcome(this, result.nOutcome);
        });
        return;
    }
    CRarJob job;
    job.strUnrarExe = strUnrarExe;
    job.strArchive = strRarArchive;
    job.strDestination = bSubsPack ? strSubsDestination : strItemOutput;
    job.strPassword = strPassword;
    job.strInputPath = strInputPath;
    job.bTest = bTest;
    job.bFolderItem = pItem != nullptr && pItem->strType == "folder";
    m_worker = std::thread([this, job] {
        const CRarRunResult result = RunRarTool(job, m_extractState);
        // Exit codes that mean "nothing was extracted" (no files, wrong password) and a
        // program that never started must fail the item, so clean-up cannot run.
        if (result.nOutcome == EWorkerOutcome::FileDone && m_arrWorkerErrors.empty() &&
            (!result.runner.bStarted || result.nExitCode != 0))
            m_arrWorkerErrors.push_back(PathInInput(job.strArchive, job.strInputPath) +
                                        ":  Unhandled error\r\n");
        PostWorkerOutcome(this, result.nOutcome);
    });
}

void CDriver::StartCompanion(ECompanionKind nKind, const CFileInformation& f) {
    CListItem* pItem = CurrentItem();
    int nOption = CJobList::OPTION_KEEP_NFO;
    if (nKind == ECompanionKind::Cover)
        nOption = CJobList::OPTION_KEEP_COVERS;
    else if (nKind == ECompanionKind::Sample)
        nOption = CJobList::OPTION_KEEP_SAMPLE;
    else if (nKind == ECompanionKind::Subtitle)
        nOption = CJobList::OPTION_KEEP_SUBS;
    CCompanionOptions opt;
    opt.strItemPath = pItem != nullptr ? pItem->strPath : std::string();
    opt.strInputPath = strInputPath;
    opt.strOutputFolder = strItemOutput;
    opt.bTest = Option(CJobList::OPTION_TEST);
    opt.bKeep = Option(nOption);
    opt.bKilled = bKillRequested != 0;
    CCopyRequest req;
    if (pItem == nullptr || !PlanCompanionCopy(nKind, f.strPath, opt, req)) {
        Post(Msg().UWM_FILE_DONE);
        return;
    }
    if (!PrepareCopyFolder(req, log, pItem->arrErrors)) {
        Post(Msg().UWM_FILE_DONE);
        return;
    }
    AvoidTargetClash(req, m_mapTargets, log);
    if (nKind == ECompanionKind::Sample) {
        strSampleSource = req.strSource;
        strSampleTarget = req.strTarget;
        m_list.SetRowResult(nCurrentRow, COPYING_SAMPLES, COPYING_SAMPLES, IMAGE_COPYING_SAMPLES);
    } else if (nKind == ECompanionKind::Subtitle) {
        strSubsSource = req.strSource;
        strSubsTarget = req.strTarget;
    }
    JoinWorker();
    m_arrWorkerErrors.clear();
    m_copy = req;
    m_bCompanionRun = true;
    m_worker = std::thread([this] {
        m_nCopyResult = RunCompanionCopy(m_copy, bKillRequested, log, m_arrWorkerErrors);
        if (m_nCopyResult == ECopyResult::Killed)
            Post(Msg().UWM_ITEM_DONE, CODE_KILLED);
        else
            Post(Msg().UWM_FILE_DONE);
    });
}

void CDriver::JoinWorker() {
    if (m_worker.joinable())
        m_worker.join();
}

// Runs on the GUI thread once the worker's message has arrived: the worker has nothing
// left to do but return, so the join is immediate.
void CDriver::TakeWorkerResults() {
    JoinWorker();
    CListItem* pItem = CurrentItem();
    if (pItem != nullptr)
        for (const std::string& strLine : m_arrWorkerErrors)
            pItem->arrErrors.push_back(strLine);
    m_arrWorkerErrors.clear();
    if (m_bCompanionRun) {
        m_bCompanionRun = false;
        if (m_nCopyResult == ECopyResult::Copied)
            m_setCopiedOk.insert(m_copy.strSource);
    }
}

// --- the password step ---------------------------------------------------------------------

void CDriver::OnPasswordNeeded() {
    TakeWorkerResults();
    const auto& arrWork = m_list.WorkLists().arrWork;
    CListItem* pItem = CurrentItem();
    if (pItem == nullptr || nCurrentFile < 0 || nCurrentFile >= static_cast<int>(arrWork.size())) {
        Post(Msg().UWM_FILE_DONE);
        return;
    }
    const CFileInformation& f = arrWork[static_cast<std::size_t>(nCurrentFile)];
    CPasswordStepState state;
    state.bPasswordPrompt = bPasswordPrompt != 0;
    state.pPasswordAsked = &bPasswordAsked;
    state.pPassword = &strPassword;
    state.pArchivesDone = &progress.nArchivesDone;
    state.pErrors = &pItem->arrErrors;
    state.pPrompt = pPasswordPrompt;
    state.strArchive = f.bZip ? strZipArchive : strRarArchive;
    state.strInputPath = strInputPath;
    log.AppendLog("Password needed:\t" + FileNameOf(state.strArchive) + "\r\n");
    ::OnPasswordNeeded(state, nCurrentFile, this);
}

// --- step 6: the item has ended ---------------------------------------------------------

void CDriver::OnItemDone(int nCode) {
    TakeWorkerResults();
    itemTimer.Stop();
    if (progress.bBarShown)
        progress.StopRowProgress();
    if (nCode == CODE_ALREADY_DONE || nCode == CODE_NOTHING_FOUND || nCode == CODE_KILLED ||
        nCode == CODE_STOPPED) {
        Post(Msg().UWM_SET_RESULT, nCode);
        return;
    }
    CListItem* pItem = CurrentItem();
    if (pItem == nullptr) {
        Post(Msg().UWM_SET_RESULT, CODE_ALREADY_DONE);
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
    CollectNewFiles(strItemOutput, false, pItem->arrNewFiles);
    if (Option(CJobList::OPTION_CLEAN_UP) && !Option(CJobList::OPTION_TEST)) {
        m_list.SetRowImage(nCurrentRow, IMAGE_CLEANING);
        CCleanUpContext ctx;
        ctx.strItemPath = pItem->strPath;
        ctx.strInputPath = strInputPath;
        ctx.strOutputFolder = strItemOutput;
        ctx.bKeepNfo = Option(CJobList::OPTION_KEEP_NFO);
        ctx.bKeepSample = Option(CJobList::OPTION_KEEP_SAMPLE);
        ctx.bKeepCovers = Option(CJobList::OPTION_KEEP_COVERS);
        ctx.bKeepSubs = Option(CJobList::OPTION_KEEP_SUBS);
        ctx.bKeepSubsFolder = Option(CJobList::OPTION_KEEP_SUBS_FOLDER);
        ctx.setCopiedOk = m_setCopiedOk;
        CWorkLists& lists = m_list.WorkLists();
        DeleteFiles(lists.arrAllFiles, ctx, pItem->arrCleanUp, log);
        DeleteFolders(lists.arrFolders, ctx, pItem->arrCleanUp, log);
        Post(Msg().UWM_SET_RESULT, pItem->arrCleanUp.empty() ? CODE_COMPLETED : CODE_CLEANUP_LEFT);
        return;
    }
    Post(Msg().UWM_SET_RESULT, CODE_COMPLETED);
}

// --- step 7: the row's result -----------------------------------------------------------------

void CDriver::OnSetResult(int nCode) {
    const int nRow = nCurrentRow;
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
            nCurrentRow = m_list.RowCount();
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
            nCurrentRow = m_list.RowCount();
            break;
        default:
            break;
    }
    if (nCode != CODE_ALREADY_DONE && nCode != CODE_STOPPED)
        emit RowFinished(nRow);
    if (nCurrentRow + 1 >= m_list.RowCount()) {
        Post(Msg().UWM_LIST_DONE);
    } else {
        ++nCurrentRow;
        m_list.SetCurrentRow(nCurrentRow);
        Post(Msg().UWM_PROCESS_ROW, nCurrentRow);
    }
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
    nCurrentRow = -1;
    nCurrentIndex = -1;
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
    if (nCurrentRow == -1)
        Go();
}

// --- step 8: programs and videos of the output folder ---------------------------------------

void CDriver::CollectNewFiles(const std::string& strFolder, bool bSnapshot,
                              std::vector<std::string>& arrNewFiles) {
    static const char* const PATTERNS[] = {".exe", ".msi", ".avi", ".mkv", ".mp4", ".mpg", ".mpeg", ".vob"};
    if (bSnapshot)
        arrFolderSnapshot.clear();
    std::string strBase = strFolder;
    if (strBase.empty() || strBase.back() != '/')
        strBase += '/';
    if (strFolder.empty())
        return;  // test mode: nothing is extracted anywhere
    auto matches = [](const std::string& strName, const std::string& strExt) {
        if (strName.size() <= strExt.size())
            return false;
        return LowerAscii(strName.substr(strName.size() - strExt.size())) == strExt;
    };
    // Only names with one of the extensions are looked at more closely, so a large output
    // folder costs one directory read.
    std::vector<std::string> arrNames;
    if (DIR* pDir = opendir(strBase.c_str())) {
        while (dirent* pEntry = readdir(pDir)) {
            const std::string strName = pEntry->d_name;
            bool bWanted = false;
            for (const char* pszExt : PATTERNS)
                bWanted = bWanted || matches(strName, pszExt);
            struct stat st {};
            if (!bWanted || stat((strBase + strName).c_str(), &st) != 0 || S_ISDIR(st.st_mode))
                continue;
            arrNames.push_back(strName);
        }
        closedir(pDir);
    }
    for (const char* pszExt : PATTERNS) {
        const std::string strExt = pszExt;
        for (const std::string& strName : arrNames) {
            if (!matches(strName, strExt))
                continue;
            const std::string strPath = strBase + strName;
            if (bSnapshot) {
                arrFolderSnapshot.push_back(strPath);
                continue;
            }
            bool bKnown = false;
            for (auto it = arrFolderSnapshot.begin(); it != arrFolderSnapshot.end(); ++it)
                if (*it == strPath) {
                    arrFolderSnapshot.erase(it);
                    bKnown = true;
                    break;
                }
            if (!bKnown)
                arrNewFiles.push_back(strPath);
        }
    }
}
