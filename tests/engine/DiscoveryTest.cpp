#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <set>

#include "engine/CDiscovery.h"
#include "engine/CRegisteredMessages.h"
#include "tests/engine/ScratchDir.h"
#include "tests/engine/TestApp.h"

namespace {

class DiscoveryTest : public ::testing::Test {
protected:
    // Scans a folder item at strFolder (default: the temp root) into lists.
    void ScanItem(const std::string& strFolder = std::string(), const std::string& strOutput = "/nowhere") {
        CScanJob job;
        job.strType = "folder";
        job.strItemPath = strFolder.empty() ? dir.Path() : strFolder;
        job.strInputPath = job.strItemPath;
        job.strItemOutput = strOutput;
        job.options = options;
        CDiscovery discovery(job, lists, nullptr);
        if (hook) {
            discovery.SetEntryHook(hook);
        }
        discovery.DiscoverItem();
        SelectFirstVolumes(lists, job.strInputPath);
        SortWorkList(lists.arrWork);
    }
    void CollectItem(const std::string& strType, const std::string& strPath) {
        CScanJob job;
        job.strType = strType;
        job.strItemPath = strPath;
        job.strInputPath = ParentOf(strPath);
        job.strItemOutput = "/nowhere";
        job.options = options;
        CDiscovery(job, lists, nullptr).DiscoverItem();
        SelectFirstVolumes(lists, job.strInputPath);
        SortWorkList(lists.arrWork);
    }
    static std::string ParentOf(const std::string& strPath) { return strPath.substr(0, strPath.rfind('/')); }

    // Names (relative to the temp root) of the work list, in order.
    std::vector<std::string> Work() const {
        std::vector<std::string> arr;
        for (const auto& info : lists.arrWork) {
            arr.push_back(info.strPath.substr(dir.Path().size() + 1));
        }
        return arr;
    }
    std::set<std::string> AllFiles() const {
        std::set<std::string> arr;
        for (const auto& info : lists.arrAllFiles) {
            arr.insert(info.strPath.substr(dir.Path().size() + 1));
        }
        return arr;
    }
    const CFileInformation* Find(const std::vector<CFileInformation>& arr,
                                 const std::string& strRelative) const {
        for (const auto& info : arr) {
            if (info.strPath == dir.Path(strRelative)) {
                return &info;
            }
        }
        return nullptr;
    }
    std::vector<CleanUpInfo> Kind(int nKind) const {
        std::vector<CleanUpInfo> arr;
        for (const auto& entry : lists.arrScanCleanUp) {
            if (entry.nKind == nKind) {
                arr.push_back(entry);
            }
        }
        return arr;
    }

    CScratchDir dir;
    CWorkLists lists;
    CScanOptions options;
    std::function<void(const std::string&)> hook;
};

}  // namespace

TEST_F(DiscoveryTest, NewStyleSetYieldsItsFirstPart) {
    dir.Rar("a.part1.rar");
    dir.Rar("a.part2.rar");
    dir.Rar("a.part3.rar");
    ScanItem();
    EXPECT_EQ(Work(), std::vector<std::string>{"a.part1.rar"});
    EXPECT_EQ(lists.arrRarFiles.size(), 3u);
    EXPECT_EQ(AllFiles().size(), 3u);
}

TEST_F(DiscoveryTest, NewStyleSetWithoutFirstPartYieldsSmallestName) {
    dir.Rar("a.part2.rar");
    dir.Rar("a.part3.rar");
    ScanItem();
    EXPECT_EQ(Work(), std::vector<std::string>{"a.part2.rar"});
}

TEST_F(DiscoveryTest, OldStyleSetsYieldRarThenSmallestExtension) {
    dir.Rar("b.rar");
    dir.Rar("b.r00");
    dir.Rar("b.r01");
    dir.Rar("c.r00");
    dir.Rar("c.r01");
    dir.Rar("d.001");
    dir.Rar("d.002");
    ScanItem();
    EXPECT_EQ(Work(), (std::vector<std::string>{"b.rar", "c.r00", "d.001"}));
}

TEST_F(DiscoveryTest, FourDigitPartsAndPartInsideTheSetName) {
    dir.Rar("Long.part0001.rar");
    dir.Rar("Long.part0002.rar");
    dir.Rar("Some.Party.part2.rar");
    dir.Rar("Some.Party.part3.rar");
    dir.Rar("Some.Partx.part1.rar");
    dir.Rar("Some.Partx.part2.rar");
    ScanItem();
    EXPECT_EQ(Work(), (std::vector<std::string>{"Long.part0001.rar", "Some.Partx.part1.rar",
                                                "Some.Party.part2.rar"}));
}

