#include <gtest/gtest.h>

#include "engine/CItemStates.h"
#include "engine/CJobList.h"
#include "tests/engine/FakeMessageBox.h"

using namespace ItemStates;

namespace {

CListItem MakeItem(const std::string& strPath, const std::string& strType, int nPreset = -1) {
    CListItem item;
    item.strPath = strPath;
    item.strType = strType;
    item.nPreset = nPreset;
    size_t nSlash = strPath.rfind('/');
    item.strParentFolder = nSlash == 0 ? "/" : strPath.substr(0, nSlash);
    if (strType == "folder") {
        item.strFolderName = strPath.substr(nSlash + 1);
    }
    return item;
}

class JobListTest : public ::testing::Test {
protected:
    void SetUp() override {
        list.SetMessageBox(&box);
        list.SetPresets(&arrPresets);
    }
    // Adds items /in/0 ... /in/(n-1) as folders.
    void AddFolders(int n) {
        for (int i = 0; i < n; ++i) {
            list.AddItem(MakeItem("/in/" + std::to_string(i), "folder"));
        }
    }
    std::vector<std::string> RowNames() const {
        std::vector<std::string> arrNames;
        for (int r = 0; r < list.RowCount(); ++r) {
            arrNames.push_back(list.RowText(r, CJobList::COLUMN_NAME));
        }
        return arrNames;
    }

    CFakeMessageBox box;
    std::vector<CPresets> arrPresets;
    CJobList list;
};

}  // namespace

TEST_F(JobListTest, EmptyListFindIndexFailsWithMessage) {
    EXPECT_EQ(list.FindIndex(0), -1);
    ASSERT_EQ(box.arrShown.size(), 1u);
    EXPECT_EQ(box.arrShown[0].first, "Binary search failed!!");
    EXPECT_EQ(box.arrShown[0].second, CMessageBox::EIcon::Error);
    EXPECT_EQ(list.ItemAtRow(0), nullptr);
}

TEST_F(JobListTest, EmptyListRemoveSuccessfulAndResetOnlyRefreshSummary) {
    int nSummary = 0;
    QObject::connect(&list, &CJobList::TraySummaryRefreshRequested, [&] { ++nSummary; });
    EXPECT_TRUE(list.RemoveSuccessful());
    EXPECT_TRUE(list.ResetList());
    EXPECT_EQ(nSummary, 2);
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_TRUE(box.arrShown.empty());
}

TEST_F(JobListTest, AddItemGivesAscendingIdsAndNameColumn) {
    EXPECT_EQ(list.AddItem(MakeItem("/in/Rel One", "folder")), 0);
    EXPECT_EQ(list.AddItem(MakeItem("/in/a.zip", "zip")), 1);
    EXPECT_EQ(list.AddItem(MakeItem("/in/b.part1.rar", "rar"), "custom"), 2);
    EXPECT_EQ(list.Item(0).nId, 0);
    EXPECT_EQ(list.Item(2).nId, 2);
    EXPECT_EQ(RowNames(), (std::vector<std::string>{"Rel One", "a.zip", "custom"}));
    EXPECT_EQ(list.RowImage(0), IMAGE_FOLDER);
    EXPECT_EQ(list.RowImage(1), IMAGE_ZIP);
    EXPECT_EQ(list.RowImage(2), IMAGE_RAR);
    EXPECT_EQ(list.data(list.index(1, 0), CJobList::ItemIdRole).toInt(), 1);
    EXPECT_EQ(list.data(list.index(0, 0)).toString(), QString("Rel One"));
    EXPECT_TRUE(list.IsInList("/in/a.zip"));
    EXPECT_FALSE(list.IsInList("/in/A.zip"));
    EXPECT_FALSE(list.IsInList("/in/a.zip/"));
    EXPECT_THROW(list.Item(3), std::out_of_range);
}

