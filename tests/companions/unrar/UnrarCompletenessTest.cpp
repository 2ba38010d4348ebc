// "All OK" means complete: archives cut exactly where a block begins (real archives of the
// RAR program and the project's writer, single archives and volume sets), runs that extract
// or test nothing, and RAR 4.x link targets that do not match their checksum never pass.
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <filesystem>

#include "UnrarRun.h"
#include "companions/unrar/CRarBlockReader.h"
#include "tests/fixtures/CRarBlockHook.h"
#include "tests/fixtures/CRarWriter.h"
#include "tests/fixtures/SharedFixtures.h"
#include "tests/fixtures/TestFiles.h"

namespace {

// Where the blocks after the main header begin (file headers and the end block): the
// places a cut leaves a volume that looks whole up to its last byte.
std::vector<uint64_t> BlockStarts(const std::string& strPath) {
    std::string err;
    auto src = CFileVolumeSource::Open(strPath, err);
    EXPECT_TRUE(src) << err;
    if (!src) {
        return {};
    }
    RarVolumeInfo info = CRarBlockReader::ReadVolume(*src);
    EXPECT_EQ(info.eStatus, RarScanStatus::Ok) << strPath;
    EXPECT_TRUE(info.bHasEndBlock) << strPath;
    std::vector<uint64_t> arrStarts;
    for (const RarFileBlock& f : info.arrFiles) {
        if (f.nHeaderOffset > info.nMainHeaderEnd) {
            arrStarts.push_back(f.nHeaderOffset);
        }
    }
    arrStarts.push_back(info.nEndBlockOffset);
    return arrStarts;
}

std::string CutCopy(const std::string& strFrom, const std::string& strTo, uint64_t nSize) {
    std::string data = ReadFileBytes(strFrom);
    WriteFileBytes(strTo, data.substr(0, size_t(nSize)));
    return strTo;
}

std::string Sha256Hex(const std::string& data) {
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int n = 0;
    EVP_Digest(data.data(), data.size(), md, &n, EVP_sha256(), nullptr);
    std::string hex;
    char buf[3];
    for (unsigned int i = 0; i < n; ++i) {
        std::snprintf(buf, sizeof buf, "%02x", md[i]);
        hex += buf;
    }
    return hex;
}

// Runs t and x on strArchive and expects both to fail as an archive cut short.
void ExpectCutShort(const std::string& strArchive, const std::string& strWhat) {
    for (const char* pCommand : {"t", "x"}) {
        CUnrarTempDir out;
        std::vector<std::string> args = {pCommand, "-o+", "-ierr", "-av-", "-y", "-idp", strArchive};
        if (std::string(pCommand) == "x") {
            args.push_back(out.Path());
        }
        UnrarResult r = RunUnrar(args, {"", -1, out.Path()});
        EXPECT_EQ(r.nExitCode, 3) << strWhat << " " << pCommand << "\n" << r.strOutput;
        EXPECT_NE(r.strOutput.find("Unexpected end of archive\n"), std::string::npos)
            << strWhat << " " << pCommand << "\n"
            << r.strOutput;
        EXPECT_EQ(r.strOutput.find("All OK"), std::string::npos) << strWhat << " " << pCommand;
    }
}

CRarWriter ThreeFiles(ERarFormat eFormat, uint64_t nVolumeSize) {
    CRarOptions o;
    o.eFormat = eFormat;
    o.nVolumeSize = nVolumeSize;
    CRarWriter w(o);
    w.AddFile("one.txt", "the first file\n");
    w.AddFile("two.bin", testfiles::RandomBytes(3000, 21));
    w.AddFile("three.txt", "the last file\n");
    return w;
}

const char* Name(ERarFormat f) {
    return f == ERarFormat::Rar4 ? "rar4" : "rar5";
}

}  // namespace