TEST_F(DiscoveryTest, SetsInDifferentFoldersAreChosenSeparately) {
    dir.Rar("CD1/x.part2.rar");
    dir.Rar("CD2/x.part1.rar");
    dir.Rar("CD2/x.part2.rar");
    ScanItem();
    EXPECT_EQ(Work(), (std::vector<std::string>{"CD1/x.part2.rar", "CD2/x.part1.rar"}));
    EXPECT_EQ(lists.arrWork[0].strFolder, dir.Path("CD1/"));
}

TEST_F(DiscoveryTest, RarSetInSubsFolderIsSubtitlePack) {
    dir.Rar("Rel/Subs/rel.subs.rar");
    dir.File("Rel/Subs/rel.subs.sfv");
    ScanItem(dir.Path("Rel"));
    ASSERT_EQ(lists.arrWork.size(), 1u);
    EXPECT_EQ(lists.arrWork[0].bSubsPack, 1);
    EXPECT_EQ(lists.arrWork[0].bRar, 0);
    const CFileInformation* pSfv = Find(lists.arrAllFiles, "Rel/Subs/rel.subs.sfv");
    ASSERT_NE(pSfv, nullptr);
    EXPECT_EQ(pSfv->bSubsPack, 1);
    // Nothing else to extract: with Subs off the driver finds no archive.
    EXPECT_TRUE(std::none_of(lists.arrWork.begin(), lists.arrWork.end(),
                             [](const CFileInformation& f) { return f.bRar || f.bZip; }));
}

TEST_F(DiscoveryTest, MarkerFoldersAboveTheItemAreIgnored) {
    options.bCovers = 1;
    options.bCleanUp = 1;
    dir.Rar("sub/covers/Rel/movie.rar");
    dir.File("sub/covers/Rel/front.jpg");
    dir.File("sub/covers/Rel/Covers/back.jpg");
    ScanItem(dir.Path("sub/covers/Rel"));
    EXPECT_EQ(Work(),
              (std::vector<std::string>{"sub/covers/Rel/movie.rar", "sub/covers/Rel/Covers/back.jpg"}));
    EXPECT_EQ(lists.arrWork[0].bRar, 1) << "not a subtitle pack because of /sub/ above the item";
    ASSERT_EQ(Kind(1).size(), 1u);
    EXPECT_EQ(Kind(1)[0].strPath, dir.Path("sub/covers/Rel/front.jpg"));
    EXPECT_EQ(Find(lists.arrAllFiles, "sub/covers/Rel/front.jpg"), nullptr);
}

TEST_F(DiscoveryTest, SignatureFindsOddExtensionsButNotRejectedOnes) {
    dir.Rar("x.abc");
    dir.Rar("movie.mkv");
    dir.File("x.r01-OFFLINE", "junk");
    dir.Rar("y.r01-OFFLINE");
    ScanItem();
    EXPECT_EQ(Work(), std::vector<std::string>{"x.abc"});
    EXPECT_EQ(Find(lists.arrAllFiles, "x.r01-OFFLINE")->bJunk, 1);
    EXPECT_EQ(Find(lists.arrAllFiles, "y.r01-OFFLINE")->bJunk, 1);
    EXPECT_EQ(Find(lists.arrAllFiles, "movie.mkv"), nullptr);
}

