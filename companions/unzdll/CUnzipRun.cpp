#include "companions/unzdll/CUnzipRun.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <thread>

#include "companions/unzdll/COutputDir.h"
#include "companions/unzdll/CPreadSource.h"
#include "companions/unzdll/CSafePath.h"
#include "companions/unzdll/CUnzipRunShared.h"

using namespace unzdll;

namespace {

// Deflate cannot expand beyond about 1032:1; an archive claiming more than this over a
// gigabyte is a bomb, not a backup of empty disk images.
constexpr uint64_t MAX_RATIO = 1100;
constexpr uint64_t RATIO_FLOOR = uint64_t(1) << 30;
constexpr size_t MAX_THREADS = 8;
// Below this much data a second thread costs more than it saves.
constexpr uint64_t PARALLEL_FLOOR = 8 * 1024 * 1024;

mode_t ReadUmask() {
    std::ifstream status("/proc/self/status");
    std::string strLine;
    while (std::getline(status, strLine)) {
        if (strLine.rfind("Umask:", 0) == 0) {
            return mode_t(std::strtoul(strLine.c_str() + 6, nullptr, 8) & 0777);
        }
    }
    return 022;
}

// A name from a damaged header, fit for a message line: control bytes as \xNN.
std::string Printable(const std::string& strName) {
    std::string strOut;
    for (unsigned char c : strName) {
        if (c < 0x20 || c == 0x7F) {
            char aHex[8];
            std::snprintf(aHex, sizeof aHex, "\\x%02X", c);
            strOut += aHex;
        } else {
            strOut += char(c);
        }
    }
    return strOut;
}

}  // namespace

CUnzipRun::CUnzipRun(const UnzDllParams& params) : m_params(params) {}

CUnzipRun::~CUnzipRun() {
    if (m_pZip != nullptr) {
        zip_discard(m_pZip);
    }
    if (m_nArchiveFd >= 0) {
        close(m_nArchiveFd);
    }
    if (m_nRootFd >= 0) {
        close(m_nRootFd);
    }
}

void CUnzipRun::Emit(int nEntry, int nType, int nCode, std::string strText) {
    if (nType == UNZ_MSG_ERROR) {
        int nExpected = UNZ_OK;
        m_nResult.compare_exchange_strong(nExpected, nCode);
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_queue.push_back(Message{nEntry, nType, nCode, std::move(strText)});
    m_wake.notify_one();
}

int CUnzipRun::CallBack(UnzDllMessage& record) {
    try {
        return m_params.pCallback(&record);
    } catch (...) {
        return 1;  // a callback that throws asks to stop; the exception goes no further
    }
}

void CUnzipRun::Deliver() {
    for (;;) {
        Message message;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_queue.empty() || Stopped()) {
                m_queue.clear();
                break;
            }
            message = std::move(m_queue.front());
            m_queue.pop_front();
        }
        if (m_params.pCallback == nullptr) {
            continue;
        }
        UnzDllMessage record{};
        record.nSize = sizeof record;
        record.pCaller = m_params.pCaller;
        record.nEntry = message.nEntry;
        record.nEntryCount = m_nEntryCount;
        record.nType = message.nType;
        record.nErrorCode = message.nCode;
        record.nPercent = -1;
        record.pszText = message.strText.c_str();
        if (CallBack(record) != 0) {
            m_bStop = true;
        }
    }
    auto tNow = std::chrono::steady_clock::now();
    if (!Stopped() && m_params.pCallback != nullptr &&
        tNow - m_tLastProgress >= std::chrono::milliseconds(UNZ_PROGRESS_INTERVAL_MS / 2)) {
        m_tLastProgress = tNow;
        UnzDllMessage record{};
        record.nSize = sizeof record;
        record.pCaller = m_params.pCaller;
        record.nEntry = -1;
        record.nEntryCount = m_nEntryCount;
        record.nType = UNZ_MSG_PROGRESS;
        record.nPercent =
            m_nTotalBytes == 0 ? 0 : int(std::min<uint64_t>(100, m_nDoneBytes.load() * 100 / m_nTotalBytes));
        record.pszText = "";
        if (CallBack(record) != 0) {
            m_bStop = true;
        }
    }
}

