#include "engine/RarExtract.h"

#include <array>
#include <exception>
#include <string_view>

#include "companions/unrar/UnrarContract.h"
#include "engine/CProcessLog.h"
#include "engine/CWorkLists.h"
#include "engine/Progress.h"
#include "process/RarToolTexts.h"

namespace {

constexpr int PASSWORD_EXIT_CODE = 3333;
// The program's own output is kept for evaluation up to this size (its tail beyond it).
constexpr std::size_t MAX_CAPTURE = 8 * 1024 * 1024;

// The password travels on a pipe the program inherits (CRedirect::SetSecretInput),
// never on its command line, which every local user can read.
std::string PasswordFdSwitch() {
    return "--password-fd=" + std::to_string(CRedirect::SECRET_FD);
}

bool IsRootDestination(const std::string& strDestination) {
    return strDestination == "/";
}

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

bool IsErrorLine(std::string_view line) {
    static constexpr std::array<std::string_view, 8> ERROR_TEXTS = {
        "Error",
        "ERROR:",
        "Missing",
        "find volume",
        "Write error",
        "packed data CRC failed",
        "No files to extract",
        "is not RAR archive",
    };
    for (std::string_view text : ERROR_TEXTS) {
        if (Contains(line, text)) {
            return true;
        }
    }
    return Contains(line, "Failed") && !Contains(line, "Verifying authenticity information");
}

bool IsContextLine(std::string_view line) {
    return Contains(line, "Unexpected") || Contains(line, "WARNING: You need to start") ||
           Contains(line, "Verifying authenticity information");
}

// Forwards what the runner reports to the driver's fields and keeps this run's output.
class CRarRunOwner : public CRedirectOwner {
public:
    CRarRunOwner(const CRarJob& job, CExtractState& state) : job(job), state(state) {}

    bool IsKillRequested() const override { return state.pKillRequested && *state.pKillRequested != 0; }
    void OnPasswordPrompt() override {
        bPasswordNeeded = true;
        nExitCode = PASSWORD_EXIT_CODE;
    }
    void SetExitCode(int nCode) override { nExitCode = nCode; }
    bool IsSingleArchiveProgress() const override {
        return state.pProgress && state.pProgress->bSingleArchiveProgress != 0;
    }
    void SetProgressPercent(int nPercent) override {
        if (state.pProgress) {
            state.pProgress->nProgressPercent = nPercent;
        }
    }
    void AddRecentOutput(const std::string& text) override { Capture(text); }
    void AppendWorkerLog(const std::string& text) override {
        Capture(text);
        if (state.pLog) {
            state.pLog->AppendWorkerLog(text, false, false, job.bTest);
        }
    }
    void OnVolumeLine(const std::string& line) override {
        if (state.pWorkLists) {
            CountVolumeLine(line, job.strArchive, *state.pWorkLists, state.pProgress);
        }
    }

    bool bPasswordNeeded = false;
    int nExitCode = 0;
    std::string strOutput;

private:
    void Capture(const std::string& text) {
        if (strOutput.size() + text.size() > MAX_CAPTURE) {
            strOutput.erase(0, strOutput.size() / 2);
        }
        strOutput += text;
    }

    const CRarJob& job;
    CExtractState& state;
};

}  // namespace

std::vector<std::string> BuildRarArguments(const CRarJob& job, bool bSingleArchiveProgress) {
    std::vector<std::string> arrArgs = {job.strUnrarExe, job.bTest ? "t" : "x", "-o+", "-ierr", "-av-", "-y"};
    if (!job.strPassword.empty()) {
        arrArgs.push_back(PasswordFdSwitch());
    }
    arrArgs.push_back(job.bFolderItem && !bSingleArchiveProgress ? "-idp" : "-idc");
    arrArgs.push_back(job.strArchive);
    if (!job.bTest) {
        arrArgs.push_back(job.strDestination);
    }
    return arrArgs;
}

