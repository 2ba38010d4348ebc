// The command line and the hand-over decisions, without any window.

#include <gtest/gtest.h>

#include "platform/CCustomCommandLineInfo.h"

TEST(CommandLineTest, ArgumentsAreKeptAsTheyAreWithALeadingSlash) {
    CCustomCommandLineInfo info;
    const char* argv[] = {"harvex", "/data/Release", "-x", "?Preset2?", "/a*b?c"};
    info.ParseCommandLine(5, argv, "/home/u");
    EXPECT_EQ(info.arrParams,
              (std::vector<std::string>{"/data/Release", "/home/u/-x", "?Preset2?", "/a*b?c"}));
}

TEST(CommandLineTest, RelativePathsAndBareNamesBecomeAbsolute) {
    EXPECT_EQ(MakeAbsoluteArgument("movie.zip", "/home/u"), "/home/u/movie.zip");
    EXPECT_EQ(MakeAbsoluteArgument("./a//b/./c/", "/home/u/"), "/home/u/a/b/c");
    EXPECT_EQ(MakeAbsoluteArgument("../x", "/home/u"), "/home/u/../x");
    EXPECT_EQ(MakeAbsoluteArgument(".", "/"), "/");
    EXPECT_EQ(MakeAbsoluteArgument("/data/Release/", "/home/u"), "/data/Release");
    EXPECT_EQ(MakeAbsoluteArgument("/", "/home/u"), "/");
    EXPECT_EQ(MakeAbsoluteArgument("//server/share", "/home/u"), "//server/share");
    EXPECT_EQ(MakeAbsoluteArgument("?Preset3?", "/home/u"), "?Preset3?");
    EXPECT_EQ(MakeAbsoluteArgument("?PresetX", "/home/u"), "?PresetX");
    EXPECT_EQ(MakeAbsoluteArgument("", "/home/u"), "");
}

TEST(CommandLineTest, OnlyTheTwentyExactSelectorsChooseAPreset) {
    EXPECT_EQ(PresetSelectorNumber("?Preset1?"), 1);
    EXPECT_EQ(PresetSelectorNumber("?Preset10?"), 10);
    EXPECT_EQ(PresetSelectorNumber("?Preset20?"), 20);
    EXPECT_EQ(PresetSelectorNumber("?Preset21?"), 0);
    EXPECT_EQ(PresetSelectorNumber("?Preset0?"), 0);
    EXPECT_EQ(PresetSelectorNumber("?PresetX"), 0);
    EXPECT_EQ(PresetSelectorNumber("?Preset1?tail"), 0);
    EXPECT_TRUE(IsPresetArgument("?PresetX"));
    EXPECT_FALSE(IsPresetArgument("/data/what?Preset1?.zip"));
    // Only a selector of its own starts the window in the tray, not a path that holds one.
    EXPECT_FALSE(HasPresetArgument({"/data/Why?Presets", "/data/what?Preset1?.zip"}));
    EXPECT_TRUE(HasPresetArgument({"/data/a.rar", "?Preset3?", "/data/b.rar"}));
}

TEST(CommandLineTest, SelectorAppliesToThePathsAfterIt) {
    bool hadPreset = false;
    auto items = SelectCommandLineItems({"/a", "?Preset3?", "/b", "/c"}, 5, hadPreset);
    EXPECT_TRUE(hadPreset);
    EXPECT_EQ(items, (std::vector<CCommandLineItem>{{"/a", -1}, {"/b", 2}, {"/c", 2}}));
    items = SelectCommandLineItems({"/a", "/b"}, 5, hadPreset);
    EXPECT_FALSE(hadPreset);
    EXPECT_EQ(items, (std::vector<CCommandLineItem>{{"/a", -1}, {"/b", -1}}));
}

