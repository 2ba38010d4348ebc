#include <gtest/gtest.h>

#include <thread>

#include "engine/CProcessLog.h"
#include "engine/CWorkLists.h"
#include "engine/Progress.h"
#include "engine/RarExtract.h"
#include "tests/engine/ExtractTestSupport.h"

namespace {

CRarJob ExampleJob() {
    CRarJob job;
    job.strUnrarExe = "/opt/harvex/unrar";
    job.strArchive = "/in/a.part1.rar";
    job.strDestination = "/out/a";
    job.strPassword = "secret";
    job.strInputPath = "/in";
    job.bFolderItem = true;
    return job;
}

std::vector<std::string> Evaluate(int nCode, const std::string& strOutput, bool bTest = false) {
    std::vector<std::string> arrErrors;
    EvaluateExitCode(nCode, strOutput, bTest, false, arrErrors);
    return arrErrors;
}

// Driver state a RAR worker writes, with the volumes of one set.
struct CRarFixture {
    CRarFixture() {
        state.pKillRequested = &bKill;
        state.pPasswordNeeded = &bPasswordNeeded;
        state.pProgress = &progress;
        state.pLog = &log;
        state.pWorkLists = &lists;
        state.pErrors = &arrErrors;
        lists.arrRarFiles = {{"a.part1.rar", "/in/"}, {"a.part2.rar", "/in/"}, {"b.rar", "/in/"}};
        CFileInformation first;
        first.strPath = "/in/a.part1.rar";
        first.bRar = 1;
        CFileInformation stray;
        stray.strPath = "/in/a.part2.rar";
        stray.bRar = 1;
        lists.arrWork = {first, stray};
        progress.nArchiveCount = 3;
    }
    std::atomic<int> bKill{0};
    std::atomic<int> bPasswordNeeded{0};
    CProgress progress;
    CProcessLog log;
    CWorkLists lists;
    std::vector<std::string> arrErrors;
    CExtractState state;
    CTempFolder temp;
};

}  // namespace

TEST(RarCommandLineTest, ExtractionWithPasswordOfAFolderItem) {
    // The password goes on descriptor 3, never on the command line (shown or run).
    const CRarJob job = ExampleJob();
    EXPECT_EQ(BuildRarCommandLine(job, false),
              "/opt/harvex/unrar x -o+ -ierr -av- -y --password-fd=3 -idp \"/in/a.part1.rar\" \"/out/a\"");
    EXPECT_EQ(BuildRarArguments(job, false),
              (std::vector<std::string>{"/opt/harvex/unrar", "x", "-o+", "-ierr", "-av-", "-y",
                                        "--password-fd=3", "-idp", "/in/a.part1.rar", "/out/a"}));
}

TEST(RarCommandLineTest, RootDestinationIsPassedWithoutQuotes) {
    CRarJob job = ExampleJob();
    job.strPassword.clear();
    job.bFolderItem = false;
    job.strArchive = "/in/a.rar";
    job.strDestination = "/";
    EXPECT_EQ(BuildRarCommandLine(job, false), "/opt/harvex/unrar x -o+ -ierr -av- -y -idc \"/in/a.rar\" /");
    EXPECT_EQ(BuildRarArguments(job, false).back(), "/");
}

TEST(RarCommandLineTest, TestModeAddsNoDestination) {
    CRarJob job = ExampleJob();
    job.bTest = true;
    EXPECT_EQ(BuildRarCommandLine(job, true),
              "/opt/harvex/unrar t -o+ -ierr -av- -y --password-fd=3 -idc \"/in/a.part1.rar\"");
    EXPECT_EQ(BuildRarArguments(job, true),
              (std::vector<std::string>{"/opt/harvex/unrar", "t", "-o+", "-ierr", "-av-", "-y",
                                        "--password-fd=3", "-idc", "/in/a.part1.rar"}));
}

