#include "companions/unzdll/COutputDir.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "companions/unzdll/CSafePath.h"

namespace {

std::atomic<unsigned long> g_nTempCounter{0};

std::string NextTempName() {
    return ".unzdll-" + std::to_string(getpid()) + "-" + std::to_string(g_nTempCounter.fetch_add(1)) +
           ".part";
}

}  // namespace

COutputDir::~COutputDir() {
    if (m_nCachedFd >= 0) {
        close(m_nCachedFd);
    }
}

int COutputDir::OpenFolder(const std::vector<std::string>& arrParts, size_t nCount, std::string& strError,
                           bool& bRefused) {
    bRefused = false;
    if (nCount == 0) {
        return m_nRootFd;
    }
    std::string strPath = CSafePath::Join(arrParts, nCount);
    if (m_nCachedFd >= 0 && strPath == m_strCachedPath) {
        return m_nCachedFd;
    }
    if (m_nCachedFd >= 0) {
        close(m_nCachedFd);
        m_nCachedFd = -1;
        m_strCachedPath.clear();
    }
    int nFd = m_nRootFd;
    for (size_t i = 0; i < nCount; ++i) {
        const char* pszPart = arrParts[i].c_str();
        int nNext = openat(nFd, pszPart, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (nNext < 0 && errno == ENOENT) {
            if (mkdirat(nFd, pszPart, 0777) != 0 && errno != EEXIST) {
                strError =
                    "cannot create folder " + CSafePath::Join(arrParts, i + 1) + ": " + std::strerror(errno);
                if (nFd != m_nRootFd) {
                    close(nFd);
                }
                return -1;
            }
            nNext = openat(nFd, pszPart, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        }
        if (nNext < 0) {
            int nErr = errno;
            struct stat st {};
            if (fstatat(nFd, pszPart, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode)) {
                strError =
                    "refused: the path goes through the symbolic link " + CSafePath::Join(arrParts, i + 1);
                bRefused = true;
            } else if (nErr == ENOTDIR || nErr == ELOOP) {
                strError = "cannot create folder " + CSafePath::Join(arrParts, i + 1) +
                           ": a file of that name exists";
            } else {
                strError =
                    "cannot open folder " + CSafePath::Join(arrParts, i + 1) + ": " + std::strerror(nErr);
            }
            if (nFd != m_nRootFd) {
                close(nFd);
            }
            return -1;
        }
        if (nFd != m_nRootFd) {
            close(nFd);
        }
        nFd = nNext;
    }
    m_nCachedFd = nFd;
    m_strCachedPath = strPath;
    return nFd;
}

int COutputDir::CreateTemp(int nFolderFd, std::string& strTempName) {
    for (int nTry = 0; nTry < 100; ++nTry) {
        strTempName = NextTempName();
        int nFd = openat(nFolderFd, strTempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                         0600);
        if (nFd >= 0 || errno != EEXIST) {
            return nFd;
        }
    }
    return -1;
}

bool COutputDir::CreateTempLink(int nFolderFd, const std::string& strTarget, std::string& strTempName) {
    for (int nTry = 0; nTry < 100; ++nTry) {
        strTempName = NextTempName();
        if (symlinkat(strTarget.c_str(), nFolderFd, strTempName.c_str()) == 0) {
            return true;
        }
        if (errno != EEXIST) {
            return false;
        }
    }
    return false;
}
