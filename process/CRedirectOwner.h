#pragma once
// What a console runner (CRedirect) reports to. Every call comes from the worker
// thread that runs CRedirect::Run; the owner decides where the values live (the RAR
// worker forwards them to the driver's fields).

#include <string>

class CRedirectOwner {
public:
    virtual ~CRedirectOwner() = default;

    // The driver's kill request, read before every poll of the pipe.
    virtual bool IsKillRequested() const { return false; }

    // The program asked for a password (bPasswordNeeded := 1, nExitCode := 3333).
    // The runner ends the child afterwards; no exit code follows.
    virtual void OnPasswordPrompt() = 0;

    // Exit code of a child that ended by itself (128 + signal number when a signal
    // ended it). Not called when the runner ended the child.
    virtual void SetExitCode(int nCode) = 0;

    // Percent mode: the item holds a single RAR volume, so the program's own
    // percentage is shown and its text only kept in the recent-output buffer.
    virtual bool IsSingleArchiveProgress() const { return false; }
    virtual void SetProgressPercent(int /*nPercent*/) {}
    virtual void AddRecentOutput(const std::string& /*text*/) {}

    // Otherwise: every chunk goes to the process log, and every complete line with
    // "Extracting from" or "Testing archive" is handed over for volume counting.
    virtual void AppendWorkerLog(const std::string& /*text*/) {}
    virtual void OnVolumeLine(const std::string& /*line*/) {}
};
