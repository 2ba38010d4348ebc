#include "batch/BatchParts.h"

#include <filesystem>

#include "engine/CItemAdder.h"
#include "engine/COutputFolders.h"
#include "engine/PathHelpers.h"
#include "engine/UnzipExtract.h"
#include "settings/SettingsSchema.h"

std::string AbsolutePath(const std::string& strPath) {
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

bool MakeBatchItem(const std::string& strPath, bool bFolder, CListItem& item) {
    item = CListItem();
    item.strPath = strPath;
    item.strParentFolder = ParentFolderOf(strPath);
    // The same classification as the GUI's "Add files" and drops.
    item.strType = bFolder ? std::string("folder") : CItemAdder::Classify(strPath);
    if (item.strType == "folder")
        item.strFolderName = FileNameOf(strPath);
    return !item.strType.empty() && (item.strType == "folder") == bFolder;
}

std::string ResolveBatchOutput(CJobList& list, CSettings& settings, int nRow) {
    return COutputFolders(list, settings).ResolveOutputFolder(nRow);
}

void LoadBatchSettings(CSettings& settings, std::vector<CPresets>& arrPresets) {
    settings = CSettings();
    arrPresets.clear();
    LoadSettings(settings, arrPresets);
}

std::unique_ptr<CUnzipContext> LoadUnzipLibrary(const std::string& strPath) {
    auto pContext = std::make_unique<CUnzipContext>();
    InitUnzip(*pContext, strPath);
    return pContext;
}
