// The item menu's texts and "Run..." list, the preset editor's Save checks and the
// report rows, with their exact values.

#include <gtest/gtest.h>

#include "engine/ItemMenuHelpers.h"
#include "tests/fixtures/CTempDir.h"
#include "tests/fixtures/TestFiles.h"

namespace {

std::vector<CPresets> Presets(const std::vector<std::string>& arrNames) {
    std::vector<CPresets> arrPresets;
    for (const std::string& strName : arrNames) {
        CPresets preset;
        preset.strName = strName;
        arrPresets.push_back(preset);
    }
    return arrPresets;
}

}  // namespace

TEST(ItemMenuHelpersTest, ShortcutTextsArePaddedToFortyCharacters) {
    EXPECT_EQ(PadMenuText("Reset$Ctrl+R"), "Reset" + std::string(29, ' ') + "Ctrl+R");
    EXPECT_EQ(PadMenuText("Select all$Ctrl+A"), "Select all" + std::string(24, ' ') + "Ctrl+A");
    EXPECT_EQ(PadMenuText("Delete$Del"), "Delete" + std::string(31, ' ') + "Del");
    // The one entry that is one character wider.
    EXPECT_EQ(PadMenuText("Skip$Ctrl+S"), "Skip" + std::string(31, ' ') + "Ctrl+S");
    EXPECT_EQ(PadMenuText("Skip$Ctrl+S").size(), 41u);
    // Without "$": the blanks at the end; a long text is left as it is.
    EXPECT_EQ(PadMenuText("Add folder"), "Add folder" + std::string(30, ' '));
    EXPECT_EQ(PadMenuText(std::string(45, 'x')), std::string(45, 'x'));
    // Too long for the width: still one blank between label and shortcut.
    EXPECT_EQ(PadMenuText(std::string(38, 'x') + "$Ctrl+R"), std::string(38, 'x') + " Ctrl+R");
    // Characters, not bytes: "Löschen" is 7 characters in 8 bytes.
    EXPECT_EQ(PadShortcut("L\xC3\xB6schen", "Del"), "L\xC3\xB6schen" + std::string(30, ' ') + "Del");
    EXPECT_EQ(PadShortcut("Open", "DblClk", 20), "Open" + std::string(10, ' ') + "DblClk");
}

TEST(ItemMenuHelpersTest, RunListIconsByExtensionInAnyCase) {
    EXPECT_EQ(RunListIcon("/o/a.mkv"), 38);
    EXPECT_EQ(RunListIcon("/o/a.MP4"), 47);
    EXPECT_EQ(RunListIcon("/o/setup.exe"), 36);
    EXPECT_EQ(RunListIcon("/o/setup.msi"), 37);
    EXPECT_EQ(RunListIcon("/o/a.avi"), 35);
    EXPECT_EQ(RunListIcon("/o/a.mpg"), 39);
    EXPECT_EQ(RunListIcon("/o/a.mpeg"), 39);
    EXPECT_EQ(RunListIcon("/o/VTS_01_1.VOB"), 45);
    EXPECT_EQ(RunListIcon("/o/a.srt"), -1);
    EXPECT_EQ(RunListIcon("/o.mkv/readme"), -1);
}

TEST(ItemMenuHelpersTest, RunListDropsVanishedFilesAndKeepsUnlistedOnes) {
    CTempDir tmp("runlist");
    const std::string strMovie = tmp.Sub("movie.mkv");
    const std::string strSetup = tmp.Sub("setup.EXE");
    const std::string strNotes = tmp.Sub("notes.txt");
    testfiles::WriteFile(strMovie, "m");
    testfiles::WriteFile(strSetup, "s");
    testfiles::WriteFile(strNotes, "n");
    std::vector<std::string> arrNewFiles = {strMovie, tmp.Sub("gone.avi"), strNotes, strSetup};
    const CRunList list = PruneRunList(arrNewFiles);
    EXPECT_TRUE(list.bBuilt);
    EXPECT_EQ(arrNewFiles, (std::vector<std::string>{strMovie, strNotes, strSetup}));
    EXPECT_EQ(list.arrEntries,
              (std::vector<CRunEntry>{{"movie.mkv", strMovie, 38}, {"setup.EXE", strSetup, 36}}));
}

