#pragma once
// Draws the cells of the job list from CJobList's roles: the row image
// (ImageRole, from CImageList) in the first column, the text colour
// (TextColourRole) unless the row is selected, the background
// (BackgroundColourRole), the drop-target highlight of a row drag, and the
// progress bar over the running row's "Result" cell with
// QStyleOptionProgressBar (a percentage or a moving marquee). The bar is not
// drawn while the cell reads "Copying sample(s)". Cut-off texts show their
// whole text as a tooltip.

#include <QStyledItemDelegate>

class CJobListDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit CJobListDelegate(QObject* pParent = nullptr);

    void SetProgress(int nItemId, bool bMarquee);
    void SetProgressValue(int nValue) { m_nValue = nValue; }
    void ClearProgress() { m_nProgressId = -1; }
    int ProgressItemId() const { return m_nProgressId; }
    bool IsMarquee() const { return m_bMarquee; }
    int ProgressValue() const { return m_nValue; }
    void SetDropTargetRow(int nRow) { m_nDropTarget = nRow; }

    void paint(QPainter* pPainter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* pEvent, QAbstractItemView* pView, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

protected:
    void initStyleOption(QStyleOptionViewItem* pOption, const QModelIndex& index) const override;

private:
    void PaintProgress(QPainter* pPainter, const QStyleOptionViewItem& option) const;

    int m_nProgressId = -1;
    bool m_bMarquee = false;
    int m_nValue = 0;
    int m_nDropTarget = -1;
};
