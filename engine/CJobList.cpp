#include "engine/CJobList.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "engine/CItemStates.h"

using namespace ItemStates;

CJobList::CJobList(QObject* pParent) : QAbstractItemModel(pParent) {}

CJobList::~CJobList() = default;

const CPresets* CJobList::PresetOf(const CListItem& item) const {
    if (m_pPresets == nullptr || item.nPreset < 0 || item.nPreset >= static_cast<int>(m_pPresets->size())) {
        return nullptr;
    }
    return &(*m_pPresets)[static_cast<size_t>(item.nPreset)];
}

int CJobList::PresetCount() const {
    return m_pPresets == nullptr ? 0 : static_cast<int>(m_pPresets->size());
}

void CJobList::ReportSearchFailure() const {
    if (m_pMessageBox != nullptr) {
        m_pMessageBox->ShowMessage("Binary search failed!!", CMessageBox::EIcon::Error);
    }
}

int CJobList::FindIndex(int nRow) const {
    const CListItem* pItem = IsValidRow(nRow) ? ItemById(m_arrRows[static_cast<size_t>(nRow)].nId) : nullptr;
    if (pItem == nullptr) {
        ReportSearchFailure();
        return -1;
    }
    return static_cast<int>(pItem - m_arrItems.data());
}

int CJobList::FindRowById(int nId) const {
    for (size_t nRow = 0; nRow < m_arrRows.size(); ++nRow) {
        if (m_arrRows[nRow].nId == nId) {
            return static_cast<int>(nRow);
        }
    }
    return -1;
}

const CListItem* CJobList::ItemById(int nId) const {
    auto it = std::lower_bound(m_arrItems.begin(), m_arrItems.end(), nId,
                               [](const CListItem& item, int nKey) { return item.nId < nKey; });
    return it != m_arrItems.end() && it->nId == nId ? &*it : nullptr;
}

CListItem* CJobList::ItemById(int nId) {
    return const_cast<CListItem*>(std::as_const(*this).ItemById(nId));
}

CListItem& CJobList::Item(int nIndex) {
    return m_arrItems.at(static_cast<size_t>(nIndex));
}

const CListItem& CJobList::Item(int nIndex) const {
    return m_arrItems.at(static_cast<size_t>(nIndex));
}

CListItem* CJobList::ItemAtRow(int nRow) {
    int nIndex = FindIndex(nRow);
    return nIndex < 0 ? nullptr : &m_arrItems[static_cast<size_t>(nIndex)];
}

const CListItem* CJobList::ItemAtRow(int nRow) const {
    int nIndex = FindIndex(nRow);
    return nIndex < 0 ? nullptr : &m_arrItems[static_cast<size_t>(nIndex)];
}

int32_t CJobList::RowId(int nRow) const {
    return m_arrRows.at(static_cast<size_t>(nRow)).nId;
}

std::string CJobList::RowText(int nRow, int nColumn) const {
    if (!IsValidRow(nRow) || nColumn < 0 || nColumn >= COLUMN_COUNT) {
        return std::string();
    }
    return m_arrRows[static_cast<size_t>(nRow)].arrText[nColumn];
}

void CJobList::SetRowText(int nRow, int nColumn, const std::string& strText) {
    if (!IsValidRow(nRow) || nColumn < 0 || nColumn >= COLUMN_COUNT) {
        return;
    }
    m_arrRows[static_cast<size_t>(nRow)].arrText[nColumn] = strText;
    QModelIndex cell = index(nRow, nColumn);
    emit dataChanged(cell, cell);
}

int CJobList::RowImage(int nRow) const {
    return IsValidRow(nRow) ? m_arrRows[static_cast<size_t>(nRow)].nImage : -1;
}

void CJobList::SetRowImage(int nRow, int nImage) {
    if (!IsValidRow(nRow)) {
        return;
    }
    m_arrRows[static_cast<size_t>(nRow)].nImage = nImage;
    QModelIndex cell = index(nRow, COLUMN_NAME);
    emit dataChanged(cell, cell, {ImageRole});
}

void CJobList::EmitRowChanged(int nRow) {
    emit dataChanged(index(nRow, 0), index(nRow, COLUMN_COUNT - 1));
}

int CJobList::IdleImage(const CListItem& item) const {
    if (PresetOf(item) != nullptr) {
        return IMAGE_PRESET_FIRST + item.nPreset;
    }
    if (item.strType == "rar") {
        return IMAGE_RAR;
    }
    if (item.strType == "zip") {
        return IMAGE_ZIP;
    }
    return item.strFolderName == MONKEY ? IMAGE_MONKEY : IMAGE_FOLDER;
}

