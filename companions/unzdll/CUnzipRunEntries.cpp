// CUnzipRun, part two: one entry at a time (files on the worker threads, links on the
// calling thread) and the texts of the per-entry failures.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <thread>

#include "companions/unzdll/CAesAuthentication.h"
#include "companions/unzdll/CAsyncWriter.h"
#include "companions/unzdll/COutputDir.h"
#include "companions/unzdll/CSafePath.h"
#include "companions/unzdll/CUnzipRun.h"
#include "companions/unzdll/CUnzipRunShared.h"

using namespace unzdll;

void CUnzipRun::ReportZipError(const Planned& entry, const zip_error_t* pError) {
    int nZipCode = zip_error_code_zip(pError);
    const char* pszWhat = zip_error_strerror(const_cast<zip_error_t*>(pError));
    int nEntry = int(entry.nIndex);
    bool bDataError = nZipCode == ZIP_ER_CRC || nZipCode == ZIP_ER_ZLIB ||
                      nZipCode == ZIP_ER_COMPRESSED_DATA || nZipCode == ZIP_ER_INCONS ||
                      nZipCode == ZIP_ER_EOF;
    if (nZipCode == ZIP_ER_NOPASSWD || nZipCode == ZIP_ER_WRONGPASSWD) {
        Emit(nEntry, UNZ_MSG_ERROR, UNZ_ERR_PASSWORD,
             "Error: " UNZ_TEXT_SKIP_ENCRYPTED " " + entry.strName + ": " UNZ_TEXT_BAD_PASSWORD);
    } else if (entry.bEncrypted && bDataError) {
        // Traditional encryption accepts one wrong password in 256 and then decodes garbage.
        Emit(nEntry, UNZ_MSG_ERROR, UNZ_ERR_PASSWORD,
             "Error: " UNZ_TEXT_SKIP_ENCRYPTED " " + entry.strName +
                 ": " UNZ_TEXT_BAD_PASSWORD " or damaged data");
    } else if (nZipCode == ZIP_ER_CRC) {
        Emit(nEntry, UNZ_MSG_ERROR, UNZ_ERR_CRC,
             "Error: " + entry.strName + ": CRC failed, the data is damaged");
    } else if (nZipCode == ZIP_ER_COMPNOTSUPP) {
        Emit(nEntry, UNZ_MSG_ERROR, UNZ_ERR_METHOD,
             "Error: " + entry.strName + ": unsupported compression method " + std::to_string(entry.nMethod));
    } else if (nZipCode == ZIP_ER_ENCRNOTSUPP) {
        Emit(nEntry, UNZ_MSG_ERROR, UNZ_ERR_METHOD,
             "Error: " + entry.strName + ": unsupported encryption method");
    } else if (bDataError) {
        Emit(nEntry, UNZ_MSG_ERROR, UNZ_ERR_DATA,
             "Error: " + entry.strName + ": damaged data (" + pszWhat + ")");
    } else if (nZipCode == ZIP_ER_MEMORY) {
        Emit(nEntry, UNZ_MSG_ERROR, UNZ_ERR_INTERNAL, "Error: " + entry.strName + ": out of memory");
    } else {
        Emit(nEntry, UNZ_MSG_ERROR, UNZ_ERR_OPEN,
             "Error: " + entry.strName + ": cannot read (" + pszWhat + ")");
    }
}

void CUnzipRun::ReportSizeFault(const Planned& entry, const std::string& strWhat) {
    if (entry.bEncrypted) {
        // A wrong password that passes the one-byte check of traditional encryption decodes
        // garbage, which may inflate to any length: that is a password failure for the caller.
        Emit(int(entry.nIndex), UNZ_MSG_ERROR, UNZ_ERR_PASSWORD,
             "Error: " UNZ_TEXT_SKIP_ENCRYPTED " " + entry.strName +
                 ": " UNZ_TEXT_BAD_PASSWORD " or damaged data");
        return;
    }
    Emit(int(entry.nIndex), UNZ_MSG_ERROR, UNZ_ERR_DATA, "Error: " + entry.strName + ": " + strWhat);
}

