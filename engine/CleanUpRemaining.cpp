// "&Delete remaining" of the clean-up report: descriptor-relative, never through a link.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "engine/CItemStates.h"
#include "engine/CJobList.h"
#include "engine/CleanUp.h"
#include "engine/PathBelow.h"
#include "engine/PathHelpers.h"

namespace {

bool IsGone(const std::string& strPath) {
    struct stat st {};
    return lstat(strPath.c_str(), &st) != 0 && errno == ENOENT;
}

enum class EOutcome { Done, Kept };

// Removes strName from the folder fdParent without following it: a folder only when empty,
// anything else by its name (a link itself, never its target). A folder entry (bFolder) is
// only ever removed as an empty folder. A name that is gone is done.
EOutcome RemoveAt(int fdParent, const std::string& strName, bool bFolder) {
    struct stat st {};
    if (fstatat(fdParent, strName.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? EOutcome::Done : EOutcome::Kept;
    if (bFolder && !S_ISDIR(st.st_mode))
        return EOutcome::Kept;
    const int nFlags = S_ISDIR(st.st_mode) ? AT_REMOVEDIR : 0;
    if (unlinkat(fdParent, strName.c_str(), nFlags) == 0 || errno == ENOENT)
        return EOutcome::Done;
    return EOutcome::Kept;
}

struct CScope {
    std::string strInput;
    std::string strOutput;
    bool bOutputInside = false;  // the output folder lies strictly inside the input folder
    bool bFolderItem = false;
};

EOutcome RemoveEntry(const CleanUpInfo& entry, const CScope& scope) {
    const std::string& strEntry = entry.strPath;
    const std::string strPath = WithoutTrailingSlash(strEntry);
    if (scope.bOutputInside && (strPath == scope.strOutput || IsStrictlyInside(strPath, scope.strOutput)))
        return EOutcome::Kept;
    const bool bOwnFolder = strPath == scope.strInput;
    // The folder item's own folder: removed only when empty and not the output folder.
    if (bOwnFolder && (!scope.bFolderItem || scope.strOutput == scope.strInput || strPath == "/"))
        return EOutcome::Kept;
    // The input folder as the item named it; below it, every step is a real folder.
    std::string strName;
    CFd holder(OpenHolder(scope.strInput, strPath, strName));
    if (holder.Get() < 0) {
        if (errno == EINVAL)
            return IsGone(strEntry) ? EOutcome::Done : EOutcome::Kept;  // not ours; looking is harmless
        return errno == ENOENT ? EOutcome::Done : EOutcome::Kept;       // ELOOP, ENOTDIR: a link
    }
    if (bOwnFolder) {
        struct stat st {};
        if (fstatat(holder.Get(), strName.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            return errno == ENOENT ? EOutcome::Done : EOutcome::Kept;
        if (!S_ISDIR(st.st_mode))
            return EOutcome::Kept;
        return unlinkat(holder.Get(), strName.c_str(), AT_REMOVEDIR) == 0 ? EOutcome::Done : EOutcome::Kept;
    }
    return RemoveAt(holder.Get(), strName, entry.nKind == CleanUpInfo::KIND_FOLDER_LEFT);
}

}  // namespace

int DeleteRemaining(std::vector<CleanUpInfo>& arrCleanUp, const std::string& strInputFolder,
                    const std::string& strOutputFolder, bool bFolderItem) {
    CScope scope;
    scope.strInput = WithoutTrailingSlash(strInputFolder);
    scope.strOutput = WithoutTrailingSlash(strOutputFolder);
    scope.bOutputInside = !scope.strOutput.empty() && IsStrictlyInside(scope.strOutput, scope.strInput);
    scope.bFolderItem = bFolderItem;
    if (scope.strInput.empty() || scope.strInput[0] != '/')
        return static_cast<int>(arrCleanUp.size());
    // Files first, then folders deepest first: a folder can go only once it is empty.
    std::vector<std::size_t> arrOrder;
    for (std::size_t i = 0; i < arrCleanUp.size(); ++i)
        if (arrCleanUp[i].nKind != CleanUpInfo::KIND_FOLDER_LEFT)
            arrOrder.push_back(i);
    std::vector<std::size_t> arrFolders;
    for (std::size_t i = 0; i < arrCleanUp.size(); ++i)
        if (arrCleanUp[i].nKind == CleanUpInfo::KIND_FOLDER_LEFT)
            arrFolders.push_back(i);
    std::stable_sort(arrFolders.begin(), arrFolders.end(), [&](std::size_t a, std::size_t b) {
        return arrCleanUp[a].strPath.size() > arrCleanUp[b].strPath.size();
    });
    arrOrder.insert(arrOrder.end(), arrFolders.begin(), arrFolders.end());
    std::vector<bool> arrDone(arrCleanUp.size(), false);
    for (std::size_t i : arrOrder)
        arrDone[i] = RemoveEntry(arrCleanUp[i], scope) == EOutcome::Done;
    std::vector<CleanUpInfo> arrLeft;
    for (std::size_t i = 0; i < arrCleanUp.size(); ++i)
        if (!arrDone[i])
            arrLeft.push_back(arrCleanUp[i]);
    arrCleanUp = std::move(arrLeft);
    return static_cast<int>(arrCleanUp.size());
}

EDeleteRemaining DeleteRemainingForItem(CJobList& list, int nId, bool bProcessing) {
    using namespace ItemStates;
    const CListItem* pItem = list.ItemById(nId);
    if (pItem == nullptr || list.FindRowById(nId) < 0)
        return EDeleteRemaining::NoSuchItem;
    if (bProcessing) {
        const int nCurrent = list.CurrentRow();
        if (nCurrent < 0 || nCurrent >= list.RowCount() || list.RowId(nCurrent) == nId)
            return EDeleteRemaining::ItemBusy;
    }
    // Only what a successful extraction left behind: after a failure the archives are the
    // user's only copy, and without a run of this session the output folder is unknown.
    if (pItem->strStatus != CLEANUP_LEFT || !pItem->bHasRun || pItem->bRunWasTest)
        return EDeleteRemaining::NothingToDelete;
    std::vector<CleanUpInfo> arrEntries = pItem->arrCleanUp;
    const std::string strInput = pItem->InputFolder();
    const std::string strOutput = pItem->strRunOutputFolder;
    const bool bFolderItem = pItem->strType == "folder";
    pItem = nullptr;
    DeleteRemaining(arrEntries, strInput, strOutput, bFolderItem);

    CListItem* pDone = list.ItemById(nId);
    const int nRow = list.FindRowById(nId);
    if (pDone == nullptr || nRow < 0)
        return EDeleteRemaining::NoSuchItem;
    pDone->arrCleanUp = std::move(arrEntries);
    const bool bAllGone = pDone->arrCleanUp.empty();
    if (bAllGone) {
        const std::string strTime = pDone->strTime;
        list.SetRowResult(nRow, COMPLETED, strTime, IMAGE_COMPLETED);
    } else {
        list.SetRowResult(nRow, CLEANUP_LEFT, RESULT_CLEANUP_FAILED, IMAGE_CLEANUP_LEFT);
    }
    emit list.TraySummaryRefreshRequested();
    return bAllGone ? EDeleteRemaining::Deleted : EDeleteRemaining::PartlyDeleted;
}