int CJobList::GetPreset(int nRow) const {
    const CListItem* pItem = ItemAtRow(nRow);
    return pItem == nullptr ? -1 : pItem->nPreset;
}

void CJobList::SetPreset(int nRow, int nPreset) {
    if (CListItem* pItem = ItemAtRow(nRow)) {
        pItem->nPreset = nPreset;
    }
}

bool CJobList::GetItemOption(int nOption, int nRow) const {
    const CListItem* pItem = nullptr;
    if (nRow == -1) {
        if (m_nCurrentIndex < 0 || m_nCurrentIndex >= ItemCount()) {
            return false;
        }
        pItem = &m_arrItems[static_cast<size_t>(m_nCurrentIndex)];
    } else {
        pItem = ItemAtRow(nRow);
    }
    if (pItem == nullptr) {
        return false;
    }
    if (const CPresets* pPreset = PresetOf(*pItem)) {
        switch (nOption) {
            case OPTION_TEST:
                return pPreset->bTest != 0;
            case OPTION_KEEP_FOLDER:
                return pPreset->bMainFolder != 0;
            case OPTION_KEEP_SAMPLE:
                return pPreset->bSample != 0;
            case OPTION_KEEP_COVERS:
                return pPreset->bCovers != 0;
            case OPTION_KEEP_NFO:
                return pPreset->bNfo != 0;
            case OPTION_KEEP_SUBS:
                return pPreset->bSubs != 0;
            case OPTION_KEEP_SUBS_FOLDER:
                return pPreset->bSubsFolder != 0;
            case OPTION_CLEAN_UP:
                return pPreset->bCleanUp != 0;
            case OPTION_OUTPUT_TO_INPUT:
                return pPreset->bOutputToInput != 0;
            default:
                return false;
        }
    }
    switch (nOption) {
        case OPTION_TEST:
            return m_mainOptions.bTest != 0;
        case OPTION_KEEP_FOLDER:
            return m_mainOptions.bMainFolder != 0;
        case OPTION_KEEP_SAMPLE:
            return m_mainOptions.bSample != 0;
        case OPTION_KEEP_COVERS:
            return m_mainOptions.bCovers != 0;
        case OPTION_KEEP_NFO:
            return m_mainOptions.bNfo != 0;
        case OPTION_KEEP_SUBS:
            return m_mainOptions.bSubs != 0;
        case OPTION_KEEP_SUBS_FOLDER:
            return m_mainOptions.bSubsFolder != 0;
        case OPTION_CLEAN_UP:
            return m_mainOptions.bCleanUp != 0;
        case OPTION_OUTPUT_TO_INPUT:
            return pItem->bOutputToInput != 0;
        default:
            return false;
    }
}

bool CJobList::IsInList(const std::string& strPath) const {
    return std::any_of(m_arrItems.begin(), m_arrItems.end(),
                       [&](const CListItem& item) { return item.strPath == strPath; });
}

int CJobList::AddItem(CListItem item, const std::string& strName) {
    item.nId = m_nNextId;
    CRow row;
    row.nId = item.nId;
    if (strName.empty()) {
        size_t nSlash = item.strPath.rfind('/');
        row.arrText[COLUMN_NAME] =
            nSlash == std::string::npos ? item.strPath : item.strPath.substr(nSlash + 1);
    } else {
        row.arrText[COLUMN_NAME] = strName;
    }
    row.nImage = IdleImage(item);
    const int nRow = RowCount();
    beginInsertRows(QModelIndex(), nRow, nRow);
    // Ids only grow, so appending keeps the records in ascending nId order.
    m_arrItems.push_back(std::move(item));
    m_arrRows.push_back(std::move(row));
    endInsertRows();
    ++m_nNextId;
    return nRow;
}

void CJobList::RemoveRowAt(int nRow, int nIndex) {
    beginRemoveRows(QModelIndex(), nRow, nRow);
    m_arrRows.erase(m_arrRows.begin() + nRow);
    if (nIndex >= 0) {
        m_arrItems.erase(m_arrItems.begin() + nIndex);
    }
    endRemoveRows();
}

bool CJobList::RemoveRow(int nRow) {
    if (!IsValidRow(nRow) || (IsProcessing() && nRow <= m_nCurrentRow)) {
        return false;
    }
    int nIndex = FindIndex(nRow);
    RemoveRowAt(nRow, nIndex);
    if (IsProcessing() && nIndex >= 0 && nIndex < m_nCurrentIndex) {
        --m_nCurrentIndex;  // the current record moved down one place
    }
    return true;
}

