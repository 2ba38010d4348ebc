#pragma once
// Output folders: how an item's output folder is chosen when it enters the
// list, resolved when it is processed, shown in the "Output folder" column,
// and changed by the user's output choices. Precedence: the item's preset,
// the main "Test" option, the item's "extract to input folder" flag, the
// item's own folder (plus the input folder's name with "Keep folder").
//
// Threads: GUI thread only. Ownership: works on the job list and on the
// settings record (history, "OutputToInput") that its owner keeps alive; the
// main "Test" and "Keep folder" options come from CJobList::MainOptions().
// A preset index outside the current preset list counts as no preset.
// Nothing here creates or tests folders except IsFolderAvailable.

#include <string>
#include <vector>

#include "engine/CJobList.h"
#include "engine/PathHelpers.h"
#include "settings/CSettings.h"

class COutputFolders {
public:
    COutputFolders(CJobList& list, CSettings& settings) : m_list(list), m_settings(settings) {}

    // The folder the driver extracts the item into; "" when nothing is
    // extracted (Test). nRow -1: the item being processed. "" when the row
    // has no record.
    std::string ResolveOutputFolder(int nRow) const;
    // The folder "Open output folder" opens; the marker text for the
    // input-folder cases; not normalized.
    std::string GetShownOutputFolder(int nRow) const;
    // Recomputes and writes the row's "Output folder" cell.
    void RefreshOutputColumn(int nRow);
    // After the main "Test" option changed: every row.
    void RefreshAllOutputColumns();
    // After the main "Keep folder" option changed: unprocessed folder rows
    // without preset whose Test option is off.
    void RefreshAfterKeepFolderChange();

    // True when the preset tests, extracts to the input folder, or its
    // output folder is available. False for an index outside the list.
    bool IsPresetUsable(int nIndex) const;

    // Sets the new item's strOutputFolder (and bOutputToInput) before it is
    // added; call RefreshOutputColumn for its row afterwards (or use AddItem).
    void AssignInitialOutput(CListItem& item) const;
    // AssignInitialOutput, CJobList::AddItem, RefreshOutputColumn. Answers the row.
    int AddItem(CListItem item, const std::string& strName = std::string());

    // The output choices, applied to the given (selected) rows in order.
    void ChooseBrowsedFolder(const std::vector<int>& arrRows, const std::string& strPath);
    void ChooseHistoryEntry(const std::vector<int>& arrRows, int nIndex);  // index out of range: nothing
    void ChooseInputFolder(const std::vector<int>& arrRows);
    void ClearOutputHistory();

    // The item menu's preset commands: the row takes preset nPreset (image
    // 75 + preset) or loses its preset (image 0 folder, 72 "rar", 73 else);
    // the output cell is refreshed either way.
    void ApplyPreset(int nRow, int nPreset);
    void RemovePreset(int nRow);

private:
    void SetRowsOutput(const std::vector<int>& arrRows, bool bToInput, const std::string& strFolder);
    enum class EStyle { Resolve, Column, Shown };
    std::string Compute(const CListItem& item, EStyle style) const;
    const CListItem* ItemFor(int nRow) const;

    CJobList& m_list;
    CSettings& m_settings;
};