TEST(RarExitCodeTest, ZeroCountsOnlyWithAllOkAfterAnEntryDone) {
    EXPECT_TRUE(
        Evaluate(0, "\nExtracting from /in/a.rar\n\nExtracting  a.txt      \b\b\b\b  OK\nAll OK\n").empty());
    EXPECT_TRUE(Evaluate(0, "Testing     a.txt  OK\r\nAll OK\r\n").empty());
    EXPECT_TRUE(Evaluate(3333, "").empty());
    // The exit code alone is no proof: a damaged run that exits 0, silence, no entry.
    EXPECT_EQ(Evaluate(0, "a.txt - packed data CRC failed\nWrite error\n"),
              (std::vector<std::string>{
                  "Unconfirmed extraction: the RAR program did not end with \"All OK\"\r\n"}));
    EXPECT_EQ(Evaluate(0, ""),
              (std::vector<std::string>{
                  "Unconfirmed extraction: the RAR program did not end with \"All OK\"\r\n"}));
    EXPECT_EQ(Evaluate(0, "Extracting from /in/a.rar\nAll OK\n"),
              (std::vector<std::string>{"No files to extract\r\n"}));
    // "All OK" must be the last line, and an entry line needs its "OK" field.
    EXPECT_FALSE(Evaluate(0, "Extracting  a.txt  OK\nAll OK\nmore\n").empty());
    EXPECT_FALSE(Evaluate(0, "Extracting  a.txt\nAll OK\n").empty());
    EXPECT_FALSE(Evaluate(0, "Extracting  All OK\n").empty());
}

TEST(RarExitCodeTest, OutputFactsCountEntriesAcrossVolumes) {
    const CRarOutputFacts facts = ReadRarOutputFacts(
        "\nExtracting from /in/a.part1.rar\n\nExtracting  big.bin     \b\b\b\b 45%\n"
        "\nExtracting from /in/a.part2.rar\n\n...         big.bin     \b\b\b\b  OK\n"
        "Creating    docs                                                          OK\n"
        "Extracting  docs/a.txt                                                    OK\nAll OK\n");
    EXPECT_TRUE(facts.bAllOk);
    EXPECT_EQ(facts.nEntriesDone, 3);
    EXPECT_FALSE(ReadRarOutputFacts("All OK\nAll OK?\n").bAllOk);
}

TEST(RarExitCodeTest, ErrorLineIsRecordedWithAnEmptyLine) {
    EXPECT_EQ(Evaluate(1, "Extracting from /in/a.rar\nmovie.mkv - packed data CRC failed\nTotal errors: 1\n"),
              (std::vector<std::string>{"movie.mkv - packed data CRC failed\r\n\r\n"}));
}

TEST(RarExitCodeTest, OutputEndingWithoutAllOkIsUnhandled) {
    EXPECT_EQ(Evaluate(3, "Extracting from /in/a.rar\nsomething odd\n"),
              std::vector<std::string>{"Unhandled error\r\n"});
}

TEST(RarExitCodeTest, ContextLineBringsItsVolumeLine) {
    EXPECT_EQ(Evaluate(3, "Extracting from /in/a.part2.rar\nx.mkv  45%\nUnexpected end of archive\nAll OK\n"),
              (std::vector<std::string>{"Extracting from /in/a.part2.rar\r\n",
                                        "Unexpected end of archive\r\n\r\n"}));
    EXPECT_EQ(
        Evaluate(3, "Testing archive /in/a.rar\nUnexpected end of archive\nAll OK\n", true),
        (std::vector<std::string>{"Testing archive /in/a.rar\r\n", "Unexpected end of archive\r\n\r\n"}));
}

TEST(RarExitCodeTest, SameErrorTwiceIsRecordedOnce) {
    EXPECT_EQ(Evaluate(2, "ERROR: Bad archive\nERROR: Bad archive\nAll OK\n"),
              std::vector<std::string>{"ERROR: Bad archive\r\n\r\n"});
}

