// Hostile archives and hostile destinations: nothing is ever written outside the
// destination, refused entries are named with a failing exit code, the rest extracts.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "UnrarRun.h"
#include "tests/fixtures/CRarWriter.h"
#include "tests/fixtures/TestFiles.h"

namespace {

std::vector<std::string> StdArgs(const std::string& archive, const std::string& dest) {
    return {"x", "-o+", "-ierr", "-av-", "-y", "-idp", archive, dest};
}

CRarEntry Raw(const std::string& name, const std::string& data, uint32_t mode = 0) {
    CRarEntry e;
    e.strName = name;
    e.bRawName = true;
    e.strData = data;
    e.nMode = mode;
    return e;
}

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? st.st_mode : 0;
}

}  // namespace

TEST(UnrarSafetyTest, RefusesEveryEntryThatWouldLeaveTheDestination) {
    for (ERarFormat f : {ERarFormat::Rar4, ERarFormat::Rar5}) {
        CUnrarTempDir tmp;
        CRarOptions o;
        o.eFormat = f;
        CRarWriter w(o);
        w.AddFile("good.txt", "kept\n");
        w.AddEntry(Raw("../escape.txt", "x"));
        w.AddEntry(Raw("/tmp/absolute-unrar-test.txt", "x"));
        w.AddEntry(Raw("sub\\..\\..\\backslash.txt", "x"));
        w.AddEntry(Raw("C:\\drive.txt", "x"));
        w.AddSymlink("uplink", "../../outside");
        w.AddSymlink("abslink", "/etc");
        w.AddSymlink("inlink", "good.txt");
        w.AddFile("last.txt", "also kept\n");
        CRarResult set = w.Write(tmp.Sub("hostile.rar"));
        ASSERT_TRUE(set.bOk) << set.strError;
        UnrarResult r = RunUnrar(StdArgs(set.arrVolumes[0], tmp.Sub("a/b/out")));
        std::string text =
            NormalizeOutput(r.strOutput, {tmp.Path()}) + "[exit " + std::to_string(r.nExitCode) + "]\n";
        EXPECT_TRUE(MatchesExpected(f == ERarFormat::Rar4 ? "hostile_rar4" : "hostile_rar5", text));
        EXPECT_EQ(r.nExitCode, 3);
        EXPECT_EQ(testfiles::ListTree(tmp.Path()),
                  "a/\na/b/\na/b/out/\na/b/out/good.txt\na/b/out/inlink -> "
                  "good.txt\na/b/out/last.txt\nhostile.rar\n");
        EXPECT_FALSE(testfiles::Exists("/tmp/absolute-unrar-test.txt"));
    }
}

TEST(UnrarSafetyTest, NeverWritesThroughALinkFromTheArchive) {
    CUnrarTempDir tmp;
    ASSERT_EQ(::mkdir(tmp.Sub("outside").c_str(), 0755), 0);
    CRarWriter w;
    // The link itself points inside (to a folder that is itself a link to outside once
    // created by hand below), and a later entry tries to write through an archive link.
    w.AddDirectory("real");
    w.AddSymlink("alias", "real");
    w.AddFile("alias/through.txt", "must not be written through the link\n");
    CRarResult set = w.Write(tmp.Sub("links.rar"));
    ASSERT_TRUE(set.bOk);
    UnrarResult r = RunUnrar(StdArgs(set.arrVolumes[0], tmp.Sub("out")));
    EXPECT_EQ(r.nExitCode, 3) << r.strOutput;
    EXPECT_NE(r.strOutput.find("ERROR: alias/through.txt - refused: the path runs through a symbolic link\n"),
              std::string::npos)
        << r.strOutput;
    EXPECT_FALSE(testfiles::Exists(tmp.Sub("out/real/through.txt")));
}

