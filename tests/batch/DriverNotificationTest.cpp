// What the window draws from the driver: the process log's text and its emptying (on the
// GUI thread, whatever thread wrote), and the status line with its hold time.

#include <gtest/gtest.h>

#include <QThread>
#include <thread>

#include "DriverHarness.h"
#include "tests/fixtures/CRarWriter.h"
#include "tests/fixtures/CTempDir.h"
#include "tests/fixtures/TestFiles.h"

namespace {

// Mirrors the log as a window would: text appended, emptied on LogCleared.
struct CLogMirror {
    QString strText;
    int nCleared = 0;
    bool bOffThread = false;
    void Connect(CDriver& driver) {
        QObject::connect(&driver, &CDriver::LogAppended, [this](const QString& strPiece) {
            bOffThread = bOffThread || QThread::currentThread() != QCoreApplication::instance()->thread();
            strText += strPiece;
        });
        QObject::connect(&driver, &CDriver::LogCleared, [this] {
            bOffThread = bOffThread || QThread::currentThread() != QCoreApplication::instance()->thread();
            strText.clear();
            ++nCleared;
        });
    }
};

}  // namespace

TEST(DriverNotificationTest, LogWrittenOnAnotherThreadArrivesQueuedOnTheGuiThread) {
    EnsureBatchTestApp();
    CJobList list;
    CDriver driver(list);
    CLogMirror mirror;
    mirror.Connect(driver);
    std::thread writer([&] {
        driver.log.AppendWorkerLog("Extracting  a.txt", false, true, false);
        driver.log.Clear();
        driver.log.AppendWorkerLog("Extracting  b.txt", false, true, false);
    });
    writer.join();
    EXPECT_TRUE(mirror.strText.isEmpty());  // nothing delivered on the writer's thread
    QCoreApplication::processEvents();
    EXPECT_FALSE(mirror.bOffThread);
    EXPECT_EQ(mirror.nCleared, 1);
    EXPECT_EQ(mirror.strText.toStdString(), "Extracting  b.txt\r\n");
    EXPECT_EQ(mirror.strText.toStdString(), driver.log.Text());
}

TEST(DriverNotificationTest, TheMirroredLogMatchesTheLogAfterARun) {
    REQUIRE_TOOLS();
    CTempDir tmp("drv-note-log");
    std::vector<std::string> arrRels;
    for (const char* pszName : {"One", "Two"}) {
        arrRels.push_back(tmp.MakeDir(pszName));
        CRarWriter writer;
        writer.AddFile(std::string(pszName) + ".txt", pszName);
        ASSERT_TRUE(writer.Write(arrRels.back() + "/" + pszName + ".rar").bOk);
    }
    CDriverHarness h;
    CLogMirror mirror;
    mirror.Connect(h.driver);
    h.Add(arrRels[0], tmp.MakeDir("Out1"));
    h.Add(arrRels[1], tmp.MakeDir("Out2"));
    ASSERT_TRUE(h.Run());
    QCoreApplication::processEvents();
    EXPECT_FALSE(mirror.bOffThread);
    EXPECT_GE(mirror.nCleared, 2);  // every row starts with an empty log
    EXPECT_NE(h.driver.log.Text().find("Two.rar"), std::string::npos) << h.driver.log.Text();
    EXPECT_EQ(mirror.strText.toStdString(), h.driver.log.Text());
}

TEST(DriverNotificationTest, PauseTextStaysAndTimedTextsSayHowLong) {
    EnsureBatchTestApp();
    CJobList list;
    CDriver driver(list);
    std::vector<std::pair<std::string, int>> arrShown;
    QObject::connect(&driver, &CDriver::StatusChanged, [&](const QString& strText, uint, uint, int nHoldMs) {
        arrShown.emplace_back(strText.toStdString(), nHoldMs);
    });
    EXPECT_EQ(driver.Go(), CDriver::EGoResult::ListEmpty);
    driver.Pause();
    driver.Kill();
    ASSERT_EQ(arrShown.size(), 3u);
    EXPECT_EQ(arrShown[0], std::make_pair(std::string(" List is empty"), 1500));
    EXPECT_EQ(arrShown[1],
              std::make_pair(std::string(" Processing will stop after this item has finished"), -1));
    EXPECT_EQ(arrShown[2],
              std::make_pair(std::string(" Processing aborted. Manual clean up may be required."), 3000));
}
