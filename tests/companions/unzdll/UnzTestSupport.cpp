#include "UnzTestSupport.h"

#include <dirent.h>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

CUnzDllLibrary& CUnzDllLibrary::Get() {
    static CUnzDllLibrary library;
    return library;
}

CUnzDllLibrary::CUnzDllLibrary() {
    void* pHandle = dlopen(HARVEX_BIN_DIR "/libunzdll.so", RTLD_NOW | RTLD_LOCAL);
    if (pHandle == nullptr) {
        strError = dlerror();
        return;
    }
    pExec = reinterpret_cast<UnzDllExecFn>(dlsym(pHandle, "UnzDllExec"));
    pVersion = reinterpret_cast<GetUnzDllVersionFn>(dlsym(pHandle, "GetUnzDllVersion"));
}

namespace {

thread_local UnzRun* t_pRun = nullptr;
int g_nCallerTag = 0;

int RecordMessage(UnzDllMessage* pMessage) {
    UnzRun* pRun = t_pRun;
    RecordedMessage message;
    message.nType = pMessage->nType;
    message.nErrorCode = pMessage->nErrorCode;
    message.nEntry = pMessage->nEntry;
    message.nPercent = pMessage->nPercent;
    message.strText = pMessage->pszText;
    message.pCaller = pMessage->pCaller;
    message.threadId = std::this_thread::get_id();
    if (pRun == nullptr) {
        ADD_FAILURE() << "callback on a thread other than the caller's: " << message.strText;
        return 1;
    }
    EXPECT_EQ(pMessage->nSize, int32_t(sizeof(UnzDllMessage)));
    EXPECT_EQ(pMessage->pCaller, &g_nCallerTag);
    int nSeen = int(pRun->arrMessages.size()) + pRun->nProgressMessages;
    if (message.nType == UNZ_MSG_PROGRESS) {
        ++pRun->nProgressMessages;
    } else {
        pRun->arrMessages.push_back(message);
    }
    return pRun->pStopWhen != nullptr ? pRun->pStopWhen(message, nSeen) : 0;
}

}  // namespace

int UnzRun::Exec() {
    CUnzDllLibrary& library = CUnzDllLibrary::Get();
    if (library.pExec == nullptr || library.pVersion == nullptr) {
        ADD_FAILURE() << "libunzdll.so not loaded: " << library.strError;
        return -1;
    }
    // The record as the program fills it.
    UnzDllParams params{};
    params.nReserved0 = UNZ_PARAM_RESERVED0;
    params.pCaller = &g_nCallerTag;
    params.nVersion = library.pVersion();
    params.pCallback = &RecordMessage;
    params.pszPassword = strPassword.c_str();
    params.nTest = bTest ? 1 : 0;
    params.nReserved44 = UNZ_PARAM_RESERVED44;
    params.nReserved56 = UNZ_PARAM_RESERVED56;
    params.nReserved60 = UNZ_PARAM_RESERVED60;
    params.nReserved72 = UNZ_PARAM_RESERVED72;
    params.pszArchive = strArchive.c_str();
    t_pRun = this;
    nResult = library.pExec(&params);
    t_pRun = nullptr;
    return nResult;
}

std::vector<std::string> UnzRun::Texts(int nType) const {
    std::vector<std::string> arrTexts;
    for (const RecordedMessage& message : arrMessages) {
        if (message.nType == nType) {
            arrTexts.push_back(message.strText);
        }
    }
    return arrTexts;
}

bool UnzRun::HasText(int nType, const std::string& strPart) const {
    for (const RecordedMessage& message : arrMessages) {
        if (message.nType == nType && message.strText.find(strPart) != std::string::npos) {
            return true;
        }
    }
    return false;
}

void UnzFixture::SetUp() {
    char aTemplate[] = "/tmp/unzdll-test-XXXXXX";
    ASSERT_NE(mkdtemp(aTemplate), nullptr);
    strRoot = aTemplate;
    strOut = strRoot + "/out";
    ASSERT_EQ(mkdir(strOut.c_str(), 0755), 0);
    strSavedCwd = std::filesystem::current_path().string();
    ASSERT_EQ(chdir(strOut.c_str()), 0);
}

void UnzFixture::TearDown() {
    EXPECT_EQ(chdir(strSavedCwd.c_str()), 0);
    std::error_code error;
    std::filesystem::remove_all(strRoot, error);
}

