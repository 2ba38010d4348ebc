// The drawings of the menu strip, the buttons, the windows and the program
// icon's spin animation.
#include <QPainter>
#include <QPainterPath>
#include <cmath>

#include "controls/IconDrawings.h"
#include "controls/IconShapes.h"

using namespace IconShapes;

namespace IconDrawings {

namespace {

const QColor GREEN(46, 160, 60);
const QColor RED(205, 35, 35);
const QColor BLUE(30, 111, 184);
const QColor PURPLE(176, 40, 176);
const QColor ORANGE(235, 120, 20);

void ListLines(QPainter& p) {
    Document(p, QRectF(1.5, 0.5, 11.0, 14.0), true);
}

void Trash(QPainter& p) {
    p.setPen(QPen(QColor(60, 70, 80), 1.0));
    p.setBrush(QColor(150, 165, 180));
    QPainterPath can;
    can.moveTo(3.0, 4.5);
    can.lineTo(13.0, 4.5);
    can.lineTo(12.0, 15.0);
    can.lineTo(4.0, 15.0);
    can.closeSubpath();
    p.drawPath(can);
    p.drawRect(QRectF(1.5, 2.5, 13.0, 2.0));
    p.drawRect(QRectF(6.0, 0.8, 4.0, 1.7));
    p.setPen(QPen(QColor(80, 95, 110), 1.0));
    for (double x : {6.0, 8.0, 10.0}) {
        p.drawLine(QPointF(x, 6.5), QPointF(x, 13.0));
    }
}

void Pencil(QPainter& p) {
    p.save();
    p.translate(8.0, 8.0);
    p.rotate(45.0);
    p.setPen(QPen(QColor(80, 60, 20), 0.9));
    p.setBrush(QColor(250, 200, 50));
    p.drawRect(QRectF(-2.0, -7.0, 4.0, 9.5));
    p.setBrush(QColor(240, 140, 150));
    p.drawRect(QRectF(-2.0, -8.2, 4.0, 1.8));
    p.setBrush(QColor(240, 210, 170));
    p.drawPolygon(QPolygonF() << QPointF(-2.0, 2.5) << QPointF(2.0, 2.5) << QPointF(0.0, 7.0));
    p.setBrush(QColor(40, 40, 40));
    p.drawPolygon(QPolygonF() << QPointF(-0.7, 5.5) << QPointF(0.7, 5.5) << QPointF(0.0, 7.0));
    p.restore();
}

void Floppy(QPainter& p) {
    p.setPen(QPen(QColor(15, 40, 90), 1.0));
    p.setBrush(QColor(40, 90, 170));
    QPainterPath body;
    body.moveTo(1.5, 1.5);
    body.lineTo(12.5, 1.5);
    body.lineTo(14.5, 3.5);
    body.lineTo(14.5, 14.5);
    body.lineTo(1.5, 14.5);
    body.closeSubpath();
    p.drawPath(body);
    p.setBrush(QColor(255, 255, 255));
    p.drawRect(QRectF(3.5, 8.5, 9.0, 6.0));
    p.setBrush(QColor(190, 195, 205));
    p.drawRect(QRectF(4.5, 1.5, 6.0, 4.0));
    p.setBrush(QColor(40, 90, 170));
    p.drawRect(QRectF(8.5, 2.5, 1.5, 2.0));
}

void Window(QPainter& p) {
    p.setPen(QPen(QColor(60, 60, 70), 1.0));
    p.setBrush(QColor(255, 255, 255));
    p.drawRect(QRectF(1.5, 2.5, 13.0, 11.0));
    p.setBrush(BLUE);
    p.drawRect(QRectF(1.5, 2.5, 13.0, 3.0));
}

void Door(QPainter& p) {
    p.setPen(QPen(QColor(90, 55, 20), 1.0));
    p.setBrush(QColor(170, 110, 55));
    p.drawRect(QRectF(2.5, 1.5, 8.0, 13.0));
    p.setBrush(QColor(250, 220, 90));
    p.drawEllipse(QPointF(8.5, 8.5), 0.8, 0.8);
    Arrow(p, QPointF(8.0, 8.0), QPointF(15.5, 8.0), GREEN, 2.2, 3.2);
}

void Tags(QPainter& p) {
    Tag(p, QRectF(4.5, 0.5, 11.0, 8.0), QColor(90, 160, 220));
    Tag(p, QRectF(0.5, 5.5, 11.0, 9.0), BLUE);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255));
    p.drawEllipse(QPointF(3.0, 10.0), 1.1, 1.1);
}