std::string BuildRarCommandLine(const CRarJob& job, bool bSingleArchiveProgress) {
    std::string strLine = job.strUnrarExe;
    strLine += job.bTest ? " t" : " x";
    strLine += " -o+ -ierr -av- -y";
    if (!job.strPassword.empty()) {
        strLine += " " + PasswordFdSwitch();
    }
    strLine += job.bFolderItem && !bSingleArchiveProgress ? " -idp" : " -idc";
    strLine += " \"" + job.strArchive + "\"";
    if (!job.bTest) {
        if (IsRootDestination(job.strDestination)) {
            strLine += " " + job.strDestination;
        } else {
            strLine += " \"" + job.strDestination + "\"";
        }
    }
    return strLine;
}

CRarOutputFacts ReadRarOutputFacts(const std::string& strOutput) {
    static constexpr std::array<std::string_view, 4> ENTRY_LABELS = {
        unrar::TEXT_EXTRACTING, unrar::TEXT_TESTING, unrar::TEXT_CREATING, unrar::TEXT_CONTINUING};
    CRarOutputFacts facts;
    std::string_view lastLine;
    std::string_view rest = strOutput;
    while (!rest.empty()) {
        const std::size_t nFeed = rest.find('\n');
        std::string_view line = rest.substr(0, nFeed);
        rest = nFeed == std::string_view::npos ? std::string_view() : rest.substr(nFeed + 1);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
            line.remove_suffix(1);
        }
        if (line.empty()) {
            continue;
        }
        lastLine = line;
        if (!line.ends_with(unrar::TEXT_OK_FIELD)) {
            continue;
        }
        for (std::string_view label : ENTRY_LABELS) {
            if (line.starts_with(label) &&
                line.size() > label.size() + std::string_view(unrar::TEXT_OK_FIELD).size()) {
                ++facts.nEntriesDone;
                break;
            }
        }
    }
    facts.bAllOk = lastLine == unrar::TEXT_ALL_OK;
    return facts;
}

void ParseToolOutput(const std::string& strText, bool bTest, bool bKillRequested,
                     std::vector<std::string>& arrErrors) {
    if (bKillRequested) {
        return;
    }
    const std::string_view volumeMarker =
        bTest ? RarToolTexts::TESTING_ARCHIVE : RarToolTexts::EXTRACTING_FROM;
    std::vector<std::string> arrLines;
    std::size_t nStart = 0;
    for (std::size_t nFeed = strText.find('\n'); nFeed != std::string::npos;
         nFeed = strText.find('\n', nStart)) {
        std::string strLine = strText.substr(nStart, nFeed - nStart);
        if (!strLine.empty() && strLine.back() == '\r') {
            strLine.pop_back();
        }
        nStart = nFeed + 1;
        arrLines.push_back(strLine);
        if (IsErrorLine(strLine)) {
            AddReportText(arrErrors, strLine + "\r\n\r\n");
        } else if (IsContextLine(strLine)) {
            // "Unexpected end of archive" names no volume: the volume line before it does.
            for (std::size_t i = arrLines.size(); i-- > 0;) {
                if (Contains(arrLines[i], volumeMarker)) {
                    AddReportText(arrErrors, arrLines[i] + "\r\n");
                    AddReportText(arrErrors, strLine + "\r\n\r\n");
                    break;
                }
            }
        } else if (nStart == strText.size() && !Contains(strLine, "All OK") && arrErrors.empty()) {
            AddReportText(arrErrors, "Unhandled error\r\n");
        }
    }
}

