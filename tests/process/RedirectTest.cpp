#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "process/CRedirect.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int NO_CODE = -999;

class CRecordingOwner : public CRedirectOwner {
public:
    bool IsKillRequested() const override { return bKill; }
    void OnPasswordPrompt() override {
        ++nPrompts;
        nExitCode = 3333;
    }
    void SetExitCode(int nCode) override {
        nExitCode = nCode;
        ++nExitCalls;
    }
    bool IsSingleArchiveProgress() const override { return bPercentMode; }
    void SetProgressPercent(int nPercent) override { arrPercents.push_back(nPercent); }
    void AddRecentOutput(const std::string& text) override { strRecent += text; }
    void AppendWorkerLog(const std::string& text) override { strLog += text; }
    void OnVolumeLine(const std::string& line) override { arrVolumeLines.push_back(line); }

    std::atomic<bool> bKill{false};
    bool bPercentMode = false;
    int nPrompts = 0;
    int nExitCode = NO_CODE;
    int nExitCalls = 0;
    std::vector<int> arrPercents;
    std::string strRecent;
    std::string strLog;
    std::vector<std::string> arrVolumeLines;
};

class RedirectTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("harvex-redirect-" + std::to_string(getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    // Writes an executable shell script and answers its path.
    std::string Script(const std::string& strBody, const std::string& strName = "tool.sh") {
        const fs::path path = dir / strName;
        std::ofstream(path) << "#!/bin/sh\n" << strBody << "\n";
        fs::permissions(path, fs::perms::owner_all);
        return path.string();
    }

    // Runs the script and answers the seconds Run took.
    double RunScript(const std::string& strBody, CRecordingOwner& owner, RedirectResult* pResult = nullptr) {
        CRedirect redirect({Script(strBody)}, &owner);
        const auto tStart = Clock::now();
        redirect.Run();
        if (pResult) {
            *pResult = redirect.Result();
        }
        return std::chrono::duration<double>(Clock::now() - tStart).count();
    }

    fs::path dir;
};

}  // namespace

TEST_F(RedirectTest, SilentChildLeavesItsExitCodeAndAnEmptyLog) {
    CRecordingOwner owner;
    RedirectResult result;
    RunScript("exit 2", owner, &result);
    EXPECT_EQ(owner.nExitCode, 2);
    EXPECT_EQ(owner.nExitCalls, 1);
    EXPECT_EQ(owner.strLog, "");
    EXPECT_TRUE(result.bStarted);
    EXPECT_TRUE(result.bExited);
    EXPECT_FALSE(result.bTerminated);
    EXPECT_EQ(result.strError, "");
}

TEST_F(RedirectTest, OutputAndErrorShareOnePipeInOrder) {
    CRecordingOwner owner;
    RunScript("echo out; sleep 0.05; echo err >&2; sleep 0.05; echo out2; exit 0", owner);
    EXPECT_EQ(owner.strLog, "out\nerr\nout2\n");
    EXPECT_EQ(owner.nExitCode, 0);
}

TEST_F(RedirectTest, StandardInputIsEmpty) {
    CRecordingOwner owner;
    const double dSeconds = RunScript("n=$(cat | wc -c); echo \"read $n\"", owner);
    EXPECT_EQ(owner.strLog, "read 0\n");
    EXPECT_LT(dSeconds, 5.0);
}

TEST_F(RedirectTest, ArgumentsArriveUnchangedWithoutAShell) {
    CRecordingOwner owner;
    const std::string strPrinter = Script("for a in \"$@\"; do printf '[%s]' \"$a\"; done", "print args.sh");
    CRedirect redirect({strPrinter, "a b", "c\"d", "$HOME", "'; echo x", ""}, &owner, "shown text");
    redirect.Run();
    EXPECT_EQ(owner.strLog, "[a b][c\"d][$HOME]['; echo x][]");
    EXPECT_EQ(redirect.CommandLine(), "shown text");
}

TEST_F(RedirectTest, BareProgramNameIsFoundOnPath) {
    CRecordingOwner owner;
    CRedirect redirect({"sh", "-c", "echo found; exit 4"}, &owner);
    redirect.Run();
    EXPECT_EQ(owner.strLog, "found\n");
    EXPECT_EQ(owner.nExitCode, 4);
}