TEST(RarExitCodeTest, FixedMessagesOfTheTable) {
    EXPECT_EQ(Evaluate(4, ""), std::vector<std::string>{
                                   "Attempt to modify an archive previously locked by the 'k' command.\r\n"});
    EXPECT_EQ(Evaluate(5, ""), std::vector<std::string>{"Write to disk error.\r\n"});
    EXPECT_EQ(Evaluate(7, ""), std::vector<std::string>{"Command line option error.\r\n"});
    EXPECT_EQ(Evaluate(8, ""), std::vector<std::string>{"Not enough memory for operation.\r\n"});
    EXPECT_EQ(Evaluate(9, ""), std::vector<std::string>{"Create file error.\r\n"});
    EXPECT_EQ(Evaluate(255, ""), std::vector<std::string>{"User stopped the process.\r\n"});
    EXPECT_EQ(Evaluate(42, "Extracting from /in/a.rar\nCannot create x - Write error\n"),
              (std::vector<std::string>{"Unknown error.\r\n", "Cannot create x - Write error\r\n\r\n"}));
}

TEST(RarExitCodeTest, NothingExtractedCodesAlwaysFailTheItem) {
    for (int nCode : {1, 2, 3, 6, 10, 11, 50, 51, 80, 81, 82}) {
        EXPECT_EQ(Evaluate(nCode, ""), std::vector<std::string>{"Unhandled error\r\n"}) << nCode;
        EXPECT_EQ(Evaluate(nCode, "All OK\n"), std::vector<std::string>{"Unhandled error\r\n"}) << nCode;
    }
    EXPECT_EQ(Evaluate(10, "No files to extract\n"), std::vector<std::string>{"No files to extract\r\n\r\n"});
}

TEST(RarExitCodeTest, FailedLineCountsUnlessItIsTheAuthenticityCheck) {
    EXPECT_EQ(Evaluate(3, "Verifying authenticity information ... Failed\nAll OK\n"),
              std::vector<std::string>{"Unhandled error\r\n"});
    EXPECT_EQ(
        Evaluate(3, "Extracting from /in/a.rar\nVerifying authenticity information ... Failed\nAll OK\n"),
        (std::vector<std::string>{"Extracting from /in/a.rar\r\n",
                                  "Verifying authenticity information ... Failed\r\n\r\n"}));
    EXPECT_EQ(Evaluate(3, "Checking x  Failed\n"), std::vector<std::string>{"Checking x  Failed\r\n\r\n"});
}

TEST(RarExitCodeTest, ParserIgnoresTheOutputAfterAKillRequest) {
    std::vector<std::string> arrErrors;
    ParseToolOutput("Write error\nnot ok\n", false, true, arrErrors);
    EXPECT_TRUE(arrErrors.empty());
}

TEST(RarVolumeCountTest, VolumeLinesCountAndMarkOtherArchivesDone) {
    CRarFixture f;
    EXPECT_TRUE(CountVolumeLine("Extracting from /in/a.part1.rar", "/in/a.part1.rar", f.lists, &f.progress));
    EXPECT_EQ(f.lists.arrWork[0].bDone, 0);
    EXPECT_EQ(f.progress.nProgressPercent, 33);
    EXPECT_TRUE(CountVolumeLine("Extracting from /in/a.part2.rar", "/in/a.part1.rar", f.lists, &f.progress));
    EXPECT_EQ(f.lists.arrWork[1].bDone, 1);
    EXPECT_EQ(f.progress.nArchivesDone, 2);
    EXPECT_EQ(f.progress.nProgressPercent, 66);
    EXPECT_EQ(f.progress.nShownPercent, 33);
    EXPECT_FALSE(CountVolumeLine("Extracting from /in/c.rar", "/in/a.part1.rar", f.lists, &f.progress));
    EXPECT_EQ(f.progress.nArchivesDone, 2);
}

TEST(RarVolumeCountTest, ExactVolumeNameWinsOverAPrefixOfIt) {
    CWorkLists lists;
    lists.arrRarFiles = {{"d.r00", "/in/"}, {"d.r001", "/in/"}};
    CFileInformation entry;
    entry.strPath = "/in/d.r001";
    lists.arrWork = {entry};
    EXPECT_TRUE(CountVolumeLine("Testing archive /in/d.r001", "/in/d.r00", lists, nullptr));
    EXPECT_EQ(lists.arrWork[0].bDone, 1);
}

