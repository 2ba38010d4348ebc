#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>

#include "GuiTestApp.h"
#include "controls/CImageList.h"
#include "controls/CTrayDialog.h"

// These run where the desktop has no tray (the offscreen platform has none),
// which is the case that must never lose the window.

TEST(TrayDialogTest, OffscreenDesktopHasNoTray) {
    EnsureGuiApp();
    CTrayDialog dialog;
    EXPECT_EQ(dialog.HasTray(), QSystemTrayIcon::isSystemTrayAvailable());
    EXPECT_FALSE(dialog.HasTray());
}

TEST(TrayDialogTest, WithoutTrayMinimisingKeepsTheWindowReachable) {
    EnsureGuiApp();
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
