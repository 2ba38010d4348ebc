#include "companions/unrar/CSafeDestination.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "companions/unrar/CEntryPath.h"

namespace {

// The named temporary file being written, for the signal handler.
char g_szTempName[256];
std::atomic<int> g_nTempDirFd{-1};

bool ProcFdUsable() {
    static int nUsable = -1;
    if (nUsable < 0) {
        nUsable = ::access("/proc/self/fd", X_OK) == 0 ? 1 : 0;
    }
    return nUsable == 1;
}

mode_t CurrentUmask() {
    static mode_t nMask = [] {
        mode_t m = ::umask(022);
        ::umask(m);
        return m;
    }();
    return nMask;
}

SafeStatus MakeFolders(const std::string& path) {
    std::string cur;
    size_t pos = 0;
    while (pos <= path.size()) {
        size_t slash = path.find('/', pos);
        if (slash == std::string::npos) {
            slash = path.size();
        }
        cur = path.substr(0, slash);
        if (!cur.empty() && ::mkdir(cur.c_str(), 0777) != 0 && errno != EEXIST) {
            return SafeStatus::CreateError;
        }
        pos = slash + 1;
    }
    return SafeStatus::Ok;
}

}  // namespace

CSafeDestination::~CSafeDestination() {
    AbortFile();
    CloseCachedFolder();
    if (nRootFd >= 0) {
        ::close(nRootFd);
    }
}

