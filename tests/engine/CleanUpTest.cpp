#include <gtest/gtest.h>
#include <unistd.h>

#include "DriverTestFiles.h"
#include "engine/CProcessLog.h"
#include "engine/CleanUp.h"

namespace {

CFileInformation FileRecord(const std::string& strPath, int CFileInformation::*pFlag) {
    CFileInformation f;
    f.strPath = strPath;
    f.strFolder = strPath.substr(0, strPath.rfind('/') + 1);
    f.*pFlag = 1;
    struct stat st {};
    if (lstat(strPath.c_str(), &st) == 0)
        f.nSize = static_cast<uint32_t>(st.st_size);
    return f;
}

class CleanUpTest : public ::testing::Test {
protected:
    void SetUp() override {
        strRel = tmp / "Rel";
        WriteFile(strRel + "/movie.rar", "rar-1");
        WriteFile(strRel + "/movie.r00", "rar-2");
        WriteFile(strRel + "/movie.sfv", "sfv");
        WriteFile(strRel + "/movie.nfo", "nfo");
        arrAll = {FileRecord(strRel + "/movie.rar", &CFileInformation::bRar),
                  FileRecord(strRel + "/movie.r00", &CFileInformation::bRar),
                  FileRecord(strRel + "/movie.sfv", &CFileInformation::bJunk),
                  FileRecord(strRel + "/movie.nfo", &CFileInformation::bNfo)};
        arrFolders = {strRel};
        ctx.strItemPath = strRel;
        ctx.strInputPath = strRel;
        ctx.bKeepNfo = true;
    }

    CTempFolder tmp;
    std::string strRel;
    std::vector<CFileInformation> arrAll;
    std::vector<std::string> arrFolders;
    std::vector<CleanUpInfo> arrCleanUp;
    CCleanUpContext ctx;
    CProcessLog log;
};

}  // namespace

TEST_F(CleanUpTest, OutputIntoTheFolderKeepsTheNfoAndTheFolderWithoutEntries) {
    ctx.strOutputFolder = strRel;
    DeleteFiles(arrAll, ctx, arrCleanUp, log);
    DeleteFolders(arrFolders, ctx, arrCleanUp, log);
    EXPECT_FALSE(Exists(strRel + "/movie.rar"));
    EXPECT_FALSE(Exists(strRel + "/movie.r00"));
    EXPECT_FALSE(Exists(strRel + "/movie.sfv"));
    EXPECT_TRUE(Exists(strRel + "/movie.nfo"));
    EXPECT_TRUE(arrCleanUp.empty());
    EXPECT_EQ(log.Text(), "Delete files\r\nDelete folders\r\n");
}

TEST_F(CleanUpTest, OutputElsewhereDeletesTheCopiedNfoAndTheEmptiedFolder) {
    ctx.strOutputFolder = tmp / "Out";
    ctx.setCopiedOk.insert(strRel + "/movie.nfo");
    DeleteFiles(arrAll, ctx, arrCleanUp, log);
    DeleteFolders(arrFolders, ctx, arrCleanUp, log);
    EXPECT_FALSE(Exists(strRel));
    EXPECT_TRUE(arrCleanUp.empty());
    EXPECT_TRUE(arrAll.empty());
}

TEST_F(CleanUpTest, KeptNfoWhoseCopyDidNotSucceedStaysAsAPrecaution) {
    ctx.strOutputFolder = tmp / "Out";
    DeleteFiles(arrAll, ctx, arrCleanUp, log);
    DeleteFolders(arrFolders, ctx, arrCleanUp, log);
    EXPECT_TRUE(Exists(strRel + "/movie.nfo"));
    ASSERT_EQ(arrCleanUp.size(), 2u);
    EXPECT_EQ(arrCleanUp[0], CleanUpInfo(strRel + "/movie.nfo", "", 1));
    EXPECT_EQ(arrCleanUp[1], CleanUpInfo(strRel, "", 3));
}

TEST_F(CleanUpTest, AVolumeThatGrewAfterTheScanStaysAndItsFolderIsReported) {
    ctx.strOutputFolder = tmp / "Out";
    ctx.setCopiedOk.insert(strRel + "/movie.nfo");
    WriteFile(strRel + "/movie.r00", "rar-2 and more");
    DeleteFiles(arrAll, ctx, arrCleanUp, log);
    DeleteFolders(arrFolders, ctx, arrCleanUp, log);
    EXPECT_TRUE(Exists(strRel + "/movie.r00"));
    ASSERT_EQ(arrCleanUp.size(), 1u);
    EXPECT_EQ(arrCleanUp[0], CleanUpInfo(strRel, "", 3));
}

