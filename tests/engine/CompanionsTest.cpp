#include <gtest/gtest.h>
#include <unistd.h>

#include "DriverTestFiles.h"
#include "engine/CProcessLog.h"
#include "engine/Companions.h"

namespace {

CCompanionOptions Options(const std::string& strItem, const std::string& strOut) {
    CCompanionOptions opt;
    opt.strItemPath = strItem;
    opt.strInputPath = strItem;
    opt.strOutputFolder = strOut;
    opt.bKeep = true;
    return opt;
}

}  // namespace

TEST(CompanionsTest, SampleGoesIntoItsFolderComponentKeepingTheCase) {
    CTempFolder tmp;
    CCopyRequest req;
    ASSERT_TRUE(PlanCompanionCopy(ECompanionKind::Sample, tmp / "Rel/Sample/m-sample.mkv",
                                  Options(tmp / "Rel", tmp / "Out"), req));
    EXPECT_EQ(req.strFolder, tmp / "Out/Sample");
    EXPECT_EQ(req.strTarget, tmp / "Out/Sample/m-sample.mkv");
    ASSERT_TRUE(PlanCompanionCopy(ECompanionKind::Cover, tmp / "Rel/COVERS/front.jpg",
                                  Options(tmp / "Rel", tmp / "Out"), req));
    EXPECT_EQ(req.strTarget, tmp / "Out/COVERS/front.jpg");
    ASSERT_TRUE(PlanCompanionCopy(ECompanionKind::Subtitle, tmp / "Rel/Subs/movie.srt",
                                  Options(tmp / "Rel", tmp / "Out"), req));
    EXPECT_EQ(req.strTarget, tmp / "Out/movie.srt");
}

TEST(CompanionsTest, MarkersAboveTheItemDoNotCount) {
    CCopyRequest req;
    ASSERT_TRUE(PlanCompanionCopy(ECompanionKind::Cover, "/srv/covers/AlbumX/front.jpg",
                                  Options("/srv/covers/AlbumX", "/out"), req));
    EXPECT_EQ(req.strTarget, "/out/front.jpg");
}

TEST(CompanionsTest, NoCopyInTestModeWhenKilledOrIntoTheItemItself) {
    CCopyRequest req;
    CCompanionOptions opt = Options("/in/Rel", "/out");
    opt.bTest = true;
    EXPECT_FALSE(PlanCompanionCopy(ECompanionKind::Nfo, "/in/Rel/a.nfo", opt, req));
    opt = Options("/in/Rel", "/out");
    opt.bKilled = true;
    EXPECT_FALSE(PlanCompanionCopy(ECompanionKind::Nfo, "/in/Rel/a.nfo", opt, req));
    EXPECT_FALSE(PlanCompanionCopy(ECompanionKind::Nfo, "/in/Rel/a.nfo", Options("/in/Rel", "/in/Rel"), req));
    opt = Options("/in/Rel", "/out");
    opt.bKeep = false;
    EXPECT_FALSE(PlanCompanionCopy(ECompanionKind::Nfo, "/in/Rel/a.nfo", opt, req));
}

TEST(CompanionsTest, CopyWritesTheTargetAndLogsIt) {
    CTempFolder tmp;
    const std::string strData(1024 * 1024 + 17, 's');
    WriteFile(tmp / "Rel/Sample/m.mkv", strData);
    CCopyRequest req;
    ASSERT_TRUE(PlanCompanionCopy(ECompanionKind::Sample, tmp / "Rel/Sample/m.mkv",
                                  Options(tmp / "Rel", tmp / "Out"), req));
    std::filesystem::create_directories(tmp / "Out");
    CProcessLog log;
    std::vector<std::string> arrErrors;
    ASSERT_TRUE(PrepareCopyFolder(req, log, arrErrors));
    std::atomic<int> bKill{0};
    EXPECT_EQ(RunCompanionCopy(req, bKill, log, arrErrors), ECopyResult::Copied);
    EXPECT_EQ(ReadFile(tmp / "Out/Sample/m.mkv"), strData);
    EXPECT_TRUE(arrErrors.empty());
    EXPECT_EQ(log.Text(), "Created folder:\t" + (tmp / "Out/Sample") + "\r\nCopy sample:\tm.mkv\r\n");
}

TEST(CompanionsTest, KillLeavesNoPartialTarget) {
    CTempFolder tmp;
    WriteFile(tmp / "Rel/Sample/m.mkv", std::string(2 * 1024 * 1024, 'k'));
    CCopyRequest req;
    ASSERT_TRUE(PlanCompanionCopy(ECompanionKind::Sample, tmp / "Rel/Sample/m.mkv",
                                  Options(tmp / "Rel", tmp / "Out"), req));
    std::filesystem::create_directories(tmp / "Out/Sample");
    CProcessLog log;
    std::vector<std::string> arrErrors;
    std::atomic<int> bKill{1};
    EXPECT_EQ(RunCompanionCopy(req, bKill, log, arrErrors), ECopyResult::Killed);
    EXPECT_TRUE(std::filesystem::is_empty(tmp / "Out/Sample"));
    EXPECT_TRUE(arrErrors.empty());
}

