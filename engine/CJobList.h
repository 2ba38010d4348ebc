#pragma once
// The job list: the item records (CListItem, kept in ascending nId order and
// never reordered) and the rows of the view (display order = processing
// order), which carry the item's id, their three column texts and an image.
// Every access from a row goes through FindIndex. It is a QtCore item model
// so that a view can show it directly; it also owns the work lists that
// discovery fills for the current item.
//
// Threads: everything here runs on the GUI thread. The only exception is
// the current item's record and the work lists, which the discovery worker
// writes while the driver waits for UWM_SCAN_DONE; list edits that move
// records are refused while processing runs (CurrentRow() != -1).
//
// Ownership: the list owns its records and rows. The presets array and the
// message box belong to the main window (or the batch front-end) and must
// outlive the list.

#include <QAbstractItemModel>
#include <string>
#include <vector>

#include "engine/CListItem.h"
#include "engine/CMainOptions.h"
#include "engine/CMessageBox.h"
#include "engine/CWorkLists.h"
#include "settings/CPresets.h"

class CJobList : public QAbstractItemModel {
    Q_OBJECT
public:
    enum EColumn { COLUMN_NAME = 0, COLUMN_RESULT = 1, COLUMN_OUTPUT = 2, COLUMN_COUNT = 3 };
    enum ERole {
        ItemIdRole = Qt::UserRole + 1,  // int: the row's nId
        ImageRole,                      // int: index into the program's image list
        TextColourRole,                 // uint 0xRRGGBB for the cell's text
        BackgroundColourRole,           // uint 0xRRGGBB, the same for every row
    };
    // Option numbers of GetItemOption.
    enum EOption {
        OPTION_TEST = 1,
        OPTION_KEEP_FOLDER = 2,
        OPTION_KEEP_SAMPLE = 3,
        OPTION_KEEP_COVERS = 4,
        OPTION_KEEP_NFO = 5,
        OPTION_KEEP_SUBS = 6,
        OPTION_KEEP_SUBS_FOLDER = 7,
        OPTION_CLEAN_UP = 8,
        OPTION_OUTPUT_TO_INPUT = 9,
    };

    explicit CJobList(QObject* pParent = nullptr);
    ~CJobList() override;

    // --- what the owner provides -------------------------------------------
    void SetMessageBox(CMessageBox* pMessageBox) { m_pMessageBox = pMessageBox; }
    void SetPresets(const std::vector<CPresets>* pPresets) { m_pPresets = pPresets; }
    void SetMainOptions(const CMainOptions& options) { m_mainOptions = options; }
    const CMainOptions& MainOptions() const { return m_mainOptions; }
    // The preset an item uses, or null when it has none. An index outside
    // the current preset list counts as no preset.
    const CPresets* PresetOf(const CListItem& item) const;
    int PresetCount() const;

    // --- processing state (written by the driver) ---------------------------
    void SetCurrentRow(int nRow) { m_nCurrentRow = nRow; }
    int CurrentRow() const { return m_nCurrentRow; }
    void SetCurrentIndex(int nIndex) { m_nCurrentIndex = nIndex; }
    int CurrentIndex() const { return m_nCurrentIndex; }
    bool IsProcessing() const { return m_nCurrentRow != -1; }
    CWorkLists& WorkLists() { return m_workLists; }
    const CWorkLists& WorkLists() const { return m_workLists; }

    // --- rows and records -----------------------------------------------------
    int RowCount() const { return static_cast<int>(m_arrRows.size()); }
    int ItemCount() const { return static_cast<int>(m_arrItems.size()); }
    // Row -> record index by a binary search for the row's id. On failure
    // (no such row or no such record) the message box says "Binary search
    // failed!!" with the error icon and the answer is -1.
    int FindIndex(int nRow) const;
    // The row that shows the item with this id; -1 when no row does. Asks
    // nothing and shows nothing (a gone item is an ordinary answer here).
    int FindRowById(int nId) const;
    // The record with this id, or null when it is gone. The address is good
    // only until the next change of the list: keep the id, not the pointer,
    // across anything that can run the event loop.
    CListItem* ItemById(int nId);
    const CListItem* ItemById(int nId) const;
    // Record by index; an index outside the array throws std::out_of_range.
    CListItem& Item(int nIndex);
    const CListItem& Item(int nIndex) const;
    // The record of a row (FindIndex), or null with the failure message.
    CListItem* ItemAtRow(int nRow);
    const CListItem* ItemAtRow(int nRow) const;
    const std::vector<CListItem>& Items() const { return m_arrItems; }
    int32_t RowId(int nRow) const;
    std::string RowText(int nRow, int nColumn) const;
    void SetRowText(int nRow, int nColumn, const std::string& strText);
    int RowImage(int nRow) const;
    void SetRowImage(int nRow, int nImage);
    // The image a row shows when it has no result: preset k -> 75 + k, else
    // by type: "rar" 72, "zip" 73, a folder named "monkey" 71, a folder 0.
    int IdleImage(const CListItem& item) const;

