// Go!, Pause and Kill from the buttons on real release folders, and what the window
// shows while and after a list is processed.

#include <QAction>
#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>

#include "WindowHarness.h"
#include "engine/CItemStates.h"
#include "tests/fixtures/CRarWriter.h"
#include "tests/fixtures/TestFiles.h"

namespace {

// A release folder: a RAR set of three volumes and an nfo.
std::string MakeRelease(CTempDir& tmp, const std::string& strName, std::size_t nSize = 48 * 1024) {
    const std::string strRel = tmp.MakeDir(strName);
    CRarOptions options;
    options.nVolumeSize = 16 * 1024;
    CRarWriter set(options);
    set.AddFile("movie.mkv", testfiles::RandomBytes(nSize, 7));
    set.Write(strRel + "/movie.rar");
    testfiles::WriteFile(strRel + "/movie.nfo", "notes\n");
    return strRel;
}

QColor Colour(const CJobList& list, int nRow, int nColumn) {
    const uint n = list.data(list.index(nRow, nColumn), CJobList::TextColourRole).toUInt();
    return QColor((n >> 16) & 0xFF, (n >> 8) & 0xFF, n & 0xFF);
}

}  // namespace

TEST(WindowRunTest, GoOnAReleaseFolderEndsWithTheResultTextImageAndColour) {
    REQUIRE_TOOLS();
    CWindowHarness h("run-go");
    const std::string strRel = MakeRelease(h.tmp, "Movie.2024");
    h.Dlg().Settings().arrHistory = {h.tmp.MakeDir("Out")};
    h.Show();
    h.Dlg().AddPaths({QString::fromStdString(strRel)});
    ASSERT_EQ(h.List().RowCount(), 1);
    QTest::mouseClick(h.Dlg().Button(CQuarnelDlg::CMD_GO), Qt::LeftButton);
    EXPECT_TRUE(h.Dlg().IsProcessing());
    ASSERT_TRUE(h.WaitForRunEnd());
    const CListItem* pItem = h.List().ItemAtRow(0);
    ASSERT_NE(pItem, nullptr);
    EXPECT_EQ(pItem->strStatus, ItemStates::COMPLETED)
        << (pItem->arrErrors.empty() ? "" : pItem->arrErrors[0]);
    EXPECT_EQ(h.List().RowText(0, CJobList::COLUMN_RESULT).rfind("OK (", 0), 0u);
    EXPECT_EQ(h.List().RowImage(0), ItemStates::IMAGE_COMPLETED);
    EXPECT_EQ(Colour(h.List(), 0, CJobList::COLUMN_RESULT), QColor(0, 160, 0));
    // Extracted where the window recorded the run's output folder.
    EXPECT_TRUE(pItem->bHasRun);
    EXPECT_FALSE(pItem->bRunWasTest);
    EXPECT_TRUE(testfiles::Exists(pItem->strRunOutputFolder + "/movie.mkv")) << pItem->strRunOutputFolder;
    // The run's output reached the process box, and the bar is gone.
    EXPECT_TRUE(h.Dlg().LogBox()->toPlainText().contains(QStringLiteral("movie.mkv")));
    EXPECT_EQ(h.View()->ProgressItemId(), -1);
    EXPECT_FALSE(h.Dlg().Timer(CQuarnelDlg::TIMER_EXTRACT_FRAMES)->isActive());
    EXPECT_FALSE(h.Dlg().Timer(CQuarnelDlg::TIMER_BAR)->isActive());
}

