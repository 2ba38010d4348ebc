// The driver's file steps: one entry of the work list at a time (UWM_PROCESS_FILE), the
// workers that handle it, their results (UWM_FILE_DONE) and the password step.

#include <cerrno>
#include <exception>
#include <stdexcept>

#include "engine/CDriver.h"
#include "engine/CItemStates.h"
#include "engine/CJobList.h"
#include "engine/CRegisteredMessages.h"
#include "engine/FolderMarkers.h"
#include "engine/PathHelpers.h"

using namespace ItemStates;

namespace {

constexpr int IMAGE_COPYING_SAMPLES = 5;

const CRegisteredMessages& Msg() {
    return CRegisteredMessages::Get();
}

}  // namespace

// --- step 5: one file of the work list ------------------------------------------------------

void CDriver::OnProcessFile(int nFile) {
    if (CurrentItem() == nullptr) {
        Post(Msg().UWM_ITEM_DONE, CODE_ITEM_GONE);
        return;
    }
    m_run.nCurrentFile = nFile;
    bPasswordNeeded = 0;
    if (m_run.nCurrentFile != m_run.nAnnouncedFile)
        m_run.bPasswordAsked = 0;
    m_run.nAnnouncedFile = m_run.nCurrentFile;
    const auto& arrWork = m_list.WorkLists().arrWork;
    if (nFile < 0 || nFile >= static_cast<int>(arrWork.size())) {
        Post(Msg().UWM_ITEM_DONE, CODE_ALL_HANDLED);
        return;
    }
    if (bKillRequested) {
        Post(Msg().UWM_ITEM_DONE, CODE_KILLED);
        return;
    }
    const CFileInformation f = arrWork[static_cast<std::size_t>(nFile)];
    if (f.bDone) {
        Post(Msg().UWM_FILE_DONE);
        return;
    }
    // A file that cannot be handled fails the item with a line of its own, and the list
    // goes on with the next file: nothing unhandled may pass for success.
    const std::string strShown = PathInInput(f.strPath, m_run.strInputPath);
    try {
        HandleFile(f);
        return;
    } catch (const std::exception& e) {
        AddItemError(strShown + ":  " + e.what() + "\r\n");
    } catch (...) {
        AddItemError(strShown + ":  Unhandled error\r\n");
    }
    Post(Msg().UWM_FILE_DONE);
}