TEST(UnrarSafetyTest, RefusesToWriteThroughAnExistingLinkInTheDestination) {
    CUnrarTempDir tmp;
    ASSERT_EQ(::mkdir(tmp.Sub("outside").c_str(), 0755), 0);
    testfiles::WriteFile(tmp.Sub("outside/victim.txt"), "original\n");
    ASSERT_TRUE(testfiles::MakeSymlink(tmp.Sub("outside"), tmp.Sub("out/docs")));
    ASSERT_TRUE(testfiles::MakeSymlink(tmp.Sub("outside/victim.txt"), tmp.Sub("out/victim.txt")));
    CRarWriter w;
    w.AddFile("docs/planted.txt", "x");
    w.AddFile("victim.txt", "replaced\n");
    CRarResult set = w.Write(tmp.Sub("a.rar"));
    ASSERT_TRUE(set.bOk);
    UnrarResult r = RunUnrar(StdArgs(set.arrVolumes[0], tmp.Sub("out")));
    EXPECT_EQ(r.nExitCode, 3) << r.strOutput;
    EXPECT_NE(r.strOutput.find("ERROR: docs/planted.txt - refused: the path runs through a symbolic link\n"),
              std::string::npos);
    EXPECT_FALSE(testfiles::Exists(tmp.Sub("outside/planted.txt")));
    // The link named like an entry is replaced by the entry; its target stays as it was.
    EXPECT_EQ(testfiles::ReadFile(tmp.Sub("outside/victim.txt")), "original\n");
    EXPECT_TRUE(S_ISREG(ModeOf(tmp.Sub("out/victim.txt"))));
    EXPECT_EQ(testfiles::ReadFile(tmp.Sub("out/victim.txt")), "replaced\n");
}

TEST(UnrarSafetyTest, RefusesDevicesAndFifosAndStripsSetIdBits) {
    for (ERarFormat f : {ERarFormat::Rar4, ERarFormat::Rar5}) {
        CUnrarTempDir tmp;
        CRarOptions o;
        o.eFormat = f;
        CRarWriter w(o);
        w.AddEntry(Raw("fifo", "", S_IFIFO | 0644));
        w.AddEntry(Raw("chardev", "", S_IFCHR | 0644));
        w.AddEntry(Raw("blockdev", "", S_IFBLK | 0644));
        w.AddFile("setuid.sh", "#!/bin/sh\n", 04755);
        w.AddFile("setgid.sh", "#!/bin/sh\n", 02755);
        CRarResult set = w.Write(tmp.Sub("special.rar"));
        ASSERT_TRUE(set.bOk);
        UnrarResult r = RunUnrar(StdArgs(set.arrVolumes[0], tmp.Sub("out")));
        EXPECT_EQ(r.nExitCode, 3) << r.strOutput;
        for (const char* name : {"fifo", "chardev", "blockdev"}) {
            EXPECT_NE(r.strOutput.find(std::string("ERROR: ") + name +
                                       " - refused: device files and FIFOs are not extracted\n"),
                      std::string::npos)
                << name << "\n"
                << r.strOutput;
            EXPECT_FALSE(testfiles::Exists(tmp.Sub("out/") + name));
        }
        EXPECT_EQ(ModeOf(tmp.Sub("out/setuid.sh")) & 07000, 0u);
        EXPECT_EQ(ModeOf(tmp.Sub("out/setgid.sh")) & 07000, 0u);
        EXPECT_EQ(ModeOf(tmp.Sub("out/setuid.sh")) & 0100, 0100u);
    }
}

TEST(UnrarSafetyTest, HardLinksStayInsideTheDestination) {
    CUnrarTempDir tmp;
    testfiles::WriteFile(tmp.Sub("secret.txt"), "outside\n");
    CRarWriter w;
    w.AddFile("file.txt", "inside\n");
    w.AddHardLink("good-link.txt", "file.txt");
    w.AddHardLink("bad-link.txt", "../secret.txt");
    CRarResult set = w.Write(tmp.Sub("links.rar"));
    ASSERT_TRUE(set.bOk) << set.strError;
    UnrarResult r = RunUnrar(StdArgs(set.arrVolumes[0], tmp.Sub("out")));
    EXPECT_EQ(r.nExitCode, 3) << r.strOutput;
    EXPECT_NE(r.strOutput.find("ERROR: bad-link.txt - refused: the link points outside the destination\n"),
              std::string::npos)
        << r.strOutput;
    EXPECT_EQ(testfiles::ReadFile(tmp.Sub("out/good-link.txt")), "inside\n");
    EXPECT_FALSE(testfiles::Exists(tmp.Sub("out/bad-link.txt")));
    struct stat a {
    }, b{};
    ASSERT_EQ(::stat(tmp.Sub("out/file.txt").c_str(), &a), 0);
    ASSERT_EQ(::stat(tmp.Sub("out/good-link.txt").c_str(), &b), 0);
    EXPECT_EQ(a.st_ino, b.st_ino);
}

