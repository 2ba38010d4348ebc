// "&Delete remaining" of the clean-up report on real files: only inside the item's input
// folder, never in an output folder below it, never through a link, and the row agrees
// with the record afterwards.

#include <gtest/gtest.h>
#include <unistd.h>

#include "DriverTestFiles.h"
#include "TestApp.h"
#include "engine/CItemStates.h"
#include "engine/CJobList.h"
#include "engine/CleanUp.h"

using namespace ItemStates;

namespace {

class DeleteRemainingTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureTestApp();
        strRel = tmp / "Rel";
        strOutside = tmp / "Outside";
        WriteFile(strRel + "/left.txt", "left");
        WriteFile(strRel + "/Extras/notes.txt", "notes");
        WriteFile(strOutside + "/precious.txt", "precious");
    }

    // A folder item that ended "Cleanup failed" with the given entries and output folder.
    int AddLeftItem(const std::vector<CleanUpInfo>& arrEntries, const std::string& strOutput) {
        CListItem item;
        item.strType = "folder";
        item.strPath = strRel;
        item.strParentFolder = tmp.strPath;
        list.AddItem(item);
        const int nRow = list.RowCount() - 1;
        const int nId = list.RowId(nRow);
        CListItem* pItem = list.ItemById(nId);
        pItem->arrCleanUp = arrEntries;
        pItem->strRunOutputFolder = strOutput;
        pItem->bHasRun = 1;
        pItem->strTime = "OK (1s5ms)";
        list.SetRowResult(nRow, CLEANUP_LEFT, RESULT_CLEANUP_FAILED, IMAGE_CLEANUP_LEFT);
        return nId;
    }

    CTempFolder tmp;
    std::string strRel;
    std::string strOutside;
    CJobList list;
};

}  // namespace

TEST_F(DeleteRemainingTest, DeletesTheEntriesAndTheRowBecomesCompleted) {
    const int nId = AddLeftItem(
        {CleanUpInfo(strRel + "/left.txt", "", 1), CleanUpInfo(strRel + "/Extras/notes.txt", "", 1),
         CleanUpInfo(strRel, "", 3), CleanUpInfo(strRel + "/Extras", "", 3)},
        tmp / "Out");
    int nTrayRefreshes = 0;
    QObject::connect(&list, &CJobList::TraySummaryRefreshRequested, [&] { ++nTrayRefreshes; });
    EXPECT_EQ(DeleteRemainingForItem(list, nId, false), EDeleteRemaining::Deleted);
    EXPECT_FALSE(Exists(strRel));  // files first, then the folders deepest first
    const CListItem* pItem = list.ItemById(nId);
    EXPECT_TRUE(pItem->arrCleanUp.empty());
    EXPECT_EQ(pItem->strStatus, COMPLETED);
    EXPECT_EQ(pItem->strResult, "OK (1s5ms)");
    EXPECT_EQ(list.RowText(list.FindRowById(nId), CJobList::COLUMN_RESULT), "OK (1s5ms)");
    EXPECT_EQ(list.RowImage(list.FindRowById(nId)), IMAGE_COMPLETED);
    EXPECT_EQ(nTrayRefreshes, 1);
}

TEST_F(DeleteRemainingTest, NeverDeletesThroughALinkedFolder) {
    ASSERT_EQ(symlink(strOutside.c_str(), (strRel + "/Linked").c_str()), 0);
    const int nId = AddLeftItem({CleanUpInfo(strRel + "/Linked/precious.txt", "", 1)}, tmp / "Out");
    EXPECT_EQ(DeleteRemainingForItem(list, nId, false), EDeleteRemaining::PartlyDeleted);
    EXPECT_EQ(ReadFile(strOutside + "/precious.txt"), "precious");
    const CListItem* pItem = list.ItemById(nId);
    ASSERT_EQ(pItem->arrCleanUp.size(), 1u);
    EXPECT_EQ(pItem->strStatus, CLEANUP_LEFT);
    EXPECT_EQ(list.RowText(list.FindRowById(nId), CJobList::COLUMN_RESULT), RESULT_CLEANUP_FAILED);
}

