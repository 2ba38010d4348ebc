// Adding items from every source: classification, duplicates, the status
// texts and the records and rows that are created.

#include <gtest/gtest.h>

#include "engine/CItemAdder.h"
#include "engine/CItemStates.h"
#include "tests/engine/FakeMessageBox.h"
#include "tests/engine/TempDir.h"

using namespace ItemStates;

namespace {

class ItemAdderTest : public ::testing::Test {
protected:
    void SetUp() override {
        list.SetMessageBox(&box);
        list.SetPresets(&arrPresets);
        list.SetMainOptions(main);
        for (int i = 0; i < 3; ++i) {
            CPresets p;
            p.strName = "P" + std::to_string(i + 1);
            p.bOutputToInput = 1;
            arrPresets.push_back(p);
        }
    }
    void ExpectStatus(const CItemAdder::CResult& r, const char* text, std::uint32_t colour, int ms) {
        EXPECT_EQ(r.strStatus, text);
        EXPECT_EQ(r.nBackground, colour);
        EXPECT_EQ(r.nShowMs, ms);
        EXPECT_EQ(r.nInserted, 0);
    }

    CTempDir dir;
    CFakeMessageBox box;
    std::vector<CPresets> arrPresets;
    CSettings settings;
    CMainOptions main;
    CJobList list;
    COutputFolders output{list, settings};
    CItemAdder adder{list, output};
};

}  // namespace

TEST_F(ItemAdderTest, ClassifiesFoldersZipAndRarBySignature) {
    EXPECT_EQ(CItemAdder::Classify(dir.Folder("Release")), "folder");
    EXPECT_EQ(CItemAdder::Classify("//server/share/x"), "folder");
    EXPECT_EQ(CItemAdder::Classify(dir.File("ARCHIVE.ZIP")), "zip");
    EXPECT_EQ(CItemAdder::Classify(dir.Path("missing.zip")), "zip");
    EXPECT_EQ(CItemAdder::Classify(dir.File("set.r00", std::string("Rar!\x1a\x07\x00", 7))), "rar");
    EXPECT_EQ(CItemAdder::Classify(dir.File("fake.rar", "text")), "");
    EXPECT_EQ(CItemAdder::Classify(dir.File("notes.txt", "text")), "");
    EXPECT_EQ(CItemAdder::Classify(dir.Folder("dir.zip")), "folder");
}

TEST_F(ItemAdderTest, TextFileOrNothingAtAllIsUnacceptable) {
    ExpectStatus(adder.AddPaths({dir.File("readme.txt")}), CItemAdder::TEXT_UNACCEPTABLE, 0xA00000, 2500);
    ExpectStatus(adder.AddPaths({}), CItemAdder::TEXT_UNACCEPTABLE, 0xA00000, 2500);
    EXPECT_EQ(list.RowCount(), 0);
}

TEST_F(ItemAdderTest, ListedFolderIsAlreadyInListAndWithATextFileNothingIsNew) {
    const std::string folder = dir.Folder("Release");
    ASSERT_EQ(adder.AddPaths({folder}).nInserted, 1);
    ExpectStatus(adder.AddPaths({folder}), CItemAdder::TEXT_ALREADY_LISTED, 0x00007F, 2000);
    CItemAdder::CResult r = adder.AddPaths({folder, dir.File("a.txt")});
    ExpectStatus(r, CItemAdder::TEXT_NOTHING_NEW, 0xAA0080, 3000);
    EXPECT_EQ(r.nDuplicate, 1);
    EXPECT_EQ(r.nUnacceptable, 1);
    EXPECT_EQ(list.RowCount(), 1);
}

TEST_F(ItemAdderTest, ListedFolderWithANewZipInsertsOnlyTheZipAndSaysNothing) {
    const std::string folder = dir.Folder("Release");
    adder.AddPaths({folder});
    const std::string zip = dir.File("ARCHIVE.ZIP");
    CItemAdder::CResult r = adder.AddPaths({folder, zip});
    EXPECT_EQ(r.strStatus, "");
    EXPECT_EQ(r.nInserted, 1);
    ASSERT_EQ(list.RowCount(), 2);
    const CListItem* item = list.ItemAtRow(1);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->strType, "zip");
    EXPECT_EQ(item->strPath, zip);
    EXPECT_EQ(item->strFolderName, "");
    EXPECT_EQ(item->strParentFolder, dir.Path());
    EXPECT_EQ(list.RowText(1, CJobList::COLUMN_NAME), "ARCHIVE.ZIP");
    EXPECT_EQ(list.RowImage(1), IMAGE_ZIP);
}

