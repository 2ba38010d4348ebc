// The preferences dialog: pairs, Apply, Cancel, the integration values in the real store.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "GuiTest.h"
#include "dialogs/CAdvancedOptions.h"
#include "platform/AdminRights.h"
#include "settings/SettingsSchema.h"
#include "tests/support/CTempRegistryDir.h"

namespace {

class PreferencesTest : public ::testing::Test {
protected:
    void SetUp() override { EnsureGuiApp(); }
    void Click(CAdvancedOptions& dlg, CAdvancedOptions::EBox box) { ClickBox(dlg.Box(box)); }
    CSettings Stored() {
        CSettings stored;
        std::vector<CPresets> arrPresets;
        LoadSettings(stored, arrPresets);
        return stored;
    }

    CTempRegistryDir registry;
    CSettings settings;
};

TEST_F(PreferencesTest, EachPairKeepsAtMostOneTicked) {
    CAdvancedOptions dlg(settings, true);
    dlg.Prepare();
    dlg.show();
    Click(dlg, CAdvancedOptions::RESTORE_ON_OK);
    Click(dlg, CAdvancedOptions::CLOSE_ON_OK);
    EXPECT_FALSE(dlg.Box(CAdvancedOptions::RESTORE_ON_OK)->isChecked());
    EXPECT_TRUE(dlg.Box(CAdvancedOptions::CLOSE_ON_OK)->isChecked());
    Click(dlg, CAdvancedOptions::CLOSE_ON_ERROR);
    Click(dlg, CAdvancedOptions::RESTORE_ON_ERROR);
    EXPECT_TRUE(dlg.Box(CAdvancedOptions::RESTORE_ON_ERROR)->isChecked());
    EXPECT_FALSE(dlg.Box(CAdvancedOptions::CLOSE_ON_ERROR)->isChecked());
    // The other group is left alone.
    EXPECT_TRUE(dlg.Box(CAdvancedOptions::CLOSE_ON_OK)->isChecked());
}

TEST_F(PreferencesTest, RestoreAndCloseBothStoredShowsOnlyRestoreAndClearsCloseAtOnce) {
    settings.bRestoreOnOk = 1;
    settings.bCloseOnOk = 1;
    settings.bRestoreOnError = 1;
    settings.bCloseOnError = 1;
    CAdvancedOptions dlg(settings, true);
    dlg.Prepare();
    EXPECT_TRUE(dlg.Box(CAdvancedOptions::RESTORE_ON_OK)->isChecked());
    EXPECT_FALSE(dlg.Box(CAdvancedOptions::CLOSE_ON_OK)->isChecked());
    EXPECT_EQ(settings.bCloseOnOk, 0);
    EXPECT_EQ(settings.bCloseOnError, 0);
}

TEST_F(PreferencesTest, ApplyIsDisabledUntilAChangeAndAgainAfterApplying) {
    CAdvancedOptions dlg(settings, true);
    dlg.Prepare();
    dlg.show();
    EXPECT_FALSE(dlg.ApplyButton()->isEnabled());
    Click(dlg, CAdvancedOptions::PASSWORD_PROMPT);
    EXPECT_TRUE(dlg.ApplyButton()->isEnabled());
    EXPECT_EQ(settings.bPasswordPrompt, 1);  // nothing written before Apply
    QTest::mouseClick(dlg.ApplyButton(), Qt::LeftButton);
    EXPECT_EQ(settings.bPasswordPrompt, 0);
    EXPECT_FALSE(dlg.ApplyButton()->isEnabled());
}

TEST_F(PreferencesTest, ApplyThenCancelKeepsTheAppliedValuesOnly) {
    CAdvancedOptions dlg(settings, true);
    dlg.Prepare();
    dlg.show();
    Click(dlg, CAdvancedOptions::CHECK_UPDATES);
    QTest::mouseClick(dlg.ApplyButton(), Qt::LeftButton);
    Click(dlg, CAdvancedOptions::PASSWORD_PROMPT);
    QTest::mouseClick(dlg.CancelButton(), Qt::LeftButton);
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_EQ(settings.bCheckUpdates, 0);
    EXPECT_EQ(settings.bPasswordPrompt, 1);
}

TEST_F(PreferencesTest, EscapeClosesWithoutApplying) {
    CAdvancedOptions dlg(settings, true);
    dlg.Prepare();
    dlg.show();
    Click(dlg, CAdvancedOptions::SHOW_TOOLTIPS);
    QTest::keyClick(&dlg, Qt::Key_Escape);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(settings.bShowTooltips, 1);
}

TEST_F(PreferencesTest, ClearingIntegrationGreysItsTwoBoxesAndStoresOnlyThatValue) {
    CAdvancedOptions dlg(settings, true);
    dlg.Prepare();
    dlg.show();
    Click(dlg, CAdvancedOptions::SUBMENU_IN_CONTEXT);  // ticked now
    Click(dlg, CAdvancedOptions::WIN_INTEGRATION);     // cleared
    EXPECT_FALSE(dlg.Box(CAdvancedOptions::ICONS_IN_CONTEXT)->isEnabled());
    EXPECT_FALSE(dlg.Box(CAdvancedOptions::SUBMENU_IN_CONTEXT)->isEnabled());
    EXPECT_TRUE(dlg.Box(CAdvancedOptions::SUBMENU_IN_CONTEXT)->isChecked());
    Click(dlg, CAdvancedOptions::CHECK_UPDATES);
    QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);

