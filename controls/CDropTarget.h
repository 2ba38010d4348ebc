#pragma once
// The job list view over CJobList: full-row selection, row images from the
// program's image list, per-state text colours, the progress bar over the
// running row's "Result" cell (painted by CJobListDelegate), drops of files
// and folders, reordering rows by dragging, the right-click rules and the
// double click.
//
// Dragging rows (only while SetDragEnabled(true), i.e. while idle): the row
// under the cursor is the drop target (highlighted); four bands scroll the
// list by 16 pixels per tick while the cursor stays in them (measured in
// the view's own coordinates, top T = the header's top, bottom B = the
// view's bottom): T..T+16 up every 200 ms, B..B+16 down every 200 ms,
// T-24..T-1 up every 70 ms, B+17..B+40 down every 70 ms. A picture of the
// dragged rows follows the cursor. Releasing over the rows moves the
// selected rows with CJobList::MoveRows (to the end when no row is under
// the cursor) and selects them in their new places.
//
// Right button (press or double click): less than 20 pixels below the
// view's top (the header) it is swallowed; otherwise the selection is
// adjusted (no row: nothing selected; an unselected row without Ctrl: only
// that row) and ContextMenuRequested is emitted.
//
// Threads: GUI thread only.

#include <QPoint>
#include <QStringList>
#include <QTimer>
#include <QTreeView>
#include <array>
#include <vector>

class CJobList;
class CJobListDelegate;
class QLabel;

class CDropTarget : public QTreeView {
    Q_OBJECT
public:
    // Column shares of the list's client width.
    static constexpr double NAME_SHARE = 0.39;
    static constexpr double RESULT_SHARE = 0.17;
    // The four auto-scroll bands of a row drag.
    enum EScrollZone { ZONE_NONE = -1, ZONE_TOP = 0, ZONE_BOTTOM, ZONE_ABOVE, ZONE_BELOW, ZONE_COUNT };
    static constexpr int SCROLL_STEP = 16;
    static constexpr int HEADER_ZONE = 20;

    explicit CDropTarget(QWidget* pParent = nullptr);
    ~CDropTarget() override;

    void SetJobList(CJobList* pList);
    CJobList* JobList() const { return m_pList; }
    CJobListDelegate* Delegate() const { return m_pDelegate; }

    // Widths of "Item to process", "Result" and "Output folder" for a
    // client width: 39 %, 17 % (truncated) and the rest.
    static std::array<int, 3> ColumnWidthsFor(int nClientWidth);
    void ApplyColumnShares();

    // --- the progress bar over the running row's "Result" cell ------------
    // The row of item nId gets a bar: a percentage, or a marquee whose
    // position (0..100) SetProgressPercent moves.
    void SetProgressRow(int nId, bool bMarquee);
    void SetProgressPercent(int nPercent);
    void ClearProgress();
    int ProgressItemId() const;

    // --- reordering -----------------------------------------------------------
    // Row dragging is allowed only while this is on (the window turns it off
    // while a list is processed; turning it off ends a drag in progress).
    void SetDragEnabled(bool bEnabled);
    bool IsDragEnabled() const { return m_bDragEnabled; }
    bool IsDragging() const { return m_bDragging; }
    int DropTargetRow() const { return m_nDropTarget; }
    // The band a point (in the view's coordinates) lies in, and its interval.
    EScrollZone ZoneAt(const QPoint& viewPos) const;
    static int ZoneInterval(EScrollZone zone);
    bool IsScrollTimerActive(EScrollZone zone) const;

    // The selected rows, top to bottom.
    std::vector<int> SelectedRows() const;
    void SelectRows(const std::vector<int>& arrRows);

signals:
    // Local files and folders dropped on the list (absolute paths, in the
    // order the drop listed them).
    void PathsDropped(const QStringList& arrPaths);
    // The item menu should open at globalPos; nRow is the row under the
    // cursor or -1.
    void ContextMenuRequested(const QPoint& globalPos, int nRow);
    // A double click on a row (its report opens, when it has one).
    void ReportRequested(int nRow);
    // Rows were moved by dragging; arrRows are their new places.
    void RowsMoved(const std::vector<int>& arrRows);

protected:
    void resizeEvent(QResizeEvent* pEvent) override;
    bool viewportEvent(QEvent* pEvent) override;
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;
    void contextMenuEvent(QContextMenuEvent* pEvent) override;
    void dragEnterEvent(QDragEnterEvent* pEvent) override;
    void dragMoveEvent(QDragMoveEvent* pEvent) override;
    void dropEvent(QDropEvent* pEvent) override;

private:
    void HandleRightButton(QMouseEvent* pEvent);
    void BeginRowDrag(const QPoint& viewportPos);
    void UpdateRowDrag(const QPoint& viewportPos, const QPoint& globalPos);
    void EndRowDrag(const QPoint& viewportPos, bool bDrop);
    void SetDropTarget(int nRow);
    void OnScrollTimer(EScrollZone zone);
    void StopScrollTimers();
    QPoint ViewportToView(const QPoint& viewportPos) const;
    void UpdateProgressCell();

    CJobList* m_pList = nullptr;
    CJobListDelegate* m_pDelegate = nullptr;
    bool m_bDragEnabled = true;
    bool m_bPressed = false;
    bool m_bDragging = false;
    QPoint m_pressPos;
    QPoint m_lastViewPos;  // the cursor during a drag, in the view's coordinates
    int m_nDropTarget = -1;
    std::array<QTimer, ZONE_COUNT> m_arrScrollTimers;
    QLabel* m_pDragImage = nullptr;
};
