#include "engine/CItemAdder.h"

#include "engine/PathHelpers.h"
#include "engine/RarNaming.h"
#include "platform/CCustomCommandLineInfo.h"

std::string CItemAdder::Classify(const std::string& strPath) {
    if (IsFolderAvailable(strPath))
        return "folder";
    if (GetExtension(FileNameOf(strPath)) == "zip")
        return "zip";
    if (IsRarArchive(strPath))
        return "rar";
    return "";
}

CItemAdder::CResult CItemAdder::AddItems(const std::vector<CAddCandidate>& arrCandidates) {
    CResult result;
    result.nTotal = static_cast<int>(arrCandidates.size());
    for (const CAddCandidate& candidate : arrCandidates) {
        // Too long for the platform: refused whole (and said so), never shortened.
        if (candidate.strPath.size() > MAX_PATH_BYTES) {
            ++result.nUnacceptable;
            result.arrCandidates.push_back(ECandidate::TooLong);
            continue;
        }
        const std::string type = Classify(candidate.strPath);
        if (type.empty()) {
            ++result.nUnacceptable;
            result.arrCandidates.push_back(ECandidate::Unacceptable);
            continue;
        }
        // Only rows already in the list count; the same path twice in one call goes in twice.
        if (m_list.IsInList(candidate.strPath)) {
            ++result.nDuplicate;
            result.arrCandidates.push_back(ECandidate::Duplicate);
            continue;
        }
        result.arrCandidates.push_back(ECandidate::Accepted);
        m_arrPending.push_back({FileNameOf(candidate.strPath), candidate.strPath, type, candidate.nPreset});
    }

    if (result.nUnacceptable == result.nTotal) {
        result.strStatus = TEXT_UNACCEPTABLE;
        result.nBackground = 0xA00000;  // RGB(160,0,0)
        result.nShowMs = 2500;
    } else if (result.nDuplicate == result.nTotal) {
        result.strStatus = TEXT_ALREADY_LISTED;
        result.nBackground = 0x00007F;  // RGB(0,0,127)
        result.nShowMs = 2000;
    } else if (result.nUnacceptable + result.nDuplicate == result.nTotal) {
        result.strStatus = TEXT_NOTHING_NEW;
        result.nBackground = 0xAA0080;  // RGB(170,0,128)
        result.nShowMs = 3000;
    } else {
        result.nInserted = static_cast<int>(m_arrPending.size());
        InsertPendingItems();
    }
    m_arrPending.clear();
    return result;
}

CItemAdder::CResult CItemAdder::AddPaths(const std::vector<std::string>& arrPaths) {
    std::vector<CAddCandidate> candidates;
    candidates.reserve(arrPaths.size());
    for (const std::string& path : arrPaths)
        candidates.push_back({path, -1});
    return AddItems(candidates);
}

CItemAdder::CResult CItemAdder::AddCommandLineItems(std::vector<std::string>& arrCmdLine,
                                                    bool& bCmdLinePending, bool& bHadPreset) {
    std::vector<CAddCandidate> candidates;
    for (const CCommandLineItem& item :
         SelectCommandLineItems(arrCmdLine, m_list.PresetCount(), bHadPreset)) {
        candidates.push_back({item.strPath, item.nPreset});
    }
    CResult result = AddItems(candidates);
    arrCmdLine.clear();
    bCmdLinePending = false;
    return result;
}

CItemAdder::CResult CItemAdder::AddChosenFolder(const std::string& strFolder) {
    if (strFolder.empty())
        return {};
    m_strLastAddFolder = strFolder;
    return AddPaths({strFolder});
}

void CItemAdder::InsertPendingItems() {
    for (const DropItemInfo& entry : m_arrPending) {
        CListItem item;
        item.strPath = entry.strPath;
        item.strParentFolder = ParentFolderOf(entry.strPath);
        item.nPreset = entry.nPreset;
        item.strFolderName = entry.strType == "folder" ? entry.strName : std::string();
        item.strType = entry.strType;
        // Initial output, id, row with the name and its image, output column.
        m_output.AddItem(std::move(item), entry.strName);
    }
    m_arrPending.clear();
}
