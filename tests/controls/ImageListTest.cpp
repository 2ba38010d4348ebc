#include <gtest/gtest.h>

#include <QImage>
#include <set>

#include "GuiTestApp.h"
#include "controls/CImageList.h"

namespace {

QImage At(const QIcon& icon, int nSize, qreal dpr = 1.0, QIcon::Mode mode = QIcon::Normal) {
    return icon.pixmap(QSize(nSize, nSize), dpr, mode).toImage().convertToFormat(QImage::Format_ARGB32);
}

int OpaquePixels(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            n += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
        }
    }
    return n;
}

}  // namespace

TEST(ImageListTest, HoldsHundredDrawnAndDistinctImagesAtSixteenPixels) {
    EnsureGuiApp();
    const CImageList& list = CImageList::Instance();
    ASSERT_EQ(list.Count(), 100);
    std::vector<QImage> arrImages;
    for (int i = 0; i < 100; ++i) {
        const QIcon icon = list.Icon(i);
        ASSERT_FALSE(icon.isNull()) << i;
        QImage image = At(icon, 16);
        ASSERT_EQ(image.size(), QSize(16, 16)) << i;
        EXPECT_GT(OpaquePixels(image), 8) << "image " << i << " is (nearly) empty";
        arrImages.push_back(image);
    }
    for (int i = 0; i < 100; ++i) {
        for (int j = i + 1; j < 100; ++j) {
            EXPECT_NE(arrImages[static_cast<size_t>(i)], arrImages[static_cast<size_t>(j)])
                << "images " << i << " and " << j << " look the same";
        }
    }
}

TEST(ImageListTest, OutsideTheListThereIsNoImage) {
    EnsureGuiApp();
    EXPECT_TRUE(CImageList::Instance().Icon(-1).isNull());
    EXPECT_TRUE(CImageList::Instance().Icon(100).isNull());
}

TEST(ImageListTest, HighDensityPixmapsArePaintedAtTheirOwnResolution) {
    EnsureGuiApp();
    const QIcon icon = CImageList::Instance().Icon(ImageIndex::COMPLETED);
    const QPixmap sharp = icon.pixmap(QSize(16, 16), 2.0);
    EXPECT_EQ(sharp.size(), QSize(32, 32));
    EXPECT_DOUBLE_EQ(sharp.devicePixelRatio(), 2.0);
    // Not the 16 px picture blown up: painted anew at 32 device pixels.
    const QImage blownUp = At(icon, 16)
                               .scaled(32, 32, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                               .convertToFormat(QImage::Format_ARGB32);
    EXPECT_NE(sharp.toImage().convertToFormat(QImage::Format_ARGB32), blownUp);
    EXPECT_EQ(sharp.toImage().convertToFormat(QImage::Format_ARGB32), At(icon, 32));
}

TEST(ImageListTest, PixmapGivesTheRequestedLogicalSize) {
    EnsureGuiApp();
    const QPixmap pm = CImageList::Instance().Pixmap(ImageIndex::RAR, 24);
    EXPECT_EQ(pm.deviceIndependentSize().toSize(), QSize(24, 24));
    EXPECT_FALSE(pm.isNull());
}

TEST(ImageListTest, TrayFramesAreTheListImagesElevenToTwenty) {
    EnsureGuiApp();
    const CImageList& list = CImageList::Instance();
    for (int n = ImageIndex::TRAY_FRAME_FIRST; n <= ImageIndex::TRAY_FRAME_LAST; ++n) {
        EXPECT_EQ(At(list.TrayFrame(n), 22), At(list.Icon(n), 22)) << n;
    }
    EXPECT_TRUE(list.TrayFrame(ImageIndex::TRAY_FRAME_FIRST - 1).isNull());
    EXPECT_TRUE(list.TrayFrame(ImageIndex::TRAY_FRAME_LAST + 1).isNull());
}

TEST(ImageListTest, EveryMenuCellTheItemMenuUsesIsDrawn) {
    EnsureGuiApp();
    const CImageList& list = CImageList::Instance();
    std::set<int> used = {0,  1,  2,  3,  4,  5,  6,  27, 28, 30, 31, 32, 33,
                          34, 35, 36, 37, 38, 39, 40, 41, 43, 44, 45, 47};
    for (int k = 0; k < 20; ++k) {
        used.insert(MenuIcon::PresetCell(k));
    }
    std::vector<QImage> arrImages;
    for (int nCell : used) {
        ASSERT_FALSE(list.MenuIcon(nCell).isNull()) << nCell;
        arrImages.push_back(At(list.MenuIcon(nCell), 16));
    }
    for (size_t i = 0; i < arrImages.size(); ++i) {
        for (size_t j = i + 1; j < arrImages.size(); ++j) {
            EXPECT_NE(arrImages[i], arrImages[j]) << "two menu cells look the same";
        }
    }
    EXPECT_TRUE(list.MenuIcon(MenuIcon::NONE).isNull());
    EXPECT_TRUE(list.MenuIcon(MenuIcon::COUNT).isNull());
}

TEST(ImageListTest, NamedIconsAreDrawnAndTheSpinStartsUpright) {
    EnsureGuiApp();
    const CImageList& list = CImageList::Instance();
    for (int i = 0; i <= static_cast<int>(ENamedIcon::TrayFailedAndCleanup); ++i) {
        EXPECT_GT(OpaquePixels(At(list.Named(static_cast<ENamedIcon>(i)), 16)), 8) << i;
    }
    EXPECT_EQ(At(list.AppSpin(0), 16), At(list.Named(ENamedIcon::App), 16));
    for (int n = 1; n < APP_SPIN_STEPS - 1; ++n) {
        EXPECT_NE(At(list.AppSpin(n), 16), At(list.AppSpin(0), 16)) << n;
    }
    EXPECT_TRUE(list.AppSpin(APP_SPIN_STEPS).isNull());
    EXPECT_NE(At(list.Named(ENamedIcon::Up), 16), At(list.Named(ENamedIcon::Down), 16));
}

TEST(ImageListTest, DisabledIconsAreFadedGrey) {
    EnsureGuiApp();
    const QImage image = At(CImageList::Instance().Icon(ImageIndex::FAILED), 16, 1.0, QIcon::Disabled);
    int nOpaque = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb px = image.pixel(x, y);
            if (qAlpha(px) == 0) {
                continue;
            }
            ++nOpaque;
            EXPECT_EQ(qRed(px), qGreen(px));
            EXPECT_EQ(qGreen(px), qBlue(px));
            EXPECT_LE(qAlpha(px), 128);
        }
    }
    EXPECT_GT(nOpaque, 50);
}
