// The console RAR program on solid RAR 4.x archives, which libarchive cannot read: the real
// solid fixture, and plain (decrypted) copies of it with one thing changed, so that every
// file after the change depends on the decoder state the change touched.
#include "companions/unrar/CRarBlockReader.h"
#include "companions/unrar/decrypt/CRarDecryption.h"
#include "tests/companions/unrar/UnrarRun.h"
#include "tests/fixtures/TestFiles.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <map>
#include <string>
#include <vector>

namespace {

const char* SOLID = "test_read_format_rar4_solid_encrypted.rar";

std::map<std::string, std::string> Four() {
    std::map<std::string, std::string> tree;
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"}) {
        tree[name] = std::string("f:This is from ") + name;
    }
    return tree;
}

// The solid fixture as a plain archive: what the decryption layer hands on.
struct CPlainSolid {
    std::string strBytes;
    RarVolumeInfo info;

    CPlainSolid() {
        CRarDecryption decryption("password");
        std::string strError;
        auto pVolume = decryption.OpenVolume(RarFixtures() + SOLID, strError);
        EXPECT_TRUE(pVolume) << strError;
        if (!pVolume) {
            return;
        }
        strBytes.resize(size_t(pVolume->Size()));
        EXPECT_EQ(pVolume->ReadAt(0, strBytes.data(), strBytes.size()), int64_t(strBytes.size()));
        info = CRarBlockReader::ReadVolume(*pVolume);
        EXPECT_EQ(info.arrFiles.size(), 4u);
        EXPECT_TRUE(info.bSolid);
    }
    // Renames file i (same length) and fixes its header checksum.
    void Rename(size_t i, const std::string& strName) {
        const RarFileBlock& f = info.arrFiles[i];
        const size_t nAt = strBytes.find(f.strName, size_t(f.nHeaderOffset));
        ASSERT_EQ(strName.size(), f.strName.size());
        ASSERT_LT(nAt, size_t(f.nDataOffset));
        strBytes.replace(nAt, strName.size(), strName);
        const auto* p = reinterpret_cast<const Bytef*>(strBytes.data() + f.nHeaderOffset);
        const uint32_t nCrc = uint32_t(crc32(0, p + 2, uInt(f.nDataOffset - f.nHeaderOffset - 2)));
        strBytes[size_t(f.nHeaderOffset)] = char(nCrc & 0xff);
        strBytes[size_t(f.nHeaderOffset) + 1] = char((nCrc >> 8) & 0xff);
    }
    std::string Write(const CUnrarTempDir& dir) const {
        const std::string strPath = dir.Sub("solid.rar");
        WriteFileBytes(strPath, strBytes);
        return strPath;
    }
};

UnrarResult Extract(const std::string& strArchive, const std::string& strDest) {
    return RunUnrar({"x", "-o+", "-y", "-idp", strArchive, strDest});
}

}  // namespace

TEST(UnrarSolidRar4Test, PlainSolidArchiveExtractsAndTestsEveryFile) {
    if (!HaveRarFixtures()) {
        GTEST_SKIP();
    }
    CPlainSolid plain;
    CUnrarTempDir tmp;
    const std::string strArchive = plain.Write(tmp);
    UnrarResult r = Extract(strArchive, tmp.Sub("out"));
    EXPECT_EQ(r.nExitCode, 0) << r.strOutput;
    EXPECT_NE(r.strOutput.find("All OK"), std::string::npos) << r.strOutput;
    EXPECT_EQ(ReadTree(tmp.Sub("out")), Four());
    UnrarResult t = RunUnrar({"t", "-idp", strArchive});
    EXPECT_EQ(t.nExitCode, 0) << t.strOutput;
}

TEST(UnrarSolidRar4Test, RefusedNameInTheMiddleStillLetsTheLaterFilesOut) {
    if (!HaveRarFixtures()) {
        GTEST_SKIP();
    }
    CPlainSolid plain;
    plain.Rename(1, "../bt");
    CUnrarTempDir tmp;
    UnrarResult r = Extract(plain.Write(tmp), tmp.Sub("out"));
    EXPECT_EQ(r.nExitCode, 3) << r.strOutput;
    EXPECT_NE(r.strOutput.find("ERROR: ../bt - refused"), std::string::npos) << r.strOutput;
    auto expected = Four();
    expected.erase("b.txt");
    EXPECT_EQ(ReadTree(tmp.Sub("out")), expected) << r.strOutput;
    EXPECT_FALSE(testfiles::Exists(tmp.Sub("bt")));
}

TEST(UnrarSolidRar4Test, DamageLeavesOnlyFilesWhoseChecksumMatched) {
    if (!HaveRarFixtures()) {
        GTEST_SKIP();
    }
    struct Case {
        const char* pWhat;
        size_t nFile;     // the file whose packed data is changed
        bool bTruncate;   // cut the archive there instead of flipping a byte
    };
    for (const Case& c : {Case{"flip in b", 1, false}, Case{"flip in a", 0, false}, Case{"cut in c", 2, true}}) {
        CPlainSolid plain;
        const RarFileBlock& f = plain.info.arrFiles[c.nFile];
        if (c.bTruncate) {
            plain.strBytes.resize(size_t(f.nDataOffset + 1));
        } else {
            plain.strBytes[size_t(f.nDataOffset)] ^= 0x5a;
        }
        CUnrarTempDir tmp;
        UnrarResult r = Extract(plain.Write(tmp), tmp.Sub("out"));
        EXPECT_EQ(r.nExitCode, 3) << c.pWhat << "\n" << r.strOutput;
        EXPECT_EQ(r.strOutput.find("All OK"), std::string::npos) << c.pWhat << "\n" << r.strOutput;
        const auto good = Four();
        const auto tree = testfiles::Exists(tmp.Sub("out")) ? ReadTree(tmp.Sub("out")) : std::map<std::string, std::string>{};
        for (const auto& [strName, strContent] : tree) {
            EXPECT_EQ(good.at(strName), strContent) << c.pWhat << ": " << strName << " left with wrong content";
        }
        // The files before the change are out, the changed one is not.
        for (size_t i = 0; i < c.nFile; ++i) {
            EXPECT_EQ(tree.count(plain.info.arrFiles[i].strName), 1u) << c.pWhat << "\n" << r.strOutput;
        }
        EXPECT_EQ(tree.count(f.strName), 0u) << c.pWhat << "\n" << r.strOutput;
    }
}