void EvaluateExitCode(int nExitCode, const std::string& strOutput, bool bTest, bool bKillRequested,
                      std::vector<std::string>& arrErrors, const std::string& strShown) {
    auto report = [&arrErrors](const std::string& strText) { AddReportLine(arrErrors, strText, 1); };
    switch (nExitCode) {
        case unrar::EXIT_OK: {
            // The exit code alone proves nothing (a foreign or broken program may exit 0
            // having done nothing): the program's own last line and its entry lines must say
            // that the archive came out.
            if (bKillRequested) {
                return;
            }
            const std::string strPrefix = strShown.empty() ? std::string() : strShown + ":  ";
            const CRarOutputFacts facts = ReadRarOutputFacts(strOutput);
            if (!facts.bAllOk) {
                report(strPrefix + (bTest ? "Unconfirmed test" : "Unconfirmed extraction") +
                       ": the RAR program did not end with \"All OK\"");
            } else if (facts.nEntriesDone == 0) {
                report(strPrefix + unrar::TEXT_NO_FILES);
            }
            return;
        }
        case PASSWORD_EXIT_CODE:
            return;
        case unrar::EXIT_WARNING:
        case unrar::EXIT_FATAL:
        case unrar::EXIT_DAMAGED:
        case unrar::EXIT_OPEN_ERROR:
        // "No files to extract" (10), a wrong password (11) and the codes that once meant
        // nothing to do: the archive was not extracted, so they must fail the item.
        case unrar::EXIT_NO_FILES:
        case unrar::EXIT_BAD_PASSWORD:
        case unrar::EXIT_OTHER_50:
        case unrar::EXIT_OTHER_51:
        case unrar::EXIT_OTHER_80:
        case unrar::EXIT_OTHER_81:
        case unrar::EXIT_OTHER_82:
            ParseToolOutput(strOutput, bTest, bKillRequested, arrErrors);
            break;
        case unrar::EXIT_LOCKED:
            report("Attempt to modify an archive previously locked by the 'k' command.");
            break;
        case unrar::EXIT_WRITE_ERROR:
            report("Write to disk error.");
            break;
        case unrar::EXIT_USAGE:
            report("Command line option error.");
            break;
        case unrar::EXIT_MEMORY:
            report("Not enough memory for operation.");
            break;
        case unrar::EXIT_CREATE_ERROR:
            report("Create file error.");
            break;
        case unrar::EXIT_SIGNAL:
            report("User stopped the process.");
            break;
        default:
            report("Unknown error.");
            ParseToolOutput(strOutput, bTest, bKillRequested, arrErrors);
            break;
    }
    if (arrErrors.empty()) {
        AddReportText(arrErrors, "Unhandled error\r\n");
    }
}

bool CountVolumeLine(const std::string& strLine, const std::string& strArchive, CWorkLists& workLists,
                     CProgress* pProgress) {
    // "Extracting from /in/a.part2.rar": the path after the marker names the volume. An
    // exact match is preferred, so that /in/a.r00 is not taken for /in/a.r001.
    std::string_view rest = strLine;
    for (std::string_view marker : {RarToolTexts::EXTRACTING_FROM, RarToolTexts::TESTING_ARCHIVE}) {
        const std::size_t nAt = rest.find(marker);
        if (nAt != std::string_view::npos) {
            rest.remove_prefix(nAt + marker.size());
            break;
        }
    }
    while (!rest.empty() && rest.front() == ' ') {
        rest.remove_prefix(1);
    }
    while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\r')) {
        rest.remove_suffix(1);
    }
    const RarFiles* pVolume = nullptr;
    for (const RarFiles& volume : workLists.arrRarFiles) {
        if (volume.strFolder + volume.strName == rest) {
            pVolume = &volume;
            break;
        }
    }
    if (!pVolume) {
        for (const RarFiles& volume : workLists.arrRarFiles) {
            if (strLine.find(volume.strFolder + volume.strName) != std::string::npos) {
                pVolume = &volume;
                break;
            }
        }
    }
    if (!pVolume) {
        return false;
    }
    const std::string strFull = pVolume->strFolder + pVolume->strName;
    if (pProgress) {
        ++pProgress->nArchivesDone;
        pProgress->UpdateArchivePercent();
    }
    for (CFileInformation& entry : workLists.arrWork) {
        if (entry.strPath == strFull && entry.strPath != strArchive) {
            entry.bDone = 1;
            break;
        }
    }
    return true;
}