TEST(WindowRunTest, ControlsAreDisabledWhileProcessingAndComeBackAfterwards) {
    REQUIRE_TOOLS();
    CWindowHarness h("run-states");
    const std::string strRel = MakeRelease(h.tmp, "Movie.2024");
    h.Show();
    h.Dlg().AddPaths({QString::fromStdString(strRel)});
    std::vector<std::string> arrWrong;
    QObject::connect(&h.Dlg().Driver(), &CDriver::RowStarted, &h.Dlg(), [&] {
        CQuarnelDlg& d = h.Dlg();
        for (auto n :
             {CQuarnelDlg::CMD_GO, CQuarnelDlg::CMD_HELP, CQuarnelDlg::CMD_DONATE, CQuarnelDlg::CMD_UPDATE,
              CQuarnelDlg::CMD_EXIT, CQuarnelDlg::CMD_CLEAR_LIST, CQuarnelDlg::CMD_RESET_LIST,
              CQuarnelDlg::CMD_REMOVE_SUCCESSFUL, CQuarnelDlg::CMD_PRESETS, CQuarnelDlg::CMD_PREFERENCES})
            if (d.Button(n)->isEnabled())
                arrWrong.push_back(d.Button(n)->text().toStdString());
        for (int n = 0; n < CQuarnelDlg::BOX_COUNT; ++n)
            if (d.Box(static_cast<CQuarnelDlg::EOptionBox>(n))->isEnabled())
                arrWrong.push_back("box " + std::to_string(n));
        if (!d.Button(CQuarnelDlg::CMD_KILL)->isEnabled() || !d.Button(CQuarnelDlg::CMD_PAUSE)->isEnabled())
            arrWrong.push_back("kill/pause disabled");
        // While processing the list keys do nothing.
        QTest::keyClick(h.View(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(h.View(), Qt::Key_Delete);
        if (h.List().RowCount() != 1 || !h.View()->selectionModel()->selectedRows().isEmpty())
            arrWrong.push_back("a list key acted while processing");
    });
    // The bar and the animation timers come with the progress display.
    bool bProgressSeen = false;
    QObject::connect(&h.Dlg().Driver(), &CDriver::ProgressStarted, &h.Dlg(), [&](int nId, bool) {
        bProgressSeen = true;
        CQuarnelDlg& d = h.Dlg();
        if (!d.Timer(CQuarnelDlg::TIMER_BAR)->isActive() || !d.Timer(CQuarnelDlg::TIMER_TRAY)->isActive() ||
            !d.Timer(CQuarnelDlg::TIMER_EXTRACT_FRAMES)->isActive())
            arrWrong.push_back("timers 2/3/5 not running");
        if (h.View()->ProgressItemId() != nId)
            arrWrong.push_back("no bar on the running row");
        if (d.Timer(CQuarnelDlg::TIMER_BAR)->interval() != 27 ||
            d.Timer(CQuarnelDlg::TIMER_TRAY)->interval() != 582 ||
            d.Timer(CQuarnelDlg::TIMER_EXTRACT_FRAMES)->interval() != 97)
            arrWrong.push_back("timer intervals");
    });
    QTest::mouseClick(h.Dlg().Button(CQuarnelDlg::CMD_GO), Qt::LeftButton);
    ASSERT_TRUE(h.WaitForRunEnd());
    EXPECT_TRUE(bProgressSeen);
    EXPECT_TRUE(arrWrong.empty()) << arrWrong.front();
    EXPECT_TRUE(h.Dlg().Button(CQuarnelDlg::CMD_GO)->isEnabled());
    EXPECT_TRUE(h.Dlg().Box(CQuarnelDlg::BOX_TEST)->isEnabled());
    EXPECT_FALSE(h.Dlg().Button(CQuarnelDlg::CMD_KILL)->isEnabled());
    EXPECT_FALSE(h.Dlg().Button(CQuarnelDlg::CMD_PAUSE)->isEnabled());
}

TEST(WindowRunTest, KillButtonEndsTheItemAsKilled) {
    REQUIRE_TOOLS();
    CWindowHarness h("run-kill");
    const std::string strRel = MakeRelease(h.tmp, "Movie.2024");
    h.Show();
    h.Dlg().AddPaths({QString::fromStdString(strRel)});
    QObject::connect(&h.Dlg().Driver(), &CDriver::RowStarted, &h.Dlg(),
                     [&] { QTest::mouseClick(h.Dlg().Button(CQuarnelDlg::CMD_KILL), Qt::LeftButton); });
    QTest::mouseClick(h.Dlg().Button(CQuarnelDlg::CMD_GO), Qt::LeftButton);
    ASSERT_TRUE(h.WaitForRunEnd());
    EXPECT_EQ(h.List().ItemAtRow(0)->strStatus, ItemStates::KILLED);
    EXPECT_EQ(h.List().RowImage(0), ItemStates::IMAGE_KILLED);
    EXPECT_TRUE(h.Dlg().StatusLine()->text().startsWith(QStringLiteral(" Processing aborted")));
}

TEST(WindowRunTest, PauseButtonStopsTheListAfterTheCurrentItem) {
    REQUIRE_TOOLS();
    CWindowHarness h("run-pause");
    const std::string strFirst = MakeRelease(h.tmp, "First.2024");
    const std::string strSecond = MakeRelease(h.tmp, "Second.2024");
    h.Show();
    h.Dlg().AddPaths({QString::fromStdString(strFirst), QString::fromStdString(strSecond)});
    ASSERT_EQ(h.List().RowCount(), 2);
    bool bClicked = false;
    QObject::connect(&h.Dlg().Driver(), &CDriver::RowStarted, &h.Dlg(), [&] {
        if (!bClicked)
            QTest::mouseClick(h.Dlg().Button(CQuarnelDlg::CMD_PAUSE), Qt::LeftButton);
        bClicked = true;
    });
    QTest::mouseClick(h.Dlg().Button(CQuarnelDlg::CMD_GO), Qt::LeftButton);
    ASSERT_TRUE(h.WaitForRunEnd());
    EXPECT_EQ(h.List().ItemAtRow(0)->strStatus, ItemStates::COMPLETED);
    EXPECT_EQ(h.List().ItemAtRow(1)->strStatus, "");
    EXPECT_FALSE(testfiles::Exists(strSecond + "/movie.mkv"));
}

TEST(WindowRunTest, ExitFromTheTrayWhileProcessingClosesTheWindowWhenTheRunHasEnded) {
    REQUIRE_TOOLS();
    CWindowHarness h("run-trayexit");
    const std::string strRel = MakeRelease(h.tmp, "Movie.2024");
    h.Show();
    h.Dlg().AddPaths({QString::fromStdString(strRel)});
    bool bFinished = false;
    QObject::connect(&h.Dlg(), &QDialog::finished, [&] { bFinished = true; });
    QObject::connect(&h.Dlg().Driver(), &CDriver::RowStarted, &h.Dlg(), [&] {
        h.Dlg().TrayExitAction()->trigger();
        // Still open: the run has to end first.
        EXPECT_TRUE(h.Dlg().isVisible());
    });
    QTest::mouseClick(h.Dlg().Button(CQuarnelDlg::CMD_GO), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return bFinished; }, 60000));
    EXPECT_FALSE(h.Dlg().IsProcessing());
    EXPECT_FALSE(h.Dlg().isVisible());
}