TEST(UnrarCompletenessTest, RealArchivesCutWhereABlockBeginsFailInTestAndExtraction) {
    REQUIRE_SHARED_FIXTURES();
    for (const char* pName : {"test_read_format_rar.rar", "test_read_format_rar_compress_normal.rar",
                              "test_read_format_rar_unicode.rar", "test_read_format_rar5_multiple_files.rar",
                              "test_read_format_rar5_stored.rar", "test_read_format_rar5_symlink.rar"}) {
        const std::string strWhole = RarFixtures() + pName;
        const std::vector<uint64_t> arrStarts = BlockStarts(strWhole);
        ASSERT_FALSE(arrStarts.empty()) << pName;
        CUnrarTempDir tmp;
        for (uint64_t nCut : arrStarts) {
            std::string strCut = CutCopy(strWhole, tmp.Sub("cut.rar"), nCut);
            ExpectCutShort(strCut, std::string(pName) + " cut at " + std::to_string(nCut));
        }
    }
}

// libarchive's own "no end of archive" RAR 4.x test archive (SHA-256 b42c3bdf...) is
// byte for byte this real archive cut where its second entry begins: a missing end block
// cannot tell a writer that left it out from a cut, so the archive fails.
TEST(UnrarCompletenessTest, LibarchivesArchiveWithoutEndBlockIsARealArchiveCutShort) {
    REQUIRE_SHARED_FIXTURES();
    CUnrarTempDir tmp;
    std::string strCut = CutCopy(RarFixtures() + "test_read_format_rar.rar", tmp.Sub("noeof.rar"), 90);
    EXPECT_EQ(Sha256Hex(ReadFileBytes(strCut)),
              "b42c3bdfd96eac9c3ab336b04b3b65d01a26aca099de4fae2b7d77372b83b4cc");
    ExpectCutShort(strCut, "noeof");
}

TEST(UnrarCompletenessTest, WriterArchivesCutWhereABlockBeginsFail) {
    for (ERarFormat f : {ERarFormat::Rar4, ERarFormat::Rar5}) {
        CUnrarTempDir tmp;
        CRarResult whole = ThreeFiles(f, 0).Write(tmp.Sub("whole.rar"));
        ASSERT_TRUE(whole.bOk) << whole.strError;
        UnrarResult r = RunUnrar({"t", "-idp", whole.arrVolumes[0]});
        ASSERT_EQ(r.nExitCode, 0) << r.strOutput;
        for (uint64_t nCut : BlockStarts(whole.arrVolumes[0])) {
            std::string strCut = CutCopy(whole.arrVolumes[0], tmp.Sub("cut.rar"), nCut);
            ExpectCutShort(strCut, std::string(Name(f)) + " cut at " + std::to_string(nCut));
        }
    }
}

TEST(UnrarCompletenessTest, AVolumeOfASetCutAtItsEndBlockStopsTheSet) {
    for (ERarFormat f : {ERarFormat::Rar4, ERarFormat::Rar5}) {
        for (int nVolume : {0, 1, -1}) {
            CUnrarTempDir tmp;
            CRarWriter probe = ThreeFiles(f, 1200);
            CRarResult whole = probe.Write(tmp.Sub("probe.rar"));
            ASSERT_TRUE(whole.bOk) << whole.strError;
            ASSERT_GE(whole.arrVolumes.size(), 3u);
            const size_t nIndex = nVolume < 0 ? whole.arrVolumes.size() - 1 : size_t(nVolume);
            const std::vector<uint64_t> arrStarts = BlockStarts(whole.arrVolumes[nIndex]);
            ASSERT_FALSE(arrStarts.empty());
            CRarWriter w = ThreeFiles(f, 1200);
            w.Options().mapTruncate[nVolume] = arrStarts.back();  // where the end block begins
            CRarResult set = w.Write(tmp.Sub("set.rar"));
            ASSERT_TRUE(set.bOk) << set.strError;
            ExpectCutShort(set.arrVolumes[0], std::string(Name(f)) + " volume " + std::to_string(nVolume));
        }
    }
}

