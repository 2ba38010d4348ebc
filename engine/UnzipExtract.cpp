#include "engine/UnzipExtract.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <mutex>

#include "engine/CProcessLog.h"

namespace {

// The current directory belongs to the whole process: one swap at a time.
std::mutex cwdMutex;

std::string SystemText(int nError) {
    char buffer[256];
    const char* text = strerror_r(nError, buffer, sizeof buffer);
    return text ? text : "error " + std::to_string(nError);
}

bool IsKillRequested(const CExtractState& state) {
    return state.pKillRequested && *state.pKillRequested != 0;
}

void AddRunError(CUnzipRun& run, const std::string& strText) {
    AddReportLine(*run.pErrors, strText, 1);
    ++run.nErrorLines;
}

}  // namespace

bool InitUnzip(CUnzipContext& context, const std::string& strUnzipDll) {
    const bool bLoaded = context.infoZip.Load(strUnzipDll);
    context.infoZip.FillDefaults(context.params);
    return bLoaded;
}

namespace {

int HandleUnzipMessage(UnzDllMessage* pMessage) {
    CUnzipRun& run = *static_cast<CUnzipRun*>(pMessage->pCaller);
    const std::string strText = pMessage->pszText ? pMessage->pszText : "";
    const std::string strShown = PathInInput(run.pJob->strArchive, run.pJob->strInputPath);
    if (pMessage->nType != 0) {
        if (IsKillRequested(*run.pState)) {
            // The library stops, removes its partial output and returns; the worker
            // thread itself ends normally.
            run.bKilled = true;
            return 1;
        }
        switch (pMessage->nType) {
            case UNZ_MSG_ENTRY:
                ++run.nEntriesDone;
                if (run.pState->pLog) {
                    run.pState->pLog->AppendWorkerLog(strText, true, true, run.pJob->bTest);
                }
                break;
            case UNZ_MSG_ERROR:
                if (run.pState->pLog) {
                    run.pState->pLog->AppendWorkerLog(strText, true, true, run.pJob->bTest);
                }
                if (strText == UNZ_TEXT_NO_CENTRAL) {
                    AddRunError(run, strShown + ":  Fatal error, central dir signature not found");
                }
                if (strText.find(UNZ_TEXT_SKIP_ENCRYPTED) != std::string::npos &&
                    strText.find(UNZ_TEXT_BAD_PASSWORD) != std::string::npos) {
                    run.bPasswordNeeded = true;
                }
                break;
            default:
                break;
        }
    }
    if (pMessage->nErrorCode != 0 && !run.bPasswordNeeded) {
        AddRunError(run, strShown + ": " + strText);
    }
    return 0;
}

}  // namespace

extern "C" int OnUnzipMessage(UnzDllMessage* pMessage) {
    if (!pMessage || !pMessage->pCaller) {
        return 0;
    }
    try {
        return HandleUnzipMessage(pMessage);
    } catch (...) {
        // No exception crosses the library's C interface. The message is lost, so the run
        // can no longer prove its success: the worker fails the entry afterwards.
        static_cast<CUnzipRun*>(pMessage->pCaller)->bMessageLost = true;
        return 0;
    }
}

