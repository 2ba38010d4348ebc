#include <gtest/gtest.h>

#include "ViewFixture.h"
#include "engine/CItemStates.h"

namespace {

QImage Shot(CViewFixture& f) {
    QApplication::processEvents();
    return f.Viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

}  // namespace

TEST(DropTargetPaintTest, ProgressBarIsPaintedOverTheRunningRowsResultCellOnly) {
    CViewFixture f({"Alpha", "Bravo", "Charlie"});
    f.view.SetProgressRow(f.list.RowId(1), false);
    f.view.SetProgressPercent(60);
    const QImage image = Shot(f);
    EXPECT_GT(DifferingPixels(image, f.Cell(1, 1), f.Cell(0, 1)), 200);
    EXPECT_EQ(DifferingPixels(image, f.Cell(2, 1), f.Cell(0, 1)), 0);
    EXPECT_EQ(DifferingPixels(image, f.Cell(1, 2), f.Cell(0, 2)), 0);

    f.view.SetProgressPercent(90);
    const QImage later = Shot(f);
    EXPECT_GT(ChangedPixels(image, later, f.Cell(1, 1)), 20);

    f.view.ClearProgress();
    EXPECT_EQ(DifferingPixels(Shot(f), f.Cell(1, 1), f.Cell(0, 1)), 0);
}

TEST(DropTargetPaintTest, MarqueeMovesWithItsPosition) {
    CViewFixture f({"Alpha", "Bravo"});
    f.view.SetProgressRow(f.list.RowId(0), true);
    f.view.SetProgressPercent(10);
    const QImage first = Shot(f);
    EXPECT_GT(DifferingPixels(first, f.Cell(0, 1), f.Cell(1, 1)), 100);
    f.view.SetProgressPercent(60);
    const QImage second = Shot(f);
    EXPECT_GT(ChangedPixels(first, second, f.Cell(0, 1)), 50);
}

TEST(DropTargetPaintTest, NoBarWhileSamplesAreCopied) {
    CViewFixture f({"Alpha", "Bravo"});
    f.list.SetRowResult(0, ItemStates::COPYING_SAMPLES, ItemStates::COPYING_SAMPLES, 5);
    const QImage without = Shot(f);
    f.view.SetProgressRow(f.list.RowId(0), false);
    f.view.SetProgressPercent(50);
    const QImage with = Shot(f);
    EXPECT_EQ(without.copy(f.Cell(0, 1)), with.copy(f.Cell(0, 1)));
}

TEST(DropTargetPaintTest, RowsShowTheirStateColoursOnTheListBackground) {
    EnsureGuiApp();
    CJobList list;
    QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::Fatal);
    DemoRows::FillEveryState(list);
    CDropTarget view;
    view.SetJobList(&list);
    QFont font = view.font();
    font.setPixelSize(16);
    font.setBold(true);
    view.setFont(font);
    view.resize(800, 400);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    view.clearSelection();
    view.setCurrentIndex(QModelIndex());
    QApplication::processEvents();
    const QImage image = view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    auto cell = [&](int nRow, int nColumn) { return view.visualRect(list.index(nRow, nColumn)); };
    EXPECT_GT(PixelsOfColour(image, cell(0, 1), qRgb(0, 160, 0)), 10);     // completed
    EXPECT_GT(PixelsOfColour(image, cell(1, 1), qRgb(192, 0, 192)), 10);   // clean-up left
    EXPECT_GT(PixelsOfColour(image, cell(2, 1), qRgb(192, 0, 0)), 10);     // failed
    EXPECT_GT(PixelsOfColour(image, cell(5, 1), qRgb(255, 153, 51)), 10);  // skipped
    EXPECT_GT(PixelsOfColour(image, cell(6, 1), qRgb(0, 0, 128)), 10);     // copying samples
    EXPECT_GT(PixelsOfColour(image, cell(8, 0), qRgb(0, 0, 255)), 10);     // "monkey"
    EXPECT_GT(PixelsOfColour(image, cell(9, 2), qRgb(17, 75, 177)), 10);   // extract to input folder
    EXPECT_EQ(image.pixel(cell(11, 1).right() - 2, cell(11, 1).center().y()), qRgb(255, 255, 224));
    // The row icons come from the image list: a failed row differs from a
    // completed one in its icon area.
    const QRect icon0(cell(0, 0).left(), cell(0, 0).top(), 22, cell(0, 0).height());
    const QRect icon2(cell(2, 0).left(), cell(2, 0).top(), 22, cell(2, 0).height());
    EXPECT_GT(DifferingPixels(image, icon0, icon2), 30);

    // A selected row is drawn in the highlight colours instead.
    view.selectionModel()->select(list.index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QApplication::processEvents();
    const QImage selected = view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(PixelsOfColour(selected, cell(2, 1), qRgb(192, 0, 0)), 0);
}