void Book(QPainter& p) {
    p.setPen(QPen(QColor(15, 40, 90), 1.0));
    p.setBrush(QColor(40, 90, 170));
    p.drawRoundedRect(QRectF(2.5, 0.5, 11.0, 15.0), 1.0, 1.0);
    p.setBrush(QColor(240, 240, 240));
    p.drawRect(QRectF(4.0, 13.0, 9.5, 2.5));
    PixelText(p, QStringLiteral("?"), QPointF(5.0, 3.0), 2.0, 0.0, QColor(255, 255, 255));
}

}  // namespace

IconDrawing MenuCell(int nCell) {
    using namespace MenuIcon;
    if (nCell >= PRESET_FIRST && nCell < PRESET_FIRST + 20) {
        return [nCell](QPainter& p) { PresetTag(p, nCell - PRESET_FIRST + 1); };
    }
    switch (nCell) {
        case HISTORY_ENTRY:
            return [](QPainter& p) { YellowFolder(p); };
        case SET_TO_INPUT:
            return [](QPainter& p) {
                YellowFolder(p);
                Badge(p, EBadge::Refresh, BLUE);
            };
        case BROWSE:
            return [](QPainter& p) {
                YellowFolder(p);
                Magnifier(p, QPointF(9.5, 8.5), 3.0);
            };
        case HISTORY_TITLE:
            return [](QPainter& p) { Clock(p, QPointF(8.0, 8.0), 6.5); };
        case CLEAR_HISTORY:
            return [](QPainter& p) {
                Clock(p, QPointF(7.0, 7.0), 6.0);
                Badge(p, EBadge::Cross, RED);
            };
        case SET_OUTPUT_FOLDER:
            return [](QPainter& p) {
                YellowFolder(p);
                Badge(p, EBadge::ArrowRight, GREEN);
            };
        case SET_PRESET:
            return [](QPainter& p) { Tags(p); };
        case OPEN_OUTPUT_FOLDER:
            return [](QPainter& p) {
                OpenFolder(p);
                Arrow(p, QPointF(7.0, 10.0), QPointF(14.5, 1.5), GREEN, 2.0, 3.0);
            };
        case OPEN_INPUT_FOLDER:
            return [](QPainter& p) {
                OpenFolder(p);
                Arrow(p, QPointF(14.5, 1.5), QPointF(8.0, 9.0), BLUE, 2.0, 3.0);
            };
        case DELETE:
            return [](QPainter& p) { Cross(p, QRectF(3.0, 3.0, 10.0, 10.0), RED, 2.6); };
        case SELECT_ALL:
            return [](QPainter& p) {
                p.setPen(QPen(QColor(60, 60, 70), 1.0, Qt::DashLine));
                p.setBrush(QColor(200, 220, 245));
                p.drawRect(QRectF(1.5, 1.5, 13.0, 13.0));
                p.setPen(QPen(BLUE, 1.0));
                for (int y = 4; y <= 12; y += 3) {
                    p.drawLine(QPointF(4.0, y + 0.5), QPointF(12.0, y + 0.5));
                }
            };
        case REMOVE_PRESET:
            return [](QPainter& p) {
                Tags(p);
                Badge(p, EBadge::Minus, RED);
            };
        case SKIP:
            return [](QPainter& p) { SkipGlyph(p); };
        case RUN:
            return [](QPainter& p) {
                Window(p);
                p.setPen(QPen(QColor(20, 90, 30), 0.8));
                p.setBrush(GREEN);
                p.drawPolygon(QPolygonF() << QPointF(6.0, 6.5) << QPointF(11.0, 9.5) << QPointF(6.0, 12.5));
            };
        case FILE_AVI:
            return [](QPainter& p) { FileType(p, QStringLiteral("AVI"), QColor(21, 101, 192), 0); };
        case FILE_EXE:
            return [](QPainter& p) { FileType(p, QStringLiteral("EXE"), QColor(55, 71, 79), 1); };
        case FILE_MSI:
            return [](QPainter& p) { FileType(p, QStringLiteral("MSI"), QColor(0, 131, 143), 2); };
        case FILE_MKV:
            return [](QPainter& p) { FileType(p, QStringLiteral("MKV"), QColor(46, 125, 50), 0); };
        case FILE_MPG:
            return [](QPainter& p) { FileType(p, QStringLiteral("MPG"), QColor(106, 27, 154), 0); };
        case FILE_VOB:
            return [](QPainter& p) { FileType(p, QStringLiteral("VOB"), QColor(93, 64, 55), 0); };
        case FILE_MP4:
            return [](QPainter& p) { FileType(p, QStringLiteral("MP4"), QColor(230, 100, 0), 0); };
        case CLEANUP_REPORT:
            return [](QPainter& p) {
                ListLines(p);
                Badge(p, EBadge::Broom, PURPLE);
            };
        case ERROR_REPORT:
            return [](QPainter& p) {
                ListLines(p);
                Badge(p, EBadge::Cross, RED);
            };
        case ADD_FOLDER:
            return [](QPainter& p) {
                YellowFolder(p);
                Badge(p, EBadge::Plus, GREEN);
            };
        case ADD_FILES:
            return [](QPainter& p) {
                ListLines(p);
                Badge(p, EBadge::Plus, GREEN);
            };
        default:
            return {};
    }
}

