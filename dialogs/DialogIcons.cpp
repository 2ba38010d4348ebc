#include "dialogs/DialogIcons.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyle>

#include "engine/CItemStates.h"

namespace DialogIcons {
namespace {

constexpr int SIZE = 16;

QPixmap Blank() {
    QPixmap pixmap(SIZE, SIZE);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QIcon Folder(const QColor& colour) {
    QPixmap pixmap = Blank();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(colour.darker(160));
    p.setBrush(colour);
    p.drawRect(QRectF(1.5, 4.5, 13, 9));
    p.drawRect(QRectF(1.5, 2.5, 6, 2));
    return QIcon(pixmap);
}

QIcon Cross() {
    QPixmap pixmap = Blank();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(200, 0, 0), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(4, 4, 12, 12);
    p.drawLine(12, 4, 4, 12);
    return QIcon(pixmap);
}

QIcon Check() {
    QPixmap pixmap = Blank();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 160, 0), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({QPointF(3, 8), QPointF(7, 12), QPointF(13, 4)}));
    return QIcon(pixmap);
}

QIcon Badge(const QColor& colour, const QString& strText) {
    QPixmap pixmap = Blank();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(colour.darker(150));
    p.setBrush(colour);
    p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
    QFont font = p.font();
    font.setPixelSize(strText.size() > 1 ? 9 : 11);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 0, SIZE, SIZE), Qt::AlignCenter, strText);
    return QIcon(pixmap);
}

QIcon Document(const QColor& colour) {
    QPixmap pixmap = Blank();
    QPainter p(&pixmap);
    p.setPen(colour.darker(170));
    p.setBrush(colour);
    p.drawRect(QRectF(3.5, 1.5, 9, 13));
    p.drawLine(5, 5, 10, 5);
    p.drawLine(5, 8, 10, 8);
    p.drawLine(5, 11, 10, 11);
    return QIcon(pixmap);
}

QIcon Magnifier() {
    QPixmap pixmap = Blank();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(30, 80, 170), 2));
    p.drawEllipse(QRectF(2, 2, 8, 8));
    p.setPen(QPen(QColor(30, 80, 170), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(10, 10, 14, 14);
    return QIcon(pixmap);
}

QIcon Arrow(const QColor& colour, bool bUp) {
    QPixmap pixmap = Blank();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(colour.darker(150));
    p.setBrush(colour);
    const QPolygonF up({QPointF(8, 2), QPointF(14, 9), QPointF(10, 9), QPointF(10, 14), QPointF(6, 14),
                        QPointF(6, 9), QPointF(2, 9)});
    if (bUp) {
        p.drawPolygon(up);
    } else {
        QTransform flip;
        flip.translate(0, SIZE);
        flip.scale(1, -1);
        p.drawPolygon(flip.map(up));
    }
    return QIcon(pixmap);
}

QIcon Standard(QStyle::StandardPixmap pixmap) {
    return QApplication::style()->standardIcon(pixmap);
}

}  // namespace

QIcon ListImage(int nIndex) {
    using namespace ItemStates;
    if (nIndex >= IMAGE_PRESET_FIRST && nIndex < IMAGE_PRESET_FIRST + 20)
        return Badge(QColor(17, 75, 177), QString::number(nIndex - IMAGE_PRESET_FIRST + 1));
    if (nIndex >= IMAGE_TEST_ANIMATION_FIRST && nIndex < IMAGE_EXTRACT_ANIMATION_FIRST)
        return Magnifier();
    if (nIndex >= IMAGE_EXTRACT_ANIMATION_FIRST && nIndex <= 70)
        return Arrow(QColor(0, 150, 0), false);
    switch (nIndex) {
        case IMAGE_FOLDER:
            return Folder(QColor(240, 200, 80));
        case IMAGE_FAILED:
            return Cross();
        case IMAGE_COMPLETED:
            return Check();
        case IMAGE_NOTHING:
            return Folder(QColor(170, 170, 170));
        case IMAGE_CLEANUP_LEFT:
        case IMAGE_CLEANING:
            return Badge(QColor(192, 0, 192), QStringLiteral("~"));
        case IMAGE_KILLED:
            return Badge(QColor(192, 0, 0), QStringLiteral("!"));
        case IMAGE_RAR:
            return Badge(QColor(120, 40, 140), QStringLiteral("R"));
        case IMAGE_ZIP:
            return Badge(QColor(200, 140, 0), QStringLiteral("Z"));
        case IMAGE_SKIP:
            return Badge(QColor(255, 153, 51), QStringLiteral("S"));
        case 97:  // a file kept as a precaution
            return Document(QColor(235, 235, 235));
        case 98:  // another error
            return Badge(QColor(192, 0, 0), QStringLiteral("!"));
        case 99:  // a group heading
            return Badge(QColor(60, 60, 160), QStringLiteral("i"));
        default:
            return QIcon(Blank());
    }
}

QIcon ButtonIcon(EButton button) {
    switch (button) {
        case EButton::New:
            return Standard(QStyle::SP_FileIcon);
        case EButton::Edit:
            return Standard(QStyle::SP_FileDialogDetailedView);
        case EButton::Delete:
            return Cross();
        case EButton::Up:
            return Arrow(QColor(40, 110, 200), true);
        case EButton::Down:
            return Arrow(QColor(40, 110, 200), false);
        case EButton::Close:
        case EButton::Cancel:
            return Standard(QStyle::SP_DialogCloseButton);
        case EButton::Save:
            return Standard(QStyle::SP_DialogSaveButton);
        case EButton::Ok:
            return Check();
        case EButton::Apply:
            return Standard(QStyle::SP_DialogApplyButton);
    }
    return QIcon();
}

QIcon WindowIcon(EWindow window) {
    switch (window) {
        case EWindow::Program:
            return Badge(QColor(62, 106, 133), QStringLiteral("H"));
        case EWindow::Presets:
            return Badge(QColor(17, 75, 177), QStringLiteral("P"));
        case EWindow::Preferences:
            return Badge(QColor(90, 90, 90), QStringLiteral("*"));
        case EWindow::Help:
            return Badge(QColor(62, 106, 133), QStringLiteral("?"));
        case EWindow::Changelog:
            return Badge(QColor(148, 158, 173), QStringLiteral("C"));
        case EWindow::ErrorReport:
            return Cross();
        case EWindow::CleanupReport:
            return Badge(QColor(192, 0, 192), QStringLiteral("~"));
    }
    return QIcon();
}

}  // namespace DialogIcons
