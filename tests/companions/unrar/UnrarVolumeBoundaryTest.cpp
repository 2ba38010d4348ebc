// Volume sets whose volumes begin with a new entry instead of the rest of a split one: a
// file that ends exactly where its volume ends, small files one or a few to a volume, and
// such boundaries mixed with split entries, in both formats and naming styles. Every set is
// extracted byte-identical and tested.
#include <gtest/gtest.h>

#include "UnrarRun.h"
#include "companions/unrar/CRarBlockReader.h"
#include "tests/fixtures/CRarWriter.h"
#include "tests/fixtures/TestFiles.h"

namespace {

struct CSetCase {
    ERarFormat eFormat;
    ERarNaming eNaming;
};

std::string Describe(const CSetCase& c) {
    return std::string(c.eFormat == ERarFormat::Rar4 ? "rar4" : "rar5") +
           (c.eNaming == ERarNaming::Part ? " part" : " old");
}

const std::vector<CSetCase> ALL_CASES = {{ERarFormat::Rar4, ERarNaming::Part},
                                         {ERarFormat::Rar4, ERarNaming::Old},
                                         {ERarFormat::Rar5, ERarNaming::Part},
                                         {ERarFormat::Rar5, ERarNaming::Old}};

// How many volumes after the first begin with a new entry rather than a continuation.
size_t CleanBoundaries(const CRarResult& set) {
    size_t n = 0;
    for (size_t v = 1; v < set.arrVolumes.size(); ++v) {
        std::string err;
        auto src = CFileVolumeSource::Open(set.arrVolumes[v], err);
        EXPECT_TRUE(src) << err;
        if (!src) {
            continue;
        }
        RarVolumeInfo info = CRarBlockReader::ReadVolume(*src);
        EXPECT_EQ(info.eStatus, RarScanStatus::Ok) << set.arrVolumes[v];
        if (!info.arrFiles.empty() && !info.arrFiles.front().bSplitBefore) {
            ++n;
        }
    }
    return n;
}

// Extracts and tests the set from its first volume: every file byte-identical, every
// volume announced, "All OK".
void ExpectWholeSet(const CRarResult& set, const std::map<std::string, std::string>& files,
                    const std::string& strWhat) {
    CUnrarTempDir out;
    UnrarResult x = RunUnrar({"x", "-o+", "-ierr", "-av-", "-y", "-idp", set.arrVolumes[0], out.Path()});
    EXPECT_EQ(x.nExitCode, 0) << strWhat << "\n" << x.strOutput;
    EXPECT_NE(x.strOutput.find("\nAll OK\n"), std::string::npos) << strWhat;
    std::string strExpected;
    for (const auto& [name, data] : files) {
        EXPECT_EQ(testfiles::ReadFile(out.Sub(name)), data) << strWhat << ": " << name;
        strExpected += name + "\n";
    }
    EXPECT_EQ(testfiles::ListTree(out.Path()), strExpected) << strWhat;
    for (const std::string& v : set.arrVolumes) {
        EXPECT_NE(x.strOutput.find("Extracting from " + v + "\n"), std::string::npos) << strWhat << ": " << v;
    }
    UnrarResult t = RunUnrar({"t", "-o+", "-ierr", "-av-", "-y", "-idc", set.arrVolumes[0]});
    EXPECT_EQ(t.nExitCode, 0) << strWhat << "\n" << t.strOutput;
    EXPECT_NE(t.strOutput.find("\nAll OK\n"), std::string::npos) << strWhat;
}

}  // namespace

TEST(UnrarVolumeBoundaryTest, VolumesBeginningWithANewEntryExtractWhole) {
    for (const CSetCase& c : ALL_CASES) {
        CUnrarTempDir tmp;
        CRarOptions o;
        o.eFormat = c.eFormat;
        o.eNaming = c.eNaming;
        o.nVolumeSize = 64 * 1024;
        CRarWriter w(o);
        std::map<std::string, std::string> files = {
            {"a.bin", testfiles::RandomBytes(20000, 1)},
            {"b.bin", testfiles::RandomBytes(150000, 2)},
            {"c.txt", "a small file\n"},
            {"d.bin", testfiles::RandomBytes(90000, 3)},
            {"e.txt", "after the last boundary\n"},
        };
        for (const auto& [name, data] : files) {
            w.AddFile(name, data);
        }
        // b.bin and d.bin begin volumes of their own; b.bin is then split again, so a split
        // boundary follows a boundary between entries.
        w.Entries()[1].bStartsVolume = true;
        w.Entries()[3].bStartsVolume = true;
        w.Entries()[4].bStartsVolume = true;
        CRarResult set = w.Write(tmp.Sub("set.rar"));
        ASSERT_TRUE(set.bOk) << set.strError;
        EXPECT_EQ(CleanBoundaries(set), 3u) << Describe(c);
        EXPECT_LT(CleanBoundaries(set), set.arrVolumes.size() - 1) << Describe(c) << ": no split entry";
        ExpectWholeSet(set, files, Describe(c));
    }
}