TEST_F(JobListTest, FindIndexFollowsRowsAfterDragReorder) {
    AddFolders(6);
    // Move rows 1 and 3 onto row 5: taken out, then inserted at the index row 5
    // has once they are out, so they land just above it.
    std::vector<int> arrMoved = list.MoveRows({3, 1}, 5);
    EXPECT_EQ(RowNames(), (std::vector<std::string>{"0", "2", "4", "1", "3", "5"}));
    EXPECT_EQ(arrMoved, (std::vector<int>{3, 4}));
    for (int r = 0; r < list.RowCount(); ++r) {
        int nIndex = list.FindIndex(r);
        ASSERT_GE(nIndex, 0);
        EXPECT_EQ(list.Item(nIndex).strPath, "/in/" + list.RowText(r, 0));
    }
    // Move the last row to the top.
    list.MoveRows({5}, 0);
    EXPECT_EQ(RowNames(), (std::vector<std::string>{"5", "0", "2", "4", "1", "3"}));
    EXPECT_EQ(list.Item(list.FindIndex(0)).strPath, "/in/5");
    // Records themselves never move.
    for (int i = 0; i < list.ItemCount(); ++i) {
        EXPECT_EQ(list.Item(i).nId, i);
    }
    EXPECT_TRUE(box.arrShown.empty());
}

TEST_F(JobListTest, DropBelowLastRowAppendsAndDragRefusedWhileProcessing) {
    AddFolders(4);
    EXPECT_EQ(list.MoveRows({0}, -1), (std::vector<int>{3}));
    EXPECT_EQ(RowNames(), (std::vector<std::string>{"1", "2", "3", "0"}));
    list.SetCurrentRow(0);
    EXPECT_TRUE(list.MoveRows({1}, 0).empty());
    EXPECT_EQ(RowNames(), (std::vector<std::string>{"1", "2", "3", "0"}));
}

TEST_F(JobListTest, ClearListRestartsIdsAtZero) {
    AddFolders(3);
    EXPECT_TRUE(list.ClearList());
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_EQ(list.ItemCount(), 0);
    list.AddItem(MakeItem("/x/a", "folder"));
    EXPECT_EQ(list.Item(0).nId, 0);
    list.SetCurrentRow(0);
    EXPECT_FALSE(list.ClearList()) << "clearing while a worker writes the current record";
    EXPECT_EQ(list.RowCount(), 1);
}

TEST_F(JobListTest, RemoveSuccessfulReexaminesTheRowThatMovedUp) {
    AddFolders(5);
    list.SetRowResult(1, COMPLETED, "OK (1ms)", IMAGE_COMPLETED);
    list.SetRowResult(2, COMPLETED, "OK (2ms)", IMAGE_COMPLETED);
    list.SetRowResult(4, FAILED, RESULT_FAILED, IMAGE_FAILED);
    EXPECT_TRUE(list.RemoveSuccessful());
    EXPECT_EQ(RowNames(), (std::vector<std::string>{"0", "3", "4"}));
    for (int r = 0; r < list.RowCount(); ++r) {
        EXPECT_EQ(list.Item(list.FindIndex(r)).strPath, "/in/" + list.RowText(r, 0));
    }
    // New ids stay above all existing ones.
    list.AddItem(MakeItem("/in/new", "folder"));
    EXPECT_EQ(list.Item(list.FindIndex(3)).nId, 5);
}

TEST_F(JobListTest, PruneKeepsOnlyUnfinishedPresetItems) {
    arrPresets.resize(2);
    list.AddItem(MakeItem("/in/a", "folder"));
    list.AddItem(MakeItem("/in/b", "folder", 0));
    list.AddItem(MakeItem("/in/c", "folder", 1));
    list.SetRowResult(2, COMPLETED, "OK (1ms)", IMAGE_COMPLETED);
    EXPECT_TRUE(list.PruneForPresetHandOver());
    EXPECT_EQ(RowNames(), (std::vector<std::string>{"b"}));
}

TEST_F(JobListTest, ResetRowClearsResultsAndRestoresImageByPresetOrType) {
    arrPresets.resize(4);
    list.AddItem(MakeItem("/in/m.rar", "rar", 3));
    list.AddItem(MakeItem("/in/monkey", "folder"));
    EXPECT_EQ(list.RowImage(0), 78);
    EXPECT_EQ(list.RowImage(1), IMAGE_MONKEY);
    CListItem& item = *list.ItemAtRow(0);
    item.arrErrors.push_back("bad\r\n");
    item.arrCleanUp.emplace_back("/x", "", 1);
    item.arrNewFiles.push_back("/o/a.exe");
    item.strTime = "OK (1ms)";
    list.SetRowResult(0, CLEANUP_LEFT, RESULT_CLEANUP_FAILED, IMAGE_CLEANUP_LEFT);
    list.ResetRow(0);
    EXPECT_EQ(list.RowText(0, 1), "");
    EXPECT_TRUE(item.arrErrors.empty() && item.arrCleanUp.empty() && item.arrNewFiles.empty());
    EXPECT_TRUE(item.strStatus.empty() && item.strResult.empty() && item.strTime.empty());
    EXPECT_EQ(list.RowImage(0), 78);
    list.SetPreset(0, -1);
    list.ResetRow(0);
    EXPECT_EQ(list.RowImage(0), IMAGE_RAR);
}

