#include "controls/CJobListDelegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QPainter>
#include <QStyleOptionProgressBar>
#include <QToolTip>

#include "controls/CImageList.h"
#include "controls/RgbColor.h"
#include "engine/CItemStates.h"
#include "engine/CJobList.h"

CJobListDelegate::CJobListDelegate(QObject* pParent) : QStyledItemDelegate(pParent) {}

void CJobListDelegate::SetProgress(int nItemId, bool bMarquee) {
    m_nProgressId = nItemId;
    m_bMarquee = bMarquee;
    m_nValue = 0;
}

void CJobListDelegate::initStyleOption(QStyleOptionViewItem* pOption, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(pOption, index);
    const QVariant image = index.data(CJobList::ImageRole);
    if (image.isValid()) {
        pOption->icon = CImageList::Instance().Icon(image.toInt());
        pOption->features |= QStyleOptionViewItem::HasDecoration;
        pOption->decorationSize = QSize(16, 16);
    }
    const QVariant background = index.data(CJobList::BackgroundColourRole);
    if (background.isValid()) {
        pOption->backgroundBrush = ColorFromRgb(background.toUInt());
    }
    // A selected row keeps the system's highlight colours.
    const QVariant text = index.data(CJobList::TextColourRole);
    if (text.isValid() && !(pOption->state & QStyle::State_Selected)) {
        const QColor colour = ColorFromRgb(text.toUInt());
        pOption->palette.setColor(QPalette::Text, colour);
        pOption->palette.setColor(QPalette::WindowText, colour);
    }
}

void CJobListDelegate::paint(QPainter* pPainter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    QStyledItemDelegate::paint(pPainter, option, index);
    if (index.row() == m_nDropTarget) {
        // The drop target of a row drag: a tinted row with a line at its
        // top, where the dragged rows will go.
        QColor tint = option.palette.color(QPalette::Highlight);
        tint.setAlpha(90);
        pPainter->fillRect(option.rect, tint);
        pPainter->fillRect(QRect(option.rect.left(), option.rect.top(), option.rect.width(), 2),
                           option.palette.color(QPalette::Highlight));
    }
    if (m_nProgressId >= 0 && index.column() == CJobList::COLUMN_RESULT &&
        index.data(CJobList::ItemIdRole).toInt() == m_nProgressId &&
        index.data(Qt::DisplayRole).toString() != QLatin1String(ItemStates::COPYING_SAMPLES)) {
        PaintProgress(pPainter, option);
    }
}

void CJobListDelegate::PaintProgress(QPainter* pPainter, const QStyleOptionViewItem& option) const {
    const QWidget* pWidget = option.widget;
    QStyle* pStyle = pWidget != nullptr ? pWidget->style() : QApplication::style();
    QStyleOptionProgressBar bar;
    bar.state = QStyle::State_Enabled | QStyle::State_Horizontal;
    bar.direction = option.direction;
    bar.fontMetrics = option.fontMetrics;
    bar.palette = option.palette;
    bar.rect = option.rect.adjusted(1, 1, -1, -1);
    bar.minimum = 0;
    bar.maximum = 100;
    const int nValue = std::clamp(m_nValue, 0, 100);
    if (!m_bMarquee) {
        bar.progress = nValue;
        bar.textVisible = true;
        bar.text = QStringLiteral("%1%").arg(nValue);
        bar.textAlignment = Qt::AlignCenter;
        pStyle->drawControl(QStyle::CE_ProgressBar, &bar, pPainter, pWidget);
        return;
    }
    // A marquee: the style's groove with a chunk of a third of its width
    // sliding from the left edge out past the right one as the value climbs.
    bar.textVisible = false;
    pStyle->drawControl(QStyle::CE_ProgressBarGroove, &bar, pPainter, pWidget);
    const QRect groove = pStyle->subElementRect(QStyle::SE_ProgressBarContents, &bar, pWidget);
    const int nChunk = std::max(8, groove.width() / 3);
    const int nLeft = groove.left() - nChunk + (groove.width() + nChunk) * nValue / 100;
    QStyleOptionProgressBar chunk = bar;
    chunk.rect = QRect(nLeft, bar.rect.top(), nChunk, bar.rect.height());
    chunk.progress = 100;
    pPainter->save();
    pPainter->setClipRect(groove);
    pStyle->drawControl(QStyle::CE_ProgressBarContents, &chunk, pPainter, pWidget);
    pPainter->restore();
}

QSize CJobListDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(std::max(size.height(), 18));
    return size;
}

bool CJobListDelegate::helpEvent(QHelpEvent* pEvent, QAbstractItemView* pView,
                                 const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (pEvent == nullptr || pView == nullptr || pEvent->type() != QEvent::ToolTip) {
        return QStyledItemDelegate::helpEvent(pEvent, pView, option, index);
    }
    const QString strText = index.data(Qt::DisplayRole).toString();
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const int nIcon =
        (opt.features & QStyleOptionViewItem::HasDecoration) ? opt.decorationSize.width() + 6 : 0;
    const int nNeeded = opt.fontMetrics.horizontalAdvance(strText) + nIcon + 8;
    if (!strText.isEmpty() && nNeeded > pView->visualRect(index).width()) {
        QToolTip::showText(pEvent->globalPos(), strText, pView->viewport());
    } else {
        QToolTip::hideText();
    }
    return true;
}
