#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QHelpEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>
#include <QVBoxLayout>

#include "GuiTestApp.h"
#include "controls/CButtonST.h"
#include "controls/CImageList.h"
#include "controls/CThemeHelperST.h"
#include "controls/CXPStyleButtonST.h"
#include "controls/IconTransforms.h"
#include "controls/TooltipText.h"

namespace {

QImage Argb(const QPixmap& pm) {
    return pm.toImage().convertToFormat(QImage::Format_ARGB32);
}

// A window with two buttons, shown, so the pointer can go from one to the other.
struct CTwoButtons {
    QWidget window;
    CButtonST* pFirst = new CButtonST(QStringLiteral("First"), &window);
    CButtonST* pSecond = new CButtonST(QStringLiteral("Second"), &window);
    CTwoButtons() {
        auto* pLayout = new QVBoxLayout(&window);
        pLayout->addWidget(pFirst);
        pLayout->addWidget(pSecond);
        pFirst->SetIcon(CImageList::Instance().Named(ENamedIcon::Go));
        window.resize(200, 100);
        // The pointer starts outside the window, over neither button.
        QCursor::setPos(QPoint(3000, 3000));
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
};

}  // namespace

TEST(IconCopyTest, DarkerCopyTakesAQuarterOffEveryChannelAndKeepsBlack) {
    EnsureGuiApp();
    EXPECT_EQ(IconTransforms::DarkerPixel(qRgba(200, 101, 3, 255)), qRgba(150, 75, 2, 255));
    EXPECT_EQ(IconTransforms::DarkerPixel(qRgba(255, 1, 0, 77)), qRgba(191, 0, 0, 77));
    EXPECT_EQ(IconTransforms::DarkerPixel(qRgba(0, 0, 0, 255)), qRgba(0, 0, 0, 255));
}

TEST(IconCopyTest, GreyCopyWeighsTheChannelsAndKeepsBlack) {
    EnsureGuiApp();
    // 0.299 * 200 + 0.587 * 100 + 0.114 * 50 = 124.2
    EXPECT_EQ(IconTransforms::GreyPixel(qRgba(200, 100, 50, 255)), qRgba(124, 124, 124, 255));
    EXPECT_EQ(IconTransforms::GreyPixel(qRgba(0, 0, 0, 255)), qRgba(0, 0, 0, 255));
}

TEST(IconCopyTest, TransparentColourOfABitmapStaysUnchanged) {
    EnsureGuiApp();
    QImage image(2, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgb(255, 0, 255));
    image.setPixel(1, 0, qRgb(100, 200, 40));
    const QImage darker =
        IconTransforms::Transformed(image, IconTransforms::ECopy::Darker, QColor(255, 0, 255));
    EXPECT_EQ(darker.pixel(0, 0), qRgb(255, 0, 255));
    EXPECT_EQ(darker.pixel(1, 0), qRgb(75, 150, 30));
}

TEST(ButtonSTTest, NormalLookShowsTheDarkerCopyOfTheHoverIcon) {
    EnsureGuiApp();
    CButtonST button(QStringLiteral("Go"));
    const QIcon hover = CImageList::Instance().Named(ENamedIcon::Go);
    button.SetIcon(hover);
    const QImage hoverImage = Argb(hover.pixmap(16, 16));
    const QImage normalImage = Argb(button.NormalIcon().pixmap(16, 16));
    ASSERT_EQ(hoverImage.size(), normalImage.size());
    int nChecked = 0;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const QRgb px = hoverImage.pixel(x, y);
            if (qAlpha(px) == 255) {
                EXPECT_EQ(normalImage.pixel(x, y), IconTransforms::DarkerPixel(px));
                ++nChecked;
            }
        }
    }
    EXPECT_GT(nChecked, 20);
    EXPECT_FALSE(button.IsHover());
    EXPECT_EQ(Argb(button.CurrentIcon().pixmap(16, 16)), normalImage);
}

