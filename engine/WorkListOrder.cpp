// SelectFirstVolumes, SortWorkList and FinishDiscovery (declared in CDiscovery.h).
#include <algorithm>
#include <unordered_map>

#include "engine/CDiscovery.h"
#include "engine/FolderMarkers.h"
#include "engine/PathHelpers.h"
#include "engine/RarNaming.h"

void SelectFirstVolumes(CWorkLists& lists, const std::string& strInputFolder) {
    // A volume that is not named as a first volume begins its set when no
    // other volume of the same folder comes before it (IsBeforeInSet). The
    // volumes that can come before one another share a group key, so each
    // group needs only its smallest member: one pass instead of comparing
    // every pair, which matters for folders with thousands of volumes.
    const std::vector<RarFiles>& arrRar = lists.arrRarFiles;
    struct CGroup {
        std::string strMin;  // smallest lower-cased name (new style) or tail (old style)
        int nAtMin = 0;      // how many members have it
        bool bHasRar = false;
    };
    auto note = [](CGroup& group, const std::string& strValue) {
        if (group.nAtMin == 0 || strValue < group.strMin) {
            group.strMin = strValue;
            group.nAtMin = 1;
        } else if (strValue == group.strMin) {
            ++group.nAtMin;
        }
    };
    struct CVolume {
        bool bPartStyle = false;
        std::string strLower;  // new style: the whole name; old style: the last three characters
        std::string strKey;
    };
    std::vector<CVolume> arrInfo(arrRar.size());
    // First pass: which volumes need their group at all (not named as a
    // first volume); most sets have none of the old style.
    bool bAnyOldCandidate = false;
    for (size_t i = 0; i < arrRar.size(); ++i) {
        const std::string& strName = arrRar[i].strName;
        arrInfo[i].bPartStyle = IsNewStyleVolumeName(strName);
        if (!arrInfo[i].bPartStyle && strName.size() >= 3 && GetExtension(strName) != "rar" &&
            LowerAscii(strName.substr(strName.size() - 3)) != "rar") {
            bAnyOldCandidate = true;
        }
    }
    std::unordered_map<std::string, CGroup> newGroups;
    std::unordered_map<std::string, CGroup> oldGroups;
    for (size_t i = 0; i < arrRar.size(); ++i) {
        const std::string& strName = arrRar[i].strName;
        CVolume& volume = arrInfo[i];
        if (strName.size() < 3) {
            continue;  // too short to be compared with anything
        }
        const std::string strTail = strName.substr(strName.size() - 3);
        if (volume.bPartStyle) {
            size_t nBase = 0;
            IsNewStyleVolumeName(strName, &nBase);
            volume.strLower = LowerAscii(strName);
            std::string strNewKey = arrRar[i].strFolder;
            strNewKey.append(1, '\0').append(strTail).append(1, '\0').append(volume.strLower, 0, nBase);
            note(newGroups[strNewKey], volume.strLower);
            if (!IsFirstNewStyleVolume(strName)) {
                volume.strKey = std::move(strNewKey);
            }
        }
        if (!bAnyOldCandidate) {
            continue;
        }
        // Every volume takes part in the old-style comparison of its prefix.
        std::string strOldKey = arrRar[i].strFolder;
        strOldKey.append(1, '\0').append(strName, 0, strName.size() - 3);
        const std::string strLowerTail = LowerAscii(strTail);
        CGroup& group = oldGroups[strOldKey];
        note(group, strLowerTail);
        group.bHasRar = group.bHasRar || strLowerTail == "rar";
        if (!volume.bPartStyle) {
            volume.strLower = strLowerTail;
            volume.strKey = std::move(strOldKey);
        }
    }
    const size_t nWorkBefore = lists.arrWork.size();
    for (size_t i = 0; i < arrRar.size(); ++i) {
        const RarFiles& entry = arrRar[i];
        const CVolume& volume = arrInfo[i];
        bool bFirst = true;
        if (volume.bPartStyle) {
            if (!volume.strKey.empty()) {
                const CGroup& group = newGroups[volume.strKey];
                bFirst = volume.strLower == group.strMin && group.nAtMin == 1;
            }
        } else if (GetExtension(entry.strName) != "rar" && !volume.strKey.empty() &&
                   volume.strLower != "rar") {
            const CGroup& group = oldGroups[volume.strKey];
            bFirst = !group.bHasRar && volume.strLower == group.strMin && group.nAtMin == 1;
        }
        if (!bFirst) {
            continue;
        }
        CFileInformation info;
        info.strPath = entry.strFolder + entry.strName;
        info.strFolder = entry.strFolder;
        if (SubsFolderPos(info.strPath, false, strInputFolder) >= 0) {
            info.bSubsPack = 1;
        } else {
            info.bRar = 1;
        }
        lists.arrWork.push_back(info);
    }
    // The sizes the scan saw, for the chosen volumes.
    std::unordered_map<std::string, size_t> chosen;
    for (size_t i = nWorkBefore; i < lists.arrWork.size(); ++i) {
        chosen.emplace(lists.arrWork[i].strPath, i);
    }
    for (const CFileInformation& info : lists.arrAllFiles) {
        if (info.bRar) {
            auto it = chosen.find(info.strPath);
            if (it != chosen.end()) {
                lists.arrWork[it->second].nSize = info.nSize;
            }
        }
    }
}

