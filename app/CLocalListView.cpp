#include "app/CLocalListView.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionProgressBar>
#include <QUrl>

#include "app/CLocalImageList.h"
#include "engine/CJobList.h"

namespace {

QColor FromRgb(uint nRgb) {
    return QColor((nRgb >> 16) & 0xFF, (nRgb >> 8) & 0xFF, nRgb & 0xFF);
}

}  // namespace

CLocalListView::CLocalListView(QWidget* pParent) : QTreeView(pParent) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSortingEnabled(false);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTextElideMode(Qt::ElideRight);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(true);
    setItemDelegate(new CLocalListDelegate(this));
    QPalette pal = palette();
    pal.setColor(QPalette::Base, QColor(255, 255, 224));
    pal.setColor(QPalette::Text, Qt::black);
    setPalette(pal);
}

void CLocalListView::SetProgressBar(int nRow, int nPercent, bool bMarquee) {
    const int nOld = m_nBarRow;
    m_nBarRow = nRow;
    m_nBarPercent = nPercent;
    m_bBarMarquee = bMarquee;
    if (model() == nullptr)
        return;
    for (int nChanged : {nOld, nRow})
        if (nChanged >= 0 && nChanged < model()->rowCount())
            viewport()->update(visualRect(model()->index(nChanged, CJobList::COLUMN_RESULT)));
}

bool CLocalListView::ApplyRightClick(const QPoint& ptViewport, bool bCtrl) {
    // The zone just below the list's top (where the header lies) is left alone.
    const QPoint ptList = viewport()->mapTo(this, ptViewport);
    if (ptList.y() < HEADER_ZONE)
        return false;
    const QModelIndex index = indexAt(ptViewport);
    QItemSelectionModel* pSelection = selectionModel();
    if (!index.isValid()) {
        pSelection->clearSelection();
    } else {
        if (!pSelection->isRowSelected(index.row(), QModelIndex()) && !bCtrl)
            pSelection->clearSelection();
        pSelection->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        pSelection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    }
    return true;
}

void CLocalListView::mousePressEvent(QMouseEvent* pEvent) {
    if (pEvent->button() == Qt::RightButton) {
        if (ApplyRightClick(pEvent->position().toPoint(), (pEvent->modifiers() & Qt::ControlModifier) != 0))
            emit ItemMenuRequested(pEvent->globalPosition().toPoint());
        pEvent->accept();
        return;
    }
    QTreeView::mousePressEvent(pEvent);
}

void CLocalListView::mouseDoubleClickEvent(QMouseEvent* pEvent) {
    if (pEvent->button() == Qt::RightButton) {
        mousePressEvent(pEvent);
        return;
    }
    QTreeView::mouseDoubleClickEvent(pEvent);
    const QModelIndex index = indexAt(pEvent->position().toPoint());
    if (pEvent->button() == Qt::LeftButton && index.isValid())
        emit ReportRequested(index.row());
}

void CLocalListView::dragEnterEvent(QDragEnterEvent* pEvent) {
    if (pEvent->mimeData()->hasUrls())
        pEvent->acceptProposedAction();
    else
        pEvent->ignore();
}

void CLocalListView::dragMoveEvent(QDragMoveEvent* pEvent) {
    if (pEvent->mimeData()->hasUrls())
        pEvent->acceptProposedAction();
    else
        pEvent->ignore();
}

void CLocalListView::dropEvent(QDropEvent* pEvent) {
    if (!pEvent->mimeData()->hasUrls()) {
        pEvent->ignore();
        return;
    }
    QStringList arrPaths;
    for (const QUrl& url : pEvent->mimeData()->urls())
        if (url.isLocalFile())
            arrPaths << url.toLocalFile();
    pEvent->acceptProposedAction();
    emit PathsDropped(arrPaths);
}

CLocalListDelegate::CLocalListDelegate(CLocalListView* pView) : QStyledItemDelegate(pView), m_pView(pView) {}

void CLocalListDelegate::paint(QPainter* pPainter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    if (index.column() == CJobList::COLUMN_NAME) {
        opt.icon = CLocalImageList::Icon(index.data(CJobList::ImageRole).toInt());
        opt.features |= QStyleOptionViewItem::HasDecoration;
        opt.decorationSize = QSize(16, 16);
    }
    const QVariant colour = index.data(CJobList::TextColourRole);
    if (colour.isValid()) {
        opt.palette.setColor(QPalette::Text, FromRgb(colour.toUInt()));
        opt.palette.setColor(QPalette::HighlightedText, FromRgb(colour.toUInt()));
    }
    opt.palette.setColor(QPalette::Highlight, QColor(180, 205, 240));
    const QWidget* pWidget = opt.widget;
    QStyle* pStyle = pWidget ? pWidget->style() : QApplication::style();
    pStyle->drawControl(QStyle::CE_ItemViewItem, &opt, pPainter, pWidget);

    if (index.column() != CJobList::COLUMN_RESULT || index.row() != m_pView->ProgressRow())
        return;
    QStyleOptionProgressBar bar;
    bar.rect = option.rect.adjusted(1, 1, -1, -1);
    bar.state = QStyle::State_Enabled | QStyle::State_Horizontal;
    bar.direction = option.direction;
    bar.fontMetrics = option.fontMetrics;
    bar.minimum = 0;
    bar.maximum = 100;
    bar.progress = m_pView->ProgressPercent();
    bar.textVisible = !m_pView->IsProgressMarquee();
    bar.text = QStringLiteral("%1%").arg(bar.progress);
    bar.textAlignment = Qt::AlignCenter;
    if (m_pView->IsProgressMarquee()) {
        // A busy bar: a block a quarter wide that travels with the position.
        pPainter->save();
        pPainter->fillRect(bar.rect, QColor(230, 230, 230));
        const int nWidth = bar.rect.width() / 4;
        const int nX = bar.rect.left() + (bar.rect.width() - nWidth) * bar.progress / 100;
        pPainter->fillRect(QRect(nX, bar.rect.top(), nWidth, bar.rect.height()), QColor(60, 160, 60));
        pPainter->restore();
        return;
    }
    pStyle->drawControl(QStyle::CE_ProgressBar, &bar, pPainter, pWidget);
}
