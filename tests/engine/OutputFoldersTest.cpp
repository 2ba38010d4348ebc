#include <gtest/gtest.h>

#include "engine/CItemStates.h"
#include "engine/COutputFolders.h"
#include "tests/engine/FakeMessageBox.h"
#include "tests/engine/ScratchDir.h"

using namespace ItemStates;

namespace {

CListItem Folder(const std::string& strPath) {
    CListItem item;
    item.strPath = strPath;
    item.strType = "folder";
    item.strParentFolder = ParentFolderOf(strPath);
    item.strFolderName = FileNameOf(strPath);
    return item;
}

CListItem Archive(const std::string& strPath, const std::string& strType) {
    CListItem item;
    item.strPath = strPath;
    item.strType = strType;
    item.strParentFolder = ParentFolderOf(strPath);
    return item;
}

class OutputFoldersTest : public ::testing::Test {
protected:
    void SetUp() override {
        list.SetMessageBox(&box);
        list.SetPresets(&arrPresets);
        main.bMainFolder = 0;
        list.SetMainOptions(main);
    }
    void SetKeepFolder(int bOn) {
        main.bMainFolder = bOn;
        list.SetMainOptions(main);
    }

    CFakeMessageBox box;
    std::vector<CPresets> arrPresets;
    CSettings settings;
    CMainOptions main;
    CJobList list;
    COutputFolders output{list, settings};
};

}  // namespace

TEST(NormalizePathTest, CollapsesDoubledSeparatorsOnceAndKeepsNetworkPair) {
    EXPECT_EQ(NormalizePath("//server/share//out"), "//server/share/out");
    EXPECT_EQ(NormalizePath("/a///b"), "/a//b");
    EXPECT_EQ(NormalizePath("/a////b"), "/a//b");
    EXPECT_EQ(NormalizePath("/out//"), "/out/");
    EXPECT_EQ(NormalizePath("/plain/path"), "/plain/path");
    EXPECT_EQ(NormalizePath(""), "");
    EXPECT_EQ(NormalizePath("/"), "/");
    EXPECT_EQ(NormalizePath(OUTPUT_TO_INPUT_MARKER), OUTPUT_TO_INPUT_MARKER);
}

TEST(NormalizePathTest, SeparatorAndFolderAvailability) {
    EXPECT_EQ(SeparatorFor("/out/"), "");
    EXPECT_EQ(SeparatorFor("/out"), "/");
    EXPECT_EQ(SeparatorFor(""), "/");
    CScratchDir dir;
    EXPECT_TRUE(IsFolderAvailable(dir.Path()));
    EXPECT_FALSE(IsFolderAvailable(dir.File("file")));
    EXPECT_FALSE(IsFolderAvailable(dir.Path("missing")));
    EXPECT_FALSE(IsFolderAvailable(""));
    EXPECT_TRUE(IsFolderAvailable("//nas/share"));
}

TEST_F(OutputFoldersTest, NoPresetNoHistoryExtractsIntoInputFolder) {
    int nRow = output.AddItem(Folder("/in/Rel"));
    const CListItem& item = *list.ItemAtRow(nRow);
    EXPECT_EQ(item.bOutputToInput, 1);
    EXPECT_EQ(item.strOutputFolder, "/in/Rel");
    EXPECT_EQ(output.ResolveOutputFolder(nRow), "/in/Rel");
    EXPECT_EQ(list.RowText(nRow, CJobList::COLUMN_OUTPUT), OUTPUT_TO_INPUT_MARKER);
    EXPECT_EQ(output.GetShownOutputFolder(nRow), OUTPUT_TO_INPUT_MARKER);
}

TEST_F(OutputFoldersTest, FirstHistoryEntryBecomesTheOutputAndKeepFolderAppendsName) {
    settings.arrHistory = {"/out", "/older"};
    int nRow = output.AddItem(Folder("/e/Rel/Movie"));
    const CListItem& item = *list.ItemAtRow(nRow);
    EXPECT_EQ(item.strOutputFolder, "/out");
    EXPECT_EQ(item.bOutputToInput, 0);
    EXPECT_EQ(list.RowText(nRow, CJobList::COLUMN_OUTPUT), "/out");
    SetKeepFolder(1);
    output.RefreshAfterKeepFolderChange();
    EXPECT_EQ(output.ResolveOutputFolder(nRow), "/out/Movie");
    EXPECT_EQ(list.RowText(nRow, CJobList::COLUMN_OUTPUT), "/out/Movie");
}

TEST_F(OutputFoldersTest, RootHistoryEntryAddsNoDoubledSeparator) {
    settings.arrHistory = {"/"};
    SetKeepFolder(1);
    int nRow = output.AddItem(Folder("/e/X"));
    EXPECT_EQ(output.ResolveOutputFolder(nRow), "/X");
    settings.arrHistory = {"/out//"};
    int nOther = output.AddItem(Folder("/e/Y"));
    EXPECT_EQ(list.ItemAtRow(nOther)->strOutputFolder, "/out/");
    EXPECT_EQ(output.ResolveOutputFolder(nOther), "/out/Y");
}