TEST(ButtonSTTest, PointerOverTheButtonOfTheActiveWindowGivesTheHoverLook) {
    EnsureGuiApp();
    CTwoButtons two;
    two.window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&two.window));
    QSignalSpy hoverSpy(two.pFirst, &CButtonST::HoverChanged);
    QTest::mouseMove(two.pFirst);
    EXPECT_TRUE(two.pFirst->IsHover());
    EXPECT_EQ(Argb(two.pFirst->CurrentIcon().pixmap(16, 16)), Argb(two.pFirst->HoverIcon().pixmap(16, 16)));
    QTest::mouseMove(two.pSecond);
    EXPECT_FALSE(two.pFirst->IsHover());
    EXPECT_TRUE(two.pSecond->IsHover());
    ASSERT_EQ(hoverSpy.count(), 2);
    EXPECT_TRUE(hoverSpy.at(0).at(0).toBool());
    EXPECT_FALSE(hoverSpy.at(1).at(0).toBool());
}

TEST(ButtonSTTest, WithoutAnActiveWindowTheButtonKeepsItsNormalLook) {
    EnsureGuiApp();
    CTwoButtons two;
    QApplication::setActiveWindow(nullptr);
    ASSERT_EQ(QApplication::activeWindow(), nullptr);
    QTest::mouseMove(two.pFirst);
    EXPECT_FALSE(two.pFirst->IsHover());
    // A button set to track the mouse always still takes the hover look.
    two.pSecond->SetAlwaysTrack(true);
    QTest::mouseMove(two.pSecond);
    EXPECT_TRUE(two.pSecond->IsHover());
}

TEST(ButtonSTTest, CheckBoxModeTogglesTheTickOnEveryClick) {
    EnsureGuiApp();
    QWidget window;
    auto* pBox = new CButtonST(QStringLiteral("Keep subs"), &window);
    pBox->SetCheckBox(true);
    window.show();
    QSignalSpy toggled(pBox, &QAbstractButton::toggled);
    EXPECT_FALSE(pBox->GetCheck());
    QTest::mouseClick(pBox, Qt::LeftButton);
    EXPECT_TRUE(pBox->GetCheck());
    QTest::mouseClick(pBox, Qt::LeftButton);
    EXPECT_FALSE(pBox->GetCheck());
    EXPECT_EQ(toggled.count(), 2);
    pBox->SetCheck(true);
    EXPECT_TRUE(pBox->GetCheck());
}

TEST(ButtonSTTest, OwnBackgroundColourIsPainted) {
    EnsureGuiApp();
    CButtonST button(QStringLiteral(" "));
    button.resize(120, 40);
    button.SetColour(CButtonST::BTNST_COLOR_BK_OUT, QColor(10, 200, 30));
    button.SetColour(CButtonST::BTNST_COLOR_FG_OUT, QColor(0, 0, 0));
    const QImage image = button.grab().toImage();
    EXPECT_GT(PixelsOfColour(image, QRect(20, 10, 80, 20), qRgb(10, 200, 30)), 1000);
    button.SetDefaultColours();
    const QImage plain = button.grab().toImage();
    EXPECT_EQ(PixelsOfColour(plain, QRect(20, 10, 80, 20), qRgb(10, 200, 30)), 0);
}

TEST(ButtonSTTest, TooltipShowsOnlyWhileActive) {
    EnsureGuiApp();
    QWidget window;
    auto* pButton = new CButtonST(QStringLiteral("Go"), &window);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    pButton->SetTooltipText(QStringLiteral("Process all items in list"), false);
    QHelpEvent first(QEvent::ToolTip, QPoint(5, 5), pButton->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(pButton, &first);
    EXPECT_FALSE(QToolTip::isVisible());
    pButton->ActivateTooltip(true);
    QHelpEvent second(QEvent::ToolTip, QPoint(5, 5), pButton->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(pButton, &second);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), QStringLiteral("Process all items in list"));
    QToolTip::hideText();
}