TEST_F(RedirectTest, ChildRunsAtIdlePriorityInItsOwnSession) {
    CRecordingOwner owner;
    CRedirect redirect({"/bin/cat", "/proc/self/stat"}, &owner);
    redirect.Run();
    // Fields after the command name: state ppid pgrp session ... nice is field 19.
    const std::size_t nClose = owner.strLog.rfind(')');
    ASSERT_NE(nClose, std::string::npos);
    std::istringstream fields(owner.strLog.substr(0, nClose).substr(0, owner.strLog.find(' ')) + " " +
                              owner.strLog.substr(nClose + 2));
    std::vector<std::string> arrFields;
    for (std::string f; fields >> f;) {
        arrFields.push_back(f);
    }
    ASSERT_GE(arrFields.size(), 19u);
    // arrFields[0] pid, [1] state, [2] ppid, [3] pgrp, [4] session, ..., [17] nice
    EXPECT_EQ(arrFields[3], arrFields[0]);
    EXPECT_EQ(arrFields[4], arrFields[0]);
    EXPECT_EQ(arrFields[17], "19");
}

TEST_F(RedirectTest, PasswordPromptWithoutLineFeedEndsTheChild) {
    CRecordingOwner owner;
    RedirectResult result;
    const double dSeconds = RunScript(
        "printf 'Extracting from /in/a.rar\\n\\n'\n"
        "printf 'Enter password (will not be echoed) for a.txt: '\n"
        "sleep 30",
        owner, &result);
    EXPECT_LT(dSeconds, 5.0);
    EXPECT_EQ(owner.nPrompts, 1);
    EXPECT_EQ(owner.nExitCode, 3333);
    EXPECT_EQ(owner.nExitCalls, 0);
    EXPECT_TRUE(result.bPasswordPrompt);
    EXPECT_TRUE(result.bTerminated);
    EXPECT_NE(owner.strLog.find("for a.txt: \r\nProcess terminated successfully.\r\n"), std::string::npos)
        << owner.strLog;
    ASSERT_EQ(owner.arrVolumeLines.size(), 1u);
    EXPECT_EQ(owner.arrVolumeLines[0], "Extracting from /in/a.rar");
}

TEST_F(RedirectTest, PromptThatEndsTheProgramKeepsThePasswordCode) {
    CRecordingOwner owner;
    RunScript("printf 'Enter password (will not be echoed) for a.txt: '; exit 3", owner);
    EXPECT_EQ(owner.nPrompts, 1);
    EXPECT_EQ(owner.nExitCode, 3333);
}

TEST_F(RedirectTest, RetryTextAfterAWrongPasswordEndsTheChild) {
    CRecordingOwner owner;
    const double dSeconds =
        RunScript("printf 'Encrypted file:  CRC failed in a.txt (password incorrect ?)\\n'; sleep 30", owner);
    EXPECT_LT(dSeconds, 5.0);
    EXPECT_EQ(owner.nPrompts, 1);
    EXPECT_EQ(owner.nExitCode, 3333);
}

TEST_F(RedirectTest, MemberNamedLikeAPromptDoesNotStopTheProgram) {
    CRecordingOwner owner;
    RedirectResult result;
    RunScript(
        "printf 'Extracting  foo password: x.txt'; sleep 0.1; printf '     OK \\n'\n"
        "printf 'Extracting  a (password incorrect ?)'; sleep 0.1; printf '  OK \\nAll OK\\n'\n"
        "exit 0",
        owner, &result);
    EXPECT_EQ(owner.nPrompts, 0);
    EXPECT_FALSE(result.bTerminated);
    EXPECT_EQ(owner.nExitCode, 0);
    EXPECT_EQ(owner.strLog,
              "Extracting  foo password: x.txt     OK \nExtracting  a (password incorrect ?)  OK \nAll OK\n");
}

TEST_F(RedirectTest, PercentModeReadsHundredAndLogsNothing) {
    CRecordingOwner owner;
    owner.bPercentMode = true;
    RunScript(
        "printf 'Extracting  a.mkv   45%%'; sleep 0.1; printf '\\b\\b\\b\\b 9'; sleep 0.1; printf '9%%'\n"
        "sleep 0.1; printf '\\b\\b\\b\\b'; printf '1'; sleep 0.1; printf '00%%\\nAll OK\\n'",
        owner);
    EXPECT_EQ(owner.strLog, "");
    ASSERT_FALSE(owner.arrPercents.empty());
    EXPECT_EQ(owner.arrPercents.front(), 45);
    EXPECT_NE(std::find(owner.arrPercents.begin(), owner.arrPercents.end(), 99), owner.arrPercents.end());
    EXPECT_EQ(owner.arrPercents.back(), 100);
    EXPECT_EQ(owner.strRecent, "Extracting  a.mkv   45%     99%    100%\nAll OK\n");
    EXPECT_TRUE(owner.arrVolumeLines.empty());
}