IconDrawing Named(ENamedIcon icon) {
    switch (icon) {
        case ENamedIcon::App:
            return [](QPainter& p) { AppMark(p); };
        case ENamedIcon::Go:
            return [](QPainter& p) {
                p.setPen(QPen(QColor(20, 90, 30), 1.0));
                p.setBrush(GREEN);
                p.drawPolygon(QPolygonF() << QPointF(3.0, 1.5) << QPointF(14.0, 8.0) << QPointF(3.0, 14.5));
            };
        case ENamedIcon::Pause:
            return [](QPainter& p) {
                p.setPen(QPen(QColor(15, 60, 120), 1.0));
                p.setBrush(QColor(50, 130, 220));
                p.drawRect(QRectF(3.5, 2.5, 3.0, 11.0));
                p.drawRect(QRectF(9.5, 2.5, 3.0, 11.0));
            };
        case ENamedIcon::Kill:
            return [](QPainter& p) {
                p.setPen(QPen(QColor(120, 0, 0), 1.0));
                p.setBrush(RED);
                p.drawEllipse(QPointF(8.0, 8.0), 7.0, 7.0);
                p.setPen(Qt::NoPen);
                p.setBrush(QColor(255, 255, 255));
                p.drawRect(QRectF(5.0, 5.0, 6.0, 6.0));
            };
        case ENamedIcon::Exit:
            return [](QPainter& p) { Door(p); };
        case ENamedIcon::Help:
            return [](QPainter& p) {
                p.setPen(QPen(QColor(15, 60, 120), 1.0));
                p.setBrush(QColor(50, 130, 220));
                p.drawEllipse(QPointF(8.0, 8.0), 7.0, 7.0);
                PixelText(p, QStringLiteral("?"), QPointF(5.0, 3.0), 2.0, 0.0, QColor(255, 255, 255));
            };
        case ENamedIcon::Update:
            return [](QPainter& p) {
                ArcArrow(p, QPointF(8.0, 8.0), 5.5, 20.0, 140.0, GREEN, 2.0);
                ArcArrow(p, QPointF(8.0, 8.0), 5.5, 200.0, 140.0, GREEN, 2.0);
            };
        case ENamedIcon::Donate:
            return [](QPainter& p) { Heart(p); };
        case ENamedIcon::ClearList:
            return [](QPainter& p) {
                ListLines(p);
                Badge(p, EBadge::Cross, RED);
            };
        case ENamedIcon::ResetList:
            return [](QPainter& p) {
                ListLines(p);
                Badge(p, EBadge::Refresh, BLUE);
            };
        case ENamedIcon::RemoveSuccessful:
            return [](QPainter& p) {
                ListLines(p);
                Badge(p, EBadge::Check, GREEN);
            };
        case ENamedIcon::Presets:
        case ENamedIcon::PresetsWindow:
            return [](QPainter& p) { Tags(p); };
        case ENamedIcon::Preferences:
        case ENamedIcon::PreferencesWindow:
            return [](QPainter& p) { Gear(p, QPointF(8.0, 8.0), 7.2, QColor(150, 160, 175)); };
        case ENamedIcon::New:
            return [](QPainter& p) {
                Document(p, QRectF(1.5, 0.5, 11.0, 14.0));
                Badge(p, EBadge::Plus, GREEN);
            };
        case ENamedIcon::Edit:
            return [](QPainter& p) { Pencil(p); };
        case ENamedIcon::Delete:
            return [](QPainter& p) { Trash(p); };
        case ENamedIcon::Up:
            return [](QPainter& p) { Arrow(p, QPointF(8.0, 15.0), QPointF(8.0, 1.0), BLUE, 3.0, 5.5); };
        case ENamedIcon::Down:
            return [](QPainter& p) { Arrow(p, QPointF(8.0, 1.0), QPointF(8.0, 15.0), BLUE, 3.0, 5.5); };
        case ENamedIcon::Close:
            return [](QPainter& p) {
                Window(p);
                Cross(p, QRectF(5.5, 7.5, 5.0, 4.5), RED, 1.8);
            };
        case ENamedIcon::Save:
            return [](QPainter& p) { Floppy(p); };
        case ENamedIcon::Cancel:
            return [](QPainter& p) {
                p.setPen(QPen(RED, 2.0));
                p.setBrush(Qt::NoBrush);
                p.drawEllipse(QPointF(8.0, 8.0), 6.0, 6.0);
                p.drawLine(QPointF(3.8, 12.2), QPointF(12.2, 3.8));
            };
        case ENamedIcon::Ok:
            return [](QPainter& p) { Check(p, QRectF(2.0, 3.0, 12.0, 10.0), GREEN, 2.6); };
        case ENamedIcon::Apply:
            return [](QPainter& p) {
                Document(p, QRectF(1.5, 0.5, 11.0, 14.0), true);
                Badge(p, EBadge::Check, GREEN);
            };
        case ENamedIcon::HelpWindow:
            return [](QPainter& p) { Book(p); };
        case ENamedIcon::ChangelogWindow:
            return [](QPainter& p) {
                ListLines(p);
                Badge(p, EBadge::Clock, BLUE);
            };
        case ENamedIcon::ErrorReportWindow:
            return [](QPainter& p) {
                ListLines(p);
                Badge(p, EBadge::Cross, RED);
            };
        case ENamedIcon::CleanupReportWindow:
            return [](QPainter& p) {
                ListLines(p);
                Badge(p, EBadge::Broom, PURPLE);
            };
        case ENamedIcon::TrayFailedAndCleanup:
            return [](QPainter& p) {
                AppMark(p);
                Badge(p, EBadge::Cross, RED);
                p.setPen(QPen(QColor(255, 255, 255), 1.0));
                p.setBrush(PURPLE);
                p.drawEllipse(QPointF(3.2, 3.2), 2.7, 2.7);
            };
    }
    return {};
}

IconDrawing AppSpin(int nStep) {
    return [nStep](QPainter& p) {
        p.save();
        p.translate(8.0, 8.0);
        p.rotate(30.0 * nStep);
        p.translate(-8.0, -8.0);
        AppMark(p);
        p.restore();
    };
}

}  // namespace IconDrawings
