// The update check against a real HTTP server on 127.0.0.1: what the user sees on demand,
// what the weekly silent check does, and when "LastUpdateCheck" moves.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include "CLocalHttpServer.h"
#include "GuiTest.h"
#include "dialogs/CUpdateCheck.h"

namespace {

const char* const NO_NEW = "No new version available.";
const char* const SERVER_ERROR = "Unable to connect to update server.\r\nPlease try again later.";
const char* const OFFER = "There is a new version available.\r\n Would you like to download the installer?";

class UpdateCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureGuiApp();
        ASSERT_TRUE(server.Start());
        check.SetBaseUrl(server.BaseUrl() + "/");
        check.SetTimeoutMs(1500);
        check.fnIsOnline = [] { return true; };
        check.fnOpenUrl = [this](const QUrl& url) { arrOpened << url; };
        check.fnNow = [this] { return dtNow; };
        box.answer = CMessageBox::EAnswer::No;
    }

    // "&Update" with the server's first line; answers what the user was shown.
    std::string CheckNow(const QByteArray& strBody) {
        server.strBody = strBody;
        QSignalSpy spy(&check, &CUpdateCheck::CheckNowFinished);
        check.CheckForUpdateNow();
        EXPECT_TRUE(spy.count() == 1 || spy.wait(10000));
        EXPECT_EQ(box.arrShown.size(), 1u);
        return box.Last();
    }

    CLocalHttpServer server;
    CAnsweringMessageBox box;
    CSettings settings;
    CUpdateCheck check{settings, box};
    QList<QUrl> arrOpened;
    QDateTime dtNow = QDateTime(QDate(2026, 12, 8), QTime(12, 0, 0));
};

TEST_F(UpdateCheckTest, NewerVersionIsOfferedAndYesOpensTheUpdatePage) {
    box.answer = CMessageBox::EAnswer::Yes;
    EXPECT_EQ(CheckNow("1.5\n"), OFFER);
    EXPECT_EQ(box.arrShown.back().buttons, CMessageBox::EButtons::YesNo);
    EXPECT_EQ(box.arrShown.back().icon, CMessageBox::EIcon::Question);
    EXPECT_EQ(server.strLastPath, "/update/version.txt");
    EXPECT_EQ(arrOpened, QList<QUrl>{QUrl(server.BaseUrl() + "/update_harvex.htm")});
    EXPECT_EQ(settings.dtLastUpdateCheck, dtNow);
}

TEST_F(UpdateCheckTest, EqualVersionsSayNoNewVersion) {
    EXPECT_EQ(CheckNow("1.4.3.2\nsecond line 9.9\n"), NO_NEW);
    EXPECT_EQ(box.arrShown.back().icon, CMessageBox::EIcon::Information);
    EXPECT_TRUE(arrOpened.isEmpty());
}

TEST_F(UpdateCheckTest, TrailingZeroPartAndCarriageReturnAreNotNewer) {
    EXPECT_EQ(CheckNow("1.4.3.2.0\r\n"), NO_NEW);
}

TEST_F(UpdateCheckTest, TwoDigitPartsCompareAsNumbers) {
    EXPECT_EQ(CheckNow("1.4.3.10\n"), OFFER);
    box.arrShown.clear();
    EXPECT_EQ(CheckNow("1.10"), OFFER);
    box.arrShown.clear();
    EXPECT_EQ(CheckNow("1.4.3.1\n"), NO_NEW);
}

TEST_F(UpdateCheckTest, FirstLineThatIsNotAVersionIsAServerError) {
    EXPECT_EQ(CheckNow("<html>Not found</html>\n1.9\n"), SERVER_ERROR);
    box.arrShown.clear();
    EXPECT_EQ(CheckNow(QByteArray(100000, '7')), SERVER_ERROR);  // huge, no line break
    box.arrShown.clear();
    EXPECT_EQ(CheckNow(QByteArray("\x00\xff\x89PNG\r\n", 8)), SERVER_ERROR);
}

TEST_F(UpdateCheckTest, ErrorStatusIsAServerError) {
    server.nStatus = 404;
    EXPECT_EQ(CheckNow("1.9\n"), SERVER_ERROR);
}

TEST_F(UpdateCheckTest, ServerDownIsAServerErrorAndStillMovesTheLastCheck) {
    const QString strUrl = server.BaseUrl();
    server.close();  // nothing listens on that port any more
    check.SetBaseUrl(strUrl);
    EXPECT_EQ(CheckNow("1.9\n"), SERVER_ERROR);
    EXPECT_EQ(settings.dtLastUpdateCheck, dtNow);
}

TEST_F(UpdateCheckTest, ServerThatNeverAnswersTimesOut) {
    server.bSilent = true;
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(CheckNow("1.9\n"), SERVER_ERROR);
    EXPECT_EQ(server.nRequests, 1);
    EXPECT_LT(timer.elapsed(), 8000);
    EXPECT_FALSE(check.IsCheckingNow());
}