TEST(CompanionsTest, MissingSourceGivesTheOpenErrorLine) {
    CTempFolder tmp;
    CCopyRequest req;
    ASSERT_TRUE(PlanCompanionCopy(ECompanionKind::Sample, tmp / "Rel/Sample/gone.mkv",
                                  Options(tmp / "Rel", tmp.strPath), req));
    CProcessLog log;
    std::vector<std::string> arrErrors;
    std::atomic<int> bKill{0};
    EXPECT_EQ(RunCompanionCopy(req, bKill, log, arrErrors), ECopyResult::Failed);
    ASSERT_EQ(arrErrors.size(), 1u);
    EXPECT_EQ(arrErrors[0], "Unable to open samplefile" + (tmp / "Rel/Sample/gone.mkv") + "\r\n");
}

TEST(CompanionsTest, FolderThatCannotBeMadeGivesAnErrorLine) {
    CTempFolder tmp;
    WriteFile(tmp / "Out", "a file where the folder should be");
    CCopyRequest req;
    ASSERT_TRUE(PlanCompanionCopy(ECompanionKind::Cover, tmp / "Rel/Covers/f.jpg",
                                  Options(tmp / "Rel", tmp / "Out"), req));
    CProcessLog log;
    std::vector<std::string> arrErrors;
    EXPECT_FALSE(PrepareCopyFolder(req, log, arrErrors));
    ASSERT_EQ(arrErrors.size(), 1u);
    EXPECT_EQ(arrErrors[0].rfind("Unable to create folder " + (tmp / "Out/Covers"), 0), 0u);
}

TEST(CompanionsTest, TargetThatIsTheSourceItselfIsRefusedAndNotTruncated) {
    CTempFolder tmp;
    WriteFile(tmp / "Rel/movie.nfo", "the only copy");
    ASSERT_EQ(symlink((tmp / "Rel").c_str(), (tmp / "Out").c_str()), 0);
    CCopyRequest req;
    ASSERT_TRUE(PlanCompanionCopy(ECompanionKind::Nfo, tmp / "Rel/movie.nfo",
                                  Options(tmp / "Rel", tmp / "Out"), req));
    CProcessLog log;
    std::vector<std::string> arrErrors;
    std::atomic<int> bKill{0};
    EXPECT_EQ(RunCompanionCopy(req, bKill, log, arrErrors), ECopyResult::Failed);
    EXPECT_EQ(ReadFile(tmp / "Rel/movie.nfo"), "the only copy");
    ASSERT_EQ(arrErrors.size(), 1u);
    EXPECT_EQ(arrErrors[0], "Unable to create nfofile" + (tmp / "Out/movie.nfo") +
                                ": the target is the source file itself\r\n");
}

TEST(CompanionsTest, TwoSubtitlesOfOneNameNeverOverwriteEachOther) {
    CTempFolder tmp;
    WriteFile(tmp / "Rel/Subs/eng/movie.srt", "english");
    WriteFile(tmp / "Rel/Subs/fre/movie.srt", "french");
    std::filesystem::create_directories(tmp / "Out");
    std::map<std::string, std::string> mapTargets;
    CProcessLog log;
    std::vector<std::string> arrErrors;
    std::atomic<int> bKill{0};
    for (const char* pszLang : {"eng", "fre"}) {
        CCopyRequest req;
        ASSERT_TRUE(PlanCompanionCopy(ECompanionKind::Subtitle,
                                      tmp / (std::string("Rel/Subs/") + pszLang + "/movie.srt"),
                                      Options(tmp / "Rel", tmp / "Out"), req));
        AvoidTargetClash(req, mapTargets, log);
        EXPECT_EQ(RunCompanionCopy(req, bKill, log, arrErrors), ECopyResult::Copied);
    }
    EXPECT_EQ(ReadFile(tmp / "Out/movie.srt"), "english");
    EXPECT_EQ(ReadFile(tmp / "Out/movie.fre.srt"), "french");
    EXPECT_NE(log.Text().find("Renamed:\tmovie.srt -> movie.fre.srt\r\n"), std::string::npos);
}

TEST(CompanionsTest, FolderComponentRunsToTheNextSeparator) {
    EXPECT_EQ(FolderComponent("/Rel/Sample/x.avi", 4), "/Sample");
    EXPECT_EQ(FolderComponent("/Rel/Sample", 4), "/Sample");
    EXPECT_EQ(FolderComponent("/Rel", -1), "");
}
