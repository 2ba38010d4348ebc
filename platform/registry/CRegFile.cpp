#include "platform/registry/CRegFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace {

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return home;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* result = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 && result &&
        result->pw_dir) {
        return result->pw_dir;
    }
    return "/tmp";
}

// An XDG variable counts only when it holds an absolute path.
std::string XdgFolder(const char* variable, const char* fallbackBelowHome) {
    const char* value = std::getenv(variable);
    if (value && value[0] == '/')
        return value;
    return HomeFolder() + "/" + fallbackBelowHome;
}

CFileStamp StampOf(const struct stat& st) {
    CFileStamp stamp;
    stamp.bExists = true;
    stamp.nDevice = st.st_dev;
    stamp.nInode = st.st_ino;
    stamp.nSize = st.st_size;
    stamp.nModifiedNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return stamp;
}

int WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return 0;
}

void SyncFolder(const std::string& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// "PID-N" with both parts decimal digits: the PID (above 0) of a temporary's writer.
bool ParseTemporarySuffix(const std::string& suffix, pid_t& pid) {
    size_t dash = suffix.find('-');
    if (dash == 0 || dash == std::string::npos || dash > 10 || dash + 1 == suffix.size())
        return false;
    for (size_t i = 0; i < suffix.size(); ++i) {
        if (i != dash && (suffix[i] < '0' || suffix[i] > '9'))
            return false;
    }
    long long value = std::stoll(suffix.substr(0, dash));
    if (value <= 0 || value > 0x7FFFFFFF)
        return false;
    pid = static_cast<pid_t>(value);
    return true;
}

std::string UniqueSuffix() {
    static std::atomic<unsigned> counter{0};
    return std::to_string(::getpid()) + "-" + std::to_string(++counter);
}

}  // namespace

std::string CRegFile::HiveFilePath(const std::string& hiveName) {
    const char* dir = std::getenv("HARVEX_REGISTRY_DIR");
    std::string folder;
    if (dir && dir[0] != '\0') {
        folder = dir;
    } else if (hiveName == "HKEY_CLASSES_ROOT") {
        folder = XdgFolder("XDG_DATA_HOME", ".local/share") + "/harvex";
    } else {
        folder = XdgFolder("XDG_CONFIG_HOME", ".config") + "/harvex";
    }
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder + "/" + hiveName + ".reg";
}

std::string CRegFile::FolderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

CFileStamp CRegFile::Stamp(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return {};
    return StampOf(st);
}

int CRegFile::ReadText(const std::string& path, std::string& text, CFileStamp& stamp) {
    text.clear();
    stamp = {};
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return errno;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        int err = errno;
        ::close(fd);
        return err;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    }
    if (st.st_size > MAX_FILE_SIZE) {
        ::close(fd);
        return EFBIG;
    }
    text.reserve(static_cast<size_t>(st.st_size));
    char buffer[65536];
    while (true) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            int err = errno;
            ::close(fd);
            return err;
        }
        if (n == 0)
            break;
        text.append(buffer, static_cast<size_t>(n));
        if (static_cast<off_t>(text.size()) > MAX_FILE_SIZE) {
            ::close(fd);
            return EFBIG;
        }
    }
    ::close(fd);
    stamp = StampOf(st);
    return 0;
}

int CRegFile::EnsureFolder(const std::string& folder) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
    if (errno != ENOENT)
        return errno;
    std::string parent = FolderOf(folder);
    if (parent != folder) {
        if (int err = EnsureFolder(parent))
            return err;
    }
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return errno;
    if (::stat(folder.c_str(), &st) != 0)
        return errno;
    return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

int CRegFile::Lock(const std::string& path, int& lockFd) {
    lockFd = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0600);
    if (lockFd < 0)
        return errno;
    while (::flock(lockFd, LOCK_EX) != 0) {
        if (errno == EINTR)
            continue;
        int err = errno;
        ::close(lockFd);
        lockFd = -1;
        return err;
    }
    return 0;
}

void CRegFile::Unlock(int lockFd) {
    if (lockFd >= 0) {
        ::flock(lockFd, LOCK_UN);
        ::close(lockFd);
    }
}

int CRegFile::WriteAtomically(const std::string& path, const std::string& text, CFileStamp& stamp) {
    mode_t mode = 0600;
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0) {
        if (!S_ISREG(existing.st_mode))
            return S_ISDIR(existing.st_mode) ? EISDIR : EINVAL;
        mode = existing.st_mode & 07777;
    }
    const std::string temp = path + ".tmp-" + UniqueSuffix();
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600);
    if (fd < 0)
        return errno;
    int err = WriteAll(fd, text.data(), text.size());
    if (!err && ::fchmod(fd, mode) != 0)
        err = errno;
    if (!err && ::fsync(fd) != 0)
        err = errno;
    struct stat st {};
    if (!err && ::fstat(fd, &st) != 0)
        err = errno;
    if (::close(fd) != 0 && !err)
        err = errno;
    if (!err && ::rename(temp.c_str(), path.c_str()) != 0)
        err = errno;
    if (err) {
        ::unlink(temp.c_str());
        return err;
    }
    SyncFolder(FolderOf(path));
    stamp = StampOf(st);
    return 0;
}

int CRegFile::RemoveStaleTemporaries(const std::string& path) {
    const std::string folder = FolderOf(path);
    const std::string prefix = path.substr(path.rfind('/') + 1) + ".tmp-";
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return 0;
    int removed = 0;
    while (dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        pid_t pid = 0;
        if (name.compare(0, prefix.size(), prefix) != 0 ||
            !ParseTemporarySuffix(name.substr(prefix.size()), pid))
            continue;
        // EPERM means a process of another user runs under that number: not ours to judge.
        if (::kill(pid, 0) == 0 || errno != ESRCH)
            continue;
        struct stat st {};
        if (::fstatat(::dirfd(dir), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
            continue;
        if (::unlinkat(::dirfd(dir), name.c_str(), 0) == 0)
            ++removed;
    }
    ::closedir(dir);
    return removed;
}

int CRegFile::KeepCopyAside(const std::string& path, std::string& asidePath) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char when[32];
    std::strftime(when, sizeof when, "%Y%m%d-%H%M%S", &local);
    const std::string base = path + ".damaged-" + when;
    for (int n = 1; n < 1000; ++n) {
        asidePath = n == 1 ? base : base + "-" + std::to_string(n);
        // A second name for the same inode keeps the old content even after the
        // rename replaces the file, and readers never see the file missing.
        if (::link(path.c_str(), asidePath.c_str()) == 0) {
            SyncFolder(FolderOf(path));
            return 0;
        }
        if (errno == EEXIST)
            continue;
        // Some file systems have no hard links: copy the bytes instead.
        std::string text;
        CFileStamp stamp;
        if (int err = ReadText(path, text, stamp))
            return err;
        int fd = ::open(asidePath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return errno;
        }
        int err = WriteAll(fd, text.data(), text.size());
        if (!err && ::fsync(fd) != 0)
            err = errno;
        ::close(fd);
        if (err)
            ::unlink(asidePath.c_str());
        return err;
    }
    return EEXIST;
}