TEST(UnrarCompletenessTest, NothingExtractedOrTestedIsNeverAllOk) {
    for (ERarFormat f : {ERarFormat::Rar4, ERarFormat::Rar5}) {
        CUnrarTempDir tmp;
        CRarOptions o;
        o.eFormat = f;
        CRarWriter w(o);
        w.AddDirectory("only");
        w.AddDirectory("only/folders");
        CRarResult set = w.Write(tmp.Sub("folders.rar"));
        ASSERT_TRUE(set.bOk) << set.strError;
        // Test mode has no entry to test.
        UnrarResult t = RunUnrar({"t", "-idp", set.arrVolumes[0]});
        EXPECT_EQ(t.nExitCode, 3) << t.strOutput;
        EXPECT_NE(t.strOutput.find("No files to extract\n"), std::string::npos) << t.strOutput;
        EXPECT_EQ(t.strOutput.find("All OK"), std::string::npos);
        // Extraction creates the folders, and says so.
        UnrarResult x = RunUnrar({"x", "-idp", set.arrVolumes[0], tmp.Sub("out")});
        EXPECT_EQ(x.nExitCode, 0) << x.strOutput;
        EXPECT_NE(x.strOutput.find("Creating    only/folders"), std::string::npos) << x.strOutput;
        EXPECT_NE(x.strOutput.find("\nAll OK\n"), std::string::npos) << x.strOutput;
        EXPECT_EQ(testfiles::ListTree(tmp.Sub("out")), "only/\nonly/folders/\n");
        // An archive with no entries at all.
        CRarWriter empty(o);
        CRarResult none = empty.Write(tmp.Sub("empty.rar"));
        ASSERT_TRUE(none.bOk);
        for (const char* pCommand : {"t", "x"}) {
            std::vector<std::string> args = {pCommand, "-idp", none.arrVolumes[0]};
            if (std::string(pCommand) == "x") {
                args.push_back(tmp.Sub("out2"));
            }
            UnrarResult r = RunUnrar(args);
            EXPECT_EQ(r.nExitCode, 3) << Name(f) << " " << pCommand << "\n" << r.strOutput;
            EXPECT_NE(r.strOutput.find("No files to extract\n"), std::string::npos) << r.strOutput;
            EXPECT_EQ(r.strOutput.find("All OK"), std::string::npos);
        }
    }
}

TEST(UnrarCompletenessTest, Rar4LinkTargetsAreCheckedAgainstTheirStoredCrc) {
    struct Case {
        const char* pWhat;
        bool bFlip;
        bool bBadCrc;
    };
    for (const Case& c : {Case{"intact", false, false}, Case{"flipped byte", true, false},
                          Case{"wrong checksum", false, true}}) {
        CUnrarTempDir tmp;
        CRarOptions o;
        o.eFormat = ERarFormat::Rar4;
        CRarWriter w(o);
        w.AddFile("target-a.txt", "a\n");
        w.AddFile("target-c.txt", "c\n");
        CRarEntry& link = w.AddSymlink("link", "target-a.txt");
        link.nFlipByteAt = c.bFlip ? 7 : -1;  // "target-a.txt" becomes "target-`.txt"
        link.bBadDataCrc = c.bBadCrc;
        w.AddFile("after.txt", "after\n");
        CRarResult set = w.Write(tmp.Sub("links.rar"));
        ASSERT_TRUE(set.bOk) << set.strError;
        const bool bIntact = !c.bFlip && !c.bBadCrc;

        UnrarResult x =
            RunUnrar({"x", "-o+", "-ierr", "-av-", "-y", "-idp", set.arrVolumes[0], tmp.Sub("out")});
        EXPECT_EQ(x.nExitCode, bIntact ? 0 : 3) << c.pWhat << "\n" << x.strOutput;
        EXPECT_EQ(x.strOutput.find("ERROR: link - CRC failed\n") != std::string::npos, !bIntact)
            << c.pWhat << "\n"
            << x.strOutput;
        EXPECT_EQ(x.strOutput.find("All OK") != std::string::npos, bIntact) << c.pWhat;
        struct stat st;
        const bool bLinkMade = ::lstat(tmp.Sub("out/link").c_str(), &st) == 0;
        EXPECT_EQ(bLinkMade, bIntact) << c.pWhat;
        if (bLinkMade) {
            char buf[64] = {};
            ssize_t n = ::readlink(tmp.Sub("out/link").c_str(), buf, sizeof buf - 1);
            EXPECT_EQ(std::string(buf, size_t(std::max<ssize_t>(n, 0))), "target-a.txt");
        }
        EXPECT_EQ(testfiles::ReadFile(tmp.Sub("out/after.txt")), "after\n") << c.pWhat;

        UnrarResult t = RunUnrar({"t", "-idp", set.arrVolumes[0]});
        EXPECT_EQ(t.nExitCode, bIntact ? 0 : 3) << c.pWhat << "\n" << t.strOutput;
        EXPECT_EQ(t.strOutput.find("ERROR: link - CRC failed\n") != std::string::npos, !bIntact) << c.pWhat;
    }
}

