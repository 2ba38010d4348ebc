#include "engine/Companions.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "engine/CProcessLog.h"
#include "engine/CleanUp.h"
#include "engine/FolderMarkers.h"

namespace {

struct CKindTexts {
    const char* pszLog;
    const char* pszOpen;
    const char* pszCreate;
    const char* pszRead;
    const char* pszWrite;
};

CKindTexts TextsFor(ECompanionKind nKind) {
    switch (nKind) {
        case ECompanionKind::Nfo:
            return {"Copy nfo:\t\t", "Unable to open nfofile", "Unable to create nfofile",
                    "Unable to read nfofile", "Unable to write nfofile"};
        case ECompanionKind::Cover:
            return {"Copy cover:\t", "Unable to open coverfile", "Unable to create coverfile",
                    "Unable to read coverfile", "Unable to write coverfile"};
        case ECompanionKind::Sample:
            return {"Copy sample:\t", "Unable to open samplefile", "Unable to create samplefile",
                    "Unable to read samplefile", "Unable to write samplefile"};
        case ECompanionKind::Subtitle:
            break;
    }
    return {"Copy subsfile:\t", "Unable to open subsfile", "Unable to create subsfile",
            "Unable to read subsfile", "Unable to write subsfile"};
}

std::string FileName(const std::string& strPath) {
    const auto nPos = strPath.rfind('/');
    return nPos == std::string::npos ? strPath : strPath.substr(nPos + 1);
}

std::string FolderOf(const std::string& strPath) {
    const auto nPos = strPath.rfind('/');
    return nPos == std::string::npos ? std::string() : strPath.substr(0, nPos);
}

std::string JoinPath(const std::string& strFolder, const std::string& strName) {
    if (!strFolder.empty() && strFolder.back() == '/')
        return strFolder + strName;
    return strFolder + "/" + strName;
}

void AddError(std::vector<std::string>& arrErrors, const std::string& strLine) {
    arrErrors.push_back(strLine + "\r\n");
}

bool WriteAll(int fd, const char* pData, std::size_t nSize) {
    while (nSize > 0) {
        const ssize_t nWritten = write(fd, pData, nSize);
        if (nWritten < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (nWritten == 0) {
            errno = ENOSPC;
            return false;
        }
        pData += nWritten;
        nSize -= static_cast<std::size_t>(nWritten);
    }
    return true;
}

// Large enough to copy at disk speed, small enough that a kill is seen within milliseconds.
constexpr std::size_t COPY_BLOCK = 256 * 1024;

}  // namespace

std::string FolderComponent(const std::string& strPath, int nPos) {
    if (nPos < 0 || static_cast<std::size_t>(nPos) >= strPath.size())
        return std::string();
    const auto nEnd = strPath.find('/', static_cast<std::size_t>(nPos) + 1);
    return strPath.substr(static_cast<std::size_t>(nPos),
                          nEnd == std::string::npos ? std::string::npos : nEnd - nPos);
}

bool PlanCompanionCopy(ECompanionKind nKind, const std::string& strSource, const CCompanionOptions& opt,
                       CCopyRequest& req) {
    if (!opt.bKeep || opt.bKilled || opt.bTest || opt.strOutputFolder == opt.strItemPath)
        return false;
    req = CCopyRequest();
    req.nKind = nKind;
    req.strSource = strSource;
    req.strFolder = opt.strOutputFolder;
    if (nKind == ECompanionKind::Cover) {
        const int nPos = CoverFolderPos(strSource, false, opt.strInputPath);
        if (nPos >= 0)
            req.strFolder = JoinPath(opt.strOutputFolder, FolderComponent(strSource, nPos).substr(1));
    } else if (nKind == ECompanionKind::Sample) {
        const int nPos = SampleFolderPos(strSource, false, opt.strInputPath);
        if (nPos >= 0)
            req.strFolder = JoinPath(opt.strOutputFolder, FolderComponent(strSource, nPos).substr(1));
    }
    req.strTarget = JoinPath(req.strFolder, FileName(strSource));
    return true;
}

bool PrepareCopyFolder(const CCopyRequest& req, CProcessLog& log, std::vector<std::string>& arrErrors) {
    struct stat st {};
    if (stat(req.strFolder.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return true;
        AddError(arrErrors, "Unable to create folder " + req.strFolder + ": " + SystemMessage(ENOTDIR));
        return false;
    }
    if (mkdir(req.strFolder.c_str(), 0777) == 0 || errno == EEXIST) {
        log.AppendWorkerLog("Created folder:\t" + req.strFolder + "\r\n", false, false, false);
        return true;
    }
    AddError(arrErrors, "Unable to create folder " + req.strFolder + ": " + SystemMessage(errno));
    return false;
}

void AvoidTargetClash(CCopyRequest& req, std::map<std::string, std::string>& mapTargets, CProcessLog& log) {
    auto taken = [&](const std::string& strTarget) {
        const auto it = mapTargets.find(strTarget);
        return it != mapTargets.end() && it->second != req.strSource;
    };
    if (taken(req.strTarget)) {
        const std::string strName = FileName(req.strTarget);
        const auto nDot = strName.rfind('.');
        const std::string strStem =
            nDot == std::string::npos || nDot == 0 ? strName : strName.substr(0, nDot);
        const std::string strExt =
            nDot == std::string::npos || nDot == 0 ? std::string() : strName.substr(nDot);
        const std::string strTag = FileName(FolderOf(req.strSource));
        std::string strCandidate = JoinPath(req.strFolder, strStem + "." + strTag + strExt);
        for (int n = 2; taken(strCandidate) || strTag.empty(); ++n) {
            strCandidate = JoinPath(req.strFolder, strStem + "." + strTag + "-" + std::to_string(n) + strExt);
            if (!taken(strCandidate))
                break;
        }
        log.AppendWorkerLog("Renamed:\t" + strName + " -> " + FileName(strCandidate) + "\r\n", false, false,
                            false);
        req.strTarget = strCandidate;
    }
    mapTargets[req.strTarget] = req.strSource;
}

ECopyResult RunCompanionCopy(const CCopyRequest& req, const std::atomic<int>& bKillRequested,
                             CProcessLog& log, std::vector<std::string>& arrErrors) {
    const CKindTexts texts = TextsFor(req.nKind);
    const int fdSource = open(req.strSource.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fdSource < 0) {
        AddError(arrErrors, texts.pszOpen + req.strSource);
        return ECopyResult::Failed;
    }
    struct stat stSource {};
    if (fstat(fdSource, &stSource) != 0 || !S_ISREG(stSource.st_mode)) {
        close(fdSource);
        AddError(arrErrors, texts.pszOpen + req.strSource);
        return ECopyResult::Failed;
    }
    fcntl(fdSource, F_SETFL, fcntl(fdSource, F_GETFL) & ~O_NONBLOCK);

    // The target may be the source itself under another name (a hard link, a link to it,
    // a folder reached twice): copying would truncate the only copy.
    struct stat stTarget {};
    if (stat(req.strTarget.c_str(), &stTarget) == 0 && stTarget.st_dev == stSource.st_dev &&
        stTarget.st_ino == stSource.st_ino) {
        close(fdSource);
        AddError(arrErrors, texts.pszCreate + req.strTarget + ": the target is the source file itself");
        return ECopyResult::Failed;
    }

    std::string strTemp = JoinPath(req.strFolder, ".harvex-copy-XXXXXX");
    const int fdTarget = mkstemp(strTemp.data());
    if (fdTarget < 0) {
        const int nError = errno;
        close(fdSource);
        AddError(arrErrors, texts.pszCreate + req.strTarget + ": " + SystemMessage(nError));
        return ECopyResult::Failed;
    }
    fchmod(fdTarget, stSource.st_mode & 0666);
    log.AppendWorkerLog(texts.pszLog + FileName(req.strSource) + "\r\n", false, false, false);

    std::vector<char> arrBuffer(COPY_BLOCK);
    std::uint64_t nCopied = 0;
    ECopyResult nResult = ECopyResult::Copied;
    for (;;) {
        const ssize_t nRead = read(fdSource, arrBuffer.data(), arrBuffer.size());
        if (nRead < 0) {
            if (errno == EINTR)
                continue;
            AddError(arrErrors, texts.pszRead + req.strSource + ": " + SystemMessage(errno));
            nResult = ECopyResult::Failed;
            break;
        }
        if (nRead > 0 && !WriteAll(fdTarget, arrBuffer.data(), static_cast<std::size_t>(nRead))) {
            AddError(arrErrors, texts.pszWrite + req.strTarget + ": " + SystemMessage(errno));
            nResult = ECopyResult::Failed;
            break;
        }
        nCopied += static_cast<std::uint64_t>(nRead);
        if (bKillRequested.load()) {
            nResult = ECopyResult::Killed;
            break;
        }
        if (nRead == 0)
            break;
    }
    close(fdSource);
    if (nResult == ECopyResult::Copied && nCopied != static_cast<std::uint64_t>(stSource.st_size)) {
        AddError(arrErrors, texts.pszRead + req.strSource + ": the file changed while it was copied");
        nResult = ECopyResult::Failed;
    }
    if (nResult == ECopyResult::Copied && fsync(fdTarget) != 0) {
        AddError(arrErrors, texts.pszWrite + req.strTarget + ": " + SystemMessage(errno));
        nResult = ECopyResult::Failed;
    }
    if (close(fdTarget) != 0 && nResult == ECopyResult::Copied) {
        AddError(arrErrors, texts.pszWrite + req.strTarget + ": " + SystemMessage(errno));
        nResult = ECopyResult::Failed;
    }
    if (nResult == ECopyResult::Copied && rename(strTemp.c_str(), req.strTarget.c_str()) != 0) {
        AddError(arrErrors, texts.pszCreate + req.strTarget + ": " + SystemMessage(errno));
        nResult = ECopyResult::Failed;
    }
    if (nResult != ECopyResult::Copied)
        unlink(strTemp.c_str());
    return nResult;
}
