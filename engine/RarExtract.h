#pragma once
// RAR extraction through the console RAR program.
//
// The driver fills a CRarJob on the main thread for one work entry (a RAR first volume or
// a subtitle pack), points a CExtractState at its own fields, and starts a plain worker
// thread that calls RunRarToolAndPost. The worker runs the program through CRedirect
// (blocking only itself), writes the item's error lines, the progress figures, the work
// list's bDone flags and the process log, and ends by posting exactly one message:
// UWM_PASSWORD_NEEDED, UWM_ITEM_DONE (3) or UWM_FILE_DONE. The main thread must not touch
// the state the job points at until that message arrives; the GUI thread never waits for
// the worker.
//
// Exit codes of the program (see EvaluateExitCode): 0 is success and the output is not
// read; every other code leaves at least one error line, so the item fails and clean-up
// never deletes archives whose extraction did not happen. A program that cannot be
// started, a failing pipe and a signal death are failures with their own error lines.

#include <atomic>
#include <string>
#include <vector>

#include "engine/ExtractReport.h"
#include "process/CRedirect.h"

class CProcessLog;
class CProgress;
class CWorkLists;
class QObject;

// What one run reads. Copied into the worker; nothing here is shared.
struct CRarJob {
    std::string strUnrarExe;     // the program: a path, or a bare name looked up on PATH
    std::string strArchive;      // strRarArchive: first volume or subtitle pack to run
    std::string strDestination;  // strItemOutput, or strSubsDestination for a subtitle pack
    std::string strPassword;     // the password for the run; empty: none given
    std::string strInputPath;    // the item's input folder (error lines show paths relative to it)
    bool bTest = false;          // option 1 (Test) applies to the item
    bool bFolderItem = false;    // the item's strType is "folder"
};

// The driver's fields a worker writes. Owned by the driver, valid until the worker's
// message arrives. Null members are skipped (tests leave out what they do not look at).
struct CExtractState {
    const std::atomic<int>* pKillRequested = nullptr;  // bKillRequested, read only
    std::atomic<int>* pPasswordNeeded = nullptr;       // bPasswordNeeded, set to 1 here
    CProgress* pProgress = nullptr;                    // progress figures of the item
    CProcessLog* pLog = nullptr;                       // the process log
    CWorkLists* pWorkLists = nullptr;                  // arrRarFiles read, arrWork's bDone written
    // The current item's error lines. The item array may move while a run goes on (items
    // can be added), so the driver points this at a vector of its own that starts as a copy
    // of the item's arrErrors and copies it back when the worker's message arrives; that
    // keeps the duplicate test of AddReportText and the "nothing recorded yet" test of the
    // output parser working across the item's archives.
    std::vector<std::string>* pErrors = nullptr;
};

// The command line as shown, e.g.
//   /opt/harvex/unrar x -o+ -ierr -av- -y --password-fd=3 -idp "/in/a.part1.rar" "/out/a"
// A password never appears: the program reads it from the pipe that RunRarTool hands
// it as descriptor CRedirect::SECRET_FD. Test mode adds no destination; the root
// folder "/" is passed without quotes.
std::string BuildRarCommandLine(const CRarJob& job, bool bSingleArchiveProgress);

// The same arguments as a vector, as the program receives them (no quoting).
std::vector<std::string> BuildRarArguments(const CRarJob& job, bool bSingleArchiveProgress);

// Maps the program's exit code to error lines of arrErrors; strOutput is the program's
// output of this run, read for the codes that need it (ParseToolOutput).
//   0                                                success only when the output ends with
//                                                    "All OK" and reports at least one entry
//                                                    done; otherwise an "Unconfirmed" line, or
//                                                    "No files to extract" for no entry
//   3333 (password asked)                            nothing
//   1, 2, 3, 6, 10, 11, 50, 51, 80, 81, 82           the output is read
//   4, 5, 7, 8, 9, 255                               their fixed message
//   any other (also 128 + signal)                    "Unknown error.", then the output is read
// Afterwards every code but 0 and 3333 leaves at least "Unhandled error" in arrErrors.
// strShown (the archive as error lines show it) begins the lines written for exit 0.
void EvaluateExitCode(int nExitCode, const std::string& strOutput, bool bTest, bool bKillRequested,
                      std::vector<std::string>& arrErrors, const std::string& strShown = std::string());

// What the program's output of one run proves: its own "All OK" as the last line, and
// how many entries it reported done (an entry line, "Extracting  ", "Testing     ",
// "Creating    " or its continuation "...         ", ended with "  OK").
struct CRarOutputFacts {
    bool bAllOk = false;
    int nEntriesDone = 0;
};
CRarOutputFacts ReadRarOutputFacts(const std::string& strOutput);

// Records the error lines found in the program's output: error lines, context lines with
// the volume line before them, and "Unhandled error" when the output ends without
// "All OK" and nothing else was recorded. Does nothing when bKillRequested is set.
void ParseToolOutput(const std::string& strText, bool bTest, bool bKillRequested,
                     std::vector<std::string>& arrErrors);

// One "Extracting from"/"Testing archive" line: counts the volume it names (nArchivesDone,
// percentage) and marks the work entry of that volume as done when it is another archive
// of the item than strArchive. Answers true when the line named a known volume.
bool CountVolumeLine(const std::string& strLine, const std::string& strArchive, CWorkLists& workLists,
                     CProgress* pProgress);

struct CRarRunResult {
    EWorkerOutcome nOutcome = EWorkerOutcome::FileDone;
    int nExitCode = 0;        // the code evaluated (3333 after a password prompt)
    bool bSucceeded = false;  // exit 0, "All OK" and at least one entry done, no error line
    RedirectResult runner;    // what the runner saw
    std::string strCommandLine;
    std::string strOutput;  // the program's output of this run
};

// Worker thread. Runs the program once for the job and records what it found (see the
// top of this file). Does not post anything.
CRarRunResult RunRarTool(const CRarJob& job, CExtractState& state);

// Worker thread body: RunRarTool, then posts its outcome to pTarget.
void RunRarToolAndPost(const CRarJob& job, CExtractState& state, QObject* pTarget);