namespace {

CRarRunResult RunRarToolUnguarded(const CRarJob& job, CExtractState& state) {
    const bool bSingle = state.pProgress && state.pProgress->bSingleArchiveProgress != 0;
    CRarRunResult out;
    out.strCommandLine = BuildRarCommandLine(job, bSingle);
    CRarRunOwner owner(job, state);
    {
        CRedirect redirect(BuildRarArguments(job, bSingle), &owner, out.strCommandLine);
        if (!job.strPassword.empty()) {
            redirect.SetSecretInput(job.strPassword);
        }
        redirect.Run();
        out.runner = redirect.Result();
    }
    out.nExitCode = owner.nExitCode;
    out.strOutput = std::move(owner.strOutput);
    std::vector<std::string> arrScratch;
    std::vector<std::string>& arrErrors = state.pErrors ? *state.pErrors : arrScratch;
    const bool bKill = state.pKillRequested && *state.pKillRequested != 0;

    if (owner.bPasswordNeeded) {
        if (state.pPasswordNeeded) {
            *state.pPasswordNeeded = 1;
        }
        out.nOutcome = EWorkerOutcome::PasswordNeeded;
    } else if (bKill) {
        out.nOutcome = EWorkerOutcome::Killed;
    } else if (!out.runner.bStarted) {
        // "Error creating process\r\nNo such file or directory\r\n": the item fails, so
        // clean-up never deletes archives that were not extracted.
        AddReportLine(arrErrors, out.runner.strError, 1);
    } else if (out.runner.bPipeError || !out.runner.bExited) {
        AddReportLine(
            arrErrors,
            out.runner.strError.empty() ? "Error reading the program's output\r\n" : out.runner.strError, 1);
    } else {
        if (out.runner.nSignal != 0) {
            AddReportLine(arrErrors,
                          PathInInput(job.strArchive, job.strInputPath) +
                              ":  the RAR program ended by signal " + std::to_string(out.runner.nSignal),
                          1);
        }
        const std::size_t nErrorsBefore = arrErrors.size();
        EvaluateExitCode(out.nExitCode, out.strOutput, job.bTest, bKill, arrErrors,
                         PathInInput(job.strArchive, job.strInputPath));
        out.bSucceeded = out.nExitCode == 0 && out.runner.nSignal == 0 && arrErrors.size() == nErrorsBefore;
        // The program overwrites its last percentage with "OK" and never prints 100 %: a
        // clean run of the single archive is complete, whatever percentage it showed last.
        if (bSingle && out.nExitCode == 0 && state.pProgress) {
            state.pProgress->nShownPercent = state.pProgress->nProgressPercent.load();
            state.pProgress->nProgressPercent = 100;
        }
    }
    return out;
}

}  // namespace

CRarRunResult RunRarTool(const CRarJob& job, CExtractState& state) {
    try {
        return RunRarToolUnguarded(job, state);
    } catch (const std::exception& e) {
        // Nothing may leave a worker thread as an exception: the entry fails instead.
        CRarRunResult out;
        if (state.pErrors) {
            AddReportLine(*state.pErrors, PathInInput(job.strArchive, job.strInputPath) + ":  " + e.what(),
                          1);
        }
        return out;
    } catch (...) {
        if (state.pErrors) {
            AddReportLine(*state.pErrors,
                          PathInInput(job.strArchive, job.strInputPath) + ":  Unhandled error", 1);
        }
        return CRarRunResult{};
    }
}

void RunRarToolAndPost(const CRarJob& job, CExtractState& state, QObject* pTarget) {
    const CRarRunResult result = RunRarTool(job, state);
    PostWorkerOutcome(pTarget, result.nOutcome);
}