int CUnzipRun::Run() {
    m_bTest = m_params.nTest != 0;
    m_pszPassword =
        m_params.pszPassword != nullptr && m_params.pszPassword[0] != '\0' ? m_params.pszPassword : nullptr;
    // The first Deliver sends a progress message at once, so the caller can stop the call
    // before anything is written.
    m_tLastProgress = std::chrono::steady_clock::time_point{};
    if (m_params.nVersion != UNZ_DLL_VERSION || m_params.pszArchive == nullptr) {
        Emit(-1, UNZ_MSG_ERROR, UNZ_ERR_PARAM,
             m_params.pszArchive == nullptr
                 ? "Fatal Error: no archive given"
                 : "Fatal Error: parameter record of version " + std::to_string(m_params.nVersion) +
                       ", this library is version " + std::to_string(UNZ_DLL_VERSION));
        Deliver();
        return m_nResult;
    }
    m_nUmask = ReadUmask();
    if (OpenArchive() && CheckLayout()) {
        Plan();
        if (!Stopped() && CheckSizes()) {
            MakeFolders();
            ExtractFiles();
            MakeLinks();
        }
    }
    if (m_bDiskFull && !Stopped()) {
        Emit(-1, UNZ_MSG_ERROR, UNZ_ERR_WRITE, "Fatal Error: the disk is full, extraction stopped");
    }
    Deliver();
    return Stopped() ? UNZ_ERR_KILLED : m_nResult.load();
}

bool CUnzipRun::OpenArchive() {
    m_nRootFd = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_nRootFd < 0 && !m_bTest) {
        Emit(-1, UNZ_MSG_ERROR, UNZ_ERR_WRITE,
             std::string("Fatal Error: cannot open the current directory: ") + std::strerror(errno));
        return false;
    }
    m_nArchiveFd = open(m_params.pszArchive, O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (m_nArchiveFd < 0 || fstat(m_nArchiveFd, &st) != 0) {
        Emit(-1, UNZ_MSG_ERROR, UNZ_ERR_OPEN,
             std::string("Fatal Error: cannot open ") + m_params.pszArchive + ": " + std::strerror(errno));
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        Emit(-1, UNZ_MSG_ERROR, UNZ_ERR_OPEN,
             std::string("Fatal Error: ") + m_params.pszArchive + " is not a file");
        return false;
    }
    m_nArchiveSize = uint64_t(st.st_size);
    return true;
}

bool CUnzipRun::CheckLayout() {
    switch (m_layout.Read(m_nArchiveFd, m_nArchiveSize)) {
        case CZipLayout::EStatus::NoCentral:
            Emit(-1, UNZ_MSG_ERROR, UNZ_ERR_NOCENTRAL, UNZ_TEXT_NO_CENTRAL);
            return false;
        case CZipLayout::EStatus::ReadError:
            Emit(-1, UNZ_MSG_ERROR, UNZ_ERR_OPEN,
                 "Fatal Error: cannot read the archive: " + m_layout.strProblem);
            return false;
        case CZipLayout::EStatus::Damaged:
            Emit(-1, UNZ_MSG_ERROR, UNZ_ERR_ARCHIVE, "Fatal Error: damaged archive: " + m_layout.strProblem);
            return false;
        case CZipLayout::EStatus::Ok:
            break;
    }
    if (!m_layout.CheckNoOverlap()) {
        Emit(-1, UNZ_MSG_ERROR, UNZ_ERR_BOMB,
             "Fatal Error: overlapping entries, refused as a zip bomb or damaged archive: " +
                 m_layout.strProblem);
        return false;
    }
    m_pZip = OpenZip();
    if (m_pZip == nullptr) {
        return false;
    }
    zip_int64_t nEntries = zip_get_num_entries(m_pZip, 0);
    if (nEntries < 0 || uint64_t(nEntries) != m_layout.arrEntries.size()) {
        Emit(-1, UNZ_MSG_ERROR, UNZ_ERR_ARCHIVE,
             "Fatal Error: damaged archive: the entry count does not add up");
        return false;
    }
    m_nEntryCount = int(std::min<zip_int64_t>(nEntries, INT32_MAX));
    return true;
}

