// The driver end to end on whole release folders: companions, subtitle packs, ZIP
// files, passwords, clean-up, pause and kill. Real console RAR program, real unzip
// library, archives from the fixture writers.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "DriverHarness.h"
#include "ZipFiles.h"
#include "tests/fixtures/CRarWriter.h"
#include "tests/fixtures/CTempDir.h"
#include "tests/fixtures/TestFiles.h"

using testfiles::Exists;
using testfiles::ReadFile;
using testfiles::WriteFile;

namespace {

// A release: a RAR set, an nfo, an sfv, a sample, a cover and a subtitle pack.
struct CRelease {
    std::string strRel;
    std::string strMovie;
    std::vector<std::string> arrVolumes;
    std::vector<std::string> arrPack;
};

CRelease MakeRelease(const CTempDir& tmp, bool bWithPack = true) {
    CRelease rel;
    rel.strRel = tmp.MakeDir("Movie.2024");
    rel.strMovie = testfiles::RandomBytes(40 * 1024, 11);
    CRarOptions options;
    options.nVolumeSize = 16 * 1024;
    CRarWriter set(options);
    set.AddFile("movie.mkv", rel.strMovie);
    rel.arrVolumes = set.Write(rel.strRel + "/movie.rar").arrVolumes;
    WriteFile(rel.strRel + "/movie.nfo", "release notes\n");
    WriteFile(rel.strRel + "/movie.sfv", "movie.part1.rar 00000000\n");
    WriteFile(rel.strRel + "/Sample/movie-sample.mkv", testfiles::RandomBytes(20000, 5));
    WriteFile(rel.strRel + "/Covers/front.jpg", "jpeg");
    if (bWithPack) {
        tmp.MakeDir("Movie.2024/Subs");
        CRarWriter pack;
        pack.AddFile("movie.eng.srt", "1\n00:00:01,000 --> 00:00:02,000\nHello\n");
        rel.arrPack = pack.Write(rel.strRel + "/Subs/movie.subs.rar").arrVolumes;
    }
    return rel;
}

CMainOptions KeepEverything() {
    CMainOptions options;
    options.bNfo = 1;
    options.bSample = 1;
    options.bCovers = 1;
    options.bSubs = 1;
    options.bSubsFolder = 1;
    options.bMainFolder = 0;
    options.bCleanUp = 1;
    return options;
}

}  // namespace

TEST(DriverReleaseTest, ReleaseWithEverythingKeptIsExtractedCopiedAndCleanedUp) {
    REQUIRE_TOOLS();
    CTempDir tmp("drv-release");
    const CRelease rel = MakeRelease(tmp);
    const std::string strOut = tmp.MakeDir("Out");
    CDriverHarness h;
    h.SetOptions(KeepEverything());
    h.Add(rel.strRel, strOut);
    ASSERT_TRUE(h.Run());
    EXPECT_EQ(h.Item(0).strStatus, "Completed OK") << h.Errors(0);
    EXPECT_TRUE(h.Item(0).arrCleanUp.empty());
    EXPECT_EQ(ReadFile(strOut + "/movie.mkv"), rel.strMovie);
    EXPECT_EQ(ReadFile(strOut + "/movie.nfo"), "release notes\n");
    EXPECT_EQ(ReadFile(strOut + "/Covers/front.jpg"), "jpeg");
    EXPECT_TRUE(Exists(strOut + "/Sample/movie-sample.mkv"));
    // The subtitle pack itself was extracted, into its own folder name.
    EXPECT_TRUE(Exists(strOut + "/Subs/movie.eng.srt"));
    // Everything was copied or extracted elsewhere, so the release folder is gone.
    EXPECT_FALSE(Exists(rel.strRel)) << testfiles::ListTree(rel.strRel);
    const std::string strLog = h.driver.log.Text();
    EXPECT_NE(strLog.find("Copy nfo:\t\tmovie.nfo\r\n"), std::string::npos) << strLog;
    EXPECT_NE(strLog.find("Copy sample:\tmovie-sample.mkv\r\n"), std::string::npos);
    EXPECT_NE(strLog.find("Delete files\r\n"), std::string::npos);
}

