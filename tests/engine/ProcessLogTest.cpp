#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "engine/CProcessLog.h"
#include "engine/Progress.h"

TEST(ProcessLogTest, AppendLogEmptiesTheLogAtAThousandLines) {
    CProcessLog log;
    for (int i = 0; i < 998; ++i)
        log.AppendLog("line\r\n");
    EXPECT_EQ(log.LineCount(), 999);
    log.AppendLog("one more\r\n");
    EXPECT_EQ(log.LineCount(), 1000);
    log.AppendLog("fresh\r\n");
    EXPECT_EQ(log.Text(), "fresh\r\n");
    EXPECT_EQ(log.LineCount(), 2);
}

TEST(ProcessLogTest, WorkerLogTrimsAndEndsTheLine) {
    CProcessLog log;
    log.AppendWorkerLog("  Created folder:\t/out  ", false, true, false);
    EXPECT_EQ(log.Text(), "Created folder:\t/out\r\n");
    log.AppendWorkerLog("no break ", false, false, false);
    EXPECT_EQ(log.Text(), "Created folder:\t/out\r\nno break");
}

TEST(ProcessLogTest, WorkerLogFilterKeepsOnlyTheModesEntryLines) {
    CProcessLog log;
    log.AppendWorkerLog(" Unzipped a.txt ", true, true, false);
    log.AppendWorkerLog("Tested a.txt", true, true, false);
    log.AppendWorkerLog("Unzipped b.txt", true, false, false);
    EXPECT_EQ(log.Text(), "\tUnzipped a.txt\r\n");
    CProcessLog testLog;
    testLog.AppendWorkerLog("Tested a.txt", true, true, true);
    testLog.AppendWorkerLog("Unzipped a.txt", true, true, true);
    EXPECT_EQ(testLog.Text(), "\tTested a.txt\r\n");
}

TEST(ProcessLogTest, ListenerSeesEveryAppendFromWorkerThreads) {
    CProcessLog log;
    std::atomic<int> nSeen{0};
    log.SetListener([&](const std::string&) { ++nSeen; });
    std::vector<std::thread> arrThreads;
    for (int t = 0; t < 4; ++t)
        arrThreads.emplace_back([&] {
            for (int i = 0; i < 100; ++i)
                log.AppendWorkerLog("x", false, true, false);
        });
    for (auto& thread : arrThreads)
        thread.join();
    EXPECT_EQ(nSeen.load(), 400);
    EXPECT_EQ(log.LineCount(), 401);
}

TEST(ProgressTest, ThreeZipsClimbInThirdsAndNeverPassOneHundred) {
    CProgress progress;
    progress.Reset();
    progress.StartRowProgress(0, 3, false);
    EXPECT_EQ(progress.nProgressPercent.load(), 0);
    std::vector<int> arrSeen;
    for (int i = 0; i < 3; ++i) {
        ++progress.nArchivesDone;
        progress.UpdateArchivePercent();
        arrSeen.push_back(progress.nProgressPercent.load());
    }
    EXPECT_EQ(arrSeen, (std::vector<int>{33, 66, 100}));
    ++progress.nArchivesDone;
    progress.UpdateArchivePercent();
    EXPECT_EQ(progress.nProgressPercent.load(), 99);
}

TEST(ProgressTest, ModesFollowTheArchiveCount) {
    CProgress single;
    single.StartRowProgress(1, 0, false);
    EXPECT_EQ(single.bSingleArchiveProgress.load(), 1);
    EXPECT_EQ(single.bIndeterminate.load(), 0);
    CProgress marquee;
    marquee.StartRowProgress(0, 1, true);
    EXPECT_EQ(marquee.bIndeterminate.load(), 1);
    EXPECT_EQ(marquee.nProgressPercent.load(), 100);
    EXPECT_EQ(marquee.nTestFrame, 21);
    // The marquee climbs by 2 a tick and starts again at 0 after passing 100.
    marquee.nArchivesDone = 98;
    marquee.Tick();
    EXPECT_EQ(marquee.nArchivesDone.load(), 100);
    marquee.Tick();
    EXPECT_EQ(marquee.nArchivesDone.load(), 0);
}

TEST(ProgressTest, TrayTipShortensLongNamesToFit) {
    const std::string strName(150, 'n');
    const std::string strTip = TrayProgressTip(strName, 42, false, false);
    EXPECT_EQ(strTip.size(), 127u);
    EXPECT_EQ(strTip.substr(strTip.size() - 17), "... 42% extracted");
    EXPECT_EQ(TrayProgressTip("Movie", 7, true, false), "Movie 7% tested");
    EXPECT_EQ(TrayProgressTip("Movie", 7, true, true), "Movie");
}

TEST(ProgressTest, TraySummaryCountsStates) {
    EXPECT_EQ(RefreshTraySummary({}).strTooltip, "Harvex");
    EXPECT_EQ(RefreshTraySummary({"Completed OK", "Completed OK"}).strTooltip,
              "All items in list completed OK");
    EXPECT_EQ(RefreshTraySummary({"Completed OK", ""}).strTooltip, "Harvex");
    EXPECT_EQ(RefreshTraySummary({"Process killed"}).nIcon, ETrayIcon::Idle);
    const CTraySummary both = RefreshTraySummary({"Nothing to extract", "OK (Double click)"});
    EXPECT_EQ(both.strTooltip, "One or more items in list failed");
    EXPECT_EQ(both.nIcon, ETrayIcon::FailedAndCleanUp);
    EXPECT_EQ(RefreshTraySummary({"OK (Double click)", "Completed OK"}).strTooltip,
              "One or more items in list failed clean up");
}
