// The programs' signal set-up: past a file-size limit a write fails with EFBIG, and a write
// into a pipe nobody reads fails with EPIPE, instead of ending the process.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/ProcessSignals.h"

namespace {

// Runs fnBody in a child and answers how it ended: its exit code, or 128 + the signal.
template <class F>
int InChild(F fnBody) {
    const pid_t pid = fork();
    if (pid == 0)
        _exit(fnBody());
    int nStatus = 0;
    waitpid(pid, &nStatus, 0);
    return WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : 128 + WTERMSIG(nStatus);
}

int WritePastTheSizeLimit() {
    rlimit limit{4096, 4096};
    setrlimit(RLIMIT_FSIZE, &limit);
    char szPath[] = "/tmp/harvex-fsize-XXXXXX";
    const int fd = mkstemp(szPath);
    unlink(szPath);
    char buffer[8192] = {};
    const ssize_t nFirst = write(fd, buffer, sizeof buffer);  // short: up to the limit
    const ssize_t nSecond = write(fd, buffer, sizeof buffer);
    return nFirst == 4096 && nSecond == -1 && errno == EFBIG ? 0 : 1;
}

int WriteIntoAClosedPipe() {
    int fds[2];
    if (pipe(fds) != 0)
        return 2;
    close(fds[0]);
    const ssize_t n = write(fds[1], "x", 1);
    return n == -1 && errno == EPIPE ? 0 : 1;
}

}  // namespace

TEST(ProcessSignalsTest, WritesFailInsteadOfEndingTheProcess) {
    // Without the set-up each child is ended by its signal.
    EXPECT_EQ(InChild([] { return WritePastTheSizeLimit(); }), 128 + SIGXFSZ);
    EXPECT_EQ(InChild([] { return WriteIntoAClosedPipe(); }), 128 + SIGPIPE);
    EXPECT_EQ(InChild([] {
                  IgnoreWriteSignals();
                  return WritePastTheSizeLimit();
              }),
              0);
    EXPECT_EQ(InChild([] {
                  IgnoreWriteSignals();
                  return WriteIntoAClosedPipe();
              }),
              0);
}
