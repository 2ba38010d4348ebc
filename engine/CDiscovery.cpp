#include "engine/CDiscovery.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <cstring>
#include <exception>
#include <memory>

#include "engine/CJobList.h"
#include "engine/CRegisteredMessages.h"
#include "engine/FolderMarkers.h"
#include "engine/PathHelpers.h"
#include "engine/RarNaming.h"

namespace {

constexpr const char* NOT_REGULAR_TEXT = "Not a regular file";

struct CDirCloser {
    void operator()(DIR* pDir) const {
        if (pDir != nullptr) {
            closedir(pDir);
        }
    }
};
using CDirHandle = std::unique_ptr<DIR, CDirCloser>;

std::string WithSlash(std::string strFolder) {
    if (strFolder.empty() || strFolder.back() != '/') {
        strFolder += '/';
    }
    return strFolder;
}

bool IsOneOf(const std::string& strExt, std::initializer_list<const char*> list) {
    for (const char* p : list) {
        if (strExt == p) {
            return true;
        }
    }
    return false;
}

unsigned char TypeFromMode(mode_t mode) {
    if (S_ISDIR(mode)) {
        return DT_DIR;
    }
    if (S_ISREG(mode)) {
        return DT_REG;
    }
    if (S_ISLNK(mode)) {
        return DT_LNK;
    }
    return DT_UNKNOWN + 100;  // something else: FIFO, device, socket
}

}  // namespace

// What was learnt about one file before it is classified.
struct CDiscovery::CProbe {
    bool bLinked = false;  // reached through a symbolic link
    bool bOpened = false;
    uint64_t nSize = 0;
    unsigned char head[4] = {};
    size_t nHead = 0;
};

CScanOptions CScanOptions::ForItem(const CJobList& list, int nRow) {
    CScanOptions options;
    options.bCleanUp = list.GetItemOption(CJobList::OPTION_CLEAN_UP, nRow);
    options.bSample = list.GetItemOption(CJobList::OPTION_KEEP_SAMPLE, nRow);
    options.bCovers = list.GetItemOption(CJobList::OPTION_KEEP_COVERS, nRow);
    options.bSubs = list.GetItemOption(CJobList::OPTION_KEEP_SUBS, nRow);
    options.bTest = list.GetItemOption(CJobList::OPTION_TEST, nRow);
    return options;
}

CDiscovery::CDiscovery(CScanJob job, CWorkLists& lists, const std::atomic<int>* pKillRequested)
    : m_job(std::move(job)), m_lists(lists), m_pKillRequested(pKillRequested) {
    for (const std::string& strFolder : m_lists.arrFolders) {
        m_knownFolders.insert(strFolder);
    }
    for (const RarFiles& rar : m_lists.arrRarFiles) {
        m_knownRarFiles.insert(rar.strFolder + '\0' + rar.strName);
    }
}

bool CDiscovery::KillRequested() const {
    return m_pKillRequested != nullptr && m_pKillRequested->load(std::memory_order_relaxed) != 0;
}

void CDiscovery::AddFolder(const std::string& strFolder) {
    if (m_knownFolders.insert(strFolder).second) {
        m_lists.arrFolders.push_back(strFolder);
    }
}

void CDiscovery::AddRarVolume(const std::string& strName, const std::string& strFolder) {
    if (m_knownRarFiles.insert(strFolder + '\0' + strName).second) {
        m_lists.arrRarFiles.push_back(RarFiles{strName, strFolder});
    }
}

void CDiscovery::AddKept(const std::string& strPath) {
    if (m_job.options.bCleanUp) {
        m_lists.arrScanCleanUp.emplace_back(strPath, std::string(), CleanUpInfo::KIND_KEPT_FILE);
    }
}

void CDiscovery::AddUnreadable(const std::string& strPath, const std::string& strReason) {
    m_lists.arrScanCleanUp.emplace_back(strPath, strPath + ": " + strReason, CleanUpInfo::KIND_OTHER_ERROR);
}