TEST(WindowRunTest, EndOfARunWhileHiddenInTheTrayNotifiesTheDesktop) {
    REQUIRE_TOOLS();
    if (!CWindowHarness::TrayAvailable())
        GTEST_SKIP() << "no tray on this desktop";
    CWindowHarness h("run-notify");
    const std::string strRel = MakeRelease(h.tmp, "Movie.2024");
    h.Show();
    h.Dlg().AddPaths({QString::fromStdString(strRel)});
    QString strNotified;
    QObject::connect(&h.Dlg(), &CQuarnelDlg::RunNotified,
                     [&](const QString&, const QString& s) { strNotified = s; });
    QTest::keyClick(&h.Dlg(), Qt::Key_F9);
    EXPECT_TRUE(h.Dlg().IsHiddenInTray());
    EXPECT_FALSE(h.Dlg().isVisible());
    h.Dlg().Go();
    ASSERT_TRUE(h.WaitForRunEnd());
    EXPECT_EQ(strNotified, QStringLiteral("All items in list completed OK"));
    EXPECT_EQ(h.Dlg().TrayToolTip(), QStringLiteral("All items in list completed OK"));
}

TEST(WindowRunTest, WithoutATrayTheEndOfARunNotifiesNothing) {
    REQUIRE_TOOLS();
    if (CWindowHarness::TrayAvailable())
        GTEST_SKIP() << "this desktop has a tray";
    CWindowHarness h("run-nonotify");
    const std::string strRel = MakeRelease(h.tmp, "Movie.2024");
    h.Show();
    h.Dlg().AddPaths({QString::fromStdString(strRel)});
    int nNotified = 0;
    QObject::connect(&h.Dlg(), &CQuarnelDlg::RunNotified, [&] { ++nNotified; });
    QTest::keyClick(&h.Dlg(), Qt::Key_F9);  // minimises: there is no tray to hide in
    EXPECT_FALSE(h.Dlg().IsHiddenInTray());
    h.Dlg().Go();
    ASSERT_TRUE(h.WaitForRunEnd());
    EXPECT_EQ(h.List().ItemAtRow(0)->strStatus, ItemStates::COMPLETED);
    EXPECT_EQ(nNotified, 0);
    // The summary still reaches the tray data, for when a tray appears.
    EXPECT_EQ(h.Dlg().TrayToolTip(), QStringLiteral("All items in list completed OK"));
}

