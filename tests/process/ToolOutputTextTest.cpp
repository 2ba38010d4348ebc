#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "process/CLineSplitter.h"
#include "process/ToolOutputText.h"

namespace {

struct SplitResult {
    std::vector<std::string> arrLines;
    std::string strPending;
};

SplitResult SplitInTwo(const std::string& text, std::size_t nAt) {
    CLineSplitter splitter;
    SplitResult out;
    for (std::string& s : splitter.Feed(std::string_view(text).substr(0, nAt))) {
        out.arrLines.push_back(std::move(s));
    }
    for (std::string& s : splitter.Feed(std::string_view(text).substr(nAt))) {
        out.arrLines.push_back(std::move(s));
    }
    out.strPending = splitter.Pending();
    return out;
}

const std::string TRANSCRIPT =
    "\r\nUNRAR 1.0 freeware\r\n\r\nExtracting from /in/a.part1.rar\r\n\r\n"
    "Extracting  /out/movie.mkv                 12%\b\b\b\b 45%\b\b\b\b100%\n"
    "Extracting from /in/a.part2.rar\n...         movie.mkv  OK \nAll OK\n"
    "Enter password (will not be echoed) for b.txt: ";

}  // namespace

TEST(LineSplitterTest, KeepsUnfinishedLineUntilItsLineFeedArrives) {
    CLineSplitter splitter;
    EXPECT_TRUE(splitter.Feed("Extracting from /a/x.pa").empty());
    EXPECT_EQ(splitter.Pending(), "Extracting from /a/x.pa");
    const std::vector<std::string> arrLines = splitter.Feed("rt2.rar\r\nAll");
    ASSERT_EQ(arrLines.size(), 1u);
    EXPECT_EQ(arrLines[0], "Extracting from /a/x.part2.rar");
    EXPECT_EQ(splitter.Pending(), "All");
    EXPECT_EQ(splitter.Flush(), "All");
    EXPECT_EQ(splitter.Pending(), "");
}

TEST(LineSplitterTest, GivesTheSameLinesWhereverTheTranscriptIsSplit) {
    const SplitResult whole = SplitInTwo(TRANSCRIPT, TRANSCRIPT.size());
    ASSERT_EQ(whole.arrLines.size(), 9u);
    EXPECT_EQ(whole.arrLines[3], "Extracting from /in/a.part1.rar");
    EXPECT_EQ(whole.arrLines[8], "All OK");
    EXPECT_EQ(whole.strPending, "Enter password (will not be echoed) for b.txt: ");
    for (std::size_t nAt = 0; nAt <= TRANSCRIPT.size(); ++nAt) {
        const SplitResult split = SplitInTwo(TRANSCRIPT, nAt);
        EXPECT_EQ(split.arrLines, whole.arrLines) << "split at " << nAt;
        EXPECT_EQ(split.strPending, whole.strPending) << "split at " << nAt;
    }
}

TEST(LineSplitterTest, CutsOverlongLinesAndRecovers) {
    CLineSplitter splitter;
    const std::string strLong(CLineSplitter::MAX_LINE + 100, 'x');
    EXPECT_TRUE(splitter.Feed(strLong).empty());
    EXPECT_TRUE(splitter.Feed(strLong).empty());
    const std::vector<std::string> arrLines = splitter.Feed("y\nnext\n");
    ASSERT_EQ(arrLines.size(), 2u);
    EXPECT_EQ(arrLines[0], std::string(CLineSplitter::MAX_LINE, 'x'));
    EXPECT_EQ(arrLines[1], "next");
}

