// Damaged and unusual input: the exact fatal text for a missing central directory, CRC
// and data errors per entry, unsupported methods, write failures.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "UnzTestSupport.h"

namespace {

class UnzDllDamageTest : public UnzFixture {
protected:
    // The only message is the fatal one, with code UNZ_ERR_NOCENTRAL, and nothing is written.
    void ExpectNoCentral(const std::string& strZip) {
        UnzRun run;
        run.strArchive = strZip;
        EXPECT_EQ(run.Exec(), UNZ_ERR_NOCENTRAL);
        ASSERT_EQ(run.arrMessages.size(), 1u);
        EXPECT_EQ(run.arrMessages[0].nType, UNZ_MSG_ERROR);
        EXPECT_EQ(run.arrMessages[0].nErrorCode, UNZ_ERR_NOCENTRAL);
        EXPECT_EQ(run.arrMessages[0].strText, "Fatal Error: central dir signature not found");
        EXPECT_TRUE(ListTree(strOut).empty());
    }

    std::string MakeGoodZip() {
        std::string strZip = strRoot + "/good.zip";
        WriteZip(strZip, {{"one.txt", Pattern(40000, 7), true}, {"two.txt", Pattern(40000, 8)}});
        return strZip;
    }
};

TEST_F(UnzDllDamageTest, NotAZipGivesTheCentralDirText) {
    WriteFile(strRoot + "/text.zip", std::string(5000, 'x'));
    ExpectNoCentral(strRoot + "/text.zip");
}

TEST_F(UnzDllDamageTest, AnEmptyFileGivesTheCentralDirText) {
    WriteFile(strRoot + "/empty.zip", "");
    ExpectNoCentral(strRoot + "/empty.zip");
}

TEST_F(UnzDllDamageTest, ATruncatedZipGivesTheCentralDirText) {
    std::string strData = ReadFile(MakeGoodZip());
    WriteFile(strRoot + "/cut.zip", strData.substr(0, strData.size() / 2));
    ExpectNoCentral(strRoot + "/cut.zip");
    WriteFile(strRoot + "/cut-end.zip", strData.substr(0, strData.size() - 10));
    ExpectNoCentral(strRoot + "/cut-end.zip");
}

TEST_F(UnzDllDamageTest, AnOverwrittenCentralDirGivesTheCentralDirText) {
    std::string strData = ReadFile(MakeGoodZip());
    size_t nCentral = strData.find(std::string("PK\x01\x02", 4));
    ASSERT_NE(nCentral, std::string::npos);
    for (size_t i = nCentral; i < strData.size() - 22; ++i) {
        strData[i] = 0;
    }
    WriteFile(strRoot + "/gone.zip", strData);
    ExpectNoCentral(strRoot + "/gone.zip");
}

TEST_F(UnzDllDamageTest, AMissingArchiveIsAnOpenError) {
    UnzRun run;
    run.strArchive = strRoot + "/does-not-exist.zip";
    EXPECT_EQ(run.Exec(), UNZ_ERR_OPEN);
    EXPECT_TRUE(run.HasText(UNZ_MSG_ERROR,
                            "Fatal Error: cannot open " + run.strArchive + ": No such file or directory"));
}

TEST_F(UnzDllDamageTest, AFlippedStoredByteIsACrcErrorAndTheOtherEntriesGoOn) {
    std::string strZip = strRoot + "/flip.zip";
    std::string strData = Pattern(40000, 9);
    WriteRawZip(strZip, {RawStored("bad.bin", strData), RawStored("good.txt", "fine")});
    std::string strBytes = ReadFile(strZip);
    size_t nAt = strBytes.find(strData.substr(0, 64));
    ASSERT_NE(nAt, std::string::npos);
    strBytes[nAt + 20000] ^= 0x55;
    WriteFile(strZip, strBytes);
    for (bool bTest : {false, true}) {
        UnzRun run;
        run.strArchive = strZip;
        run.bTest = bTest;
        EXPECT_EQ(run.Exec(), UNZ_ERR_CRC);
        EXPECT_EQ(run.Texts(UNZ_MSG_ERROR),
                  (std::vector<std::string>{"Error: bad.bin: CRC failed, the data is damaged"}));
        EXPECT_EQ(run.Texts(UNZ_MSG_ENTRY),
                  (std::vector<std::string>{std::string(bTest ? "Tested" : "Unzipped") + " good.txt"}));
    }
    // A damaged file is not left behind, nor any temporary file.
    EXPECT_EQ(ListTree(strOut), (std::vector<std::string>{"good.txt"}));
}

TEST_F(UnzDllDamageTest, AFlippedDeflatedByteIsReportedAsDamage) {
    std::string strZip = strRoot + "/flipdef.zip";
    RawItem item = RawDeflated("text.txt", Pattern(100000, 11));
    item.strData[item.strData.size() / 2] ^= 0x01;
    WriteRawZip(strZip, {item});
    UnzRun run;
    run.strArchive = strZip;
    int nResult = run.Exec();
    EXPECT_TRUE(nResult == UNZ_ERR_CRC || nResult == UNZ_ERR_DATA) << nResult;
    ASSERT_EQ(run.Texts(UNZ_MSG_ERROR).size(), 1u);
    EXPECT_EQ(run.Texts(UNZ_MSG_ERROR)[0].rfind("Error: text.txt: ", 0), 0u);
    EXPECT_TRUE(ListTree(strOut).empty());
}

TEST_F(UnzDllDamageTest, AnUnsupportedMethodIsNamed) {
    std::string strZip = strRoot + "/method.zip";
    RawItem item = RawStored("imploded.bin", "whatever");
    item.nMethod = 6;
    WriteRawZip(strZip, {item, RawStored("plain.txt", "p")});
    UnzRun run;
    run.strArchive = strZip;
    EXPECT_EQ(run.Exec(), UNZ_ERR_METHOD);
    EXPECT_EQ(run.Texts(UNZ_MSG_ERROR),
              (std::vector<std::string>{"Error: imploded.bin: unsupported compression method 6"}));
    EXPECT_EQ(ListTree(strOut), (std::vector<std::string>{"plain.txt"}));
}

TEST_F(UnzDllDamageTest, AWriteFailureIsReportedAndLeavesNoPartialFile) {
    // A file size limit makes write() fail the way a full disk does (EFBIG instead of ENOSPC).
    std::string strZip = strRoot + "/limit.zip";
    WriteZip(strZip, {{"big.bin", Pattern(2 << 20, 12), true}, {"small.txt", "s"}});
    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct sigaction ignore {
    }, previous{};
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(sigaction(SIGXFSZ, &ignore, &previous), 0);
    struct rlimit limited = saved;
    limited.rlim_cur = 256 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    UnzRun run;
    run.strArchive = strZip;
    int nResult = run.Exec();
    setrlimit(RLIMIT_FSIZE, &saved);
    sigaction(SIGXFSZ, &previous, nullptr);
    EXPECT_EQ(nResult, UNZ_ERR_WRITE);
    EXPECT_EQ(run.Texts(UNZ_MSG_ERROR),
              (std::vector<std::string>{"Error: big.bin: write failed: File too large"}));
    EXPECT_EQ(ListTree(strOut), (std::vector<std::string>{"small.txt"}));
}

TEST_F(UnzDllDamageTest, AFullDiskIsReportedBeforeWriting) {
    // Needs a small tmpfs; skipped where mounting is not allowed.
    std::string strMount = strRoot + "/small";
    ASSERT_EQ(mkdir(strMount.c_str(), 0755), 0);
    std::string strCommand = "mount -t tmpfs -o size=1m tmpfs " + strMount + " 2>/dev/null";
    if (getuid() != 0 || system(strCommand.c_str()) != 0) {
        GTEST_SKIP() << "cannot mount a tmpfs here";
    }
    std::string strZip = strRoot + "/full.zip";
    WriteZip(strZip, {{"a.bin", Pattern(3 << 20, 13), true}});
    ASSERT_EQ(chdir(strMount.c_str()), 0);
    UnzRun run;
    run.strArchive = strZip;
    int nResult = run.Exec();
    std::vector<std::string> arrLeft = ListTree(strMount);
    ASSERT_EQ(chdir(strOut.c_str()), 0);
    EXPECT_EQ(system(("umount " + strMount).c_str()), 0);
    EXPECT_EQ(nResult, UNZ_ERR_WRITE);
    EXPECT_TRUE(run.HasText(UNZ_MSG_ERROR, "Fatal Error: not enough disk space"));
    EXPECT_TRUE(arrLeft.empty());
}

}  // namespace