zip_t* CUnzipRun::OpenZip() {
    zip_error_t error;
    zip_error_init(&error);
    zip_t* pZip = nullptr;
    zip_source_t* pSource = CPreadSource::Create(m_nArchiveFd, m_nArchiveSize, &error);
    if (pSource != nullptr) {
        pZip = zip_open_from_source(pSource, ZIP_RDONLY, &error);
        if (pZip == nullptr) {
            zip_source_free(pSource);
        }
    }
    if (pZip == nullptr) {
        int nCode = zip_error_code_zip(&error);
        if (nCode == ZIP_ER_NOZIP) {
            Emit(-1, UNZ_MSG_ERROR, UNZ_ERR_NOCENTRAL, UNZ_TEXT_NO_CENTRAL);
        } else if (nCode == ZIP_ER_MEMORY) {
            Emit(-1, UNZ_MSG_ERROR, UNZ_ERR_INTERNAL, "Fatal Error: out of memory");
        } else if (nCode == ZIP_ER_READ || nCode == ZIP_ER_SEEK) {
            Emit(-1, UNZ_MSG_ERROR, UNZ_ERR_OPEN,
                 std::string("Fatal Error: cannot read the archive: ") + zip_error_strerror(&error));
        } else {
            Emit(-1, UNZ_MSG_ERROR, UNZ_ERR_ARCHIVE,
                 std::string("Fatal Error: damaged archive: ") + zip_error_strerror(&error));
        }
    }
    zip_error_fini(&error);
    return pZip;
}

void CUnzipRun::Plan() {
    m_arrPlanned.resize(m_layout.arrEntries.size());
    for (size_t i = 0; i < m_arrPlanned.size(); ++i) {
        Planned& entry = m_arrPlanned[i];
        entry.nIndex = i;
        const char* pszName = zip_get_name(m_pZip, i, ZIP_FL_ENC_GUESS);
        entry.strName = pszName != nullptr ? pszName : "";
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(m_pZip, i, 0, &st) == 0) {
            if (st.valid & ZIP_STAT_MTIME) {
                entry.bHasTime = true;
                entry.tModified = st.mtime;
            }
            if (st.valid & ZIP_STAT_ENCRYPTION_METHOD) {
                entry.bEncrypted = st.encryption_method != ZIP_EM_NONE;
                entry.bAes = st.encryption_method == ZIP_EM_AES_128 ||
                             st.encryption_method == ZIP_EM_AES_192 || st.encryption_method == ZIP_EM_AES_256;
            }
            if (st.valid & ZIP_STAT_COMP_METHOD) {
                entry.nMethod = st.comp_method;
            }
        }
        // The central directory's size, read by us: the same value libzip checks against.
        entry.nSize = m_layout.arrEntries[i].nSize;
        // The central directory's name is the one used; the local header's copy must agree.
        const CZipLayout::Entry& layoutEntry = m_layout.arrEntries[i];
        if (layoutEntry.eNameCheck == CZipLayout::ENameCheck::Differs) {
            entry.eKind = EKind::Refused;
            entry.nRefusalCode = UNZ_ERR_ARCHIVE;
            entry.strRefusal = "the local header gives it another name (\"" +
                               Printable(layoutEntry.strLocalName) + "\"): damaged archive";
            continue;
        }
        entry.bOtherSeparators = layoutEntry.eNameCheck == CZipLayout::ENameCheck::SeparatorsOnly;
        if (layoutEntry.nAesVersion != 0 && layoutEntry.nMethod == 99) {
            entry.bAes = true;
            entry.bEncrypted = true;
            entry.bAesNoCrc = layoutEntry.nAesVersion == 2 && layoutEntry.nCrc == 0;
        }
        zip_uint8_t nOpsys = 0;
        zip_uint32_t nAttributes = 0;
        zip_file_get_external_attributes(m_pZip, i, 0, &nOpsys, &nAttributes);
        bool bDirectory = false;
        if (!CSafePath::Split(entry.strName, entry.arrParts, bDirectory, entry.strRefusal)) {
            entry.eKind = EKind::Refused;
            continue;
        }
        if (nOpsys == ZIP_OPSYS_UNIX && (nAttributes >> 16) != 0) {
            entry.bHasMode = true;
            entry.nMode = mode_t(nAttributes >> 16);
        }
        mode_t nType = entry.nMode & S_IFMT;
        if (bDirectory || (entry.bHasMode && nType == S_IFDIR) ||
            (nOpsys == ZIP_OPSYS_DOS && (nAttributes & 0x10))) {
            entry.eKind = EKind::Folder;
        } else if (entry.bHasMode && nType == S_IFLNK) {
            entry.eKind = EKind::Link;
        } else if (!entry.bHasMode || nType == S_IFREG || nType == 0) {
            entry.eKind = EKind::File;
        } else {
            entry.eKind = EKind::Refused;
            entry.strRefusal = "not a regular file, folder or link (device, pipe or socket)";
        }
    }
    for (const Planned& entry : m_arrPlanned) {
        if (entry.eKind == EKind::Refused) {
            Emit(int(entry.nIndex), UNZ_MSG_ERROR, entry.nRefusalCode,
                 "Error: " + entry.strName + ": refused, " + entry.strRefusal);
            continue;
        }
        if (entry.bOtherSeparators) {
            Emit(int(entry.nIndex), UNZ_MSG_WARNING, UNZ_OK,
                 "Warning: " + entry.strName + ": the local header writes the name with other separators");
        }
        if (entry.eKind != EKind::Folder) {
            m_nTotalBytes += entry.nSize;
        }
    }
    Deliver();
}