namespace {

CZipRunResult RunUnzipUnguarded(const CZipJob& job, CUnzipContext& context, CExtractState& state) {
    CZipRunResult out;
    std::vector<std::string> arrScratch;
    CUnzipRun run;
    run.pJob = &job;
    run.pState = &state;
    run.pErrors = state.pErrors ? state.pErrors : &arrScratch;
    const std::string strShown = PathInInput(job.strArchive, job.strInputPath);

    if (!context.infoZip.IsLoaded()) {
        AddRunError(run,
                    strShown + ":  The unzip library is not loaded" +
                        (context.infoZip.strLastError.empty() ? std::string()
                                                              : " (" + context.infoZip.strLastError + ")"));
        return out;
    }

    UnzDllParams& params = context.params;
    params.pCaller = &run;
    params.pCallback = &OnUnzipMessage;
    params.nVersion = context.infoZip.GetVersion();
    params.nTest = job.bTest ? 1 : 0;
    params.pszPassword = job.strPassword.empty() ? UNZ_DEFAULT_PASSWORD : job.strPassword.c_str();
    params.pszArchive = job.strArchive.c_str();

    if (job.bTest) {
        // Testing writes nothing, so the current directory does not matter (and the
        // output folder need not exist).
        out.nLibraryResult = context.infoZip.Exec(params);
        out.bCalled = true;
    } else {
        std::lock_guard lock(cwdMutex);
        const int nOutput = open(job.strOutputFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (nOutput < 0) {
            AddRunError(run, strShown + ":  Cannot use the output folder " + job.strOutputFolder + ": " +
                                 SystemText(errno));
            return out;
        }
        // Held as a descriptor, the current directory is restored whatever its length.
        const int nSaved = open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (nSaved < 0) {
            AddRunError(run, strShown + ":  Cannot remember the current folder: " + SystemText(errno));
            close(nOutput);
            return out;
        }
        if (fchdir(nOutput) != 0) {
            AddRunError(run, strShown + ":  Cannot change into the output folder " + job.strOutputFolder +
                                 ": " + SystemText(errno));
            close(nOutput);
            close(nSaved);
            return out;
        }
        out.nLibraryResult = context.infoZip.Exec(params);
        out.bCalled = true;
        if (fchdir(nSaved) != 0) {
            AddRunError(run,
                        strShown + ":  Cannot return to the previous current folder: " + SystemText(errno));
        }
        close(nOutput);
        close(nSaved);
    }
    params.pCaller = nullptr;
    params.pszArchive = nullptr;
    params.pszPassword = UNZ_DEFAULT_PASSWORD;

    if (run.bKilled || out.nLibraryResult == UNZ_ERR_KILLED || IsKillRequested(state)) {
        out.nOutcome = EWorkerOutcome::Killed;
    } else if (run.bPasswordNeeded) {
        if (state.pPasswordNeeded) {
            *state.pPasswordNeeded = 1;
        }
        out.nOutcome = EWorkerOutcome::PasswordNeeded;
    } else if (out.nLibraryResult != UNZ_OK && run.nErrorLines == 0) {
        // A failure the messages did not describe still fails the item.
        AddRunError(run, strShown + ":  Unzip failed with error " + std::to_string(out.nLibraryResult));
    } else if (run.bMessageLost) {
        AddRunError(run, strShown + ":  A message of the unzip library could not be handled");
    } else if (out.nLibraryResult == UNZ_OK && run.nEntriesDone == 0) {
        // Nothing came out: an empty archive is no success, and clean-up must not follow.
        AddRunError(run, strShown + ":  No files to extract");
    }
    out.nEntriesDone = run.nEntriesDone;
    out.bSucceeded = out.nOutcome == EWorkerOutcome::FileDone && out.bCalled &&
                     out.nLibraryResult == UNZ_OK && run.nEntriesDone > 0 && run.nErrorLines == 0;
    return out;
}

}  // namespace

CZipRunResult RunUnzip(const CZipJob& job, CUnzipContext& context, CExtractState& state) {
    try {
        return RunUnzipUnguarded(job, context, state);
    } catch (const std::exception& e) {
        // Nothing may leave a worker thread as an exception: the entry fails instead.
        if (state.pErrors) {
            AddReportLine(*state.pErrors, PathInInput(job.strArchive, job.strInputPath) + ":  " + e.what(),
                          1);
        }
        return CZipRunResult{};
    } catch (...) {
        if (state.pErrors) {
            AddReportLine(*state.pErrors,
                          PathInInput(job.strArchive, job.strInputPath) + ":  Unhandled error", 1);
        }
        return CZipRunResult{};
    }
}

void RunUnzipAndPost(const CZipJob& job, CUnzipContext& context, CExtractState& state, QObject* pTarget) {
    const CZipRunResult result = RunUnzip(job, context, state);
    PostWorkerOutcome(pTarget, result.nOutcome);
}
