// unrar: the console RAR program. See UnrarContract.h for its output and exit codes.

#include <unistd.h>

#include <csignal>
#include <cstring>

#include "companions/unrar/CConsoleReport.h"
#include "companions/unrar/CSafeDestination.h"
#include "companions/unrar/CUnrarCommandLine.h"
#include "companions/unrar/CUnrarExtractor.h"
#include "companions/unrar/UnrarContract.h"

namespace {

extern "C" void OnTerminatingSignal(int) {
    // A file being written under a temporary name must not stay behind.
    CSafeDestination::RemoveTemporaryFromSignalHandler();
    ::_exit(unrar::EXIT_SIGNAL);
}

void InstallSignalHandlers() {
    struct sigaction sa {};
    sa.sa_handler = OnTerminatingSignal;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        ::sigaction(sig, &sa, nullptr);
    }
    // A file size limit shows as a failing write ("Write error in the file"), not a kill.
    ::signal(SIGXFSZ, SIG_IGN);
}

void WriteAll(int fd, const std::string& s) {
    size_t done = 0;
    while (done < s.size()) {
        ssize_t n = ::write(fd, s.data() + done, s.size() - done);
        if (n <= 0) {
            return;
        }
        done += size_t(n);
    }
}

}  // namespace

int main(int argc, char** argv) {
    InstallSignalHandlers();
    std::vector<std::string> args(argv + 1, argv + argc);
    UnrarOptions options;
    std::string error;
    if (!CUnrarCommandLine::Parse(args, options, error)) {
        WriteAll(STDERR_FILENO, "ERROR: Command line: " + error + "\n\n" + CUnrarCommandLine::UsageText());
        return unrar::EXIT_USAGE;
    }
    if (!CUnrarCommandLine::ReadPasswordFromFd(options, error)) {
        WriteAll(STDERR_FILENO, "ERROR: Command line: " + error + "\n");
        return unrar::EXIT_USAGE;
    }
    if (options.eCommand == UnrarOptions::Command::Help) {
        WriteAll(STDOUT_FILENO, CUnrarCommandLine::UsageText());
        return unrar::EXIT_OK;
    }
    CConsoleReport report(options.bMessagesToStderr ? STDERR_FILENO : STDOUT_FILENO, options.bPercent);
    CUnrarExtractor extractor(options, report);
    return extractor.Run();
}
