// The secondary windows as the main window opens them: the presets manager, the
// preferences, the help window, the reports, the password prompt the driver asks
// through, the missing-companions window and the update check on demand.

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QToolTip>
#include <QTreeWidget>
#include <functional>

#include "WindowHarness.h"
#include "dialogs/CAdvancedOptions.h"
#include "dialogs/CDownloadDialog.h"
#include "dialogs/CInfoDialog.h"
#include "dialogs/CPasswordDialog.h"
#include "dialogs/CPresetsDlg.h"
#include "dialogs/CReports.h"
#include "dialogs/CUpdateCheck.h"
#include "engine/CItemStates.h"
#include "tests/dialogs/CLocalHttpServer.h"
#include "tests/fixtures/CRarWriter.h"
#include "tests/fixtures/TestFiles.h"
#include "tests/fixtures/encryption/CRarEncryptionHook.h"
#include "tests/support/CWindowWatch.h"

namespace {

bool TooltipShownOn(QWidget* pWidget) {
    QToolTip::hideText();
    QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), pWidget->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(pWidget, &help);
    const bool bShown = QToolTip::isVisible();
    QToolTip::hideText();
    return bShown;
}

// A release folder with one RAR archive; encrypted with "secret" when asked.
std::string MakeRelease(CTempDir& tmp, const std::string& strName, bool bEncrypted) {
    const std::string strRel = tmp.MakeDir(strName);
    CRarEncryptionOptions encryption;
    encryption.strPassword = "secret";
    encryption.bEncryptHeaders = false;
    CRarEncryptionHook hook(encryption);
    CRarOptions options;
    if (bEncrypted)
        options.pHook = &hook;
    CRarWriter writer(options);
    writer.AddFile("movie.mkv", testfiles::RandomBytes(32 * 1024, 11));
    EXPECT_TRUE(writer.Write(strRel + "/movie.rar").bOk);
    return strRel;
}

}  // namespace

TEST(WindowDialogsTest, PresetsButtonOpensTheManagerOnTheWindowsPresets) {
    CWindowHarness h("dlg-presets");
    CPresets preset;
    preset.strName = "Films";
    preset.strOutputPath = h.tmp.MakeDir("Films");
    h.Dlg().Presets().push_back(preset);
    h.Show();
    int nRows = -1;
    bool bModalMeanwhile = false;
    auto pDone = WhenShown<CPresetsDlg>([&](CPresetsDlg* pDlg) {
        nRows = pDlg->List()->topLevelItemCount();
        bModalMeanwhile = h.Dlg().IsModalOpen();
        pDlg->Button(CPresetsDlg::CLOSE)->click();
    });
    QTest::mouseClick(h.Dlg().Button(CQuarnelDlg::CMD_PRESETS), Qt::LeftButton);
    ASSERT_TRUE(*pDone);
    EXPECT_EQ(nRows, 1);
    EXPECT_TRUE(bModalMeanwhile);
    EXPECT_FALSE(h.Dlg().IsModalOpen());
    EXPECT_EQ(ShownWindow<CPresetsDlg>(), nullptr);
}

TEST(WindowDialogsTest, HelpButtonOpensTheHelpWindow) {
    CWindowHarness h("dlg-help");
    h.Show();
    bool bHelpView = false;
    auto pDone = WhenShown<CInfoDialog>([&](CInfoDialog* pDlg) {
        bHelpView = pDlg->IsHelpShown();
        pDlg->CloseButton()->click();
    });
    QTest::mouseClick(h.Dlg().Button(CQuarnelDlg::CMD_HELP), Qt::LeftButton);
    ASSERT_TRUE(*pDone);
    EXPECT_TRUE(bHelpView);
    EXPECT_EQ(ShownWindow<CInfoDialog>(), nullptr);
}