TEST_F(RedirectTest, PercentOfAnEarlierChunkIsNotReadAgain) {
    // "100%" ends one read and the next read carries no percentage: the end of the old
    // number ("0%") must not be taken for a new 0 %.
    CRecordingOwner owner;
    owner.bPercentMode = true;
    CRedirect reader({"unused"}, &owner);
    reader.OnOutput("Extracting  a.mkv   50%");
    reader.OnOutput("    100%\n");
    reader.OnOutput("a.mkv - packed data CRC failed\n");
    reader.OnOutput("1");
    reader.OnOutput("5%");
    EXPECT_EQ(owner.arrPercents, (std::vector<int>{50, 100, 15}));
}

TEST_F(RedirectTest, VolumeLineSplitAcrossReadsIsSeenOnce) {
    CRecordingOwner owner;
    RunScript("printf 'Extracting from /in/x.pa'; sleep 0.2; printf 'rt2.rar\\nTesting archive /in/y.rar'",
              owner);
    ASSERT_EQ(owner.arrVolumeLines.size(), 2u);
    EXPECT_EQ(owner.arrVolumeLines[0], "Extracting from /in/x.part2.rar");
    EXPECT_EQ(owner.arrVolumeLines[1], "Testing archive /in/y.rar");
}

TEST_F(RedirectTest, KillRequestEndsTheChildAndKeepsTheExitCode) {
    CRecordingOwner owner;
    RedirectResult result;
    std::thread killer([&owner] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        owner.bKill = true;
    });
    const double dSeconds = RunScript("echo started; sleep 30; exit 9", owner, &result);
    killer.join();
    EXPECT_LT(dSeconds, 5.0);
    EXPECT_EQ(owner.nExitCalls, 0);
    EXPECT_EQ(owner.nExitCode, NO_CODE);
    EXPECT_TRUE(result.bTerminated);
    EXPECT_EQ(owner.strLog, "started\n\r\nProcess terminated successfully.\r\n");
}

TEST_F(RedirectTest, ChildIgnoringTermAndItsChildrenAreKilled) {
    CRecordingOwner owner;
    const std::string strPidFile = (dir / "grandchild.pid").string();
    CRedirect redirect({Script("trap '' TERM\nsleep 60 &\necho $! > '" + strPidFile +
                               "'\necho ready\nwhile :; do sleep 1; done")},
                       &owner);
    std::thread stopper([&redirect, &strPidFile] {
        for (int i = 0; i < 500 && !fs::exists(strPidFile); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        redirect.Stop();
    });
    const auto tStart = Clock::now();
    redirect.Run();
    stopper.join();
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - tStart).count(), 5.0);
    EXPECT_TRUE(redirect.Result().bTerminated);
    EXPECT_NE(owner.strLog.find("Process terminated successfully."), std::string::npos);
    pid_t nGrandchild = 0;
    std::ifstream(strPidFile) >> nGrandchild;
    ASSERT_GT(nGrandchild, 0);
    // The background sleep was in the child's process group: it is gone or a zombie.
    bool bGone = false;
    for (int i = 0; i < 200 && !bGone; ++i) {
        std::string strStat;
        std::getline(std::ifstream("/proc/" + std::to_string(nGrandchild) + "/stat"), strStat);
        const std::size_t nClose = strStat.rfind(')');
        bGone = strStat.empty() || (nClose != std::string::npos && strStat.compare(nClose + 2, 1, "Z") == 0);
        if (!bGone) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    EXPECT_TRUE(bGone);
}

TEST_F(RedirectTest, SignalDeathCountsAsFailure) {
    CRecordingOwner owner;
    RedirectResult result;
    RunScript("echo dying; kill -SEGV $$; sleep 5", owner, &result);
    EXPECT_EQ(result.nSignal, SIGSEGV);
    EXPECT_EQ(owner.nExitCode, 128 + SIGSEGV);
    EXPECT_NE(owner.nExitCode, 0);
    EXPECT_EQ(owner.strLog.rfind("dying\n\r\nProcess ended by signal 11 (", 0), 0u) << owner.strLog;
}

