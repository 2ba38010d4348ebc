#pragma once
// The item menu of the job list: its entries depend on the selected rows, on
// whether a list is processed, on the results, the output history and the
// presets. Each selectable entry is an RCM_Item; entry k belongs to command id k,
// and entry 0 is a placeholder so that a cancelled menu selects nothing. The
// actions run after the popup has closed.

#include <QPoint>
#include <QRect>
#include <QSize>
#include <string>
#include <vector>

class QMenu;
class QIcon;
class CQuarnelDlg;

struct RCM_Item {
    int nKind = -1;
    int nParam = -1;
    std::string strText;
};

// What the menu knows about the selection.
struct CMenuStats {
    int nSelected = 0;
    int nOnlyRow = -1;
    int nUnprocessed = 0;
    int nProcessed = 0;
    bool bPresetRemovable = false;
    bool bCompletedOk = false;
    bool bTested = false;
    bool bOkCleanupFailed = false;
    int nNotReached = 0;
};

// The text a QMenu shows for an entry with a shortcut text ("Reset$Ctrl+R", "Show
// cleanup report     DblClk"): the label and, after a tab, the shortcut, so that the
// menu sets the shortcut at the right (the look of PadMenuText's blanks in any font).
std::string MenuLabel(const std::string& strText);

// Where a popup of this size opens for a cursor position: to the left of or above
// the cursor when it would cross the right or bottom edge of the work area, never
// beyond its left or top edge.
QPoint MenuPosition(const QPoint& ptCursor, const QSize& size, const QRect& rcWorkArea);

class CItemMenu {
public:
    explicit CItemMenu(CQuarnelDlg& dlg);

    CMenuStats Stats() const { return m_stats; }
    // Fills the popup (and its submenus) for the current selection.
    void Build(QMenu& menu);
    // Runs the action of command id k (0 or an unknown id: nothing).
    void Choose(int nCommand);
    const std::vector<RCM_Item>& Items() const { return m_arrItems; }

    // The effective Test option and output folder of a row's last run (what it ran
    // with), falling back to the current options for a row that has not run.
    bool RowTested(int nRow) const;
    std::string RowOutputFolder(int nRow) const;

private:
    void ComputeStats();
    int Add(QMenu& menu, const std::string& strText, int nKind, int nParam, const std::string& strPath,
            int nIcon, bool bEnabled = true);
    void BuildOutputMenu(QMenu& menu);
    void BuildPresetMenu(QMenu& menu);
    bool BuildRunMenu(QMenu& menu);
    void OpenFolder(const std::string& strFolder, bool bOutput);
    void DeleteSelected();
    void SkipSelected();

    CQuarnelDlg& m_dlg;
    std::vector<int> m_arrRows;
    CMenuStats m_stats;
    std::vector<RCM_Item> m_arrItems;
};
