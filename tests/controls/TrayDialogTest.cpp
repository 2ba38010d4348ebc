#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>

#include "GuiTestApp.h"
#include "controls/CImageList.h"
#include "controls/CTrayDialog.h"
#include "tests/support/DesktopTray.h"

// The offscreen platform has no tray, the case that must never lose the window; the same
// tests also run on a real X server with a tray host (scripts/test-x11-tray.sh), where the
// tray tests below use the real tray.

TEST(TrayDialogTest, HasTrayFollowsTheDesktop) {
    EnsureGuiApp();
    CTrayDialog dialog;
    EXPECT_EQ(dialog.HasTray(), QSystemTrayIcon::isSystemTrayAvailable());
    if (QGuiApplication::platformName() == QStringLiteral("offscreen"))
        EXPECT_FALSE(dialog.HasTray());
}

TEST(TrayDialogTest, WithoutTrayMinimisingKeepsTheWindowReachable) {
    EnsureGuiApp();
    if (DesktopHasTray())
        GTEST_SKIP() << "this desktop has a tray";
    CTrayDialog dialog;
    dialog.TraySetIcon(CImageList::Instance().Icon(ImageIndex::TRAY_IDLE));
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    dialog.showMinimized();
    QTest::qWait(20);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(dialog.TrayIsShown());
    EXPECT_FALSE(dialog.IsHiddenInTray());
    // F9's way: minimised, not hidden.
    dialog.showNormal();
    dialog.MinimizeWindow();
    QTest::qWait(20);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(dialog.isMinimized());
}

TEST(TrayDialogTest, WithoutTrayStartingInTheTrayShowsTheWindow) {
    EnsureGuiApp();
    if (DesktopHasTray())
        GTEST_SKIP() << "this desktop has a tray";
    CTrayDialog dialog;
    dialog.SetStartInTray(true);
    EXPECT_FALSE(dialog.StartInTray());
    dialog.show();
    EXPECT_TRUE(dialog.isVisible());
}

TEST(TrayDialogTest, HidingTheIconAlwaysShowsTheWindow) {
    EnsureGuiApp();
    CTrayDialog dialog;
    QSignalSpy restored(&dialog, &CTrayDialog::TrayRestored);
    EXPECT_FALSE(dialog.isVisible());
    dialog.TrayHide();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(dialog.TrayIsShown());
    EXPECT_EQ(restored.count(), 1);
}

TEST(TrayDialogTest, TrayMenuOffersShowByDefaultAndExit) {
    EnsureGuiApp();
    CTrayDialog dialog;
    const QList<QAction*> arrActions = dialog.TrayMenu()->actions();
    ASSERT_EQ(arrActions.size(), 2);
    EXPECT_EQ(arrActions.at(0)->text(), QStringLiteral("Show"));
    EXPECT_EQ(arrActions.at(1)->text(), QStringLiteral("Exit"));
    EXPECT_EQ(dialog.TrayMenu()->defaultAction(), dialog.TrayShowAction());

    dialog.TrayShowAction()->trigger();
    EXPECT_TRUE(dialog.isVisible());
    QSignalSpy exitSpy(&dialog, &CTrayDialog::TrayExitRequested);
    dialog.TrayExitAction()->trigger();
    EXPECT_EQ(exitSpy.count(), 1);
    EXPECT_FALSE(dialog.isVisible());
}

TEST(TrayDialogTest, TooltipIsCutAtOneHundredTwentySevenCharacters) {
    EnsureGuiApp();
    CTrayDialog dialog;
    dialog.TraySetToolTip(QString(150, QLatin1Char('x')));
    EXPECT_EQ(dialog.TrayToolTip().size(), 127);
    dialog.TraySetToolTip(QStringLiteral("Harvex"));
    EXPECT_EQ(dialog.TrayToolTip(), QStringLiteral("Harvex"));
}

// The tray path, with the dialog told that the desktop has a tray.

TEST(TrayDialogTest, WithTrayMinimisingHidesTheWindowInTheTray) {
    EnsureGuiApp();
    CTrayDialog dialog;
    dialog.SetTrayAvailableOverride(1);
    dialog.TraySetIcon(CImageList::Instance().Icon(ImageIndex::TRAY_IDLE));
    dialog.TraySetToolTip(QStringLiteral("Harvex"));
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    dialog.showMinimized();
    QTRY_VERIFY(dialog.IsHiddenInTray());
    EXPECT_FALSE(dialog.isVisible());
    ASSERT_NE(dialog.SystemTrayIcon(), nullptr);
    EXPECT_EQ(dialog.SystemTrayIcon()->toolTip(), QStringLiteral("Harvex"));
    EXPECT_EQ(dialog.SystemTrayIcon()->contextMenu(), dialog.TrayMenu());

    // A double click on the icon brings the window back and the icon goes.
    emit dialog.SystemTrayIcon()->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(dialog.isMinimized());
    EXPECT_FALSE(dialog.TrayIsShown());
}

TEST(TrayDialogTest, WithTrayAStartInTheTrayStaysHiddenUntilShow) {
    EnsureGuiApp();
    CTrayDialog dialog;
    dialog.SetTrayAvailableOverride(1);
    dialog.SetStartInTray(true);
    ASSERT_TRUE(dialog.StartInTray());
    dialog.show();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(dialog.IsHiddenInTray());
    dialog.TrayShowAction()->trigger();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(dialog.StartInTray());
    EXPECT_FALSE(dialog.TrayIsShown());
}

TEST(TrayDialogTest, WithTrayF9HidesTheWindowAndTheIconKeepsTheTooltip) {
    EnsureGuiApp();
    CTrayDialog dialog;
    dialog.SetTrayAvailableOverride(1);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    dialog.MinimizeWindow();
    EXPECT_TRUE(dialog.IsHiddenInTray());
    dialog.TraySetToolTip(QStringLiteral("Copper.Valley 42% extracted"));
    EXPECT_EQ(dialog.SystemTrayIcon()->toolTip(), QStringLiteral("Copper.Valley 42% extracted"));
    dialog.TrayHide();
    EXPECT_TRUE(dialog.isVisible());
}

// On a desktop with a real tray host: the icon really lands in the tray (the host gives it a
// place on the screen), stays there while the window is hidden, and leaves with the restore.
TEST(TrayDialogTest, WithARealTrayTheIconIsEmbeddedWhileTheWindowIsHidden) {
    EnsureGuiApp();
    if (!DesktopHasTray())
        GTEST_SKIP() << "no tray on this desktop";
    CTrayDialog dialog;
    dialog.TraySetIcon(CImageList::Instance().Icon(ImageIndex::TRAY_IDLE));
    dialog.TraySetToolTip(QStringLiteral("Harvex"));
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    dialog.MinimizeWindow();
    EXPECT_FALSE(dialog.isVisible());
    ASSERT_NE(dialog.SystemTrayIcon(), nullptr);
    EXPECT_TRUE(dialog.SystemTrayIcon()->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.SystemTrayIcon()->geometry().isValid(); }, 3000));
    EXPECT_EQ(dialog.SystemTrayIcon()->toolTip(), QStringLiteral("Harvex"));
    emit dialog.SystemTrayIcon()->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(dialog.TrayIsShown());
}
