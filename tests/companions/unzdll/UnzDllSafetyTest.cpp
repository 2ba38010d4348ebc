// Hostile archives: nothing may land outside the current directory, no write may go
// through a symbolic link, no set-user-id bit survives, bombs stop before writing.
#include <sys/stat.h>
#include <unistd.h>

#include "UnzTestSupport.h"

namespace {

class UnzDllSafetyTest : public UnzFixture {
protected:
    // Runs the archive and expects the result code; returns the run for more checks.
    UnzRun RunArchive(const std::string& strZip, int nExpected) {
        UnzRun run;
        run.strArchive = strZip;
        EXPECT_EQ(run.Exec(), nExpected);
        return run;
    }
};

TEST_F(UnzDllSafetyTest, RefusesNamesThatLeaveTheFolderAndExtractsTheRest) {
    std::string strAbsolute = strRoot + "/absolute-target.txt";
    std::string strZip = strRoot + "/escape.zip";
    WriteRawZip(strZip, {RawStored("../parent.txt", "up"), RawStored(strAbsolute, "abs"),
                         RawStored("..\\backslash.txt", "bs"), RawStored("a/../../twice.txt", "two"),
                         RawStored("C:/drive.txt", "drive"), RawStored("ok/fine.txt", "fine")});
    UnzRun run = RunArchive(strZip, UNZ_ERR_REFUSED);
    EXPECT_EQ(ListTree(strRoot),
              (std::vector<std::string>{"escape.zip", "out", "out/ok", "out/ok/fine.txt"}));
    EXPECT_EQ(ReadFile(strOut + "/ok/fine.txt"), "fine");
    std::vector<std::string> arrErrors = run.Texts(UNZ_MSG_ERROR);
    ASSERT_EQ(arrErrors.size(), 5u);
    EXPECT_EQ(arrErrors[0],
              "Error: ../parent.txt: refused, the path leads outside the destination folder (..)");
    EXPECT_EQ(arrErrors[1], "Error: " + strAbsolute + ": refused, absolute path");
    EXPECT_EQ(arrErrors[2],
              "Error: ..\\backslash.txt: refused, the path leads outside the destination folder (..)");
    EXPECT_EQ(arrErrors[4], "Error: C:/drive.txt: refused, absolute path (drive letter)");
    for (const RecordedMessage& message : run.arrMessages) {
        if (message.nType == UNZ_MSG_ERROR) {
            EXPECT_EQ(message.nErrorCode, UNZ_ERR_REFUSED);
        }
    }
    EXPECT_EQ(run.Texts(UNZ_MSG_ENTRY), (std::vector<std::string>{"Unzipped ok/fine.txt"}));
}

TEST_F(UnzDllSafetyTest, CreatesLinksThatStayInsideAndRefusesOthers) {
    std::string strZip = strRoot + "/links.zip";
    auto link = [](const std::string& strName, const std::string& strTarget) {
        RawItem item = RawStored(strName, strTarget);
        item.nUnixMode = S_IFLNK | 0777;
        return item;
    };
    WriteRawZip(strZip, {RawStored("sub/file.txt", "data"), link("inside", "sub/file.txt"),
                         link("sub/sibling", "../inside"), link("out-abs", "/etc/passwd"),
                         link("sub/out-up", "../../outside"), link("sub/sneaky", "x/../../../outside")});
    UnzRun run = RunArchive(strZip, UNZ_ERR_REFUSED);
    char aTarget[256] = {};
    ASSERT_GT(readlink((strOut + "/inside").c_str(), aTarget, sizeof aTarget - 1), 0);
    EXPECT_STREQ(aTarget, "sub/file.txt");
    EXPECT_EQ(ReadFile(strOut + "/sub/sibling"), "data");
    EXPECT_FALSE(Exists(strOut + "/out-abs"));
    EXPECT_FALSE(Exists(strOut + "/sub/out-up"));
    EXPECT_FALSE(Exists(strOut + "/sub/sneaky"));
    EXPECT_EQ(run.Texts(UNZ_MSG_ERROR).size(), 3u);
    EXPECT_TRUE(run.HasText(
        UNZ_MSG_ERROR,
        "Error: out-abs: refused, symbolic link points outside the destination folder (/etc/passwd)"));
}

TEST_F(UnzDllSafetyTest, NeverWritesThroughALinkInTheDestination) {
    ASSERT_EQ(mkdir((strRoot + "/elsewhere").c_str(), 0755), 0);
    WriteFile(strRoot + "/elsewhere/victim.txt", "untouched");
    ASSERT_EQ(symlink((strRoot + "/elsewhere").c_str(), (strOut + "/folder-link").c_str()), 0);
    ASSERT_EQ(symlink((strRoot + "/elsewhere/victim.txt").c_str(), (strOut + "/file-link").c_str()), 0);
    std::string strZip = strRoot + "/through.zip";
    WriteRawZip(strZip,
                {RawStored("folder-link/victim.txt", "overwritten"), RawStored("folder-link/new.txt", "new"),
                 RawStored("file-link", "replaces the link")});
    UnzRun run = RunArchive(strZip, UNZ_ERR_REFUSED);
    EXPECT_EQ(ReadFile(strRoot + "/elsewhere/victim.txt"), "untouched");
    EXPECT_EQ(ListTree(strRoot + "/elsewhere"), (std::vector<std::string>{"victim.txt"}));
    // The link at a file's own name is replaced by the file, never followed.
    struct stat st {};
    ASSERT_EQ(lstat((strOut + "/file-link").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(ReadFile(strOut + "/file-link"), "replaces the link");
    EXPECT_TRUE(run.HasText(
        UNZ_MSG_ERROR,
        "Error: folder-link/victim.txt: refused: the path goes through the symbolic link folder-link"));
}

TEST_F(UnzDllSafetyTest, AnArchiveCannotPlantALinkAndWriteThroughIt) {
    std::string strZip = strRoot + "/plant.zip";
    RawItem link = RawStored("planted", "..");
    link.nUnixMode = S_IFLNK | 0777;
    RawItem dirLink = RawStored("d", ".");
    dirLink.nUnixMode = S_IFLNK | 0777;
    WriteRawZip(strZip, {link, RawStored("planted/escaped.txt", "x"), dirLink, RawStored("d/file.txt", "y")});
    UnzRun run = RunArchive(strZip, UNZ_ERR_REFUSED);
    EXPECT_FALSE(Exists(strRoot + "/escaped.txt"));
    EXPECT_TRUE(run.HasText(UNZ_MSG_ERROR, "Error: planted: refused, symbolic link points outside"));
    // Whatever happened inside, nothing but the archive and out/ is in the parent.
    for (const std::string& strPath : ListTree(strRoot)) {
        EXPECT_TRUE(strPath == "plant.zip" || strPath.rfind("out", 0) == 0) << strPath;
    }
}

TEST_F(UnzDllSafetyTest, DropsSetUserIdBitsWithAWarning) {
    std::string strZip = strRoot + "/suid.zip";
    RawItem item = RawStored("tool", "#!/bin/sh\n");
    item.nUnixMode = S_IFREG | 06755;
    WriteRawZip(strZip, {item});
    UnzRun run = RunArchive(strZip, UNZ_OK);
    struct stat st {};
    ASSERT_EQ(stat((strOut + "/tool").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0755u);
    EXPECT_EQ(
        run.Texts(UNZ_MSG_WARNING),
        (std::vector<std::string>{"Warning: tool: set-user-id, set-group-id and sticky bits not restored"}));
}

TEST_F(UnzDllSafetyTest, RefusesDeviceEntries) {
    std::string strZip = strRoot + "/device.zip";
    RawItem item = RawStored("null", "");
    item.nUnixMode = S_IFCHR | 0666;
    WriteRawZip(strZip, {item, RawStored("normal.txt", "n")});
    UnzRun run = RunArchive(strZip, UNZ_ERR_REFUSED);
    EXPECT_FALSE(Exists(strOut + "/null"));
    EXPECT_EQ(ReadFile(strOut + "/normal.txt"), "n");
    EXPECT_TRUE(run.HasText(UNZ_MSG_ERROR, "Error: null: refused, not a regular file"));
}

TEST_F(UnzDllSafetyTest, StopsOverlappingEntriesBeforeWritingAnything) {
    std::string strZip = strRoot + "/overlap.zip";
    RawItem first = RawDeflated("first.bin", std::string(1 << 20, '\0'));
    std::vector<RawItem> arrItems{first};
    for (int i = 1; i < 20; ++i) {
        RawItem again = first;
        again.strName = "copy" + std::to_string(i) + ".bin";
        again.nSameLocalAs = 0;
        arrItems.push_back(again);
    }
    WriteRawZip(strZip, arrItems);
    UnzRun run = RunArchive(strZip, UNZ_ERR_BOMB);
    EXPECT_TRUE(ListTree(strOut).empty());
    ASSERT_EQ(run.Texts(UNZ_MSG_ERROR).size(), 1u);
    EXPECT_EQ(run.Texts(UNZ_MSG_ERROR)[0].rfind("Fatal Error: overlapping entries", 0), 0u)
        << run.Texts(UNZ_MSG_ERROR)[0];
}

TEST_F(UnzDllSafetyTest, RefusesAnImpossibleRatioBeforeWritingAnything) {
    std::string strZip = strRoot + "/ratio.zip";
    RawItem item = RawDeflated("huge.bin", std::string(100000, '\0'));
    item.nSize = uint64_t(40) << 30;  // claims 40 GiB from about 100 bytes
    WriteRawZip(strZip, {item}, true);
    UnzRun run = RunArchive(strZip, UNZ_ERR_BOMB);
    EXPECT_TRUE(ListTree(strOut).empty());
    EXPECT_TRUE(run.HasText(UNZ_MSG_ERROR, "refused as a zip bomb"));
}

TEST_F(UnzDllSafetyTest, StopsAnEntryThatGivesMoreDataThanItDeclares) {
    std::string strZip = strRoot + "/liar.zip";
    RawItem item = RawDeflated("liar.bin", std::string(4 << 20, 'a'));
    item.nSize = 1000;
    WriteRawZip(strZip, {item, RawStored("honest.txt", "h")});
    UnzRun run = RunArchive(strZip, UNZ_ERR_DATA);
    EXPECT_EQ(ListTree(strOut), (std::vector<std::string>{"honest.txt"}));
    EXPECT_TRUE(run.HasText(UNZ_MSG_ERROR, "Error: liar.bin:"));
}

}  // namespace