TEST(DriverReleaseTest, SubtitlePackWithKeepSubsOffIsNotExtractedButDeleted) {
    REQUIRE_TOOLS();
    CTempDir tmp("drv-subs-off");
    const CRelease rel = MakeRelease(tmp);
    const std::string strOut = tmp.MakeDir("Out");
    CDriverHarness h;
    CMainOptions options = KeepEverything();
    options.bSubs = 0;
    h.SetOptions(options);
    h.Add(rel.strRel, strOut);
    ASSERT_TRUE(h.Run());
    EXPECT_EQ(h.Item(0).strStatus, "Completed OK") << h.Errors(0);
    EXPECT_FALSE(Exists(strOut + "/Subs"));
    EXPECT_FALSE(Exists(strOut + "/movie.eng.srt"));
    EXPECT_FALSE(Exists(rel.arrPack[0]));
}

TEST(DriverReleaseTest, FolderWithOnlyASubtitlePackNeedsKeepSubs) {
    REQUIRE_TOOLS();
    CTempDir tmp("drv-only-pack");
    const std::string strRel = tmp.MakeDir("Rel");
    tmp.MakeDir("Rel/Subs");
    CRarWriter pack;
    pack.AddFile("a.srt", "sub");
    ASSERT_TRUE(pack.Write(strRel + "/Subs/a.rar").bOk);
    CDriverHarness h;
    CMainOptions options = KeepEverything();
    options.bSubs = 0;
    options.bCleanUp = 0;
    h.SetOptions(options);
    h.Add(strRel, tmp.MakeDir("Out"));
    ASSERT_TRUE(h.Run());
    EXPECT_EQ(h.Item(0).strStatus, "Nothing to extract");
    options.bSubs = 1;
    options.bSubsFolder = 0;
    CDriverHarness h2;
    h2.SetOptions(options);
    const std::string strOut = tmp.MakeDir("Out2");
    h2.Add(strRel, strOut);
    ASSERT_TRUE(h2.Run());
    EXPECT_EQ(h2.Item(0).strStatus, "Completed OK") << h2.Errors(0);
    EXPECT_EQ(ReadFile(strOut + "/a.srt"), "sub");
}

TEST(DriverReleaseTest, OutputIntoTheInputFolderKeepsKeptCompanionsInPlace) {
    REQUIRE_TOOLS();
    CTempDir tmp("drv-inplace");
    const CRelease rel = MakeRelease(tmp, false);
    WriteFile(rel.strRel + "/unknown.txt", "left as a precaution");
    CDriverHarness h;
    h.SetOptions(KeepEverything());
    h.Add(rel.strRel);  // output into the input folder
    ASSERT_TRUE(h.Run());
    EXPECT_EQ(h.Item(0).strStatus, "OK (Double click)") << h.Errors(0);
    EXPECT_EQ(h.Result(0), "Cleanup failed");
    EXPECT_EQ(h.Item(0).strTime.rfind("OK (", 0), 0u);
    EXPECT_EQ(ReadFile(rel.strRel + "/movie.mkv"), rel.strMovie);
    for (const std::string& strVolume : rel.arrVolumes)
        EXPECT_FALSE(Exists(strVolume));
    EXPECT_FALSE(Exists(rel.strRel + "/movie.sfv"));
    EXPECT_TRUE(Exists(rel.strRel + "/movie.nfo"));
    EXPECT_TRUE(Exists(rel.strRel + "/Sample/movie-sample.mkv"));
    EXPECT_TRUE(Exists(rel.strRel + "/Covers/front.jpg"));
    // The unknown file is the only entry: left in place as a precaution.
    ASSERT_EQ(h.Item(0).arrCleanUp.size(), 1u);
    EXPECT_EQ(h.Item(0).arrCleanUp[0], CleanUpInfo(rel.strRel + "/unknown.txt", "", 1));
}

TEST(DriverReleaseTest, ZipItemIsExtractedAndCleanedUp) {
    REQUIRE_TOOLS();
    CTempDir tmp("drv-zip");
    const std::string strZip = tmp.Sub("pack.zip");
    ASSERT_TRUE(WriteZip(strZip, {{"docs/a.txt", "alpha"}, {"b.exe", "MZ"}}));
    const std::string strOut = tmp.MakeDir("Out");
    CDriverHarness h;
    CMainOptions options;
    options.bCleanUp = 1;
    options.bMainFolder = 0;
    h.SetOptions(options);
    h.Add(strZip, strOut);
    ASSERT_TRUE(h.Run());
    EXPECT_EQ(h.Item(0).strStatus, "Completed OK") << h.Errors(0);
    EXPECT_EQ(ReadFile(strOut + "/docs/a.txt"), "alpha");
    EXPECT_EQ(h.Item(0).arrNewFiles, std::vector<std::string>{strOut + "/b.exe"});
    EXPECT_FALSE(Exists(strZip));
    EXPECT_NE(h.driver.log.Text().find("Processing pack.zip\r\n"), std::string::npos);
}

