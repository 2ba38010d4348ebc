#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>
#include <vector>

// Writes one output file on a thread of its own while the caller decodes the next
// buffers, so that decoding (inflate and CRC) and copying into the page cache overlap
// when an archive has a single large entry and the other cores would stay idle.
// Used by one decoding thread; every call but the writer's own loop runs on it.
class CAsyncWriter {
public:
    static constexpr size_t BUFFER_COUNT = 8;

    explicit CAsyncWriter(size_t nBufferSize);
    ~CAsyncWriter();
    CAsyncWriter(const CAsyncWriter&) = delete;
    CAsyncWriter& operator=(const CAsyncWriter&) = delete;

    // Starts writing to nFd (not owned). False when no thread could be started.
    bool Start(int nFd);
    // The next free buffer to fill (waits for the writer when all are queued), or null
    // after a write error.
    char* Acquire();
    // Queues the buffer last returned by Acquire with nLength bytes in it.
    void Submit(size_t nLength);
    // Waits for every queued buffer and ends the thread: 0, or the errno of the first failure.
    int Finish();

private:
    void Loop();

    std::vector<std::vector<char>> m_arrBuffers;
    std::vector<size_t> m_arrLengths;
    size_t m_nHead = 0;    // next buffer the writer takes
    size_t m_nQueued = 0;  // buffers waiting for the writer
    bool m_bDone = false;
    int m_nError = 0;
    int m_nFd = -1;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::thread m_thread;
};
