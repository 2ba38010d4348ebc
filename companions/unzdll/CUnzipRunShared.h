#pragma once

// Constants and small helpers shared by the two files of CUnzipRun.

#include <unistd.h>
#include <zip.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>

namespace unzdll {

// Small enough that a buffer stays in the CPU cache between decoding and write(): with
// 1 MiB buffers the kernel's copy into the page cache took twice the system time.
constexpr size_t BUFFER_SIZE = 128 * 1024;
constexpr size_t MAX_LINK_TARGET = 4096;
// Below this size an entry is written on the decoding thread.
constexpr uint64_t ASYNC_FLOOR = 16 * 1024 * 1024;

// Writes everything or fails with errno set (a write of 0 bytes counts as a full disk).
inline bool WriteAll(int nFd, const char* pData, size_t nLength) {
    while (nLength > 0) {
        ssize_t n = write(nFd, pData, nLength);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            if (n == 0) {
                errno = ENOSPC;
            }
            return false;
        }
        pData += n;
        nLength -= size_t(n);
    }
    return true;
}

// Closes a zip_file_t at scope end.
struct CZipFileCloser {
    zip_file_t* pFile;
    ~CZipFileCloser() {
        if (pFile != nullptr) {
            zip_fclose(pFile);
        }
    }
};

}  // namespace unzdll