TEST(RarVolumeCountTest, SameCountWhereverTheOutputIsSplit) {
    const std::string strTranscript =
        "\nExtracting from /in/a.part1.rar\n\nExtracting  /out/m.mkv   10%\b\b\b\b 50%\n"
        "Extracting from /in/a.part2.rar\n...   m.mkv  OK \nExtracting from /in/b.rar\nAll OK\n";
    class COwner : public CRedirectOwner {
    public:
        explicit COwner(CRarFixture& f) : f(f) {}
        void OnPasswordPrompt() override {}
        void SetExitCode(int) override {}
        void OnVolumeLine(const std::string& line) override {
            CountVolumeLine(line, "/in/a.part1.rar", f.lists, &f.progress);
        }
        CRarFixture& f;
    };
    for (std::size_t nAt = 0; nAt <= strTranscript.size(); ++nAt) {
        CRarFixture f;
        COwner owner(f);
        CRedirect reader({"unused"}, &owner);
        reader.OnOutput(strTranscript.substr(0, nAt));
        reader.OnOutput(strTranscript.substr(nAt));
        EXPECT_EQ(f.progress.nArchivesDone, 3) << "split at " << nAt;
        EXPECT_EQ(f.progress.nProgressPercent, 100) << "split at " << nAt;
        EXPECT_EQ(f.lists.arrWork[1].bDone, 1) << "split at " << nAt;
    }
}

TEST(RarRunTest, ProgramGetsTheArgumentVectorAndSuccessRecordsNothing) {
    CRarFixture f;
    const std::string strArgsFile = f.temp / "args.txt";
    CRarJob job = ExampleJob();
    job.strUnrarExe = WriteToolScript(
        f.temp / "unrar", "for a in \"$@\"; do printf '%s\\n' \"$a\" >> '" + strArgsFile +
                              "'; done\n"
                              "printf 'Extracting from /in/a.part1.rar\\n\\nExtracting  m.mkv  OK \\n'\n"
                              "printf 'Extracting from /in/a.part2.rar\\nAll OK\\n'\nexit 0");
    job.strArchive = "/in/a \"quoted\" $name.part1.rar";
    job.strDestination = f.temp / "out dir";
    const CRarRunResult result = RunRarTool(job, f.state);
    EXPECT_EQ(result.nOutcome, EWorkerOutcome::FileDone);
    EXPECT_EQ(result.nExitCode, 0);
    EXPECT_TRUE(f.arrErrors.empty());
    std::string strExpected;
    const std::vector<std::string> arrArgs = BuildRarArguments(job, false);
    for (std::size_t i = 1; i < arrArgs.size(); ++i) {
        strExpected += arrArgs[i] + "\n";
    }
    EXPECT_EQ(ReadFile(strArgsFile), strExpected);
    EXPECT_EQ(result.strCommandLine, BuildRarCommandLine(job, false));
    EXPECT_EQ(f.progress.nArchivesDone, 2);
    EXPECT_EQ(f.lists.arrWork[1].bDone, 1);
    EXPECT_NE(f.log.Text().find("Extracting from /in/a.part2.rar"), std::string::npos);
}

TEST(RarRunTest, FailingExitWithoutOutputLeavesUnhandledError) {
    CRarFixture f;
    CRarJob job = ExampleJob();
    job.strUnrarExe = WriteToolScript(f.temp / "unrar", "exit 3");
    EXPECT_EQ(RunRarTool(job, f.state).nOutcome, EWorkerOutcome::FileDone);
    EXPECT_EQ(f.arrErrors, std::vector<std::string>{"Unhandled error\r\n"});
}

TEST(RarRunTest, PasswordPromptAsksForThePasswordWithoutErrors) {
    CRarFixture f;
    CRarJob job = ExampleJob();
    job.strUnrarExe = WriteToolScript(
        f.temp / "unrar",
        "printf 'Extracting from /in/a.part1.rar\\n\\nEnter password (will not be echoed) for m.mkv: '\n"
        "read pw\nsleep 30");
    const CRarRunResult result = RunRarTool(job, f.state);
    EXPECT_EQ(result.nOutcome, EWorkerOutcome::PasswordNeeded);
    EXPECT_EQ(result.nExitCode, 3333);
    EXPECT_EQ(f.bPasswordNeeded, 1);
    EXPECT_TRUE(f.arrErrors.empty());
}