// The order that passes of neighbour swaps (MustSwap) settle in, built
// directly: RAR first volumes move in front of everything and ZIPs in front
// of everything else, each group by path; the remaining entries never cross
// a subtitle file (no rule swaps one), and between two subtitle files they
// settle as subtitle packs, then nfo and covers, then samples, each group in
// its former order. Bubbling this over a long list took seconds on the GUI
// thread; this takes one stable sort per group.
void SortWorkList(std::vector<CFileInformation>& arrWork) {
    std::vector<CFileInformation> arrRar;
    std::vector<CFileInformation> arrZip;
    std::vector<CFileInformation> arrRest;
    for (CFileInformation& info : arrWork) {
        if (info.bRar) {
            arrRar.push_back(std::move(info));
        } else if (info.bZip) {
            arrZip.push_back(std::move(info));
        } else {
            arrRest.push_back(std::move(info));
        }
    }
    auto byPath = [](const CFileInformation& a, const CFileInformation& b) { return a.strPath < b.strPath; };
    std::stable_sort(arrRar.begin(), arrRar.end(), byPath);
    std::stable_sort(arrZip.begin(), arrZip.end(), byPath);
    auto rank = [](const CFileInformation& info) {
        if (info.bSubsPack) {
            return 0;
        }
        if (info.bNfo || info.bCover) {
            return 1;
        }
        if (info.bSample) {
            return 2;
        }
        return -1;  // a subtitle file (or anything else): stays where it is
    };
    auto byRank = [&](const CFileInformation& a, const CFileInformation& b) { return rank(a) < rank(b); };
    for (size_t nStart = 0; nStart < arrRest.size();) {
        if (rank(arrRest[nStart]) < 0) {
            ++nStart;
            continue;
        }
        size_t nEnd = nStart;
        while (nEnd < arrRest.size() && rank(arrRest[nEnd]) >= 0) {
            ++nEnd;
        }
        std::stable_sort(arrRest.begin() + static_cast<std::ptrdiff_t>(nStart),
                         arrRest.begin() + static_cast<std::ptrdiff_t>(nEnd), byRank);
        nStart = nEnd;
    }
    arrWork.clear();
    for (auto* pGroup : {&arrRar, &arrZip, &arrRest}) {
        for (CFileInformation& info : *pGroup) {
            arrWork.push_back(std::move(info));
        }
    }
}

void FinishDiscovery(CWorkLists& lists, CListItem& item, const std::string& strInputFolder) {
    lists.TakeScanCleanUp(item);
    SelectFirstVolumes(lists, strInputFolder);
    SortWorkList(lists.arrWork);
}