bool CJobList::RemoveRows(const std::vector<int>& arrRows) {
    bool bAll = std::all_of(arrRows.begin(), arrRows.end(), [this](int nRow) { return IsValidRow(nRow); });
    // From the bottom, so that the rows still to go keep their numbers.
    const std::vector<int> arrSorted = ValidSortedRows(arrRows);
    for (auto it = arrSorted.rbegin(); it != arrSorted.rend(); ++it) {
        bAll = RemoveRow(*it) && bAll;
    }
    emit TraySummaryRefreshRequested();
    return bAll;
}

void CJobList::ResetRow(int nRow) {
    if (!IsValidRow(nRow)) {
        return;
    }
    m_arrRows[static_cast<size_t>(nRow)].arrText[COLUMN_RESULT].clear();
    if (CListItem* pItem = ItemAtRow(nRow)) {
        pItem->arrErrors.clear();
        pItem->arrCleanUp.clear();
        pItem->arrNewFiles.clear();
        pItem->strStatus.clear();
        pItem->strResult.clear();
        pItem->strTime.clear();
        pItem->strRunOutputFolder.clear();
        pItem->bRunWasTest = 0;
        pItem->bHasRun = 0;
        m_arrRows[static_cast<size_t>(nRow)].nImage = IdleImage(*pItem);
    }
    EmitRowChanged(nRow);
}

bool CJobList::ResetList() {
    if (IsProcessing()) {
        return false;
    }
    for (int nRow = 0; nRow < RowCount(); ++nRow) {
        ResetRow(nRow);
    }
    emit LogAndStatusClearRequested();
    emit TraySummaryRefreshRequested();
    return true;
}

bool CJobList::ResetSelected(const std::vector<int>& arrRows) {
    if (IsProcessing()) {
        return false;
    }
    for (int nRow : arrRows) {
        ResetRow(nRow);
    }
    emit TraySummaryRefreshRequested();
    return true;
}

bool CJobList::ClearList() {
    if (IsProcessing()) {
        return false;
    }
    beginResetModel();
    m_nNextId = 0;
    m_arrItems.clear();
    m_arrRows.clear();
    endResetModel();
    emit LogAndStatusClearRequested();
    emit TraySummaryRefreshRequested();
    return true;
}

bool CJobList::RemoveSuccessful() {
    if (IsProcessing()) {
        return false;
    }
    for (int nRow = 0; nRow < RowCount();) {
        int nIndex = FindIndex(nRow);
        if (nIndex >= 0 && m_arrItems[static_cast<size_t>(nIndex)].strStatus == COMPLETED) {
            RemoveRowAt(nRow, nIndex);  // the next row moved up into nRow
        } else {
            ++nRow;
        }
    }
    emit TraySummaryRefreshRequested();
    return true;
}

bool CJobList::PruneForPresetHandOver() {
    if (IsProcessing()) {
        return false;
    }
    for (int nRow = 0; nRow < RowCount();) {
        int nIndex = FindIndex(nRow);
        const CListItem* pItem = nIndex >= 0 ? &m_arrItems[static_cast<size_t>(nIndex)] : nullptr;
        if (pItem != nullptr && (pItem->nPreset == -1 || pItem->strStatus == COMPLETED)) {
            RemoveRowAt(nRow, nIndex);
        } else {
            ++nRow;
        }
    }
    emit TraySummaryRefreshRequested();
    return true;
}

bool CJobList::SkipRow(int nRow) {
    if (!IsValidRow(nRow) || (IsProcessing() && nRow <= m_nCurrentRow)) {
        return false;
    }
    SetRowResult(nRow, SKIP, SKIP, IMAGE_SKIP);
    emit TraySummaryRefreshRequested();
    return true;
}

bool CJobList::SkipSelected(const std::vector<int>& arrRows) {
    if (IsProcessing()) {
        return false;
    }
    for (int nRow : arrRows) {
        if (IsValidRow(nRow)) {
            SetRowResult(nRow, SKIP, SKIP, IMAGE_SKIP);
        }
    }
    emit TraySummaryRefreshRequested();
    return true;
}

void CJobList::StoreElapsedText(CListItem& item, const std::string& strText) {
    if (item.strStatus == CLEANUP_LEFT) {
        item.strTime = strText;
    } else {
        item.strResult = strText;
    }
}

