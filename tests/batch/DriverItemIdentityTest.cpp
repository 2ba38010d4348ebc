// The driver follows the item it processes by its id: rows deleted or items added while
// a run goes on (from the window, a hand-over, a password prompt's nested event loop)
// never make it write one item's results into another's record.

#include <gtest/gtest.h>

#include <algorithm>

#include "DriverHarness.h"
#include "ZipFiles.h"
#include "engine/CItemStates.h"
#include "tests/fixtures/CRarWriter.h"
#include "tests/fixtures/CTempDir.h"
#include "tests/fixtures/TestFiles.h"

using testfiles::Exists;
using testfiles::ReadFile;

namespace {

// A release folder holding one stored RAR archive with a single file.
std::string GoodRelease(CTempDir& tmp, const std::string& strName, const std::string& strData) {
    const std::string strRel = tmp.MakeDir(strName);
    CRarWriter writer;
    writer.AddFile(strName + ".txt", strData);
    EXPECT_TRUE(writer.Write(strRel + "/" + strName + ".rar").bOk);
    return strRel;
}

// A release folder whose archive fails its CRC check (a byte of the data flipped).
std::string DamagedRelease(CTempDir& tmp, const std::string& strName) {
    const std::string strRel = tmp.MakeDir(strName);
    CRarWriter writer;
    writer.AddFile(strName + ".bin", testfiles::RandomBytes(64 * 1024, 11)).nFlipByteAt = 30000;
    EXPECT_TRUE(writer.Write(strRel + "/" + strName + ".rar").bOk);
    return strRel;
}

// Rows B, A, C over records A, B, C (ids 0, 1, 2): B runs first although its record is
// not the first one.
struct CReordered {
    std::string strA, strB, strC;
    int nIdA = -1, nIdB = -1, nIdC = -1;
};

CReordered AddReordered(CDriverHarness& h, CTempDir& tmp) {
    CReordered r;
    r.strA = GoodRelease(tmp, "Alpha", "alpha");
    r.strB = DamagedRelease(tmp, "Bravo");
    r.strC = GoodRelease(tmp, "Charlie", "charlie");
    h.Add(r.strA, tmp.MakeDir("OutA"));
    h.Add(r.strB, tmp.MakeDir("OutB"));
    h.Add(r.strC, tmp.MakeDir("OutC"));
    r.nIdA = h.list.RowId(0);
    r.nIdB = h.list.RowId(1);
    r.nIdC = h.list.RowId(2);
    EXPECT_EQ(h.list.MoveRows({1}, 0), std::vector<int>{0});
    EXPECT_EQ(h.list.RowId(0), r.nIdB);
    return r;
}

void ExpectOwnResults(CDriverHarness& h, const CReordered& r, CTempDir& tmp) {
    ASSERT_EQ(h.list.RowCount(), 2);
    EXPECT_EQ(h.list.ItemById(r.nIdA), nullptr);
    const CListItem* pB = h.list.ItemById(r.nIdB);
    const CListItem* pC = h.list.ItemById(r.nIdC);
    ASSERT_NE(pB, nullptr);
    ASSERT_NE(pC, nullptr);
    EXPECT_EQ(pB->strStatus, ItemStates::FAILED);
    EXPECT_EQ(h.list.RowText(h.list.FindRowById(r.nIdB), CJobList::COLUMN_RESULT), "Failed");
    std::string strErrorsB;
    for (const std::string& strLine : pB->arrErrors)
        strErrorsB += strLine;
    EXPECT_NE(strErrorsB.find("Bravo"), std::string::npos) << strErrorsB;
    EXPECT_EQ(pC->strStatus, ItemStates::COMPLETED);
    EXPECT_TRUE(pC->arrErrors.empty());
    EXPECT_EQ(ReadFile(tmp.Sub("OutC") + "/Charlie.txt"), "charlie");
    EXPECT_FALSE(Exists(tmp.Sub("OutA") + "/Alpha.txt"));  // A went before it ran
    EXPECT_TRUE(Exists(r.strB + "/Bravo.rar"));
}

}  // namespace

TEST(DriverItemIdentityTest, DeletingAnEarlierRecordWhileTheRowRunsKeepsEachItemsResult) {
    REQUIRE_TOOLS();
    CTempDir tmp("drv-id-mid");
    CDriverHarness h;
    const CReordered r = AddReordered(h, tmp);
    // Once B's archive is being extracted, the row of A (its record lies before B's) goes.
    bool bDeleted = false;
    QObject::connect(&h.driver, &CDriver::ProgressStarted, [&](int nId, bool) {
        if (nId == r.nIdB && !bDeleted)
            bDeleted = h.list.RemoveRow(h.list.FindRowById(r.nIdA));
    });
    ASSERT_TRUE(h.Run());
    EXPECT_TRUE(bDeleted);
    ExpectOwnResults(h, r, tmp);
}

TEST(DriverItemIdentityTest, DeletingAnEarlierRecordAtTheStartOfTheRowScansTheRightItem) {
    REQUIRE_TOOLS();
    CTempDir tmp("drv-id-start");
    CDriverHarness h;
    const CReordered r = AddReordered(h, tmp);
    bool bDeleted = false;
    QObject::connect(&h.driver, &CDriver::RowStarted, [&](int nRow) {
        if (h.list.RowId(nRow) == r.nIdB && !bDeleted)
            bDeleted = h.list.RemoveRow(h.list.FindRowById(r.nIdA));
    });
    ASSERT_TRUE(h.Run());
    EXPECT_TRUE(bDeleted);
    ExpectOwnResults(h, r, tmp);
}

