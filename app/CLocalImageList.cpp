#include "app/CLocalImageList.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cmath>
#include <functional>

#include "engine/CItemStates.h"

namespace {

using FnDraw = std::function<void(QPainter&, double)>;

// One icon from a drawing made for a square of side s, at 16, 24, 32 and 64 pixels.
QIcon Make(const FnDraw& fnDraw) {
    QIcon icon;
    for (int nSize : {16, 24, 32, 64}) {
        QPixmap pixmap(nSize, nSize);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        fnDraw(painter, nSize);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

void Folder(QPainter& p, double s, QColor colour) {
    p.setPen(QPen(colour.darker(160), s / 16));
    p.setBrush(colour);
    QPainterPath path;
    path.moveTo(s * 0.08, s * 0.25);
    path.lineTo(s * 0.4, s * 0.25);
    path.lineTo(s * 0.48, s * 0.35);
    path.lineTo(s * 0.92, s * 0.35);
    path.lineTo(s * 0.92, s * 0.82);
    path.lineTo(s * 0.08, s * 0.82);
    path.closeSubpath();
    p.drawPath(path);
}

void Box(QPainter& p, double s, QColor colour, const QString& strLetter) {
    p.setPen(QPen(colour.darker(170), s / 16));
    p.setBrush(colour);
    p.drawRoundedRect(QRectF(s * 0.12, s * 0.12, s * 0.76, s * 0.76), s * 0.12, s * 0.12);
    QFont font = p.font();
    font.setPixelSize(static_cast<int>(s * 0.55));
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 0, s, s), Qt::AlignCenter, strLetter);
}

void Badge(QPainter& p, double s, QColor colour, const std::function<void(QPainter&, double)>& fnMark) {
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(QRectF(s * 0.08, s * 0.08, s * 0.84, s * 0.84));
    p.setPen(QPen(Qt::white, s / 8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    fnMark(p, s);
}

void Tick(QPainter& p, double s) {
    p.drawPolyline(
        QPolygonF({QPointF(s * 0.28, s * 0.52), QPointF(s * 0.44, s * 0.68), QPointF(s * 0.72, s * 0.34)}));
}

void Cross(QPainter& p, double s) {
    p.drawLine(QPointF(s * 0.32, s * 0.32), QPointF(s * 0.68, s * 0.68));
    p.drawLine(QPointF(s * 0.68, s * 0.32), QPointF(s * 0.32, s * 0.68));
}

void Dash(QPainter& p, double s) {
    p.drawLine(QPointF(s * 0.3, s * 0.5), QPointF(s * 0.7, s * 0.5));
}

void Bang(QPainter& p, double s) {
    p.drawLine(QPointF(s * 0.5, s * 0.26), QPointF(s * 0.5, s * 0.56));
    p.drawPoint(QPointF(s * 0.5, s * 0.74));
}

// A spinner: an arc that turns with the frame (nStep of nSteps).
void Spinner(QPainter& p, double s, QColor colour, int nStep, int nSteps) {
    p.setPen(QPen(colour.lighter(170), s / 7));
    p.drawEllipse(QRectF(s * 0.18, s * 0.18, s * 0.64, s * 0.64));
    p.setPen(QPen(colour, s / 7, Qt::SolidLine, Qt::RoundCap));
    const int nStart = -static_cast<int>(360.0 * nStep / nSteps * 16);
    p.drawArc(QRectF(s * 0.18, s * 0.18, s * 0.64, s * 0.64), nStart, 110 * 16);
}

QColor PresetColour(int nPreset) {
    return QColor::fromHsv((nPreset * 37) % 360, 150, 190);
}

}  // namespace

QIcon CLocalImageList::Icon(int nIndex) {
    using namespace ItemStates;
    if (nIndex < 0 || nIndex >= IMAGE_COUNT)
        return QIcon();
    if (nIndex >= IMAGE_TEST_ANIMATION_FIRST && nIndex <= 41)
        return Make([nIndex](QPainter& p, double s) {
            Spinner(p, s, QColor(30, 90, 200), nIndex - IMAGE_TEST_ANIMATION_FIRST, 21);
        });
    if (nIndex >= IMAGE_EXTRACT_ANIMATION_FIRST && nIndex <= 70)
        return Make([nIndex](QPainter& p, double s) {
            Spinner(p, s, QColor(20, 150, 40), nIndex - IMAGE_EXTRACT_ANIMATION_FIRST, 29);
        });
    if (nIndex >= IMAGE_PRESET_FIRST && nIndex < IMAGE_PRESET_FIRST + 20) {
        const int nPreset = nIndex - IMAGE_PRESET_FIRST;
        return Make([nPreset](QPainter& p, double s) {
            Box(p, s, PresetColour(nPreset), QString::number(nPreset + 1));
        });
    }
    switch (nIndex) {
        case IMAGE_FOLDER:
            return Make([](QPainter& p, double s) { Folder(p, s, QColor(240, 200, 80)); });
        case IMAGE_FAILED:
            return Make([](QPainter& p, double s) { Badge(p, s, QColor(200, 30, 30), Cross); });
        case IMAGE_COMPLETED:
            return Make([](QPainter& p, double s) { Badge(p, s, QColor(20, 150, 40), Tick); });
        case IMAGE_NOTHING:
            return Make([](QPainter& p, double s) { Badge(p, s, QColor(150, 150, 150), Dash); });
        case IMAGE_CLEANUP_LEFT:
            return Make([](QPainter& p, double s) { Badge(p, s, QColor(180, 0, 180), Bang); });
        case IMAGE_KILLED:
            return Make([](QPainter& p, double s) { Badge(p, s, QColor(110, 0, 0), Cross); });
        case IMAGE_MONKEY:
            return Make([](QPainter& p, double s) { Folder(p, s, QColor(120, 150, 255)); });
        case IMAGE_RAR:
            return Make([](QPainter& p, double s) { Box(p, s, QColor(130, 60, 160), "R"); });
        case IMAGE_ZIP:
            return Make([](QPainter& p, double s) { Box(p, s, QColor(40, 100, 190), "Z"); });
        case IMAGE_SKIP:
            return Make([](QPainter& p, double s) { Badge(p, s, QColor(255, 153, 51), Dash); });
        case IMAGE_CLEANING:
            return Make([](QPainter& p, double s) { Spinner(p, s, QColor(180, 0, 180), 0, 4); });
        default:
            return Make([](QPainter& p, double s) { Badge(p, s, QColor(120, 120, 120), Bang); });
    }
}

QIcon CLocalImageList::TrayFrame(int nFrame) {
    return Make([nFrame](QPainter& p, double s) { Spinner(p, s, QColor(20, 150, 40), nFrame - 11, 10); });
}

QIcon CLocalImageList::TraySummary(int nKind) {
    switch (nKind) {
        case 1:
            return Icon(ItemStates::IMAGE_FAILED);
        case 2:
            return Make([](QPainter& p, double s) { Badge(p, s, QColor(200, 30, 120), Cross); });
        case 3:
            return Icon(ItemStates::IMAGE_CLEANUP_LEFT);
        case 4:
            return Icon(ItemStates::IMAGE_COMPLETED);
        default:
            return ProgramIcon();
    }
}

QIcon CLocalImageList::ProgramIcon() {
    return Make([](QPainter& p, double s) { Box(p, s, QColor(60, 120, 60), "H"); });
}

QIcon CLocalImageList::AnimationIcon(int nCounter) {
    if (nCounter == 2 || nCounter == 26)
        return Make([](QPainter& p, double s) { Box(p, s, QColor(60, 120, 60), ""); });
    int nStep = -1;
    if (nCounter >= 3 && nCounter <= 14)
        nStep = nCounter - 3;  // 324..335
    else if (nCounter >= 15 && nCounter <= 25)
        nStep = 11 - (nCounter - 14);  // 334 back to 324
    if (nStep < 0)
        return ProgramIcon();
    return Make([nStep](QPainter& p, double s) { Spinner(p, s, QColor(60, 120, 60), nStep, 12); });
}

QIcon CLocalImageList::MenuIcon(int nIndex) {
    if (nIndex < 0 || nIndex >= MENU_ICON_COUNT)
        return QIcon();
    switch (nIndex) {
        case 5:
        case 1:
        case 27:
        case 28:
            return Icon(ItemStates::IMAGE_FOLDER);
        case 6:
            return Icon(ItemStates::IMAGE_PRESET_FIRST);
        case 30:
        case 4:
            return Icon(ItemStates::IMAGE_FAILED);
        case 33:
            return Icon(ItemStates::IMAGE_SKIP);
        case 40:
            return Icon(ItemStates::IMAGE_CLEANUP_LEFT);
        case 41:
            return Make([](QPainter& p, double s) { Badge(p, s, QColor(200, 30, 30), Bang); });
        case 43:
            return Make([](QPainter& p, double s) { Folder(p, s, QColor(140, 200, 120)); });
        case 44:
            return Icon(ItemStates::IMAGE_ZIP);
        default:
            break;
    }
    if (nIndex >= 7 && nIndex < 27)
        return Icon(ItemStates::IMAGE_PRESET_FIRST + nIndex - 7);
    const QColor colour = QColor::fromHsv((nIndex * 53) % 360, 120, 170);
    return Make([colour](QPainter& p, double s) { Badge(p, s, colour, Tick); });
}
