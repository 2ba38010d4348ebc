#pragma once
// ZIP extraction through the unzip library.
//
// The driver owns one CUnzipContext (the loaded library and its parameter record),
// initialised once with InitUnzip on the main thread. For a ZIP work entry it fills a
// CZipJob and starts a plain worker thread that calls RunUnzipAndPost. The worker changes
// the process's current directory to the output folder for the one library call (the
// library extracts into the current directory) and always changes it back; the library
// reports through OnUnzipMessage on the same worker thread. A kill request makes the
// callback ask the library to stop; the call returns early and the worker posts
// UWM_ITEM_DONE (3). Otherwise the worker posts UWM_PASSWORD_NEEDED or UWM_FILE_DONE.
// No other thread may depend on the current directory while a ZIP worker runs.

#include <string>
#include <vector>

#include "engine/CInfoZip.h"
#include "engine/ExtractReport.h"
#include "engine/RarExtract.h"

struct CUnzipContext {
    CInfoZip infoZip;
    UnzDllParams params{};  // rewritten before every run
};

// Main thread, once: loads the library from strUnzipDll and fills the parameter record.
// A failed load is not reported here; every ZIP entry then fails with a clear error line.
bool InitUnzip(CUnzipContext& context, const std::string& strUnzipDll);

struct CZipJob {
    std::string strArchive;       // strZipArchive
    std::string strOutputFolder;  // the item's effective output folder
    std::string strPassword;      // strPassword; empty: the built-in default password
    std::string strInputPath;     // the item's input folder (error lines show paths relative to it)
    bool bTest = false;           // option 1 (Test)
};

struct CZipRunResult {
    EWorkerOutcome nOutcome = EWorkerOutcome::FileDone;
    bool bCalled = false;     // the library was called
    int nLibraryResult = 0;   // its result (UNZ_OK or UNZ_ERR_*)
    int nEntriesDone = 0;     // entries the library reported extracted or tested
    bool bSucceeded = false;  // UNZ_OK, at least one entry, and no error line
};

// What the callback works on during one library call: the parameter record's pCaller.
struct CUnzipRun {
    const CZipJob* pJob = nullptr;
    CExtractState* pState = nullptr;
    std::vector<std::string>* pErrors = nullptr;  // never null during a call
    bool bPasswordNeeded = false;                 // the password did not open an entry
    bool bKilled = false;                         // the callback asked the library to stop
    std::size_t nErrorLines = 0;                  // error lines this run added
    int nEntriesDone = 0;                         // UNZ_MSG_ENTRY messages
    bool bMessageLost = false;                    // handling a message failed
};

// Worker thread. Runs the library once for the job; error lines go to state.pErrors, the
// "Unzipped"/"Tested" lines to state.pLog. Extraction needs an existing output folder that
// can be entered; otherwise an error line and no library call. Success needs the library's
// UNZ_OK and at least one entry done; an archive without entries is "No files to extract".
// Does not post anything.
CZipRunResult RunUnzip(const CZipJob& job, CUnzipContext& context, CExtractState& state);

// Worker thread body: RunUnzip, then posts its outcome to pTarget.
void RunUnzipAndPost(const CZipJob& job, CUnzipContext& context, CExtractState& state, QObject* pTarget);

// The library's callback (on the thread that called the library). Answers non-zero to
// stop the call when the kill request is set.
extern "C" int OnUnzipMessage(UnzDllMessage* pMessage);