TEST_F(CleanUpTest, NothingIsDeletedThroughASymbolicLink) {
    CTempFolder outside;
    WriteFile(outside / "precious.rar", "rar-1");
    ASSERT_EQ(symlink(outside.strPath.c_str(), (strRel + "/linked").c_str()), 0);
    ASSERT_EQ(symlink((outside / "precious.rar").c_str(), (strRel + "/direct.rar").c_str()), 0);
    CFileInformation viaFolder = FileRecord(strRel + "/linked/precious.rar", &CFileInformation::bRar);
    viaFolder.nSize = 5;
    CFileInformation viaFile = FileRecord(strRel + "/direct.rar", &CFileInformation::bRar);
    viaFile.nSize = 5;
    arrAll = {viaFolder, viaFile};
    arrFolders = {strRel, strRel + "/linked"};
    ctx.strOutputFolder = tmp / "Out";
    DeleteFiles(arrAll, ctx, arrCleanUp, log);
    DeleteFolders(arrFolders, ctx, arrCleanUp, log);
    EXPECT_TRUE(Exists(outside / "precious.rar"));
    EXPECT_TRUE(Exists(strRel + "/direct.rar"));
    EXPECT_TRUE(Exists(strRel + "/linked"));
    ASSERT_GE(arrCleanUp.size(), 2u);
    EXPECT_EQ(arrCleanUp[0].nKind, 1);
    EXPECT_EQ(arrCleanUp[1].nKind, 1);
}

TEST_F(CleanUpTest, NothingInsideAnOutputFolderBelowTheItemIsDeleted) {
    const std::string strOut = strRel + "/extracted";
    WriteFile(strOut + "/movie.mkv", "video");
    WriteFile(strOut + "/old.rar", "rar");
    arrAll.push_back(FileRecord(strOut + "/old.rar", &CFileInformation::bRar));
    arrFolders.push_back(strOut);
    ctx.strOutputFolder = strOut;
    ctx.setCopiedOk.insert(strRel + "/movie.nfo");
    DeleteFiles(arrAll, ctx, arrCleanUp, log);
    DeleteFolders(arrFolders, ctx, arrCleanUp, log);
    EXPECT_TRUE(Exists(strOut + "/old.rar"));
    EXPECT_TRUE(Exists(strOut + "/movie.mkv"));
    EXPECT_FALSE(Exists(strRel + "/movie.rar"));
}

TEST_F(CleanUpTest, NestedFoldersAreRemovedDeepestFirstAndKeptSampleFolderIsExempt) {
    WriteFile(strRel + "/Sample/keep.txt", "x");
    std::vector<std::string> arrNested = {strRel, strRel + "/Sample", strRel + "/Covers"};
    std::filesystem::create_directories(strRel + "/Covers");
    ctx.strOutputFolder = strRel;
    ctx.bKeepSample = true;
    DeleteFolders(arrNested, ctx, arrCleanUp, log);
    EXPECT_FALSE(Exists(strRel + "/Covers"));
    EXPECT_TRUE(arrCleanUp.empty());
    ctx.bKeepSample = false;
    DeleteFolders(arrNested, ctx, arrCleanUp, log);
    ASSERT_EQ(arrCleanUp.size(), 1u);
    EXPECT_EQ(arrCleanUp[0], CleanUpInfo(strRel + "/Sample", "", 3));
}

TEST_F(CleanUpTest, DeleteRemainingRemovesEntriesAndCountsVanishedOnesAsDone) {
    WriteFile(strRel + "/left.txt", "x");
    std::vector<CleanUpInfo> arrEntries = {CleanUpInfo(strRel + "/left.txt", "", 1),
                                           CleanUpInfo(strRel + "/gone.txt", "", 2),
                                           CleanUpInfo(tmp / "nofolder", "", 3)};
    EXPECT_EQ(DeleteRemaining(arrEntries, strRel, "", true), 0);
    EXPECT_FALSE(Exists(strRel + "/left.txt"));
    std::vector<CleanUpInfo> arrFolder = {CleanUpInfo(strRel, "", 3)};
    EXPECT_EQ(DeleteRemaining(arrFolder, strRel, "", true), 1);  // still holds files
}

TEST(CleanUpHelpersTest, IsExistingFolderTakesNetworkPathsAsExisting) {
    CTempFolder tmp;
    EXPECT_TRUE(IsExistingFolder(tmp.strPath));
    EXPECT_TRUE(IsExistingFolder("//server/share"));
    EXPECT_FALSE(IsExistingFolder(tmp / "missing"));
    WriteFile(tmp / "file", "x");
    EXPECT_FALSE(IsExistingFolder(tmp / "file"));
}
