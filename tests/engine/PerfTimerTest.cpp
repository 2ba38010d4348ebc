#include <gtest/gtest.h>

#include <thread>

#include "engine/CPerfTimer.h"

namespace {
constexpr int64_t MS = 1000000;  // ticks per millisecond
}

TEST(ElapsedTimeTextTest, ShowsOnlyTheUnitsThatAreReached) {
    EXPECT_EQ(ElapsedTimeTextFromTicks(250 * MS), "OK (250ms)");
    EXPECT_EQ(ElapsedTimeTextFromTicks(4007 * MS), "OK (4s7ms)");
    EXPECT_EQ(ElapsedTimeTextFromTicks((3600000 + 12) * MS), "OK (1h0m0s12ms)");
    EXPECT_EQ(ElapsedTimeTextFromTicks(125120 * MS), "OK (2m5s120ms)");
    EXPECT_EQ(ElapsedTimeTextFromTicks(0), "OK (0ms)");
}

TEST(ElapsedTimeTextTest, MinuteAndSecondBoundaries) {
    EXPECT_EQ(ElapsedTimeTextFromTicks(59999 * MS), "OK (59s999ms)");
    EXPECT_EQ(ElapsedTimeTextFromTicks(60000 * MS), "OK (1m0s0ms)");
    EXPECT_EQ(ElapsedTimeTextFromTicks(999 * MS), "OK (999ms)");
    EXPECT_EQ(ElapsedTimeTextFromTicks(1000 * MS), "OK (1s0ms)");
    EXPECT_EQ(ElapsedTimeTextFromTicks((2 * 3600000 + 61000 + 1) * MS), "OK (2h1m1s1ms)");
    // Sub-millisecond remainders are dropped, not rounded.
    EXPECT_EQ(ElapsedTimeTextFromTicks(1999 * MS + 999999), "OK (1s999ms)");
}

TEST(PerfTimerTest, MeasuresASleepAndStopsCounting) {
    CPerfTimer timer;
    EXPECT_GT(CPerfTimer::Frequency(), 0);
    EXPECT_GE(CPerfTimer::Calibration(), 0);
    timer.Start();
    EXPECT_TRUE(timer.IsRunning());
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    double dRunning = timer.ElapsedMs();
    EXPECT_TRUE(timer.IsRunning()) << "reading must not stop the timer";
    EXPECT_GE(dRunning, 29.0);
    timer.Stop();
    EXPECT_FALSE(timer.IsRunning());
    double dStopped = timer.ElapsedMs();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_DOUBLE_EQ(timer.ElapsedMs(), dStopped);
    EXPECT_NEAR(timer.Elapsed() * 1000.0, dStopped, 1e-6);
    EXPECT_LT(dStopped, 5000.0);
}

TEST(PerfTimerTest, StartResumesAStoppedTimerAndResetStartsOver) {
    CPerfTimer timer;
    timer.Start();
    // Long enough that a busy machine cannot stretch the restarted
    // measurement below past it.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    timer.Stop();
    int64_t nFirst = timer.ElapsedTicks();
    timer.Start();  // resume
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    timer.Stop();
    EXPECT_GE(timer.ElapsedTicks(), nFirst + 9 * MS);

    timer.Start(true);  // restart from zero
    timer.Stop();
    EXPECT_LT(timer.ElapsedTicks(), nFirst);
}

TEST(PerfTimerTest, StopOnIdleTimerDoesNothingAndCopiesKeepTheirValue) {
    CPerfTimer timer;
    timer.Stop();
    EXPECT_EQ(timer.ElapsedTicks(), 0);
    timer.Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    CPerfTimer copy(timer);
    timer.Stop();
    EXPECT_TRUE(copy.IsRunning());
    copy.Stop();
    EXPECT_GE(copy.ElapsedTicks(), 4 * MS);
    EXPECT_EQ(ElapsedTimeText(copy), ElapsedTimeTextFromTicks(copy.ElapsedTicks()));
}