TEST(ItemMenuHelpersTest, RunListIsNotBuiltFromTwentyOneEntries) {
    std::vector<std::string> arrNewFiles;
    for (int i = 0; i < 21; ++i) {
        arrNewFiles.push_back("/nowhere/" + std::to_string(i) + ".mkv");
    }
    int nAsked = 0;
    auto exists = [&nAsked](const std::string&) {
        ++nAsked;
        return false;
    };
    CRunList list = PruneRunList(arrNewFiles, exists);
    EXPECT_FALSE(list.bBuilt);
    EXPECT_EQ(arrNewFiles.size(), 21u);
    EXPECT_EQ(nAsked, 0);
    arrNewFiles.pop_back();
    list = PruneRunList(arrNewFiles, exists);
    EXPECT_TRUE(list.bBuilt);
    EXPECT_EQ(nAsked, 20);
    EXPECT_TRUE(arrNewFiles.empty());
    EXPECT_TRUE(list.arrEntries.empty());
}

TEST(ItemMenuHelpersTest, PresetNameChecksRunInTheirOrderWithTheirMessages) {
    const std::vector<CPresets> arrPresets = Presets({"Movies", "TV"});
    EXPECT_EQ(CheckPresetName("Series", arrPresets, -1), EPresetNameCheck::Ok);
    for (const char* pszBad : {"a\\b", "a/b", "a:b", "a*b", "a?b", "a\"b", "a<b", "a>b", "a|b"}) {
        EXPECT_EQ(CheckPresetName(pszBad, arrPresets, -1), EPresetNameCheck::BadCharacter) << pszBad;
    }
    // A bad character is reported before a duplicate name.
    EXPECT_EQ(CheckPresetName("TV?", Presets({"TV?"}), -1), EPresetNameCheck::BadCharacter);
    EXPECT_EQ(CheckPresetName("TV", arrPresets, -1), EPresetNameCheck::Duplicate);
    EXPECT_EQ(CheckPresetName("TV", arrPresets, 1), EPresetNameCheck::Ok);  // its own name
    EXPECT_EQ(CheckPresetName("TV", arrPresets, 0), EPresetNameCheck::Duplicate);
    EXPECT_EQ(CheckPresetName("tv", arrPresets, -1), EPresetNameCheck::Ok);
    EXPECT_EQ(CheckPresetName("", arrPresets, -1), EPresetNameCheck::Empty);
    EXPECT_EQ(CheckPresetName(std::string(40, 'n'), arrPresets, -1), EPresetNameCheck::Ok);
    EXPECT_EQ(CheckPresetName(std::string(41, 'n'), arrPresets, -1), EPresetNameCheck::TooLong);

    EXPECT_EQ(PresetNameMessage(EPresetNameCheck::BadCharacter),
              "Name cannot contain any of the following characters:\r\n\\ / : * ? \" < > |");
    EXPECT_EQ(PresetNameMessage(EPresetNameCheck::Duplicate),
              "Preset allready exists.\r\nPlease choose another name.");
    EXPECT_EQ(PresetNameMessage(EPresetNameCheck::Empty), "You must set a name");
    EXPECT_EQ(PresetNameMessage(EPresetNameCheck::TooLong), "The name can be at most 40 characters long.");
    EXPECT_TRUE(SelectsPresetName(EPresetNameCheck::TooLong));
    EXPECT_EQ(PresetNameMessage(EPresetNameCheck::Ok), "");
    EXPECT_TRUE(SelectsPresetName(EPresetNameCheck::BadCharacter));
    EXPECT_TRUE(SelectsPresetName(EPresetNameCheck::Duplicate));
    EXPECT_FALSE(SelectsPresetName(EPresetNameCheck::Empty));
}