TEST(RarRunTest, UnstartableProgramFailsTheItem) {
    CRarFixture f;
    CRarJob job = ExampleJob();
    job.strUnrarExe = f.temp / "no-such-unrar";
    const CRarRunResult result = RunRarTool(job, f.state);
    EXPECT_EQ(result.nOutcome, EWorkerOutcome::FileDone);
    EXPECT_FALSE(result.runner.bStarted);
    EXPECT_EQ(f.arrErrors,
              std::vector<std::string>{"Error creating process\r\nNo such file or directory\r\n\r\n"});
    EXPECT_NE(f.log.Text().find("Error creating process"), std::string::npos);
}

TEST(RarRunTest, SignalDeathFailsTheItem) {
    CRarFixture f;
    CRarJob job = ExampleJob();
    job.strUnrarExe =
        WriteToolScript(f.temp / "unrar", "printf 'Extracting from /in/a.part1.rar\\n'; kill -KILL $$");
    const CRarRunResult result = RunRarTool(job, f.state);
    EXPECT_EQ(result.nExitCode, 137);
    EXPECT_EQ(f.arrErrors, (std::vector<std::string>{"a.part1.rar:  the RAR program ended by signal 9\r\n",
                                                     "Unknown error.\r\n"}));
}

TEST(RarRunTest, KillRequestEndsTheRunAsKilled) {
    CRarFixture f;
    CRarJob job = ExampleJob();
    job.strUnrarExe = WriteToolScript(f.temp / "unrar", "echo working; sleep 30; exit 0");
    std::thread killer([&f] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        f.bKill = 1;
    });
    const CRarRunResult result = RunRarTool(job, f.state);
    killer.join();
    EXPECT_EQ(result.nOutcome, EWorkerOutcome::Killed);
    EXPECT_TRUE(result.runner.bTerminated);
    EXPECT_TRUE(f.arrErrors.empty());
}

TEST(RarRunTest, PercentModeShowsHundredAndStillFindsErrors) {
    CRarFixture f;
    f.progress.bSingleArchiveProgress = 1;
    CRarJob job = ExampleJob();
    job.strUnrarExe =
        WriteToolScript(f.temp / "unrar",
                        "printf 'Extracting  m.mkv   50%%'; sleep 0.05; printf '\\b\\b\\b\\b100%%\\n'\n"
                        "printf 'm.mkv - packed data CRC failed\\n'; exit 3");
    RunRarTool(job, f.state);
    EXPECT_EQ(f.progress.nProgressPercent, 100);
    EXPECT_EQ(f.log.Text(), "");
    EXPECT_EQ(f.arrErrors, std::vector<std::string>{"m.mkv - packed data CRC failed\r\n\r\n"});
}

TEST(RarRunTest, CleanSingleArchiveRunEndsAtHundredPercent) {
    // The program overwrites its last percentage with "OK": a tiny archive shows only 0 %.
    CRarFixture f;
    f.progress.bSingleArchiveProgress = 1;
    CRarJob job = ExampleJob();
    job.strUnrarExe = WriteToolScript(f.temp / "unrar",
                                      "printf 'Extracting  a.txt    0%%'; sleep 0.05\n"
                                      "printf '\b\b\b\b  OK\nAll OK\n'; exit 0");
    RunRarTool(job, f.state);
    EXPECT_EQ(f.progress.nProgressPercent, 100);
    EXPECT_TRUE(f.arrErrors.empty());
}

TEST(RarRunTest, WorkerPostsFileDoneWhenFinished) {
    EnsureTestApp();
    CRarFixture f;
    CRarJob job = ExampleJob();
    job.strUnrarExe = WriteToolScript(f.temp / "unrar", "echo 'All OK'; exit 0");
    CExtractRecorder recorder;
    std::thread worker([&] { RunRarToolAndPost(job, f.state, &recorder); });
    worker.join();
    QCoreApplication::sendPostedEvents(&recorder);
    ASSERT_EQ(recorder.arrSeen.size(), 1u);
    EXPECT_EQ(recorder.arrSeen[0], std::make_pair(CRegisteredMessages::Get().UWM_FILE_DONE, qintptr(0)));
}
