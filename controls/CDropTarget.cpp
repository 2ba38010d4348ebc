#include "controls/CDropTarget.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QUrl>

#include "controls/CJobListDelegate.h"
#include "controls/RgbColor.h"
#include "controls/RowDragImage.h"
#include "engine/CItemStates.h"
#include "engine/CJobList.h"

CDropTarget::CDropTarget(QWidget* pParent) : QTreeView(pParent) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setIconSize(QSize(16, 16));
    setSortingEnabled(false);
    // A press on a row that is already selected keeps the selection until
    // the release, so that several rows can be dragged. The view never
    // starts a drag of its own (mouseMoveEvent below does the dragging).
    QAbstractItemView::setDragEnabled(true);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(false);

    header()->setSectionsClickable(false);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(true);
    header()->installEventFilter(this);

    QPalette pal = palette();
    const QColor background = ColorFromRgb(ItemStates::COLOUR_BACKGROUND);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(group, QPalette::Base, background);
        pal.setColor(group, QPalette::Text, Qt::black);
    }
    setPalette(pal);

    m_pDelegate = new CJobListDelegate(this);
    setItemDelegate(m_pDelegate);

    for (int nZone = 0; nZone < ZONE_COUNT; ++nZone) {
        QTimer& timer = m_arrScrollTimers[static_cast<size_t>(nZone)];
        timer.setInterval(ZoneInterval(static_cast<EScrollZone>(nZone)));
        connect(&timer, &QTimer::timeout, this,
                [this, nZone] { OnScrollTimer(static_cast<EScrollZone>(nZone)); });
    }
}

CDropTarget::~CDropTarget() {
    delete m_pDragImage;
}

void CDropTarget::SetJobList(CJobList* pList) {
    m_pList = pList;
    setModel(pList);
    ApplyColumnShares();
}

std::array<int, 3> CDropTarget::ColumnWidthsFor(int nClientWidth) {
    // Whole-number arithmetic: w * 0.39 truncated, without floating error.
    const int nName = nClientWidth * 39 / 100;
    const int nResult = nClientWidth * 17 / 100;
    return {nName, nResult, nClientWidth - nName - nResult};
}

void CDropTarget::ApplyColumnShares() {
    if (model() == nullptr) {
        return;
    }
    const std::array<int, 3> arrWidths = ColumnWidthsFor(viewport()->width());
    for (int nColumn = 0; nColumn < 3 && nColumn < model()->columnCount(); ++nColumn) {
        setColumnWidth(nColumn, arrWidths[static_cast<size_t>(nColumn)]);
    }
}

void CDropTarget::resizeEvent(QResizeEvent* pEvent) {
    QTreeView::resizeEvent(pEvent);
    ApplyColumnShares();
}

bool CDropTarget::viewportEvent(QEvent* pEvent) {
    const bool bHandled = QTreeView::viewportEvent(pEvent);
    if (pEvent->type() == QEvent::Resize) {
        // A vertical scroll bar coming or going changes the client width.
        ApplyColumnShares();
    }
    return bHandled;
}

// --- progress -------------------------------------------------------------------

void CDropTarget::SetProgressRow(int nId, bool bMarquee) {
    UpdateProgressCell();
    m_pDelegate->SetProgress(nId, bMarquee);
    UpdateProgressCell();
}

void CDropTarget::SetProgressPercent(int nPercent) {
    if (m_pDelegate->ProgressValue() == nPercent) {
        return;
    }
    m_pDelegate->SetProgressValue(nPercent);
    UpdateProgressCell();
}

void CDropTarget::ClearProgress() {
    UpdateProgressCell();
    m_pDelegate->ClearProgress();
}

int CDropTarget::ProgressItemId() const {
    return m_pDelegate->ProgressItemId();
}

void CDropTarget::UpdateProgressCell() {
    const int nId = m_pDelegate->ProgressItemId();
    if (nId < 0 || m_pList == nullptr) {
        return;
    }
    // Only the one cell is repainted.
    const int nRow = m_pList->FindRowById(nId);
    if (nRow >= 0) {
        viewport()->update(visualRect(m_pList->index(nRow, CJobList::COLUMN_RESULT)));
    }
}

