#pragma once
// The job list's view as the window uses it until the shared list view of
// controls/ is available: a QTreeView over CJobList whose delegate draws the row
// images, the state colours and the progress bar over the running row's "Result"
// cell; it accepts dropped files and folders (URI lists), applies the right-click
// rules and reports double clicks.

#include <QStyledItemDelegate>
#include <QTreeView>
#include <functional>

class CLocalListView : public QTreeView {
    Q_OBJECT
public:
    explicit CLocalListView(QWidget* pParent = nullptr);

    // The running row's bar: nRow -1 hides it; nPercent 0..100; bMarquee draws a busy bar
    // whose position is nPercent.
    void SetProgressBar(int nRow, int nPercent, bool bMarquee);
    int ProgressRow() const { return m_nBarRow; }
    int ProgressPercent() const { return m_nBarPercent; }
    bool IsProgressMarquee() const { return m_bBarMarquee; }

    // The right-click rules: below the header zone the selection is adjusted and the
    // menu asked for; answers false when the click was swallowed without a menu.
    bool ApplyRightClick(const QPoint& ptViewport, bool bCtrl);

    static constexpr int HEADER_ZONE = 20;

signals:
    void PathsDropped(const QStringList& arrPaths);
    void ItemMenuRequested(const QPoint& ptGlobal);
    void ReportRequested(int nRow);

protected:
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;
    void dragEnterEvent(QDragEnterEvent* pEvent) override;
    void dragMoveEvent(QDragMoveEvent* pEvent) override;
    void dropEvent(QDropEvent* pEvent) override;

private:
    int m_nBarRow = -1;
    int m_nBarPercent = 0;
    bool m_bBarMarquee = false;
};

class CLocalListDelegate : public QStyledItemDelegate {
public:
    explicit CLocalListDelegate(CLocalListView* pView);
    void paint(QPainter* pPainter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    CLocalListView* m_pView;
};
