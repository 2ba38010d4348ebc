#pragma once
// Writes entries below one destination folder and nowhere else. Every folder on the way
// is opened relative to the destination with O_NOFOLLOW, so an existing symbolic link in
// the destination (or one extracted earlier) is never followed; a file is written into an
// unnamed temporary file (O_TMPFILE, or a hidden temporary name where the file system has
// none) and only linked in under its name when complete, replacing what was there, so a
// failed or interrupted entry leaves nothing behind and an existing link is replaced, never
// written through. Set-user-id, set-group-id and sticky bits are never set.
// One entry at a time; single-threaded.

#include <cstdint>
#include <ctime>
#include <string>

enum class SafeStatus {
    Ok,
    RefusedThroughLink,  // a folder on the way is a symbolic link
    CreateError,         // the file, link or folder could not be created (nErrno)
    WriteError,          // writing the data failed (nErrno): full disk, file size limit
};

class CSafeDestination {
public:
    CSafeDestination() = default;
    ~CSafeDestination();
    CSafeDestination(const CSafeDestination&) = delete;
    CSafeDestination& operator=(const CSafeDestination&) = delete;

    // Creates the destination folder (with its parents) when missing and opens it.
    SafeStatus Open(const std::string& strDestination);
    // "<destination>/<relative>" as printed in messages.
    std::string DisplayPath(const std::string& strRelative) const;

    SafeStatus CreateDirectory(const std::string& strRelative);
    // Starts a regular file; then Write() its data and CommitFile() or AbortFile().
    SafeStatus BeginFile(const std::string& strRelative);
    SafeStatus Write(const void* pData, size_t nBytes);
    SafeStatus CommitFile(unsigned nMode, time_t nMtime, bool bHasMtime);
    void AbortFile();
    SafeStatus CreateSymlink(const std::string& strRelative, const std::string& strTarget);
    // Links strRelative to the regular file strTargetRelative extracted before.
    SafeStatus CreateHardlink(const std::string& strRelative, const std::string& strTargetRelative);

    int nErrno = 0;  // the system error of the last failure

    // Removes a named temporary file left by the entry being written; async-signal-safe.
    static void RemoveTemporaryFromSignalHandler();

private:
    SafeStatus OpenFolder(const std::string& strRelative, int& fd);
    SafeStatus ReplaceWithTemporary(int parentFd, const std::string& strLeaf);
    void CloseCachedFolder();

    int nRootFd = -1;
    std::string strRoot;          // display form, without trailing slash
    std::string strCachedFolder;  // the folder opened last and its descriptor
    int nCachedFd = -1;
    // The file being written.
    int nFileFd = -1;
    int nFileParentFd = -1;
    std::string strFileLeaf;
    std::string strTempName;  // named temporary file, empty with O_TMPFILE
};