std::string ReadFile(const std::string& strPath) {
    std::ifstream file(strPath, std::ios::binary);
    std::ostringstream data;
    data << file.rdbuf();
    return data.str();
}

void WriteFile(const std::string& strPath, const std::string& strData) {
    std::ofstream file(strPath, std::ios::binary | std::ios::trunc);
    file.write(strData.data(), std::streamsize(strData.size()));
}

bool Exists(const std::string& strPath) {
    struct stat st {};
    return lstat(strPath.c_str(), &st) == 0;
}

std::vector<std::string> ListTree(const std::string& strDir) {
    std::vector<std::string> arrPaths;
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(strDir, error);
         it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        arrPaths.push_back(std::filesystem::relative(it->path(), strDir).string());
    }
    std::sort(arrPaths.begin(), arrPaths.end());
    return arrPaths;
}

std::string Pattern(size_t nSize, unsigned nSeed) {
    std::string str(nSize, '\0');
    uint32_t x = nSeed * 2654435761u + 1;
    for (size_t i = 0; i < nSize; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        str[i] = char(x & 0xFF);
    }
    return str;
}

ZipItem ZipItem::Folder(std::string name) {
    ZipItem item(std::move(name), "");
    item.bDirectory = true;
    return item;
}

ZipItem ZipItem::Encrypted(std::string name, std::string data, int nMethod, std::string password) {
    ZipItem item(std::move(name), std::move(data));
    item.nEncryption = nMethod;
    item.strPassword = std::move(password);
    return item;
}

ZipItem ZipItem::WithMode(std::string name, std::string data, uint32_t nMode) {
    ZipItem item(std::move(name), std::move(data));
    item.nUnixMode = nMode;
    return item;
}

