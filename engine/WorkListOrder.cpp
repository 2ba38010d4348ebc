// SelectFirstVolumes, SortWorkList and FinishDiscovery (declared in CDiscovery.h).
#include "engine/CDiscovery.h"
#include "engine/FolderMarkers.h"
#include "engine/PathHelpers.h"
#include "engine/RarNaming.h"

#include <unordered_map>

void SelectFirstVolumes(CWorkLists& lists, const std::string& strInputFolder) {
    const std::vector<RarFiles>& arrRar = lists.arrRarFiles;
    // Volumes are compared only with others of the same folder.
    std::unordered_map<std::string, std::vector<size_t>> byFolder;
    for (size_t i = 0; i < arrRar.size(); ++i) {
        byFolder[arrRar[i].strFolder].push_back(i);
    }
    std::unordered_map<std::string, uint32_t> sizes;
    for (const CFileInformation& info : lists.arrAllFiles) {
        sizes.emplace(info.strPath, info.nSize);
    }
    for (size_t i = 0; i < arrRar.size(); ++i) {
        const RarFiles& entry = arrRar[i];
        const std::string& strName = entry.strName;
        bool bPartStyle = IsNewStyleVolumeName(strName);
        bool bFirst = false;
        if (bPartStyle && IsFirstNewStyleVolume(strName)) {
            bFirst = true;
        } else if (!bPartStyle && GetExtension(strName) == "rar") {
            bFirst = true;
        } else {
            bFirst = true;
            for (size_t j : byFolder[entry.strFolder]) {
                if (j != i && arrRar[j].strName != strName && !IsBeforeInSet(strName, arrRar[j].strName, bPartStyle)) {
                    bFirst = false;
                    break;
                }
            }
        }
        if (!bFirst) {
            continue;
        }
        CFileInformation info;
        info.strPath = entry.strFolder + strName;
        info.strFolder = entry.strFolder;
        auto it = sizes.find(info.strPath);
        info.nSize = it == sizes.end() ? 0 : it->second;
        if (SubsFolderPos(info.strPath, false, strInputFolder) >= 0) {
            info.bSubsPack = 1;
        } else {
            info.bRar = 1;
        }
        lists.arrWork.push_back(info);
    }
}

namespace {

// True when Q (the later element) must come before P.
bool MustSwap(const CFileInformation& p, const CFileInformation& q) {
    if (!p.bRar && q.bRar) {
        return true;
    }
    if (!p.bRar && !p.bZip && q.bZip) {
        return true;
    }
    if ((p.bZip && q.bZip) || (p.bRar && q.bRar)) {
        return p.strPath > q.strPath;
    }
    if ((p.bNfo || p.bSample || p.bCover) && q.bSubsPack) {
        return true;
    }
    if (p.bSample && (q.bNfo || q.bCover)) {
        return true;
    }
    return false;
}

}  // namespace

void SortWorkList(std::vector<CFileInformation>& arrWork) {
    const size_t n = arrWork.size();
    for (size_t nPass = 0; nPass + 1 < n; ++nPass) {
        bool bSwapped = false;
        for (size_t j = 1; j + nPass < n; ++j) {
            if (MustSwap(arrWork[j - 1], arrWork[j])) {
                std::swap(arrWork[j - 1], arrWork[j]);
                bSwapped = true;
            }
        }
        // A pass without a swap leaves every later pass without one too.
        if (!bSwapped) {
            break;
        }
    }
}

void FinishDiscovery(CWorkLists& lists, CListItem& item, const std::string& strInputFolder) {
    lists.TakeScanCleanUp(item);
    SelectFirstVolumes(lists, strInputFolder);
    SortWorkList(lists.arrWork);
}
