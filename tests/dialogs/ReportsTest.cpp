// The error and clean-up reports: their rows, their grouping, at most one window, and
// "&Delete remaining" acting on the item it was opened for.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "GuiTest.h"
#include "dialogs/CReports.h"
#include "engine/CItemStates.h"
#include "engine/CJobList.h"
#include "tests/fixtures/CTempDir.h"
#include "tests/fixtures/TestFiles.h"

namespace {

class ReportsTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureGuiApp();
        list.SetPresets(&arrPresets);
        list.SetMessageBox(&box);
    }

    int AddFailed(const std::string& strPath, std::vector<std::string> arrErrors) {
        const int nRow = AddFolder(strPath);
        list.ItemAtRow(nRow)->arrErrors = std::move(arrErrors);
        list.ItemAtRow(nRow)->bHasRun = 1;
        list.SetRowResult(nRow, ItemStates::FAILED, ItemStates::RESULT_FAILED, ItemStates::IMAGE_FAILED);
        return nRow;
    }
    int AddCleanupLeft(const std::string& strPath, std::vector<CleanUpInfo> arrCleanUp) {
        const int nRow = AddFolder(strPath);
        CListItem* pItem = list.ItemAtRow(nRow);
        pItem->arrCleanUp = std::move(arrCleanUp);
        pItem->strTime = "OK (0h0m1s5ms)";
        pItem->bHasRun = 1;
        list.SetRowResult(nRow, ItemStates::CLEANUP_LEFT, ItemStates::RESULT_CLEANUP_FAILED,
                          ItemStates::IMAGE_CLEANUP_LEFT);
        return nRow;
    }
    int AddFolder(const std::string& strPath) {
        CListItem item;
        item.strPath = strPath;
        item.strParentFolder = strPath.substr(0, strPath.rfind('/'));
        item.strType = "folder";
        item.bOutputToInput = 1;
        return list.AddItem(item);
    }
    static QStringList Rows(QListWidget* pList) {
        QStringList arrRows;
        for (int i = 0; i < pList->count(); ++i)
            arrRows << pList->item(i)->text();
        return arrRows;
    }

    QApplication* pApp = EnsureGuiApp();  // before the widgets below
    CAnsweringMessageBox box;
    std::vector<CPresets> arrPresets;
    CJobList list;
    QWidget owner;
    CReportWindows reports{list, &owner};
};

TEST_F(ReportsTest, ErrorReportShowsHeadingEmptyRowAndOneRowPerErrorLine) {
    const int nRow = AddFailed("/data/Rel", {"a.rar:  CRC failed\r\n", "line\r\nbroken\r\n"});
    ASSERT_TRUE(reports.OpenForRow(nRow));
    CErrorReport* pReport = reports.ErrorReport();
    ASSERT_NE(pReport, nullptr);
    EXPECT_EQ(pReport->windowTitle(), QStringLiteral("Error report"));
    EXPECT_FALSE(pReport->isModal());
    EXPECT_EQ(Rows(pReport->List()),
              (QStringList{"Extraction failed in /data/Rel", "", "a.rar:  CRC failed", "linebroken"}));
    EXPECT_EQ(pReport->List()->palette().color(QPalette::Base), QColor(244, 222, 222));
}

TEST_F(ReportsTest, ErrorHeadingFollowsTheModeTheItemRanInNotTheTestBoxOfToday) {
    const int nTested = AddFailed("/data/Tested", {"x\r\n"});
    list.ItemAtRow(nTested)->bRunWasTest = 1;
    const int nExtracted = AddFailed("/data/Extracted", {"y\r\n"});
    CMainOptions options;
    options.bTest = 1;  // the Test box was ticked after the runs
    list.SetMainOptions(options);
    ASSERT_TRUE(reports.OpenForRow(nTested));
    EXPECT_EQ(reports.ErrorReport()->List()->item(0)->text(),
              QStringLiteral("Test operation failed in /data/Tested"));
    ASSERT_TRUE(reports.OpenForRow(nExtracted));
    EXPECT_EQ(reports.ErrorReport()->List()->item(0)->text(),
              QStringLiteral("Extraction failed in /data/Extracted"));
}

