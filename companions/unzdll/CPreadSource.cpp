#include "companions/unzdll/CPreadSource.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

namespace {
constexpr size_t READ_AHEAD = 512 * 1024;
constexpr size_t SMALL_READ = 64 * 1024;
}  // namespace

zip_source_t* CPreadSource::Create(int fd, uint64_t nFileSize, zip_error_t* pError) {
    CPreadSource* pSource = new (std::nothrow) CPreadSource(fd, nFileSize);
    if (pSource == nullptr) {
        zip_error_set(pError, ZIP_ER_MEMORY, 0);
        return nullptr;
    }
    zip_error_init(&pSource->m_error);
    zip_source_t* pZipSource = zip_source_function_create(&CPreadSource::Callback, pSource, pError);
    if (pZipSource == nullptr) {
        zip_error_fini(&pSource->m_error);
        delete pSource;
    }
    return pZipSource;
}

zip_int64_t CPreadSource::Read(void* pData, zip_uint64_t nLength) {
    if (m_nPos >= m_nFileSize) {
        return 0;
    }
    nLength = std::min<zip_uint64_t>(nLength, m_nFileSize - m_nPos);
    auto* pOut = static_cast<unsigned char*>(pData);
    if (nLength < SMALL_READ) {
        if (m_nPos < m_nAheadStart || m_nPos + nLength > m_nAheadStart + m_nAheadLen) {
            if (m_arrAhead.empty()) {
                m_arrAhead.resize(READ_AHEAD);
            }
            ssize_t n;
            do {
                n = pread(m_fd, m_arrAhead.data(), m_arrAhead.size(), off_t(m_nPos));
            } while (n < 0 && errno == EINTR);
            if (n < 0) {
                zip_error_set(&m_error, ZIP_ER_READ, errno);
                return -1;
            }
            m_nAheadStart = m_nPos;
            m_nAheadLen = size_t(n);
        }
        size_t nAvail = size_t(m_nAheadStart + m_nAheadLen - m_nPos);
        size_t nCopy = std::min<size_t>(nAvail, size_t(nLength));
        std::memcpy(pOut, m_arrAhead.data() + (m_nPos - m_nAheadStart), nCopy);
        m_nPos += nCopy;
        return zip_int64_t(nCopy);
    }
    size_t nGot = 0;
    while (nGot < nLength) {
        ssize_t n = pread(m_fd, pOut + nGot, size_t(nLength - nGot), off_t(m_nPos + nGot));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            zip_error_set(&m_error, ZIP_ER_READ, errno);
            return -1;
        }
        if (n == 0) {
            break;  // the file shrank under us: libzip sees a short read
        }
        nGot += size_t(n);
    }
    m_nPos += nGot;
    return zip_int64_t(nGot);
}

zip_int64_t CPreadSource::Callback(void* pUser, void* pData, zip_uint64_t nLength, zip_source_cmd_t cmd) {
    auto* self = static_cast<CPreadSource*>(pUser);
    switch (cmd) {
        case ZIP_SOURCE_OPEN:
            self->m_nPos = 0;
            return 0;
        case ZIP_SOURCE_READ:
            return self->Read(pData, nLength);
        case ZIP_SOURCE_CLOSE:
            return 0;
        case ZIP_SOURCE_STAT: {
            auto* pStat = ZIP_SOURCE_GET_ARGS(zip_stat_t, pData, nLength, &self->m_error);
            if (pStat == nullptr) {
                return -1;
            }
            zip_stat_init(pStat);
            pStat->size = self->m_nFileSize;
            pStat->valid |= ZIP_STAT_SIZE;
            return sizeof(zip_stat_t);
        }
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&self->m_error, pData, nLength);
        case ZIP_SOURCE_FREE:
            zip_error_fini(&self->m_error);
            delete self;
            return 0;
        case ZIP_SOURCE_SEEK: {
            zip_int64_t nNew = zip_source_seek_compute_offset(self->m_nPos, self->m_nFileSize, pData, nLength,
                                                              &self->m_error);
            if (nNew < 0) {
                return -1;
            }
            self->m_nPos = zip_uint64_t(nNew);
            return 0;
        }
        case ZIP_SOURCE_TELL:
            return zip_int64_t(self->m_nPos);
        case ZIP_SOURCE_SUPPORTS:
            return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                                  ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE,
                                                  ZIP_SOURCE_SEEK, ZIP_SOURCE_TELL, ZIP_SOURCE_SUPPORTS, -1);
        default:
            zip_error_set(&self->m_error, ZIP_ER_OPNOTSUPP, 0);
            return -1;
    }
}