// --- selection ----------------------------------------------------------------------

std::vector<int> CDropTarget::SelectedRows() const {
    std::vector<int> arrRows;
    if (selectionModel() == nullptr) {
        return arrRows;
    }
    for (const QModelIndex& index : selectionModel()->selectedRows()) {
        arrRows.push_back(index.row());
    }
    std::sort(arrRows.begin(), arrRows.end());
    return arrRows;
}

void CDropTarget::SelectRows(const std::vector<int>& arrRows) {
    if (selectionModel() == nullptr || model() == nullptr) {
        return;
    }
    selectionModel()->clearSelection();
    for (int nRow : arrRows) {
        const QModelIndex index = model()->index(nRow, 0);
        if (!index.isValid()) {
            continue;
        }
        selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        scrollTo(index);
    }
}

// --- mouse ------------------------------------------------------------------------------

QPoint CDropTarget::ViewportToView(const QPoint& viewportPos) const {
    return viewport()->mapTo(this, viewportPos);
}

bool CDropTarget::eventFilter(QObject* pWatched, QEvent* pEvent) {
    if (pWatched == header()) {
        const QEvent::Type type = pEvent->type();
        if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) {
            // The header zone swallows the right button.
            if (static_cast<QMouseEvent*>(pEvent)->button() == Qt::RightButton) {
                return true;
            }
        }
        if (type == QEvent::ContextMenu) {
            return true;
        }
    }
    return QTreeView::eventFilter(pWatched, pEvent);
}

void CDropTarget::HandleRightButton(QMouseEvent* pEvent) {
    pEvent->accept();
    const QPoint viewPos = ViewportToView(pEvent->position().toPoint());
    if (viewPos.y() - contentsRect().top() < HEADER_ZONE) {
        return;
    }
    const QModelIndex index = indexAt(pEvent->position().toPoint());
    int nRow = -1;
    if (!index.isValid()) {
        clearSelection();
    } else {
        nRow = index.row();
        const bool bSelected = selectionModel()->isRowSelected(nRow, QModelIndex());
        if (!bSelected && !(pEvent->modifiers() & Qt::ControlModifier)) {
            clearSelection();
        }
        selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    }
    emit ContextMenuRequested(pEvent->globalPosition().toPoint(), nRow);
}

void CDropTarget::mousePressEvent(QMouseEvent* pEvent) {
    if (pEvent->button() == Qt::RightButton) {
        HandleRightButton(pEvent);
        return;
    }
    if (pEvent->button() == Qt::LeftButton) {
        m_bPressed = true;
        m_pressPos = pEvent->position().toPoint();
    }
    QTreeView::mousePressEvent(pEvent);
}

void CDropTarget::mouseMoveEvent(QMouseEvent* pEvent) {
    const QPoint pos = pEvent->position().toPoint();
    if (m_bDragging) {
        UpdateRowDrag(pos, pEvent->globalPosition().toPoint());
        return;
    }
    if (m_bPressed && (pEvent->buttons() & Qt::LeftButton) && m_bDragEnabled) {
        if ((pos - m_pressPos).manhattanLength() >= QApplication::startDragDistance() &&
            indexAt(m_pressPos).isValid()) {
            BeginRowDrag(pos);
            if (m_bDragging) {
                UpdateRowDrag(pos, pEvent->globalPosition().toPoint());
            }
        }
        return;
    }
    QTreeView::mouseMoveEvent(pEvent);
}

void CDropTarget::mouseReleaseEvent(QMouseEvent* pEvent) {
    if (m_bDragging) {
        EndRowDrag(pEvent->position().toPoint(), pEvent->button() == Qt::LeftButton);
        pEvent->accept();
        return;
    }
    m_bPressed = false;
    QTreeView::mouseReleaseEvent(pEvent);
}

