#pragma once
// Reads the next chunk of a volume on a second thread while the caller checks and writes
// the chunk before it. One read at a time: Start(), then Wait() before the next Start(),
// so a volume source is still used by one thread at a time (CPlainVolumeSource decrypts
// on that thread, which is where the time goes for encrypted sets). The thread is started
// with the first read and ends with the object.

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "companions/unrar/IRarVolumeSource.h"

class CReadAhead {
public:
    CReadAhead() = default;
    ~CReadAhead();
    CReadAhead(const CReadAhead&) = delete;
    CReadAhead& operator=(const CReadAhead&) = delete;

    // Starts source.ReadAt(nOffset, pBuffer, nBytes) in the background (after the read
    // started before, if the caller did not wait for it).
    void Start(IRarVolumeSource& source, uint64_t nOffset, void* pBuffer, size_t nBytes);
    // Waits for the read started last and returns what ReadAt returned (0 when none).
    int64_t Wait();

private:
    void Loop();

    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    IRarVolumeSource* m_pSource = nullptr;
    uint64_t m_nOffset = 0;
    void* m_pBuffer = nullptr;
    size_t m_nBytes = 0;
    int64_t m_nResult = 0;
    bool m_bJob = false;  // a read waits for the thread or runs
    bool m_bQuit = false;
};
