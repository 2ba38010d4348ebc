#include "controls/RowDragImage.h"

#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QTreeView>
#include <algorithm>

namespace RowDragImage {

namespace {
constexpr int MAX_ROWS_SHOWN = 5;
}

QLabel* Create(QTreeView* pView, const std::vector<int>& arrRows) {
    if (pView == nullptr || pView->model() == nullptr || arrRows.empty()) {
        return nullptr;
    }
    const int nWidth = std::min(pView->viewport()->width(), 420);
    const int nShown = std::min(static_cast<int>(arrRows.size()), MAX_ROWS_SHOWN);
    const int nRowHeight = std::max(18, pView->sizeHintForRow(0));
    const int nExtra = static_cast<int>(arrRows.size()) > nShown ? nRowHeight : 0;
    const qreal dpr = pView->devicePixelRatioF();
    QPixmap picture(QSize(nWidth, nRowHeight * nShown + nExtra) * dpr);
    picture.setDevicePixelRatio(dpr);
    picture.fill(Qt::transparent);
    {
        QPainter painter(&picture);
        painter.setOpacity(0.75);
        for (int i = 0; i < nShown; ++i) {
            const QModelIndex index = pView->model()->index(arrRows[static_cast<size_t>(i)], 0);
            QRect rowRect = pView->visualRect(index);
            rowRect.setLeft(0);
            rowRect.setWidth(nWidth);
            if (rowRect.isValid() && pView->viewport()->rect().intersects(rowRect)) {
                const QPixmap row = pView->viewport()->grab(rowRect);
                painter.drawPixmap(QPoint(0, i * nRowHeight), row);
            } else {
                painter.fillRect(QRect(0, i * nRowHeight, nWidth, nRowHeight), pView->palette().base());
                painter.drawText(QRect(22, i * nRowHeight, nWidth - 22, nRowHeight), Qt::AlignVCenter,
                                 index.data().toString());
            }
        }
        if (nExtra > 0) {
            painter.fillRect(QRect(0, nShown * nRowHeight, nWidth, nExtra), pView->palette().base());
            painter.drawText(QRect(22, nShown * nRowHeight, nWidth - 22, nExtra), Qt::AlignVCenter,
                             QStringLiteral("... and %1 more").arg(arrRows.size() - nShown));
        }
        painter.setOpacity(1.0);
        painter.setPen(pView->palette().color(QPalette::Highlight));
        painter.drawRect(QRect(0, 0, nWidth - 1, nRowHeight * nShown + nExtra - 1));
    }
    auto* pImage = new QLabel(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    pImage->setAttribute(Qt::WA_TransparentForMouseEvents);
    pImage->setAttribute(Qt::WA_ShowWithoutActivating);
    pImage->setAttribute(Qt::WA_TranslucentBackground);
    pImage->setPixmap(picture);
    pImage->resize(picture.deviceIndependentSize().toSize());
    return pImage;
}

void MoveTo(QLabel* pImage, const QPoint& globalPos) {
    if (pImage == nullptr) {
        return;
    }
    // Beside the cursor, so that the row under it stays visible.
    pImage->move(globalPos + QPoint(12, 8));
    if (!pImage->isVisible()) {
        pImage->show();
    }
}

}  // namespace RowDragImage
