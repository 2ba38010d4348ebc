#pragma once
// Byte access to one volume of a RAR set. The block reader and the byte feed of the
// extractor read volumes only through this interface, so that a source that decrypts
// (or serves test data from memory) can stand in for, or wrap, the plain file source.
// Sources are used from one thread at a time.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class IRarVolumeSource {
public:
    virtual ~IRarVolumeSource() = default;
    // The volume's path as it is printed ("Extracting from <path>").
    virtual const std::string& Path() const = 0;
    // Size of the volume in bytes.
    virtual uint64_t Size() const = 0;
    // Reads up to nBytes at nOffset into pBuffer. Returns the number of bytes read
    // (0 at or after the end) or -1 on a read error; the error text is in LastError().
    virtual int64_t ReadAt(uint64_t nOffset, void* pBuffer, size_t nBytes) = 0;
    virtual std::string LastError() const = 0;
};

// A volume read from a file with pread(). Not copyable.
class CFileVolumeSource : public IRarVolumeSource {
public:
    // Opens strPath read-only. Returns nullptr and sets strError (the system's text)
    // when the file cannot be opened or is not a regular file.
    static std::unique_ptr<CFileVolumeSource> Open(const std::string& strPath, std::string& strError);
    ~CFileVolumeSource() override;
    CFileVolumeSource(const CFileVolumeSource&) = delete;
    CFileVolumeSource& operator=(const CFileVolumeSource&) = delete;

    const std::string& Path() const override { return strPath; }
    uint64_t Size() const override { return nSize; }
    int64_t ReadAt(uint64_t nOffset, void* pBuffer, size_t nBytes) override;
    std::string LastError() const override { return strLastError; }
    // Hints the kernel that the file is read from start to end.
    void AdviseSequential();

private:
    CFileVolumeSource(std::string path, int fd, uint64_t size);
    std::string strPath;
    int nFd = -1;
    uint64_t nSize = 0;
    std::string strLastError;
};
