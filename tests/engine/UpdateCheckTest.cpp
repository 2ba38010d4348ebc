// The version comparison and the weekly rule of the update check.

#include <gtest/gtest.h>

#include "engine/UpdateCheck.h"

using UpdateCheck::CompareVersions;
using UpdateCheck::EVersionAnswer;
using UpdateCheck::IsNewerVersion;

TEST(UpdateCheckTest, VersionsCompareNumericallyPartByPart) {
    EXPECT_TRUE(IsNewerVersion("1.5", "1.4.3.2"));
    EXPECT_TRUE(IsNewerVersion("2.0", "1.4.3.2"));
    EXPECT_TRUE(IsNewerVersion("1.4.3.10", "1.4.3.2"));
    EXPECT_TRUE(IsNewerVersion("1.10", "1.4.3.2"));
    EXPECT_TRUE(IsNewerVersion("1.4.3.2.1", "1.4.3.2"));
    EXPECT_FALSE(IsNewerVersion("1.4.3.2", "1.4.3.2"));
    EXPECT_FALSE(IsNewerVersion("1.4.3.2.0", "1.4.3.2"));
    EXPECT_FALSE(IsNewerVersion("1.4.3", "1.4.3.2"));
    EXPECT_FALSE(IsNewerVersion("1.4.3.1", "1.4.3.2"));
    EXPECT_FALSE(IsNewerVersion("0.99", "1.4.3.2"));
}

TEST(UpdateCheckTest, WhiteSpaceAroundTheVersionIsTrimmed) {
    EXPECT_EQ(CompareVersions("1.4.3.2\r", "1.4.3.2"), EVersionAnswer::NotNewer);
    EXPECT_EQ(CompareVersions("  1.5\t\r", "1.4.3.2"), EVersionAnswer::Newer);
}

TEST(UpdateCheckTest, AnythingButDottedNumbersIsNoVersion) {
    for (const char* pszLine :
         {"", "\r", "v1.5", "1..5", "1.5.", ".1", "1.5 beta", "<html>", "1.5-rc1", "1234567890.1", "1,5"})
        EXPECT_EQ(CompareVersions(pszLine, "1.4.3.2"), EVersionAnswer::Invalid) << pszLine;
    EXPECT_EQ(CompareVersions(std::string(200, '1'), "1.4.3.2"), EVersionAnswer::Invalid);
    EXPECT_EQ(CompareVersions(std::string("1.5\0", 4), "1.4.3.2"), EVersionAnswer::Invalid);
}

TEST(UpdateCheckTest, FirstLineStopsAtTheLineFeedAndIsCapped) {
    EXPECT_EQ(UpdateCheck::FirstLine("1.5\r\n2.0\n"), "1.5\r");
    EXPECT_EQ(UpdateCheck::FirstLine("1.5"), "1.5");
    EXPECT_EQ(UpdateCheck::FirstLine(std::string(100000, '9')).size(),
              static_cast<std::size_t>(UpdateCheck::MAX_VERSION_LINE + 2));
}

TEST(UpdateCheckTest, SilentCheckIsDueAfterSevenWholeDays) {
    const QDateTime dtNow(QDate(2026, 12, 8), QTime(12, 0, 0));
    EXPECT_FALSE(UpdateCheck::IsSilentCheckDue(true, dtNow.addDays(-7).addSecs(3600), dtNow));  // 6 d 23 h
    EXPECT_FALSE(
        UpdateCheck::IsSilentCheckDue(true, dtNow.addDays(-7).addMSecs(600), dtNow));  // rounds to 6 d
    EXPECT_TRUE(
        UpdateCheck::IsSilentCheckDue(true, dtNow.addDays(-7).addMSecs(400), dtNow));  // rounds to 7 d
    EXPECT_TRUE(UpdateCheck::IsSilentCheckDue(true, dtNow.addDays(-7), dtNow));
    EXPECT_FALSE(UpdateCheck::IsSilentCheckDue(false, dtNow.addDays(-30), dtNow));
    EXPECT_FALSE(UpdateCheck::IsSilentCheckDue(true, QDateTime(), dtNow));
    EXPECT_FALSE(UpdateCheck::IsSilentCheckDue(true, dtNow.addDays(8), dtNow));  // a clock set back
}