void CJobList::SetRowResult(int nRow, const std::string& strStatus, const std::string& strResult,
                            int nImage) {
    if (!IsValidRow(nRow)) {
        return;
    }
    if (CListItem* pItem = ItemAtRow(nRow)) {
        pItem->strStatus = strStatus;
        pItem->strResult = strResult;
    }
    m_arrRows[static_cast<size_t>(nRow)].arrText[COLUMN_RESULT] = strResult;
    m_arrRows[static_cast<size_t>(nRow)].nImage = nImage;
    EmitRowChanged(nRow);
}

std::vector<int> CJobList::ValidSortedRows(const std::vector<int>& arrRows) const {
    std::vector<int> arrSorted;
    for (int nRow : arrRows) {
        if (IsValidRow(nRow)) {
            arrSorted.push_back(nRow);
        }
    }
    std::sort(arrSorted.begin(), arrSorted.end());
    arrSorted.erase(std::unique(arrSorted.begin(), arrSorted.end()), arrSorted.end());
    return arrSorted;
}

void CJobList::MoveOneRow(int nFrom, int nTo) {
    if (nFrom == nTo || !IsValidRow(nFrom) || !IsValidRow(nTo)) {
        return;
    }
    // beginMoveRows counts the destination before the row is taken out.
    const int nDestination = nTo > nFrom ? nTo + 1 : nTo;
    if (!beginMoveRows(QModelIndex(), nFrom, nFrom, QModelIndex(), nDestination)) {
        return;
    }
    auto itFrom = m_arrRows.begin() + nFrom;
    auto itTo = m_arrRows.begin() + nTo;
    if (nTo > nFrom) {
        std::rotate(itFrom, itFrom + 1, itTo + 1);
    } else {
        std::rotate(itTo, itFrom, itFrom + 1);
    }
    endMoveRows();
}

std::vector<int> CJobList::MoveRows(const std::vector<int>& arrRows, int nTargetRow) {
    std::vector<int> arrMoved;
    if (IsProcessing()) {
        return arrMoved;
    }
    const std::vector<int> arrSorted = ValidSortedRows(arrRows);
    if (arrSorted.empty()) {
        return arrMoved;
    }
    std::vector<bool> arrSelected(m_arrRows.size(), false);
    std::vector<int32_t> arrIds;
    for (int nRow : arrSorted) {
        arrSelected[static_cast<size_t>(nRow)] = true;
        arrIds.push_back(m_arrRows[static_cast<size_t>(nRow)].nId);
    }
    // The rows land just above the first row that stays, at or below the
    // target: that row's index once the moved rows are out. None: the end.
    int nAnchor = -1;
    if (nTargetRow >= 0) {
        for (int nRow = nTargetRow; nRow < RowCount(); ++nRow) {
            if (!arrSelected[static_cast<size_t>(nRow)]) {
                nAnchor = nRow;
                break;
            }
        }
    }
    const int nCount = static_cast<int>(arrIds.size());
    if (nAnchor < 0) {
        // Last first, each to the end of the rows still unplaced.
        int nTo = RowCount() - 1;
        for (int i = nCount - 1; i >= 0; --i) {
            MoveOneRow(FindRowById(arrIds[static_cast<size_t>(i)]), nTo--);
        }
        for (int i = 0; i < nCount; ++i) {
            arrMoved.push_back(RowCount() - nCount + i);
        }
        return arrMoved;
    }
    const int32_t nAnchorId = m_arrRows[static_cast<size_t>(nAnchor)].nId;
    // Rows above the anchor go down, last first, each just above the one
    // placed before it; rows below go up, in order, just above the anchor.
    int nFirstBelow = 0;
    while (nFirstBelow < nCount && arrSorted[static_cast<size_t>(nFirstBelow)] < nAnchor) {
        ++nFirstBelow;
    }
    int32_t nHeadId = nAnchorId;
    for (int i = nFirstBelow - 1; i >= 0; --i) {
        const int32_t nId = arrIds[static_cast<size_t>(i)];
        MoveOneRow(FindRowById(nId), FindRowById(nHeadId) - 1);
        nHeadId = nId;
    }
    for (int i = nFirstBelow; i < nCount; ++i) {
        MoveOneRow(FindRowById(arrIds[static_cast<size_t>(i)]), FindRowById(nAnchorId));
    }
    const int nEnd = FindRowById(nAnchorId);
    for (int i = 0; i < nCount; ++i) {
        arrMoved.push_back(nEnd - nCount + i);
    }
    return arrMoved;
}

