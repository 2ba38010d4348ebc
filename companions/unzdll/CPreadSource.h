#pragma once

#include <zip.h>

#include <cstdint>
#include <vector>

// A libzip source that reads a file through pread on a descriptor it does not own, so
// that several zip_t (one per worker thread) share one open file without sharing a file
// position. Small reads (libzip's decompressors ask for 8 KiB at a time) are served from
// a read-ahead buffer.
class CPreadSource {
public:
    // Makes a zip_source_t that owns a new CPreadSource (freed with the source).
    static zip_source_t* Create(int fd, uint64_t nFileSize, zip_error_t* pError);

private:
    CPreadSource(int fd, uint64_t nFileSize) : m_fd(fd), m_nFileSize(nFileSize) {}
    static zip_int64_t Callback(void* pUser, void* pData, zip_uint64_t nLength, zip_source_cmd_t cmd);
    zip_int64_t Read(void* pData, zip_uint64_t nLength);

    int m_fd;
    uint64_t m_nFileSize;
    uint64_t m_nPos = 0;
    zip_error_t m_error{};
    std::vector<unsigned char> m_arrAhead;
    uint64_t m_nAheadStart = 0;
    size_t m_nAheadLen = 0;
};