void CDiscovery::AddScanError(const std::string& strText) {
    m_lists.bScanFailed = true;  // first, in case the line itself cannot be stored
    try {
        m_lists.arrScanErrors.push_back(strText + "\r\n");
    } catch (...) {
        // TakeScanCleanUp writes a fixed line for the flag.
    }
}

void CDiscovery::AddOwnFile(const CFileInformation& info, bool bLinked) {
    // A linked file belongs to whatever the link points at: clean-up must
    // never delete through it, so it is reported as left in place.
    if (bLinked) {
        AddKept(info.strPath);
    } else {
        m_lists.arrAllFiles.push_back(info);
    }
}

void CDiscovery::DiscoverItem() {
    try {
        if (m_job.strType == "zip") {
            CollectZipItem(m_job.strInputPath, m_job.strItemOutput);
        } else if (m_job.strType == "rar") {
            CollectRarItem(m_job.strInputPath, m_job.strItemOutput);
        } else {
            ScanFolder(m_job.strInputPath, m_job.strItemOutput);
        }
    } catch (const std::exception& e) {
        // Out of memory or similar: a partial scan must not pass for the whole item, or
        // clean-up would run on what was found. The error line makes the item fail.
        AddScanError(std::string("The scan of ") + m_job.strItemPath + " failed: " + e.what());
    } catch (...) {
        AddScanError("The scan of " + m_job.strItemPath + " failed");
    }
}