TEST(WindowRunTest, CloseOnOkClosesTheWindowWhenEveryItemCompleted) {
    REQUIRE_TOOLS();
    CWindowHarness h("run-closeonok");
    const std::string strRel = MakeRelease(h.tmp, "Movie.2024");
    h.Dlg().Settings().bCloseOnOk = 1;
    h.Show();
    h.Dlg().AddPaths({QString::fromStdString(strRel)});
    bool bFinished = false;
    QObject::connect(&h.Dlg(), &QDialog::finished, [&] { bFinished = true; });
    h.Dlg().Go();
    ASSERT_TRUE(h.WaitForRunEnd());
    EXPECT_EQ(h.List().ItemAtRow(0)->strStatus, ItemStates::COMPLETED);
    EXPECT_EQ(h.Dlg().Driver().nLastEndAction, EEndAction::Exit);
    EXPECT_TRUE(QTest::qWaitFor([&] { return bFinished; }, 5000));
    EXPECT_FALSE(h.Dlg().IsProcessing());
    EXPECT_FALSE(h.Dlg().isVisible());
}

TEST(WindowRunTest, RestoreOnOkBringsTheWindowOutOfTheTrayWhenEveryItemCompleted) {
    REQUIRE_TOOLS();
    if (!CWindowHarness::TrayAvailable())
        GTEST_SKIP() << "no tray on this desktop";
    CWindowHarness h("run-restoreonok");
    const std::string strRel = MakeRelease(h.tmp, "Movie.2024");
    h.Dlg().Settings().bRestoreOnOk = 1;
    h.Show();
    h.Dlg().AddPaths({QString::fromStdString(strRel)});
    QTest::keyClick(&h.Dlg(), Qt::Key_F9);
    ASSERT_TRUE(h.Dlg().IsHiddenInTray());
    ASSERT_FALSE(h.Dlg().isVisible());
    h.Dlg().Go();
    ASSERT_TRUE(h.WaitForRunEnd());
    EXPECT_EQ(h.List().ItemAtRow(0)->strStatus, ItemStates::COMPLETED);
    EXPECT_TRUE(QTest::qWaitFor([&] { return h.Dlg().isVisible(); }, 5000));
    EXPECT_FALSE(h.Dlg().IsHiddenInTray());
}

TEST(WindowRunTest, WithoutATrayRestoreOnOkShowsTheMinimisedWindowAgain) {
    REQUIRE_TOOLS();
    if (CWindowHarness::TrayAvailable())
        GTEST_SKIP() << "this desktop has a tray";
    CWindowHarness h("run-restorenotray");
    const std::string strRel = MakeRelease(h.tmp, "Movie.2024");
    h.Dlg().Settings().bRestoreOnOk = 1;
    h.Show();
    h.Dlg().AddPaths({QString::fromStdString(strRel)});
    QTest::keyClick(&h.Dlg(), Qt::Key_F9);  // minimises: there is no tray to hide in
    ASSERT_TRUE(h.Dlg().isMinimized());
    h.Dlg().Go();
    ASSERT_TRUE(h.WaitForRunEnd());
    EXPECT_EQ(h.List().ItemAtRow(0)->strStatus, ItemStates::COMPLETED);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !h.Dlg().isMinimized(); }, 5000));
    EXPECT_TRUE(h.Dlg().isVisible());
}