TEST(PasswordPromptTest, RecognisesTheProgramsPromptsAndRetryTexts) {
    EXPECT_TRUE(IsPasswordPromptLine("Enter password (will not be echoed) for a.txt: "));
    EXPECT_TRUE(IsPasswordPromptLine("\r  Enter password (will not be echoed)"));
    EXPECT_TRUE(IsPasswordPromptLine("\b\b\b\b    Enter password (will not be echoed) for x: "));
    EXPECT_TRUE(IsPasswordPromptLine("Reenter password: "));
    EXPECT_TRUE(IsPasswordPromptLine("password:"));
    EXPECT_TRUE(IsPasswordPromptLine("Encrypted file:  CRC failed in a.txt (password incorrect ?)"));
    EXPECT_TRUE(IsPasswordPromptLine("CRC failed in the encrypted file a.txt (password incorrect ?)"));
    EXPECT_TRUE(IsPasswordPromptLine("The specified password is incorrect."));
}

TEST(PasswordPromptTest, IgnoresMemberAndArchiveNamesThatHoldPromptWords) {
    EXPECT_FALSE(IsPasswordPromptLine("Extracting  foo password: x.txt"));
    EXPECT_FALSE(IsPasswordPromptLine("Extracting  foo password: x.txt     OK "));
    EXPECT_FALSE(IsPasswordPromptLine("Extracting  Enter password (will not be echoed).txt"));
    EXPECT_FALSE(IsPasswordPromptLine("Testing     a (password incorrect ?)"));
    EXPECT_FALSE(IsPasswordPromptLine("Extracting from /in/password:/a.rar"));
    EXPECT_FALSE(IsPasswordPromptLine("Testing archive /in/Enter password (will not be echoed).rar"));
    EXPECT_FALSE(IsPasswordPromptLine("Skipping  password: y"));
    EXPECT_FALSE(IsPasswordPromptLine("...         Enter password (will not be echoed).txt"));
    EXPECT_FALSE(IsPasswordPromptLine("Cannot open a (password incorrect ?)"));
    EXPECT_FALSE(IsPasswordPromptLine("Encrypted file:  CRC failed in a (password incorrect ?).txt"));
    EXPECT_FALSE(IsPasswordPromptLine("All OK"));
    EXPECT_FALSE(IsPasswordPromptLine(""));
}

TEST(PercentTest, ReadsTheLastPercentageIncludingHundred) {
    int nPercent = -1;
    std::string text = "\b\b\b\b 45%";
    BlankBackspaces(text);
    EXPECT_EQ(text, "     45%");
    ASSERT_TRUE(ReadPercent(text, nPercent));
    EXPECT_EQ(nPercent, 45);
    ASSERT_TRUE(ReadPercent("Extracting  a   99%\b\b\b\b100%", nPercent));
    EXPECT_EQ(nPercent, 100);
    ASSERT_TRUE(ReadPercent("  5%", nPercent));
    EXPECT_EQ(nPercent, 5);
    ASSERT_TRUE(ReadPercent("12% then 7% and % alone", nPercent));
    EXPECT_EQ(nPercent, 7);
}

TEST(PercentTest, LeavesTheValueAloneWithoutADigitBeforePercent) {
    int nPercent = 33;
    EXPECT_FALSE(ReadPercent("%", nPercent));
    EXPECT_FALSE(ReadPercent("x%", nPercent));
    EXPECT_FALSE(ReadPercent("no sign here 45", nPercent));
    EXPECT_FALSE(ReadPercent("1234%", nPercent));
    EXPECT_FALSE(ReadPercent("00%\nm.mkv - CRC failed\n", nPercent, 3));
    EXPECT_EQ(nPercent, 33);
    ASSERT_TRUE(ReadPercent("10%0%", nPercent, 3));
    EXPECT_EQ(nPercent, 0);
    ASSERT_TRUE(ReadPercent(" 10%", nPercent, 3));
    EXPECT_EQ(nPercent, 10);
}

TEST(PercentTest, RecentOutputKeepsItsLastFiveHundredCharactersOncePastAThousand) {
    std::string strRecent(1000, 'a');
    AppendRecentOutput(strRecent, "bc");
    EXPECT_EQ(strRecent.size(), 1002u);
    AppendRecentOutput(strRecent, "d");
    EXPECT_EQ(strRecent, std::string(498, 'a') + "bcd");
}
