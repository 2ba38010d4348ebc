// Moving and deleting presets keeps every item on the preset it had; the name length
// in characters.

#include <gtest/gtest.h>

#include "engine/CItemStates.h"
#include "engine/COutputFolders.h"
#include "engine/PresetOps.h"
#include "tests/engine/FakeMessageBox.h"

using namespace ItemStates;

namespace {

class PresetOpsTest : public ::testing::Test {
protected:
    void SetUp() override {
        list.SetMessageBox(&box);
        list.SetPresets(&arrPresets);
        for (const char* pszName : {"A", "B", "C", "D"}) {
            CPresets preset;
            preset.strName = pszName;
            preset.strOutputPath = std::string("/out/") + pszName;
            arrPresets.push_back(preset);
        }
    }
    // One rar item per preset index given (-1: none), named by its index.
    void AddItems(const std::vector<int>& arrPreset) {
        for (size_t i = 0; i < arrPreset.size(); ++i) {
            CListItem item;
            item.strPath = "/in/" + std::to_string(i) + ".rar";
            item.strParentFolder = "/in";
            item.strType = "rar";
            item.nPreset = arrPreset[i];
            list.AddItem(item);
        }
    }
    // The name of the preset each item uses ("-" for none), in record order.
    std::string PresetNames() const {
        std::string strNames;
        for (const CListItem& item : list.Items()) {
            const CPresets* pPreset = list.PresetOf(item);
            strNames += pPreset == nullptr ? "-" : pPreset->strName;
        }
        return strNames;
    }
    std::string ArrayNames() const {
        std::string strNames;
        for (const CPresets& preset : arrPresets) {
            strNames += preset.strName;
        }
        return strNames;
    }

    CFakeMessageBox box;
    std::vector<CPresets> arrPresets;
    CJobList list;
};

}  // namespace

TEST_F(PresetOpsTest, NameLengthCountsCharactersNotBytes) {
    EXPECT_EQ(PresetNameLength(""), 0);
    EXPECT_EQ(PresetNameLength("Movies"), 6);
    EXPECT_EQ(PresetNameLength("Fil\xC3\xA9"), 4);               // é: two bytes
    EXPECT_EQ(PresetNameLength("\xE6\x98\xA0\xE7\x94\xBB"), 2);  // two CJK characters
    EXPECT_EQ(PresetNameLength("\xF0\x9F\x8E\xAC!"), 2);         // one outside the BMP, then '!'
    EXPECT_EQ(PresetNameLength("a\xFF"
                               "b"),
              3);                                    // a stray byte is one
    EXPECT_EQ(PresetNameLength("\xC3"), 1);          // a cut sequence
    EXPECT_EQ(PresetNameLength("\xC0\xAF"), 2);      // an overlong form is two bytes
    EXPECT_EQ(PresetNameLength("\xED\xA0\x80"), 3);  // a surrogate is no character
    std::string strForty;
    for (int i = 0; i < 40; ++i) {
        strForty += "\xC3\xA9";
    }
    EXPECT_EQ(PresetNameLength(strForty), PRESET_NAME_MAX);
    EXPECT_EQ(PresetLimitMessage(),
              "No more than 20 presets allowed.\r\nPlease edit or delete an existing preset.");
}

TEST_F(PresetOpsTest, MoveDownAndUpKeepsEveryItemOnItsPreset) {
    AddItems({0, 1, 2, 3, -1, 1});
    EXPECT_EQ(PresetNames(), "ABCD-B");
    ASSERT_TRUE(MovePreset(arrPresets, list, 0, 2));  // A below C
    EXPECT_EQ(ArrayNames(), "BCAD");
    EXPECT_EQ(PresetNames(), "ABCD-B");
    EXPECT_EQ(list.Item(0).nPreset, 2);
    EXPECT_EQ(list.RowImage(0), IMAGE_PRESET_FIRST + 2);
    EXPECT_EQ(list.RowImage(1), IMAGE_PRESET_FIRST + 0);
    EXPECT_EQ(list.RowImage(4), IMAGE_RAR);
    ASSERT_TRUE(MovePreset(arrPresets, list, 3, 0));  // D to the top
    EXPECT_EQ(ArrayNames(), "DBCA");
    EXPECT_EQ(PresetNames(), "ABCD-B");
    EXPECT_FALSE(MovePreset(arrPresets, list, 1, 1));
    EXPECT_FALSE(MovePreset(arrPresets, list, 0, 4));
    EXPECT_FALSE(MovePreset(arrPresets, list, -1, 0));
    EXPECT_EQ(ArrayNames(), "DBCA");
}

