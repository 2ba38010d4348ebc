#include "process/CRedirect.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "process/RarToolTexts.h"
#include "process/ToolOutputText.h"

namespace {

class CNullOwner : public CRedirectOwner {
public:
    void OnPasswordPrompt() override {}
    void SetExitCode(int) override {}
};

CNullOwner nullOwner;

std::string SystemText(int nError) {
    char buffer[256];
    // GNU strerror_r: answers a pointer that may or may not be the buffer.
    const char* text = strerror_r(nError, buffer, sizeof buffer);
    return text ? text : "Unknown error " + std::to_string(nError);
}

bool IsExecutableFile(const std::string& strPath) {
    struct stat info {};
    return stat(strPath.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(strPath.c_str(), X_OK) == 0;
}

// A bare program name is looked up on PATH here, before the fork, so that the child
// only has to call execv.
bool ResolveProgram(const std::string& strName, std::string& strPath) {
    if (strName.empty()) {
        errno = ENOENT;
        return false;
    }
    if (strName.find('/') != std::string::npos) {
        strPath = strName;
        return true;
    }
    const char* pathVar = std::getenv("PATH");
    std::string strSearch = pathVar && *pathVar ? pathVar : "/usr/local/bin:/usr/bin:/bin";
    std::size_t nStart = 0;
    while (nStart <= strSearch.size()) {
        std::size_t nEnd = strSearch.find(':', nStart);
        if (nEnd == std::string::npos) {
            nEnd = strSearch.size();
        }
        std::string strDir = strSearch.substr(nStart, nEnd - nStart);
        if (strDir.empty()) {
            strDir = ".";
        }
        const std::string strCandidate = strDir + "/" + strName;
        if (IsExecutableFile(strCandidate)) {
            strPath = strCandidate;
            return true;
        }
        nStart = nEnd + 1;
    }
    errno = ENOENT;
    return false;
}

void SleepMs(int nMs) {
    std::this_thread::sleep_for(std::chrono::milliseconds(nMs));
}

}  // namespace

CRedirect::CRedirect(std::vector<std::string> args, CRedirectOwner* owner, std::string commandLine)
    : arrArgs(std::move(args)), pOwner(owner ? owner : &nullOwner), strCommandLine(std::move(commandLine)) {}

CRedirect::~CRedirect() {
    // This object's copy of the secret is wiped; the caller keeps its own as long as it needs it.
    volatile char* pBytes = strSecret.data();
    for (std::size_t i = 0; i < strSecret.size(); ++i) {
        pBytes[i] = 0;
    }
}

void CRedirect::SetSecretInput(std::string secret) {
    strSecret = std::move(secret);
    bHasSecret = true;
}

bool CRedirect::OpenSecretPipe(int& nReadFd) {
    nReadFd = -1;
    if (!bHasSecret) {
        return true;
    }
    int arrSecret[2];
    if (pipe2(arrSecret, O_CLOEXEC) != 0) {
        ReportLastError("Error creating pipe");
        return false;
    }
    // The whole secret fits into the pipe before the child starts; a write that
    // would block means it does not, and the run is refused.
    fcntl(arrSecret[1], F_SETFL, O_NONBLOCK);
    std::size_t nDone = 0;
    while (nDone < strSecret.size()) {
        const ssize_t nWritten = write(arrSecret[1], strSecret.data() + nDone, strSecret.size() - nDone);
        if (nWritten < 0 && errno == EINTR) {
            continue;
        }
        if (nWritten <= 0) {
            if (nWritten == 0 || errno == EAGAIN) {
                errno = EMSGSIZE;
            }
            ReportLastError("Error creating pipe");
            close(arrSecret[0]);
            close(arrSecret[1]);
            return false;
        }
        nDone += static_cast<std::size_t>(nWritten);
    }
    close(arrSecret[1]);
    nReadFd = arrSecret[0];
    return true;
}

void CRedirect::Stop() {
    bStop = true;
}

ssize_t CRedirect::ReadOutput(int nFd, char* pBuffer, std::size_t nSize) {
    return read(nFd, pBuffer, nSize);
}

void CRedirect::Run() {
    int arrPipe[2];
    if (pipe2(arrPipe, O_CLOEXEC) != 0) {
        ReportLastError("Error creating pipe");
        return;
    }
    int nSecretFd = -1;
    if (!OpenSecretPipe(nSecretFd)) {
        close(arrPipe[0]);
        close(arrPipe[1]);
        return;
    }
    const bool bStarted = StartChild(arrPipe[1], nSecretFd);
    if (nSecretFd >= 0) {
        close(nSecretFd);
    }
    if (!bStarted) {
        close(arrPipe[0]);
        close(arrPipe[1]);
        return;
    }
    // Only the child may hold the write end, or the end of its output is never seen.
    if (close(arrPipe[1]) != 0) {
        ReportLastError("Error closing pipe write handle.");
    }
    try {
        Pump(arrPipe[0]);
    } catch (...) {
        // An owner that throws (out of memory) must not leave the child running.
        if (nPid > 0) {
            Terminate(arrPipe[0]);
        }
        close(arrPipe[0]);
        throw;
    }
    if (close(arrPipe[0]) != 0) {
        ReportLastError("Error closing pipe read handle.");
    }
    // A last volume line that the program did not end with a line feed.
    const std::string strLast = logLines.Flush();
    if (strLast.find(RarToolTexts::EXTRACTING_FROM) != std::string::npos ||
        strLast.find(RarToolTexts::TESTING_ARCHIVE) != std::string::npos) {
        pOwner->OnVolumeLine(strLast);
    }
}

bool CRedirect::StartChild(int nWriteFd, int nSecretFd) {
    std::string strProgram;
    if (arrArgs.empty() || !ResolveProgram(arrArgs[0], strProgram)) {
        ReportLastError("Error creating process");
        return false;
    }
    std::vector<char*> arrArgv;
    for (std::string& strArg : arrArgs) {
        arrArgv.push_back(strArg.data());
    }
    arrArgv.push_back(nullptr);

    // The child writes the errno of a failed exec here; a successful exec closes it.
    int arrError[2];
    if (pipe2(arrError, O_CLOEXEC) != 0) {
        ReportLastError("Error creating process");
        return false;
    }
    const pid_t pid = fork();
    if (pid < 0) {
        close(arrError[0]);
        close(arrError[1]);
        ReportLastError("Error creating process");
        return false;
    }
    if (pid == 0) {
        // Child: only async-signal-safe calls from here to exec.
        int nErrorFd = arrError[1];
        setsid();
        setpriority(PRIO_PROCESS, 0, 19);
        const int nNull = open("/dev/null", O_RDONLY);
        if (nNull < 0 || dup2(nNull, 0) < 0 || dup2(nWriteFd, 1) < 0 || dup2(nWriteFd, 2) < 0) {
            const int nError = errno;
            (void)!write(nErrorFd, &nError, sizeof nError);
            _exit(127);
        }
        // Descriptors: 0, 1, 2, the secret at SECRET_FD (inherited), the exec error
        // pipe just above it (closed by exec), nothing else. Both are parked above
        // those numbers first, so that placing one cannot overwrite the other.
        constexpr int nErrorSlot = SECRET_FD + 1;
        const int nParkedError = fcntl(nErrorFd, F_DUPFD_CLOEXEC, nErrorSlot + 1);
        const int nParkedSecret = nSecretFd >= 0 ? fcntl(nSecretFd, F_DUPFD_CLOEXEC, nErrorSlot + 1) : -1;
        if (nParkedError < 0 || dup2(nParkedError, nErrorSlot) < 0) {
            const int nError = errno;
            (void)!write(nErrorFd, &nError, sizeof nError);
            _exit(127);
        }
        nErrorFd = nErrorSlot;
        fcntl(nErrorFd, F_SETFD, FD_CLOEXEC);
        if (nSecretFd >= 0 && (nParkedSecret < 0 || dup2(nParkedSecret, SECRET_FD) < 0)) {
            const int nError = errno;
            (void)!write(nErrorFd, &nError, sizeof nError);
            _exit(127);
        }
        if (nSecretFd < 0) {
            close(SECRET_FD);
        }
        close_range(nErrorSlot + 1, ~0U, 0);
        sigset_t empty;
        sigemptyset(&empty);
        sigprocmask(SIG_SETMASK, &empty, nullptr);
        for (int nSignal = 1; nSignal < NSIG; ++nSignal) {
            signal(nSignal, SIG_DFL);
        }
        execv(strProgram.c_str(), arrArgv.data());
        const int nError = errno;
        (void)!write(nErrorFd, &nError, sizeof nError);
        _exit(127);
    }
    close(arrError[1]);
    int nExecError = 0;
    ssize_t nRead;
    do {
        nRead = read(arrError[0], &nExecError, sizeof nExecError);
    } while (nRead < 0 && errno == EINTR);
    close(arrError[0]);
    if (nRead == static_cast<ssize_t>(sizeof nExecError)) {
        while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        errno = nExecError;
        ReportLastError("Error creating process");
        return false;
    }
    nPid = pid;
    result.bStarted = true;
    return true;
}

void CRedirect::Pump(int nReadFd) {
    fcntl(nReadFd, F_SETFL, fcntl(nReadFd, F_GETFL) | O_NONBLOCK);
    char buffer[8192];
    bool bEndOfOutput = false;
    for (;;) {
        if (pOwner->IsKillRequested()) {
            Stop();
        }
        if (bStop) {
            Terminate(nReadFd);
            return;
        }
        if (!bEndOfOutput) {
            pollfd entry{nReadFd, POLLIN, 0};
            const int nReady = poll(&entry, 1, nPollMs);
            if (nReady < 0 && errno != EINTR) {
                ReportLastError("Error polling pipe");
                result.bPipeError = true;
                Terminate(nReadFd);
                return;
            }
            if (nReady > 0) {
                const ssize_t nRead = ReadOutput(nReadFd, buffer, sizeof buffer - 1);
                if (nRead > 0) {
                    HandleChunk(std::string(buffer, static_cast<std::size_t>(nRead)));
                    continue;
                }
                if (nRead == 0) {
                    bEndOfOutput = true;
                } else if (errno != EAGAIN && errno != EINTR) {
                    ReportLastError("ReadFile failed");
                    result.bPipeError = true;
                    Terminate(nReadFd);
                    return;
                }
            }
        }
        // Nothing to read now: has the child ended?
        int nStatus = 0;
        const pid_t nDone = waitpid(nPid, &nStatus, WNOHANG);
        if (nDone == nPid) {
            DrainAvailable(nReadFd);
            RecordExit(nStatus);
            return;
        }
        if (nDone < 0 && errno != EINTR) {
            ReportLastError("Error waiting for process");
            Terminate(nReadFd);
            return;
        }
        if (bEndOfOutput) {
            SleepMs(nPollMs);
        }
    }
}

bool CRedirect::DrainAvailable(int nReadFd) {
    // Whatever the child wrote just before it ended; a grandchild that keeps the pipe
    // open and writes on is not waited for.
    char buffer[8192];
    for (int nRound = 0; nRound < 256; ++nRound) {
        const ssize_t nRead = ReadOutput(nReadFd, buffer, sizeof buffer - 1);
        if (nRead > 0) {
            HandleChunk(std::string(buffer, static_cast<std::size_t>(nRead)));
            continue;
        }
        if (nRead < 0 && errno == EINTR) {
            continue;
        }
        if (nRead < 0 && errno != EAGAIN) {
            ReportLastError("ReadFile failed");
            result.bPipeError = true;
            return false;
        }
        break;
    }
    return true;
}

void CRedirect::HandleChunk(std::string text) {
    BlankBackspaces(text);
    // Prompts end without a line feed, so the unfinished last line is tested as well.
    bool bPrompt = false;
    for (const std::string& strLine : promptLines.Feed(text)) {
        bPrompt = bPrompt || IsPasswordPromptLine(strLine);
    }
    bPrompt = bPrompt || IsPasswordPromptLine(promptLines.Pending());
    if (bPrompt && !result.bPasswordPrompt) {
        result.bPasswordPrompt = true;
        pOwner->OnPasswordPrompt();
        Stop();
    }
    OnOutput(text);
}

void CRedirect::RecordExit(int nStatus) {
    nPid = -1;
    if (WIFEXITED(nStatus)) {
        result.bExited = true;
        result.nExitCode = WEXITSTATUS(nStatus);
    } else if (WIFSIGNALED(nStatus)) {
        // A crash or an outside kill is a failure, never a success.
        result.bExited = true;
        result.nSignal = WTERMSIG(nStatus);
        result.nExitCode = 128 + result.nSignal;
        const char* name = strsignal(result.nSignal);
        OnOutput("\r\nProcess ended by signal " + std::to_string(result.nSignal) + " (" +
                 (name ? name : "unknown") + ").\r\n");
    }
    // After a password prompt the code stays 3333, however the program then ended.
    if (!result.bPasswordPrompt) {
        pOwner->SetExitCode(result.nExitCode);
    }
}

void CRedirect::Terminate(int nReadFd) {
    result.bTerminated = true;
    bool bFailed = false;
    auto signalChild = [&](int nSignal) {
        // The whole process group first, then the child itself in case it left it.
        kill(-nPid, nSignal);
        if (kill(nPid, nSignal) != 0 && errno != ESRCH) {
            bFailed = true;
        }
    };
    signalChild(SIGTERM);
    char buffer[8192];
    for (int nWaited = 0; nWaited < nTerminateGraceMs; nWaited += nPollMs) {
        siginfo_t info{};
        if (waitid(P_PID, static_cast<id_t>(nPid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
            info.si_pid == nPid) {
            break;
        }
        // Keep the pipe from filling while the child winds down; its text is of no use now.
        while (read(nReadFd, buffer, sizeof buffer) > 0) {
        }
        SleepMs(nPollMs);
    }
    // Children that ignore SIGTERM, and whatever the child started, end here.
    signalChild(SIGKILL);
    int nStatus = 0;
    pid_t nDone;
    do {
        nDone = waitpid(nPid, &nStatus, 0);
    } while (nDone < 0 && errno == EINTR);
    nPid = -1;
    if (bFailed || nDone < 0) {
        ReportLastError("Error terminating process.");
    } else {
        OnOutput("\r\nProcess terminated successfully.\r\n");
    }
}

void CRedirect::OnOutput(const std::string& text) {
    if (pOwner->IsSingleArchiveProgress()) {
        pOwner->AddRecentOutput(text);
        const std::string strWindow = strPercentTail + text;
        int nPercent = 0;
        if (ReadPercent(strWindow, nPercent, strPercentTail.size())) {
            pOwner->SetProgressPercent(nPercent);
        }
        strPercentTail = strWindow.substr(strWindow.size() > 3 ? strWindow.size() - 3 : 0);
        return;
    }
    pOwner->AppendWorkerLog(text);
    for (const std::string& strLine : logLines.Feed(text)) {
        if (strLine.find(RarToolTexts::EXTRACTING_FROM) != std::string::npos ||
            strLine.find(RarToolTexts::TESTING_ARCHIVE) != std::string::npos) {
            pOwner->OnVolumeLine(strLine);
        }
    }
}

void CRedirect::ReportLastError(const std::string& message) {
    const int nError = errno;
    const std::string text = message + "\r\n" + SystemText(nError) + "\r\n";
    result.strError += text;
    OnOutput(text);
}
