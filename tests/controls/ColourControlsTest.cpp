#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

#include "GuiTestApp.h"
#include "controls/CColorEdit.h"
#include "controls/CColorStatic.h"
#include "controls/CLabel.h"

// Receives the addresses QDesktopServices::openUrl hands to the scheme
// "harvex-test".
class CUrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> arrOpened;
public slots:
    void Open(const QUrl& url) { arrOpened << url; }
};

TEST(ColorEditTest, StartsBlackOnButtonFace) {
    EnsureGuiApp();
    CColorEdit edit;
    EXPECT_EQ(edit.TextColor(), QColor(Qt::black));
    EXPECT_EQ(edit.BkColor(), QApplication::palette().color(QPalette::Button));
}

TEST(ColorEditTest, PaintsItsBackgroundAndTextColours) {
    EnsureGuiApp();
    CColorEdit edit;
    edit.resize(300, 120);
    QFont font = edit.font();
    font.setPixelSize(28);
    font.setBold(true);
    edit.setFont(font);
    edit.setPlainText(QStringLiteral("MMMMMMMM"));
    edit.SetBkColor(QColor(192, 214, 192));
    edit.SetTextColor(QColor(200, 0, 0));
    const QImage image = edit.grab().toImage();
    EXPECT_GT(PixelsOfColour(image, image.rect(), qRgb(192, 214, 192)), 10000);
    EXPECT_GT(PixelsOfColour(image, image.rect(), qRgb(200, 0, 0)), 50);
    // A change is seen at once.
    edit.SetBkColor(QColor(62, 106, 133));
    const QImage after = edit.grab().toImage();
    EXPECT_EQ(PixelsOfColour(after, after.rect(), qRgb(192, 214, 192)), 0);
    EXPECT_GT(PixelsOfColour(after, after.rect(), qRgb(62, 106, 133)), 10000);
}

TEST(ColorStaticTest, FillsItsBackgroundInItsColour) {
    EnsureGuiApp();
    CColorStatic status(QStringLiteral(" Added 2 item(s)"));
    status.resize(200, 24);
    status.SetBkColor(QColor(195, 211, 253));
    status.SetTextColor(QColor(255, 255, 255));
    const QImage image = status.grab().toImage();
    EXPECT_EQ(image.pixel(195, 2), qRgb(195, 211, 253));
    EXPECT_EQ(status.TextColor(), QColor(255, 255, 255));
    status.SetBkColor(QColor(0, 160, 0));
    EXPECT_EQ(status.grab().toImage().pixel(195, 2), qRgb(0, 160, 0));
}

TEST(LabelTest, SettersChainAndShowTheLinkLook) {
    EnsureGuiApp();
    CLabel label(QStringLiteral("here"));
    label.SetLink(true)
        .SetTextColor(QColor(0, 0, 255))
        .SetUnderline(true)
        .SetUrl(QStringLiteral("harvex-test://a"));
    EXPECT_TRUE(label.IsLink());
    EXPECT_TRUE(label.IsUnderlined());
    EXPECT_EQ(label.cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(label.palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_EQ(label.Url(), QStringLiteral("harvex-test://a"));
    label.SetLink(false);
    EXPECT_NE(label.cursor().shape(), Qt::PointingHandCursor);
}

TEST(LabelTest, ClickOnALinkOpensItsAddressWithTheDesktop) {
    EnsureGuiApp();
    CUrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("harvex-test"), &catcher, "Open");
    QWidget window;
    auto* pLabel = new CLabel(QStringLiteral("Donate"), &window);
    pLabel->resize(80, 20);
    pLabel->SetLink(true).SetUrl(QStringLiteral("harvex-test://donate/page"));
    window.show();
    QSignalSpy clicked(pLabel, &CLabel::LinkClicked);
    QTest::mouseClick(pLabel, Qt::LeftButton);
    ASSERT_EQ(clicked.count(), 1);
    EXPECT_EQ(clicked.at(0).at(0).toString(), QStringLiteral("harvex-test://donate/page"));
    ASSERT_EQ(catcher.arrOpened.size(), 1);
    EXPECT_EQ(catcher.arrOpened.at(0), QUrl(QStringLiteral("harvex-test://donate/page")));
    QDesktopServices::unsetUrlHandler(QStringLiteral("harvex-test"));
}

TEST(LabelTest, ClickOutsideLinkModeOpensNothing) {
    EnsureGuiApp();
    CUrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("harvex-test"), &catcher, "Open");
    QWidget window;
    auto* pLabel = new CLabel(QStringLiteral("Right click on item(s) in list for menu"), &window);
    pLabel->SetUrl(QStringLiteral("harvex-test://nowhere"));
    window.show();
    QSignalSpy clicked(pLabel, &CLabel::LinkClicked);
    QTest::mouseClick(pLabel, Qt::LeftButton);
    EXPECT_EQ(clicked.count(), 0);
    EXPECT_TRUE(catcher.arrOpened.isEmpty());
    QDesktopServices::unsetUrlHandler(QStringLiteral("harvex-test"));
}

#include "ColourControlsTest.moc"