TEST_F(DiscoveryTest, ClassifiesCompanionsAndKeepsTheRestWithCleanUp) {
    options.bSubs = 1;
    options.bSample = 1;
    options.bCovers = 1;
    options.bCleanUp = 1;
    dir.File("r.nfo");
    dir.File("r.zip", "PK");
    dir.File("r.srt");
    dir.File("Sample/r-sample.mkv");
    dir.File("Sample/r.txt");
    dir.File("Covers/front.jpg");
    dir.File("Covers/c.sfv");
    dir.File("Covers/c.png");
    dir.File("Subs/s.sfv");
    dir.File("Subs/readme.txt");
    dir.File("r.sfv");
    dir.File("file_id.diz");
    dir.File("other.txt");
    ScanItem();
    EXPECT_EQ(Work(), (std::vector<std::string>{"r.zip", "r.nfo", "Covers/front.jpg", "Sample/r-sample.mkv",
                                                "r.srt"}));
    EXPECT_EQ(AllFiles(),
              (std::set<std::string>{"r.nfo", "r.zip", "r.srt", "Sample/r-sample.mkv", "Covers/front.jpg",
                                     "Covers/c.sfv", "Subs/s.sfv", "r.sfv", "file_id.diz"}));
    EXPECT_EQ(Find(lists.arrAllFiles, "Covers/c.sfv")->bCover, 1);
    EXPECT_EQ(Find(lists.arrAllFiles, "r.sfv")->bJunk, 1);
    std::set<std::string> kept;
    for (const auto& e : Kind(1)) {
        kept.insert(e.strPath.substr(dir.Path().size() + 1));
        EXPECT_EQ(e.strMessage, "");
    }
    EXPECT_EQ(kept, (std::set<std::string>{"Sample/r.txt", "Covers/c.png", "Subs/readme.txt", "other.txt"}));
    ASSERT_EQ(lists.arrZipFiles.size(), 1u);
    EXPECT_EQ(lists.arrZipFiles[0].strName, "r.zip");
    EXPECT_EQ(lists.arrZipFiles[0].strFolder, dir.Path() + "/");
}

TEST_F(DiscoveryTest, OptionsOffLeaveExtrasOutOfTheWorkList) {
    dir.File("r.srt");
    dir.File("Sample/s.avi");
    dir.File("Covers/f.jpg");
    dir.File("other.txt");
    ScanItem();
    EXPECT_TRUE(lists.arrWork.empty());
    EXPECT_EQ(AllFiles().size(), 3u);
    EXPECT_TRUE(lists.arrScanCleanUp.empty()) << "kind 1 only with Clean up on";
}

TEST_F(DiscoveryTest, RecordsCarryFolderPartAndLow32BitsOfSize) {
    dir.File("a.nfo/a.nfo", "12345");
    std::string strBig = dir.File("big.zip", "");
    ASSERT_EQ(truncate(strBig.c_str(), (int64_t(1) << 32) + 7), 0);  // sparse
    dir.Rar("v.rar");
    ScanItem();
    const CFileInformation* pNfo = Find(lists.arrAllFiles, "a.nfo/a.nfo");
    ASSERT_NE(pNfo, nullptr);
    EXPECT_EQ(pNfo->strFolder, dir.Path("a.nfo/"));
    EXPECT_EQ(pNfo->nSize, 5u);
    EXPECT_EQ(Find(lists.arrAllFiles, "big.zip")->nSize, 7u);
    EXPECT_EQ(Find(lists.arrAllFiles, "v.rar")->nSize, 18u);
    EXPECT_EQ(Find(lists.arrWork, "v.rar")->nSize, 18u);
}

TEST_F(DiscoveryTest, FoldersListedAndItemFolderOnlyWhenOutputElsewhere) {
    dir.File("A/B/x.txt");
    dir.Folder("C");
    ScanItem();
    std::set<std::string> folders(lists.arrFolders.begin(), lists.arrFolders.end());
    EXPECT_EQ(folders, (std::set<std::string>{dir.Path(), dir.Path("A"), dir.Path("A/B"), dir.Path("C")}));
    lists.Clear();
    ScanItem(dir.Path(), dir.Path());
    EXPECT_EQ(std::count(lists.arrFolders.begin(), lists.arrFolders.end(), dir.Path()), 0);
    EXPECT_EQ(lists.arrFolders.size(), 3u);
}

TEST_F(DiscoveryTest, FifoAndDanglingLinkGiveKindTwoAndNeverBlock) {
    dir.Rar("a.rar");
    ASSERT_EQ(mkfifo(dir.Path("pipe.rar").c_str(), 0600), 0);
    ASSERT_EQ(symlink(dir.Path("gone.zip").c_str(), dir.Path("dangling.zip").c_str()), 0);
    auto start = std::chrono::steady_clock::now();
    ScanItem();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(Work(), std::vector<std::string>{"a.rar"});
    std::set<std::string> messages;
    for (const auto& e : Kind(2)) {
        messages.insert(e.strMessage);
    }
    EXPECT_EQ(messages, (std::set<std::string>{dir.Path("pipe.rar") + ": Not a regular file",
                                               dir.Path("dangling.zip") + ": No such file or directory"}));
}