TEST_F(RedirectTest, HugeOutputArrivesCompleteBeforeTheExitCode) {
    CRecordingOwner owner;
    RunScript("yes 'line of output 0123456789' | head -n 200000; echo last; exit 1", owner);
    EXPECT_EQ(owner.strLog.size(), 200000u * 26u + 5u);
    EXPECT_EQ(owner.strLog.substr(owner.strLog.size() - 5), "last\n");
    EXPECT_EQ(owner.nExitCode, 1);
}

TEST_F(RedirectTest, GrandchildHoldingThePipeDoesNotHoldTheRun) {
    CRecordingOwner owner;
    const double dSeconds = RunScript("(sleep 3) & echo parent done; exit 0", owner);
    EXPECT_LT(dSeconds, 2.5);
    EXPECT_EQ(owner.strLog, "parent done\n");
    EXPECT_EQ(owner.nExitCode, 0);
}

TEST_F(RedirectTest, FailingPipeReadEndsTheChildAndIsReported) {
    // The second read of the pipe fails as a broken device would.
    class CFailingRead : public CRedirect {
    public:
        using CRedirect::CRedirect;
        ssize_t ReadOutput(int nFd, char* pBuffer, std::size_t nSize) override {
            if (++nReads < 2) {
                return CRedirect::ReadOutput(nFd, pBuffer, nSize);
            }
            errno = EIO;
            return -1;
        }
        int nReads = 0;
    };
    CRecordingOwner owner;
    CFailingRead redirect({Script("echo first; sleep 0.2; echo second; sleep 30")}, &owner);
    const auto tStart = Clock::now();
    redirect.Run();
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - tStart).count(), 5.0);
    EXPECT_TRUE(redirect.Result().bPipeError);
    EXPECT_TRUE(redirect.Result().bTerminated);
    EXPECT_EQ(redirect.Result().strError, "ReadFile failed\r\nInput/output error\r\n");
    EXPECT_EQ(owner.nExitCalls, 0);
    EXPECT_EQ(owner.strLog,
              "first\nReadFile failed\r\nInput/output error\r\n\r\nProcess terminated successfully.\r\n");
}

TEST_F(RedirectTest, MissingProgramIsReportedAsNotStarted) {
    for (const std::string& strProgram :
         {std::string("/nonexistent/unrar"), std::string("harvex-no-such-tool")}) {
        CRecordingOwner owner;
        CRedirect redirect({strProgram, "x"}, &owner);
        redirect.Run();
        EXPECT_FALSE(redirect.Result().bStarted) << strProgram;
        EXPECT_EQ(redirect.Result().strError, "Error creating process\r\nNo such file or directory\r\n");
        EXPECT_EQ(owner.strLog, "Error creating process\r\nNo such file or directory\r\n");
        EXPECT_EQ(owner.nExitCalls, 0);
    }
}

TEST_F(RedirectTest, UnstartableFilesAreReportedAsNotStarted) {
    const fs::path plain = dir / "plain";
    std::ofstream(plain) << "#!/bin/sh\necho should not run\n";
    fs::permissions(plain, fs::perms::owner_read | fs::perms::owner_write);
    const fs::path garbage = dir / "garbage";
    std::ofstream(garbage) << "\x7f\x01\x02\x03 not a program";
    fs::permissions(garbage, fs::perms::owner_all);
    const struct {
        fs::path path;
        std::string strText;
    } arrCases[] = {
        {plain, "Error creating process\r\nPermission denied\r\n"},
        {dir, "Error creating process\r\nPermission denied\r\n"},
        {garbage, "Error creating process\r\nExec format error\r\n"},
    };
    for (const auto& c : arrCases) {
        CRecordingOwner owner;
        CRedirect redirect({c.path.string()}, &owner);
        redirect.Run();
        EXPECT_FALSE(redirect.Result().bStarted) << c.path;
        EXPECT_EQ(redirect.Result().strError, c.strText) << c.path;
        EXPECT_EQ(owner.nExitCalls, 0);
    }
}

TEST_F(RedirectTest, ReportLastErrorAddsTheSystemText) {
    CRecordingOwner owner;
    CRedirect redirect({"true"}, &owner);
    errno = ENOSPC;
    redirect.ReportLastError("Write failed");
    EXPECT_EQ(owner.strLog, "Write failed\r\nNo space left on device\r\n");
    EXPECT_EQ(redirect.Result().strError, "Write failed\r\nNo space left on device\r\n");
}
