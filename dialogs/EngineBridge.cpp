#include "dialogs/EngineBridge.h"

#include <sys/stat.h>

#include <algorithm>

#include "engine/CItemStates.h"
#include "engine/CleanUp.h"

namespace bridge {
namespace {

// Gives rows without a result the image that goes with their (new) preset.
void RefreshIdleImages(CJobList& list) {
    for (int nRow = 0; nRow < list.RowCount(); ++nRow) {
        const CListItem* pItem = list.ItemAtRow(nRow);
        if (pItem != nullptr && pItem->strStatus.empty())
            list.SetRowImage(nRow, list.IdleImage(*pItem));
    }
}

// strPath lies strictly below strFolder ("/a/b" is below "/a", "/ab" is not).
bool IsBelow(const std::string& strPath, std::string strFolder) {
    if (strFolder.empty())
        return false;
    if (strFolder.back() != '/')
        strFolder += '/';
    return strPath.size() > strFolder.size() && strPath.compare(0, strFolder.size(), strFolder) == 0;
}

// No component between strFolder and strPath's own name is a symbolic link.
bool ReachedWithoutLink(const std::string& strPath, const std::string& strFolder) {
    std::size_t nPos = strFolder.size();
    while ((nPos = strPath.find('/', nPos + 1)) != std::string::npos) {
        struct stat st {};
        if (lstat(strPath.substr(0, nPos).c_str(), &st) != 0)
            return true;  // gone: nothing can be reached through it
        if (S_ISLNK(st.st_mode))
            return false;
    }
    return true;
}

}  // namespace

int PresetNameLength(const std::string& strUtf8) {
    int nCount = 0;
    for (unsigned char c : strUtf8) {
        if ((c & 0xC0) != 0x80)
            ++nCount;
    }
    return nCount;
}

bool MovePreset(std::vector<CPresets>& arrPresets, CJobList& list, int nFrom, int nTo) {
    const int nCount = static_cast<int>(arrPresets.size());
    if (nFrom < 0 || nTo < 0 || nFrom >= nCount || nTo >= nCount || list.IsProcessing())
        return false;
    if (nFrom == nTo)
        return true;
    const CPresets moved = arrPresets[nFrom];
    arrPresets.erase(arrPresets.begin() + nFrom);
    arrPresets.insert(arrPresets.begin() + nTo, moved);
    for (int i = 0; i < list.ItemCount(); ++i) {
        int& nPreset = list.Item(i).nPreset;
        if (nPreset == nFrom)
            nPreset = nTo;
        else if (nFrom < nTo && nPreset > nFrom && nPreset <= nTo)
            --nPreset;
        else if (nTo < nFrom && nPreset >= nTo && nPreset < nFrom)
            ++nPreset;
    }
    RefreshIdleImages(list);
    return true;
}

bool DeletePreset(std::vector<CPresets>& arrPresets, CJobList& list, int nIndex) {
    if (nIndex < 0 || nIndex >= static_cast<int>(arrPresets.size()) || list.IsProcessing())
        return false;
    arrPresets.erase(arrPresets.begin() + nIndex);
    for (int i = 0; i < list.ItemCount(); ++i) {
        int& nPreset = list.Item(i).nPreset;
        if (nPreset == nIndex)
            nPreset = -1;
        else if (nPreset > nIndex)
            --nPreset;
    }
    RefreshIdleImages(list);
    return true;
}

int FindRowById(const CJobList& list, int nId) {
    for (int nRow = 0; nRow < list.RowCount(); ++nRow) {
        if (list.RowId(nRow) == nId)
            return nRow;
    }
    return -1;
}

CListItem* ItemById(CJobList& list, int nId) {
    const std::vector<CListItem>& arrItems = list.Items();
    const auto it = std::lower_bound(arrItems.begin(), arrItems.end(), nId,
                                     [](const CListItem& item, int nKey) { return item.nId < nKey; });
    if (it == arrItems.end() || it->nId != nId)
        return nullptr;
    return &list.Item(static_cast<int>(it - arrItems.begin()));
}

EDeleteRemaining DeleteRemainingForItem(CJobList& list, int nId, bool bProcessing) {
    CListItem* pItem = ItemById(list, nId);
    const int nRow = FindRowById(list, nId);
    if (pItem == nullptr || nRow < 0)
        return EDeleteRemaining::NoSuchItem;
    if (bProcessing && list.CurrentIndex() >= 0 && list.CurrentIndex() < list.ItemCount() &&
        list.Item(list.CurrentIndex()).nId == nId)
        return EDeleteRemaining::ItemBusy;
    if (pItem->strStatus != ItemStates::CLEANUP_LEFT || pItem->arrCleanUp.empty())
        return EDeleteRemaining::NothingToDelete;

    const std::string strInput = pItem->InputFolder();
    const std::string strOutput = pItem->bOutputToInput ? std::string() : pItem->strOutputFolder;
    std::vector<CleanUpInfo> arrEligible;
    std::vector<CleanUpInfo> arrKept;
    for (const CleanUpInfo& info : pItem->arrCleanUp) {
        // An entry without a path names nothing on disk; it goes as the entry of a gone path does.
        const bool bSafe = info.strPath.empty() ||
                           (IsBelow(info.strPath, strInput) && info.strPath != strOutput &&
                            !IsBelow(info.strPath, strOutput) && ReachedWithoutLink(info.strPath, strInput));
        (bSafe ? arrEligible : arrKept).push_back(info);
    }
    const std::size_t nBefore = arrEligible.size();
    DeleteRemaining(arrEligible);
    const bool bAnyGone = arrEligible.size() < nBefore;
    arrKept.insert(arrKept.end(), arrEligible.begin(), arrEligible.end());
    pItem->arrCleanUp = arrKept;
    if (pItem->arrCleanUp.empty()) {
        const std::string strTime = pItem->strTime;
        list.SetRowResult(nRow, ItemStates::COMPLETED, strTime, ItemStates::IMAGE_COMPLETED);
        return EDeleteRemaining::Deleted;
    }
    return bAnyGone ? EDeleteRemaining::PartlyDeleted : EDeleteRemaining::NothingToDelete;
}

bool RunWasTest(const CJobList& list, const CListItem& item) {
    if (const CPresets* pPreset = list.PresetOf(item))
        return pPreset->bTest != 0;
    return list.MainOptions().bTest != 0;
}

}  // namespace bridge
