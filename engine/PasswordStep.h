#pragma once
// The password step shared by the RAR and the ZIP worker: when a worker posts
// UWM_PASSWORD_NEEDED, the driver's handler calls OnPasswordNeeded on the main thread. It
// asks the person once per work entry (through CPasswordPrompt, which the GUI answers with
// its dialog, harvex-batch on a terminal and tests with a fixed answer), then either runs
// the same entry again with the new password or records why the archive was skipped.

#include <atomic>
#include <string>
#include <vector>

class QObject;

// The person's answer to "this archive needs a password".
class CPasswordPrompt {
public:
    virtual ~CPasswordPrompt() = default;
    // Main thread. strArchiveName is the archive's file name. Answers true with the
    // password typed (OK), false when the person declined (Cancel).
    virtual bool AskPassword(const std::string& strArchiveName, std::string& strPassword) = 0;
};

// The driver's fields the step reads and writes (all on the main thread; no worker runs).
struct CPasswordStepState {
    bool bPasswordPrompt = true;                  // the PasswordPrompt setting
    int* pPasswordAsked = nullptr;                // bPasswordAsked of the current work entry
    std::string* pPassword = nullptr;             // strPassword, kept for every later run
    std::atomic<int>* pArchivesDone = nullptr;    // nArchivesDone (the failed attempt counted one)
    std::vector<std::string>* pErrors = nullptr;  // the current item's arrErrors
    CPasswordPrompt* pPrompt = nullptr;           // null: nobody can be asked (as with the setting off)
    std::string strArchive;                       // strZipArchive for a ZIP entry, else strRarArchive
    std::string strInputPath;                     // the item's input folder
};

enum class EPasswordDecision { RunAgain, FileDone };

// Main thread. The decision and its error lines:
//   prompt on, not yet asked: ask; OK -> RunAgain with the new password (nArchivesDone - 1),
//     Cancel -> "Skipped password protected file  <path>";
//   prompt on, asked before (the typed password failed) -> "<path>:  Wrong password";
//   prompt off -> "Skipped password protected file  <path>".
// <path> is the archive relative to the input folder.
EPasswordDecision DecidePassword(CPasswordStepState& state);

// Main thread handler of UWM_PASSWORD_NEEDED: DecidePassword, then posts
// UWM_PROCESS_FILE (nCurrentFile) to run the entry again, or UWM_FILE_DONE. Answers 1.
int OnPasswordNeeded(CPasswordStepState& state, int nCurrentFile, QObject* pTarget);