TEST_F(JobListTest, PresetIndexOutsideThePresetListMeansNoPreset) {
    arrPresets.resize(1);
    arrPresets[0].bTest = 1;
    list.AddItem(MakeItem("/in/z.zip", "zip", 5));
    EXPECT_EQ(list.RowImage(0), IMAGE_ZIP);
    list.SetMainOptions(CMainOptions());
    EXPECT_FALSE(list.GetItemOption(CJobList::OPTION_TEST, 0));
    EXPECT_TRUE(list.GetItemOption(CJobList::OPTION_KEEP_NFO, 0));
    EXPECT_TRUE(list.GetItemOption(CJobList::OPTION_OUTPUT_TO_INPUT, 0));  // the item's own flag
    list.SetPreset(0, 0);
    EXPECT_TRUE(list.GetItemOption(CJobList::OPTION_TEST, 0));
    arrPresets.clear();  // the preset was deleted
    EXPECT_FALSE(list.GetItemOption(CJobList::OPTION_TEST, 0));
}

TEST_F(JobListTest, GetItemOptionReadsPresetOrMainOptionsOrCurrentItem) {
    CPresets preset;
    preset.bNfo = 0;
    preset.bSample = 1;
    preset.bCovers = 1;
    preset.bSubs = 0;
    preset.bSubsFolder = 1;
    preset.bCleanUp = 1;
    preset.bMainFolder = 0;
    preset.bOutputToInput = 1;
    arrPresets.push_back(preset);
    list.AddItem(MakeItem("/in/a", "folder"));
    list.AddItem(MakeItem("/in/b", "folder", 0));
    CMainOptions main;
    main.bTest = 1;
    main.bCleanUp = 0;
    list.SetMainOptions(main);
    list.ItemAtRow(0)->bOutputToInput = 0;

    const bool expectMain[10] = {false, true, true, false, false, true, true, false, false, false};
    const bool expectPreset[10] = {false, false, false, true, true, false, false, true, true, true};
    for (int nOption = 1; nOption <= 9; ++nOption) {
        EXPECT_EQ(list.GetItemOption(nOption, 0), expectMain[nOption]) << "option " << nOption;
        EXPECT_EQ(list.GetItemOption(nOption, 1), expectPreset[nOption]) << "option " << nOption;
    }
    EXPECT_FALSE(list.GetItemOption(0, 0));
    EXPECT_FALSE(list.GetItemOption(10, 1));
    // Row -1: the item being processed; none -> false.
    EXPECT_FALSE(list.GetItemOption(CJobList::OPTION_TEST, -1));
    list.SetCurrentRow(1);
    list.SetCurrentIndex(list.FindIndex(1));
    EXPECT_TRUE(list.GetItemOption(CJobList::OPTION_CLEAN_UP, -1));
    EXPECT_TRUE(box.arrShown.empty());
}

TEST_F(JobListTest, SkipOnlyAfterTheRowBeingProcessed) {
    AddFolders(4);
    list.SetCurrentRow(1);
    EXPECT_FALSE(list.SkipRow(0));
    EXPECT_FALSE(list.SkipRow(1));
    EXPECT_TRUE(list.SkipRow(2));
    EXPECT_FALSE(list.SkipSelected({3}));
    EXPECT_EQ(list.RowText(0, 1), "");
    EXPECT_EQ(list.RowText(2, 1), "Skip");
    EXPECT_EQ(list.RowImage(2), IMAGE_SKIP);
    EXPECT_EQ(list.ItemAtRow(2)->strStatus, "Skip");
    EXPECT_EQ(list.ItemAtRow(2)->strResult, "Skip");
    EXPECT_FALSE(list.ResetSelected({2}));
    list.SetCurrentRow(-1);
    EXPECT_TRUE(list.SkipSelected({0, 3}));
    EXPECT_EQ(list.RowText(3, 1), "Skip");
    EXPECT_EQ(list.data(list.index(3, 1), CJobList::TextColourRole).toUInt(), COLOUR_SKIP);
}

