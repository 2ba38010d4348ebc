#pragma once
// The drawing primitives of the program's icons. Every function paints into
// the 16 x 16 unit square of the painter's coordinates; strokes of one unit
// sit on half units so that they fall on whole pixels at 16 px.

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QString>

class QPainter;

namespace IconShapes {

enum class EBadge { Check, Cross, Plus, Minus, Exclamation, ArrowRight, Refresh, Clock, Broom, Shield };

// Folders.
void Folder(QPainter& p, const QColor& body, const QColor& front, const QColor& edge);
void YellowFolder(QPainter& p);
void GreyFolder(QPainter& p);
void OpenFolder(QPainter& p);
// A sheet of paper with a folded corner; bLines draws text lines on it.
void Document(QPainter& p, const QRectF& r, bool bLines = false, const QColor& paper = QColor(255, 255, 255));
// Three stacked books held by a strap: an archive.
void ArchiveStack(QPainter& p, const QRectF& r);
// The program's mark: an open box with a green arrow coming out of it;
// dArrowDrop moves the arrow down into the box (0 = fully out).
void AppMark(QPainter& p, double dArrowDrop = 0.0);
// A round badge in the lower right corner with a white symbol.
void Badge(QPainter& p, EBadge badge, const QColor& fill);
void Check(QPainter& p, const QRectF& r, const QColor& colour, double dWidth);
void Cross(QPainter& p, const QRectF& r, const QColor& colour, double dWidth);
void Arrow(QPainter& p, const QPointF& from, const QPointF& to, const QColor& colour, double dWidth,
           double dHead);
// An arc of dSpan degrees from dStart (counter-clockwise, 0 = 3 o'clock)
// with an arrow head at its end.
void ArcArrow(QPainter& p, const QPointF& centre, double dRadius, double dStart, double dSpan,
              const QColor& colour, double dWidth);
void Broom(QPainter& p, const QColor& bristles);
void FilmStrip(QPainter& p, const QRectF& r);
void StopSign(QPainter& p);
void Magnifier(QPainter& p, const QPointF& lens, double dRadius);
void Monkey(QPainter& p);
void SkipGlyph(QPainter& p);
void WarningTriangle(QPainter& p);
void Gear(QPainter& p, const QPointF& centre, double dRadius, const QColor& colour);
void Clock(QPainter& p, const QPointF& centre, double dRadius);
void Heart(QPainter& p);
void Tag(QPainter& p, const QRectF& r, const QColor& fill);
// A preset's number on a blue tag.
void PresetTag(QPainter& p, int nNumber);
// Text in the program's 3 x 5 pixel font (digits, capitals, '?', '!');
// dUnit is the size of one font pixel, dGap the space between letters.
void PixelText(QPainter& p, const QString& strText, const QPointF& topLeft, double dUnit, double dGap,
               const QColor& colour);
double PixelTextWidth(const QString& strText, double dUnit, double dGap);
// A document with a coloured band naming a file type (e.g. "MKV").
void FileType(QPainter& p, const QString& strExtension, const QColor& band, int nSymbol);

}  // namespace IconShapes
