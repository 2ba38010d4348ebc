#pragma once

// Shared pieces of the unzip library's tests: loading the real libunzdll.so with dlopen,
// a fresh temporary current directory per test, and ZIP writers (libzip for ordinary
// archives, a byte-level writer for damaged and hostile ones that libzip refuses to make).

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "companions/unzdll/unzdll.h"

// One message as the callback received it.
struct RecordedMessage {
    int nType = 0;
    int nErrorCode = 0;
    int nEntry = 0;
    int nPercent = 0;
    std::string strText;
    void* pCaller = nullptr;
    std::thread::id threadId;
};

// The loaded library; loaded once per test program.
class CUnzDllLibrary {
public:
    static CUnzDllLibrary& Get();
    UnzDllExecFn pExec = nullptr;
    GetUnzDllVersionFn pVersion = nullptr;
    std::string strError;

private:
    CUnzDllLibrary();
};

// A run of UnzDllExec with the caller's usual record and a recording callback.
struct UnzRun {
    std::string strArchive;
    std::string strPassword = UNZ_DEFAULT_PASSWORD;
    bool bTest = false;
    // Called for every message; a non-zero answer stops the run.
    int (*pStopWhen)(const RecordedMessage& message, int nSeen) = nullptr;

    int nResult = -1;
    std::vector<RecordedMessage> arrMessages;  // progress messages left out
    int nProgressMessages = 0;

    int Exec();
    // Texts of the messages of one type, in the order received.
    std::vector<std::string> Texts(int nType) const;
    bool HasText(int nType, const std::string& strPart) const;
};

// Test fixture: a fresh empty temporary directory made the current directory for the
// test's duration (the previous one is restored afterwards), with helpers for files.
class UnzFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string strRoot;  // the temporary directory (holds out/ and the archives)
    std::string strOut;   // strRoot + "/out": the current directory during the test
    std::string strSavedCwd;
};

// Small file helpers.
std::string ReadFile(const std::string& strPath);
void WriteFile(const std::string& strPath, const std::string& strData);
bool Exists(const std::string& strPath);                       // without following a final link
std::vector<std::string> ListTree(const std::string& strDir);  // relative paths, sorted
std::string Pattern(size_t nSize, unsigned nSeed);             // deterministic, poorly compressible bytes

// An entry for the libzip writer: a file, deflated unless bStore.
struct ZipItem {
    ZipItem(std::string name, std::string data, bool store = false)
        : strName(std::move(name)), strData(std::move(data)), bStore(store) {}
    static ZipItem Folder(std::string name);
    static ZipItem Encrypted(std::string name, std::string data, int nMethod, std::string password);
    static ZipItem WithMode(std::string name, std::string data, uint32_t nMode);

    std::string strName;
    std::string strData;
    bool bStore = false;
    int nEncryption = 0;      // ZIP_EM_*; 0 none
    std::string strPassword;  // for nEncryption
    uint32_t nUnixMode = 0;   // full st_mode with type bits; 0 leaves libzip's default
    bool bDirectory = false;
};
// Writes a ZIP with libzip; fails the test on error.
void WriteZip(const std::string& strPath, const std::vector<ZipItem>& arrItems);

// An entry for the byte-level writer: stored or raw-deflated data as given.
struct RawItem {
    std::string strName;
    std::string strData;     // the bytes stored in the archive (already compressed)
    uint16_t nMethod = 0;    // 0 stored, 8 deflate, anything else as given
    uint32_t nCrc = 0;       // CRC-32 of the uncompressed data
    uint64_t nSize = 0;      // declared uncompressed size
    uint32_t nUnixMode = 0;  // st_mode; 0 for none
    int nSameLocalAs = -1;   // >= 0: point the central entry at that item's local header
};
RawItem RawStored(const std::string& strName, const std::string& strData);
RawItem RawDeflated(const std::string& strName, const std::string& strData);
// Writes the items; with bZip64 every size and offset goes into ZIP64 fields.
void WriteRawZip(const std::string& strPath, const std::vector<RawItem>& arrItems, bool bZip64 = false);