std::vector<int> CJobList::MoveSelection(const std::vector<int>& arrRows, EMoveStep step) {
    if (IsProcessing()) {
        return {};
    }
    const std::vector<int> arrSorted = ValidSortedRows(arrRows);
    if (arrSorted.empty()) {
        return {};
    }
    if (step == EMoveStep::Top) {
        return MoveRows(arrSorted, 0);
    }
    if (step == EMoveStep::Bottom) {
        return MoveRows(arrSorted, -1);
    }
    std::vector<bool> arrSelected(m_arrRows.size(), false);
    for (int nRow : arrSorted) {
        arrSelected[static_cast<size_t>(nRow)] = true;
    }
    // Each selected row changes place with an unselected neighbour; a block
    // pressed against the end stays where it is.
    if (step == EMoveStep::Up) {
        for (int nRow : arrSorted) {
            if (nRow > 0 && !arrSelected[static_cast<size_t>(nRow - 1)]) {
                MoveOneRow(nRow, nRow - 1);
                arrSelected[static_cast<size_t>(nRow - 1)] = true;
                arrSelected[static_cast<size_t>(nRow)] = false;
            }
        }
    } else {
        for (auto it = arrSorted.rbegin(); it != arrSorted.rend(); ++it) {
            const int nRow = *it;
            if (nRow + 1 < RowCount() && !arrSelected[static_cast<size_t>(nRow + 1)]) {
                MoveOneRow(nRow, nRow + 1);
                arrSelected[static_cast<size_t>(nRow + 1)] = true;
                arrSelected[static_cast<size_t>(nRow)] = false;
            }
        }
    }
    std::vector<int> arrMoved;
    for (int nRow = 0; nRow < RowCount(); ++nRow) {
        if (arrSelected[static_cast<size_t>(nRow)]) {
            arrMoved.push_back(nRow);
        }
    }
    return arrMoved;
}

CJobList::EReport CJobList::ReportForRow(int nRow) const {
    if (!IsValidRow(nRow)) {
        return EReport::None;
    }
    const CListItem* pItem = ItemAtRow(nRow);
    if (pItem == nullptr) {
        return EReport::None;
    }
    if (pItem->strStatus == FAILED && !pItem->arrErrors.empty()) {
        return EReport::Errors;
    }
    if (pItem->strStatus == CLEANUP_LEFT && !pItem->arrCleanUp.empty()) {
        return EReport::CleanUp;
    }
    return EReport::None;
}

QModelIndex CJobList::index(int row, int column, const QModelIndex& parent) const {
    if (parent.isValid() || !IsValidRow(row) || column < 0 || column >= COLUMN_COUNT) {
        return QModelIndex();
    }
    return createIndex(row, column);
}

QModelIndex CJobList::parent(const QModelIndex&) const {
    return QModelIndex();
}

int CJobList::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : RowCount();
}

int CJobList::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : COLUMN_COUNT;
}

QVariant CJobList::data(const QModelIndex& cell, int role) const {
    if (!cell.isValid() || !IsValidRow(cell.row())) {
        return QVariant();
    }
    const CRow& row = m_arrRows[static_cast<size_t>(cell.row())];
    const std::string& strText = row.arrText[cell.column()];
    switch (role) {
        case Qt::DisplayRole:
            return QString::fromUtf8(strText.data(), static_cast<qsizetype>(strText.size()));
        case ItemIdRole:
            return row.nId;
        case ImageRole:
            return cell.column() == COLUMN_NAME ? QVariant(row.nImage) : QVariant();
        case BackgroundColourRole:
            return static_cast<uint>(COLOUR_BACKGROUND);
        case TextColourRole: {
            if (cell.column() == COLUMN_NAME) {
                return static_cast<uint>(strText == MONKEY ? COLOUR_MONKEY : COLOUR_BLACK);
            }
            if (cell.column() == COLUMN_OUTPUT) {
                return static_cast<uint>(strText == OUTPUT_TO_INPUT_MARKER ? COLOUR_MARKER : COLOUR_BLACK);
            }
            // A lookup that cannot fail silently: the row's id is always in
            // the array unless the list is corrupt.
            auto it = std::lower_bound(m_arrItems.begin(), m_arrItems.end(), row.nId,
                                       [](const CListItem& item, int32_t nId) { return item.nId < nId; });
            if (it == m_arrItems.end() || it->nId != row.nId) {
                return static_cast<uint>(COLOUR_BLACK);
            }
            return static_cast<uint>(StatusColour(it->strStatus));
        }
        default:
            return QVariant();
    }
}

QVariant CJobList::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QVariant();
    }
    switch (section) {
        case COLUMN_NAME:
            return QStringLiteral("Item to process");
        case COLUMN_RESULT:
            return QStringLiteral("Result");
        case COLUMN_OUTPUT:
            return QStringLiteral("Output folder");
        default:
            return QVariant();
    }
}
