#include "batch/BatchParts.h"

#include "engine/UnzipExtract.h"
#include "engine/PathHelpers.h"

#include <filesystem>
#include <fstream>

std::string AbsolutePath(const std::string& strPath)
{
    if (strPath.empty())
        return std::string();
    std::error_code ec;
    std::string strAbsolute = std::filesystem::absolute(strPath, ec).lexically_normal().string();
    if (ec)
        return std::string();
    while (strAbsolute.size() > 1 && strAbsolute.back() == '/')
        strAbsolute.pop_back();
    return strAbsolute;
}

bool MakeBatchItem(const std::string& strPath, bool bFolder, CListItem& item)
{
    item = CListItem();
    item.strPath = strPath;
    item.strParentFolder = ParentFolderOf(strPath);
    if (bFolder) {
        item.strType = "folder";
        item.strFolderName = FileNameOf(strPath);
        return true;
    }
    const std::string strExt = GetExtension(FileNameOf(strPath));
    if (strExt == "zip") {
        item.strType = "zip";
        return true;
    }
    char szMagic[4] = {0, 0, 0, 0};
    std::ifstream in(strPath, std::ios::binary);
    in.read(szMagic, 4);
    if (strExt == "rar" || std::string(szMagic, 4) == "Rar!") {
        item.strType = "rar";
        return true;
    }
    return false;
}

void AssignBatchOutput(CListItem& item, const CSettings& settings)
{
    item.bOutputToInput = 1;
    if (!settings.bOutputToInput && !settings.arrHistory.empty()) {
        item.strOutputFolder = NormalizePath(settings.arrHistory.front());
        item.bOutputToInput = 0;
    } else {
        item.strOutputFolder = NormalizePath(item.InputFolder());
    }
}

std::string ResolveBatchOutput(const CJobList& list, int nRow)
{
    const CListItem* pItem = list.ItemAtRow(nRow);
    if (pItem == nullptr)
        return std::string();
    const CListItem& item = *pItem;
    if (const CPresets* pPreset = list.PresetOf(item)) {
        if (pPreset->bTest)
            return std::string();
        if (pPreset->bOutputToInput)
            return item.InputFolder();
        if (pPreset->bMainFolder && item.strType == "folder")
            return pPreset->strOutputPath + SeparatorFor(pPreset->strOutputPath) + item.strFolderName;
        return pPreset->strOutputPath;
    }
    const CMainOptions& main = list.MainOptions();
    if (main.bTest)
        return std::string();
    if (item.bOutputToInput)
        return item.InputFolder();
    if (main.bMainFolder && item.strType == "folder")
        return item.strOutputFolder + SeparatorFor(item.strOutputFolder) + item.strFolderName;
    return item.strOutputFolder;
}

void LoadBatchSettings(CSettings& settings, std::vector<CPresets>& arrPresets)
{
    settings = CSettings();
    arrPresets.clear();
}

std::unique_ptr<CUnzipContext> LoadUnzipLibrary(const std::string& strPath)
{
    auto pContext = std::make_unique<CUnzipContext>();
    InitUnzip(*pContext, strPath);
    return pContext;
}