TEST_F(DiscoveryTest, FileRemovedDuringScanGivesKindTwoAndScanGoesOn) {
    dir.File("one.nfo");
    dir.File("two.nfo");
    dir.File("three.nfo");
    std::string strVictim;
    hook = [&](const std::string& strPath) {
        if (strVictim.empty()) {
            strVictim = strPath;
            unlink(strPath.c_str());
        }
    };
    ScanItem();
    ASSERT_EQ(Kind(2).size(), 1u);
    EXPECT_EQ(Kind(2)[0].strPath, strVictim);
    EXPECT_EQ(Kind(2)[0].strMessage, strVictim + ": No such file or directory");
    EXPECT_EQ(lists.arrWork.size(), 2u);
}

TEST_F(DiscoveryTest, ScanThatFailsMidwayLeavesAnErrorLineForTheItem) {
    dir.File("a.part1.rar", "Rar!");
    dir.File("b.nfo");
    dir.File("c.nfo");
    int nSeen = 0;
    hook = [&](const std::string&) {
        if (++nSeen == 2)
            throw std::bad_alloc();
    };
    ScanItem();
    const std::string strLine = "The scan of " + dir.Path() + " failed: std::bad_alloc\r\n";
    ASSERT_TRUE(lists.bScanFailed);
    EXPECT_EQ(lists.arrScanErrors, std::vector<std::string>{strLine});
    // Handed to the item with the clean-up entries: the item fails instead of extracting
    // (and cleaning up) from half a scan.
    CListItem item;
    lists.TakeScanCleanUp(item);
    EXPECT_EQ(item.arrErrors, std::vector<std::string>{strLine});
    EXPECT_TRUE(lists.arrScanErrors.empty());
}

TEST_F(DiscoveryTest, LinkedFoldersAreNotFollowedAndLinkedFilesNeverDeletable) {
    options.bCleanUp = 1;
    CScratchDir outside;
    outside.File("precious.nfo");
    outside.File("archive.zip", "PK");
    dir.File("Rel/r.nfo");
    ASSERT_EQ(symlink(dir.Path("Rel").c_str(), dir.Path("Rel/loop").c_str()), 0);
    ASSERT_EQ(symlink(outside.Path().c_str(), dir.Path("Rel/elsewhere").c_str()), 0);
    ASSERT_EQ(symlink(outside.Path("archive.zip").c_str(), dir.Path("Rel/linked.zip").c_str()), 0);
    ScanItem(dir.Path("Rel"));
    EXPECT_EQ(AllFiles(), std::set<std::string>{"Rel/r.nfo"});
    EXPECT_EQ(lists.arrFolders, std::vector<std::string>{dir.Path("Rel")});
    // The linked archive is still extracted, but left in place afterwards.
    EXPECT_EQ(Work(), (std::vector<std::string>{"Rel/linked.zip", "Rel/r.nfo"}));
    std::set<std::string> kept;
    for (const auto& e : Kind(1)) {
        kept.insert(e.strPath.substr(dir.Path().size() + 1));
    }
    EXPECT_EQ(kept, (std::set<std::string>{"Rel/loop", "Rel/elsewhere", "Rel/linked.zip"}));
}

TEST_F(DiscoveryTest, NamesAreHandledAsPlainBytes) {
    const std::string strLong(251, 'n');
    const std::string arrNames[] = {"with blank.nfo", "quote\"and'.nfo",
                                    "bad\xff\xfe"
                                    "bytes.nfo",
                                    "\xc3\xa9t\xc3\xa9.nfo", strLong + ".nfo"};
    for (const auto& strName : arrNames) {
        dir.File(strName);
    }
    ScanItem();
    ASSERT_EQ(lists.arrWork.size(), 5u);
    const std::vector<std::string> arrWork = Work();
    std::set<std::string> found(arrWork.begin(), arrWork.end());
    for (const auto& strName : arrNames) {
        EXPECT_EQ(found.count(strName), 1u) << strName;
    }
    EXPECT_TRUE(lists.arrScanCleanUp.empty());
}

TEST_F(DiscoveryTest, CollectRarItemTakesOnlyVolumesOfItsSet) {
    std::string strItem = dir.Rar("Movie.rar");
    dir.Rar("Movie.r00");
    dir.Rar("Movie.r01");
    dir.Rar("Movie.Extras.rar");
    dir.Rar("Movie.part1.rar");
    dir.File("Movie.nfo");
    ASSERT_EQ(mkfifo(dir.Path("Movie.r02").c_str(), 0600), 0);
    CollectItem("rar", strItem);
    EXPECT_EQ(AllFiles(), (std::set<std::string>{"Movie.rar", "Movie.r00", "Movie.r01"}));
    EXPECT_EQ(Work(), std::vector<std::string>{"Movie.rar"});
    for (const auto& info : lists.arrAllFiles) {
        EXPECT_EQ(info.nSize, 18u) << "clean-up compares the size";
        EXPECT_EQ(info.strFolder, dir.Path() + "/");
        EXPECT_EQ(info.bRar, 1);
    }
    ASSERT_EQ(Kind(2).size(), 1u);
    EXPECT_EQ(Kind(2)[0].strPath, dir.Path("Movie.r02"));
}