void CDropTarget::mouseDoubleClickEvent(QMouseEvent* pEvent) {
    if (pEvent->button() == Qt::RightButton) {
        HandleRightButton(pEvent);
        return;
    }
    QTreeView::mouseDoubleClickEvent(pEvent);
    if (pEvent->button() == Qt::LeftButton) {
        const QModelIndex index = indexAt(pEvent->position().toPoint());
        if (index.isValid()) {
            emit ReportRequested(index.row());
        }
    }
}

void CDropTarget::contextMenuEvent(QContextMenuEvent* pEvent) {
    pEvent->accept();
    // The mouse's menu request was answered by the right-button press.
    if (pEvent->reason() != QContextMenuEvent::Keyboard) {
        return;
    }
    const QModelIndex current = currentIndex();
    const int nRow = current.isValid() && selectionModel()->isRowSelected(current.row(), QModelIndex())
                         ? current.row()
                         : -1;
    const QPoint pos = nRow >= 0 ? viewport()->mapToGlobal(visualRect(current).center())
                                 : viewport()->mapToGlobal(viewport()->rect().center());
    emit ContextMenuRequested(pos, nRow);
}

// --- dragging rows ----------------------------------------------------------------------

void CDropTarget::SetDragEnabled(bool bEnabled) {
    m_bDragEnabled = bEnabled;
    QAbstractItemView::setDragEnabled(bEnabled);
    if (!bEnabled && m_bDragging) {
        EndRowDrag(QPoint(-1, -1), false);
    }
}

CDropTarget::EScrollZone CDropTarget::ZoneAt(const QPoint& viewPos) const {
    const QRect client = contentsRect();
    if (viewPos.x() < client.left() || viewPos.x() > client.right()) {
        return ZONE_NONE;
    }
    const int nTop = client.top();
    const int nBottom = client.bottom() + 1;
    const int y = viewPos.y();
    if (y >= nTop && y <= nTop + 16) {
        return ZONE_TOP;
    }
    if (y >= nBottom && y <= nBottom + 16) {
        return ZONE_BOTTOM;
    }
    if (y >= nTop - 24 && y <= nTop - 1) {
        return ZONE_ABOVE;
    }
    if (y >= nBottom + 17 && y <= nBottom + 40) {
        return ZONE_BELOW;
    }
    return ZONE_NONE;
}

int CDropTarget::ZoneInterval(EScrollZone zone) {
    return (zone == ZONE_ABOVE || zone == ZONE_BELOW) ? 70 : 200;
}

bool CDropTarget::IsScrollTimerActive(EScrollZone zone) const {
    return zone >= 0 && zone < ZONE_COUNT && m_arrScrollTimers[static_cast<size_t>(zone)].isActive();
}