namespace {

// A person who, while the password dialog is open, drops many items on the list (the
// records are reallocated), then cancels.
class CAddingPrompt : public CPasswordPrompt {
public:
    CAddingPrompt(CJobList& list, std::string strFolder) : list(list), strFolder(std::move(strFolder)) {}
    bool AskPassword(const std::string& strArchiveName, std::string&) override {
        arrAsked.push_back(strArchiveName);
        for (int i = 0; i < 300; ++i) {
            CListItem item;
            item.strType = "folder";
            item.strPath = strFolder + "/added" + std::to_string(i);
            item.strParentFolder = strFolder;
            list.AddItem(item);
        }
        QCoreApplication::processEvents();  // a modal dialog runs the event loop
        return false;
    }
    CJobList& list;
    std::string strFolder;
    std::vector<std::string> arrAsked;
};

}  // namespace

TEST(DriverItemIdentityTest, ItemsAddedDuringThePasswordPromptDoNotMisplaceTheSkippedLine) {
    REQUIRE_TOOLS();
    CTempDir tmp("drv-id-prompt");
    const std::string strRel = tmp.MakeDir("Locked");
    ASSERT_TRUE(WriteZip(strRel + "/secret.zip", {{"s.txt", "secret data"}}, "opensesame"));
    CDriverHarness h;
    CMainOptions options = h.options;
    options.bCleanUp = 1;
    h.SetOptions(options);
    h.Add(strRel, tmp.MakeDir("Out"));
    const int nId = h.list.RowId(0);
    CAddingPrompt prompt(h.list, tmp.MakeDir("Dropped"));
    h.driver.pPasswordPrompt = &prompt;
    // Stop after the locked item: the added folders do not exist.
    QObject::connect(&h.driver, &CDriver::RowFinished, [&](int) { h.driver.Pause(); });
    ASSERT_TRUE(h.Run());
    ASSERT_EQ(prompt.arrAsked, std::vector<std::string>{"secret.zip"});
    ASSERT_EQ(h.list.RowCount(), 301);
    const CListItem* pItem = h.list.ItemById(nId);
    ASSERT_NE(pItem, nullptr);
    EXPECT_EQ(pItem->strStatus, ItemStates::FAILED);
    EXPECT_EQ(std::count(pItem->arrErrors.begin(), pItem->arrErrors.end(),
                         "Skipped password protected file  secret.zip\r\n"),
              1);
    EXPECT_TRUE(Exists(strRel + "/secret.zip"));  // clean-up never ran
    for (int nRow = 1; nRow < h.list.RowCount(); ++nRow) {
        const CListItem* pAdded = h.list.ItemAtRow(nRow);
        ASSERT_NE(pAdded, nullptr);
        EXPECT_TRUE(pAdded->arrErrors.empty()) << pAdded->strPath;
        EXPECT_TRUE(pAdded->strStatus.empty()) << pAdded->strPath;
    }
}

TEST(DriverItemIdentityTest, AnItemRecordsWhatItsRunUsed) {
    REQUIRE_TOOLS();
    CTempDir tmp("drv-id-run");
    const std::string strRel = GoodRelease(tmp, "Echo", "echo");
    const std::string strOut = tmp.MakeDir("Out");
    CDriverHarness h;
    h.Add(strRel, strOut);
    EXPECT_EQ(h.Item(0).bHasRun, 0);
    std::vector<int> arrStarted, arrStopped;
    QObject::connect(&h.driver, &CDriver::ProgressStarted, [&](int nId, bool) { arrStarted.push_back(nId); });
    QObject::connect(&h.driver, &CDriver::ProgressStopped, [&](int nId) { arrStopped.push_back(nId); });
    int nIdDuringRun = -2;
    QObject::connect(&h.driver, &CDriver::RowStarted, [&](int) { nIdDuringRun = h.driver.CurrentItemId(); });
    ASSERT_TRUE(h.Run());
    EXPECT_EQ(h.Item(0).strStatus, ItemStates::COMPLETED) << h.Errors(0);
    EXPECT_EQ(h.Item(0).bHasRun, 1);
    EXPECT_EQ(h.Item(0).bRunWasTest, 0);
    EXPECT_EQ(h.Item(0).strRunOutputFolder, strOut);
    EXPECT_EQ(nIdDuringRun, h.list.RowId(0));
    EXPECT_EQ(h.driver.CurrentItemId(), -1);
    EXPECT_EQ(arrStarted, std::vector<int>{h.list.RowId(0)});
    EXPECT_EQ(arrStopped, std::vector<int>{h.list.RowId(0)});

    h.list.ResetRow(0);
    CMainOptions options = h.options;
    options.bTest = 1;
    h.SetOptions(options);
    ASSERT_TRUE(h.Run());
    EXPECT_EQ(h.Item(0).bRunWasTest, 1);
    EXPECT_EQ(h.Item(0).strRunOutputFolder, "");
}
