#pragma once

#include <string>
#include <vector>

// Creates folders and files below one destination folder (the current directory at the
// start of a call), never following a symbolic link on the way: every component is opened
// with openat and O_NOFOLLOW relative to the folder before it. Files are written under a
// temporary name and renamed over the final name when complete, so a failed or stopped
// entry leaves no partial file and an existing link at the final name is replaced, not
// written through. One instance per thread; the root descriptor is shared and not owned.
class COutputDir {
public:
    explicit COutputDir(int nRootFd) : m_nRootFd(nRootFd) {}
    ~COutputDir();
    COutputDir(const COutputDir&) = delete;
    COutputDir& operator=(const COutputDir&) = delete;

    // Opens (creating when missing) the folder made of the first nCount components.
    // Returns a descriptor owned by this object (valid until the next call), or -1 with
    // strError set; bRefused tells that a component is a symbolic link or not a folder.
    int OpenFolder(const std::vector<std::string>& arrParts, size_t nCount, std::string& strError,
                   bool& bRefused);

    // Creates a new temporary file in nFolderFd; returns its descriptor (caller closes) and name.
    static int CreateTemp(int nFolderFd, std::string& strTempName);

    // Creates a temporary symbolic link in nFolderFd; returns false with errno set.
    static bool CreateTempLink(int nFolderFd, const std::string& strTarget, std::string& strTempName);

private:
    int m_nRootFd;
    std::string m_strCachedPath;
    int m_nCachedFd = -1;
};