TEST_F(OutputFoldersTest, ZipItemUsesParentAndKeepFolderOnlyForFolders) {
    int nRow = output.AddItem(Archive("/e/a.zip", "zip"));
    EXPECT_EQ(output.ResolveOutputFolder(nRow), "/e");
    int nRoot = output.AddItem(Archive("/a.zip", "zip"));
    EXPECT_EQ(output.ResolveOutputFolder(nRoot), "/");
    SetKeepFolder(1);
    output.ChooseBrowsedFolder({nRow}, "/browsed");
    EXPECT_EQ(output.ResolveOutputFolder(nRow), "/browsed");
    EXPECT_EQ(list.RowText(nRow, CJobList::COLUMN_OUTPUT), "/browsed");
    // The shown folder appends the (empty) name for every type.
    EXPECT_EQ(output.GetShownOutputFolder(nRow), "/browsed/");
}

TEST_F(OutputFoldersTest, MainTestOptionResolvesToNothingAndEmptiesColumn) {
    int nRow = output.AddItem(Folder("/in/Rel"));
    main.bTest = 1;
    list.SetMainOptions(main);
    output.RefreshAllOutputColumns();
    EXPECT_EQ(output.ResolveOutputFolder(nRow), "");
    EXPECT_EQ(output.GetShownOutputFolder(nRow), "");
    EXPECT_EQ(list.RowText(nRow, CJobList::COLUMN_OUTPUT), "");
}

TEST_F(OutputFoldersTest, ProcessedRowShowsEmptyOutputCell) {
    int nRow = output.AddItem(Folder("/in/Rel"));
    list.SetRowResult(nRow, COMPLETED, "OK (1ms)", IMAGE_COMPLETED);
    output.RefreshOutputColumn(nRow);
    EXPECT_EQ(list.RowText(nRow, CJobList::COLUMN_OUTPUT), "");
    EXPECT_EQ(output.ResolveOutputFolder(nRow), "/in/Rel");
}

TEST_F(OutputFoldersTest, HistoryStaysUniqueNewestFirstAndAtMostTen) {
    int nRow = output.AddItem(Folder("/in/Rel"));
    output.ChooseBrowsedFolder({nRow}, "/o1");
    output.ChooseBrowsedFolder({nRow}, "/o1");
    EXPECT_EQ(settings.arrHistory, std::vector<std::string>{"/o1"});
    for (int i = 2; i <= 11; ++i) {
        output.ChooseBrowsedFolder({nRow}, "/o" + std::to_string(i));
    }
    ASSERT_EQ(settings.arrHistory.size(), 10u);
    EXPECT_EQ(settings.arrHistory.front(), "/o11");
    EXPECT_EQ(settings.arrHistory.back(), "/o2");
    output.ChooseBrowsedFolder({nRow}, "/o5");
    EXPECT_EQ(settings.arrHistory.size(), 9u) << "the last was dropped before the duplicate went";
    EXPECT_EQ(settings.arrHistory[0], "/o5");
    EXPECT_EQ(std::count(settings.arrHistory.begin(), settings.arrHistory.end(), "/o5"), 1);
    EXPECT_EQ(settings.bOutputToInput, 0);
    EXPECT_EQ(list.ItemAtRow(nRow)->bOutputToInput, 0);
}

TEST_F(OutputFoldersTest, BrowsedFolderIsNormalizedForItemsButKeptRawInHistory) {
    int nRow = output.AddItem(Folder("/in/Rel"));
    output.ChooseBrowsedFolder({nRow}, "//nas/share//out");
    EXPECT_EQ(list.ItemAtRow(nRow)->strOutputFolder, "//nas/share/out");
    EXPECT_EQ(settings.arrHistory.front(), "//nas/share//out");
    output.ChooseBrowsedFolder({nRow}, "");
    EXPECT_EQ(settings.arrHistory.size(), 1u) << "an empty dialog result changes nothing";
}

TEST_F(OutputFoldersTest, HistoryEntryMovesToFrontAndRemovesPresets) {
    arrPresets.resize(2);
    arrPresets[1].bTest = 1;
    settings.arrHistory = {"/a", "/b", "/c"};
    settings.bOutputToInput = 1;
    CListItem item = Folder("/in/Rel");
    item.nPreset = 1;
    int nRow = output.AddItem(item);
    EXPECT_EQ(list.RowImage(nRow), 76);
    EXPECT_EQ(output.ResolveOutputFolder(nRow), "");
    output.ChooseHistoryEntry({nRow}, 2);
    EXPECT_EQ(settings.arrHistory, (std::vector<std::string>{"/c", "/a", "/b"}));
    EXPECT_EQ(settings.bOutputToInput, 0);
    const CListItem& rec = *list.ItemAtRow(nRow);
    EXPECT_EQ(rec.nPreset, -1);
    EXPECT_EQ(rec.strOutputFolder, "/c");
    EXPECT_EQ(list.RowImage(nRow), IMAGE_FOLDER);
    EXPECT_EQ(output.ResolveOutputFolder(nRow), "/c");
    output.ChooseHistoryEntry({nRow}, 7);
    EXPECT_EQ(settings.arrHistory.size(), 3u);
}