TEST(WindowDialogsTest, TooltipsSwitchOffAndOnFromThePreferences) {
    CWindowHarness h("dlg-prefs");
    h.Dlg().Settings().bShowTooltips = 1;
    h.Show();
    QPushButton* pGo = h.Dlg().Button(CQuarnelDlg::CMD_GO);
    ASSERT_TRUE(TooltipShownOn(pGo));
    bool bOffWhileOpen = true;
    bool bOnAgain = false;
    auto pDone = WhenShown<CAdvancedOptions>([&](CAdvancedOptions* pDlg) {
        // "Show tooltips" off, Apply: the window's tooltips go at once.
        pDlg->Box(CAdvancedOptions::SHOW_TOOLTIPS)->setChecked(false);
        pDlg->Apply();
        bOffWhileOpen = TooltipShownOn(pGo);
        // The signal alone switches them back on.
        emit pDlg->TooltipsChanged(true);
        bOnAgain = TooltipShownOn(pGo);
        pDlg->CancelButton()->click();
    });
    QTest::mouseClick(h.Dlg().Button(CQuarnelDlg::CMD_PREFERENCES), Qt::LeftButton);
    ASSERT_TRUE(*pDone);
    EXPECT_FALSE(bOffWhileOpen);
    EXPECT_TRUE(bOnAgain);
    EXPECT_EQ(h.Dlg().Settings().bShowTooltips, 1);
    EXPECT_EQ(ShownWindow<CAdvancedOptions>(), nullptr);
}

TEST(WindowDialogsTest, PreferencesReachTheDriverAfterOk) {
    CWindowHarness h("dlg-prefs-driver");
    h.Dlg().Settings().bPasswordPrompt = 1;
    h.Show();
    ASSERT_EQ(h.Dlg().Driver().bPasswordPrompt, 1);
    auto pDone = WhenShown<CAdvancedOptions>([](CAdvancedOptions* pDlg) {
        pDlg->Box(CAdvancedOptions::PASSWORD_PROMPT)->setChecked(false);
        pDlg->OkButton()->click();
    });
    QTest::mouseClick(h.Dlg().Button(CQuarnelDlg::CMD_PREFERENCES), Qt::LeftButton);
    ASSERT_TRUE(*pDone);
    EXPECT_EQ(h.Dlg().Settings().bPasswordPrompt, 0);
    EXPECT_EQ(h.Dlg().Driver().bPasswordPrompt, 0);
}

TEST(WindowDialogsTest, DoubleClickOnAFailedRowOpensItsErrorReportModeless) {
    REQUIRE_TOOLS();
    CWindowHarness h("dlg-report");
    const std::string strGood = MakeRelease(h.tmp, "Good.Release", false);
    const std::string strBad = h.tmp.MakeDir("Broken.Release");
    testfiles::WriteFile(strBad + "/movie.rar", "Rar!\x1a\x07\x01 this is no archive at all");
    h.Dlg().Settings().arrHistory = {h.tmp.MakeDir("Out")};
    h.Show();
    h.Dlg().AddPaths({QString::fromStdString(strGood), QString::fromStdString(strBad)});
    ASSERT_EQ(h.List().RowCount(), 2);
    QTest::mouseClick(h.Dlg().Button(CQuarnelDlg::CMD_GO), Qt::LeftButton);
    ASSERT_TRUE(h.WaitForRunEnd());
    const CListItem* pBad = h.List().ItemAtRow(1);
    ASSERT_NE(pBad, nullptr);
    ASSERT_EQ(pBad->strStatus, ItemStates::FAILED);
    ASSERT_FALSE(pBad->arrErrors.empty());

    // A finished item without errors opens nothing.
    QTest::mouseDClick(h.Viewport(), Qt::LeftButton, {}, h.RowPoint(0));
    EXPECT_EQ(ShownWindow<CErrorReport>(), nullptr);

    QTest::mouseDClick(h.Viewport(), Qt::LeftButton, {}, h.RowPoint(1));
    CErrorReport* pReport = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (pReport = ShownWindow<CErrorReport>()) != nullptr; }, 5000));
    EXPECT_EQ(pReport->ItemId(), pBad->nId);
    EXPECT_GE(pReport->List()->count(), 1);
    EXPECT_FALSE(pReport->isModal());
    EXPECT_FALSE(h.Dlg().IsModalOpen());
    // A second double click keeps one report window.
    QTest::mouseDClick(h.Viewport(), Qt::LeftButton, {}, h.RowPoint(1));
    int nReports = 0;
    for (QWidget* pWidget : QApplication::topLevelWidgets())
        nReports += qobject_cast<CErrorReport*>(pWidget) != nullptr && pWidget->isVisible() ? 1 : 0;
    EXPECT_EQ(nReports, 1);
    pReport->CloseButton()->click();
    EXPECT_TRUE(QTest::qWaitFor([] { return ShownWindow<CErrorReport>() == nullptr; }, 5000));
}

