#include <gtest/gtest.h>

#include "settings/CPresets.h"
#include "settings/CSettings.h"

TEST(SettingsRecordTest, FreshRecordKeepsNfoSubsAndFolderOnly) {
    CSettings s;
    EXPECT_EQ(s.bNfo, 1);
    EXPECT_EQ(s.bSubs, 1);
    EXPECT_EQ(s.bMainFolder, 1);
    EXPECT_EQ(s.bTest, 0);
    EXPECT_EQ(s.bSubsFolder, 0);
    EXPECT_EQ(s.bCleanUp, 0);
    EXPECT_EQ(s.bSample, 0);
    EXPECT_EQ(s.bCovers, 0);
    EXPECT_EQ(s.bOutputToInput, 0);
    EXPECT_EQ(s.bShowTooltips, 1);
    EXPECT_EQ(s.bCheckUpdates, 1);
    EXPECT_EQ(s.bPasswordPrompt, 1);
    EXPECT_EQ(s.bWinIntegration, 1);
    EXPECT_EQ(s.bIconsInContext, 1);
    EXPECT_EQ(s.bSubmenuInContext, 0);
    EXPECT_EQ(s.bRestoreOnOk + s.bCloseOnOk + s.bRestoreOnError + s.bCloseOnError, 0);
    EXPECT_TRUE(s.arrHistory.empty());
    EXPECT_FALSE(s.dtLastUpdateCheck.isValid());
}

TEST(SettingsRecordTest, FreshPresetIsAllClearAndNameless) {
    CPresets p;
    EXPECT_EQ(p.bNfo + p.bSubs + p.bSubsFolder + p.bMainFolder + p.bCleanUp + p.bSample + p.bCovers +
                  p.bOutputToInput + p.bTest,
              0);
    EXPECT_TRUE(p.strName.empty());
    EXPECT_TRUE(p.strOutputPath.empty());
}
