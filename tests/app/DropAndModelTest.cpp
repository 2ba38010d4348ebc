// Drops on the list and the model's consistency while the view is used.

#include <QAbstractItemModelTester>
#include <QMimeData>
#include <QUrl>

#include "WindowHarness.h"
#include "tests/fixtures/TestFiles.h"

namespace {

void Drop(CWindowHarness& h, const std::vector<std::string>& arrPaths) {
    QMimeData data;
    QList<QUrl> arrUrls;
    for (const std::string& strPath : arrPaths)
        arrUrls << QUrl::fromLocalFile(QString::fromStdString(strPath));
    data.setUrls(arrUrls);
    const QPointF pt(20, 20);
    QDragEnterEvent enter(pt.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(h.Viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(pt, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(h.Viewport(), &drop);
}

QColor Back(CWindowHarness& h) {
    return h.Dlg().StatusLine()->BkColor();
}

}  // namespace

TEST(DropAndModelTest, DroppedFolderBecomesARowAndATextFileIsRefused) {
    CWindowHarness h("drop-basic");
    const std::string strFolder = h.tmp.MakeDir("Release.Folder");
    const std::string strText = h.tmp.Sub("notes.txt");
    testfiles::WriteFile(strText, "hello");
    h.Show();
    Drop(h, {strFolder});
    EXPECT_EQ(h.Names(), std::vector<std::string>({"Release.Folder"}));
    EXPECT_EQ(h.Dlg().StatusLine()->text(), QString());
    Drop(h, {strText});
    EXPECT_EQ(h.List().RowCount(), 1);
    EXPECT_EQ(h.Dlg().StatusLine()->text(),
              QStringLiteral(" Harvex only accepts folders, zip and rar files"));
    EXPECT_EQ(Back(h), QColor(160, 0, 0));
    EXPECT_EQ(h.Dlg().StatusLine()->TextColor(), QColor(255, 255, 255));
}

TEST(DropAndModelTest, DuplicateDropSaysAlreadyInListAndWithATextFileSaysBoth) {
    CWindowHarness h("drop-dup");
    const std::string strFolder = h.tmp.MakeDir("Release.Folder");
    const std::string strText = h.tmp.Sub("notes.txt");
    testfiles::WriteFile(strText, "hello");
    h.Show();
    Drop(h, {strFolder});
    Drop(h, {strFolder});
    EXPECT_EQ(h.List().RowCount(), 1);
    EXPECT_EQ(h.Dlg().StatusLine()->text(), QStringLiteral(" Already in list"));
    EXPECT_EQ(Back(h), QColor(0, 0, 127));
    Drop(h, {strFolder, strText});
    EXPECT_EQ(h.List().RowCount(), 1);
    EXPECT_EQ(h.Dlg().StatusLine()->text(),
              QStringLiteral(" All items were either unacceptable files, or already present in list"));
    EXPECT_EQ(Back(h), QColor(170, 0, 128));
}

TEST(DropAndModelTest, ModelStaysConsistentWhileTheViewAddsMovesSelectsAndClears) {
    CWindowHarness h("drop-model");
    QAbstractItemModelTester tester(&h.List(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    h.Show();
    std::vector<std::string> arrPaths;
    for (int n = 0; n < 30; ++n)
        arrPaths.push_back(h.tmp.MakeDir("Item" + std::to_string(n)));
    Drop(h, arrPaths);
    ASSERT_EQ(h.List().RowCount(), 30);
    h.View()->selectionModel()->select(h.List().index(5, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
    h.View()->selectionModel()->select(h.List().index(9, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QTest::keyClick(h.View(), Qt::Key_T, Qt::ControlModifier);
    EXPECT_EQ(h.Names()[0], "Item5");
    EXPECT_EQ(h.Names()[1], "Item9");
    QTest::keyClick(h.View(), Qt::Key_S, Qt::ControlModifier);
    QTest::keyClick(h.View(), Qt::Key_Delete);
    EXPECT_EQ(h.List().RowCount(), 28);
    h.View()->scrollToBottom();
    QTest::qWait(20);
    QTest::mouseClick(h.Dlg().Button(CQuarnelDlg::CMD_CLEAR_LIST), Qt::LeftButton);
    EXPECT_EQ(h.List().RowCount(), 0);
    Drop(h, {arrPaths[0]});
    EXPECT_EQ(h.List().RowCount(), 1);
}

TEST(DropAndModelTest, AListEditArrivingWhileAModalWindowIsOpenWaitsUntilItCloses) {
    CWindowHarness h("drop-modal");
    const std::string strFolder = h.tmp.MakeDir("Late.Folder");
    h.Show();
    h.Dlg().EnterModal();
    h.Dlg().AddPaths({QString::fromStdString(strFolder)});
    QTest::qWait(20);
    EXPECT_EQ(h.List().RowCount(), 0);
    h.Dlg().LeaveModal();
    ASSERT_TRUE(QTest::qWaitFor([&] { return h.List().RowCount() == 1; }, 1000));
}
