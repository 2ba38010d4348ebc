// The console RAR program on stored RAR 4.x and 5.0 sets written by the project's own RAR
// writer: both naming styles, entries split across volumes, and every way a set can be
// incomplete or damaged.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "UnrarRun.h"
#include "companions/unrar/crypto/CBlake2sp.h"
#include "tests/fixtures/CRarBlockHook.h"
#include "tests/fixtures/CRarWriter.h"
#include "tests/fixtures/TestFiles.h"

namespace {

const std::string BIG = testfiles::RandomBytes(300000, 7);
const std::string SMALL = "a small text\n";

// A set with one entry split over several 64 KiB volumes, a small file and a folder.
CRarWriter MakeWriter(ERarFormat eFormat, ERarNaming eNaming) {
    CRarOptions o;
    o.eFormat = eFormat;
    o.eNaming = eNaming;
    o.nVolumeSize = 64 * 1024;
    CRarWriter w(o);
    w.AddDirectory("docs");
    w.AddFile("docs/small.txt", SMALL);
    w.AddFile("big.bin", BIG);
    w.AddFile("after.txt", "written after the big file\n");
    return w;
}

std::vector<std::string> StdArgs(const std::string& archive, const std::string& dest) {
    return {"x", "-o+", "-ierr", "-av-", "-y", "-idp", archive, dest};
}

std::string Describe(ERarFormat f, ERarNaming n) {
    return std::string(f == ERarFormat::Rar4 ? "rar4" : "rar5") + (n == ERarNaming::Part ? "_part" : "_old");
}

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) {
        ++n;
    }
    return n;
}

}  // namespace

TEST(UnrarSetTest, ExtractsSplitEntriesOfBothFormatsAndNamingStyles) {
    for (ERarFormat f : {ERarFormat::Rar4, ERarFormat::Rar5}) {
        for (ERarNaming n : {ERarNaming::Part, ERarNaming::Old}) {
            CUnrarTempDir tmp;
            CRarWriter w = MakeWriter(f, n);
            CRarResult set = w.Write(tmp.Sub("set.rar"));
            ASSERT_TRUE(set.bOk) << set.strError;
            ASSERT_GE(set.arrVolumes.size(), 5u);
            UnrarResult r = RunUnrar(StdArgs(set.arrVolumes[0], tmp.Sub("out")));
            EXPECT_EQ(r.nExitCode, 0) << Describe(f, n) << "\n" << r.strOutput;
            EXPECT_EQ(testfiles::ReadFile(tmp.Sub("out/big.bin")), BIG) << Describe(f, n);
            EXPECT_EQ(testfiles::ReadFile(tmp.Sub("out/docs/small.txt")), SMALL) << Describe(f, n);
            EXPECT_EQ(testfiles::ListTree(tmp.Sub("out")), "after.txt\nbig.bin\ndocs/\ndocs/small.txt\n")
                << Describe(f, n);
            // Every volume is announced once, in order, with its full path.
            size_t pos = 0;
            for (const std::string& v : set.arrVolumes) {
                size_t at = r.strOutput.find("\nExtracting from " + v + "\n\n", pos);
                EXPECT_NE(at, std::string::npos) << v;
                pos = at == std::string::npos ? pos : at + 1;
            }
            EXPECT_EQ(Count(r.strOutput, "Extracting from "), set.arrVolumes.size());
            std::string text =
                NormalizeOutput(r.strOutput, {tmp.Path()}) + "[exit " + std::to_string(r.nExitCode) + "]\n";
            EXPECT_TRUE(MatchesExpected("set_" + Describe(f, n), text));
        }
    }
}

TEST(UnrarSetTest, TestModeChecksEveryVolumeAndWritesNothing) {
    CUnrarTempDir tmp;
    CRarWriter w = MakeWriter(ERarFormat::Rar5, ERarNaming::Part);
    CRarResult set = w.Write(tmp.Sub("set.rar"));
    ASSERT_TRUE(set.bOk);
    const std::string strBefore = testfiles::ListTree(tmp.Path());
    UnrarResult r =
        RunUnrar({"t", "-o+", "-ierr", "-av-", "-y", "-idp", set.arrVolumes[0]}, {"", -1, tmp.Path()});
    EXPECT_EQ(r.nExitCode, 0) << r.strOutput;
    EXPECT_EQ(Count(r.strOutput, "Testing archive "), set.arrVolumes.size());
    EXPECT_NE(r.strOutput.find("Testing     big.bin"), std::string::npos);
    EXPECT_EQ(testfiles::ListTree(tmp.Path()), strBefore);
    EXPECT_FALSE(testfiles::Exists(tmp.Sub("big.bin")));
}

