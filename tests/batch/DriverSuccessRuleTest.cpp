// An item is a success only when every archive provably came out: a RAR program that
// exits 0 without its own "All OK" and entry lines, an archive without entries, and a
// worker that cannot even start all fail the item, and clean-up never follows.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <system_error>

#include "DriverHarness.h"
#include "ZipFiles.h"
#include "engine/CItemStates.h"
#include "tests/fixtures/CRarWriter.h"
#include "tests/fixtures/CTempDir.h"
#include "tests/fixtures/TestFiles.h"

using testfiles::Exists;

namespace {

// A foreign console program standing in for the RAR program: a shell script.
std::string WriteStandIn(CTempDir& tmp, const std::string& strName, const std::string& strBody) {
    const std::string strPath = tmp.Sub(strName);
    EXPECT_TRUE(testfiles::WriteFile(strPath, "#!/bin/sh\n" + strBody));
    chmod(strPath.c_str(), 0755);
    return strPath;
}

struct CRelease {
    std::string strRel;
    std::string strArchive;
};

CRelease RarRelease(CTempDir& tmp) {
    CRelease r;
    r.strRel = tmp.MakeDir("Rel");
    r.strArchive = r.strRel + "/movie.rar";
    CRarWriter writer;
    writer.AddFile("movie.mkv", testfiles::RandomBytes(4096, 5));
    EXPECT_TRUE(writer.Write(r.strArchive).bOk);
    testfiles::WriteFile(r.strRel + "/movie.sfv", "sfv");
    return r;
}

void CleanUpOn(CDriverHarness& h) {
    CMainOptions options = h.options;
    options.bCleanUp = 1;
    h.SetOptions(options);
}

}  // namespace

TEST(DriverSuccessRuleTest, RarProgramThatExitsZeroPrintingNothingFailsTheItem) {
    REQUIRE_TOOLS();
    CTempDir tmp("drv-rule-silent");
    const CRelease r = RarRelease(tmp);
    CDriverHarness h;
    CleanUpOn(h);
    h.driver.strUnrarExe = WriteStandIn(tmp, "silent-unrar", "exit 0\n");
    h.Add(r.strRel, tmp.MakeDir("Out"));
    ASSERT_TRUE(h.Run());
    EXPECT_EQ(h.Item(0).strStatus, ItemStates::FAILED);
    EXPECT_EQ(h.Result(0), "Failed");
    EXPECT_NE(h.Errors(0).find("movie.rar:  Unconfirmed extraction"), std::string::npos) << h.Errors(0);
    EXPECT_TRUE(Exists(r.strArchive));
    EXPECT_TRUE(Exists(r.strRel + "/movie.sfv"));
}

TEST(DriverSuccessRuleTest, RarProgramThatSaysAllOkWithoutAnEntryIsNoFilesToExtract) {
    REQUIRE_TOOLS();
    CTempDir tmp("drv-rule-noentry");
    const CRelease r = RarRelease(tmp);
    CDriverHarness h;
    CleanUpOn(h);
    h.driver.strUnrarExe =
        WriteStandIn(tmp, "empty-unrar", "printf '\\nExtracting from %s\\n\\nAll OK\\n' \"$9\"\n");
    h.Add(r.strRel, tmp.MakeDir("Out"));
    ASSERT_TRUE(h.Run());
    EXPECT_EQ(h.Result(0), "Failed");
    EXPECT_NE(h.Errors(0).find("movie.rar:  No files to extract"), std::string::npos) << h.Errors(0);
    EXPECT_TRUE(Exists(r.strArchive));
}

TEST(DriverSuccessRuleTest, AllOkFollowedByMoreTextIsNotASuccess) {
    REQUIRE_TOOLS();
    CTempDir tmp("drv-rule-after");
    const CRelease r = RarRelease(tmp);
    CDriverHarness h;
    CleanUpOn(h);
    h.driver.strUnrarExe = WriteStandIn(
        tmp, "chatty-unrar",
        "printf 'Extracting  movie.mkv                                  OK\\nAll OK\\nbye\\n'\n");
    h.Add(r.strRel, tmp.MakeDir("Out"));
    ASSERT_TRUE(h.Run());
    EXPECT_EQ(h.Result(0), "Failed");
    EXPECT_TRUE(Exists(r.strArchive));
}