TEST(ItemMenuHelpersTest, ErrorReportRowsHeadingBlankLineAndCleanedLines) {
    CListItem item;
    item.strPath = "/in/Rel";
    item.arrErrors = {"a.rar:  CRC failed\r\n\r\n", "line\rwith\nbreaks\r\n", "third\r\n"};
    EXPECT_EQ(ErrorReportRows(item, false), (std::vector<CReportRow>{{"Extraction failed in /in/Rel", 70},
                                                                     {"", 96},
                                                                     {"a.rar:  CRC failed", 1},
                                                                     {"linewithbreaks", 1},
                                                                     {"third", 1}}));
    EXPECT_EQ(ErrorReportRows(item, true, 1),
              (std::vector<CReportRow>{
                  {"Test operation failed in /in/Rel", 21}, {"", 96}, {"a.rar:  CRC failed", 1}}));
}

TEST(ItemMenuHelpersTest, ReportSpeaksOfWhatTheRunDidOnceItRan) {
    CListItem item;
    EXPECT_TRUE(ReportSaysTest(item, true));
    EXPECT_FALSE(ReportSaysTest(item, false));
    item.bHasRun = 1;
    item.bRunWasTest = 1;
    EXPECT_TRUE(ReportSaysTest(item, false));
    item.bRunWasTest = 0;
    EXPECT_FALSE(ReportSaysTest(item, true));
}

TEST(ItemMenuHelpersTest, CleanUpReportGroupsKindOneThenThreeThenTwo) {
    CListItem item;
    item.arrCleanUp = {{"/in/Rel/Sub", "ignored", 3},
                       {"/in/Rel/a.r00", "kept", 1},
                       {"/in/Rel/x", "Cannot delete x:\r\nPermission denied", 2},
                       {"/in/Rel/b.r01", "kept", 1},
                       {"/in/Rel/odd", "odd", 7}};
    EXPECT_EQ(CleanUpReportRows(item),
              (std::vector<CReportRow>{{"As a precaution the following file(s) wasn't deleted:", 99},
                                       {"/in/Rel/a.r00", 97},
                                       {"/in/Rel/b.r01", 97},
                                       {"Unable to delete the following folder(s):", 99},
                                       {"/in/Rel/Sub", 0},
                                       {"Other errors:", 99},
                                       {"Cannot delete x:Permission denied", 98}}));
    item.arrCleanUp = {{"/in/Rel/x", "only an error", 2}};
    EXPECT_EQ(CleanUpReportRows(item),
              (std::vector<CReportRow>{{"Other errors:", 99}, {"only an error", 98}}));
    item.arrCleanUp.clear();
    EXPECT_TRUE(CleanUpReportRows(item).empty());
}

TEST(ItemMenuHelpersTest, ReportRowsFollowTheReportADoubleClickOpens) {
    CListItem item;
    item.strPath = "/in/a.rar";
    item.arrErrors = {"a.rar:  Wrong password\r\n"};
    item.arrCleanUp = {{"/in/a.r00", "kept", 1}};
    item.bHasRun = 1;
    item.bRunWasTest = 1;
    // The run was a test, whatever the option says now.
    EXPECT_EQ(ReportRows(item, CJobList::EReport::Errors, false),
              (std::vector<CReportRow>{
                  {"Test operation failed in /in/a.rar", 21}, {"", 96}, {"a.rar:  Wrong password", 1}}));
    EXPECT_EQ(ReportRows(item, CJobList::EReport::CleanUp, false),
              (std::vector<CReportRow>{{"As a precaution the following file(s) wasn't deleted:", 99},
                                       {"/in/a.r00", 97}}));
    EXPECT_TRUE(ReportRows(item, CJobList::EReport::None, true).empty());
}