bool CUnzipRun::CheckSizes() {
    if (m_nTotalBytes > RATIO_FLOOR && m_nTotalBytes / MAX_RATIO > m_nArchiveSize) {
        Emit(-1, UNZ_MSG_ERROR, UNZ_ERR_BOMB,
             "Fatal Error: the archive claims " + std::to_string(m_nTotalBytes) + " bytes from " +
                 std::to_string(m_nArchiveSize) + ", more than any compression gives; refused as a zip bomb");
        return false;
    }
    struct statvfs fs {};
    if (!m_bTest && fstatvfs(m_nRootFd, &fs) == 0) {
        uint64_t nFree = uint64_t(fs.f_bavail) * fs.f_frsize;
        if (m_nTotalBytes > nFree) {
            Emit(-1, UNZ_MSG_ERROR, UNZ_ERR_WRITE,
                 "Fatal Error: not enough disk space: the archive unpacks to " +
                     std::to_string(m_nTotalBytes) + " bytes, " + std::to_string(nFree) + " bytes are free");
            return false;
        }
    }
    return true;
}

void CUnzipRun::MakeFolders() {
    COutputDir output(m_nRootFd);
    for (const Planned& entry : m_arrPlanned) {
        if (entry.eKind != EKind::Folder || Stopped()) {
            continue;
        }
        if (!m_bTest) {
            std::string strError;
            bool bRefused = false;
            if (output.OpenFolder(entry.arrParts, entry.arrParts.size(), strError, bRefused) < 0) {
                Emit(int(entry.nIndex), UNZ_MSG_ERROR, bRefused ? UNZ_ERR_REFUSED : UNZ_ERR_WRITE,
                     "Error: " + entry.strName + ": " + strError);
                continue;
            }
        }
        Emit(int(entry.nIndex), UNZ_MSG_ENTRY, UNZ_OK, (m_bTest ? "Tested " : "Unzipped ") + entry.strName);
        Deliver();
    }
}