TEST_F(ReportsTest, CleanupReportGroupsKeptFilesThenFoldersThenOtherErrors) {
    const int nRow = AddCleanupLeft("/data/Rel", {{"/data/Rel/sub", "", 3},
                                                  {"/data/Rel/keep.txt", "", 1},
                                                  {"/data/Rel/x.sfv", "x.sfv: Permission\r\n denied", 2},
                                                  {"/data/Rel/odd", "", 7}});
    ASSERT_TRUE(reports.OpenForRow(nRow));
    CCleanupReport* pReport = reports.CleanupReport();
    ASSERT_NE(pReport, nullptr);
    EXPECT_EQ(pReport->windowTitle(), QStringLiteral("Clean up report"));
    EXPECT_EQ(Rows(pReport->List()),
              (QStringList{"As a precaution the following file(s) wasn't deleted:", "/data/Rel/keep.txt",
                           "Unable to delete the following folder(s):", "/data/Rel/sub",
                           "Other errors:", "x.sfv: Permission denied"}));
    EXPECT_EQ(pReport->List()->palette().color(QPalette::Base), QColor(222, 222, 244));
    EXPECT_EQ(pReport->DeleteButton()->text(), QStringLiteral("&Delete remaining"));
    EXPECT_EQ(pReport->DeleteButton()->toolTip(), QStringLiteral("Delete remaining files and folders"));
}

TEST_F(ReportsTest, AtMostOneReportAndTheErrorReportIsRefilledForAnotherItem) {
    const int nClean = AddCleanupLeft("/data/A", {{"/data/A/k", "", 1}});
    const int nFailed1 = AddFailed("/data/B", {"b\r\n"});
    const int nFailed2 = AddFailed("/data/C", {"c1\r\n", "c2\r\n"});
    const int nPlain = AddFolder("/data/D");
    ASSERT_TRUE(reports.OpenForRow(nClean));
    QPointer<CCleanupReport> pCleanup = reports.CleanupReport();
    ASSERT_TRUE(reports.OpenForRow(nFailed1));
    EXPECT_TRUE(pCleanup.isNull());  // the clean-up report went
    QPointer<CErrorReport> pError = reports.ErrorReport();
    ASSERT_TRUE(reports.OpenForRow(nFailed2));
    EXPECT_EQ(reports.ErrorReport(), pError.data());  // the same window, refilled
    EXPECT_EQ(Rows(pError->List()).last(), QStringLiteral("c2"));
    EXPECT_FALSE(reports.OpenForRow(nPlain));
    EXPECT_EQ(reports.ErrorReport(), pError.data());
}

class DeleteRemainingTest : public ReportsTest {
protected:
    void SetUp() override {
        ReportsTest::SetUp();
        strRel = tmp.MakeDir("Rel");
        testfiles::WriteFile(strRel + "/keep.txt", "k");
        testfiles::WriteFile(strRel + "/extra.nfo", "n");
        tmp.MakeDir("Rel/empty");
    }
    CTempDir tmp{"dlg-reports"};
    std::string strRel;
};

TEST_F(DeleteRemainingTest, DeletesEverythingAndTheRowTurnsCompleted) {
    const int nRow = AddCleanupLeft(
        strRel, {{strRel + "/keep.txt", "", 1}, {strRel + "/empty", "", 3}, {strRel + "/gone.txt", "", 1}});
    ASSERT_TRUE(reports.OpenForRow(nRow));
    QTest::mouseClick(reports.CleanupReport()->DeleteButton(), Qt::LeftButton);
    EXPECT_FALSE(testfiles::Exists(strRel + "/keep.txt"));
    EXPECT_FALSE(testfiles::Exists(strRel + "/empty"));
    EXPECT_TRUE(testfiles::Exists(strRel + "/extra.nfo"));  // not in the report
    EXPECT_EQ(list.ItemAtRow(nRow)->strStatus, ItemStates::COMPLETED);
    EXPECT_EQ(list.RowText(nRow, CJobList::COLUMN_RESULT), "OK (0h0m1s5ms)");
    EXPECT_EQ(list.RowImage(nRow), ItemStates::IMAGE_COMPLETED);
    EXPECT_EQ(reports.CleanupReport()->List()->count(), 0);
    EXPECT_FALSE(reports.CleanupReport()->DeleteButton()->isEnabled());
}

