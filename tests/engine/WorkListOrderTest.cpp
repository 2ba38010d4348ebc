#include "engine/CDiscovery.h"
#include "engine/PathHelpers.h"
#include "tests/engine/TempDir.h"
#include "tests/engine/TestApp.h"

#include <gtest/gtest.h>

#include <QTimer>

namespace {

CFileInformation Entry(const std::string& strPath, int CFileInformation::*pFlag) {
    CFileInformation info;
    info.strPath = strPath;
    info.*pFlag = 1;
    return info;
}

std::vector<std::string> Paths(const std::vector<CFileInformation>& arr) {
    std::vector<std::string> out;
    for (const auto& info : arr) {
        out.push_back(info.strPath);
    }
    return out;
}

}  // namespace

TEST(WorkListOrderTest, RarsThenZipsThenPacksThenNfoAndCoversSamplesLast) {
    std::vector<CFileInformation> arr = {
        Entry("sample.mkv", &CFileInformation::bSample), Entry("b.zip", &CFileInformation::bZip),
        Entry("r.nfo", &CFileInformation::bNfo),         Entry("z.rar", &CFileInformation::bRar),
        Entry("pack.rar", &CFileInformation::bSubsPack), Entry("a.zip", &CFileInformation::bZip),
        Entry("c.jpg", &CFileInformation::bCover),       Entry("a.rar", &CFileInformation::bRar),
    };
    SortWorkList(arr);
    EXPECT_EQ(Paths(arr), (std::vector<std::string>{"a.rar", "z.rar", "a.zip", "b.zip", "pack.rar", "r.nfo",
                                                    "c.jpg", "sample.mkv"}));
}

TEST(WorkListOrderTest, SubtitleFilesKeepTheirRelativePlace) {
    // Subtitles move behind archives only; nothing else passes them.
    std::vector<CFileInformation> arr = {
        Entry("s1.srt", &CFileInformation::bSubtitle), Entry("r.nfo", &CFileInformation::bNfo),
        Entry("s2.srt", &CFileInformation::bSubtitle), Entry("x.zip", &CFileInformation::bZip),
        Entry("pack.rar", &CFileInformation::bSubsPack),
    };
    SortWorkList(arr);
    EXPECT_EQ(Paths(arr), (std::vector<std::string>{"x.zip", "s1.srt", "r.nfo", "s2.srt", "pack.rar"}));
    std::vector<CFileInformation> none;
    SortWorkList(none);
    EXPECT_TRUE(none.empty());
}

TEST(WorkListOrderTest, PathsCompareAsBytes) {
    std::vector<CFileInformation> arr = {Entry("b.rar", &CFileInformation::bRar),
                                         Entry("B.rar", &CFileInformation::bRar),
                                         Entry("\xc3\xa9.rar", &CFileInformation::bRar)};
    SortWorkList(arr);
    EXPECT_EQ(Paths(arr), (std::vector<std::string>{"B.rar", "b.rar", "\xc3\xa9.rar"}));
}

TEST(EnsureFolderTest, CreatesOneLevelAndLogsIt) {
    CTempDir dir;
    std::vector<std::string> log;
    auto pLog = [&](const std::string& strLine) { log.push_back(strLine); };
    EXPECT_TRUE(EnsureFolder(dir.Path("out"), pLog));
    EXPECT_TRUE(IsFolderAvailable(dir.Path("out")));
    EXPECT_EQ(log, std::vector<std::string>{"Created folder:\t" + dir.Path("out") + "\r\n"});
    EXPECT_TRUE(EnsureFolder(dir.Path("out"), pLog));
    EXPECT_EQ(log.size(), 1u) << "an existing folder is not logged again";
    EXPECT_FALSE(EnsureFolder(dir.Path("a/b/c"), pLog)) << "no parents are made";
    EXPECT_FALSE(EnsureFolder("", pLog));
    EXPECT_TRUE(EnsureFolder(dir.File("plainfile"))) << "an existing path answers true";
}

TEST(PumpMessagesTest, HandlesPendingEventsOfTheCallingThread) {
    EnsureTestApp();
    bool bFired = false;
    QTimer::singleShot(0, [&] { bFired = true; });
    PumpMessages();
    EXPECT_TRUE(bFired);
}
