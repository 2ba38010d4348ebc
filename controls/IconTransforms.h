#pragma once
// The normal-look copies of a button's hover icon: the darker copy (every
// colour channel c becomes c - 0.25 * c, truncated) and the grey copy (grey
// level 0.299 R + 0.587 G + 0.114 B). Black pixels stay black in both, and
// a bitmap's transparent colour, when given, is left unchanged. Alpha is kept.

#include <QColor>
#include <QIcon>
#include <QImage>
#include <optional>

namespace IconTransforms {

enum class ECopy { Darker, Grey };

QRgb DarkerPixel(QRgb px);
QRgb GreyPixel(QRgb px);
// A copy of the image with every pixel transformed; pixels equal (in RGB) to
// keepColour are left as they are.
QImage Transformed(const QImage& image, ECopy copy, std::optional<QColor> keepColour = std::nullopt);
// An icon that paints source's pixmaps transformed, at any size and ratio.
QIcon Transformed(const QIcon& source, ECopy copy);

}  // namespace IconTransforms