TEST_F(UpdateCheckTest, NoNetworkSaysSoWithoutAsking) {
    check.fnIsOnline = [] { return false; };
    check.CheckForUpdateNow();
    EXPECT_EQ(box.Last(), "Unable to connect to the internet.");
    EXPECT_EQ(box.arrShown.back().icon, CMessageBox::EIcon::Error);
    EXPECT_EQ(settings.dtLastUpdateCheck, dtNow);
    EXPECT_EQ(server.nRequests, 0);
}

TEST_F(UpdateCheckTest, NothingHappensOnDemandWhileProcessing) {
    check.fnIsProcessing = [] { return true; };
    check.CheckForUpdateNow();
    EXPECT_FALSE(check.IsCheckingNow());
    EXPECT_TRUE(box.arrShown.empty());
    EXPECT_FALSE(settings.dtLastUpdateCheck.isValid());
}

TEST_F(UpdateCheckTest, SilentCheckWaitsUntilSevenWholeDays) {
    server.strBody = "2.0\n";
    settings.dtLastUpdateCheck = dtNow.addDays(-7).addSecs(3600);  // six days and 23 hours
    EXPECT_FALSE(check.StartSilentCheck());
    EXPECT_EQ(settings.dtLastUpdateCheck, dtNow.addDays(-7).addSecs(3600));

    settings.dtLastUpdateCheck = dtNow.addDays(-7);
    QSignalSpy spy(&check, &CUpdateCheck::SilentCheckFinished);
    ASSERT_TRUE(check.StartSilentCheck());
    EXPECT_EQ(settings.dtLastUpdateCheck, dtNow);
    ASSERT_TRUE(spy.wait(10000));
    EXPECT_TRUE(spy.at(0).at(0).toBool());
    EXPECT_EQ(server.nRequests, 1);
    EXPECT_EQ(box.Last(), OFFER);  // shown on this (the GUI) thread after the fetch
}

TEST_F(UpdateCheckTest, SilentCheckIsOffWhenTheSettingIsOff) {
    settings.bCheckUpdates = 0;
    settings.dtLastUpdateCheck = dtNow.addDays(-30);
    EXPECT_FALSE(check.StartSilentCheck());
    EXPECT_EQ(settings.dtLastUpdateCheck, dtNow.addDays(-30));
}

TEST_F(UpdateCheckTest, SilentCheckFailuresShowNothing) {
    for (const QByteArray& strBody :
         {QByteArray("garbage\n"), QByteArray("1.4.3.2\n"), QByteArray("0.9\n")}) {
        server.strBody = strBody;
        settings.dtLastUpdateCheck = dtNow.addDays(-8);
        QSignalSpy spy(&check, &CUpdateCheck::SilentCheckFinished);
        ASSERT_TRUE(check.StartSilentCheck());
        ASSERT_TRUE(spy.wait(10000));
        EXPECT_FALSE(spy.at(0).at(0).toBool()) << strBody.toStdString();
    }
    server.bSilent = true;
    settings.dtLastUpdateCheck = dtNow.addDays(-8);
    QSignalSpy spy(&check, &CUpdateCheck::SilentCheckFinished);
    ASSERT_TRUE(check.StartSilentCheck());
    ASSERT_TRUE(spy.wait(10000));
    EXPECT_TRUE(box.arrShown.empty());
}

TEST_F(UpdateCheckTest, OfferFoundDuringARunIsShownWhenTheRunEnds) {
    bool bProcessing = true;
    check.fnIsProcessing = [&] { return bProcessing; };
    server.strBody = "1.5\n";
    settings.dtLastUpdateCheck = dtNow.addDays(-9);
    QSignalSpy spy(&check, &CUpdateCheck::SilentCheckFinished);
    ASSERT_TRUE(check.StartSilentCheck());
    ASSERT_TRUE(spy.wait(10000));
    EXPECT_TRUE(box.arrShown.empty());
    EXPECT_TRUE(check.IsOfferPending());
    dtNow = dtNow.addDays(2);  // the run went on for a while
    bProcessing = false;
    check.RunFinished();
    EXPECT_EQ(box.Last(), OFFER);
    EXPECT_FALSE(check.IsOfferPending());
    EXPECT_EQ(settings.dtLastUpdateCheck, dtNow);
}

TEST_F(UpdateCheckTest, DestroyingDuringASilentCheckDoesNotWaitForTheServer) {
    server.bSilent = true;
    settings.dtLastUpdateCheck = dtNow.addDays(-8);
    QElapsedTimer timer;
    timer.start();
    {
        CUpdateCheck shortLived(settings, box);
        shortLived.SetBaseUrl(server.BaseUrl());
        shortLived.fnIsOnline = [] { return true; };
        shortLived.SetTimeoutMs(60000);
        ASSERT_TRUE(shortLived.StartSilentCheck());
        QTest::qWait(200);  // the request is out and unanswered
    }
    EXPECT_LT(timer.elapsed(), 3000);
    EXPECT_TRUE(box.arrShown.empty());
}

}  // namespace