TEST(ButtonSTTest, LongTooltipsAreBrokenIntoLinesOfAtMostFourHundredPixels) {
    EnsureGuiApp();
    QString strLong;
    for (int i = 0; i < 40; ++i) {
        strLong += QStringLiteral("word%1 ").arg(i);
    }
    strLong = strLong.trimmed();
    const QString strWrapped = TooltipText::Wrapped(strLong, TooltipText::MAX_WIDTH);
    const QStringList arrLines = strWrapped.split(QLatin1Char('\n'));
    EXPECT_GT(arrLines.size(), 1);
    const QFontMetrics fm(QToolTip::font());
    for (const QString& strLine : arrLines) {
        EXPECT_LE(fm.horizontalAdvance(strLine), TooltipText::MAX_WIDTH) << strLine.toStdString();
    }
    EXPECT_EQ(arrLines.join(QLatin1Char(' ')), strLong);
    EXPECT_EQ(TooltipText::Wrapped(QStringLiteral("Abort current process")),
              QStringLiteral("Abort current process"));
}

TEST(ThemedButtonTest, WithoutThemeEveryThemeCallFailsAndTheButtonLooksPlain) {
    EnsureGuiApp();
    CThemeHelperST theme;
    theme.SetThemed(false);
    EXPECT_FALSE(theme.IsAppThemed());
    QWidget widget;
    EXPECT_EQ(theme.OpenThemeData(&widget, QStringLiteral("BUTTON")), nullptr);
    QImage scratch(10, 10, QImage::Format_ARGB32);
    QPainter painter(&scratch);
    EXPECT_FALSE(theme.DrawThemeBackground(nullptr, painter, &widget, CThemeHelperST::BP_PUSHBUTTON,
                                           CThemeHelperST::PBS_NORMAL, QRect(0, 0, 10, 10)));
    EXPECT_FALSE(theme.DrawThemeParentBackground(&widget, painter, QRect(0, 0, 10, 10)));
    EXPECT_FALSE(theme.CloseThemeData(nullptr));
    painter.end();

    CXPStyleButtonST themed(QStringLiteral("&Presets"));
    CButtonST plain(QStringLiteral("&Presets"));
    for (CButtonST* pButton : {static_cast<CButtonST*>(&themed), &plain}) {
        pButton->SetIcon(CImageList::Instance().Named(ENamedIcon::Presets));
        pButton->resize(110, 30);
    }
    themed.SetThemeHelper(&theme);
    EXPECT_FALSE(themed.IsThemed());
    EXPECT_EQ(themed.grab().toImage(), plain.grab().toImage());
}

TEST(ThemedButtonTest, ThemedButtonFollowsPointerPressAndEnabledState) {
    EnsureGuiApp();
    CThemeHelperST theme;
    theme.SetThemed(true);
    ASSERT_TRUE(theme.IsAppThemed());
    QWidget window;
    auto* pButton = new CXPStyleButtonST(QStringLiteral("&Update"), &window);
    pButton->SetThemeHelper(&theme);
    pButton->SetAlwaysTrack(true);
    window.resize(160, 60);
    QCursor::setPos(QPoint(3000, 3000));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_TRUE(pButton->IsThemed());
    EXPECT_EQ(pButton->ThemeState(), CThemeHelperST::PBS_NORMAL);
    QTest::mouseMove(pButton);
    EXPECT_EQ(pButton->ThemeState(), CThemeHelperST::PBS_HOT);
    pButton->setDown(true);
    EXPECT_EQ(pButton->ThemeState(), CThemeHelperST::PBS_PRESSED);
    pButton->setDown(false);
    pButton->setEnabled(false);
    EXPECT_EQ(pButton->ThemeState(), CThemeHelperST::PBS_DISABLED);
    // A flat button shows no panel of its own until the pointer is over it:
    // its edge is the parent's background, where a push button has a frame.
    pButton->setEnabled(true);
    QTest::mouseMove(&window, QPoint(150, 55));
    ASSERT_FALSE(pButton->IsHover());
    const QPoint edge(1, pButton->height() / 2);
    const QRgb parentColour = window.palette().color(QPalette::Window).rgb();
    EXPECT_NE(pButton->grab().toImage().pixel(edge), parentColour);
    pButton->SetFlatLook(true);
    EXPECT_EQ(pButton->grab().toImage().pixel(edge), parentColour);
}