TEST(CommandLineTest, IncompleteOrUnknownSelectorsAreDroppedAndKeepTheCurrentPreset) {
    bool hadPreset = false;
    auto items =
        SelectCommandLineItems({"?Preset10?", "/a", "?Preset21?", "/b", "?PresetX", "/c"}, 20, hadPreset);
    EXPECT_TRUE(hadPreset);
    EXPECT_EQ(items, (std::vector<CCommandLineItem>{{"/a", 9}, {"/b", 9}, {"/c", 9}}));
}

TEST(CommandLineTest, SelectorBeyondThePresetCountAddsWithoutPreset) {
    bool hadPreset = false;
    auto items = SelectCommandLineItems({"?Preset2?", "/a", "?Preset7?", "/b"}, 3, hadPreset);
    EXPECT_EQ(items, (std::vector<CCommandLineItem>{{"/a", 1}, {"/b", -1}}));
    items = SelectCommandLineItems({"?Preset1?", "/a"}, 0, hadPreset);
    EXPECT_EQ(items, (std::vector<CCommandLineItem>{{"/a", -1}}));
}

TEST(CommandLineTest, PathContainingTheSelectorTextIsStillAPath) {
    bool hadPreset = false;
    auto items = SelectCommandLineItems({"/in/x?Preset1?y.rar"}, 5, hadPreset);
    EXPECT_FALSE(hadPreset);
    EXPECT_EQ(items, (std::vector<CCommandLineItem>{{"/in/x?Preset1?y.rar", -1}}));
}

TEST(CommandLineTest, HandOverWhileIdleBringsTheWindowForward) {
    std::vector<std::string> cmdLine;
    CHandOverDecision d = TakeHandOver({"/a", "/b"}, false, false, cmdLine);
    EXPECT_FALSE(d.bIgnored);
    EXPECT_TRUE(d.bBringToFront);
    EXPECT_FALSE(d.bRemoveDoneRows);
    EXPECT_TRUE(d.bAddItems);
    EXPECT_EQ(cmdLine, (std::vector<std::string>{"/a", "/b"}));
}

TEST(CommandLineTest, PresetHandOverWhileIdleClearsDoneRowsInsteadOfComingForward) {
    std::vector<std::string> cmdLine;
    CHandOverDecision d = TakeHandOver({"/a", "?Preset3?"}, false, false, cmdLine);
    EXPECT_FALSE(d.bBringToFront);
    EXPECT_TRUE(d.bRemoveDoneRows);
    EXPECT_TRUE(d.bAddItems);
}

TEST(CommandLineTest, HandOverDuringProcessingOnlyAppends) {
    std::vector<std::string> cmdLine;
    for (auto pieces : {std::vector<std::string>{"/a"}, std::vector<std::string>{"?Preset1?", "/b"}}) {
        CHandOverDecision d = TakeHandOver(pieces, false, true, cmdLine);
        EXPECT_FALSE(d.bBringToFront);
        EXPECT_FALSE(d.bRemoveDoneRows);
        EXPECT_TRUE(d.bAddItems);
    }
    EXPECT_EQ(cmdLine, (std::vector<std::string>{"/a", "?Preset1?", "/b"}));
}

TEST(CommandLineTest, HandOverIsIgnoredWhenEmptyOrWhileTheStartArgumentsWait) {
    std::vector<std::string> cmdLine = {"/own"};
    EXPECT_TRUE(TakeHandOver({}, false, false, cmdLine).bIgnored);
    EXPECT_TRUE(TakeHandOver({"/x"}, true, false, cmdLine).bIgnored);
    EXPECT_EQ(cmdLine, (std::vector<std::string>{"/own"}));
}

TEST(CommandLineTest, PresetBatchRemovesRowsWithoutPresetAndFinishedPresetRows) {
    EXPECT_TRUE(IsRemovedBeforePresetBatch(-1, ""));
    EXPECT_TRUE(IsRemovedBeforePresetBatch(-1, "Failed"));
    EXPECT_TRUE(IsRemovedBeforePresetBatch(2, "Completed OK"));
    EXPECT_FALSE(IsRemovedBeforePresetBatch(2, ""));
    EXPECT_FALSE(IsRemovedBeforePresetBatch(0, "OK (Double click)"));
}
