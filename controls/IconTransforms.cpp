#include "controls/IconTransforms.h"

#include <QIconEngine>
#include <QPainter>
#include <QPixmap>

namespace IconTransforms {

QRgb DarkerPixel(QRgb px) {
    // c - 0.25 * c, truncated to an integer; black stays black by itself.
    const int r = static_cast<int>(qRed(px) - 0.25 * qRed(px));
    const int g = static_cast<int>(qGreen(px) - 0.25 * qGreen(px));
    const int b = static_cast<int>(qBlue(px) - 0.25 * qBlue(px));
    return qRgba(r, g, b, qAlpha(px));
}

QRgb GreyPixel(QRgb px) {
    const int nGrey = static_cast<int>(0.299 * qRed(px) + 0.587 * qGreen(px) + 0.114 * qBlue(px));
    return qRgba(nGrey, nGrey, nGrey, qAlpha(px));
}

QImage Transformed(const QImage& image, ECopy copy, std::optional<QColor> keepColour) {
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb keep = keepColour ? (keepColour->rgb() & 0xFFFFFF) : 0;
    for (int y = 0; y < out.height(); ++y) {
        auto* pLine = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const QRgb px = pLine[x];
            if (keepColour && (px & 0xFFFFFF) == keep) {
                continue;
            }
            pLine[x] = (copy == ECopy::Darker) ? DarkerPixel(px) : GreyPixel(px);
        }
    }
    return out;
}

namespace {

class CTransformedEngine : public QIconEngine {
public:
    CTransformedEngine(QIcon source, ECopy copy) : m_source(std::move(source)), m_copy(copy) {}

    void paint(QPainter* pPainter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
        const qreal dpr = pPainter->device() != nullptr ? pPainter->device()->devicePixelRatioF() : 1.0;
        pPainter->drawPixmap(rect, scaledPixmap(rect.size() * dpr, mode, state, dpr));
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1.0);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override {
        // size is in device pixels, as QIcon asks.
        const QSize logical(qRound(size.width() / scale), qRound(size.height() / scale));
        const QPixmap src = m_source.pixmap(logical, scale, mode, state);
        QPixmap pm = QPixmap::fromImage(Transformed(src.toImage(), m_copy));
        pm.setDevicePixelRatio(src.devicePixelRatio());
        return pm;
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return m_source.actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
        return m_source.availableSizes(mode, state);
    }
    QIconEngine* clone() const override { return new CTransformedEngine(m_source, m_copy); }
    QString key() const override { return QStringLiteral("CTransformedEngine"); }

private:
    QIcon m_source;
    ECopy m_copy;
};

}  // namespace

QIcon Transformed(const QIcon& source, ECopy copy) {
    if (source.isNull()) {
        return QIcon();
    }
    return QIcon(new CTransformedEngine(source, copy));
}

}  // namespace IconTransforms