void WriteZip(const std::string& strPath, const std::vector<ZipItem>& arrItems) {
    int nError = 0;
    zip_t* pZip = zip_open(strPath.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &nError);
    ASSERT_NE(pZip, nullptr) << "zip_open " << nError;
    for (const ZipItem& item : arrItems) {
        zip_int64_t nIndex;
        if (item.bDirectory) {
            nIndex = zip_dir_add(pZip, item.strName.c_str(), ZIP_FL_ENC_UTF_8);
        } else {
            zip_source_t* pSource = zip_source_buffer(pZip, item.strData.data(), item.strData.size(), 0);
            ASSERT_NE(pSource, nullptr);
            nIndex = zip_file_add(pZip, item.strName.c_str(), pSource, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
            if (nIndex < 0) {
                zip_source_free(pSource);
            }
        }
        ASSERT_GE(nIndex, 0) << item.strName << ": " << zip_strerror(pZip);
        if (!item.bDirectory) {
            ASSERT_EQ(zip_set_file_compression(pZip, zip_uint64_t(nIndex),
                                               item.bStore ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 1),
                      0);
        }
        if (item.nEncryption != 0) {
            ASSERT_EQ(zip_file_set_encryption(pZip, zip_uint64_t(nIndex), zip_uint16_t(item.nEncryption),
                                              item.strPassword.c_str()),
                      0)
                << zip_strerror(pZip);
        }
        if (item.nUnixMode != 0) {
            ASSERT_EQ(zip_file_set_external_attributes(pZip, zip_uint64_t(nIndex), 0, ZIP_OPSYS_UNIX,
                                                       zip_uint32_t(item.nUnixMode) << 16),
                      0);
        }
    }
    ASSERT_EQ(zip_close(pZip), 0) << zip_strerror(pZip);
}

RawItem RawStored(const std::string& strName, const std::string& strData) {
    RawItem item;
    item.strName = strName;
    item.strData = strData;
    item.nCrc = uint32_t(crc32(0, reinterpret_cast<const Bytef*>(strData.data()), uInt(strData.size())));
    item.nSize = strData.size();
    return item;
}

RawItem RawDeflated(const std::string& strName, const std::string& strData) {
    RawItem item = RawStored(strName, strData);
    z_stream stream{};
    deflateInit2(&stream, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::string strOut(deflateBound(&stream, uLong(strData.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(strData.data()));
    stream.avail_in = uInt(strData.size());
    stream.next_out = reinterpret_cast<Bytef*>(strOut.data());
    stream.avail_out = uInt(strOut.size());
    deflate(&stream, Z_FINISH);
    strOut.resize(stream.total_out);
    deflateEnd(&stream);
    item.strData = strOut;
    item.nMethod = 8;
    return item;
}

namespace {

void Put16(std::string& str, uint32_t n) {
    str += char(n & 0xFF);
    str += char((n >> 8) & 0xFF);
}
void Put32(std::string& str, uint32_t n) {
    Put16(str, n & 0xFFFF);
    Put16(str, n >> 16);
}
void Put64(std::string& str, uint64_t n) {
    Put32(str, uint32_t(n));
    Put32(str, uint32_t(n >> 32));
}

}  // namespace

void WriteRawZip(const std::string& strPath, const std::vector<RawItem>& arrItems, bool bZip64) {
    std::string strFile;
    std::vector<uint64_t> arrOffsets;
    for (const RawItem& item : arrItems) {
        if (item.nSameLocalAs >= 0) {
            arrOffsets.push_back(arrOffsets[size_t(item.nSameLocalAs)]);
            continue;
        }
        arrOffsets.push_back(strFile.size());
        Put32(strFile, 0x04034b50);
        Put16(strFile, bZip64 ? 45 : 20);
        Put16(strFile, 0x800);
        Put16(strFile, item.nMethod);
        Put16(strFile, 0);
        Put16(strFile, 0x21);
        Put32(strFile, item.nCrc);
        Put32(strFile, bZip64 ? 0xFFFFFFFF : uint32_t(item.strData.size()));
        Put32(strFile, bZip64 ? 0xFFFFFFFF : uint32_t(item.nSize));
        Put16(strFile, uint32_t(item.strName.size()));
        Put16(strFile, bZip64 ? 20 : 0);
        strFile += item.strName;
        if (bZip64) {
            Put16(strFile, 1);
            Put16(strFile, 16);
            Put64(strFile, item.nSize);
            Put64(strFile, item.strData.size());
        }
        strFile += item.strData;
    }
    uint64_t nCentral = strFile.size();
    for (size_t i = 0; i < arrItems.size(); ++i) {
        const RawItem& item = arrItems[i];
        const RawItem& data = item.nSameLocalAs >= 0 ? arrItems[size_t(item.nSameLocalAs)] : item;
        Put32(strFile, 0x02014b50);
        Put16(strFile, (3 << 8) | 45);
        Put16(strFile, bZip64 ? 45 : 20);
        Put16(strFile, 0x800);
        Put16(strFile, data.nMethod);
        Put16(strFile, 0);
        Put16(strFile, 0x21);
        Put32(strFile, item.nCrc);
        Put32(strFile, bZip64 ? 0xFFFFFFFF : uint32_t(data.strData.size()));
        Put32(strFile, bZip64 ? 0xFFFFFFFF : uint32_t(item.nSize));
        Put16(strFile, uint32_t(item.strName.size()));
        Put16(strFile, bZip64 ? 28 : 0);
        Put16(strFile, 0);
        Put16(strFile, 0);
        Put16(strFile, 0);
        Put32(strFile, item.nUnixMode << 16);
        Put32(strFile, bZip64 ? 0xFFFFFFFF : uint32_t(arrOffsets[i]));
        strFile += item.strName;
        if (bZip64) {
            Put16(strFile, 1);
            Put16(strFile, 24);
            Put64(strFile, item.nSize);
            Put64(strFile, data.strData.size());
            Put64(strFile, arrOffsets[i]);
        }
    }
    uint64_t nCentralSize = strFile.size() - nCentral;
    if (bZip64) {
        uint64_t nEnd64 = strFile.size();
        Put32(strFile, 0x06064b50);
        Put64(strFile, 44);
        Put16(strFile, 45);
        Put16(strFile, 45);
        Put32(strFile, 0);
        Put32(strFile, 0);
        Put64(strFile, arrItems.size());
        Put64(strFile, arrItems.size());
        Put64(strFile, nCentralSize);
        Put64(strFile, nCentral);
        Put32(strFile, 0x07064b50);
        Put32(strFile, 0);
        Put64(strFile, nEnd64);
        Put32(strFile, 1);
    }
    Put32(strFile, 0x06054b50);
    Put16(strFile, 0);
    Put16(strFile, 0);
    Put16(strFile, bZip64 ? 0xFFFF : uint32_t(arrItems.size()));
    Put16(strFile, bZip64 ? 0xFFFF : uint32_t(arrItems.size()));
    Put32(strFile, bZip64 ? 0xFFFFFFFF : uint32_t(nCentralSize));
    Put32(strFile, bZip64 ? 0xFFFFFFFF : uint32_t(nCentral));
    Put16(strFile, 0);
    WriteFile(strPath, strFile);
}