TEST(WindowDialogsTest, DriverAsksThroughThePasswordDialogAndTheRunGoesOn) {
    REQUIRE_TOOLS();
    CWindowHarness h("dlg-password");
    const std::string strEnc = MakeRelease(h.tmp, "Secret.Release", true);
    const std::string strLater = MakeRelease(h.tmp, "Later.Release", false);
    h.Dlg().Settings().arrHistory = {h.tmp.MakeDir("Out")};
    h.Dlg().Settings().bPasswordPrompt = 1;
    h.Show();
    h.Dlg().AddPaths({QString::fromStdString(strEnc)});
    ASSERT_EQ(h.List().RowCount(), 1);
    bool bModal = false;
    bool bFrozen = true;
    int nRowsWhileOpen = -1;
    auto pDone = WhenShown<CPasswordDialog>(
        [&](CPasswordDialog* pDlg) {
            bModal = h.Dlg().IsModalOpen();
            bFrozen = !h.Dlg().Timer(CQuarnelDlg::TIMER_EXTRACT_FRAMES)->isActive() &&
                      !h.Dlg().Timer(CQuarnelDlg::TIMER_BAR)->isActive();
            // A drop while the prompt is open waits until it has closed.
            h.Dlg().AddPaths({QString::fromStdString(strLater)});
            nRowsWhileOpen = h.List().RowCount();
            QTest::keyClicks(pDlg->PasswordEdit(), QStringLiteral("secret"));
            QTest::mouseClick(pDlg->OkButton(), Qt::LeftButton);
        },
        30000);
    QTest::mouseClick(h.Dlg().Button(CQuarnelDlg::CMD_GO), Qt::LeftButton);
    ASSERT_TRUE(h.WaitForRunEnd());
    ASSERT_TRUE(*pDone);
    EXPECT_TRUE(bModal);
    EXPECT_TRUE(bFrozen);
    EXPECT_EQ(nRowsWhileOpen, 1);
    const CListItem* pItem = h.List().ItemAtRow(0);
    ASSERT_NE(pItem, nullptr);
    EXPECT_EQ(pItem->strStatus, ItemStates::COMPLETED)
        << (pItem->arrErrors.empty() ? "" : pItem->arrErrors[0]);
    EXPECT_TRUE(testfiles::Exists(pItem->strRunOutputFolder + "/movie.mkv"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return h.List().RowCount() == 2; }, 5000));
    EXPECT_FALSE(h.Dlg().IsModalOpen());
}

TEST(WindowDialogsTest, GoWithMissingCompanionsOpensTheDownloadWindow) {
    CWindowHarness h("dlg-download");
    CToolPaths tools;
    tools.strInstallDir = h.tmp.MakeDir("empty-install");
    tools.strUnrarExe = tools.strInstallDir + "/unrar";
    tools.strUnzipDll = tools.strInstallDir + "/libunzdll.so";
    h.Dlg().SetTools(tools);
    const std::string strRel = h.tmp.MakeDir("Some.Release");
    testfiles::WriteFile(strRel + "/movie.nfo", "notes\n");
    h.Dlg().Settings().arrHistory = {h.tmp.MakeDir("Out")};
    h.Show();
    h.Dlg().AddPaths({QString::fromStdString(strRel)});
    bool bMessageBox = false;
    auto pBox = WhenShown<QMessageBox>([&](QMessageBox* pDlg) {
        bMessageBox = true;
        pDlg->reject();
    });
    auto pDone = WhenShown<CDownloadDialog>([](CDownloadDialog* pDlg) { pDlg->CloseButton()->click(); });
    QTest::mouseClick(h.Dlg().Button(CQuarnelDlg::CMD_GO), Qt::LeftButton);
    EXPECT_TRUE(*pDone);
    EXPECT_FALSE(bMessageBox);
    EXPECT_FALSE(h.Dlg().IsProcessing());
    EXPECT_FALSE(h.Dlg().IsModalOpen());
}