class DriverZipPasswordTest : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_TOOLS();
        strRel = tmp.MakeDir("Rel");
        ASSERT_TRUE(WriteZip(strRel + "/secret.zip", {{"s.txt", "secret data"}}, "opensesame"));
        strOut = tmp.MakeDir("Out");
        CMainOptions options;
        options.bCleanUp = 1;
        options.bMainFolder = 0;
        h.SetOptions(options);
        h.Add(strRel, strOut);
    }
    CTempDir tmp{"drv-zip-pw"};
    std::string strRel;
    std::string strOut;
    CDriverHarness h;
};

TEST_F(DriverZipPasswordTest, RightPasswordAtThePromptExtracts) {
    REQUIRE_TOOLS();
    h.prompt.arrAnswers = {"opensesame"};
    ASSERT_TRUE(h.Run());
    EXPECT_EQ(h.Item(0).strStatus, "Completed OK") << h.Errors(0);
    EXPECT_EQ(h.prompt.arrAsked, std::vector<std::string>{"secret.zip"});
    EXPECT_EQ(ReadFile(strOut + "/s.txt"), "secret data");
    EXPECT_EQ(h.driver.strPassword, "opensesame");
}

TEST_F(DriverZipPasswordTest, WrongPasswordIsAskedOnceAndFails) {
    REQUIRE_TOOLS();
    h.prompt.arrAnswers = {"wrong", "never asked"};
    ASSERT_TRUE(h.Run());
    EXPECT_EQ(h.Result(0), "Failed");
    EXPECT_EQ(h.prompt.arrAsked.size(), 1u);
    EXPECT_NE(h.Errors(0).find("secret.zip:  Wrong password\r\n"), std::string::npos) << h.Errors(0);
    EXPECT_TRUE(Exists(strRel + "/secret.zip"));
}

TEST_F(DriverZipPasswordTest, DeclinedPromptSkipsTheArchive) {
    REQUIRE_TOOLS();
    h.prompt.arrAnswers = {""};
    ASSERT_TRUE(h.Run());
    EXPECT_EQ(h.Result(0), "Failed");
    EXPECT_NE(h.Errors(0).find("Skipped password protected file  secret.zip\r\n"), std::string::npos)
        << h.Errors(0);
    EXPECT_TRUE(Exists(strRel + "/secret.zip"));
}

TEST_F(DriverZipPasswordTest, PromptOffSkipsWithoutAsking) {
    REQUIRE_TOOLS();
    h.driver.bPasswordPrompt = 0;
    ASSERT_TRUE(h.Run());
    EXPECT_TRUE(h.prompt.arrAsked.empty());
    EXPECT_EQ(h.Result(0), "Failed");
    EXPECT_NE(h.Errors(0).find("Skipped password protected file  secret.zip"), std::string::npos);
    EXPECT_TRUE(Exists(strRel + "/secret.zip"));
}

TEST(DriverListTest, PauseLetsTheCurrentItemFinishAndStopsBeforeTheNext) {
    REQUIRE_TOOLS();
    CTempDir tmp("drv-pause");
    std::vector<std::string> arrZips;
    CDriverHarness h;
    for (int i = 0; i < 3; ++i) {
        arrZips.push_back(tmp.Sub("z" + std::to_string(i) + ".zip"));
        ASSERT_TRUE(WriteZip(arrZips.back(), {{"f" + std::to_string(i) + ".txt", "x"}}));
        h.Add(arrZips.back(), tmp.MakeDir("Out" + std::to_string(i)));
    }
    QObject::connect(&h.driver, &CDriver::RowStarted, [&](int nRow) {
        if (nRow == 1)
            h.driver.Pause();
    });
    ASSERT_TRUE(h.Run());
    EXPECT_EQ(h.Item(0).strStatus, "Completed OK");
    EXPECT_EQ(h.Item(1).strStatus, "Completed OK");
    EXPECT_EQ(h.Item(2).strStatus, "");
    EXPECT_EQ(h.Result(2), "");
    // The next row's start empties the status line before it sees the pause.
    EXPECT_EQ(h.driver.strStatusLine, "");
    EXPECT_FALSE(h.driver.IsProcessing());
}

