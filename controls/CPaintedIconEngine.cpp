#include "controls/CPaintedIconEngine.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <algorithm>

CPaintedIconEngine::CPaintedIconEngine(IconDrawing drawing) : m_drawing(std::move(drawing)) {}

QIcon CPaintedIconEngine::MakeIcon(IconDrawing drawing) {
    return QIcon(new CPaintedIconEngine(std::move(drawing)));
}

QImage CPaintedIconEngine::Render(const QSize& deviceSize, QIcon::Mode mode) const {
    QImage image(deviceSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    if (deviceSize.isEmpty()) {
        return image;
    }
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, true);
        // Non-square requests get the icon centred in the shorter side.
        const int nSide = std::min(deviceSize.width(), deviceSize.height());
        painter.translate((deviceSize.width() - nSide) / 2.0, (deviceSize.height() - nSide) / 2.0);
        painter.scale(nSide / 16.0, nSide / 16.0);
        m_drawing(painter);
    }
    if (mode == QIcon::Disabled) {
        // A faded grey copy: what a disabled button or menu entry shows.
        QImage grey = image.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < grey.height(); ++y) {
            auto* pLine = reinterpret_cast<QRgb*>(grey.scanLine(y));
            for (int x = 0; x < grey.width(); ++x) {
                const QRgb px = pLine[x];
                const int nGrey = (qRed(px) * 299 + qGreen(px) * 587 + qBlue(px) * 114) / 1000;
                const int nLight = 128 + nGrey / 2;
                pLine[x] = qRgba(nLight, nLight, nLight, qAlpha(px) / 2);
            }
        }
        return grey.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    return image;
}

void CPaintedIconEngine::paint(QPainter* pPainter, const QRect& rect, QIcon::Mode mode, QIcon::State state) {
    const qreal dpr = pPainter->device() != nullptr ? pPainter->device()->devicePixelRatioF() : 1.0;
    const QPixmap pm = scaledPixmap(rect.size() * dpr, mode, state, dpr);
    pPainter->drawPixmap(rect, pm);
}

QPixmap CPaintedIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) {
    return scaledPixmap(size, mode, state, 1.0);
}

// QIcon asks with the size in device pixels and the ratio they are for.
QPixmap CPaintedIconEngine::scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State, qreal scale) {
    const QSize deviceSize = size;
    const QString strKey =
        QStringLiteral("%1x%2/%3").arg(deviceSize.width()).arg(deviceSize.height()).arg(int(mode));
    auto it = m_cache.constFind(strKey);
    QPixmap pm;
    if (it != m_cache.constEnd()) {
        pm = *it;
    } else {
        pm = QPixmap::fromImage(Render(deviceSize, mode));
        if (m_cache.size() > 64) {
            m_cache.clear();
        }
        m_cache.insert(strKey, pm);
    }
    pm.setDevicePixelRatio(scale);
    return pm;
}

QSize CPaintedIconEngine::actualSize(const QSize& size, QIcon::Mode, QIcon::State) {
    return size;
}

QList<QSize> CPaintedIconEngine::availableSizes(QIcon::Mode, QIcon::State) {
    return {QSize(16, 16), QSize(22, 22), QSize(24, 24), QSize(32, 32), QSize(48, 48), QSize(64, 64)};
}

QIconEngine* CPaintedIconEngine::clone() const {
    return new CPaintedIconEngine(m_drawing);
}

QString CPaintedIconEngine::key() const {
    return QStringLiteral("CPaintedIconEngine");
}