TEST_F(DeleteRemainingTest, ActsOnTheReportsItemAfterTheListWasReordered) {
    const std::string strOther = tmp.MakeDir("Other");
    testfiles::WriteFile(strOther + "/o.txt", "o");
    const int nRow = AddCleanupLeft(strRel, {{strRel + "/keep.txt", "", 1}});
    AddCleanupLeft(strOther, {{strOther + "/o.txt", "", 1}});
    ASSERT_TRUE(reports.OpenForRow(nRow));
    list.MoveRows({1}, 0);  // the other item is now on the report's old row
    QTest::mouseClick(reports.CleanupReport()->DeleteButton(), Qt::LeftButton);
    EXPECT_FALSE(testfiles::Exists(strRel + "/keep.txt"));
    EXPECT_TRUE(testfiles::Exists(strOther + "/o.txt"));
    EXPECT_EQ(list.ItemAtRow(1)->strPath, strRel);
    EXPECT_EQ(list.ItemAtRow(1)->strStatus, ItemStates::COMPLETED);
    EXPECT_EQ(list.ItemAtRow(0)->strStatus, ItemStates::CLEANUP_LEFT);
}

TEST_F(DeleteRemainingTest, ItemRemovedWhileOpenDisablesTheButtonAndDeletesNothing) {
    const int nRow = AddCleanupLeft(strRel, {{strRel + "/keep.txt", "", 1}});
    const int nOther = AddCleanupLeft(strRel + "/x", {{strRel + "/extra.nfo", "", 1}});
    ASSERT_TRUE(reports.OpenForRow(nRow));
    ASSERT_TRUE(list.RemoveRow(nRow));
    EXPECT_FALSE(reports.CleanupReport()->DeleteButton()->isEnabled());
    reports.CleanupReport()->DeleteRemaining();  // as if pressed anyway
    EXPECT_TRUE(testfiles::Exists(strRel + "/keep.txt"));
    EXPECT_TRUE(testfiles::Exists(strRel + "/extra.nfo"));
    EXPECT_EQ(reports.CleanupReport()->List()->count(), 0);
    EXPECT_EQ(list.ItemAtRow(nOther - 1)->strStatus, ItemStates::CLEANUP_LEFT);
}

TEST_F(DeleteRemainingTest, NeverDeletesOutsideTheInputFolderOrThroughALink) {
    const std::string strOutside = tmp.MakeDir("Outside");
    testfiles::WriteFile(strOutside + "/victim.txt", "v");
    ASSERT_EQ(symlink(strOutside.c_str(), (strRel + "/link").c_str()), 0);
    const int nRow = AddCleanupLeft(strRel, {{strOutside + "/victim.txt", "", 1},
                                             {strRel + "/link/victim.txt", "", 1},
                                             {strRel + "/keep.txt", "", 1}});
    ASSERT_TRUE(reports.OpenForRow(nRow));
    QTest::mouseClick(reports.CleanupReport()->DeleteButton(), Qt::LeftButton);
    EXPECT_TRUE(testfiles::Exists(strOutside + "/victim.txt"));
    EXPECT_FALSE(testfiles::Exists(strRel + "/keep.txt"));
    EXPECT_EQ(list.ItemAtRow(nRow)->arrCleanUp.size(), 2u);
    EXPECT_EQ(list.ItemAtRow(nRow)->strStatus, ItemStates::CLEANUP_LEFT);
    EXPECT_EQ(Rows(reports.CleanupReport()->List()).size(), 3);
}

}  // namespace
