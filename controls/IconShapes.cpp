#include "controls/IconShapes.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <cmath>

namespace IconShapes {

namespace {

QPen Pen(const QColor& colour, double dWidth) {
    QPen pen(colour, dWidth);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    return pen;
}

// The 3 x 5 glyphs, one string of 15 '0'/'1' per character, row by row.
const char* Glyph(QChar c) {
    switch (c.toLatin1()) {
        case '0':
            return "111101101101111";
        case '1':
            return "010110010010111";
        case '2':
            return "111001111100111";
        case '3':
            return "111001111001111";
        case '4':
            return "101101111001001";
        case '5':
            return "111100111001111";
        case '6':
            return "111100111101111";
        case '7':
            return "111001010010010";
        case '8':
            return "111101111101111";
        case '9':
            return "111101111001111";
        case 'A':
            return "010101111101101";
        case 'B':
            return "110101110101110";
        case 'E':
            return "111100110100111";
        case 'G':
            return "011100101101011";
        case 'I':
            return "111010010010111";
        case 'K':
            return "101101110101101";
        case 'M':
            return "101111111101101";
        case 'O':
            return "010101101101010";
        case 'P':
            return "110101110100100";
        case 'S':
            return "011100010001110";
        case 'V':
            return "101101101101010";
        case 'X':
            return "101101010101101";
        case '?':
            return "111001011000010";
        case '!':
            return "010010010000010";
        default:
            return "000000000000000";
    }
}

}  // namespace

void Folder(QPainter& p, const QColor& body, const QColor& front, const QColor& edge) {
    p.save();
    p.setPen(Pen(edge, 1.0));
    QPainterPath back;
    back.moveTo(1.5, 3.5);
    back.lineTo(6.0, 3.5);
    back.lineTo(7.5, 5.0);
    back.lineTo(14.5, 5.0);
    back.lineTo(14.5, 13.5);
    back.lineTo(1.5, 13.5);
    back.closeSubpath();
    p.setBrush(body);
    p.drawPath(back);
    p.setBrush(front);
    p.drawRect(QRectF(1.5, 6.5, 13.0, 7.0));
    p.restore();
}

void YellowFolder(QPainter& p) {
    Folder(p, QColor(230, 172, 40), QColor(255, 214, 92), QColor(150, 100, 10));
}

void GreyFolder(QPainter& p) {
    Folder(p, QColor(150, 150, 150), QColor(200, 200, 200), QColor(95, 95, 95));
}

void OpenFolder(QPainter& p) {
    p.save();
    const QColor edge(150, 100, 10);
    p.setPen(Pen(edge, 1.0));
    QPainterPath back;
    back.moveTo(1.5, 13.5);
    back.lineTo(1.5, 3.5);
    back.lineTo(6.0, 3.5);
    back.lineTo(7.5, 5.0);
    back.lineTo(13.5, 5.0);
    back.lineTo(13.5, 7.0);
    p.setBrush(QColor(230, 172, 40));
    p.drawPath(back);
    QPolygonF front;
    front << QPointF(4.0, 7.5) << QPointF(15.5, 7.5) << QPointF(13.0, 13.5) << QPointF(1.5, 13.5);
    p.setBrush(QColor(255, 214, 92));
    p.drawPolygon(front);
    p.restore();
}

void Document(QPainter& p, const QRectF& r, bool bLines, const QColor& paper) {
    p.save();
    const double f = std::min(4.0, r.width() / 3.0);
    QPainterPath sheet;
    sheet.moveTo(r.left(), r.top());
    sheet.lineTo(r.right() - f, r.top());
    sheet.lineTo(r.right(), r.top() + f);
    sheet.lineTo(r.right(), r.bottom());
    sheet.lineTo(r.left(), r.bottom());
    sheet.closeSubpath();
    p.setPen(Pen(QColor(100, 100, 110), 1.0));
    p.setBrush(paper);
    p.drawPath(sheet);
    QPainterPath fold;
    fold.moveTo(r.right() - f, r.top());
    fold.lineTo(r.right() - f, r.top() + f);
    fold.lineTo(r.right(), r.top() + f);
    p.setBrush(QColor(215, 215, 222));
    p.drawPath(fold);
    if (bLines) {
        p.setPen(QPen(QColor(110, 140, 190), 1.0));
        for (double y = r.top() + f + 1.0; y < r.bottom() - 1.0; y += 2.0) {
            p.drawLine(QPointF(r.left() + 2.0, y), QPointF(r.right() - 2.0, y));
        }
    }
    p.restore();
}

void ArchiveStack(QPainter& p, const QRectF& r) {
    p.save();
    const QColor arrColours[3] = {QColor(123, 31, 162), QColor(46, 125, 50), QColor(21, 101, 192)};
    const double h = r.height() / 3.0;
    for (int i = 0; i < 3; ++i) {
        const QRectF book(r.left() + (i == 1 ? 0.8 : 0.0), r.top() + i * h, r.width() - 0.8, h);
        p.setPen(Pen(arrColours[i].darker(170), 1.0));
        p.setBrush(arrColours[i]);
        p.drawRoundedRect(book, 1.0, 1.0);
        p.setPen(QPen(arrColours[i].lighter(160), 0.8));
        p.drawLine(QPointF(book.left() + 1.5, book.top() + h / 2),
                   QPointF(book.left() + 3.0, book.top() + h / 2));
    }
    // The strap around the stack.
    const double x = r.left() + r.width() * 0.58;
    p.setPen(Pen(QColor(120, 80, 30), 0.8));
    p.setBrush(QColor(222, 184, 120));
    p.drawRect(QRectF(x, r.top() - 0.3, r.width() * 0.16, r.height() + 0.6));
    p.restore();
}

void AppMark(QPainter& p, double dArrowDrop) {
    p.save();
    const QColor edge(110, 62, 16);
    // The box's dark inside, then the arrow rising out of it, then the
    // front and the open flaps, which hide the arrow's lower part.
    p.setPen(Pen(edge, 1.0));
    p.setBrush(QColor(120, 70, 20));
    p.drawRect(QRectF(2.5, 7.0, 11.0, 2.0));
    p.save();
    p.setClipRect(QRectF(0, 0, 16, 9.0));
    QPolygonF arrow;
    const double d = dArrowDrop;
    arrow << QPointF(8.0, 0.5 + d) << QPointF(12.5, 5.0 + d) << QPointF(9.7, 5.0 + d)
          << QPointF(9.7, 10.0 + d) << QPointF(6.3, 10.0 + d) << QPointF(6.3, 5.0 + d)
          << QPointF(3.5, 5.0 + d);
    p.setPen(Pen(QColor(20, 90, 30), 1.0));
    p.setBrush(QColor(60, 175, 70));
    p.drawPolygon(arrow);
    p.restore();
    p.setPen(Pen(edge, 1.0));
    QPolygonF left;
    left << QPointF(2.5, 8.5) << QPointF(0.5, 6.0) << QPointF(5.0, 6.0) << QPointF(6.5, 8.5);
    QPolygonF right;
    right << QPointF(13.5, 8.5) << QPointF(15.5, 6.0) << QPointF(11.0, 6.0) << QPointF(9.5, 8.5);
    p.setBrush(QColor(236, 178, 96));
    p.drawPolygon(left);
    p.drawPolygon(right);
    p.setBrush(QColor(214, 142, 54));
    p.drawRect(QRectF(2.5, 8.5, 11.0, 6.0));
    p.setPen(QPen(QColor(245, 205, 140), 1.0));
    p.drawLine(QPointF(4.0, 11.5), QPointF(12.0, 11.5));
    p.restore();
}

void Check(QPainter& p, const QRectF& r, const QColor& colour, double dWidth) {
    p.save();
    p.setPen(Pen(colour, dWidth));
    p.setBrush(Qt::NoBrush);
    QPolygonF line;
    line << QPointF(r.left(), r.top() + r.height() * 0.55) << QPointF(r.left() + r.width() * 0.38, r.bottom())
         << QPointF(r.right(), r.top());
    p.drawPolyline(line);
    p.restore();
}

void Cross(QPainter& p, const QRectF& r, const QColor& colour, double dWidth) {
    p.save();
    p.setPen(Pen(colour, dWidth));
    p.drawLine(r.topLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomLeft());
    p.restore();
}

void Arrow(QPainter& p, const QPointF& from, const QPointF& to, const QColor& colour, double dWidth,
           double dHead) {
    p.save();
    const QPointF d = to - from;
    const double len = std::hypot(d.x(), d.y());
    if (len <= 0.0) {
        p.restore();
        return;
    }
    const QPointF u = d / len;
    const QPointF n(-u.y(), u.x());
    const QPointF base = to - u * dHead;
    p.setPen(QPen(colour, dWidth, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(from, base + u * 0.5);
    QPolygonF head;
    head << to << base + n * dHead * 0.8 << base - n * dHead * 0.8;
    p.setPen(Pen(colour, 0.6));
    p.setBrush(colour);
    p.drawPolygon(head);
    p.restore();
}

void ArcArrow(QPainter& p, const QPointF& centre, double dRadius, double dStart, double dSpan,
              const QColor& colour, double dWidth) {
    p.save();
    const QRectF box(centre.x() - dRadius, centre.y() - dRadius, 2 * dRadius, 2 * dRadius);
    p.setPen(QPen(colour, dWidth, Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(box, static_cast<int>(dStart * 16), static_cast<int>(dSpan * 16));
    const double a = (dStart + dSpan) * M_PI / 180.0;
    const QPointF end(centre.x() + dRadius * std::cos(a), centre.y() - dRadius * std::sin(a));
    // The tangent of a counter-clockwise arc on screen (y grows downwards).
    const double sign = dSpan >= 0 ? 1.0 : -1.0;
    const QPointF tangent(-std::sin(a) * sign, -std::cos(a) * sign);
    const QPointF normal(std::cos(a), -std::sin(a));
    const double h = dWidth * 1.6;
    QPolygonF head;
    head << end + tangent * h * 1.2 << end + normal * h << end - normal * h;
    p.setPen(Pen(colour, 0.5));
    p.setBrush(colour);
    p.drawPolygon(head);
    p.restore();
}

void Badge(QPainter& p, EBadge badge, const QColor& fill) {
    p.save();
    const QPointF c(11.5, 11.5);
    p.setPen(Pen(QColor(255, 255, 255), 1.0));
    p.setBrush(fill);
    p.drawEllipse(c, 4.3, 4.3);
    const QColor white(255, 255, 255);
    switch (badge) {
        case EBadge::Check:
            Check(p, QRectF(9.3, 9.6, 4.6, 3.7), white, 1.4);
            break;
        case EBadge::Cross:
            Cross(p, QRectF(9.8, 9.8, 3.4, 3.4), white, 1.4);
            break;
        case EBadge::Plus:
            p.setPen(QPen(white, 1.6, Qt::SolidLine, Qt::FlatCap));
            p.drawLine(QPointF(9.0, 11.5), QPointF(14.0, 11.5));
            p.drawLine(QPointF(11.5, 9.0), QPointF(11.5, 14.0));
            break;
        case EBadge::Minus:
            p.setPen(QPen(white, 1.8, Qt::SolidLine, Qt::FlatCap));
            p.drawLine(QPointF(9.0, 11.5), QPointF(14.0, 11.5));
            break;
        case EBadge::Exclamation:
            p.setPen(QPen(white, 1.5, Qt::SolidLine, Qt::FlatCap));
            p.drawLine(QPointF(11.5, 8.8), QPointF(11.5, 12.2));
            p.drawPoint(QPointF(11.5, 13.9));
            break;
        case EBadge::ArrowRight:
            Arrow(p, QPointF(8.8, 11.5), QPointF(14.3, 11.5), white, 1.4, 2.2);
            break;
        case EBadge::Refresh:
            ArcArrow(p, c, 2.2, 100, 260, white, 1.1);
            break;
        case EBadge::Clock:
            p.setPen(Pen(white, 1.1));
            p.drawLine(c, QPointF(11.5, 9.0));
            p.drawLine(c, QPointF(13.3, 12.3));
            break;
        case EBadge::Broom:
            p.setPen(Pen(white, 1.1));
            p.drawLine(QPointF(13.8, 8.8), QPointF(11.2, 11.6));
            p.setBrush(white);
            p.drawPolygon(QPolygonF() << QPointF(10.2, 10.8) << QPointF(12.0, 12.5) << QPointF(10.6, 14.1)
                                      << QPointF(8.6, 12.6));
            break;
        case EBadge::Shield: {
            QPainterPath shield;
            shield.moveTo(11.5, 8.6);
            shield.lineTo(14.0, 9.6);
            shield.quadTo(14.0, 13.2, 11.5, 14.5);
            shield.quadTo(9.0, 13.2, 9.0, 9.6);
            shield.closeSubpath();
            p.setPen(Qt::NoPen);
            p.setBrush(white);
            p.drawPath(shield);
            break;
        }
    }
    p.restore();
}

void Broom(QPainter& p, const QColor& bristles) {
    p.save();
    p.setPen(QPen(QColor(120, 72, 30), 1.7, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(14.5, 1.5), QPointF(7.2, 9.0));
    QPolygonF fan;
    fan << QPointF(5.2, 8.0) << QPointF(9.6, 11.2) << QPointF(6.6, 15.2) << QPointF(0.8, 12.8);
    p.setPen(Pen(bristles.darker(170), 1.0));
    p.setBrush(bristles);
    p.drawPolygon(fan);
    p.setPen(QPen(bristles.darker(150), 0.7));
    p.drawLine(QPointF(6.4, 10.6), QPointF(3.0, 13.6));
    p.drawLine(QPointF(7.8, 11.6), QPointF(5.0, 14.6));
    p.setPen(Pen(QColor(90, 60, 30), 1.4));
    p.drawLine(QPointF(5.2, 8.0), QPointF(9.6, 11.2));
    p.restore();
}

void FilmStrip(QPainter& p, const QRectF& r) {
    p.save();
    p.setPen(Pen(QColor(30, 30, 30), 1.0));
    p.setBrush(QColor(60, 60, 66));
    p.drawRect(r);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(240, 240, 240));
    for (double y = r.top() + 1.0; y + 1.0 <= r.bottom(); y += 2.5) {
        p.drawRect(QRectF(r.left() + 0.7, y, 1.2, 1.2));
        p.drawRect(QRectF(r.right() - 1.9, y, 1.2, 1.2));
    }
    p.setBrush(QColor(120, 190, 240));
    const double h = (r.height() - 3.0) / 2.0;
    p.drawRect(QRectF(r.left() + 2.6, r.top() + 1.0, r.width() - 5.2, h));
    p.drawRect(QRectF(r.left() + 2.6, r.top() + 2.0 + h, r.width() - 5.2, h));
    p.restore();
}

void StopSign(QPainter& p) {
    p.save();
    QPolygonF octagon;
    for (int i = 0; i < 8; ++i) {
        const double a = (22.5 + 45.0 * i) * M_PI / 180.0;
        octagon << QPointF(8.0 + 7.2 * std::cos(a), 8.0 + 7.2 * std::sin(a));
    }
    p.setPen(Pen(QColor(120, 0, 0), 1.0));
    p.setBrush(QColor(205, 30, 30));
    p.drawPolygon(octagon);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255));
    p.drawRect(QRectF(3.5, 6.8, 9.0, 2.4));
    p.restore();
}

void Magnifier(QPainter& p, const QPointF& lens, double dRadius) {
    p.save();
    const QPointF dir(0.7071, 0.7071);
    p.setPen(QPen(QColor(90, 60, 30), 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(lens + dir * (dRadius + 0.5), lens + dir * (dRadius + 4.0));
    p.setPen(Pen(QColor(50, 50, 60), 1.2));
    p.setBrush(QColor(200, 230, 255, 200));
    p.drawEllipse(lens, dRadius, dRadius);
    p.setPen(QPen(QColor(255, 255, 255), 0.8));
    p.drawArc(
        QRectF(lens.x() - dRadius + 1.2, lens.y() - dRadius + 1.2, 2 * dRadius - 2.4, 2 * dRadius - 2.4),
        100 * 16, 70 * 16);
    p.restore();
}

void Monkey(QPainter& p) {
    p.save();
    const QColor fur(125, 78, 36);
    const QColor skin(241, 194, 125);
    p.setPen(Pen(fur.darker(160), 1.0));
    p.setBrush(fur);
    p.drawEllipse(QPointF(2.4, 8.0), 2.1, 2.1);
    p.drawEllipse(QPointF(13.6, 8.0), 2.1, 2.1);
    p.drawEllipse(QPointF(8.0, 8.5), 6.0, 6.5);
    p.setPen(Qt::NoPen);
    p.setBrush(skin);
    p.drawEllipse(QPointF(2.4, 8.0), 1.0, 1.0);
    p.drawEllipse(QPointF(13.6, 8.0), 1.0, 1.0);
    p.drawEllipse(QPointF(6.0, 7.5), 2.3, 2.5);
    p.drawEllipse(QPointF(10.0, 7.5), 2.3, 2.5);
    p.drawEllipse(QPointF(8.0, 11.3), 4.3, 3.0);
    p.setBrush(QColor(20, 20, 20));
    p.drawEllipse(QPointF(6.2, 7.6), 0.95, 1.1);
    p.drawEllipse(QPointF(9.8, 7.6), 0.95, 1.1);
    p.drawEllipse(QPointF(7.2, 10.4), 0.45, 0.45);
    p.drawEllipse(QPointF(8.8, 10.4), 0.45, 0.45);
    p.setPen(QPen(QColor(90, 40, 20), 0.9, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(6.0, 10.0, 4.0, 3.2), 200 * 16, 140 * 16);
    p.restore();
}

void SkipGlyph(QPainter& p) {
    p.save();
    const QColor orange(255, 153, 51);
    p.setPen(Pen(QColor(170, 85, 0), 1.0));
    p.setBrush(orange);
    p.drawPolygon(QPolygonF() << QPointF(1.5, 3.0) << QPointF(7.5, 8.0) << QPointF(1.5, 13.0));
    p.drawPolygon(QPolygonF() << QPointF(7.0, 3.0) << QPointF(13.0, 8.0) << QPointF(7.0, 13.0));
    p.drawRect(QRectF(13.0, 3.0, 1.8, 10.0));
    p.restore();
}

void WarningTriangle(QPainter& p) {
    p.save();
    p.setPen(Pen(QColor(140, 100, 0), 1.0));
    p.setBrush(QColor(250, 200, 40));
    p.drawPolygon(QPolygonF() << QPointF(8.0, 1.5) << QPointF(15.0, 14.5) << QPointF(1.0, 14.5));
    p.setPen(QPen(QColor(20, 20, 20), 1.8, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(8.0, 5.5), QPointF(8.0, 10.0));
    p.drawLine(QPointF(8.0, 11.5), QPointF(8.0, 13.2));
    p.restore();
}

void Gear(QPainter& p, const QPointF& centre, double dRadius, const QColor& colour) {
    p.save();
    QPainterPath gear;
    const int nTeeth = 8;
    for (int i = 0; i < nTeeth * 2; ++i) {
        const double a0 = (i * 180.0 / nTeeth - 8.0) * M_PI / 180.0;
        const double a1 = (i * 180.0 / nTeeth + 8.0) * M_PI / 180.0;
        const double r = (i % 2 == 0) ? dRadius : dRadius * 0.74;
        const QPointF p0(centre.x() + r * std::cos(a0), centre.y() + r * std::sin(a0));
        const QPointF p1(centre.x() + r * std::cos(a1), centre.y() + r * std::sin(a1));
        if (i == 0) {
            gear.moveTo(p0);
        } else {
            gear.lineTo(p0);
        }
        gear.lineTo(p1);
    }
    gear.closeSubpath();
    gear.addEllipse(centre, dRadius * 0.32, dRadius * 0.32);
    gear.setFillRule(Qt::OddEvenFill);
    p.setPen(Pen(colour.darker(180), 0.9));
    p.setBrush(colour);
    p.drawPath(gear);
    p.restore();
}

void Clock(QPainter& p, const QPointF& centre, double dRadius) {
    p.save();
    p.setPen(Pen(QColor(30, 80, 160), 1.2));
    p.setBrush(QColor(255, 255, 255));
    p.drawEllipse(centre, dRadius, dRadius);
    p.setPen(Pen(QColor(30, 30, 30), 1.1));
    p.drawLine(centre, centre + QPointF(0, -dRadius * 0.65));
    p.drawLine(centre, centre + QPointF(dRadius * 0.5, dRadius * 0.2));
    p.restore();
}

void Heart(QPainter& p) {
    p.save();
    QPainterPath heart;
    heart.moveTo(8.0, 14.5);
    heart.cubicTo(2.0, 10.0, 0.5, 7.0, 1.5, 4.5);
    heart.cubicTo(2.5, 2.0, 6.5, 1.5, 8.0, 4.8);
    heart.cubicTo(9.5, 1.5, 13.5, 2.0, 14.5, 4.5);
    heart.cubicTo(15.5, 7.0, 14.0, 10.0, 8.0, 14.5);
    p.setPen(Pen(QColor(130, 10, 30), 1.0));
    p.setBrush(QColor(225, 40, 70));
    p.drawPath(heart);
    p.restore();
}

void Tag(QPainter& p, const QRectF& r, const QColor& fill) {
    p.save();
    p.setPen(Pen(fill.darker(170), 1.0));
    p.setBrush(fill);
    p.drawRoundedRect(r, 2.0, 2.0);
    p.restore();
}

void PresetTag(QPainter& p, int nNumber) {
    Tag(p, QRectF(0.5, 1.5, 15.0, 13.0), QColor(30, 111, 184));
    const QString strText = QString::number(nNumber);
    const double dUnit = 2.0;
    const double dGap = 1.0;
    const double w = PixelTextWidth(strText, dUnit, dGap);
    // Whole-pixel placement keeps the digits sharp at 16 px.
    const double x = std::floor((16.0 - w) / 2.0);
    PixelText(p, strText, QPointF(x, 3.0), dUnit, dGap, QColor(255, 255, 255));
}

double PixelTextWidth(const QString& strText, double dUnit, double dGap) {
    if (strText.isEmpty()) {
        return 0.0;
    }
    return strText.size() * 3 * dUnit + (strText.size() - 1) * dGap;
}

void PixelText(QPainter& p, const QString& strText, const QPointF& topLeft, double dUnit, double dGap,
               const QColor& colour) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    double x = topLeft.x();
    for (QChar c : strText) {
        const char* pGlyph = Glyph(c);
        for (int row = 0; row < 5; ++row) {
            for (int col = 0; col < 3; ++col) {
                if (pGlyph[row * 3 + col] == '1') {
                    p.drawRect(QRectF(x + col * dUnit, topLeft.y() + row * dUnit, dUnit, dUnit));
                }
            }
        }
        x += 3 * dUnit + dGap;
    }
    p.restore();
}

void FileType(QPainter& p, const QString& strExtension, const QColor& band, int nSymbol) {
    Document(p, QRectF(1.5, 0.5, 13.0, 15.0));
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(band);
    p.drawRect(QRectF(1.0, 8.0, 14.0, 7.0));
    switch (nSymbol) {
        case 0:  // a film: a play triangle
            p.drawPolygon(QPolygonF() << QPointF(5.0, 2.0) << QPointF(10.0, 4.8) << QPointF(5.0, 7.5));
            break;
        case 1:  // a program: a small window
            p.setBrush(QColor(255, 255, 255));
            p.setPen(QPen(band, 1.0));
            p.drawRect(QRectF(3.5, 2.5, 7.0, 4.0));
            p.setBrush(band);
            p.drawRect(QRectF(3.5, 2.5, 7.0, 1.2));
            break;
        default:  // an installer: a disc
            p.setPen(QPen(band, 1.0));
            p.setBrush(QColor(220, 220, 230));
            p.drawEllipse(QPointF(7.0, 4.5), 2.8, 2.8);
            p.setBrush(band);
            p.drawEllipse(QPointF(7.0, 4.5), 0.8, 0.8);
            break;
    }
    p.restore();
    const double w = PixelTextWidth(strExtension, 1.0, 1.0);
    PixelText(p, strExtension, QPointF(std::floor((16.0 - w) / 2.0), 9.0), 1.0, 1.0, QColor(255, 255, 255));
}

}  // namespace IconShapes