bool CUnzipRun::IsMissingCrc(const Planned& entry, const zip_error_t* pError) const {
    // libzip compares the CRC field even where it is 0 by design, and reports that only
    // after the last byte: the data is complete, and the authentication code decides.
    return entry.bAesNoCrc && zip_error_code_zip(pError) == ZIP_ER_CRC;
}

bool CUnzipRun::Authenticate(const Planned& entry, bool bInline) {
    const CZipLayout::Entry& layoutEntry = m_layout.arrEntries[entry.nIndex];
    std::string strError;
    auto goOn = [&] {
        if (bInline) {
            Deliver();
        }
        return !Stopped();
    };
    int nEntry = int(entry.nIndex);
    switch (CAesAuthentication::Verify(m_nArchiveFd, layoutEntry.nDataOffset, layoutEntry.nCompressedSize,
                                       layoutEntry.nAesStrength,
                                       m_pszPassword != nullptr ? m_pszPassword : "", goOn, strError)) {
        case CAesAuthentication::EResult::Ok:
            return true;
        case CAesAuthentication::EResult::Stopped:
            return false;
        case CAesAuthentication::EResult::WrongPassword:
            Emit(nEntry, UNZ_MSG_ERROR, UNZ_ERR_PASSWORD,
                 "Error: " UNZ_TEXT_SKIP_ENCRYPTED " " + entry.strName + ": " UNZ_TEXT_BAD_PASSWORD);
            return false;
        case CAesAuthentication::EResult::Mismatch:
            Emit(nEntry, UNZ_MSG_ERROR, UNZ_ERR_PASSWORD,
                 "Error: " UNZ_TEXT_SKIP_ENCRYPTED " " + entry.strName +
                     ": " UNZ_TEXT_BAD_PASSWORD " or damaged data (authentication code)");
            return false;
        case CAesAuthentication::EResult::Damaged:
            Emit(nEntry, UNZ_MSG_ERROR, UNZ_ERR_DATA,
                 "Error: " + entry.strName +
                     ": damaged data (AES entry too short or of unknown key strength)");
            return false;
        case CAesAuthentication::EResult::ReadError:
            break;
    }
    Emit(nEntry, UNZ_MSG_ERROR, UNZ_ERR_OPEN, "Error: " + entry.strName + ": cannot read (" + strError + ")");
    return false;
}