bool CDiscovery::ProbeEntry(int nDirFd, const std::string& strName, const std::string& strPath,
                            unsigned char nType, CProbe& probe) {
    int nFlags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW;
    if (nType == DT_LNK) {
        struct stat target {};
        if (fstatat(nDirFd, strName.c_str(), &target, 0) != 0) {
            AddUnreadable(strPath, SystemErrorText(errno));  // dangling link
            return false;
        }
        if (S_ISDIR(target.st_mode)) {
            AddKept(strPath);  // never followed
            return false;
        }
        if (!S_ISREG(target.st_mode)) {
            AddUnreadable(strPath, NOT_REGULAR_TEXT);
            return false;
        }
        probe.bLinked = true;
        nFlags &= ~O_NOFOLLOW;
    } else if (nType != DT_REG) {
        AddUnreadable(strPath, NOT_REGULAR_TEXT);
        return false;
    }
    if (m_entryHook) {
        m_entryHook(strPath);
    }
    int nFd = openat(nDirFd, strName.c_str(), nFlags);
    if (nFd < 0) {
        AddUnreadable(strPath, SystemErrorText(errno));
        return false;
    }
    struct stat st {};
    if (fstat(nFd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(nFd);
        AddUnreadable(strPath, NOT_REGULAR_TEXT);
        return false;
    }
    probe.bOpened = true;
    probe.nSize = static_cast<uint64_t>(st.st_size);
    ssize_t nRead = read(nFd, probe.head, sizeof probe.head);
    probe.nHead = nRead > 0 ? static_cast<size_t>(nRead) : 0;
    close(nFd);
    return true;
}

void CDiscovery::ClassifyFile(const std::string& strName, const std::string& strFolder, const CProbe& probe) {
    const std::string strPath = strFolder + strName;
    const std::string strExt = GetExtension(strName);
    const std::string& strBase = m_job.strInputPath;
    CFileInformation info;
    info.strPath = strPath;
    info.strFolder = strFolder;
    info.nSize = static_cast<uint32_t>(probe.nSize);  // low 32 bits

    if (IsRarCandidate(strExt, probe.head, probe.nHead, true)) {
        info.bRar = 1;
        AddOwnFile(info, probe.bLinked);
        AddRarVolume(strName, strFolder);
    } else if (strExt == "zip") {
        info.bZip = 1;
        AddOwnFile(info, probe.bLinked);
        m_lists.arrWork.push_back(info);
        m_lists.arrZipFiles.push_back(ZipFiles{strName, strFolder});
    } else if (strExt == "nfo") {
        info.bNfo = 1;
        AddOwnFile(info, probe.bLinked);
        m_lists.arrWork.push_back(info);
    } else if (IsOneOf(strExt, {"sub", "idx", "srt"})) {
        info.bSubtitle = 1;
        AddOwnFile(info, probe.bLinked);
        if (m_job.options.bSubs) {
            m_lists.arrWork.push_back(info);
        }
    } else if (SampleFolderPos(strPath, false, strBase) >= 0) {
        if (IsOneOf(strExt, {"avi", "vob", "mpg", "mkv", "mp4", "m2ts", "wmv"})) {
            info.bSample = 1;
            if (m_job.options.bSample) {
                m_lists.arrWork.push_back(info);
            }
            AddOwnFile(info, probe.bLinked);
        } else {
            AddKept(strPath);
        }
    } else if (CoverFolderPos(strPath, false, strBase) >= 0) {
        if (strExt == "jpg" || strExt == "sfv") {
            info.bCover = 1;
            if (m_job.options.bCovers && strExt == "jpg") {
                m_lists.arrWork.push_back(info);
            }
            AddOwnFile(info, probe.bLinked);
        } else {
            AddKept(strPath);
        }
    } else if (SubsFolderPos(strPath, false, strBase) >= 0) {
        if (strExt == "sfv") {
            info.bSubsPack = 1;
            AddOwnFile(info, probe.bLinked);
        } else {
            AddKept(strPath);
        }
    } else if (strExt.ends_with("-offline") || strExt == "sfv" || strExt == "diz") {
        info.bJunk = 1;
        AddOwnFile(info, probe.bLinked);
    } else {
        AddKept(strPath);
    }
}

void CDiscovery::ScanFolder(const std::string& strFolder, const std::string& strOutputFolder) {
    if (strFolder == m_job.strItemPath && strFolder != strOutputFolder) {
        AddFolder(strFolder);
    }
    CDirHandle dir(opendir(strFolder.c_str()));
    if (!dir) {
        AddUnreadable(strFolder, SystemErrorText(errno));
        return;
    }
    const int nDirFd = dirfd(dir.get());
    const std::string strFolderSlash = WithSlash(strFolder);
    while (true) {
        PumpMessages();
        if (KillRequested()) {
            return;
        }
        errno = 0;
        dirent* pEntry = readdir(dir.get());
        if (pEntry == nullptr) {
            break;
        }
        const char* pName = pEntry->d_name;
        if (std::strcmp(pName, ".") == 0 || std::strcmp(pName, "..") == 0) {
            continue;
        }
        const std::string strName(pName);
        const std::string strPath = strFolderSlash + strName;
        unsigned char nType = pEntry->d_type;
        if (nType == DT_UNKNOWN) {
            struct stat st {};
            if (fstatat(nDirFd, pName, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                AddUnreadable(strPath, SystemErrorText(errno));
                continue;
            }
            nType = TypeFromMode(st.st_mode);
        }
        if (nType == DT_DIR) {
            AddFolder(strPath);
            ScanFolder(strPath, strOutputFolder);
            if (KillRequested()) {
                return;
            }
            continue;
        }
        CProbe probe;
        if (ProbeEntry(nDirFd, strName, strPath, nType, probe)) {
            ClassifyFile(strName, strFolderSlash, probe);
        }
    }
}

void CDiscovery::CollectRarItem(const std::string& strFolder, const std::string&) {
    const std::string strFolderSlash = WithSlash(strFolder);
    const std::string strPattern = MakeVolumePattern(FileNameOf(m_job.strItemPath));
    CDirHandle dir(opendir(strFolderSlash.c_str()));
    if (!dir) {
        AddUnreadable(strFolder, SystemErrorText(errno));
        return;
    }
    const int nDirFd = dirfd(dir.get());
    while (true) {
        PumpMessages();
        if (KillRequested()) {
            return;
        }
        dirent* pEntry = readdir(dir.get());
        if (pEntry == nullptr) {
            break;
        }
        const std::string strName(pEntry->d_name);
        if (strName == "." || strName == ".." || !MatchesVolumePattern(strPattern, strName)) {
            continue;
        }
        const std::string strPath = strFolderSlash + strName;
        unsigned char nType = pEntry->d_type;
        struct stat st {};
        if (nType == DT_UNKNOWN) {
            if (fstatat(nDirFd, strName.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
                AddUnreadable(strPath, SystemErrorText(errno));
                continue;
            }
            nType = TypeFromMode(st.st_mode);
        }
        if (nType == DT_DIR) {
            continue;  // a folder named like a volume is no volume
        }
        const std::string strExt = GetExtension(strName);
        CProbe probe;
        if (!ProbeEntry(nDirFd, strName, strPath, nType, probe)) {
            // A regular file that could not be read still counts by its
            // extension, so that extraction reports it instead of silence.
            if (strExt == "rar" && fstatat(nDirFd, strName.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISREG(st.st_mode) && !IsRejectedRarExtension(strExt)) {
                CFileInformation info;
                info.strPath = strPath;
                info.strFolder = strFolderSlash;
                info.bRar = 1;
                info.nSize = static_cast<uint32_t>(st.st_size);
                m_lists.arrAllFiles.push_back(info);
                AddRarVolume(strName, strFolderSlash);
            }
            continue;
        }
        if (!IsRarCandidate(strExt, probe.head, probe.nHead, true)) {
            continue;
        }
        CFileInformation info;
        info.strPath = strPath;
        info.strFolder = strFolderSlash;
        info.bRar = 1;
        info.nSize = static_cast<uint32_t>(probe.nSize);
        AddOwnFile(info, probe.bLinked);
        AddRarVolume(strName, strFolderSlash);
    }
}

void CDiscovery::CollectZipItem(const std::string& strFolder, const std::string&) {
    const std::string& strPath = m_job.strItemPath;
    struct stat link {};
    struct stat target {};
    if (lstat(strPath.c_str(), &link) != 0 || stat(strPath.c_str(), &target) != 0) {
        AddUnreadable(strPath, SystemErrorText(errno));
        return;
    }
    if (!S_ISREG(target.st_mode)) {
        AddUnreadable(strPath, NOT_REGULAR_TEXT);  // a FIFO would block the unzip library
        return;
    }
    CFileInformation info;
    info.strPath = strPath;
    info.strFolder = WithSlash(strFolder);
    info.bZip = 1;
    info.nSize = static_cast<uint32_t>(target.st_size);
    AddOwnFile(info, S_ISLNK(link.st_mode));
    m_lists.arrWork.push_back(info);
    m_lists.arrZipFiles.push_back(ZipFiles{FileNameOf(strPath), info.strFolder});
}

CDiscoveryWorker::~CDiscoveryWorker() {
    Wait();
}

void CDiscoveryWorker::Start(QObject* pTarget, const CScanJob& job, CWorkLists& lists,
                             const std::atomic<int>* pKillRequested) {
    Wait();
    const int nScanDone = CRegisteredMessages::Get().UWM_SCAN_DONE;
    m_thread = std::thread([pTarget, job, &lists, pKillRequested, nScanDone] {
        CDiscovery discovery(job, lists, pKillRequested);
        discovery.DiscoverItem();
        PostRegisteredMessage(pTarget, nScanDone, 0, 0);
    });
}

void CDiscoveryWorker::Wait() {
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

bool EnsureFolder(const std::string& strPath, const std::function<void(const std::string&)>& pLog) {
    struct stat st {};
    if (stat(strPath.c_str(), &st) == 0) {
        return true;
    }
    if (strPath.empty() || mkdir(strPath.c_str(), 0777) != 0) {
        return false;
    }
    if (pLog) {
        pLog("Created folder:\t" + strPath + "\r\n");
    }
    return true;
}

void PumpMessages() {
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::processEvents();
    }
}
