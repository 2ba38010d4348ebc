#pragma once
// CRedirect runs one console program as a child process and hands its output to an
// owner as it arrives.
//
// The child gets the argument vector as it is (no shell, no quoting), standard input
// from /dev/null, standard output and standard error on one pipe, no other descriptor
// (but the secret pipe of SetSecretInput), its own session and
// process group (so it has no controlling terminal to read a password from, and Stop
// reaches its children too) and the lowest CPU priority (nice 19).
//
// Threads: Run blocks the calling worker thread until the child has ended or was ended
// and calls the owner only from that thread. Stop may be called from any thread. One
// object serves one child and is not reused. The owner must outlive Run.
//
// Failures are reported as text into the output stream (message, line break, the
// system's text), as the program's own text would be, and also kept in the result.

#include <sys/types.h>

#include <atomic>
#include <string>
#include <vector>

#include "process/CLineSplitter.h"
#include "process/CRedirectOwner.h"

struct RedirectResult {
    bool bStarted = false;         // the program was started
    bool bExited = false;          // it ended by itself; nExitCode is its code
    int nExitCode = 0;             // exit code, or 128 + signal for a signal death
    int nSignal = 0;               // signal that ended it by itself, 0 if none
    bool bTerminated = false;      // Run ended it (Stop, kill request, password, pipe error)
    bool bPasswordPrompt = false;  // the program asked for a password
    bool bPipeError = false;       // reading its output failed
    std::string strError;          // the failure text reported into the output, if any
};

class CRedirect {
public:
    // arrArgs[0] is the program: a path, or a bare name looked up on PATH.
    // strCommandLine is the displayable command line (kept for logs and tests).
    CRedirect(std::vector<std::string> arrArgs, CRedirectOwner* pOwner, std::string strCommandLine = {});
    virtual ~CRedirect();
    CRedirect(const CRedirect&) = delete;
    CRedirect& operator=(const CRedirect&) = delete;

    // The descriptor at which the child finds what SetSecretInput handed over.
    static constexpr int SECRET_FD = 3;
    // Hands strSecret (a password) to the child on a pipe that it inherits as
    // descriptor SECRET_FD: the bytes, then end of file. It is the one descriptor
    // the child gets besides 0, 1 and 2; without a secret it gets none. A secret
    // never goes on the argument vector or into the environment, where other
    // processes can read it (/proc/PID/cmdline). Call before Run; at most 64 KiB.
    void SetSecretInput(std::string strSecret);

    // Starts the child and pumps its output until it ends or is ended.
    virtual void Run();
    // Asks Run to end the child at its next poll.
    virtual void Stop();

    // Handles one chunk of the child's output (percent mode or log + volume lines).
    void OnOutput(const std::string& text);
    // Reports message + "\r\n" + the system's text for errno through OnOutput.
    void ReportLastError(const std::string& message);

    const RedirectResult& Result() const { return result; }
    const std::string& CommandLine() const { return strCommandLine; }

    int nPollMs = 10;             // sleep between two polls when nothing is to be read
    int nTerminateGraceMs = 300;  // time between SIGTERM and SIGKILL when ending the child

protected:
    // Reads the child's output; read(2) here. A seam for tests, since a failing pipe
    // read cannot be produced for real.
    virtual ssize_t ReadOutput(int nFd, char* pBuffer, std::size_t nSize);

private:
    bool StartChild(int nWriteFd, int nSecretFd);
    bool OpenSecretPipe(int& nReadFd);
    void Pump(int nReadFd);
    void HandleChunk(std::string text);
    void Terminate(int nReadFd);
    bool DrainAvailable(int nReadFd);
    void RecordExit(int nStatus);

    std::vector<std::string> arrArgs;
    CRedirectOwner* pOwner;
    std::string strCommandLine;
    std::string strSecret;
    bool bHasSecret = false;
    std::atomic<bool> bStop{false};
    pid_t nPid = -1;
    RedirectResult result;
    CLineSplitter promptLines;   // every chunk, for prompt detection
    CLineSplitter logLines;      // log mode, for volume lines
    std::string strPercentTail;  // last bytes of the previous chunk (a percentage split by a read)
};