SafeStatus CSafeDestination::Open(const std::string& strDestination) {
    strRoot = strDestination;
    while (strRoot.size() > 1 && strRoot.back() == '/') {
        strRoot.pop_back();
    }
    std::string toOpen = strRoot.empty() ? "." : strRoot;
    nRootFd = ::open(toOpen.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (nRootFd < 0 && errno == ENOENT) {
        if (MakeFolders(toOpen) != SafeStatus::Ok) {
            nErrno = errno;
            return SafeStatus::CreateError;
        }
        nRootFd = ::open(toOpen.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    }
    if (nRootFd < 0) {
        nErrno = errno;
        return SafeStatus::CreateError;
    }
    return SafeStatus::Ok;
}

std::string CSafeDestination::DisplayPath(const std::string& strRelative) const {
    if (strRoot.empty()) {
        return strRelative;
    }
    if (strRoot == "/") {
        return "/" + strRelative;
    }
    return strRoot + "/" + strRelative;
}

void CSafeDestination::CloseCachedFolder() {
    if (nCachedFd >= 0) {
        ::close(nCachedFd);
    }
    nCachedFd = -1;
    strCachedFolder.clear();
}

// Opens (creating where missing) the folder strRelative below the destination without
// following any symbolic link. fd stays owned by this object.
SafeStatus CSafeDestination::OpenFolder(const std::string& strRelative, int& fd) {
    if (strRelative.empty()) {
        fd = nRootFd;
        return SafeStatus::Ok;
    }
    if (nCachedFd >= 0 && strCachedFolder == strRelative) {
        fd = nCachedFd;
        return SafeStatus::Ok;
    }
    CloseCachedFolder();
    int cur = nRootFd;
    size_t pos = 0;
    while (pos < strRelative.size()) {
        size_t slash = strRelative.find('/', pos);
        if (slash == std::string::npos) {
            slash = strRelative.size();
        }
        std::string comp = strRelative.substr(pos, slash - pos);
        pos = slash + 1;
        int next = ::openat(cur, comp.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0 && errno == ENOENT) {
            if (::mkdirat(cur, comp.c_str(), 0777) != 0 && errno != EEXIST) {
                nErrno = errno;
                if (cur != nRootFd) {
                    ::close(cur);
                }
                return SafeStatus::CreateError;
            }
            next = ::openat(cur, comp.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        }
        if (next < 0) {
            nErrno = errno;
            struct stat st {};
            bool bLink = ::fstatat(cur, comp.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode);
            if (cur != nRootFd) {
                ::close(cur);
            }
            return bLink ? SafeStatus::RefusedThroughLink : SafeStatus::CreateError;
        }
        if (cur != nRootFd) {
            ::close(cur);
        }
        cur = next;
    }
    nCachedFd = cur;
    strCachedFolder = strRelative;
    fd = cur;
    return SafeStatus::Ok;
}

SafeStatus CSafeDestination::CreateDirectory(const std::string& strRelative) {
    int fd = -1;
    return OpenFolder(strRelative, fd);
}

SafeStatus CSafeDestination::BeginFile(const std::string& strRelative) {
    AbortFile();
    int parent = -1;
    SafeStatus s = OpenFolder(CEntryPath::Parent(strRelative), parent);
    if (s != SafeStatus::Ok) {
        return s;
    }
    strFileLeaf = CEntryPath::Leaf(strRelative);
    nFileParentFd = ::dup(parent);  // the folder cache may close its descriptor meanwhile
    if (nFileParentFd < 0) {
        nErrno = errno;
        return SafeStatus::CreateError;
    }
    // A directory of that name cannot be replaced by a file.
    struct stat st {};
    if (::fstatat(nFileParentFd, strFileLeaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode)) {
        nErrno = EISDIR;
        AbortFile();
        return SafeStatus::CreateError;
    }
    if (ProcFdUsable()) {
        nFileFd = ::openat(nFileParentFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    }
    if (nFileFd < 0) {
        static unsigned nCounter = 0;
        for (int attempt = 0; attempt < 100 && nFileFd < 0; ++attempt) {
            char name[64];
            std::snprintf(name, sizeof name, ".unrar-%d-%u.tmp", int(::getpid()), nCounter++);
            nFileFd =
                ::openat(nFileParentFd, name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
            if (nFileFd >= 0) {
                strTempName = name;
                std::snprintf(g_szTempName, sizeof g_szTempName, "%s", name);
                g_nTempDirFd.store(nFileParentFd);
            } else if (errno != EEXIST) {
                break;
            }
        }
    }
    if (nFileFd < 0) {
        nErrno = errno;
        AbortFile();
        return SafeStatus::CreateError;
    }
    return SafeStatus::Ok;
}

SafeStatus CSafeDestination::Write(const void* pData, size_t nBytes) {
    const char* p = static_cast<const char*>(pData);
    while (nBytes > 0) {
        ssize_t n = ::write(nFileFd, p, nBytes);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            nErrno = errno;
            return SafeStatus::WriteError;
        }
        if (n == 0) {
            nErrno = ENOSPC;
            return SafeStatus::WriteError;
        }
        p += n;
        nBytes -= size_t(n);
    }
    return SafeStatus::Ok;
}

// Puts the finished temporary file in place of strLeaf (replacing a file or link there).
SafeStatus CSafeDestination::ReplaceWithTemporary(int parentFd, const std::string& strLeaf) {
    if (!strTempName.empty()) {
        if (::renameat(parentFd, strTempName.c_str(), parentFd, strLeaf.c_str()) != 0) {
            nErrno = errno;
            return SafeStatus::CreateError;
        }
        strTempName.clear();
        g_nTempDirFd.store(-1);
        return SafeStatus::Ok;
    }
    char procPath[64];
    std::snprintf(procPath, sizeof procPath, "/proc/self/fd/%d", nFileFd);
    if (::linkat(AT_FDCWD, procPath, parentFd, strLeaf.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        return SafeStatus::Ok;
    }
    if (errno != EEXIST) {
        nErrno = errno;
        return SafeStatus::CreateError;
    }
    // Something is there: link under a hidden name, then rename over it in one step.
    static unsigned nCounter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[64];
        std::snprintf(name, sizeof name, ".unrar-%d-%u.new", int(::getpid()), nCounter++);
        if (::linkat(AT_FDCWD, procPath, parentFd, name, AT_SYMLINK_FOLLOW) != 0) {
            if (errno == EEXIST) {
                continue;
            }
            nErrno = errno;
            return SafeStatus::CreateError;
        }
        if (::renameat(parentFd, name, parentFd, strLeaf.c_str()) != 0) {
            nErrno = errno;
            ::unlinkat(parentFd, name, 0);
            return SafeStatus::CreateError;
        }
        return SafeStatus::Ok;
    }
    nErrno = EEXIST;
    return SafeStatus::CreateError;
}

SafeStatus CSafeDestination::CommitFile(unsigned nMode, time_t nMtime, bool bHasMtime) {
    ::fchmod(nFileFd, mode_t(nMode & 0777 & ~CurrentUmask()));
    if (bHasMtime) {
        struct timespec times[2];
        times[0].tv_sec = nMtime;
        times[0].tv_nsec = 0;
        times[1] = times[0];
        ::futimens(nFileFd, times);
    }
    SafeStatus s = ReplaceWithTemporary(nFileParentFd, strFileLeaf);
    if (s == SafeStatus::Ok && ::close(nFileFd) != 0) {
        // The data may not have reached the disk (delayed allocation on a full file system).
        nErrno = errno;
        nFileFd = -1;
        ::unlinkat(nFileParentFd, strFileLeaf.c_str(), 0);
        AbortFile();
        return SafeStatus::WriteError;
    }
    nFileFd = -1;
    if (s != SafeStatus::Ok) {
        AbortFile();
        return s;
    }
    ::close(nFileParentFd);
    nFileParentFd = -1;
    return SafeStatus::Ok;
}

void CSafeDestination::AbortFile() {
    if (nFileFd >= 0) {
        ::close(nFileFd);
        nFileFd = -1;
    }
    if (!strTempName.empty() && nFileParentFd >= 0) {
        g_nTempDirFd.store(-1);
        ::unlinkat(nFileParentFd, strTempName.c_str(), 0);
    }
    strTempName.clear();
    if (nFileParentFd >= 0) {
        ::close(nFileParentFd);
        nFileParentFd = -1;
    }
}

void CSafeDestination::RemoveTemporaryFromSignalHandler() {
    int fd = g_nTempDirFd.load();
    if (fd >= 0) {
        ::unlinkat(fd, g_szTempName, 0);
    }
}

SafeStatus CSafeDestination::CreateSymlink(const std::string& strRelative, const std::string& strTarget) {
    int parent = -1;
    SafeStatus s = OpenFolder(CEntryPath::Parent(strRelative), parent);
    if (s != SafeStatus::Ok) {
        return s;
    }
    std::string leaf = CEntryPath::Leaf(strRelative);
    struct stat st {};
    if (::fstatat(parent, leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISDIR(st.st_mode) || ::unlinkat(parent, leaf.c_str(), 0) != 0) {
            nErrno = S_ISDIR(st.st_mode) ? EISDIR : errno;
            return SafeStatus::CreateError;
        }
    }
    if (::symlinkat(strTarget.c_str(), parent, leaf.c_str()) != 0) {
        nErrno = errno;
        return SafeStatus::CreateError;
    }
    return SafeStatus::Ok;
}

SafeStatus CSafeDestination::CreateHardlink(const std::string& strRelative,
                                            const std::string& strTargetRelative) {
    int targetParent = -1;
    SafeStatus s = OpenFolder(CEntryPath::Parent(strTargetRelative), targetParent);
    if (s != SafeStatus::Ok) {
        return s;
    }
    int targetFd = ::dup(targetParent);
    std::string targetLeaf = CEntryPath::Leaf(strTargetRelative);
    struct stat st {};
    if (targetFd < 0 || ::fstatat(targetFd, targetLeaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(st.st_mode)) {
        nErrno = targetFd < 0 ? errno : ENOENT;
        if (targetFd >= 0) {
            ::close(targetFd);
        }
        return SafeStatus::CreateError;
    }
    int parent = -1;
    s = OpenFolder(CEntryPath::Parent(strRelative), parent);
    if (s != SafeStatus::Ok) {
        ::close(targetFd);
        return s;
    }
    std::string leaf = CEntryPath::Leaf(strRelative);
    struct stat old {};
    if (::fstatat(parent, leaf.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISDIR(old.st_mode) || ::unlinkat(parent, leaf.c_str(), 0) != 0) {
            nErrno = S_ISDIR(old.st_mode) ? EISDIR : errno;
            ::close(targetFd);
            return SafeStatus::CreateError;
        }
    }
    int rc = ::linkat(targetFd, targetLeaf.c_str(), parent, leaf.c_str(), 0);
    nErrno = errno;
    ::close(targetFd);
    return rc == 0 ? SafeStatus::Ok : SafeStatus::CreateError;
}