TEST(UnrarSetTest, MissingVolumesStopWithTheirPath) {
    for (ERarFormat f : {ERarFormat::Rar4, ERarFormat::Rar5}) {
        for (bool bLast : {false, true}) {
            CUnrarTempDir tmp;
            CRarWriter w = MakeWriter(f, ERarNaming::Part);
            if (bLast) {
                w.Options().bOmitLastVolume = true;
            } else {
                w.Options().setOmit = {2};
            }
            CRarResult set = w.Write(tmp.Sub("set.rar"));
            ASSERT_TRUE(set.bOk);
            std::string missing = bLast ? set.arrVolumes.back() : set.arrVolumes[2];
            UnrarResult r = RunUnrar(StdArgs(set.arrVolumes[0], tmp.Sub("out")));
            std::string what = Describe(f, ERarNaming::Part) + (bLast ? " last" : " middle");
            EXPECT_EQ(r.nExitCode, 3) << what << "\n" << r.strOutput;
            EXPECT_NE(r.strOutput.find("Cannot find volume " + missing + "\n"), std::string::npos) << what;
            EXPECT_EQ(r.strOutput.find("All OK"), std::string::npos) << what;
            EXPECT_EQ(testfiles::ReadFile(tmp.Sub("out/docs/small.txt")), SMALL) << what;
            EXPECT_FALSE(testfiles::Exists(tmp.Sub("out/after.txt")) &&
                         testfiles::Exists(tmp.Sub("out/big.bin")))
                << what;
            EXPECT_FALSE(testfiles::Exists(tmp.Sub("out/big.bin"))) << what;
        }
    }
}

TEST(UnrarSetTest, ATruncatedLastVolumeEndsWithUnexpectedEndAfterItsVolumeLine) {
    for (ERarFormat f : {ERarFormat::Rar4, ERarFormat::Rar5}) {
        CUnrarTempDir tmp;
        CRarWriter probe = MakeWriter(f, ERarNaming::Old);
        CRarResult whole = probe.Write(tmp.Sub("probe.rar"));
        ASSERT_TRUE(whole.bOk);
        int last = int(whole.arrVolumes.size()) - 1;
        CRarWriter w = MakeWriter(f, ERarNaming::Old);
        w.Options().mapTruncate[last] = 40;
        CRarResult set = w.Write(tmp.Sub("set.rar"));
        ASSERT_TRUE(set.bOk);
        UnrarResult r = RunUnrar(StdArgs(set.arrVolumes[0], tmp.Sub("out")));
        EXPECT_EQ(r.nExitCode, 3) << r.strOutput;
        std::string volumeLine = "Extracting from " + set.arrVolumes.back() + "\n";
        size_t at = r.strOutput.find(volumeLine);
        ASSERT_NE(at, std::string::npos) << r.strOutput;
        EXPECT_NE(r.strOutput.find("Unexpected end of archive\n", at), std::string::npos) << r.strOutput;
        EXPECT_EQ(r.strOutput.find("All OK"), std::string::npos);
        EXPECT_FALSE(testfiles::Exists(tmp.Sub("out/after.txt")));
    }
}

TEST(UnrarSetTest, ACorruptedCrcIsNeverIgnored) {
    for (ERarFormat f : {ERarFormat::Rar4, ERarFormat::Rar5}) {
        // The stored checksum of the whole entry is wrong.
        {
            CUnrarTempDir tmp;
            CRarWriter w = MakeWriter(f, ERarNaming::Part);
            w.Entries()[2].bBadDataCrc = true;
            CRarResult set = w.Write(tmp.Sub("set.rar"));
            ASSERT_TRUE(set.bOk);
            UnrarResult r = RunUnrar(StdArgs(set.arrVolumes[0], tmp.Sub("out")));
            EXPECT_EQ(r.nExitCode, 3) << r.strOutput;
            EXPECT_NE(r.strOutput.find("ERROR: big.bin - CRC failed\n"), std::string::npos) << r.strOutput;
            EXPECT_FALSE(testfiles::Exists(tmp.Sub("out/big.bin")));
            EXPECT_EQ(testfiles::ReadFile(tmp.Sub("out/after.txt")), "written after the big file\n");
        }
        // A byte of the data in the first volume changed: that volume's packed data CRC fails.
        {
            CUnrarTempDir tmp;
            CRarWriter w = MakeWriter(f, ERarNaming::Part);
            w.Entries()[2].nFlipByteAt = 1000;
            CRarResult set = w.Write(tmp.Sub("set.rar"));
            ASSERT_TRUE(set.bOk);
            UnrarResult r = RunUnrar(StdArgs(set.arrVolumes[0], tmp.Sub("out")));
            EXPECT_EQ(r.nExitCode, 3) << r.strOutput;
            EXPECT_NE(
                r.strOutput.find("big.bin : packed data CRC failed in volume " + set.arrVolumes[0] + "\n"),
                std::string::npos)
                << r.strOutput;
            EXPECT_FALSE(testfiles::Exists(tmp.Sub("out/big.bin")));
        }
        // The same in test mode.
        {
            CUnrarTempDir tmp;
            CRarWriter w = MakeWriter(f, ERarNaming::Part);
            w.Entries()[1].bBadDataCrc = true;
            CRarResult set = w.Write(tmp.Sub("set.rar"));
            UnrarResult r = RunUnrar({"t", "-idp", set.arrVolumes[0]});
            EXPECT_EQ(r.nExitCode, 3);
            EXPECT_NE(r.strOutput.find("ERROR: docs/small.txt - CRC failed\n"), std::string::npos)
                << r.strOutput;
        }
    }
}

