#pragma once
// Whether the desktop has a tray, for tests that take the tray's path or the one without.
// With HARVEX_EXPECT_TRAY=1 (the run on a real X server with a tray host) it waits for the
// host and fails the test if none comes up, so that the tray's tests never skip there.
// Needs the QApplication to exist.

#include <gtest/gtest.h>

#include <QSystemTrayIcon>
#include <QTest>

inline bool DesktopHasTray() {
    if (qEnvironmentVariable("HARVEX_EXPECT_TRAY") != QStringLiteral("1"))
        return QSystemTrayIcon::isSystemTrayAvailable();
    const bool bTray = QTest::qWaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, 5000);
    EXPECT_TRUE(bTray) << "HARVEX_EXPECT_TRAY is set but no tray host came up";
    return bTray;
}