TEST_F(JobListTest, ColoursAndReportsFollowTheState) {
    list.AddItem(MakeItem("/in/monkey", "folder"));
    list.AddItem(MakeItem("/in/b", "folder"));
    list.SetRowText(1, CJobList::COLUMN_OUTPUT, OUTPUT_TO_INPUT_MARKER);
    EXPECT_EQ(list.data(list.index(0, 0), CJobList::TextColourRole).toUInt(), COLOUR_MONKEY);
    EXPECT_EQ(list.data(list.index(1, 0), CJobList::TextColourRole).toUInt(), COLOUR_BLACK);
    EXPECT_EQ(list.data(list.index(1, 2), CJobList::TextColourRole).toUInt(), COLOUR_MARKER);
    EXPECT_EQ(list.data(list.index(1, 1), CJobList::BackgroundColourRole).toUInt(), Rgb(255, 255, 224));

    list.SetRowResult(0, FAILED, RESULT_FAILED, IMAGE_FAILED);
    EXPECT_EQ(list.ReportForRow(0), CJobList::EReport::None) << "no error lines";
    list.ItemAtRow(0)->arrErrors.push_back("x\r\n");
    EXPECT_EQ(list.ReportForRow(0), CJobList::EReport::Errors);
    EXPECT_EQ(list.data(list.index(0, 1), CJobList::TextColourRole).toUInt(), Rgb(192, 0, 0));
    list.SetRowResult(1, CLEANUP_LEFT, RESULT_CLEANUP_FAILED, IMAGE_CLEANUP_LEFT);
    list.ItemAtRow(1)->arrCleanUp.emplace_back("/p", "", 1);
    EXPECT_EQ(list.ReportForRow(1), CJobList::EReport::CleanUp);
    EXPECT_EQ(list.data(list.index(1, 1), CJobList::TextColourRole).toUInt(), Rgb(192, 0, 192));
    list.SetRowResult(1, COMPLETED, "OK (3ms)", IMAGE_COMPLETED);
    EXPECT_EQ(list.ReportForRow(1), CJobList::EReport::None);
    EXPECT_EQ(list.data(list.index(1, 1), CJobList::TextColourRole).toUInt(), Rgb(0, 160, 0));
    EXPECT_EQ(StatusColour(COPYING_SAMPLES), Rgb(0, 0, 128));
    EXPECT_EQ(StatusColour(KILLED), Rgb(192, 0, 0));
    EXPECT_EQ(StatusColour(""), Rgb(0, 0, 0));
}

TEST_F(JobListTest, RemoveRowWhileProcessingOnlyAfterCurrentAndKeepsCurrentIndex) {
    AddFolders(4);
    list.MoveRows({0}, -1);  // rows: 1 2 3 0
    list.SetCurrentRow(1);   // item "2"
    list.SetCurrentIndex(list.FindIndex(1));
    EXPECT_FALSE(list.RemoveRow(1));
    EXPECT_FALSE(list.RemoveRow(0));
    EXPECT_TRUE(list.RemoveRow(3));  // item "0": its record lies before the current one
    EXPECT_EQ(list.Item(list.CurrentIndex()).strPath, "/in/2");
}

TEST_F(JobListTest, ElapsedTextGoesToTimeOnlyWhenCleanUpLeftEntries) {
    CListItem item;
    item.strStatus = CLEANUP_LEFT;
    item.strResult = RESULT_CLEANUP_FAILED;
    CJobList::StoreElapsedText(item, "OK (4s7ms)");
    EXPECT_EQ(item.strTime, "OK (4s7ms)");
    EXPECT_EQ(item.strResult, RESULT_CLEANUP_FAILED);
    item.strStatus = COMPLETED;
    CJobList::StoreElapsedText(item, "OK (250ms)");
    EXPECT_EQ(item.strResult, "OK (250ms)");
    EXPECT_EQ(item.strTime, "OK (4s7ms)");
}
