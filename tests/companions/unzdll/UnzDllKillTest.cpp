// Stopping a running call through the callback's answer.
#include <dirent.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>

#include "UnzTestSupport.h"

namespace {

int CountThreads() {
    int nCount = 0;
    DIR* pDir = opendir("/proc/self/task");
    while (pDir != nullptr && readdir(pDir) != nullptr) {
        ++nCount;
    }
    if (pDir != nullptr) {
        closedir(pDir);
    }
    return nCount;
}

// A deflated entry of nSize zero bytes, made without holding them all in memory.
RawItem DeflatedZeros(const std::string& strName, size_t nSize) {
    RawItem item;
    item.strName = strName;
    item.nMethod = 8;
    item.nSize = nSize;
    std::string strZeros(1 << 20, '\0');
    z_stream stream{};
    deflateInit2(&stream, 1, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::string strChunk(1 << 16, '\0');
    uLong nCrc = crc32(0, nullptr, 0);
    for (size_t nDone = 0; nDone <= nSize;) {
        size_t nPart = std::min(strZeros.size(), nSize - nDone);
        nCrc = crc32(nCrc, reinterpret_cast<const Bytef*>(strZeros.data()), uInt(nPart));
        stream.next_in = reinterpret_cast<Bytef*>(strZeros.data());
        stream.avail_in = uInt(nPart);
        nDone += nPart;
        bool bLast = nDone == nSize;
        do {
            stream.next_out = reinterpret_cast<Bytef*>(strChunk.data());
            stream.avail_out = uInt(strChunk.size());
            deflate(&stream, bLast ? Z_FINISH : Z_NO_FLUSH);
            item.strData.append(strChunk.data(), strChunk.size() - stream.avail_out);
        } while (stream.avail_out == 0);
        if (bLast) {
            break;
        }
    }
    deflateEnd(&stream);
    item.nCrc = uint32_t(nCrc);
    return item;
}

class UnzDllKillTest : public UnzFixture {};

TEST_F(UnzDllKillTest, StopsBeforeWritingWhenTheFirstMessageSaysSo) {
    std::string strZip = strRoot + "/first.zip";
    WriteZip(strZip, {{"a.bin", Pattern(1 << 20, 20)}, {"b.bin", Pattern(1 << 20, 21)}});
    UnzRun run;
    run.strArchive = strZip;
    run.pStopWhen = [](const RecordedMessage&, int) { return 1; };
    EXPECT_EQ(run.Exec(), UNZ_ERR_KILLED);
    EXPECT_EQ(run.arrMessages.size() + size_t(run.nProgressMessages), 1u);  // nothing after the stop
    EXPECT_TRUE(ListTree(strOut).empty());
}

TEST_F(UnzDllKillTest, StopsDuringOneLargeEntryPromptlyAndLeavesNothingRunning) {
    // 512 MiB of zeros deflate to under a megabyte and take a while to write.
    std::string strZip = strRoot + "/large.zip";
    WriteRawZip(strZip, {DeflatedZeros("large.bin", size_t(512) << 20)}, true);
    int nThreadsBefore = CountThreads();
    UnzRun run;
    run.strArchive = strZip;
    // The second progress message comes while the entry is being written.
    run.pStopWhen = [](const RecordedMessage& message, int) {
        return message.nType == UNZ_MSG_PROGRESS && message.nPercent > 0 ? 1 : 0;
    };
    auto tStart = std::chrono::steady_clock::now();
    EXPECT_EQ(run.Exec(), UNZ_ERR_KILLED);
    auto tElapsed = std::chrono::steady_clock::now() - tStart;
    EXPECT_LT(tElapsed, std::chrono::seconds(20));
    EXPECT_TRUE(run.arrMessages.empty());
    EXPECT_TRUE(ListTree(strOut).empty());  // the partial file is gone
    EXPECT_EQ(CountThreads(), nThreadsBefore);
}

TEST_F(UnzDllKillTest, StopsParallelWorkersAfterAnEntryMessage) {
    std::vector<ZipItem> arrItems;
    for (int i = 0; i < 12; ++i) {
        arrItems.push_back(ZipItem("f" + std::to_string(i) + ".bin", std::string(8 << 20, char('a' + i))));
    }
    std::string strZip = strRoot + "/parallel.zip";
    WriteZip(strZip, arrItems);
    int nThreadsBefore = CountThreads();
    UnzRun run;
    run.strArchive = strZip;
    run.pStopWhen = [](const RecordedMessage& message, int) {
        return message.nType == UNZ_MSG_ENTRY ? 1 : 0;
    };
    EXPECT_EQ(run.Exec(), UNZ_ERR_KILLED);
    ASSERT_EQ(run.arrMessages.size(), 1u);
    EXPECT_EQ(run.arrMessages[0].nType, UNZ_MSG_ENTRY);
    EXPECT_EQ(CountThreads(), nThreadsBefore);
    // Finished entries stay and are whole; nothing temporary is left.
    std::vector<std::string> arrLeft = ListTree(strOut);
    EXPECT_LT(arrLeft.size(), 12u);
    for (const std::string& strName : arrLeft) {
        int nIndex = std::stoi(strName.substr(1));
        EXPECT_EQ(ReadFile(strOut + "/" + strName), arrItems[size_t(nIndex)].strData) << strName;
    }
}

}  // namespace