TEST_F(DeleteRemainingTest, ALinkEntryGoesButNotWhatItPointsAt) {
    ASSERT_EQ(symlink((strOutside + "/precious.txt").c_str(), (strRel + "/movie.nfo").c_str()), 0);
    ASSERT_EQ(symlink(strOutside.c_str(), (strRel + "/Dir").c_str()), 0);
    const int nId = AddLeftItem(
        {CleanUpInfo(strRel + "/movie.nfo", "", 1), CleanUpInfo(strRel + "/Dir", "", 3)}, tmp / "Out");
    const EDeleteRemaining result = DeleteRemainingForItem(list, nId, false);
    EXPECT_FALSE(Exists(strRel + "/movie.nfo"));
    EXPECT_EQ(ReadFile(strOutside + "/precious.txt"), "precious");
    // A linked folder is not emptied: as a folder entry it is refused and stays.
    EXPECT_TRUE(Exists(strRel + "/Dir"));
    EXPECT_EQ(result, EDeleteRemaining::PartlyDeleted);
}

TEST_F(DeleteRemainingTest, NothingOutsideTheInputFolderIsDeleted) {
    const int nId = AddLeftItem({CleanUpInfo(strOutside + "/precious.txt", "", 1),
                                 CleanUpInfo(strRel + "/../Outside/precious.txt", "", 2)},
                                tmp / "Out");
    EXPECT_EQ(DeleteRemainingForItem(list, nId, false), EDeleteRemaining::PartlyDeleted);
    EXPECT_EQ(ReadFile(strOutside + "/precious.txt"), "precious");
    EXPECT_EQ(list.ItemById(nId)->arrCleanUp.size(), 2u);
}

TEST_F(DeleteRemainingTest, NothingInsideAnOutputFolderBelowTheInputIsDeleted) {
    WriteFile(strRel + "/Out/movie.mkv", "extracted");
    const int nId =
        AddLeftItem({CleanUpInfo(strRel + "/Out/movie.mkv", "", 1), CleanUpInfo(strRel + "/Out", "", 3),
                     CleanUpInfo(strRel + "/left.txt", "", 1)},
                    strRel + "/Out");
    EXPECT_EQ(DeleteRemainingForItem(list, nId, false), EDeleteRemaining::PartlyDeleted);
    EXPECT_EQ(ReadFile(strRel + "/Out/movie.mkv"), "extracted");
    EXPECT_FALSE(Exists(strRel + "/left.txt"));
    EXPECT_EQ(list.ItemById(nId)->arrCleanUp,
              (std::vector<CleanUpInfo>{CleanUpInfo(strRel + "/Out/movie.mkv", "", 1),
                                        CleanUpInfo(strRel + "/Out", "", 3)}));
}

TEST_F(DeleteRemainingTest, RefusedWhileTheItemIsProcessedAndForUnknownOrUnfinishedItems) {
    const int nId = AddLeftItem({CleanUpInfo(strRel + "/left.txt", "", 1)}, tmp / "Out");
    list.SetCurrentRow(list.FindRowById(nId));
    EXPECT_EQ(DeleteRemainingForItem(list, nId, true), EDeleteRemaining::ItemBusy);
    EXPECT_TRUE(Exists(strRel + "/left.txt"));
    list.SetCurrentRow(-1);
    EXPECT_EQ(DeleteRemainingForItem(list, nId + 100, false), EDeleteRemaining::NoSuchItem);

    // A failed item keeps its archives and leftovers whatever its entries say.
    const int nFailed = AddLeftItem({CleanUpInfo(strRel + "/left.txt", "", 1)}, tmp / "Out");
    list.SetRowResult(list.FindRowById(nFailed), FAILED, RESULT_FAILED, IMAGE_FAILED);
    EXPECT_EQ(DeleteRemainingForItem(list, nFailed, false), EDeleteRemaining::NothingToDelete);
    EXPECT_TRUE(Exists(strRel + "/left.txt"));

    // Another item being processed does not stop this one.
    list.SetCurrentRow(list.FindRowById(nFailed));
    EXPECT_EQ(DeleteRemainingForItem(list, nId, true), EDeleteRemaining::Deleted);
    EXPECT_FALSE(Exists(strRel + "/left.txt"));
}

TEST_F(DeleteRemainingTest, EntriesAlreadyGoneCountAsDone) {
    const int nId = AddLeftItem(
        {CleanUpInfo(strRel + "/gone.txt", "", 2), CleanUpInfo(strRel + "/GoneDir", "", 3)}, tmp / "Out");
    EXPECT_EQ(DeleteRemainingForItem(list, nId, false), EDeleteRemaining::Deleted);
    EXPECT_EQ(list.ItemById(nId)->strStatus, COMPLETED);
}