TEST_F(ItemAdderTest, SameNewFolderTwiceInOneCallIsInsertedTwice) {
    const std::string folder = dir.Folder("Twice");
    EXPECT_EQ(adder.AddPaths({folder, folder}).nInserted, 2);
    EXPECT_EQ(list.RowCount(), 2);
    EXPECT_LT(list.RowId(0), list.RowId(1));
}

TEST_F(ItemAdderTest, DuplicateTestIsCaseSensitive) {
    const std::string upper = dir.Folder("Data");
    const std::string lower = dir.Folder("data");
    adder.AddPaths({upper});
    EXPECT_EQ(adder.AddPaths({lower}).nInserted, 1);
}

TEST_F(ItemAdderTest, MonkeyFolderGetsItsImageUnlessAPresetIsGiven) {
    const std::string monkey = dir.Folder("a/monkey");
    adder.AddPaths({monkey});
    EXPECT_EQ(list.RowImage(0), IMAGE_MONKEY);
    EXPECT_EQ(list.ItemAtRow(0)->strFolderName, "monkey");
    const std::string other = dir.Folder("b/monkey");
    adder.AddItems({{other, 1}});
    EXPECT_EQ(list.RowImage(1), IMAGE_PRESET_FIRST + 1);
    EXPECT_EQ(list.ItemAtRow(1)->nPreset, 1);
}

TEST_F(ItemAdderTest, RootFolderHasNoNameAndIsItsOwnParent) {
    adder.AddPaths({"/"});
    ASSERT_EQ(list.RowCount(), 1);
    const CListItem* item = list.ItemAtRow(0);
    EXPECT_EQ(item->strType, "folder");
    EXPECT_EQ(item->strFolderName, "");
    EXPECT_EQ(item->strParentFolder, "/");
}

TEST_F(ItemAdderTest, PathBeyondThePlatformLimitIsRefusedWholeWithTheStatusText) {
    std::string longPath = dir.Path() + "/" + std::string(CItemAdder::MAX_PATH_BYTES, 'x') + ".zip";
    CItemAdder::CResult r = adder.AddPaths({longPath});
    ExpectStatus(r, CItemAdder::TEXT_UNACCEPTABLE, 0xA00000, 2500);
    const std::string zip = dir.File("ok.zip");
    r = adder.AddPaths({longPath, zip});
    EXPECT_EQ(r.nInserted, 1);
    EXPECT_EQ(list.ItemAtRow(0)->strPath, zip);
}

TEST_F(ItemAdderTest, CommandLineSelectorsChooseThePresetOfTheFollowingPaths) {
    const std::string a = dir.Folder("A");
    const std::string b = dir.Folder("B");
    const std::string c = dir.Folder("C");
    std::vector<std::string> cmdLine = {a, "?Preset3?", b, "?Preset9?", c, "?PresetX"};
    bool pending = true;
    bool hadPreset = false;
    CItemAdder::CResult r = adder.AddCommandLineItems(cmdLine, pending, hadPreset);
    EXPECT_EQ(r.nTotal, 3);
    EXPECT_EQ(r.nInserted, 3);
    EXPECT_TRUE(hadPreset);
    EXPECT_FALSE(pending);
    EXPECT_TRUE(cmdLine.empty());
    EXPECT_EQ(list.ItemAtRow(0)->nPreset, -1);
    EXPECT_EQ(list.ItemAtRow(1)->nPreset, 2);
    EXPECT_EQ(list.ItemAtRow(2)->nPreset, -1);  // only three presets exist
    EXPECT_EQ(list.RowImage(1), IMAGE_PRESET_FIRST + 2);
}

TEST_F(ItemAdderTest, AddFolderRemembersTheChosenFolder) {
    EXPECT_EQ(adder.LastAddFolder(), "");
    EXPECT_EQ(adder.AddChosenFolder("").nTotal, 0);
    EXPECT_EQ(list.RowCount(), 0);
    const std::string folder = dir.Folder("Chosen");
    EXPECT_EQ(adder.AddChosenFolder(folder).nInserted, 1);
    EXPECT_EQ(adder.LastAddFolder(), folder);
}