    int GetPreset(int nRow) const;          // -1 when none or on failure
    void SetPreset(int nRow, int nPreset);  // the field only

    // One of the nine per-item options (EOption), for a row or, with -1, for
    // the item being processed; false when there is no such item or the
    // option number is unknown.
    bool GetItemOption(int nOption, int nRow = -1) const;

    // True when some row's item has exactly this path (byte comparison).
    bool IsInList(const std::string& strPath) const;

    // Gives the record the next id, appends it and a new last row showing
    // strName (empty: the path's last component) and IdleImage. Answers the row.
    int AddItem(CListItem item, const std::string& strName = std::string());
    // Deletes one row and its record (the item menu's delete command). While
    // processing only rows after the current one may go; answers false else.
    bool RemoveRow(int nRow);
    // Deletes the given (selected) rows and their records, then asks for the
    // tray summary (TraySummaryRefreshRequested). While processing only rows
    // after the current one go; answers true when every given row went.
    bool RemoveRows(const std::vector<int>& arrRows);

    // --- list commands -------------------------------------------------------
    // Empties column 1 and the record's results and errors, restores the idle image.
    void ResetRow(int nRow);
    // The four commands below move or drop records, so they are refused
    // (false) while processing runs: the worker writes the current record.
    bool ResetList();                                     // every row; log, status and tray refreshed
    bool ResetSelected(const std::vector<int>& arrRows);  // the given rows; tray refreshed
    bool ClearList();                                     // ids start again at 0
    bool RemoveSuccessful();                              // rows whose state is "Completed OK"
    bool PruneForPresetHandOver();                        // rows without preset or "Completed OK"
    // Marks one row "Skip" when it lies after the row being processed.
    bool SkipRow(int nRow);
    // Marks every given row "Skip"; refused (false) while processing.
    bool SkipSelected(const std::vector<int>& arrRows);
    // Stores an elapsed-time text: into strTime when the item's state is
    // already "OK (Double click)" (its column says "Cleanup failed"),
    // otherwise into strResult.
    static void StoreElapsedText(CListItem& item, const std::string& strText);
    // Writes a result: record strStatus/strResult, column 1 = strResult, image.
    void SetRowResult(int nRow, const std::string& strStatus, const std::string& strResult, int nImage);

    // The end of a drag and drop: the given rows (any order) are taken out
    // and inserted again, in their former order, at the index the drop
    // target row has once they are out, so the moved rows land just above
    // the target row (when the target itself is moved: where it was). -1 or
    // a row past the end appends them. Done as model moves (rowsMoved), so
    // views keep their selection and persistent indexes. Refused (empty
    // answer) while processing. Answers the rows the moved items now occupy.
    std::vector<int> MoveRows(const std::vector<int>& arrRows, int nTargetRow);

    // Ctrl+U / Ctrl+D: the selected rows one step up / down (a block that
    // already touches the top / bottom stays); Ctrl+T / Ctrl+B: to the top /
    // bottom in their order. Model moves as in MoveRows. Refused (empty)
    // while processing. Answers the rows the moved items now occupy, ascending.
    enum class EMoveStep { Up, Down, Top, Bottom };
    std::vector<int> MoveSelection(const std::vector<int>& arrRows, EMoveStep step);

    // What a double click on a row opens.
    enum class EReport { None, Errors, CleanUp };
    EReport ReportForRow(int nRow) const;

    // --- QAbstractItemModel ----------------------------------------------------
    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

signals:
    // The tray summary must be recomputed (Reset, Clear, Remove, Skip).
    void TraySummaryRefreshRequested();
    // The process log and the status line must be emptied (Reset list, Clear list).
    void LogAndStatusClearRequested();

private:
    struct CRow {
        int32_t nId = 0;
        std::string arrText[COLUMN_COUNT];
        int nImage = 0;
    };

    void ReportSearchFailure() const;
    // One row from nFrom to nTo (its index afterwards), as a model move.
    void MoveOneRow(int nFrom, int nTo);
    std::vector<int> ValidSortedRows(const std::vector<int>& arrRows) const;
    void RemoveRowAt(int nRow, int nIndex);
    void EmitRowChanged(int nRow);
    bool IsValidRow(int nRow) const { return nRow >= 0 && nRow < RowCount(); }

    std::vector<CListItem> m_arrItems;
    std::vector<CRow> m_arrRows;
    int32_t m_nNextId = 0;
    int m_nCurrentRow = -1;
    int m_nCurrentIndex = -1;
    CMainOptions m_mainOptions;
    const std::vector<CPresets>* m_pPresets = nullptr;
    CMessageBox* m_pMessageBox = nullptr;
    CWorkLists m_workLists;
};
