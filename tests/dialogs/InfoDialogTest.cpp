// The help window and the missing-files window.

#include <gtest/gtest.h>

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "GuiTest.h"
#include "controls/CColorEdit.h"
#include "controls/CLabel.h"
#include "dialogs/CDownloadDialog.h"
#include "dialogs/CInfoDialog.h"
#include "dialogs/DialogsConfig.h"
#include "dialogs/InfoTexts.h"
#include "engine/CItemStates.h"

namespace {

class InfoDialogTest : public ::testing::Test {
protected:
    void SetUp() override { EnsureGuiApp(); }
};

TEST_F(InfoDialogTest, ChangelogButtonTogglesTextColoursTitleAndButtonText) {
    CInfoDialog dlg;
    dlg.show();
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Help"));
    EXPECT_EQ(dlg.ToggleButton()->text(), QStringLiteral("Ch&angelog"));
    EXPECT_EQ(dlg.TextColour(), QColor(Qt::white));
    EXPECT_EQ(dlg.BackgroundColour(), QColor(62, 106, 133));
    EXPECT_TRUE(dlg.TextBox()->toPlainText().startsWith(QStringLiteral("Harvex 1.4.3.2:\n")));

    QTest::mouseClick(dlg.ToggleButton(), Qt::LeftButton);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Changelog"));
    EXPECT_EQ(dlg.ToggleButton()->text(), QStringLiteral("&Help"));
    EXPECT_EQ(dlg.TextColour(), QColor(16, 28, 41));
    EXPECT_EQ(dlg.BackgroundColour(), QColor(148, 158, 173));
    EXPECT_TRUE(dlg.TextBox()->toPlainText().startsWith(QStringLiteral("Changelog:\n\nHarvex 1.4.3.2\n - ")));

    QTest::mouseClick(dlg.ToggleButton(), Qt::LeftButton);
    EXPECT_TRUE(dlg.IsHelpShown());
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Help"));
    EXPECT_EQ(dlg.BackgroundColour(), QColor(62, 106, 133));
}

TEST_F(InfoDialogTest, ReopeningAfterTheChangelogShowsTheHelpAgain) {
    CInfoDialog dlg;
    dlg.ToggleView();
    ASSERT_FALSE(dlg.IsHelpShown());
    auto pDone =
        WhenModalOpens<CInfoDialog>([](CInfoDialog* pDlg) { QTest::keyClick(pDlg, Qt::Key_Escape); });
    dlg.exec();
    EXPECT_TRUE(*pDone);
    EXPECT_TRUE(dlg.IsHelpShown());
    EXPECT_EQ(dlg.ToggleButton()->text(), QStringLiteral("Ch&angelog"));
    EXPECT_EQ(dlg.TextColour(), QColor(Qt::white));
}

TEST_F(InfoDialogTest, CtrlJPaintsOppositeRandomColours) {
    CInfoDialog dlg;
    dlg.show();
    dlg.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    QTest::keyClick(dlg.TextBox(), Qt::Key_J, Qt::ControlModifier);
    const QColor text = dlg.TextColour();
    const QColor back = dlg.BackgroundColour();
    EXPECT_EQ(back, QColor((text.red() + 128) % 255, (text.green() + 128) % 255, (text.blue() + 128) % 255));
    EXPECT_NE(back, QColor(62, 106, 133));
}

TEST_F(InfoDialogTest, HelpResultsUseTheJobListsOwnTexts) {
    const std::string strHelp = InfoTexts::HelpText();
    for (const char* pszText :
         {ItemStates::RESULT_CLEANUP_FAILED, ItemStates::RESULT_FAILED, ItemStates::NOTHING_TO_EXTRACT})
        EXPECT_NE(strHelp.find(std::string("\"") + pszText + "\"\r\n"), std::string::npos) << pszText;
    EXPECT_NE(strHelp.find("\"OK (time of process)\""), std::string::npos);
    EXPECT_NE(strHelp.find("Results:\r\n- - - - "), std::string::npos);
    EXPECT_NE(strHelp.find("Ctrl+R\tresets selected items(s).\r\n"), std::string::npos);
    EXPECT_NE(strHelp.find("- A maximum of 20 presets can be created.\r\n"), std::string::npos);
}

TEST_F(InfoDialogTest, LinksLeadToTheConfiguredAddresses) {
    CInfoDialog dlg;
    EXPECT_EQ(dlg.AuthorLink()->text(), QStringLiteral("author"));
    EXPECT_EQ(dlg.AuthorLink()->Url(), QStringLiteral("mailto:") + DialogsConfig::ContactMail());
    EXPECT_EQ(dlg.HomepageLink()->text(), QStringLiteral("Homepage"));
    EXPECT_EQ(dlg.HomepageLink()->Url(), DialogsConfig::HomepageUrl());
    EXPECT_TRUE(dlg.HomepageLink()->IsLink());
    EXPECT_TRUE(dlg.HomepageLink()->IsUnderlined());
    EXPECT_EQ(dlg.HomepageLink()->TextColor(), QColor(0, 0, 255));
}

TEST_F(InfoDialogTest, MissingFilesWindowHasItsCaptionTextAndInstallLink) {
    CDownloadDialog dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Critical file(s) missing!"));
    EXPECT_EQ(
        dlg.Message()->text(),
        QStringLiteral("There are files missing that are required for this program to work correctly.\n\n"
                       "You should download the setup and reinstall Harvex."));
    EXPECT_EQ(dlg.Link()->Url(), DialogsConfig::InstallInstructions());
    EXPECT_EQ(dlg.Link()->text(), QStringLiteral("here"));
    EXPECT_TRUE(dlg.Link()->IsLink());
    dlg.show();
    QTest::mouseClick(dlg.CloseButton(), Qt::LeftButton);
    EXPECT_FALSE(dlg.isVisible());
}

}  // namespace