TEST_F(PresetOpsTest, MoveLeavesTheImagesOfFinishedAndRunningRowsAlone) {
    AddItems({0, 1, 1});
    list.SetRowResult(0, COMPLETED, "OK (1s0ms)", IMAGE_COMPLETED);
    list.SetCurrentRow(1);
    list.SetRowImage(1, IMAGE_EXTRACT_ANIMATION_FIRST);
    ASSERT_TRUE(MovePreset(arrPresets, list, 1, 0));
    EXPECT_EQ(list.RowImage(0), IMAGE_COMPLETED);
    EXPECT_EQ(list.RowImage(1), IMAGE_EXTRACT_ANIMATION_FIRST);
    EXPECT_EQ(list.RowImage(2), IMAGE_PRESET_FIRST + 0);
    EXPECT_EQ(PresetNames(), "ABB");
}

TEST_F(PresetOpsTest, DeleteSendsItsItemsToTheMainOptionsAndLaterOnesDown) {
    AddItems({0, 1, 2, 3, 2});
    CSettings settings;
    COutputFolders output(list, settings);
    for (int nRow = 0; nRow < list.RowCount(); ++nRow) {
        output.RefreshOutputColumn(nRow);
    }
    EXPECT_EQ(list.RowText(2, CJobList::COLUMN_OUTPUT), "/out/C");
    list.SetRowResult(4, COMPLETED, "OK (5ms)", IMAGE_COMPLETED);
    ASSERT_TRUE(DeletePreset(arrPresets, list, 2, &output));
    EXPECT_EQ(ArrayNames(), "ABD");
    EXPECT_EQ(PresetNames(), "AB-D-");
    EXPECT_EQ(list.Item(3).nPreset, 2);
    EXPECT_EQ(list.RowImage(2), IMAGE_RAR);
    EXPECT_EQ(list.RowImage(3), IMAGE_PRESET_FIRST + 2);
    EXPECT_EQ(list.RowImage(4), IMAGE_COMPLETED);
    // The item of the deleted preset now shows its own output choice.
    EXPECT_EQ(list.RowText(2, CJobList::COLUMN_OUTPUT), OUTPUT_TO_INPUT_MARKER);
    EXPECT_EQ(list.RowText(4, CJobList::COLUMN_OUTPUT), "/out/C");
    EXPECT_FALSE(DeletePreset(arrPresets, list, 3));
}

TEST_F(PresetOpsTest, UnlistablePresetsGoWithoutMovingOtherItemsOffTheirPreset) {
    arrPresets[1].strName = std::string(41, 'x');
    arrPresets[2].strName.clear();
    std::string strForty;
    for (int i = 0; i < 40; ++i) {
        strForty += "\xC3\xA9";  // 80 bytes, 40 characters: kept
    }
    arrPresets[3].strName = strForty;
    AddItems({0, 1, 3, 2});
    EXPECT_EQ(DeleteUnlistablePresets(arrPresets, list), 2);
    ASSERT_EQ(arrPresets.size(), 2u);
    EXPECT_EQ(arrPresets[1].strName, strForty);
    EXPECT_EQ(list.Item(0).nPreset, 0);
    EXPECT_EQ(list.Item(1).nPreset, -1);
    EXPECT_EQ(list.Item(2).nPreset, 1);
    EXPECT_EQ(list.Item(3).nPreset, -1);
}
