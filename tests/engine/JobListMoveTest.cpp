// Moving and deleting rows of the job list: the drop, Ctrl+U/D/T/B, the look-up by id
// and the delete of selected rows. Every move runs under QAbstractItemModelTester and
// is checked against what a view holds: persistent indexes and a selection model.

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QItemSelectionModel>
#include <QPersistentModelIndex>
#include <QSignalSpy>

#include "engine/CJobList.h"
#include "tests/engine/FakeMessageBox.h"
#include "tests/engine/TestApp.h"

namespace {

// Qt warnings (the model tester reports in Warning mode) collected for the test.
std::vector<std::string>* g_pWarnings = nullptr;

void CollectWarnings(QtMsgType type, const QMessageLogContext&, const QString& strText) {
    if (g_pWarnings != nullptr && type != QtDebugMsg && type != QtInfoMsg) {
        g_pWarnings->push_back(strText.toStdString());
    }
}

class JobListMoveTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureTestApp();
        list.SetMessageBox(&box);
        g_pWarnings = &arrWarnings;
        pPrevious = qInstallMessageHandler(CollectWarnings);
    }
    void TearDown() override {
        pTester.reset();
        qInstallMessageHandler(pPrevious);
        g_pWarnings = nullptr;
        EXPECT_TRUE(arrWarnings.empty()) << arrWarnings.front();
        EXPECT_TRUE(box.arrShown.empty());
    }
    // Items named "0" ... "n-1", then the model tester attached.
    void AddFolders(int n) {
        for (int i = 0; i < n; ++i) {
            CListItem item;
            item.strPath = "/in/" + std::to_string(i);
            item.strParentFolder = "/in";
            item.strType = "folder";
            item.strFolderName = std::to_string(i);
            list.AddItem(item);
        }
        pTester = std::make_unique<QAbstractItemModelTester>(
            &list, QAbstractItemModelTester::FailureReportingMode::Warning);
    }
    std::string Names() const {
        std::string strNames;
        for (int r = 0; r < list.RowCount(); ++r) {
            strNames += list.RowText(r, CJobList::COLUMN_NAME);
        }
        return strNames;
    }
    // Selects the given rows in a selection model, as a view would.
    void Select(QItemSelectionModel& selection, const std::vector<int>& arrRows) {
        for (int nRow : arrRows) {
            selection.select(list.index(nRow, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
    std::string SelectedNames(const QItemSelectionModel& selection) const {
        std::vector<int> arrRows;
        for (const QModelIndex& index : selection.selectedRows()) {
            arrRows.push_back(index.row());
        }
        std::sort(arrRows.begin(), arrRows.end());
        std::string strNames;
        for (int nRow : arrRows) {
            strNames += list.RowText(nRow, CJobList::COLUMN_NAME);
        }
        return strNames;
    }

    CFakeMessageBox box;
    CJobList list;
    std::unique_ptr<QAbstractItemModelTester> pTester;
    std::vector<std::string> arrWarnings;
    QtMessageHandler pPrevious = nullptr;
};

}  // namespace

TEST_F(JobListMoveTest, DropLandsAtTheTargetIndexCountedAfterRemoval) {
    AddFolders(6);
    // Rows 1 and 3 dropped on row 5: they land just above "5".
    EXPECT_EQ(list.MoveRows({3, 1}, 5), (std::vector<int>{3, 4}));
    EXPECT_EQ(Names(), "024135");
    // Dropped on a row above them: just above it.
    EXPECT_EQ(list.MoveRows({4, 5}, 1), (std::vector<int>{1, 2}));
    EXPECT_EQ(Names(), "035241");
    // The target is one of the moved rows: they land above the first row
    // below it that stays ("1"), that is where the target was once they are out.
    EXPECT_EQ(list.MoveRows({1, 3, 4}, 3), (std::vector<int>{2, 3, 4}));
    EXPECT_EQ(Names(), "053241");
    // No target, or one past the end: appended in their order.
    EXPECT_EQ(list.MoveRows({0, 2}, -1), (std::vector<int>{4, 5}));
    EXPECT_EQ(Names(), "524103");
    EXPECT_EQ(list.MoveRows({1}, 99), (std::vector<int>{5}));
    EXPECT_EQ(Names(), "541032");
}

TEST_F(JobListMoveTest, DropIsDoneAsModelMovesSoPersistentIndexesAndSelectionFollow) {
    AddFolders(7);
    std::vector<QPersistentModelIndex> arrPersistent;
    for (int r = 0; r < list.RowCount(); ++r) {
        arrPersistent.emplace_back(list.index(r, 2));
    }
    QItemSelectionModel selection(&list);
    Select(selection, {1, 4, 6});
    selection.setCurrentIndex(list.index(4, 0), QItemSelectionModel::NoUpdate);
    QSignalSpy moved(&list, &QAbstractItemModel::rowsMoved);
    QSignalSpy removed(&list, &QAbstractItemModel::rowsRemoved);
    QSignalSpy inserted(&list, &QAbstractItemModel::rowsInserted);
    QSignalSpy reset(&list, &QAbstractItemModel::modelReset);

    EXPECT_EQ(list.MoveRows({1, 4, 6}, 3), (std::vector<int>{2, 3, 4}));
    EXPECT_EQ(Names(), "0214635");
    EXPECT_GE(moved.count(), 1);
    EXPECT_EQ(removed.count() + inserted.count() + reset.count(), 0);
    for (int i = 0; i < static_cast<int>(arrPersistent.size()); ++i) {
        ASSERT_TRUE(arrPersistent[static_cast<size_t>(i)].isValid());
        EXPECT_EQ(arrPersistent[static_cast<size_t>(i)].column(), 2);
        EXPECT_EQ(list.RowText(arrPersistent[static_cast<size_t>(i)].row(), CJobList::COLUMN_NAME),
                  std::to_string(i));
    }
    EXPECT_EQ(SelectedNames(selection), "146");
    EXPECT_EQ(list.RowText(selection.currentIndex().row(), CJobList::COLUMN_NAME), "4");
}

TEST_F(JobListMoveTest, StepUpAndDownMoveABlockAndStopAtTheEnds) {
    AddFolders(6);
    QItemSelectionModel selection(&list);
    Select(selection, {0, 2, 3});
    // "0" is at the top already; "2" and "3" go up one.
    EXPECT_EQ(list.MoveSelection({0, 2, 3}, CJobList::EMoveStep::Up), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(Names(), "023145");
    EXPECT_EQ(SelectedNames(selection), "023");
    // Pressed against the top: nothing changes.
    EXPECT_EQ(list.MoveSelection({0, 1, 2}, CJobList::EMoveStep::Up), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(Names(), "023145");
    EXPECT_EQ(list.MoveSelection({0, 1, 2}, CJobList::EMoveStep::Down), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(Names(), "102345");
    EXPECT_EQ(list.MoveSelection({1, 5}, CJobList::EMoveStep::Down), (std::vector<int>{2, 5}));
    EXPECT_EQ(Names(), "120345");
    EXPECT_EQ(SelectedNames(selection), "203");
}

TEST_F(JobListMoveTest, TopAndBottomKeepTheSelectedOrder) {
    AddFolders(6);
    EXPECT_EQ(list.MoveSelection({4, 1, 5}, CJobList::EMoveStep::Top), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(Names(), "145023");
    EXPECT_EQ(list.MoveSelection({0, 3}, CJobList::EMoveStep::Bottom), (std::vector<int>{4, 5}));
    EXPECT_EQ(Names(), "452310");
    // Everything selected: nothing to move.
    EXPECT_EQ(list.MoveSelection({0, 1, 2, 3, 4, 5}, CJobList::EMoveStep::Top),
              (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(Names(), "452310");
    for (int r = 0; r < list.RowCount(); ++r) {
        EXPECT_EQ(list.ItemAtRow(r)->strPath, "/in/" + list.RowText(r, 0));
    }
}

TEST_F(JobListMoveTest, MovesAreRefusedWhileProcessing) {
    AddFolders(4);
    list.SetCurrentRow(1);
    EXPECT_TRUE(list.MoveSelection({2}, CJobList::EMoveStep::Up).empty());
    EXPECT_TRUE(list.MoveSelection({3}, CJobList::EMoveStep::Top).empty());
    EXPECT_TRUE(list.MoveRows({3}, 0).empty());
    EXPECT_EQ(Names(), "0123");
    list.SetCurrentRow(-1);
    EXPECT_TRUE(list.MoveSelection({}, CJobList::EMoveStep::Down).empty());
    EXPECT_TRUE(list.MoveSelection({7}, CJobList::EMoveStep::Down).empty());
}

TEST_F(JobListMoveTest, FindRowByIdAndItemByIdFollowMovesAndDeletes) {
    AddFolders(5);
    list.MoveRows({4}, 0);  // 4 0 1 2 3
    EXPECT_EQ(list.FindRowById(4), 0);
    EXPECT_EQ(list.FindRowById(0), 1);
    ASSERT_NE(list.ItemById(3), nullptr);
    EXPECT_EQ(list.ItemById(3)->strPath, "/in/3");
    EXPECT_TRUE(list.RemoveRow(1));  // item 0
    EXPECT_EQ(list.FindRowById(0), -1);
    EXPECT_EQ(list.ItemById(0), nullptr);
    EXPECT_EQ(list.FindRowById(1), 1);
    const CJobList& constList = list;
    ASSERT_NE(constList.ItemById(1), nullptr);
    EXPECT_EQ(constList.ItemById(1)->nId, 1);
    EXPECT_EQ(list.ItemById(-1), nullptr);
    EXPECT_EQ(list.ItemById(5), nullptr);
}

TEST_F(JobListMoveTest, RemoveRowsDeletesTheSelectionAndRefreshesTheTray) {
    AddFolders(6);
    list.MoveRows({5}, 0);  // 5 0 1 2 3 4
    QSignalSpy tray(&list, &CJobList::TraySummaryRefreshRequested);
    EXPECT_TRUE(list.RemoveRows({0, 3, 2}));
    EXPECT_EQ(Names(), "034");
    EXPECT_EQ(tray.count(), 1);
    EXPECT_EQ(list.ItemCount(), 3);
    EXPECT_EQ(list.ItemById(5), nullptr);
    EXPECT_EQ(list.ItemById(2), nullptr);
    EXPECT_EQ(list.ItemAtRow(2)->strPath, "/in/4");
}

TEST_F(JobListMoveTest, RemoveRowsWhileProcessingKeepsTheCurrentRowAndThoseAbove) {
    AddFolders(5);
    list.SetCurrentRow(2);
    list.SetCurrentIndex(2);
    QSignalSpy tray(&list, &CJobList::TraySummaryRefreshRequested);
    EXPECT_FALSE(list.RemoveRows({1, 2, 4}));
    EXPECT_EQ(Names(), "0123");
    EXPECT_TRUE(list.RemoveRows({3}));
    EXPECT_EQ(Names(), "012");
    EXPECT_EQ(list.Item(list.CurrentIndex()).strPath, "/in/2");
    EXPECT_EQ(tray.count(), 2);
}

TEST_F(JobListMoveTest, ResetForgetsWhatTheLastRunUsed) {
    AddFolders(2);
    CListItem* pItem = list.ItemById(1);
    pItem->strRunOutputFolder = "/out/1";
    pItem->bRunWasTest = 1;
    pItem->bHasRun = 1;
    pItem->strStatus = "Completed OK";
    list.ResetRow(1);
    EXPECT_EQ(pItem->strRunOutputFolder, "");
    EXPECT_EQ(pItem->bRunWasTest, 0);
    EXPECT_EQ(pItem->bHasRun, 0);
    EXPECT_EQ(pItem->strStatus, "");
}