TEST(WindowDialogsTest, UpdateButtonStartsTheCheckWithoutWaiting) {
    CWindowHarness h("dlg-update");
    h.Show();
    // Nothing listens there: the answer is the server error, in a message box.
    h.Dlg().UpdateCheck().SetBaseUrl(QStringLiteral("http://127.0.0.1:1"));
    h.Dlg().UpdateCheck().SetTimeoutMs(3000);
    QString strAnswer;
    auto pBox = WhenShown<QMessageBox>(
        [&](QMessageBox* pDlg) {
            strAnswer = pDlg->text();
            pDlg->accept();
        },
        10000);
    QTest::mouseClick(h.Dlg().Button(CQuarnelDlg::CMD_UPDATE), Qt::LeftButton);
    EXPECT_TRUE(h.Dlg().UpdateCheck().IsCheckingNow());
    ASSERT_TRUE(QTest::qWaitFor([&] { return *pBox && !h.Dlg().UpdateCheck().IsCheckingNow(); }, 10000));
    EXPECT_FALSE(strAnswer.isEmpty());
    EXPECT_FALSE(h.Dlg().IsModalOpen());
}

TEST(WindowDialogsTest, UpdateFoundDuringARunIsOfferedWhenTheRunHasEnded) {
    REQUIRE_TOOLS();
    CWindowHarness h("dlg-update-run");
    CLocalHttpServer server;
    server.strBody = "99.0\n";
    ASSERT_TRUE(server.Start());
    const std::string strEnc = MakeRelease(h.tmp, "Secret.Release", true);
    h.Dlg().Settings().arrHistory = {h.tmp.MakeDir("Out")};
    h.Dlg().Settings().bCheckUpdates = 1;
    h.Dlg().Settings().dtLastUpdateCheck = QDateTime::currentDateTime().addDays(-8);
    h.Show();
    CUpdateCheck& check = h.Dlg().UpdateCheck();
    check.SetBaseUrl(server.BaseUrl());
    QList<QUrl> arrOpened;
    check.fnOpenUrl = [&](const QUrl& url) { arrOpened << url; };
    h.Dlg().AddPaths({QString::fromStdString(strEnc)});
    // The password prompt holds the run open while the weekly check answers.
    bool bStarted = false;
    bool bPendingDuringRun = false;
    bool bBoxDuringRun = true;
    auto pPrompt = WhenShown<CPasswordDialog>(
        [&](CPasswordDialog* pDlg) {
            QSignalSpy finished(&check, &CUpdateCheck::SilentCheckFinished);
            bStarted = check.StartSilentCheck();
            if (bStarted)
                (void)finished.wait(10000);
            bPendingDuringRun = check.IsOfferPending();
            bBoxDuringRun = ShownWindow<QMessageBox>() != nullptr;
            QTest::keyClicks(pDlg->PasswordEdit(), QStringLiteral("secret"));
            QTest::mouseClick(pDlg->OkButton(), Qt::LeftButton);
        },
        30000);
    QString strOffer;
    auto pOffer = WhenShown<QMessageBox>(
        [&](QMessageBox* pBox) {
            strOffer = pBox->text();
            pBox->button(QMessageBox::Yes)->click();
        },
        60000);
    QTest::mouseClick(h.Dlg().Button(CQuarnelDlg::CMD_GO), Qt::LeftButton);
    ASSERT_TRUE(h.WaitForRunEnd());
    ASSERT_TRUE(*pPrompt);
    EXPECT_TRUE(bStarted);
    EXPECT_TRUE(bPendingDuringRun);
    EXPECT_FALSE(bBoxDuringRun);
    ASSERT_TRUE(QTest::qWaitFor([&] { return *pOffer; }, 10000));
    EXPECT_TRUE(strOffer.contains(QStringLiteral("new version")));
    EXPECT_FALSE(check.IsOfferPending());
    ASSERT_EQ(arrOpened.size(), 1);
    EXPECT_EQ(arrOpened.front(), check.UpdatePageUrl());
}
