// The real message box behind CMessageBox, answered by clicking its buttons.

#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "GuiTest.h"
#include "dialogs/CUpdateCheck.h"
#include "dialogs/CWidgetMessageBox.h"

namespace {

TEST(WidgetMessageBoxTest, ShowsTheTextOnUnixLinesAndAnswersTheClickedButton) {
    EnsureGuiApp();
    CWidgetMessageBox box;
    QString strShown;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    auto pDone = WhenModalOpens<QMessageBox>([&](QMessageBox* pBox) {
        strShown = pBox->text();
        icon = pBox->icon();
        QTest::mouseClick(pBox->button(QMessageBox::Yes), Qt::LeftButton);
    });
    const CMessageBox::EAnswer answer =
        box.ShowMessage("There is a new version available.\r\n Would you like to download the installer?",
                        CMessageBox::EIcon::Question, CMessageBox::EButtons::YesNo);
    EXPECT_TRUE(*pDone);
    EXPECT_EQ(answer, CMessageBox::EAnswer::Yes);
    EXPECT_EQ(strShown, QStringLiteral(
                            "There is a new version available.\n Would you like to download the installer?"));
    EXPECT_EQ(icon, QMessageBox::Question);

    pDone = WhenModalOpens<QMessageBox>([](QMessageBox* pBox) { QTest::keyClick(pBox, Qt::Key_Escape); });
    EXPECT_EQ(box.ShowMessage("Update?", CMessageBox::EIcon::Question, CMessageBox::EButtons::YesNo),
              CMessageBox::EAnswer::No);
    EXPECT_TRUE(*pDone);
}

TEST(WidgetMessageBoxTest, UpdateServerAddressComesFromTheEnvironment) {
    EnsureGuiApp();
    qputenv("HARVEX_UPDATE_URL", "http://127.0.0.1:9/base//");
    CSettings settings;
    CWidgetMessageBox box;
    CUpdateCheck check(settings, box);
    qunsetenv("HARVEX_UPDATE_URL");
    EXPECT_EQ(check.VersionFileUrl(), QUrl(QStringLiteral("http://127.0.0.1:9/base/update/version.txt")));
    EXPECT_EQ(check.UpdatePageUrl(), QUrl(QStringLiteral("http://127.0.0.1:9/base/update_harvex.htm")));
}

}  // namespace
