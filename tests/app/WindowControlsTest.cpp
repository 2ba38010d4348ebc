// The window's controls: texts, tooltips, columns, option boxes and the status line.

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolTip>

#include "WindowHarness.h"
#include "engine/CItemStates.h"
#include "settings/SettingsSchema.h"
#include "tests/fixtures/TestFiles.h"

namespace {
QColor Rgb(uint32_t n) {
    return QColor((n >> 16) & 0xFF, (n >> 8) & 0xFF, n & 0xFF);
}
}  // namespace

TEST(WindowControlsTest, ButtonsCarryTheirTextsAndTooltipsAndKillAndPauseStartDisabled) {
    CWindowHarness h;
    h.Show();
    CQuarnelDlg& d = h.Dlg();
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Harvex 1.4.3.2"));
    EXPECT_EQ(d.Button(CQuarnelDlg::CMD_PAUSE)->text(), QStringLiteral("P&ause list"));
    EXPECT_EQ(d.Button(CQuarnelDlg::CMD_PAUSE)->toolTip(),
              QStringLiteral("Paus list after this item has finished"));
    EXPECT_EQ(d.Button(CQuarnelDlg::CMD_GO)->text(), QStringLiteral("&Go!"));
    EXPECT_TRUE(d.Button(CQuarnelDlg::CMD_GO)->isDefault());
    EXPECT_EQ(d.Button(CQuarnelDlg::CMD_EXIT)->toolTip(), QStringLiteral("Close Harvex (Esc)"));
    EXPECT_EQ(d.Button(CQuarnelDlg::CMD_DONATE)->toolTip(),
              QStringLiteral("Help keep Harvex alive by donating via Paypal"));
    EXPECT_EQ(d.Box(CQuarnelDlg::BOX_SUBS_FOLDER)->toolTip(),
              QStringLiteral("Extract subtitles to output\\Subs folder"));
    EXPECT_EQ(d.LogBox()->toolTip(), QStringLiteral("Shows output from unzip and unrar"));
    EXPECT_FALSE(d.Button(CQuarnelDlg::CMD_KILL)->isEnabled());
    EXPECT_FALSE(d.Button(CQuarnelDlg::CMD_PAUSE)->isEnabled());
    QStringList arrGroups;
    for (QGroupBox* pGroup : d.findChildren<QGroupBox*>())
        arrGroups << pGroup->title();
    arrGroups.sort();
    EXPECT_EQ(arrGroups, QStringList({"General options:", "Options for folders:", "Process:"}));
    EXPECT_EQ(d.LogBox()->BkColor(), QColor(192, 214, 192));
    EXPECT_EQ(d.StatusLine()->BkColor(), QColor(195, 211, 253));
}

TEST(WindowControlsTest, LabelsTakeTheirColoursFromTheButtonFace) {
    CWindowHarness h;
    h.Show();
    const QColor face = h.Dlg().palette().color(QPalette::Button);
    const int r = face.red(), g = face.green(), b = face.blue();
    CLabel* pDrop = nullptr;
    CLabel* pMenu = nullptr;
    for (CLabel* pLabel : h.Dlg().findChildren<CLabel*>()) {
        if (pLabel->text() == QStringLiteral("Drag and drop folders, zip and rar files"))
            pDrop = pLabel;
        if (pLabel->text() == QStringLiteral("Right click on item(s) in list for menu"))
            pMenu = pLabel;
    }
    ASSERT_NE(pDrop, nullptr);
    ASSERT_NE(pMenu, nullptr);
    EXPECT_EQ(pDrop->TextColor(), QColor((r + 100) % 255, (g + 140) % 255, b));
    EXPECT_EQ(pMenu->TextColor(), QColor(r, (g + 140) % 255, (b + 140) % 255));
}

TEST(WindowControlsTest, AThousandPixelListGetsColumnsOf390And170And440) {
    CWindowHarness h;
    h.Show();
    h.Dlg().SizeColumns(1000);
    QHeaderView* pHeader = h.View()->header();
    EXPECT_EQ(pHeader->sectionSize(0), 390);
    EXPECT_EQ(pHeader->sectionSize(1), 170);
    // The last column takes the remainder of the list's own width.
    EXPECT_EQ(pHeader->sectionSize(0) + pHeader->sectionSize(1) + pHeader->sectionSize(2),
              std::max(1000, h.Viewport()->width()));
}

TEST(WindowControlsTest, ColumnsAreMadeFromTheListsWidthWhenShown) {
    CWindowHarness h;
    h.Show();
    const int nWidth = h.Viewport()->width();
    EXPECT_EQ(h.View()->header()->sectionSize(0), static_cast<int>(nWidth * 0.39));
    EXPECT_EQ(h.View()->header()->sectionSize(1), static_cast<int>(nWidth * 0.17));
}