TEST(UnrarVolumeBoundaryTest, SmallFilesOneToAVolumeExtractWhole) {
    for (const CSetCase& c : ALL_CASES) {
        CUnrarTempDir tmp;
        CRarOptions o;
        o.eFormat = c.eFormat;
        o.eNaming = c.eNaming;
        o.nVolumeSize = 400;  // volumes far smaller than any read-ahead window
        CRarWriter w(o);
        std::map<std::string, std::string> files;
        for (int i = 0; i < 12; ++i) {
            std::string name = "f" + std::to_string(10 + i) + ".txt";
            files[name] = testfiles::RandomBytes(size_t(100 + i), uint32_t(i));
            w.AddFile(name, files[name]).bStartsVolume = true;
        }
        CRarResult set = w.Write(tmp.Sub("small.rar"));
        ASSERT_TRUE(set.bOk) << set.strError;
        ASSERT_EQ(set.arrVolumes.size(), 12u) << Describe(c);
        EXPECT_EQ(CleanBoundaries(set), 11u) << Describe(c);
        ExpectWholeSet(set, files, Describe(c));
    }
}

// The writer fills volumes itself: a volume exactly as large as the headers and data of its
// entries ends where an entry ends, and the next entry begins the next volume.
TEST(UnrarVolumeBoundaryTest, AFileEndingExactlyAtTheVolumeEndIsFollowedByTheNextEntry) {
    for (const CSetCase& c : ALL_CASES) {
        CUnrarTempDir tmp;
        auto make = [&](uint64_t nVolumeSize, bool bMarkBoundary) {
            CRarOptions o;
            o.eFormat = c.eFormat;
            o.eNaming = c.eNaming;
            o.nVolumeSize = nVolumeSize;
            CRarWriter w(o);
            w.AddFile("first.bin", testfiles::RandomBytes(30000, 5));
            w.AddFile("second.bin", testfiles::RandomBytes(70000, 6)).bStartsVolume = bMarkBoundary;
            w.AddFile("third.txt", "third\n");
            return w;
        };
        // The size of a volume that holds first.bin and its end block exactly.
        CRarResult probe = make(1 << 30, true).Write(tmp.Sub("probe.rar"));
        ASSERT_TRUE(probe.bOk) << probe.strError;
        const uint64_t nExact = testfiles::ReadFile(probe.arrVolumes[0]).size();
        CRarWriter w = make(nExact, false);
        CRarResult set = w.Write(tmp.Sub("exact.rar"));
        ASSERT_TRUE(set.bOk) << set.strError;
        ASSERT_GE(set.arrVolumes.size(), 3u) << Describe(c);
        EXPECT_EQ(testfiles::ReadFile(set.arrVolumes[0]).size(), nExact) << Describe(c);
        EXPECT_GE(CleanBoundaries(set), 1u) << Describe(c);
        ExpectWholeSet(set,
                       {{"first.bin", testfiles::RandomBytes(30000, 5)},
                        {"second.bin", testfiles::RandomBytes(70000, 6)},
                        {"third.txt", "third\n"}},
                       Describe(c));
    }
}

// A set read from a later volume: the entry split before it is warned about, and the
// entries after a boundary between entries still come out.
TEST(UnrarVolumeBoundaryTest, ALaterVolumeGivenFirstReadsOnPastBoundariesBetweenEntries) {
    for (const CSetCase& c : ALL_CASES) {
        CUnrarTempDir tmp;
        CRarOptions o;
        o.eFormat = c.eFormat;
        o.eNaming = c.eNaming;
        o.nVolumeSize = 64 * 1024;
        CRarWriter w(o);
        w.AddFile("big.bin", testfiles::RandomBytes(100000, 7));
        w.AddFile("next.txt", "next\n").bStartsVolume = true;
        w.AddFile("split.bin", testfiles::RandomBytes(100000, 8)).bStartsVolume = true;
        CRarResult set = w.Write(tmp.Sub("later.rar"));
        ASSERT_TRUE(set.bOk) << set.strError;
        ASSERT_EQ(set.arrVolumes.size(), 5u) << Describe(c);
        UnrarResult r =
            RunUnrar({"x", "-o+", "-ierr", "-av-", "-y", "-idp", set.arrVolumes[1], tmp.Sub("out")});
        EXPECT_EQ(r.nExitCode, 3) << Describe(c) << "\n" << r.strOutput;
        EXPECT_NE(r.strOutput.find("You need to start extraction from a previous volume to unpack big.bin"),
                  std::string::npos)
            << r.strOutput;
        EXPECT_EQ(testfiles::ReadFile(tmp.Sub("out/next.txt")), "next\n") << Describe(c) << "\n"
                                                                          << r.strOutput;
        EXPECT_EQ(testfiles::ReadFile(tmp.Sub("out/split.bin")), testfiles::RandomBytes(100000, 8))
            << Describe(c) << "\n"
            << r.strOutput;
        EXPECT_FALSE(testfiles::Exists(tmp.Sub("out/big.bin")));
    }
}