void CUnzipRun::ExtractOne(zip_t* pZip, const Planned& entry, COutputDir& output,
                           std::vector<char>& arrBuffer, bool bInline) {
    int nEntry = int(entry.nIndex);
    CZipFileCloser file{zip_fopen_index_encrypted(pZip, entry.nIndex, 0, m_pszPassword)};
    if (file.pFile == nullptr) {
        ReportZipError(entry, zip_get_error(pZip));
        return;
    }
    int nFolderFd = -1;
    int nOutFd = -1;
    std::string strTemp;
    if (!m_bTest) {
        std::string strError;
        bool bRefused = false;
        nFolderFd = output.OpenFolder(entry.arrParts, entry.arrParts.size() - 1, strError, bRefused);
        if (nFolderFd < 0) {
            Emit(nEntry, UNZ_MSG_ERROR, bRefused ? UNZ_ERR_REFUSED : UNZ_ERR_WRITE,
                 "Error: " + entry.strName + ": " + strError);
            return;
        }
        nOutFd = COutputDir::CreateTemp(nFolderFd, strTemp);
        if (nOutFd < 0) {
            Emit(nEntry, UNZ_MSG_ERROR, UNZ_ERR_WRITE,
                 "Error: " + entry.strName + ": cannot create: " + std::strerror(errno));
            if (errno == ENOSPC || errno == EDQUOT) {
                m_bDiskFull = true;
            }
            return;
        }
    }
    // A single large entry: decode here and write on a second thread.
    std::unique_ptr<CAsyncWriter> pWriter;
    if (nOutFd >= 0 && bInline && entry.nSize >= ASYNC_FLOOR && std::thread::hardware_concurrency() > 1) {
        pWriter = std::make_unique<CAsyncWriter>(BUFFER_SIZE);
        if (!pWriter->Start(nOutFd)) {
            pWriter.reset();
        }
    }
    auto discard = [&] {
        if (pWriter) {
            pWriter->Finish();
        }
        if (nOutFd >= 0) {
            close(nOutFd);
            unlinkat(nFolderFd, strTemp.c_str(), 0);
            nOutFd = -1;
        }
    };
    auto failWrite = [&](int nErr) {
        discard();
        std::string strWhy = std::strerror(nErr);
        if (nErr == ENOSPC || nErr == EDQUOT) {
            strWhy += " (the disk is full)";
            m_bDiskFull = true;
        }
        Emit(nEntry, UNZ_MSG_ERROR, UNZ_ERR_WRITE, "Error: " + entry.strName + ": write failed: " + strWhy);
    };
    uint64_t nWritten = 0;
    for (;;) {
        if (Stopped()) {
            discard();
            return;
        }
        char* pBuffer = pWriter ? pWriter->Acquire() : arrBuffer.data();
        if (pBuffer == nullptr) {
            failWrite(pWriter->Finish());
            return;
        }
        zip_int64_t nRead = zip_fread(file.pFile, pBuffer, BUFFER_SIZE);
        if (nRead < 0 && IsMissingCrc(entry, zip_file_get_error(file.pFile))) {
            nRead = 0;
        }
        if (nRead < 0) {
            discard();
            ReportZipError(entry, zip_file_get_error(file.pFile));
            return;
        }
        if (nRead == 0) {
            break;
        }
        nWritten += uint64_t(nRead);
        m_nDoneBytes.fetch_add(uint64_t(nRead), std::memory_order_relaxed);
        if (nWritten > entry.nSize) {
            discard();
            ReportSizeFault(entry, "more data than the header declares (damaged or hostile archive)");
            return;
        }
        if (pWriter) {
            pWriter->Submit(size_t(nRead));
        } else if (nOutFd >= 0 && !WriteAll(nOutFd, pBuffer, size_t(nRead))) {
            failWrite(errno);
            return;
        }
        if (bInline) {
            Deliver();
        }
    }
    if (pWriter) {
        if (int nErr = pWriter->Finish(); nErr != 0) {
            failWrite(nErr);
            return;
        }
    }
    if (nWritten != entry.nSize) {
        discard();
        ReportSizeFault(entry, "damaged data (" + std::to_string(nWritten) + " bytes instead of " +
                                   std::to_string(entry.nSize) + ")");
        return;
    }
    if (entry.bAes && !Authenticate(entry, bInline)) {
        discard();
        return;
    }
    if (nOutFd >= 0) {
        // The stored permissions pass through the umask, as for any new file: an archive
        // does not get to make world-writable files. Set-id and sticky bits never pass.
        mode_t nMode = (entry.bHasMode ? (entry.nMode & 0777) : 0666) & ~m_nUmask;
        fchmod(nOutFd, nMode);
        if (entry.bHasTime) {
            struct timespec aTimes[2] = {{0, UTIME_OMIT}, {entry.tModified, 0}};
            futimens(nOutFd, aTimes);
        }
        if (close(nOutFd) != 0) {
            int nErr = errno;
            nOutFd = -1;
            unlinkat(nFolderFd, strTemp.c_str(), 0);
            Emit(nEntry, UNZ_MSG_ERROR, UNZ_ERR_WRITE,
                 "Error: " + entry.strName + ": write failed: " + std::strerror(nErr));
            return;
        }
        nOutFd = -1;
        if (renameat(nFolderFd, strTemp.c_str(), nFolderFd, entry.arrParts.back().c_str()) != 0) {
            int nErr = errno;
            unlinkat(nFolderFd, strTemp.c_str(), 0);
            Emit(nEntry, UNZ_MSG_ERROR, UNZ_ERR_WRITE,
                 "Error: " + entry.strName + ": cannot create: " + std::strerror(nErr));
            return;
        }
        if (entry.bHasMode && (entry.nMode & (S_ISUID | S_ISGID | S_ISVTX))) {
            Emit(nEntry, UNZ_MSG_WARNING, UNZ_OK,
                 "Warning: " + entry.strName + ": set-user-id, set-group-id and sticky bits not restored");
        }
    }
    Emit(nEntry, UNZ_MSG_ENTRY, UNZ_OK, (m_bTest ? "Tested " : "Unzipped ") + entry.strName);
}

