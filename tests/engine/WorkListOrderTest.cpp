#include <gtest/gtest.h>

#include <QTimer>
#include <random>
#include <set>

#include "engine/CDiscovery.h"
#include "engine/PathHelpers.h"
#include "engine/RarNaming.h"
#include "tests/engine/ScratchDir.h"
#include "tests/engine/TestApp.h"

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
        Entry("s1.srt", &CFileInformation::bSubtitle),   Entry("r.nfo", &CFileInformation::bNfo),
        Entry("s2.srt", &CFileInformation::bSubtitle),   Entry("x.zip", &CFileInformation::bZip),
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
    CScratchDir dir;
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

namespace {

// The rules written out pass by pass, as the work list order is defined:
// n-1 passes over neighbours, swapping when the later one must come first.
bool MustSwapByRule(const CFileInformation& p, const CFileInformation& q) {
    if (!p.bRar && q.bRar) {
        return true;
    }
    if (!p.bRar && !p.bZip && q.bZip) {
        return true;
    }
    if ((p.bZip && q.bZip) || (p.bRar && q.bRar)) {
        return p.strPath > q.strPath;
    }
    if ((p.bNfo || p.bSample || p.bCover) && q.bSubsPack) {
        return true;
    }
    return p.bSample && (q.bNfo || q.bCover);
}

void BubbleByRule(std::vector<CFileInformation>& arr) {
    for (size_t p = 0; p + 1 < arr.size(); ++p) {
        for (size_t j = 1; j + p < arr.size(); ++j) {
            if (MustSwapByRule(arr[j - 1], arr[j])) {
                std::swap(arr[j - 1], arr[j]);
            }
        }
    }
}

// First volumes by comparing every pair of the same folder.
std::vector<std::string> FirstVolumesByPairs(const std::vector<RarFiles>& arr) {
    std::vector<std::string> out;
    for (const RarFiles& e : arr) {
        bool bPart = IsNewStyleVolumeName(e.strName);
        bool bFirst = bPart ? IsFirstNewStyleVolume(e.strName) : GetExtension(e.strName) == "rar";
        if (!bFirst) {
            bFirst = true;
            for (const RarFiles& o : arr) {
                if (o.strFolder == e.strFolder && o.strName != e.strName &&
                    !IsBeforeInSet(e.strName, o.strName, bPart)) {
                    bFirst = false;
                }
            }
        }
        if (bFirst) {
            out.push_back(e.strFolder + e.strName);
        }
    }
    return out;
}

}  // namespace

TEST(WorkListOrderTest, SortMatchesTheNeighbourSwapRuleOnRandomLists) {
    std::mt19937 random(12345);
    int CFileInformation::*kinds[] = {&CFileInformation::bRar,      &CFileInformation::bZip,
                                      &CFileInformation::bSubsPack, &CFileInformation::bNfo,
                                      &CFileInformation::bCover,    &CFileInformation::bSample,
                                      &CFileInformation::bSubtitle};
    for (int nRound = 0; nRound < 2000; ++nRound) {
        std::vector<CFileInformation> arr;
        size_t n = random() % 12;
        for (size_t i = 0; i < n; ++i) {
            arr.push_back(Entry(std::string(1, static_cast<char>('a' + random() % 4)) + std::to_string(i),
                                kinds[random() % 7]));
            arr.back().strPath = arr.back().strPath.substr(0, 1 + random() % 2);  // equal paths happen
        }
        std::vector<CFileInformation> expected = arr;
        BubbleByRule(expected);
        SortWorkList(arr);
        ASSERT_EQ(arr, expected) << "round " << nRound;
    }
}

TEST(WorkListOrderTest, FirstVolumesMatchPairwiseComparisonOnRandomFolders) {
    std::mt19937 random(777);
    const char* bases[] = {"a", "A", "a.party", "x"};
    const char* tails[] = {".rar",       ".RAR",       ".r00",        ".r01",          ".R01",
                           ".000",       ".001",       ".part1.rar",  ".part01.rar",   ".part2.rar",
                           ".PART2.rar", ".part3.RAR", ".part02.rar", ".part0001.rar", ".part10.rar",
                           ".part9.rar", ".Part3.rar"};
    for (int nRound = 0; nRound < 2000; ++nRound) {
        CWorkLists lists;
        std::set<std::pair<std::string, std::string>> seen;
        size_t n = random() % 10;
        for (size_t i = 0; i < n; ++i) {
            RarFiles e{std::string(bases[random() % 4]) + tails[random() % 17], random() % 3 ? "/f/" : "/g/"};
            if (seen.insert({e.strFolder, e.strName}).second) {
                lists.arrRarFiles.push_back(e);
            }
        }
        std::vector<std::string> expected = FirstVolumesByPairs(lists.arrRarFiles);
        SelectFirstVolumes(lists, "/");
        ASSERT_EQ(Paths(lists.arrWork), expected) << "round " << nRound;
    }
}