TEST(DriverListTest, EmptyListAndAllProcessedRunsSayWhy) {
    REQUIRE_TOOLS();
    CDriverHarness h;
    EXPECT_EQ(h.driver.Go(), CDriver::EGoResult::ListEmpty);
    EXPECT_EQ(h.driver.strStatusLine, " List is empty");
    CTempDir tmp("drv-done");
    ASSERT_TRUE(WriteZip(tmp.Sub("a.zip"), {{"a", "a"}}));
    h.Add(tmp.Sub("a.zip"), tmp.MakeDir("Out"));
    ASSERT_TRUE(h.Run());
    EXPECT_EQ(h.Item(0).strStatus, "Completed OK");
    ASSERT_TRUE(h.Run());
    EXPECT_EQ(h.driver.strStatusLine, " No unprocessed items in list");
}

TEST(DriverListTest, FolderWithoutArchivesIsNothingToExtractOrTest) {
    CTempDir tmp("drv-nothing");
    const std::string strRel = tmp.MakeDir("Rel");
    WriteFile(strRel + "/readme.txt", "x");
    CDriverHarness h;
    h.Add(strRel, tmp.MakeDir("Out"));
    ASSERT_TRUE(h.Run());
    EXPECT_EQ(h.Item(0).strStatus, "Nothing to extract");
    h.list.ResetRow(0);
    CMainOptions options = h.options;
    options.bTest = 1;
    h.SetOptions(options);
    ASSERT_TRUE(h.Run());
    EXPECT_EQ(h.Item(0).strStatus, "Nothing to test");
}

TEST(DriverListTest, KillDuringASampleCopyLeavesNoPartialSampleAndNoCleanUp) {
    REQUIRE_TOOLS();
    CTempDir tmp("drv-kill-sample");
    const std::string strRel = tmp.MakeDir("Rel");
    ASSERT_TRUE(WriteZip(strRel + "/a.zip", {{"a.txt", "a"}}));
    ASSERT_TRUE(testfiles::WriteRandomFile(strRel + "/Sample/big-sample.mkv", 64ull * 1024 * 1024, 9));
    const std::string strOut = tmp.MakeDir("Out");
    CDriverHarness h;
    CMainOptions options;
    options.bSample = 1;
    options.bCleanUp = 1;
    options.bMainFolder = 0;
    h.SetOptions(options);
    h.Add(strRel, strOut);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (h.list.RowText(0, CJobList::COLUMN_RESULT) == "Copying sample(s)") {
            h.driver.Kill();
            poll.stop();
        }
    });
    poll.start(1);
    ASSERT_TRUE(h.Run());
    EXPECT_EQ(h.Item(0).strStatus, "Process killed");
    EXPECT_FALSE(Exists(strOut + "/Sample/big-sample.mkv"));
    EXPECT_TRUE(std::filesystem::is_empty(strOut + "/Sample"));
    EXPECT_TRUE(Exists(strRel + "/a.zip"));
    EXPECT_TRUE(Exists(strRel + "/Sample/big-sample.mkv"));
}

TEST(DriverListTest, EndOfListActionFollowsThePreferences) {
    CEndPreferences prefs;
    prefs.bCloseOnOk = 1;
    EXPECT_EQ(CDriver::DecideEndAction({"Completed OK", "Completed OK"}, prefs), EEndAction::Exit);
    // A skipped row counts as an error for the end action.
    EXPECT_EQ(CDriver::DecideEndAction({"Completed OK", "Skip"}, prefs), EEndAction::None);
    prefs.bRestoreOnError = 1;
    EXPECT_EQ(CDriver::DecideEndAction({"Completed OK", "Skip"}, prefs), EEndAction::Restore);
    prefs.bCloseOnError = 1;
    EXPECT_EQ(CDriver::DecideEndAction({"OK (Double click)"}, prefs), EEndAction::Exit);
    EXPECT_EQ(CDriver::DecideEndAction({"Process killed"}, prefs), EEndAction::None);
    EXPECT_EQ(CDriver::DecideEndAction({}, prefs), EEndAction::None);
}
