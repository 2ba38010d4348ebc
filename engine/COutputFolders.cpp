#include "engine/COutputFolders.h"

#include "engine/CItemStates.h"

using namespace ItemStates;

const CListItem* COutputFolders::ItemFor(int nRow) const {
    if (nRow == -1) {
        int nIndex = m_list.CurrentIndex();
        return (nIndex >= 0 && nIndex < m_list.ItemCount()) ? &m_list.Item(nIndex) : nullptr;
    }
    return m_list.ItemAtRow(nRow);
}

std::string COutputFolders::Compute(const CListItem& item, EStyle style) const {
    // The three uses share one order of rules and differ in the input-folder
    // text (path or marker) and in whether "Keep folder" looks at the type.
    const bool bMarker = style != EStyle::Resolve;
    const bool bFolderItem = item.strType == "folder";
    const bool bAppendAnyType = style == EStyle::Shown;
    std::string strResult;
    if (const CPresets* pPreset = m_list.PresetOf(item)) {
        if (pPreset->bTest) {
            return std::string();
        }
        if (pPreset->bOutputToInput) {
            return bMarker ? std::string(OUTPUT_TO_INPUT_MARKER) : item.InputFolder();
        }
        if (pPreset->bMainFolder && (bFolderItem || bAppendAnyType)) {
            strResult = pPreset->strOutputPath + SeparatorFor(pPreset->strOutputPath) + item.strFolderName;
        } else {
            strResult = pPreset->strOutputPath;
        }
    } else {
        const CMainOptions& main = m_list.MainOptions();
        if (main.bTest) {
            return std::string();
        }
        if (item.bOutputToInput) {
            return bMarker ? std::string(OUTPUT_TO_INPUT_MARKER) : item.InputFolder();
        }
        if (main.bMainFolder && (bFolderItem || bAppendAnyType)) {
            strResult = item.strOutputFolder + SeparatorFor(item.strOutputFolder) + item.strFolderName;
        } else {
            strResult = item.strOutputFolder;
        }
    }
    return style == EStyle::Column ? NormalizePath(strResult) : strResult;
}

std::string COutputFolders::ResolveOutputFolder(int nRow) const {
    const CListItem* pItem = ItemFor(nRow);
    return pItem == nullptr ? std::string() : Compute(*pItem, EStyle::Resolve);
}

std::string COutputFolders::GetShownOutputFolder(int nRow) const {
    const CListItem* pItem = ItemFor(nRow);
    return pItem == nullptr ? std::string() : Compute(*pItem, EStyle::Shown);
}

void COutputFolders::RefreshOutputColumn(int nRow) {
    const CListItem* pItem = m_list.ItemAtRow(nRow);
    if (pItem == nullptr) {
        return;
    }
    std::string strText = pItem->strStatus.empty() ? Compute(*pItem, EStyle::Column) : std::string();
    m_list.SetRowText(nRow, CJobList::COLUMN_OUTPUT, strText);
}

void COutputFolders::RefreshAllOutputColumns() {
    for (int nRow = 0; nRow < m_list.RowCount(); ++nRow) {
        RefreshOutputColumn(nRow);
    }
}

void COutputFolders::RefreshAfterKeepFolderChange() {
    for (int nRow = 0; nRow < m_list.RowCount(); ++nRow) {
        const CListItem* pItem = m_list.ItemAtRow(nRow);
        if (pItem != nullptr && pItem->strStatus.empty() && pItem->strType == "folder" &&
            m_list.PresetOf(*pItem) == nullptr && !m_list.GetItemOption(CJobList::OPTION_TEST, nRow)) {
            RefreshOutputColumn(nRow);
        }
    }
}

bool COutputFolders::IsPresetUsable(int nIndex) const {
    CListItem probe;
    probe.nPreset = nIndex;
    const CPresets* pPreset = m_list.PresetOf(probe);
    if (pPreset == nullptr) {
        return false;
    }
    return pPreset->bTest || pPreset->bOutputToInput || IsFolderAvailable(pPreset->strOutputPath);
}