TEST(UnrarSafetyTest, OverwritesExistingFiles) {
    CUnrarTempDir tmp;
    testfiles::WriteFile(tmp.Sub("out/a.txt"), "old content that is longer\n");
    CRarWriter w;
    w.AddFile("a.txt", "new\n");
    CRarResult set = w.Write(tmp.Sub("a.rar"));
    UnrarResult r = RunUnrar(StdArgs(set.arrVolumes[0], tmp.Sub("out")));
    EXPECT_EQ(r.nExitCode, 0) << r.strOutput;
    EXPECT_EQ(testfiles::ReadFile(tmp.Sub("out/a.txt")), "new\n");
    EXPECT_EQ(testfiles::ListTree(tmp.Sub("out")), "a.txt\n");
}

TEST(UnrarSafetyTest, AFullDiskIsAWriteErrorAndLeavesNoPartialFile) {
    CUnrarTempDir tmp;
    CRarWriter w;
    w.AddFile("small.txt", "fits\n");
    w.AddFile("big.bin", testfiles::RandomBytes(400000, 3));
    CRarResult set = w.Write(tmp.Sub("a.rar"));
    ASSERT_TRUE(set.bOk);
    UnrarRunOptions limited;
    limited.nFileSizeLimit = 100000;
    UnrarResult r = RunUnrar(StdArgs(set.arrVolumes[0], tmp.Sub("out")), limited);
    std::string text =
        NormalizeOutput(r.strOutput, {tmp.Path()}) + "[exit " + std::to_string(r.nExitCode) + "]\n";
    EXPECT_TRUE(MatchesExpected("write_error", text));
    EXPECT_EQ(r.nExitCode, 5);
    EXPECT_EQ(testfiles::ListTree(tmp.Sub("out")), "small.txt\n");
}

// Stored data is read ahead while the chunk before is written: a write that fails mid-file
// must not leave that read running into the next file's data.
TEST(UnrarSafetyTest, AWriteErrorMidFileLeavesTheNextFileIntact) {
    CUnrarTempDir tmp;
    CRarWriter w;
    w.AddFile("big.bin", testfiles::RandomBytes(900000, 4));
    const std::string strAfter = testfiles::RandomBytes(150000, 5);
    w.AddFile("after.bin", strAfter);
    CRarResult set = w.Write(tmp.Sub("a.rar"));
    ASSERT_TRUE(set.bOk);
    UnrarRunOptions limited;
    limited.nFileSizeLimit = 200000;
    UnrarResult r = RunUnrar(StdArgs(set.arrVolumes[0], tmp.Sub("out")), limited);
    EXPECT_EQ(r.nExitCode, 5) << r.strOutput;
    EXPECT_EQ(testfiles::ListTree(tmp.Sub("out")), "after.bin\n") << r.strOutput;
    EXPECT_TRUE(ReadFileBytes(tmp.Sub("out/after.bin")) == strAfter) << r.strOutput;
}

TEST(UnrarSafetyTest, AFileThatCannotBeCreatedIsACreateError) {
    CUnrarTempDir tmp;
    testfiles::WriteFile(tmp.Sub("out/docs"), "a file where a folder should be\n");
    ASSERT_EQ(::mkdir(tmp.Sub("out/taken.txt").c_str(), 0755), 0);
    testfiles::WriteFile(tmp.Sub("out/taken.txt/keep"), "x");
    CRarWriter w;
    w.AddFile("docs/readme.txt", "x");
    w.AddFile("taken.txt", "a file where a folder is\n");
    w.AddFile("fine.txt", "fine\n");
    CRarResult set = w.Write(tmp.Sub("a.rar"));
    UnrarResult r = RunUnrar(StdArgs(set.arrVolumes[0], tmp.Sub("out")));
    std::string text =
        NormalizeOutput(r.strOutput, {tmp.Path()}) + "[exit " + std::to_string(r.nExitCode) + "]\n";
    EXPECT_TRUE(MatchesExpected("create_error", text));
    EXPECT_EQ(r.nExitCode, 9);
    EXPECT_EQ(testfiles::ReadFile(tmp.Sub("out/fine.txt")), "fine\n");
}