TEST(WindowControlsTest, TestBoxDisablesTheSevenOthersAndEmptiesEveryOutputCell) {
    CWindowHarness h;
    const std::string strFolder = h.tmp.MakeDir("Some.Folder");
    h.Show();
    h.Dlg().AddPaths({QString::fromStdString(strFolder)});
    ASSERT_EQ(h.List().RowCount(), 1);
    EXPECT_FALSE(h.List().RowText(0, CJobList::COLUMN_OUTPUT).empty());
    h.ClickBox(CQuarnelDlg::BOX_TEST);
    EXPECT_EQ(h.Dlg().Settings().bTest, 1);
    EXPECT_EQ(h.List().MainOptions().bTest, 1);
    for (int n = 0; n < CQuarnelDlg::BOX_COUNT; ++n)
        if (n != CQuarnelDlg::BOX_TEST)
            EXPECT_FALSE(h.Dlg().Box(static_cast<CQuarnelDlg::EOptionBox>(n))->isEnabled()) << n;
    EXPECT_EQ(h.List().RowText(0, CJobList::COLUMN_OUTPUT), "");
    h.ClickBox(CQuarnelDlg::BOX_TEST);
    EXPECT_TRUE(h.Dlg().Box(CQuarnelDlg::BOX_CLEAN_UP)->isEnabled());
    EXPECT_FALSE(h.List().RowText(0, CJobList::COLUMN_OUTPUT).empty());
}

TEST(WindowControlsTest, UncheckingKeepSubsDisablesKeepSubsFolderButLeavesItsMark) {
    CWindowHarness h;
    h.Dlg().Settings().bSubs = 1;
    h.Dlg().Settings().bSubsFolder = 1;
    h.Show();
    QCheckBox* pSubsFolder = h.Dlg().Box(CQuarnelDlg::BOX_SUBS_FOLDER);
    EXPECT_TRUE(pSubsFolder->isEnabled());
    h.ClickBox(CQuarnelDlg::BOX_SUBS);
    EXPECT_EQ(h.Dlg().Settings().bSubs, 0);
    EXPECT_EQ(h.List().MainOptions().bSubs, 0);
    EXPECT_FALSE(pSubsFolder->isEnabled());
    EXPECT_TRUE(pSubsFolder->isChecked());
}

TEST(WindowControlsTest, KeepFolderRefreshesTheOutputColumnOfAFolderItem) {
    CWindowHarness h;
    h.Dlg().Settings().bMainFolder = 1;
    h.Dlg().Settings().arrHistory = {h.tmp.MakeDir("Out")};
    const std::string strFolder = h.tmp.MakeDir("In/Movie.Folder");
    h.Show();
    h.Dlg().AddPaths({QString::fromStdString(strFolder)});
    ASSERT_EQ(h.List().RowCount(), 1);
    h.Dlg().Output().ChooseHistoryEntry({0}, 0);
    const std::string strWith = h.List().RowText(0, CJobList::COLUMN_OUTPUT);
    h.ClickBox(CQuarnelDlg::BOX_KEEP_FOLDER);
    EXPECT_EQ(h.List().MainOptions().bMainFolder, 0);
    const std::string strWithout = h.List().RowText(0, CJobList::COLUMN_OUTPUT);
    EXPECT_NE(strWith, strWithout);
    EXPECT_NE(strWith.find("Movie.Folder"), std::string::npos);
    EXPECT_EQ(strWithout.find("Movie.Folder"), std::string::npos);
}

TEST(WindowControlsTest, StatusMessageStandsForItsTicksThenIsErasedFromTheEnd) {
    CWindowHarness h;
    h.Show();
    CQuarnelDlg& d = h.Dlg();
    d.SetStatusColours(0xFFFFFF, ItemStates::Rgb(160, 0, 0));
    const QString strText = QStringLiteral(" Harvex only accepts folders, zip and rar files");
    d.ShowStatus(strText, 600, false);  // 20 ticks of 30 ms
    EXPECT_EQ(d.Timer(CQuarnelDlg::TIMER_STATUS)->interval(), 30);
    EXPECT_EQ(d.StatusLine()->BkColor(), QColor(160, 0, 0));
    QTest::qWait(450);
    EXPECT_EQ(d.StatusLine()->text(), strText);
    // After the hold, one character goes every tick, from the end.
    ASSERT_TRUE(QTest::qWaitFor([&] { return d.StatusLine()->text().size() < strText.size(); }, 1000));
    EXPECT_TRUE(strText.startsWith(d.StatusLine()->text()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return d.StatusLine()->text().isEmpty(); }, 5000));
    EXPECT_FALSE(d.Timer(CQuarnelDlg::TIMER_STATUS)->isActive());
    EXPECT_EQ(d.StatusLine()->BkColor(), Rgb(d.StatusBackground()));
    d.ShowStatus(QStringLiteral("x"), 0, true);
    EXPECT_EQ(d.Timer(CQuarnelDlg::TIMER_STATUS)->interval(), 15);
}

TEST(WindowControlsTest, TooltipsFollowTheShowTooltipsSetting) {
    CWindowHarness h;
    h.Dlg().Settings().bShowTooltips = 0;
    h.Show();
    QPushButton* pGo = h.Dlg().Button(CQuarnelDlg::CMD_GO);
    QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), pGo->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(pGo, &help);
    EXPECT_FALSE(QToolTip::isVisible());
    h.Dlg().Settings().bShowTooltips = 1;
    QApplication::sendEvent(pGo, &help);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_TRUE(QToolTip::text().contains(QStringLiteral("Process all items in list")));
    QToolTip::hideText();
}