TEST_F(OutputFoldersTest, InputFolderChoiceKeepsOwnFolderAndSetsGlobalFlag) {
    settings.arrHistory = {"/out"};
    int nRow = output.AddItem(Archive("/in/x.rar", "rar"));
    output.ChooseInputFolder({nRow});
    EXPECT_EQ(list.ItemAtRow(nRow)->strOutputFolder, "/out");
    EXPECT_EQ(output.ResolveOutputFolder(nRow), "/in");
    EXPECT_EQ(list.RowText(nRow, CJobList::COLUMN_OUTPUT), OUTPUT_TO_INPUT_MARKER);
    EXPECT_EQ(settings.bOutputToInput, 1);
    int nNext = output.AddItem(Folder("/in/Next"));
    EXPECT_EQ(list.ItemAtRow(nNext)->bOutputToInput, 1) << "later items follow the last choice";
    output.ClearOutputHistory();
    EXPECT_TRUE(settings.arrHistory.empty());
    EXPECT_EQ(list.ItemAtRow(nRow)->strOutputFolder, "/out");
}

TEST_F(OutputFoldersTest, PresetRulesForResolutionColumnAndShownFolder) {
    CPresets keep;
    keep.bMainFolder = 1;
    keep.strOutputPath = "/p//out";
    CPresets toInput;
    toInput.bOutputToInput = 1;
    toInput.strOutputPath = OUTPUT_TO_INPUT_MARKER;
    arrPresets = {keep, toInput};
    CListItem a = Folder("/in/Rel");
    a.nPreset = 0;
    int nA = output.AddItem(a);
    EXPECT_EQ(list.ItemAtRow(nA)->strOutputFolder, "/p/out");
    EXPECT_EQ(list.ItemAtRow(nA)->bOutputToInput, 1) << "kept for when the preset goes";
    EXPECT_EQ(output.ResolveOutputFolder(nA), "/p//out/Rel");
    EXPECT_EQ(list.RowText(nA, CJobList::COLUMN_OUTPUT), "/p/out/Rel");
    CListItem b = Archive("/in/b.zip", "zip");
    b.nPreset = 1;
    int nB = output.AddItem(b);
    EXPECT_EQ(list.ItemAtRow(nB)->strOutputFolder, "/in");
    EXPECT_EQ(output.ResolveOutputFolder(nB), "/in");
    EXPECT_EQ(output.GetShownOutputFolder(nB), OUTPUT_TO_INPUT_MARKER);
    output.RemovePreset(nA);
    EXPECT_EQ(output.ResolveOutputFolder(nA), "/in/Rel") << "back to its own input-folder flag";
    EXPECT_EQ(list.RowImage(nB), 76);
    output.RemovePreset(nB);
    EXPECT_EQ(list.RowImage(nB), IMAGE_ZIP);
    output.ApplyPreset(nB, 0);
    EXPECT_EQ(list.RowImage(nB), 75);
    EXPECT_EQ(output.ResolveOutputFolder(nB), "/p//out") << "Keep folder appends for folder items only";
}

TEST_F(OutputFoldersTest, PresetIndexOutOfRangeIsNoPreset) {
    CListItem item = Folder("/in/Rel");
    item.nPreset = 4;  // the preset list is empty
    int nRow = output.AddItem(item);
    EXPECT_EQ(output.ResolveOutputFolder(nRow), "/in/Rel");
    EXPECT_EQ(list.RowText(nRow, CJobList::COLUMN_OUTPUT), OUTPUT_TO_INPUT_MARKER);
    EXPECT_FALSE(output.IsPresetUsable(4));
    EXPECT_FALSE(output.IsPresetUsable(-1));
}

TEST_F(OutputFoldersTest, PresetUsableWhenTestingToInputOrFolderExists) {
    CScratchDir dir;
    CPresets missing;
    missing.strOutputPath = dir.Path("nope");
    CPresets present;
    present.strOutputPath = dir.Path();
    CPresets test = missing;
    test.bTest = 1;
    CPresets toInput = missing;
    toInput.bOutputToInput = 1;
    arrPresets = {missing, present, test, toInput};
    EXPECT_FALSE(output.IsPresetUsable(0));
    EXPECT_TRUE(output.IsPresetUsable(1));
    EXPECT_TRUE(output.IsPresetUsable(2));
    EXPECT_TRUE(output.IsPresetUsable(3));
}

TEST_F(OutputFoldersTest, CurrentItemIsRowMinusOne) {
    settings.arrHistory = {"/out"};
    output.AddItem(Folder("/in/A"));
    int nRow = output.AddItem(Folder("/in/B"));
    list.MoveRows({nRow}, 0);
    EXPECT_EQ(output.ResolveOutputFolder(-1), "");
    list.SetCurrentRow(0);
    list.SetCurrentIndex(list.FindIndex(0));
    SetKeepFolder(1);
    EXPECT_EQ(output.ResolveOutputFolder(-1), "/out/B");
    EXPECT_EQ(output.GetShownOutputFolder(-1), "/out/B");
}
