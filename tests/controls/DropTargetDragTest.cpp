#include <gtest/gtest.h>

#include <QScrollBar>
#include <QSignalSpy>

#include "ViewFixture.h"

namespace {

std::vector<std::string> Letters(int nCount) {
    std::vector<std::string> arrNames;
    for (int i = 0; i < nCount; ++i) {
        arrNames.push_back(std::string(1, static_cast<char>('A' + i % 26)) + std::to_string(i / 26));
    }
    return arrNames;
}

}  // namespace

TEST(DropTargetDragTest, TwoRowsDraggedBelowTheLastRowMoveToTheEnd) {
    CViewFixture f({"A", "B", "C", "D"});
    QSignalSpy moved(&f.view, &CDropTarget::RowsMoved);
    QTest::mouseClick(f.Viewport(), Qt::LeftButton, {}, f.RowPoint(0));
    QTest::mouseClick(f.Viewport(), Qt::LeftButton, Qt::ControlModifier, f.RowPoint(1));
    ASSERT_EQ(f.view.SelectedRows(), (std::vector<int>{0, 1}));

    // Pressing on a selected row keeps both rows selected for the drag.
    QTest::mousePress(f.Viewport(), Qt::LeftButton, {}, f.RowPoint(0));
    EXPECT_EQ(f.view.SelectedRows(), (std::vector<int>{0, 1}));
    QTest::mouseMove(f.Viewport(), f.RowPoint(0) + QPoint(0, 12));
    EXPECT_TRUE(f.view.IsDragging());
    const QPoint below(60, f.Cell(3, 0).bottom() + 40);
    QTest::mouseMove(f.Viewport(), below);
    EXPECT_EQ(f.view.DropTargetRow(), -1);
    QTest::mouseRelease(f.Viewport(), Qt::LeftButton, {}, below);

    EXPECT_FALSE(f.view.IsDragging());
    EXPECT_EQ(f.Names(), (std::vector<std::string>{"C", "D", "A", "B"}));
    EXPECT_EQ(f.view.SelectedRows(), (std::vector<int>{2, 3}));
    ASSERT_EQ(moved.count(), 1);
    // Each record still belongs to its row.
    for (int nRow = 0; nRow < 4; ++nRow) {
        const CListItem* pItem = f.list.ItemAtRow(nRow);
        ASSERT_NE(pItem, nullptr);
        EXPECT_EQ(pItem->strFolderName, f.list.RowText(nRow, CJobList::COLUMN_NAME));
    }
}

TEST(DropTargetDragTest, RowDroppedOnTheFirstRowGoesToTheTop) {
    CViewFixture f({"A", "B", "C", "D"});
    QTest::mouseClick(f.Viewport(), Qt::LeftButton, {}, f.RowPoint(3));
    QTest::mousePress(f.Viewport(), Qt::LeftButton, {}, f.RowPoint(3));
    QTest::mouseMove(f.Viewport(), f.RowPoint(2));
    EXPECT_EQ(f.view.DropTargetRow(), 2);
    QTest::mouseMove(f.Viewport(), f.RowPoint(0));
    EXPECT_EQ(f.view.DropTargetRow(), 0);
    QTest::mouseRelease(f.Viewport(), Qt::LeftButton, {}, f.RowPoint(0));
    EXPECT_EQ(f.Names(), (std::vector<std::string>{"D", "A", "B", "C"}));
    EXPECT_EQ(f.view.SelectedRows(), (std::vector<int>{0}));
    EXPECT_EQ(f.view.DropTargetRow(), -1);
}

TEST(DropTargetDragTest, DropTargetRowIsHighlighted) {
    CViewFixture f({"A", "B", "C"});
    const QImage before = f.Viewport()->grab().toImage();
    QTest::mousePress(f.Viewport(), Qt::LeftButton, {}, f.RowPoint(0));
    QTest::mouseMove(f.Viewport(), f.RowPoint(2));
    ASSERT_EQ(f.view.DropTargetRow(), 2);
    const QImage during = f.Viewport()->grab().toImage();
    // Rows 1 and 2 show the same output folder; only the target is tinted.
    EXPECT_EQ(DifferingPixels(before, f.Cell(2, 2), f.Cell(1, 2)), 0);
    EXPECT_GT(DifferingPixels(during, f.Cell(2, 2), f.Cell(1, 2)), 100);
    QTest::mouseRelease(f.Viewport(), Qt::LeftButton, {}, QPoint(-50, -50));
    // Released outside the list: nothing moves.
    EXPECT_EQ(f.Names(), (std::vector<std::string>{"A", "B", "C"}));
}

TEST(DropTargetDragTest, NoDragWhileDraggingIsSwitchedOff) {
    CViewFixture f({"A", "B", "C"});
    f.view.SetDragEnabled(false);
    QTest::mousePress(f.Viewport(), Qt::LeftButton, {}, f.RowPoint(0));
    QTest::mouseMove(f.Viewport(), f.RowPoint(0) + QPoint(0, 12));
    const QPoint below(60, f.Cell(2, 0).bottom() + 30);
    QTest::mouseMove(f.Viewport(), below);
    EXPECT_FALSE(f.view.IsDragging());
    QTest::mouseRelease(f.Viewport(), Qt::LeftButton, {}, below);
    EXPECT_EQ(f.Names(), (std::vector<std::string>{"A", "B", "C"}));
}

