#include <dirent.h>
#include <sys/stat.h>

#include "engine/CDriverState.h"
#include "engine/ItemMenuHelpers.h"
#include "engine/PathHelpers.h"

void CollectNewFiles(const std::string& strFolder, bool bSnapshot, std::vector<std::string>& arrSnapshot,
                     std::vector<std::string>& arrNewFiles) {
    if (bSnapshot)
        arrSnapshot.clear();
    if (strFolder.empty())
        return;  // test mode: nothing is extracted anywhere
    std::string strBase = strFolder;
    if (strBase.back() != '/')
        strBase += '/';
    auto matches = [](const std::string& strName, const CRunFileType& type) {
        const std::string strExt = std::string(".") + type.pszExtension;
        if (strName.size() <= strExt.size())
            return false;
        return LowerAscii(strName.substr(strName.size() - strExt.size())) == strExt;
    };
    // Only names with one of the extensions are looked at more closely, so a large output
    // folder costs one directory read.
    std::vector<std::string> arrNames;
    if (DIR* pDir = opendir(strBase.c_str())) {
        while (dirent* pEntry = readdir(pDir)) {
            const std::string strName = pEntry->d_name;
            bool bWanted = false;
            for (const CRunFileType& type : RUN_FILE_TYPES)
                bWanted = bWanted || matches(strName, type);
            struct stat st {};
            if (!bWanted || stat((strBase + strName).c_str(), &st) != 0 || S_ISDIR(st.st_mode))
                continue;
            arrNames.push_back(strName);
        }
        closedir(pDir);
    }
    for (const CRunFileType& type : RUN_FILE_TYPES) {
        for (const std::string& strName : arrNames) {
            if (!matches(strName, type))
                continue;
            const std::string strPath = strBase + strName;
            if (bSnapshot) {
                arrSnapshot.push_back(strPath);
                continue;
            }
            bool bKnown = false;
            for (auto it = arrSnapshot.begin(); it != arrSnapshot.end(); ++it)
                if (*it == strPath) {
                    arrSnapshot.erase(it);
                    bKnown = true;
                    break;
                }
            if (!bKnown)
                arrNewFiles.push_back(strPath);
        }
    }
}