TEST_F(DiscoveryTest, CollectNewStyleItemDoesNotCutAtPartInsideName) {
    std::string strItem = dir.Rar("Some.Party.part2.rar");
    dir.Rar("Some.Party.part1.rar");
    dir.Rar("Some.Party.part3.rar");
    dir.Rar("Some.Party.Extras.rar");
    dir.Rar("Some.part1.rar");
    CollectItem("rar", strItem);
    EXPECT_EQ(AllFiles(), (std::set<std::string>{"Some.Party.part1.rar", "Some.Party.part2.rar",
                                                 "Some.Party.part3.rar"}));
    EXPECT_EQ(Work(), std::vector<std::string>{"Some.Party.part1.rar"});
}

TEST_F(DiscoveryTest, CollectZipItemTakesTheFileOrReportsAFifo) {
    std::string strZip = dir.File("one two.zip", "PK12");
    CollectItem("zip", strZip);
    ASSERT_EQ(lists.arrWork.size(), 1u);
    EXPECT_EQ(lists.arrWork[0].strPath, strZip);
    EXPECT_EQ(lists.arrWork[0].strFolder, dir.Path() + "/");
    EXPECT_EQ(lists.arrWork[0].nSize, 4u);
    EXPECT_EQ(lists.arrAllFiles.size(), 1u);
    EXPECT_EQ(lists.arrZipFiles[0].strName, "one two.zip");

    lists.Clear();
    ASSERT_EQ(mkfifo(dir.Path("pipe.zip").c_str(), 0600), 0);
    CollectItem("zip", dir.Path("pipe.zip"));
    EXPECT_TRUE(lists.arrWork.empty());
    ASSERT_EQ(Kind(2).size(), 1u);
    EXPECT_EQ(Kind(2)[0].strMessage, dir.Path("pipe.zip") + ": Not a regular file");
}

TEST_F(DiscoveryTest, CleanUpEntriesMoveIntoTheItemOnFinish) {
    options.bCleanUp = 1;
    dir.File("keep.txt");
    dir.Rar("a.part2.rar");
    CScanJob job;
    job.strType = "folder";
    job.strItemPath = job.strInputPath = dir.Path();
    job.options = options;
    CDiscovery(job, lists, nullptr).DiscoverItem();
    CListItem item;
    item.arrCleanUp.emplace_back("/earlier", "", 3);
    FinishDiscovery(lists, item, dir.Path());
    ASSERT_EQ(item.arrCleanUp.size(), 2u);
    EXPECT_EQ(item.arrCleanUp[1].strPath, dir.Path("keep.txt"));
    EXPECT_TRUE(lists.arrScanCleanUp.empty());
    EXPECT_EQ(Work(), std::vector<std::string>{"a.part2.rar"});
}

TEST_F(DiscoveryTest, WorkerPostsScanDoneAndKillStopsTheScan) {
    EnsureTestApp();
    for (int i = 0; i < 50; ++i) {
        dir.File("f" + std::to_string(i) + ".nfo");
    }
    struct CTarget : QObject {
        int nDone = 0;
        bool event(QEvent* e) override {
            if (e->type() == CRegisteredMessages::Get().UWM_SCAN_DONE) {
                ++nDone;
                return true;
            }
            return QObject::event(e);
        }
    } target;
    CScanJob job;
    job.strType = "folder";
    job.strItemPath = job.strInputPath = dir.Path();
    std::atomic<int> bKill{0};
    CDiscoveryWorker worker;
    worker.Start(&target, job, lists, &bKill);
    worker.Wait();
    QCoreApplication::processEvents();
    EXPECT_EQ(target.nDone, 1);
    EXPECT_EQ(lists.arrWork.size(), 50u);

    lists.Clear();
    bKill = 1;
    worker.Start(&target, job, lists, &bKill);
    worker.Wait();
    QCoreApplication::processEvents();
    EXPECT_EQ(target.nDone, 2);
    EXPECT_TRUE(lists.arrWork.empty());
}
