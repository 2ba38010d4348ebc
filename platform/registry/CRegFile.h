#pragma once
// File operations of the registry store: where each hive's file lives, reading
// it whole, replacing it atomically (temporary file, fsync, rename) and the
// advisory lock that writers take. Plain POSIX; every failure is an errno value.

#include <sys/types.h>

#include <cstdint>
#include <string>

// What identifies one version of a hive file: every replacement is a new inode.
struct CFileStamp {
    bool bExists = false;
    dev_t nDevice = 0;
    ino_t nInode = 0;
    off_t nSize = 0;
    std::int64_t nModifiedNs = 0;
    bool operator==(const CFileStamp&) const = default;
};

class CRegFile {
public:
    // The hive's file: "<hive>.reg" in $HARVEX_REGISTRY_DIR when that is set,
    // otherwise HKEY_CURRENT_USER in $XDG_CONFIG_HOME/harvex (~/.config/harvex)
    // and HKEY_CLASSES_ROOT in $XDG_DATA_HOME/harvex (~/.local/share/harvex).
    static std::string HiveFilePath(const std::string& hiveName);
    static std::string FolderOf(const std::string& path);

    static CFileStamp Stamp(const std::string& path);

    // Reads the whole file. ENOENT for a missing file, EISDIR/EINVAL for
    // something that is not a regular file, EFBIG above MAX_FILE_SIZE.
    static int ReadText(const std::string& path, std::string& text, CFileStamp& stamp);

    // Creates the folder and its missing parents (mode 0700).
    static int EnsureFolder(const std::string& folder);

    // Takes the exclusive advisory lock of the hive ("<file>.lock"); waits for it.
    static int Lock(const std::string& path, int& lockFd);
    static void Unlock(int lockFd);

    // Writes a temporary file beside the target, syncs it and renames it over
    // the target, so a reader sees either the old or the new file, never a part.
    static int WriteAtomically(const std::string& path, const std::string& text, CFileStamp& stamp);

    // Removes the temporaries of WriteAtomically ("<file>.tmp-PID-N") that a writer left
    // behind when it was killed between writing and renaming: those whose writer no longer
    // runs (kill(PID, 0) fails with ESRCH). A live writer's temporary, another hive's and
    // anything not named exactly so (or not a regular file) stay. Call under the lock.
    // Answers how many were removed.
    static int RemoveStaleTemporaries(const std::string& path);

    // Keeps the current file under "<file>.damaged-YYYYMMDD-HHMMSS[-n]".
    static int KeepCopyAside(const std::string& path, std::string& asidePath);

    static constexpr off_t MAX_FILE_SIZE = 64 * 1024 * 1024;
};