TEST(DriverSuccessRuleTest, ZipWithoutEntriesIsNoFilesToExtract) {
    REQUIRE_TOOLS();
    CTempDir tmp("drv-rule-zip");
    const std::string strRel = tmp.MakeDir("Rel");
    // An empty archive: just the end-of-central-directory record.
    const std::string strEmpty = std::string("PK\x05\x06", 4) + std::string(18, '\0');
    ASSERT_TRUE(testfiles::WriteFile(strRel + "/empty.zip", strEmpty));
    CDriverHarness h;
    CleanUpOn(h);
    h.Add(strRel, tmp.MakeDir("Out"));
    ASSERT_TRUE(h.Run());
    EXPECT_EQ(h.Result(0), "Failed");
    EXPECT_NE(h.Errors(0).find("empty.zip:  No files to extract"), std::string::npos) << h.Errors(0);
    EXPECT_TRUE(Exists(strRel + "/empty.zip"));
}

TEST(DriverSuccessRuleTest, WorkerThatCannotStartFailsTheItemWithoutCleanUp) {
    REQUIRE_TOOLS();
    CTempDir tmp("drv-rule-thread");
    const CRelease r = RarRelease(tmp);
    const std::string strZipRel = tmp.MakeDir("ZipRel");
    ASSERT_TRUE(WriteZip(strZipRel + "/a.zip", {{"a.txt", "a"}}));
    CDriverHarness h;
    CleanUpOn(h);
    int nStarts = 0;
    h.driver.fnStartThread = [&](std::function<void()>) -> std::thread {
        ++nStarts;
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    };
    h.Add(r.strRel, tmp.MakeDir("Out"));
    h.Add(strZipRel, tmp.MakeDir("ZipOut"));
    ASSERT_TRUE(h.Run());
    EXPECT_EQ(nStarts, 2);
    for (int nRow = 0; nRow < 2; ++nRow) {
        EXPECT_EQ(h.Result(nRow), "Failed") << nRow;
        EXPECT_NE(h.Errors(nRow).find("Cannot start a worker thread"), std::string::npos) << h.Errors(nRow);
    }
    EXPECT_TRUE(Exists(r.strArchive));
    EXPECT_TRUE(Exists(strZipRel + "/a.zip"));
}

TEST(DriverSuccessRuleTest, WorkerThatIsNeverStartedFailsTheItem) {
    REQUIRE_TOOLS();
    CTempDir tmp("drv-rule-nothread");
    const CRelease r = RarRelease(tmp);
    CDriverHarness h;
    CleanUpOn(h);
    h.driver.fnStartThread = [](std::function<void()>) { return std::thread(); };
    h.Add(r.strRel, tmp.MakeDir("Out"));
    ASSERT_TRUE(h.Run());
    EXPECT_EQ(h.Result(0), "Failed");
    EXPECT_TRUE(Exists(r.strArchive));
}

TEST(DriverSuccessRuleTest, TheRealProgramStillCompletesAndCleansUp) {
    REQUIRE_TOOLS();
    CTempDir tmp("drv-rule-real");
    const CRelease r = RarRelease(tmp);
    CDriverHarness h;
    CleanUpOn(h);
    int nStarts = 0;
    h.driver.fnStartThread = [&](std::function<void()> fn) {
        ++nStarts;
        return std::thread(std::move(fn));
    };
    const std::string strOut = tmp.MakeDir("Out");
    h.Add(r.strRel, strOut);
    ASSERT_TRUE(h.Run());
    EXPECT_EQ(h.Item(0).strStatus, ItemStates::COMPLETED) << h.Errors(0);
    EXPECT_EQ(nStarts, 1);
    EXPECT_TRUE(Exists(strOut + "/movie.mkv"));
    EXPECT_FALSE(Exists(r.strArchive));
}
