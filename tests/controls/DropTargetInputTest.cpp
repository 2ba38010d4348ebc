#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolTip>
#include <QUrl>

#include "ViewFixture.h"

namespace {

// Sends a drag of these addresses over the list and drops it; answers
// whether the list took the drag.
bool DropUrls(CViewFixture& f, const QList<QUrl>& arrUrls) {
    QMimeData data;
    data.setUrls(arrUrls);
    const QPoint pos(50, 50);
    QDragEnterEvent enter(pos, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f.Viewport(), &enter);
    if (!enter.isAccepted()) {
        return false;
    }
    QDragMoveEvent move(pos, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f.Viewport(), &move);
    QDropEvent drop(pos, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f.Viewport(), &drop);
    return drop.isAccepted();
}

}  // namespace

TEST(DropTargetInputTest, DroppedFolderAndFileArriveAsTheirPaths) {
    CViewFixture f({"A"});
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString strFolder = dir.filePath(QStringLiteral("Release.Folder"));
    ASSERT_TRUE(QDir().mkpath(strFolder));
    const QString strFile = dir.filePath(QStringLiteral("notes.txt"));
    QFile file(strFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("text");
    file.close();
    QSignalSpy dropped(&f.view, &CDropTarget::PathsDropped);
    // File managers send folders with a trailing slash.
    EXPECT_TRUE(
        DropUrls(f, {QUrl::fromLocalFile(strFolder + QLatin1Char('/')), QUrl::fromLocalFile(strFile)}));
    ASSERT_EQ(dropped.count(), 1);
    EXPECT_EQ(dropped.at(0).at(0).toStringList(), (QStringList{strFolder, strFile}));
}

TEST(DropTargetInputTest, DropsWithoutLocalFilesAreRefused) {
    CViewFixture f({"A"});
    QSignalSpy dropped(&f.view, &CDropTarget::PathsDropped);
    EXPECT_FALSE(DropUrls(f, {QUrl(QStringLiteral("https://example.org/a.zip"))}));
    EXPECT_EQ(dropped.count(), 0);
}

TEST(DropTargetInputTest, RightClickOnTheHeaderIsSwallowed) {
    CViewFixture f({"A", "B"});
    QTest::mouseClick(f.Viewport(), Qt::LeftButton, {}, f.RowPoint(1));
    QSignalSpy menu(&f.view, &CDropTarget::ContextMenuRequested);
    QTest::mousePress(f.view.header()->viewport(), Qt::RightButton, {}, QPoint(30, 5));
    QTest::mouseRelease(f.view.header()->viewport(), Qt::RightButton, {}, QPoint(30, 5));
    EXPECT_EQ(menu.count(), 0);
    EXPECT_EQ(f.view.SelectedRows(), (std::vector<int>{1}));
}

TEST(DropTargetInputTest, RightClickInTheTopTwentyPixelsIsSwallowedWithoutAHeader) {
    CViewFixture f({"A", "B", "C"});
    f.view.setHeaderHidden(true);
    QApplication::processEvents();
    QSignalSpy menu(&f.view, &CDropTarget::ContextMenuRequested);
    const int nFrame = f.Viewport()->mapTo(&f.view, QPoint(0, 0)).y() - f.view.contentsRect().top();
    QTest::mousePress(f.Viewport(), Qt::RightButton, {}, QPoint(40, 19 - nFrame));
    EXPECT_EQ(menu.count(), 0);
    QTest::mousePress(f.Viewport(), Qt::RightButton, {}, QPoint(40, 20 - nFrame));
    EXPECT_EQ(menu.count(), 1);
}

TEST(DropTargetInputTest, RightClickOnAnUnselectedRowSelectsOnlyThatRow) {
    CViewFixture f({"A", "B", "C", "D"});
    QTest::mouseClick(f.Viewport(), Qt::LeftButton, {}, f.RowPoint(0));
    QTest::mouseClick(f.Viewport(), Qt::LeftButton, Qt::ControlModifier, f.RowPoint(1));
    QSignalSpy menu(&f.view, &CDropTarget::ContextMenuRequested);
    QTest::mousePress(f.Viewport(), Qt::RightButton, {}, f.RowPoint(3));
    EXPECT_EQ(f.view.SelectedRows(), (std::vector<int>{3}));
    ASSERT_EQ(menu.count(), 1);
    EXPECT_EQ(menu.at(0).at(0).toPoint(), f.Viewport()->mapToGlobal(f.RowPoint(3)));
    EXPECT_EQ(menu.at(0).at(1).toInt(), 3);
}

TEST(DropTargetInputTest, RightClickWithCtrlAddsTheRow) {
    CViewFixture f({"A", "B", "C", "D"});
    QTest::mouseClick(f.Viewport(), Qt::LeftButton, {}, f.RowPoint(0));
    QTest::mousePress(f.Viewport(), Qt::RightButton, Qt::ControlModifier, f.RowPoint(2));
    EXPECT_EQ(f.view.SelectedRows(), (std::vector<int>{0, 2}));
}

TEST(DropTargetInputTest, RightClickOnASelectedRowKeepsTheSelection) {
    CViewFixture f({"A", "B", "C", "D"});
    QTest::mouseClick(f.Viewport(), Qt::LeftButton, {}, f.RowPoint(0));
    QTest::mouseClick(f.Viewport(), Qt::LeftButton, Qt::ControlModifier, f.RowPoint(2));
    QSignalSpy menu(&f.view, &CDropTarget::ContextMenuRequested);
    QTest::mousePress(f.Viewport(), Qt::RightButton, {}, f.RowPoint(2));
    EXPECT_EQ(f.view.SelectedRows(), (std::vector<int>{0, 2}));
    ASSERT_EQ(menu.count(), 1);
    EXPECT_EQ(menu.at(0).at(1).toInt(), 2);
}

TEST(DropTargetInputTest, RightClickBelowTheRowsClearsTheSelectionAndStillAsksForTheMenu) {
    CViewFixture f({"A", "B"});
    QTest::mouseClick(f.Viewport(), Qt::LeftButton, {}, f.RowPoint(1));
    QSignalSpy menu(&f.view, &CDropTarget::ContextMenuRequested);
    QTest::mousePress(f.Viewport(), Qt::RightButton, {}, QPoint(60, f.Cell(1, 0).bottom() + 40));
    EXPECT_TRUE(f.view.SelectedRows().empty());
    ASSERT_EQ(menu.count(), 1);
    EXPECT_EQ(menu.at(0).at(1).toInt(), -1);
}

TEST(DropTargetInputTest, MenuKeyAsksForTheMenuAtTheCurrentRow) {
    CViewFixture f({"A", "B", "C"});
    QTest::mouseClick(f.Viewport(), Qt::LeftButton, {}, f.RowPoint(1));
    QSignalSpy menu(&f.view, &CDropTarget::ContextMenuRequested);
    const QPoint pos = f.Cell(1, 0).center();
    QContextMenuEvent key(QContextMenuEvent::Keyboard, pos, f.Viewport()->mapToGlobal(pos));
    QApplication::sendEvent(f.Viewport(), &key);
    ASSERT_EQ(menu.count(), 1);
    EXPECT_EQ(menu.at(0).at(1).toInt(), 1);
    // The mouse's own menu request is answered by the right-button press alone.
    QContextMenuEvent mouse(QContextMenuEvent::Mouse, pos, f.Viewport()->mapToGlobal(pos));
    QApplication::sendEvent(f.Viewport(), &mouse);
    EXPECT_EQ(menu.count(), 1);
}

TEST(DropTargetInputTest, DoubleClickOnARowAsksForItsReport) {
    CViewFixture f({"A", "B", "C"});
    QSignalSpy report(&f.view, &CDropTarget::ReportRequested);
    QTest::mouseDClick(f.Viewport(), Qt::LeftButton, {}, f.RowPoint(2));
    ASSERT_EQ(report.count(), 1);
    EXPECT_EQ(report.at(0).at(0).toInt(), 2);
    QTest::mouseDClick(f.Viewport(), Qt::LeftButton, {}, QPoint(60, f.Cell(2, 0).bottom() + 40));
    EXPECT_EQ(report.count(), 1);
}

TEST(DropTargetInputTest, CutOffTextsShowTheirWholeTextAsATooltip) {
    CViewFixture f({"Short", "A.Very.Long.Release.Name.That.Cannot.Fit.In.The.First.Column.2160p"});
    auto tipAt = [&](int nRow) {
        const QPoint pos = f.RowPoint(nRow);
        QHelpEvent help(QEvent::ToolTip, pos, f.Viewport()->mapToGlobal(pos));
        QApplication::sendEvent(f.Viewport(), &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    EXPECT_EQ(tipAt(0), QString());
    EXPECT_EQ(tipAt(1), QStringLiteral("A.Very.Long.Release.Name.That.Cannot.Fit.In.The.First.Column.2160p"));
    QToolTip::hideText();
}

TEST(DropTargetInputTest, ColumnsTakeThirtyNineAndSeventeenPercentAndTheRest) {
    EXPECT_EQ(CDropTarget::ColumnWidthsFor(1000), (std::array<int, 3>{390, 170, 440}));
    EXPECT_EQ(CDropTarget::ColumnWidthsFor(701), (std::array<int, 3>{273, 119, 309}));
    CViewFixture f({"A", "B"});
    f.view.resize(1000 + 2 * f.view.frameWidth(), 300);
    QApplication::processEvents();
    ASSERT_EQ(f.Viewport()->width(), 1000);
    EXPECT_EQ(f.view.columnWidth(0), 390);
    EXPECT_EQ(f.view.columnWidth(1), 170);
    EXPECT_EQ(f.view.columnWidth(2), 440);
    f.view.resize(500 + 2 * f.view.frameWidth(), 300);
    QApplication::processEvents();
    EXPECT_EQ(f.view.columnWidth(0), 195);
    EXPECT_EQ(f.view.columnWidth(1), 85);
}