    const CSettings stored = Stored();
    EXPECT_EQ(stored.bWinIntegration, 0);
    EXPECT_EQ(stored.bIconsInContext, 1);
    EXPECT_EQ(stored.bSubmenuInContext, 1);
    EXPECT_EQ(stored.bCheckUpdates, 1);  // saved with the settings later, not here
    EXPECT_EQ(settings.bCheckUpdates, 0);
}

TEST_F(PreferencesTest, UserWithoutRightsSeesTheLabelAndCanStillStore) {
    CAdvancedOptions dlg(settings, false);
    dlg.Prepare();
    dlg.show();
    EXPECT_EQ(dlg.AdminLabel()->text(), QStringLiteral("*you need admin rights to use these options"));
    EXPECT_EQ(dlg.IntegrationGroup()->title(), QStringLiteral("Desktop integration*"));
    EXPECT_TRUE(dlg.Box(CAdvancedOptions::WIN_INTEGRATION)->isEnabled());
    Click(dlg, CAdvancedOptions::ICONS_IN_CONTEXT);
    QTest::mouseClick(dlg.ApplyButton(), Qt::LeftButton);
    EXPECT_EQ(Stored().bIconsInContext, 0);

    CAdvancedOptions admin(settings, true);
    admin.Prepare();
    EXPECT_TRUE(admin.AdminLabel()->text().isEmpty());
    EXPECT_EQ(admin.IntegrationGroup()->title(), QStringLiteral("Desktop integration"));
}

TEST_F(PreferencesTest, AppliedTooltipSettingIsSignalledAndSwitchesTheDialogsOwnTips) {
    CAdvancedOptions dlg(settings, true);
    dlg.Prepare();
    dlg.show();
    QSignalSpy spy(&dlg, &CAdvancedOptions::TooltipsChanged);
    EXPECT_EQ(dlg.Box(CAdvancedOptions::CLOSE_ON_ERROR)->toolTip(),
              QStringLiteral("Ignore errors and close program"));
    Click(dlg, CAdvancedOptions::SHOW_TOOLTIPS);
    QTest::mouseClick(dlg.ApplyButton(), Qt::LeftButton);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_FALSE(spy.at(0).at(0).toBool());
    EXPECT_TRUE(dlg.Box(CAdvancedOptions::CLOSE_ON_ERROR)->toolTip().isEmpty());
}

TEST(AdminRightsTest, RootOrAnAdministratorGroupHasTheRights) {
    EXPECT_TRUE(HasAdminRights(0, {}));
    EXPECT_TRUE(HasAdminRights(1000, {"users", "wheel"}));
    EXPECT_TRUE(HasAdminRights(1000, {"sudo"}));
    EXPECT_TRUE(HasAdminRights(1000, {"admin"}));
    EXPECT_FALSE(HasAdminRights(1000, {"users", "sudoers", "wheelie"}));
}

}  // namespace
