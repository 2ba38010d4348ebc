#pragma once
// Steps below a folder by descriptor, never through a link. Clean-up and "Delete remaining"
// reach everything they remove this way, so a folder swapped for a link between a look and
// the removal cannot lead them outside the item.

#include <string>

// A descriptor closed when it goes out of scope.
class CFd {
public:
    explicit CFd(int fd = -1) : m_fd(fd) {}
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    ~CFd();
    void Reset(int fd);
    int Get() const { return m_fd; }
    int Release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

// strFolder without trailing '/' ("/" stays "/").
std::string WithoutTrailingSlash(std::string strFolder);

// strPath lies strictly inside strFolder (both without trailing '/').
bool IsStrictlyInside(const std::string& strPath, const std::string& strFolder);

// Opens the folder that holds strPath, from strTop (opened as named) one real folder at a
// time; strName gets the last component. Both paths without trailing '/'. When strPath is
// strTop itself (and not "/"), its parent is opened as named instead. Answers -1 with errno
// set otherwise: EINVAL when strPath is not strTop or strictly inside it, or has an empty,
// "." or ".." component; ENOENT when a step is gone; ELOOP or ENOTDIR when a step is a link
// or not a folder.
int OpenHolder(const std::string& strTop, const std::string& strPath, std::string& strName);
