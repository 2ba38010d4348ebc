#include "engine/PathBelow.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "engine/PathHelpers.h"

CFd::~CFd() {
    if (m_fd >= 0)
        close(m_fd);
}

void CFd::Reset(int fd) {
    if (m_fd >= 0)
        close(m_fd);
    m_fd = fd;
}

std::string WithoutTrailingSlash(std::string strFolder) {
    while (strFolder.size() > 1 && strFolder.back() == '/')
        strFolder.pop_back();
    return strFolder;
}

bool IsStrictlyInside(const std::string& strPath, const std::string& strFolder) {
    const std::string strPrefix = strFolder == "/" ? strFolder : strFolder + "/";
    return strPath.size() > strPrefix.size() && strPath.compare(0, strPrefix.size(), strPrefix) == 0;
}

namespace {

// The path's components below strFolder; false for an empty, "." or ".." component.
bool SplitBelow(const std::string& strPath, const std::string& strFolder,
                std::vector<std::string>& arrParts) {
    std::size_t nPos = strFolder == "/" ? 1 : strFolder.size() + 1;
    for (;;) {
        const std::size_t nNext = strPath.find('/', nPos);
        const std::string strPart =
            strPath.substr(nPos, nNext == std::string::npos ? std::string::npos : nNext - nPos);
        if (strPart.empty() || strPart == "." || strPart == "..")
            return false;
        arrParts.push_back(strPart);
        if (nNext == std::string::npos)
            return true;
        nPos = nNext + 1;
    }
}

}  // namespace

int OpenHolder(const std::string& strTop, const std::string& strPath, std::string& strName) {
    if (strPath == strTop && strTop != "/" && !strTop.empty()) {
        strName = FileNameOf(strTop);
        return open(ParentFolderOf(strTop).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    }
    std::vector<std::string> arrParts;
    if (strTop.empty() || !IsStrictlyInside(strPath, strTop) || !SplitBelow(strPath, strTop, arrParts)) {
        errno = EINVAL;
        return -1;
    }
    CFd folder(open(strTop.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Get() < 0)
        return -1;
    for (std::size_t i = 0; i + 1 < arrParts.size(); ++i) {
        const int fd =
            openat(folder.Get(), arrParts[i].c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            return -1;
        folder.Reset(fd);
    }
    strName = arrParts.back();
    return folder.Release();
}