TEST(UnrarSetTest, ADamagedHeaderIsReportedAsUnexpectedEnd) {
    for (ERarFormat f : {ERarFormat::Rar4, ERarFormat::Rar5}) {
        CUnrarTempDir tmp;
        CRarWriter w = MakeWriter(f, ERarNaming::Part);
        w.Entries()[3].bBadHeaderCrc = true;
        CRarResult set = w.Write(tmp.Sub("set.rar"));
        ASSERT_TRUE(set.bOk);
        UnrarResult r = RunUnrar(StdArgs(set.arrVolumes[0], tmp.Sub("out")));
        EXPECT_EQ(r.nExitCode, 3) << r.strOutput;
        EXPECT_NE(r.strOutput.find("Unexpected end of archive\n"), std::string::npos) << r.strOutput;
        EXPECT_FALSE(testfiles::Exists(tmp.Sub("out/after.txt")));
    }
}

TEST(UnrarSetTest, ALaterVolumeGivenFirstWarnsAboutTheEntryThatBeganBefore) {
    for (ERarFormat f : {ERarFormat::Rar4, ERarFormat::Rar5}) {
        for (ERarNaming n : {ERarNaming::Part, ERarNaming::Old}) {
            CUnrarTempDir tmp;
            CRarWriter w = MakeWriter(f, n);
            CRarResult set = w.Write(tmp.Sub("set.rar"));
            ASSERT_TRUE(set.bOk);
            UnrarResult r = RunUnrar(StdArgs(set.arrVolumes[1], tmp.Sub("out")));
            EXPECT_EQ(r.nExitCode, 3) << r.strOutput;
            EXPECT_NE(r.strOutput.find("Extracting from " + set.arrVolumes[1] +
                                       "\n\nWARNING: You need to start "
                                       "extraction from a previous volume to unpack big.bin\n"),
                      std::string::npos)
                << Describe(f, n) << "\n"
                << r.strOutput;
            EXPECT_EQ(r.strOutput.find("Extracting from " + set.arrVolumes[0]), std::string::npos);
            EXPECT_EQ(testfiles::ReadFile(tmp.Sub("out/after.txt")), "written after the big file\n")
                << Describe(f, n);
            EXPECT_FALSE(testfiles::Exists(tmp.Sub("out/big.bin")));
            EXPECT_EQ(r.strOutput.find("All OK"), std::string::npos);
        }
    }
}

TEST(UnrarSetTest, NothingToExtractIsAFailure) {
    CUnrarTempDir tmp;
    CRarWriter w;
    CRarResult set = w.Write(tmp.Sub("empty.rar"));
    ASSERT_TRUE(set.bOk);
    UnrarResult r = RunUnrar(StdArgs(set.arrVolumes[0], tmp.Sub("out")));
    EXPECT_EQ(r.nExitCode, 3);
    EXPECT_NE(r.strOutput.find("No files to extract\n"), std::string::npos) << r.strOutput;
    EXPECT_EQ(r.strOutput.find("All OK"), std::string::npos);
}

namespace {

// Adds a BLAKE2sp hash record to every RAR 5.0 file header: the right hash of the content,
// or, with bWrong, the hash of something else.
class CBlake2Hook : public CRarBlockHook {
public:
    explicit CBlake2Hook(bool bWrong) : bWrongHash(bWrong) {}
    std::string FileHeaderExtra(ERarFormat, const CRarEntry& entry) override {
        CBlake2sp h;
        std::string data = bWrongHash ? entry.strData + "!" : entry.strData;
        h.Update(reinterpret_cast<const uint8_t*>(data.data()), data.size());
        std::array<uint8_t, 32> d = h.Final();
        std::string rec;
        rec += char(34);  // size of type, hash type and hash
        rec += char(0x02);
        rec += char(0x00);
        rec.append(reinterpret_cast<const char*>(d.data()), d.size());
        return rec;
    }

private:
    bool bWrongHash;
};

}  // namespace

TEST(UnrarSetTest, ChecksTheBlake2HashWhereTheArchiveHasOne) {
    for (bool bWrong : {false, true}) {
        CUnrarTempDir tmp;
        CBlake2Hook hook(bWrong);
        CRarOptions o;
        o.nVolumeSize = 64 * 1024;
        o.pHook = &hook;
        CRarWriter w(o);
        w.AddFile("big.bin", testfiles::RandomBytes(150000, 9));
        CRarResult set = w.Write(tmp.Sub("b.rar"));
        ASSERT_TRUE(set.bOk) << set.strError;
        UnrarResult r = RunUnrar({"x", "-idp", set.arrVolumes[0], tmp.Sub("out")});
        EXPECT_EQ(r.nExitCode, bWrong ? 3 : 0) << r.strOutput;
        EXPECT_EQ(r.strOutput.find("ERROR: big.bin - CRC failed\n") != std::string::npos, bWrong)
            << r.strOutput;
        EXPECT_EQ(testfiles::Exists(tmp.Sub("out/big.bin")), !bWrong);
    }
}
