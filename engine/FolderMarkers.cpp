#include "engine/FolderMarkers.h"

#include <initializer_list>

#include "engine/PathHelpers.h"

namespace {

// Where the search starts: at the '/' that ends strBase inside strPath, so
// that a marker naming the first folder below the base is still found.
size_t SearchStart(const std::string& strPath, const std::string& strBase) {
    if (strBase.empty()) {
        return 0;
    }
    std::string strPrefix = strBase;
    if (strPrefix.back() != '/') {
        strPrefix += '/';
    }
    if (strPath.size() < strPrefix.size() || strPath.compare(0, strPrefix.size(), strPrefix) != 0) {
        return 0;
    }
    return strPrefix.size() - 1;
}

int FindMarker(const std::string& strPath, bool bAppendSlash, const std::string& strBase,
               bool bFolderPartOnly, std::initializer_list<const char*> markers) {
    std::string strLower = LowerAscii(strPath);
    if (bAppendSlash) {
        strLower += '/';
    }
    if (bFolderPartOnly) {
        strLower = FolderPartOf(strLower);
    }
    const size_t nStart = SearchStart(strPath, strBase);
    for (const char* pMarker : markers) {
        size_t nPos = strLower.find(pMarker, nStart);
        if (nPos != std::string::npos) {
            return static_cast<int>(nPos);
        }
    }
    return -1;
}

}  // namespace

int SampleFolderPos(const std::string& strPath, bool bAppendSlash, const std::string& strBase) {
    return FindMarker(strPath, bAppendSlash, strBase, false,
                      {"/sample/", "/samples/", "/vobsample/", "/vobsamples/"});
}

int SubsFolderPos(const std::string& strPath, bool bAppendSlash, const std::string& strBase) {
    return FindMarker(strPath, bAppendSlash, strBase, true,
                      {"/subs/", "/sub/", "/vobsubs/", "/vobsub/", "/subpack/", "/subspack/", "/subtitles/"});
}

int CoverFolderPos(const std::string& strPath, bool bAppendSlash, const std::string& strBase) {
    return FindMarker(strPath, bAppendSlash, strBase, true, {"/cover/", "/covers/"});
}
