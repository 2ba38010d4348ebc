// The ZIP worker with the real unzip library on AES archives as 7-Zip writes them
// (WinZip AE-2: CRC field 0, the authentication code the only check): the default password
// opens them, another password asks for one and the typed password then opens them, and a
// damaged entry fails the item.

#include <gtest/gtest.h>

#include <atomic>

#include "engine/CProcessLog.h"
#include "engine/CWorkLists.h"
#include "engine/Progress.h"
#include "engine/UnzipExtract.h"
#include "tests/engine/ExtractTestSupport.h"
#include "tests/fixtures/CChildRun.h"
#include "tests/fixtures/CTempDir.h"
#include "tests/fixtures/CZipWriter.h"
#include "tests/fixtures/TestFiles.h"

namespace {

const std::string UNZDLL = std::string(HARVEX_BIN_DIR) + "/libunzdll.so";

// The library is built with everything else; a partial build (one target) may lack it.
#define REQUIRE_TOOL(path)                         \
    if (!testfiles::Exists(path)) {                \
        GTEST_SKIP() << (path) << " is not built"; \
    }

struct CAesItem {
    CAesItem() : temp("zip-aes-e2e") {
        state.pKillRequested = &bKill;
        state.pPasswordNeeded = &bPasswordNeeded;
        state.pProgress = &progress;
        state.pLog = &log;
        state.pWorkLists = &lists;
        state.pErrors = &arrErrors;
        strInput = temp.MakeDir("in");
        strOutput = temp.MakeDir("out");
        strSource = temp.MakeDir("src");
        testfiles::WriteFile(strSource + "/movie.mkv", strMovie);
        testfiles::WriteFile(strSource + "/movie.nfo", "notes\n");
    }

    // 7z a -tzip -mem=AES256 -p<password> in/a.zip movie.mkv movie.nfo
    bool SevenZip(const std::string& strPassword) {
        CChildRunOptions options;
        options.strWorkDir = strSource;
        CChildResult result = RunChild({"7z", "a", "-tzip", "-mem=AES256", "-p" + strPassword,
                                        strInput + "/a.zip", "movie.mkv", "movie.nfo"},
                                       options);
        EXPECT_EQ(result.nExitCode, 0) << "7z (p7zip-full): " << result.strOutput;
        return result.nExitCode == 0;
    }

    CZipJob Job(const std::string& strPassword) const {
        CZipJob job;
        job.strArchive = strInput + "/a.zip";
        job.strOutputFolder = strOutput;
        job.strInputPath = strInput;
        job.strPassword = strPassword;
        return job;
    }

    CTempDir temp;
    std::string strInput, strOutput, strSource;
    const std::string strMovie = testfiles::RandomBytes(400000, 17);
    std::atomic<int> bKill{0};
    std::atomic<int> bPasswordNeeded{0};
    CProgress progress;
    CProcessLog log;
    CWorkLists lists;
    std::vector<std::string> arrErrors;
    CExtractState state;
};

TEST(ZipAesEndToEndTest, SevenZipAesWithTheDefaultPasswordExtracts) {
    REQUIRE_TOOL(UNZDLL);
    CAesItem item;
    ASSERT_TRUE(item.SevenZip(UNZ_DEFAULT_PASSWORD));
    CUnzipContext context;
    ASSERT_TRUE(InitUnzip(context, UNZDLL)) << context.infoZip.strLastError;
    const CZipRunResult result = RunUnzip(item.Job(""), context, item.state);
    EXPECT_EQ(result.nLibraryResult, UNZ_OK);
    EXPECT_EQ(result.nOutcome, EWorkerOutcome::FileDone);
    EXPECT_TRUE(item.arrErrors.empty()) << (item.arrErrors.empty() ? "" : item.arrErrors[0]);
    EXPECT_EQ(item.bPasswordNeeded.load(), 0);
    EXPECT_EQ(testfiles::ReadFile(item.strOutput + "/movie.mkv"), item.strMovie);
    EXPECT_EQ(testfiles::ReadFile(item.strOutput + "/movie.nfo"), "notes\n");
}

TEST(ZipAesEndToEndTest, SevenZipAesAsksForThePasswordAndTheTypedOneExtracts) {
    REQUIRE_TOOL(UNZDLL);
    CAesItem item;
    ASSERT_TRUE(item.SevenZip("typed at the prompt"));
    CUnzipContext context;
    ASSERT_TRUE(InitUnzip(context, UNZDLL));
    const CZipRunResult first = RunUnzip(item.Job(""), context, item.state);
    EXPECT_EQ(first.nOutcome, EWorkerOutcome::PasswordNeeded);
    EXPECT_EQ(item.bPasswordNeeded.load(), 1);
    EXPECT_FALSE(testfiles::Exists(item.strOutput + "/movie.mkv"));

    item.bPasswordNeeded = 0;
    item.arrErrors.clear();
    const CZipRunResult second = RunUnzip(item.Job("typed at the prompt"), context, item.state);
    EXPECT_EQ(second.nLibraryResult, UNZ_OK);
    EXPECT_EQ(second.nOutcome, EWorkerOutcome::FileDone);
    EXPECT_TRUE(item.arrErrors.empty()) << (item.arrErrors.empty() ? "" : item.arrErrors[0]);
    EXPECT_EQ(testfiles::ReadFile(item.strOutput + "/movie.mkv"), item.strMovie);
}

}  // namespace
