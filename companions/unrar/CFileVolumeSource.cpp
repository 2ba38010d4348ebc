#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "companions/unrar/IRarVolumeSource.h"

std::unique_ptr<CFileVolumeSource> CFileVolumeSource::Open(const std::string& strPath,
                                                           std::string& strError) {
    int fd = ::open(strPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        strError = std::strerror(errno);
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        strError = std::strerror(errno);
        ::close(fd);
        return nullptr;
    }
    if (!S_ISREG(st.st_mode)) {
        strError = S_ISDIR(st.st_mode) ? "Is a directory" : "Not a regular file";
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<CFileVolumeSource>(new CFileVolumeSource(strPath, fd, uint64_t(st.st_size)));
}

CFileVolumeSource::CFileVolumeSource(std::string path, int fd, uint64_t size)
    : strPath(std::move(path)), nFd(fd), nSize(size) {}

CFileVolumeSource::~CFileVolumeSource() {
    if (nFd >= 0) {
        ::close(nFd);
    }
}

int64_t CFileVolumeSource::ReadAt(uint64_t nOffset, void* pBuffer, size_t nBytes) {
    size_t nDone = 0;
    auto* p = static_cast<char*>(pBuffer);
    while (nDone < nBytes) {
        ssize_t n = ::pread(nFd, p + nDone, nBytes - nDone, off_t(nOffset + nDone));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            strLastError = std::strerror(errno);
            return -1;
        }
        if (n == 0) {
            break;
        }
        nDone += size_t(n);
    }
    return int64_t(nDone);
}

void CFileVolumeSource::AdviseSequential() {
    ::posix_fadvise(nFd, 0, 0, POSIX_FADV_SEQUENTIAL);
}