void CDriver::HandleFile(const CFileInformation& f) {
    if (f.bRar) {
        m_run.strRarArchive = f.strPath;
        if (progress.bSingleArchiveProgress && !m_run.bPasswordAsked)
            log.AppendLog("Processing " + f.strPath + "\r\n");
        StartArchiveWorker(false, false);
    } else if (f.bZip) {
        m_run.strZipArchive = f.strPath;
        if (!m_run.bPasswordAsked)
            log.AppendLog("Processing " + FileNameOf(f.strPath) + "\r\n");
        ++progress.nArchivesDone;
        progress.UpdateArchivePercent();
        StartArchiveWorker(true, false);
    } else if (f.bSubsPack) {
        HandleSubsPack(f);
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

void CDriver::HandleSubsPack(const CFileInformation& f) {
    if (!Option(CJobList::OPTION_KEEP_SUBS)) {
        Post(Msg().UWM_FILE_DONE);
        return;
    }
    const std::string& strOutput = m_run.strItemOutput;
    m_run.strSubsDestination = strOutput;
    if (Option(CJobList::OPTION_KEEP_SUBS_FOLDER) && !Option(CJobList::OPTION_TEST)) {
        const int nPos = SubsFolderPos(f.strPath, false, m_run.strInputPath);
        if (nPos >= 0) {
            const std::string strComponent = FolderComponent(f.strPath, nPos);
            m_run.strSubsDestination =
                strOutput +
                (!strOutput.empty() && strOutput.back() == '/' ? strComponent.substr(1) : strComponent);
        }
    }
    auto logFolder = [this](const std::string& s) { log.AppendWorkerLog(s, false, false, false); };
    if (!Option(CJobList::OPTION_TEST)) {
        EnsureFolder(strOutput, logFolder);
        if (m_run.strSubsDestination != strOutput && !EnsureFolder(m_run.strSubsDestination, logFolder)) {
            AddItemError("Unable to create folder " + m_run.strSubsDestination + ": " + SystemMessage(errno) +
                         "\r\n");
            Post(Msg().UWM_FILE_DONE);
            return;
        }
    }
    // The pack itself is what the RAR worker extracts.
    m_run.strRarArchive = f.strPath;
    StartArchiveWorker(false, true);
}

bool CDriver::StartWorker(std::function<void()> fnBody, const std::string& strShown) {
    JoinWorker();
    // Nothing may leave a worker as an exception (it would end the program): a body that
    // throws before posting fails the entry and posts UWM_FILE_DONE itself.
    auto fnGuarded = [this, fnBody = std::move(fnBody), strShown] {
        try {
            fnBody();
        } catch (...) {
            try {
                m_arrWorkerErrors.push_back(strShown + ":  Unhandled error\r\n");
            } catch (...) {
            }
            Post(Msg().UWM_FILE_DONE);
        }
    };
    std::string strWhy;
    try {
        m_worker = fnStartThread ? fnStartThread(std::move(fnGuarded)) : std::thread(std::move(fnGuarded));
        if (m_worker.joinable())
            return true;
        strWhy = "no thread";
    } catch (const std::exception& e) {
        strWhy = e.what();
    } catch (...) {
        strWhy = "unknown failure";
    }
    AddItemError(strShown + ":  Cannot start a worker thread (" + strWhy + ")\r\n");
    Post(Msg().UWM_FILE_DONE);
    return false;
}

void CDriver::StartArchiveWorker(bool bZip, bool bSubsPack) {
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
        job.strArchive = m_run.strZipArchive;
        job.strOutputFolder = m_run.strItemOutput;
        job.strPassword = strPassword;
        job.strInputPath = m_run.strInputPath;
        job.bTest = bTest;
        CUnzipContext* pContext = pUnzip != nullptr ? pUnzip : &m_noUnzip;
        StartWorker(
            [this, job, pContext] {
                const CZipRunResult result = RunUnzip(job, *pContext, m_extractState);
                EndArchiveWorker(result.nOutcome, result.bSucceeded,
                                 PathInInput(job.strArchive, job.strInputPath));
            },
            PathInInput(job.strArchive, job.strInputPath));
        return;
    }
    CRarJob job;
    job.strUnrarExe = strUnrarExe;
    job.strArchive = m_run.strRarArchive;
    job.strDestination = bSubsPack ? m_run.strSubsDestination : m_run.strItemOutput;
    job.strPassword = strPassword;
    job.strInputPath = m_run.strInputPath;
    job.bTest = bTest;
    const CListItem* pItem = CurrentItem();
    job.bFolderItem = pItem != nullptr && pItem->strType == "folder";
    StartWorker(
        [this, job] {
            const CRarRunResult result = RunRarTool(job, m_extractState);
            EndArchiveWorker(result.nOutcome, result.bSucceeded,
                             PathInInput(job.strArchive, job.strInputPath));
        },
        PathInInput(job.strArchive, job.strInputPath));
}

// On the worker, last: a run that did not prove success (for RAR exit 0, "All OK" and at
// least one entry; for ZIP the library's OK and at least one entry) fails the item whatever
// its way of failing, so that clean-up never deletes what was not extracted.
void CDriver::EndArchiveWorker(EWorkerOutcome nOutcome, bool bSucceeded, const std::string& strWhere) {
    if (nOutcome == EWorkerOutcome::FileDone && m_arrWorkerErrors.empty() && !bSucceeded)
        m_arrWorkerErrors.push_back(strWhere + ":  Unhandled error\r\n");
    PostWorkerOutcome(this, nOutcome);
}

void CDriver::StartCompanion(ECompanionKind nKind, const CFileInformation& f) {
    int nOption = CJobList::OPTION_KEEP_NFO;
    if (nKind == ECompanionKind::Cover)
        nOption = CJobList::OPTION_KEEP_COVERS;
    else if (nKind == ECompanionKind::Sample)
        nOption = CJobList::OPTION_KEEP_SAMPLE;
    else if (nKind == ECompanionKind::Subtitle)
        nOption = CJobList::OPTION_KEEP_SUBS;
    const CListItem* pItem = CurrentItem();
    CCompanionOptions opt;
    opt.strItemPath = pItem != nullptr ? pItem->strPath : std::string();
    opt.strInputPath = m_run.strInputPath;
    opt.strOutputFolder = m_run.strItemOutput;
    opt.bTest = Option(CJobList::OPTION_TEST);
    opt.bKeep = Option(nOption);
    opt.bKilled = bKillRequested != 0;
    CCopyRequest req;
    if (pItem == nullptr || !PlanCompanionCopy(nKind, f.strPath, opt, req)) {
        Post(Msg().UWM_FILE_DONE);
        return;
    }
    std::vector<std::string> arrErrors;
    const bool bPrepared = PrepareCopyFolder(req, log, arrErrors);
    for (const std::string& strLine : arrErrors)
        AddItemError(strLine);
    if (!bPrepared) {
        Post(Msg().UWM_FILE_DONE);
        return;
    }
    AvoidTargetClash(req, m_run.mapTargets, log);
    if (nKind == ECompanionKind::Sample) {
        m_run.strSampleSource = req.strSource;
        m_run.strSampleTarget = req.strTarget;
        m_list.SetRowResult(SyncCurrentRow(), COPYING_SAMPLES, COPYING_SAMPLES, IMAGE_COPYING_SAMPLES);
    } else if (nKind == ECompanionKind::Subtitle) {
        m_run.strSubsSource = req.strSource;
        m_run.strSubsTarget = req.strTarget;
    }
    JoinWorker();
    m_arrWorkerErrors.clear();
    m_copy = req;
    // Only a copy that ran and succeeded may let clean-up delete a kept companion.
    m_nCopyResult = ECopyResult::Failed;
    m_bCompanionRun = StartWorker(
        [this] {
            m_nCopyResult = RunCompanionCopy(m_copy, bKillRequested, log, m_arrWorkerErrors);
            if (m_nCopyResult == ECopyResult::Killed)
                Post(Msg().UWM_ITEM_DONE, CODE_KILLED);
            else
                Post(Msg().UWM_FILE_DONE);
        },
        PathInInput(f.strPath, m_run.strInputPath));
}

void CDriver::JoinWorker() {
    if (m_worker.joinable())
        m_worker.join();
}

// Runs on the GUI thread once the worker's message has arrived: the worker has nothing
// left to do but return, so the join is immediate.
void CDriver::TakeWorkerResults() {
    JoinWorker();
    for (const std::string& strLine : m_arrWorkerErrors)
        AddItemError(strLine);
    m_arrWorkerErrors.clear();
    if (m_bCompanionRun) {
        m_bCompanionRun = false;
        if (m_nCopyResult == ECopyResult::Copied)
            m_run.setCopiedOk.insert(m_copy.strSource);
    }
}

// --- the password step ---------------------------------------------------------------------

void CDriver::OnPasswordNeeded() {
    TakeWorkerResults();
    const auto& arrWork = m_list.WorkLists().arrWork;
    const int nFile = m_run.nCurrentFile;
    if (CurrentItem() == nullptr) {
        Post(Msg().UWM_ITEM_DONE, CODE_ITEM_GONE);
        return;
    }
    if (nFile < 0 || nFile >= static_cast<int>(arrWork.size())) {
        Post(Msg().UWM_FILE_DONE);
        return;
    }
    const bool bZip = arrWork[static_cast<std::size_t>(nFile)].bZip != 0;
    // The prompt may run a nested event loop, in which items are added (the records move)
    // or rows deleted: the step works on copies and the item is looked up again afterwards.
    std::vector<std::string> arrLines;
    int bAsked = m_run.bPasswordAsked;
    std::string strTyped = strPassword;
    CPasswordStepState state;
    state.bPasswordPrompt = bPasswordPrompt != 0;
    state.pPasswordAsked = &bAsked;
    state.pPassword = &strTyped;
    state.pArchivesDone = &progress.nArchivesDone;
    state.pErrors = &arrLines;
    state.pPrompt = pPasswordPrompt;
    state.strArchive = bZip ? m_run.strZipArchive : m_run.strRarArchive;
    state.strInputPath = m_run.strInputPath;
    log.AppendLog("Password needed:\t" + FileNameOf(state.strArchive) + "\r\n");
    const int nId = m_run.nId;
    const EPasswordDecision decision = DecidePassword(state);
    if (m_run.nId != nId)
        return;  // the driver went on meanwhile (cannot happen while it waits here)
    m_run.bPasswordAsked = bAsked;
    strPassword = strTyped;
    for (const std::string& strLine : arrLines)
        AddItemError(strLine);
    if (CurrentItem() == nullptr)
        Post(Msg().UWM_ITEM_DONE, CODE_ITEM_GONE);
    else if (decision == EPasswordDecision::RunAgain)
        Post(Msg().UWM_PROCESS_FILE, nFile);
    else
        Post(Msg().UWM_FILE_DONE);
}