void CDropTarget::BeginRowDrag(const QPoint& viewportPos) {
    if (!m_bDragEnabled || m_pList == nullptr || m_pList->IsProcessing()) {
        return;
    }
    const QModelIndex pressed = indexAt(m_pressPos);
    if (!pressed.isValid()) {
        return;
    }
    if (!selectionModel()->isRowSelected(pressed.row(), QModelIndex())) {
        selectionModel()->select(pressed, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    m_bDragging = true;
    m_nDropTarget = -1;
    delete m_pDragImage;
    m_pDragImage = RowDragImage::Create(this, SelectedRows());
    Q_UNUSED(viewportPos);
}

void CDropTarget::UpdateRowDrag(const QPoint& viewportPos, const QPoint& globalPos) {
    const QPoint viewPos = ViewportToView(viewportPos);
    m_lastViewPos = viewPos;
    if (m_pDragImage != nullptr) {
        RowDragImage::MoveTo(m_pDragImage, globalPos);
    }
    if (verticalScrollBar()->maximum() > 0) {
        const EScrollZone zone = ZoneAt(viewPos);
        if (zone != ZONE_NONE && !m_arrScrollTimers[static_cast<size_t>(zone)].isActive()) {
            m_arrScrollTimers[static_cast<size_t>(zone)].start();
        }
    }
    if (!viewport()->rect().contains(viewportPos)) {
        SetDropTarget(-1);
        return;
    }
    const QModelIndex index = indexAt(viewportPos);
    SetDropTarget(index.isValid() ? index.row() : -1);
    viewport()->setCursor(index.isValid() ? Qt::DragMoveCursor : Qt::ForbiddenCursor);
}

void CDropTarget::EndRowDrag(const QPoint& viewportPos, bool bDrop) {
    StopScrollTimers();
    delete m_pDragImage;
    m_pDragImage = nullptr;
    m_bDragging = false;
    m_bPressed = false;
    viewport()->unsetCursor();
    setFocus(Qt::MouseFocusReason);
    const int nTarget = m_nDropTarget;
    SetDropTarget(-1);
    if (!bDrop || m_pList == nullptr || !viewport()->rect().contains(viewportPos)) {
        return;
    }
    const std::vector<int> arrMoved = m_pList->MoveRows(SelectedRows(), nTarget);
    if (!arrMoved.empty()) {
        SelectRows(arrMoved);
        emit RowsMoved(arrMoved);
    }
}

void CDropTarget::SetDropTarget(int nRow) {
    if (nRow == m_nDropTarget) {
        return;
    }
    m_nDropTarget = nRow;
    m_pDelegate->SetDropTargetRow(nRow);
    viewport()->update();
}

void CDropTarget::OnScrollTimer(EScrollZone zone) {
    QTimer& timer = m_arrScrollTimers[static_cast<size_t>(zone)];
    if (!m_bDragging || !m_bDragEnabled || (m_pList != nullptr && m_pList->IsProcessing()) ||
        ZoneAt(m_lastViewPos) != zone) {
        timer.stop();
        return;
    }
    QScrollBar* pBar = verticalScrollBar();
    const bool bUp = (zone == ZONE_TOP || zone == ZONE_ABOVE);
    pBar->setValue(pBar->value() + (bUp ? -SCROLL_STEP : SCROLL_STEP));
    const QPoint viewportPos = viewport()->mapFrom(this, m_lastViewPos);
    if (viewport()->rect().contains(viewportPos)) {
        const QModelIndex index = indexAt(viewportPos);
        SetDropTarget(index.isValid() ? index.row() : -1);
    }
}

void CDropTarget::StopScrollTimers() {
    for (QTimer& timer : m_arrScrollTimers) {
        timer.stop();
    }
}

// --- files and folders dropped from outside --------------------------------------------

namespace {

bool HasLocalFiles(const QMimeData* pData) {
    if (pData == nullptr || !pData->hasUrls()) {
        return false;
    }
    for (const QUrl& url : pData->urls()) {
        if (url.isLocalFile()) {
            return true;
        }
    }
    return false;
}

}  // namespace

void CDropTarget::dragEnterEvent(QDragEnterEvent* pEvent) {
    if (HasLocalFiles(pEvent->mimeData())) {
        pEvent->acceptProposedAction();
        return;
    }
    pEvent->ignore();
}

void CDropTarget::dragMoveEvent(QDragMoveEvent* pEvent) {
    if (HasLocalFiles(pEvent->mimeData())) {
        pEvent->acceptProposedAction();
        return;
    }
    pEvent->ignore();
}

void CDropTarget::dropEvent(QDropEvent* pEvent) {
    QStringList arrPaths;
    if (pEvent->mimeData() != nullptr) {
        for (const QUrl& url : pEvent->mimeData()->urls()) {
            if (url.isLocalFile() && !url.toLocalFile().isEmpty()) {
                // A dropped folder may come with a trailing slash.
                arrPaths << QDir::cleanPath(url.toLocalFile());
            }
        }
    }
    if (arrPaths.isEmpty()) {
        pEvent->ignore();
        return;
    }
    pEvent->acceptProposedAction();
    emit PathsDropped(arrPaths);
}