void CUnzipRun::MakeLinks() {
    COutputDir output(m_nRootFd);
    std::vector<char> arrTarget(MAX_LINK_TARGET + 1);
    for (const Planned& entry : m_arrPlanned) {
        if (entry.eKind != EKind::Link || Stopped()) {
            continue;
        }
        int nEntry = int(entry.nIndex);
        if (entry.nSize > MAX_LINK_TARGET) {
            Emit(nEntry, UNZ_MSG_ERROR, UNZ_ERR_REFUSED,
                 "Error: " + entry.strName + ": refused, link target too long");
            continue;
        }
        std::string strTarget;
        {
            CZipFileCloser file{zip_fopen_index_encrypted(m_pZip, entry.nIndex, 0, m_pszPassword)};
            if (file.pFile == nullptr) {
                ReportZipError(entry, zip_get_error(m_pZip));
                continue;
            }
            bool bFailed = false;
            while (strTarget.size() <= MAX_LINK_TARGET) {
                zip_int64_t nRead = zip_fread(file.pFile, arrTarget.data(), arrTarget.size());
                if (nRead < 0 && IsMissingCrc(entry, zip_file_get_error(file.pFile))) {
                    nRead = 0;
                }
                if (nRead < 0) {
                    ReportZipError(entry, zip_file_get_error(file.pFile));
                    bFailed = true;
                    break;
                }
                if (nRead == 0) {
                    break;
                }
                strTarget.append(arrTarget.data(), size_t(nRead));
            }
            if (bFailed) {
                continue;
            }
            if (strTarget.size() != entry.nSize) {
                Emit(nEntry, UNZ_MSG_ERROR, UNZ_ERR_DATA,
                     "Error: " + entry.strName + ": damaged data (link target)");
                continue;
            }
            if (entry.bAes && !Authenticate(entry, true)) {
                continue;
            }
        }
        m_nDoneBytes += entry.nSize;
        if (!CSafePath::IsLinkTargetInside(entry.arrParts, strTarget)) {
            Emit(nEntry, UNZ_MSG_ERROR, UNZ_ERR_REFUSED,
                 "Error: " + entry.strName +
                     ": refused, symbolic link points outside the destination folder (" + strTarget + ")");
            Deliver();
            continue;
        }
        if (!m_bTest) {
            std::string strError;
            bool bRefused = false;
            int nFolderFd = output.OpenFolder(entry.arrParts, entry.arrParts.size() - 1, strError, bRefused);
            if (nFolderFd < 0) {
                Emit(nEntry, UNZ_MSG_ERROR, bRefused ? UNZ_ERR_REFUSED : UNZ_ERR_WRITE,
                     "Error: " + entry.strName + ": " + strError);
                Deliver();
                continue;
            }
            std::string strTemp;
            if (!COutputDir::CreateTempLink(nFolderFd, strTarget, strTemp)) {
                Emit(nEntry, UNZ_MSG_ERROR, UNZ_ERR_WRITE,
                     "Error: " + entry.strName + ": cannot create link: " + std::strerror(errno));
                Deliver();
                continue;
            }
            if (renameat(nFolderFd, strTemp.c_str(), nFolderFd, entry.arrParts.back().c_str()) != 0) {
                int nErr = errno;
                unlinkat(nFolderFd, strTemp.c_str(), 0);
                Emit(nEntry, UNZ_MSG_ERROR, UNZ_ERR_WRITE,
                     "Error: " + entry.strName + ": cannot create link: " + std::strerror(nErr));
                Deliver();
                continue;
            }
        }
        Emit(nEntry, UNZ_MSG_ENTRY, UNZ_OK, (m_bTest ? "Tested " : "Unzipped ") + entry.strName);
        Deliver();
    }
}
