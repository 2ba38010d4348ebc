// The drawings of the 100-entry image list.
#include <QPainter>
#include <cmath>

#include "controls/IconDrawings.h"
#include "controls/IconShapes.h"

using namespace IconShapes;

namespace IconDrawings {

namespace {

const QColor GREEN(46, 160, 60);
const QColor RED(205, 35, 35);
const QColor PURPLE(176, 40, 176);

void TrayFrame(QPainter& p, int nFrame) {
    // The arrow rises out of the box over the ten frames.
    const int k = nFrame - ImageIndex::TRAY_FRAME_FIRST;
    AppMark(p, (10 - k) * 0.8);
}

void TestFrame(QPainter& p, int nFrame) {
    // A magnifier circling over an archive.
    const int k = nFrame - ImageIndex::TEST_FRAME_FIRST;
    const int nCount = ImageIndex::TEST_FRAME_LAST - ImageIndex::TEST_FRAME_FIRST + 1;
    ArchiveStack(p, QRectF(0.5, 6.5, 11.0, 9.0));
    const double a = 2.0 * M_PI * k / nCount;
    Magnifier(p, QPointF(8.0 + 2.6 * std::sin(a), 6.0 - 2.6 * std::cos(a)), 3.3);
}

void ExtractFrame(QPainter& p, int nFrame) {
    // An archive with a turning arrow above it.
    const int k = nFrame - ImageIndex::EXTRACT_FRAME_FIRST;
    const int nCount = ImageIndex::EXTRACT_FRAME_LAST - ImageIndex::EXTRACT_FRAME_FIRST + 1;
    ArchiveStack(p, QRectF(0.5, 7.0, 10.5, 8.5));
    const double dStart = 90.0 - 360.0 * k / nCount;
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawEllipse(QPointF(11.0, 5.0), 4.6, 4.6);
    p.restore();
    ArcArrow(p, QPointF(11.0, 5.0), 3.3, dStart, -260.0, GREEN, 1.6);
}

void TraySummary(QPainter& p, int nIndex) {
    AppMark(p);
    switch (nIndex) {
        case ImageIndex::TRAY_ALL_OK:
            Badge(p, EBadge::Check, GREEN);
            break;
        case ImageIndex::TRAY_FAILED:
            Badge(p, EBadge::Cross, RED);
            break;
        case ImageIndex::TRAY_CLEANUP_FAILED:
            Badge(p, EBadge::Broom, PURPLE);
            break;
        default:
            break;
    }
}

}  // namespace

IconDrawing ListImage(int nIndex) {
    using namespace ImageIndex;
    if (nIndex >= TRAY_FRAME_FIRST && nIndex <= TRAY_FRAME_LAST) {
        return [nIndex](QPainter& p) { TrayFrame(p, nIndex); };
    }
    if (nIndex >= TEST_FRAME_FIRST && nIndex <= TEST_FRAME_LAST) {
        return [nIndex](QPainter& p) { TestFrame(p, nIndex); };
    }
    if (nIndex >= EXTRACT_FRAME_FIRST && nIndex <= EXTRACT_FRAME_LAST) {
        return [nIndex](QPainter& p) { ExtractFrame(p, nIndex); };
    }
    if (nIndex >= PRESET_FIRST && nIndex <= PRESET_LAST) {
        return [nIndex](QPainter& p) { PresetTag(p, nIndex - PRESET_FIRST + 1); };
    }
    if (nIndex >= TRAY_IDLE && nIndex <= TRAY_CLEANUP_FAILED) {
        return [nIndex](QPainter& p) { TraySummary(p, nIndex); };
    }
    switch (nIndex) {
        case FOLDER:
            return [](QPainter& p) { YellowFolder(p); };
        case FAILED:
            return [](QPainter& p) {
                p.setPen(QPen(QColor(130, 0, 0), 1.0));
                p.setBrush(RED);
                p.drawEllipse(QPointF(8.0, 8.0), 7.0, 7.0);
                Cross(p, QRectF(5.0, 5.0, 6.0, 6.0), QColor(255, 255, 255), 2.2);
            };
        case COMPLETED:
            return [](QPainter& p) {
                Check(p, QRectF(1.8, 2.8, 12.4, 10.2), QColor(20, 110, 30), 3.6);
                Check(p, QRectF(1.8, 2.8, 12.4, 10.2), QColor(60, 190, 70), 2.0);
            };
        case NOTHING_FOUND:
            return [](QPainter& p) { GreyFolder(p); };
        case CLEANUP_LEFT:
            return [](QPainter& p) { Broom(p, PURPLE); };
        case COPYING_SAMPLES:
            return [](QPainter& p) {
                FilmStrip(p, QRectF(1.5, 1.5, 9.0, 13.0));
                Badge(p, EBadge::ArrowRight, GREEN);
            };
        case KILLED:
            return [](QPainter& p) { StopSign(p); };
        case MONKEY:
            return [](QPainter& p) { Monkey(p); };
        case RAR:
            return [](QPainter& p) { ArchiveStack(p, QRectF(1.0, 1.5, 14.0, 13.0)); };
        case ZIP:
            return [](QPainter& p) {
                Document(p, QRectF(2.5, 0.5, 11.0, 15.0), false, QColor(255, 246, 214));
                p.setPen(Qt::NoPen);
                p.setBrush(QColor(60, 60, 60));
                for (int i = 0; i < 4; ++i) {
                    p.drawRect(QRectF(i % 2 == 0 ? 6.5 : 8.0, 1.5 + i * 1.5, 1.5, 1.0));
                }
                p.setPen(QPen(QColor(40, 40, 40), 1.0));
                p.setBrush(QColor(150, 150, 160));
                p.drawRoundedRect(QRectF(6.0, 7.5, 4.0, 6.0), 1.0, 1.0);
                p.setBrush(QColor(255, 246, 214));
                p.drawRect(QRectF(7.5, 10.5, 1.0, 1.5));
            };
        case SKIPPED:
            return [](QPainter& p) { SkipGlyph(p); };
        case CLEANING:
            return [](QPainter& p) {
                Broom(p, QColor(230, 180, 40));
                p.setPen(Qt::NoPen);
                p.setBrush(QColor(140, 120, 100));
                p.drawEllipse(QPointF(10.5, 14.0), 0.9, 0.9);
                p.drawEllipse(QPointF(12.8, 12.6), 0.7, 0.7);
                p.drawEllipse(QPointF(13.5, 14.8), 0.6, 0.6);
            };
        case REPORT_SPACER:
            return [](QPainter& p) {
                p.setPen(Qt::NoPen);
                p.setBrush(QColor(150, 150, 150));
                for (int x = 2; x <= 13; x += 3) {
                    p.drawRect(QRectF(x, 7.5, 1.5, 1.0));
                }
            };
        case REPORT_KEPT_FILE:
            return [](QPainter& p) {
                Document(p, QRectF(1.5, 0.5, 10.0, 13.0), true);
                Badge(p, EBadge::Shield, QColor(30, 111, 184));
            };
        case REPORT_OTHER_ERROR:
            return [](QPainter& p) { WarningTriangle(p); };
        case REPORT_HEADING:
            return [](QPainter& p) {
                p.setPen(QPen(QColor(100, 60, 20), 1.0));
                p.setBrush(QColor(170, 110, 50));
                p.drawRoundedRect(QRectF(2.5, 1.5, 11.0, 14.0), 1.0, 1.0);
                p.setBrush(QColor(255, 255, 255));
                p.setPen(QPen(QColor(120, 120, 120), 1.0));
                p.drawRect(QRectF(4.0, 3.5, 8.0, 10.5));
                p.setBrush(QColor(160, 160, 170));
                p.drawRoundedRect(QRectF(5.5, 0.5, 5.0, 3.0), 1.0, 1.0);
                p.setPen(QPen(QColor(30, 111, 184), 1.0));
                for (int y = 6; y <= 12; y += 2) {
                    p.drawLine(QPointF(5.5, y + 0.5), QPointF(10.5, y + 0.5));
                }
            };
        default:
            return {};
    }
}

}  // namespace IconDrawings
