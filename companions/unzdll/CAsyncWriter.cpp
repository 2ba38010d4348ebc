#include "companions/unzdll/CAsyncWriter.h"

#include <unistd.h>

#include <cerrno>

CAsyncWriter::CAsyncWriter(size_t nBufferSize)
    : m_arrBuffers(BUFFER_COUNT, std::vector<char>(nBufferSize)), m_arrLengths(BUFFER_COUNT, 0) {}

CAsyncWriter::~CAsyncWriter() {
    Finish();
}

bool CAsyncWriter::Start(int nFd) {
    m_nFd = nFd;
    try {
        m_thread = std::thread([this] { Loop(); });
    } catch (...) {
        return false;
    }
    return true;
}

char* CAsyncWriter::Acquire() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [&] { return m_nQueued < BUFFER_COUNT || m_nError != 0; });
    if (m_nError != 0) {
        return nullptr;
    }
    return m_arrBuffers[(m_nHead + m_nQueued) % BUFFER_COUNT].data();
}

void CAsyncWriter::Submit(size_t nLength) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_arrLengths[(m_nHead + m_nQueued) % BUFFER_COUNT] = nLength;
    ++m_nQueued;
    m_changed.notify_all();
}

int CAsyncWriter::Finish() {
    if (m_thread.joinable()) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_bDone = true;
            m_changed.notify_all();
        }
        m_thread.join();
    }
    return m_nError;
}

void CAsyncWriter::Loop() {
    for (;;) {
        const char* pData = nullptr;
        size_t nLength = 0;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait(lock, [&] { return m_nQueued > 0 || m_bDone; });
            if (m_nQueued == 0 || m_nError != 0) {
                return;  // done, or a failed write: the rest is dropped
            }
            pData = m_arrBuffers[m_nHead].data();
            nLength = m_arrLengths[m_nHead];
        }
        int nError = 0;
        while (nLength > 0) {
            ssize_t n = write(m_nFd, pData, nLength);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                nError = n == 0 ? ENOSPC : errno;
                break;
            }
            pData += n;
            nLength -= size_t(n);
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        m_nHead = (m_nHead + 1) % BUFFER_COUNT;
        --m_nQueued;
        if (nError != 0) {
            m_nError = nError;
        }
        m_changed.notify_all();
        if (m_nError != 0) {
            return;
        }
    }
}
