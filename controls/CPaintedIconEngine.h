#pragma once
// A QIconEngine that paints its icon as vectors on a 16-unit grid at
// whatever size and device pixel ratio QIcon asks for. Disabled icons are a
// faded grey copy. Painted pixmaps are cached per size, mode and ratio.

#include <QHash>
#include <QIconEngine>
#include <functional>

class QPainter;

// Draws one icon into the square 0..16 x 0..16 of the painter's coordinates.
using IconDrawing = std::function<void(QPainter&)>;

class CPaintedIconEngine : public QIconEngine {
public:
    explicit CPaintedIconEngine(IconDrawing drawing);

    // A QIcon over a new engine for this drawing.
    static QIcon MakeIcon(IconDrawing drawing);

    void paint(QPainter* pPainter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override;
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    QIconEngine* clone() const override;
    QString key() const override;

private:
    QImage Render(const QSize& deviceSize, QIcon::Mode mode) const;

    IconDrawing m_drawing;
    QHash<QString, QPixmap> m_cache;
};