namespace {

// Labels the RAR 4.x file header of "link" as compressed the RAR 2.0 way (unpack version
// 20, method 0x33) and mends the header checksum; the data stays the stored target with
// its right CRC. nChanged counts the headers changed (the writer may build one twice).
class CRar20LinkHook : public CRarBlockHook {
public:
    std::string TransformHeader(ERarFormat eFormat, const std::string& strHeader) override {
        std::string h = strHeader;
        if (eFormat != ERarFormat::Rar4 || h.size() < 36 || std::uint8_t(h[2]) != 0x74) {
            return h;
        }
        const std::size_t nNameSize = std::uint8_t(h[26]) | std::size_t(std::uint8_t(h[27])) << 8;
        if (h.compare(32, nNameSize, "link") != 0) {
            return h;
        }
        h[24] = char(20);
        h[25] = char(0x33);
        const uLong nCrc = crc32(0L, reinterpret_cast<const Bytef*>(h.data() + 2), uInt(h.size() - 2));
        h[0] = char(nCrc & 0xFF);
        h[1] = char((nCrc >> 8) & 0xFF);
        ++nChanged;
        return h;
    }

    int nChanged = 0;
};

}  // namespace

// A RAR 4.x link target is taken from its data only where that data is stored: bytes of
// another compression are not the target, even with a CRC that matches them.
TEST(UnrarCompletenessTest, Rar4LinkTargetNotStoredIsRefused) {
    CUnrarTempDir tmp;
    CRar20LinkHook hook;
    CRarOptions o;
    o.eFormat = ERarFormat::Rar4;
    o.pHook = &hook;
    CRarWriter w(o);
    w.AddFile("target-a.txt", "a\n");
    w.AddSymlink("link", "target-a.txt");
    w.AddFile("after.txt", "after\n");
    CRarResult set = w.Write(tmp.Sub("links.rar"));
    ASSERT_TRUE(set.bOk) << set.strError;
    ASSERT_GE(hook.nChanged, 1);
    {
        std::string err;
        auto src = CFileVolumeSource::Open(set.arrVolumes[0], err);
        ASSERT_TRUE(src) << err;
        RarVolumeInfo info = CRarBlockReader::ReadVolume(*src);
        ASSERT_EQ(info.eStatus, RarScanStatus::Ok);
        ASSERT_EQ(info.arrFiles.size(), 3u);
        EXPECT_EQ(info.arrFiles[1].strName, "link");
        EXPECT_FALSE(info.arrFiles[1].bStored);
        EXPECT_EQ(info.arrFiles[1].nUnpackVersion, 20u);
    }

    UnrarResult x = RunUnrar({"x", "-o+", "-ierr", "-av-", "-y", "-idp", set.arrVolumes[0], tmp.Sub("out")});
    EXPECT_EQ(x.nExitCode, 3) << x.strOutput;
    EXPECT_NE(x.strOutput.find("ERROR: link - CRC failed\n"), std::string::npos) << x.strOutput;
    EXPECT_EQ(x.strOutput.find("All OK"), std::string::npos) << x.strOutput;
    struct stat st;
    EXPECT_NE(::lstat(tmp.Sub("out/link").c_str(), &st), 0) << "link made";
    EXPECT_EQ(testfiles::ReadFile(tmp.Sub("out/after.txt")), "after\n");

    UnrarResult t = RunUnrar({"t", "-idp", set.arrVolumes[0]});
    EXPECT_EQ(t.nExitCode, 3) << t.strOutput;
    EXPECT_NE(t.strOutput.find("ERROR: link - CRC failed\n"), std::string::npos) << t.strOutput;
}