void CUnzipRun::ExtractFiles() {
    for (size_t i = 0; i < m_arrPlanned.size(); ++i) {
        if (m_arrPlanned[i].eKind == EKind::File) {
            m_arrFileOrder.push_back(i);
        }
    }
    // Biggest first, so that the last entry to finish is a small one.
    std::stable_sort(m_arrFileOrder.begin(), m_arrFileOrder.end(),
                     [&](size_t a, size_t b) { return m_arrPlanned[a].nSize > m_arrPlanned[b].nSize; });
    // Parallel entries pay off when decoding costs CPU. Stored data is mostly copying, where
    // two writers only contend for the page cache; one decoding thread with a writing thread
    // (large entries) does better there.
    uint64_t nStoredBytes = 0;
    for (size_t nPlanned : m_arrFileOrder) {
        if (m_arrPlanned[nPlanned].nMethod == ZIP_CM_STORE && !m_arrPlanned[nPlanned].bEncrypted) {
            nStoredBytes += m_arrPlanned[nPlanned].nSize;
        }
    }
    size_t nThreads = std::max(1u, std::thread::hardware_concurrency());
    if (m_nTotalBytes < PARALLEL_FLOOR || nStoredBytes > m_nTotalBytes / 2) {
        nThreads = 1;
    }
    // Benchmarks set the number of workers to compare.
    if (const char* pszThreads = std::getenv("UNZDLL_THREADS");
        pszThreads != nullptr && std::atoi(pszThreads) > 0) {
        nThreads = size_t(std::atoi(pszThreads));
    }
    nThreads = std::min({nThreads, MAX_THREADS, m_arrFileOrder.size()});
    if (nThreads <= 1 || Stopped()) {
        WorkerLoop(true);
        return;
    }
    std::vector<std::thread> arrThreads;
    // Whatever happens below, no thread outlives this function.
    struct CJoiner {
        CUnzipRun* pRun;
        std::vector<std::thread>& arrThreads;
        ~CJoiner() {
            for (std::thread& thread : arrThreads) {
                if (thread.joinable()) {
                    pRun->m_bStop = true;
                    thread.join();
                }
            }
        }
    } joiner{this, arrThreads};
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_nWorkersRunning = 0;
    }
    for (size_t i = 0; i < nThreads; ++i) {
        try {
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                ++m_nWorkersRunning;
            }
            arrThreads.emplace_back([this] {
                try {
                    WorkerLoop(false);
                } catch (...) {
                    Emit(-1, UNZ_MSG_ERROR, UNZ_ERR_INTERNAL,
                         "Fatal Error: unexpected failure in a worker thread");
                    m_bStop = true;
                }
                std::lock_guard<std::mutex> lock(m_mutex);
                --m_nWorkersRunning;
                m_wake.notify_one();
            });
        } catch (...) {
            std::lock_guard<std::mutex> lock(m_mutex);
            --m_nWorkersRunning;
            break;
        }
    }
    if (arrThreads.empty()) {
        WorkerLoop(true);
        return;
    }
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait_for(lock, std::chrono::milliseconds(UNZ_PROGRESS_INTERVAL_MS / 2),
                            [&] { return !m_queue.empty() || m_nWorkersRunning == 0; });
            if (m_nWorkersRunning == 0 && m_queue.empty()) {
                break;
            }
        }
        Deliver();
    }
    for (std::thread& thread : arrThreads) {
        thread.join();
    }
}

void CUnzipRun::WorkerLoop(bool bInline) {
    zip_t* pZip = bInline ? m_pZip : OpenZip();
    if (pZip == nullptr) {
        m_bStop = true;
        return;
    }
    COutputDir output(m_nRootFd);
    std::vector<char> arrBuffer(BUFFER_SIZE);
    while (!Stopped() && !m_bDiskFull) {
        size_t nSlot = m_nNextFile.fetch_add(1);
        if (nSlot >= m_arrFileOrder.size()) {
            break;
        }
        ExtractOne(pZip, m_arrPlanned[m_arrFileOrder[nSlot]], output, arrBuffer, bInline);
        if (bInline) {
            Deliver();
        }
    }
    if (!bInline) {
        zip_discard(pZip);
    }
}
