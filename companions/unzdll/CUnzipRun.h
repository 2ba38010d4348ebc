#pragma once

#include <zip.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "companions/unzdll/CZipLayout.h"
#include "companions/unzdll/unzdll.h"

// One call of UnzDllExec: opens the archive, checks its layout, plans every entry, then
// creates folders, extracts (or tests) the files on worker threads, creates the links,
// and returns the result code. Messages of every thread go through one queue that only
// the calling thread delivers to the callback; a non-zero answer sets the stop flag that
// the workers poll between buffers. Lives on the caller's stack for the one call.
class CUnzipRun {
public:
    explicit CUnzipRun(const UnzDllParams& params);
    ~CUnzipRun();
    CUnzipRun(const CUnzipRun&) = delete;
    CUnzipRun& operator=(const CUnzipRun&) = delete;

    int Run();

private:
    enum class EKind { File, Folder, Link, Refused };

    struct Planned {
        zip_uint64_t nIndex = 0;
        std::string strName;                // as shown in messages (UTF-8)
        std::vector<std::string> arrParts;  // path below the destination
        EKind eKind = EKind::File;
        uint64_t nSize = 0;  // declared uncompressed size
        bool bHasMode = false;
        mode_t nMode = 0;
        bool bHasTime = false;
        time_t tModified = 0;
        bool bEncrypted = false;
        int nMethod = 0;  // compression method, for messages
        std::string strRefusal;
        int nRefusalCode = UNZ_ERR_REFUSED;
        bool bAes = false;              // WinZip AES: the authentication code is checked by us
        bool bAesNoCrc = false;         // vendor version 2 with CRC field 0: the code alone checks the data
        bool bOtherSeparators = false;  // the local header's name uses other separators
    };

    struct Message {
        int nEntry;
        int nType;
        int nCode;
        std::string strText;
    };

    // Any thread: queues a message; an error also becomes the call's result when it is the first.
    void Emit(int nEntry, int nType, int nCode, std::string strText);
    // Calling thread only: hands queued messages (and a progress message when due) to the callback.
    void Deliver();
    // Calls the callback; an exception thrown by it counts as a request to stop.
    int CallBack(UnzDllMessage& record);
    bool Stopped() const { return m_bStop.load(std::memory_order_relaxed); }

    bool OpenArchive();
    bool CheckLayout();
    void Plan();
    bool CheckSizes();
    void MakeFolders();
    void ExtractFiles();
    void WorkerLoop(bool bInline);
    void ExtractOne(zip_t* pZip, const Planned& entry, class COutputDir& output, std::vector<char>& arrBuffer,
                    bool bInline);
    void MakeLinks();
    // Whether a read error of libzip only says that an AES entry without a CRC has no CRC.
    bool IsMissingCrc(const Planned& entry, const zip_error_t* pError) const;
    // Checks an AES entry's authentication code; false (with the failure reported, unless
    // stopped) when it does not match.
    bool Authenticate(const Planned& entry, bool bInline);
    zip_t* OpenZip();
    void ReportZipError(const Planned& entry, const zip_error_t* pError);
    void ReportSizeFault(const Planned& entry, const std::string& strWhat);

    const UnzDllParams& m_params;
    bool m_bTest = false;
    const char* m_pszPassword = nullptr;
    int m_nArchiveFd = -1;
    int m_nRootFd = -1;
    uint64_t m_nArchiveSize = 0;
    mode_t m_nUmask = 022;
    zip_t* m_pZip = nullptr;
    CZipLayout m_layout;
    std::vector<Planned> m_arrPlanned;
    std::vector<size_t> m_arrFileOrder;  // indexes into m_arrPlanned, biggest first
    std::atomic<size_t> m_nNextFile{0};
    uint64_t m_nTotalBytes = 0;
    std::atomic<uint64_t> m_nDoneBytes{0};
    int m_nEntryCount = 0;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Message> m_queue;
    int m_nWorkersRunning = 0;
    std::atomic<bool> m_bStop{false};
    std::atomic<bool> m_bDiskFull{false};
    std::atomic<int> m_nResult{UNZ_OK};
    std::chrono::steady_clock::time_point m_tLastProgress;
};
