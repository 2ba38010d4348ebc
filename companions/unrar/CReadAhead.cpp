#include "companions/unrar/CReadAhead.h"

CReadAhead::~CReadAhead() {
    if (m_thread.joinable()) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_bQuit = true;
        }
        m_cv.notify_all();
        m_thread.join();
    }
}

void CReadAhead::Start(IRarVolumeSource& source, uint64_t nOffset, void* pBuffer, size_t nBytes) {
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_cv.wait(lock, [this] { return !m_bJob; });  // a read still running finishes first
        m_pSource = &source;
        m_nOffset = nOffset;
        m_pBuffer = pBuffer;
        m_nBytes = nBytes;
        m_nResult = 0;
        m_bJob = true;
    }
    if (!m_thread.joinable()) {
        m_thread = std::thread([this] { Loop(); });
    }
    m_cv.notify_all();
}

int64_t CReadAhead::Wait() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_cv.wait(lock, [this] { return !m_bJob; });
    return m_nResult;
}

void CReadAhead::Loop() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_cv.wait(lock, [this] { return m_bJob || m_bQuit; });
        if (m_bQuit) {
            return;
        }
        IRarVolumeSource* pSource = m_pSource;
        const uint64_t nOffset = m_nOffset;
        void* pBuffer = m_pBuffer;
        const size_t nBytes = m_nBytes;
        lock.unlock();
        const int64_t nResult = pSource->ReadAt(nOffset, pBuffer, nBytes);
        lock.lock();
        m_nResult = nResult;
        m_bJob = false;
        m_cv.notify_all();
    }
}