void COutputFolders::AssignInitialOutput(CListItem& item) const {
    std::string strCandidate;
    if (const CPresets* pPreset = m_list.PresetOf(item)) {
        strCandidate = pPreset->bOutputToInput ? item.InputFolder() : pPreset->strOutputPath;
    } else if (m_settings.bOutputToInput == 0 && !m_settings.arrHistory.empty()) {
        strCandidate = m_settings.arrHistory.front();
        item.bOutputToInput = 0;
    } else {
        strCandidate = item.InputFolder();
    }
    item.strOutputFolder = NormalizePath(strCandidate);
}

int COutputFolders::AddItem(CListItem item, const std::string& strName) {
    AssignInitialOutput(item);
    int nRow = m_list.AddItem(std::move(item), strName);
    RefreshOutputColumn(nRow);
    return nRow;
}

// The rows' own output choice: the input folder, or strFolder (normalized). A row that
// used a preset leaves it, since the preset's folder would hide the choice.
void COutputFolders::SetRowsOutput(const std::vector<int>& arrRows, bool bToInput,
                                   const std::string& strFolder) {
    for (int nRow : arrRows) {
        CListItem* pItem = m_list.ItemAtRow(nRow);
        if (pItem == nullptr) {
            continue;
        }
        if (pItem->nPreset != -1) {
            RemovePreset(nRow);
        }
        if (!bToInput) {
            pItem->strOutputFolder = NormalizePath(strFolder);
        }
        pItem->bOutputToInput = bToInput ? 1 : 0;
        RefreshOutputColumn(nRow);
    }
}

void COutputFolders::ChooseBrowsedFolder(const std::vector<int>& arrRows, const std::string& strPath) {
    if (strPath.empty()) {
        return;
    }
    SetRowsOutput(arrRows, false, strPath);
    m_settings.bOutputToInput = 0;
    auto& arrHistory = m_settings.arrHistory;
    if (arrHistory.size() > 9) {
        arrHistory.pop_back();
    }
    arrHistory.insert(arrHistory.begin(), strPath);
    for (size_t i = 1; i < arrHistory.size();) {
        if (arrHistory[i] == strPath) {
            arrHistory.erase(arrHistory.begin() + static_cast<std::ptrdiff_t>(i));
        } else {
            ++i;
        }
    }
}

void COutputFolders::ChooseHistoryEntry(const std::vector<int>& arrRows, int nIndex) {
    auto& arrHistory = m_settings.arrHistory;
    if (nIndex < 0 || nIndex >= static_cast<int>(arrHistory.size())) {
        return;
    }
    m_settings.bOutputToInput = 0;
    std::string strEntry = arrHistory[static_cast<size_t>(nIndex)];
    arrHistory.erase(arrHistory.begin() + nIndex);
    arrHistory.insert(arrHistory.begin(), strEntry);
    SetRowsOutput(arrRows, false, strEntry);
}

void COutputFolders::ChooseInputFolder(const std::vector<int>& arrRows) {
    SetRowsOutput(arrRows, true, std::string());
    m_settings.bOutputToInput = 1;
}

void COutputFolders::ClearOutputHistory() {
    m_settings.arrHistory.clear();
}

void COutputFolders::ApplyPreset(int nRow, int nPreset) {
    CListItem* pItem = m_list.ItemAtRow(nRow);
    if (pItem == nullptr || nPreset < 0 || nPreset >= m_list.PresetCount()) {
        return;
    }
    pItem->nPreset = nPreset;
    m_list.SetRowImage(nRow, IMAGE_PRESET_FIRST + nPreset);
    RefreshOutputColumn(nRow);
}

void COutputFolders::RemovePreset(int nRow) {
    CListItem* pItem = m_list.ItemAtRow(nRow);
    if (pItem == nullptr) {
        return;
    }
    pItem->nPreset = -1;
    RefreshOutputColumn(nRow);
    int nImage = pItem->strType == "folder" ? IMAGE_FOLDER : pItem->strType == "rar" ? IMAGE_RAR : IMAGE_ZIP;
    m_list.SetRowImage(nRow, nImage);
}