TEST(DropTargetDragTest, NoDragWhileTheListIsProcessed) {
    CViewFixture f({"A", "B", "C"});
    f.list.SetCurrentRow(1);
    QTest::mousePress(f.Viewport(), Qt::LeftButton, {}, f.RowPoint(2));
    QTest::mouseMove(f.Viewport(), f.RowPoint(0));
    EXPECT_FALSE(f.view.IsDragging());
    QTest::mouseRelease(f.Viewport(), Qt::LeftButton, {}, f.RowPoint(0));
    EXPECT_EQ(f.Names(), (std::vector<std::string>{"A", "B", "C"}));
    f.list.SetCurrentRow(-1);
}

TEST(DropTargetDragTest, ScrollZonesLieAroundTheTopAndBottomEdges) {
    CViewFixture f({"A"});
    const QRect client = f.view.contentsRect();
    const int t = client.top();
    const int b = client.bottom() + 1;
    const int x = client.center().x();
    using Z = CDropTarget::EScrollZone;
    const std::vector<std::pair<int, Z>> arrCases = {
        {t - 25, Z::ZONE_NONE},   {t - 24, Z::ZONE_ABOVE}, {t - 1, Z::ZONE_ABOVE},  {t, Z::ZONE_TOP},
        {t + 16, Z::ZONE_TOP},    {t + 17, Z::ZONE_NONE},  {b - 1, Z::ZONE_NONE},   {b, Z::ZONE_BOTTOM},
        {b + 16, Z::ZONE_BOTTOM}, {b + 17, Z::ZONE_BELOW}, {b + 40, Z::ZONE_BELOW}, {b + 41, Z::ZONE_NONE},
    };
    for (const auto& [y, zone] : arrCases) {
        EXPECT_EQ(f.view.ZoneAt(QPoint(x, y)), zone) << "y " << y;
    }
    EXPECT_EQ(f.view.ZoneAt(QPoint(client.right() + 5, t + 5)), Z::ZONE_NONE);
    EXPECT_EQ(CDropTarget::ZoneInterval(Z::ZONE_TOP), 200);
    EXPECT_EQ(CDropTarget::ZoneInterval(Z::ZONE_BOTTOM), 200);
    EXPECT_EQ(CDropTarget::ZoneInterval(Z::ZONE_ABOVE), 70);
    EXPECT_EQ(CDropTarget::ZoneInterval(Z::ZONE_BELOW), 70);
}

TEST(DropTargetDragTest, DraggingIntoTheBottomZonesScrollsByStepsUntilTheCursorLeaves) {
    CViewFixture f(Letters(80));
    QScrollBar* pBar = f.view.verticalScrollBar();
    ASSERT_GT(pBar->maximum(), 0);
    QTest::mousePress(f.Viewport(), Qt::LeftButton, {}, f.RowPoint(0));
    QTest::mouseMove(f.Viewport(), f.RowPoint(0) + QPoint(0, 12));
    ASSERT_TRUE(f.view.IsDragging());

    const int nBottom = f.view.contentsRect().bottom() + 1;
    const QPoint slow = f.Viewport()->mapFrom(&f.view, QPoint(100, nBottom + 8));
    QTest::mouseMove(f.Viewport(), slow);
    EXPECT_TRUE(f.view.IsScrollTimerActive(CDropTarget::ZONE_BOTTOM));
    QTest::qWait(450);
    const int nAfterSlow = pBar->value();
    EXPECT_GE(nAfterSlow, 2 * CDropTarget::SCROLL_STEP);
    EXPECT_EQ(nAfterSlow % CDropTarget::SCROLL_STEP, 0);

    const QPoint fast = f.Viewport()->mapFrom(&f.view, QPoint(100, nBottom + 30));
    QTest::mouseMove(f.Viewport(), fast);
    EXPECT_TRUE(f.view.IsScrollTimerActive(CDropTarget::ZONE_BELOW));
    QTest::qWait(400);
    EXPECT_GE(pBar->value() - nAfterSlow, 4 * CDropTarget::SCROLL_STEP);

    // Back over the rows: the timers stop at their next tick.
    QTest::mouseMove(f.Viewport(), QPoint(100, f.Viewport()->height() / 2));
    QTest::qWait(260);
    EXPECT_FALSE(f.view.IsScrollTimerActive(CDropTarget::ZONE_BOTTOM));
    EXPECT_FALSE(f.view.IsScrollTimerActive(CDropTarget::ZONE_BELOW));
    const int nStopped = pBar->value();
    QTest::qWait(250);
    EXPECT_EQ(pBar->value(), nStopped);
    QTest::mouseRelease(f.Viewport(), Qt::LeftButton, {}, QPoint(100, f.Viewport()->height() / 2));
}

TEST(DropTargetDragTest, ListThatFitsOnOnePageDoesNotScroll) {
    CViewFixture f({"A", "B"});
    QTest::mousePress(f.Viewport(), Qt::LeftButton, {}, f.RowPoint(0));
    QTest::mouseMove(f.Viewport(), f.RowPoint(0) + QPoint(0, 12));
    const int nBottom = f.view.contentsRect().bottom() + 1;
    QTest::mouseMove(f.Viewport(), f.Viewport()->mapFrom(&f.view, QPoint(100, nBottom + 8)));
    EXPECT_FALSE(f.view.IsScrollTimerActive(CDropTarget::ZONE_BOTTOM));
    QTest::mouseRelease(f.Viewport(), Qt::LeftButton, {}, QPoint(-20, -20));
}
