#pragma once
// One QApplication per test program, made on first use (never while ctest
// lists the tests), on the offscreen platform unless another one is set.

#include <QApplication>
#include <QImage>
#include <QRect>

inline QApplication* EnsureGuiApp() {
    if (QApplication::instance() == nullptr) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        static int argc = 1;
        static char name[] = "controls_tests";
        static char* argv[] = {name, nullptr};
        static QApplication* pApp = new QApplication(argc, argv);
        return pApp;
    }
    return qobject_cast<QApplication*>(QApplication::instance());
}

// How many pixels of two equally sized regions differ.
inline int DifferingPixels(const QImage& image, const QRect& a, const QRect& b) {
    int nDiffer = 0;
    const int w = std::min(a.width(), b.width());
    const int h = std::min(a.height(), b.height());
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (image.pixel(a.left() + x, a.top() + y) != image.pixel(b.left() + x, b.top() + y)) {
                ++nDiffer;
            }
        }
    }
    return nDiffer;
}

// How many pixels of a region have exactly this colour.
inline int PixelsOfColour(const QImage& image, const QRect& region, QRgb rgb) {
    int nCount = 0;
    for (int y = region.top(); y <= region.bottom(); ++y) {
        for (int x = region.left(); x <= region.right(); ++x) {
            if ((image.pixel(x, y) & 0xFFFFFF) == (rgb & 0xFFFFFF)) {
                ++nCount;
            }
        }
    }
    return nCount;
}
