// The console RAR program on solid RAR 4.x archives, which libarchive cannot read: the real
// solid fixture, and plain (decrypted) copies of it with one thing changed, so that every
// file after the change depends on the decoder state the change touched.
#include <gtest/gtest.h>
#include <zlib.h>

#include <map>
#include <string>
#include <vector>

#include "companions/unrar/CRarBlockReader.h"
#include "companions/unrar/decrypt/CRarDecryption.h"
#include "tests/companions/unrar/UnrarRun.h"
#include "tests/fixtures/CRar29Encoder.h"
#include "tests/fixtures/CRarHookChain.h"
#include "tests/fixtures/CRarWriter.h"
#include "tests/fixtures/SharedFixtures.h"
#include "tests/fixtures/TestFiles.h"
#include "tests/fixtures/encryption/CRarEncryptionHook.h"

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
    REQUIRE_SHARED_FIXTURES();
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
    REQUIRE_SHARED_FIXTURES();
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
    REQUIRE_SHARED_FIXTURES();
    struct Case {
        const char* pWhat;
        size_t nFile;    // the file whose packed data is changed
        bool bTruncate;  // cut the archive there instead of flipping a byte
    };
    for (const Case& c :
         {Case{"flip in b", 1, false}, Case{"flip in a", 0, false}, Case{"cut in c", 2, true}}) {
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
        const auto tree = testfiles::Exists(tmp.Sub("out")) ? ReadTree(tmp.Sub("out"))
                                                            : std::map<std::string, std::string>{};
        for (const auto& [strName, strContent] : tree) {
            EXPECT_EQ(good.at(strName), strContent)
                << c.pWhat << ": " << strName << " left with wrong content";
        }
        // The files before the change are out, the changed one is not.
        for (size_t i = 0; i < c.nFile; ++i) {
            EXPECT_EQ(tree.count(plain.info.arrFiles[i].strName), 1u) << c.pWhat << "\n" << r.strOutput;
        }
        EXPECT_EQ(tree.count(f.strName), 0u) << c.pWhat << "\n" << r.strOutput;
    }
}

namespace {

// A solid set written by the test writer with its RAR 2.9 compressor: files that copy from
// the files before them, an empty file and a symbolic link inside the stream.
struct CWrittenSolid {
    CRar29SolidHook hook;
    CRarWriter writer;
    CRarResult result;

    CWrittenSolid(const CUnrarTempDir& dir, std::uint64_t nVolumeSize, ERarNaming eNaming,
                  int nNewTablesEvery, int nSmallFiles)
        : hook(4), writer(Options(nVolumeSize, eNaming)) {
        hook.nNewTablesEvery = nNewTablesEvery;
        const std::string strShared = testfiles::RandomBytes(40000, 5);
        writer.AddFile("first.bin", strShared + std::string(3000, 'z'));
        for (int i = 0; i < nSmallFiles; ++i) {
            writer.AddFile("small/" + std::to_string(i) + ".txt",
                           "file " + std::to_string(i) + " " + strShared.substr(size_t(i) * 97 % 30000, 500));
        }
        writer.AddFile("empty.txt", "");
        writer.AddSymlink("link", "first.bin");
        writer.AddFile("again.bin",
                       strShared + testfiles::RandomBytes(120000, 6) + strShared.substr(0, 9000));
        writer.AddFile("last.txt", "the end");
        result = writer.Write(dir.Sub("w.rar"));
    }
    CRarOptions Options(std::uint64_t nVolumeSize, ERarNaming eNaming) {
        CRarOptions o;
        o.eFormat = ERarFormat::Rar4;
        o.nVolumeSize = nVolumeSize;
        o.eNaming = eNaming;
        o.pHook = &hook;
        return o;
    }
    std::map<std::string, std::string> Tree() const {
        std::map<std::string, std::string> tree;
        for (const CRarEntry& e : const_cast<CRarWriter&>(writer).Entries()) {
            tree[e.strName] =
                e.eKind == CRarEntry::EKind::Symlink ? "l:" + e.strLinkTarget : "f:" + e.strData;
        }
        tree["small"] = "d";
        return tree;
    }
};

}  // namespace

TEST(UnrarSolidRar4Test, WrittenSolidSetsExtractByteIdentical) {
    struct Case {
        const char* pWhat;
        std::uint64_t nVolumeSize;
        ERarNaming eNaming;
        int nNewTablesEvery;
        int nSmallFiles;
    };
    for (const Case& c : {Case{"one archive", 0, ERarNaming::Part, 3, 5},
                          Case{"tables only at the start", 0, ERarNaming::Part, 0, 5},
                          Case{"tables before every file", 0, ERarNaming::Part, 1, 5},
                          Case{"volumes, old names", 30000, ERarNaming::Old, 3, 5},
                          Case{"volumes, part names", 50000, ERarNaming::Part, 2, 5},
                          Case{"many files", 0, ERarNaming::Part, 7, 400}}) {
        CUnrarTempDir tmp;
        CWrittenSolid solidSet(tmp, c.nVolumeSize, c.eNaming, c.nNewTablesEvery, c.nSmallFiles);
        ASSERT_TRUE(solidSet.result.bOk) << solidSet.result.strError;
        UnrarResult r = Extract(solidSet.result.arrVolumes[0], tmp.Sub("out"));
        EXPECT_EQ(r.nExitCode, 0) << c.pWhat << "\n" << r.strOutput.substr(0, 3000);
        EXPECT_TRUE(ReadTree(tmp.Sub("out")) == solidSet.Tree()) << c.pWhat << "\n"
                                                                 << r.strOutput.substr(0, 3000);
        UnrarResult t = RunUnrar({"t", "-idp", solidSet.result.arrVolumes[0]});
        EXPECT_EQ(t.nExitCode, 0) << c.pWhat << "\n" << t.strOutput.substr(0, 3000);
    }
}

TEST(UnrarSolidRar4Test, FlippedByteInAWrittenSolidSetIsNeverAllOk) {
    CUnrarTempDir tmp;
    CWrittenSolid solidSet(tmp, 0, ERarNaming::Part, 3, 5);
    ASSERT_TRUE(solidSet.result.bOk) << solidSet.result.strError;
    // A byte in the packed data of "small/2.txt", found through the headers.
    const std::string strPath = solidSet.result.arrVolumes[0];
    std::string strBytes = ReadFileBytes(strPath);
    CUnrarTempDir copy;
    WriteFileBytes(copy.Sub("w.rar"), strBytes);
    std::string strError;
    auto pSource = CFileVolumeSource::Open(copy.Sub("w.rar"), strError);
    ASSERT_TRUE(pSource) << strError;
    const RarVolumeInfo info = CRarBlockReader::ReadVolume(*pSource);
    uint64_t nAt = 0;
    for (const RarFileBlock& f : info.arrFiles) {
        if (f.strName == "small\\2.txt" || f.strName == "small/2.txt") {
            nAt = f.nDataOffset + f.nPackedSize / 2;
        }
    }
    ASSERT_GT(nAt, 0u);
    strBytes[size_t(nAt)] ^= 0x10;
    WriteFileBytes(copy.Sub("w.rar"), strBytes);
    UnrarResult r = Extract(copy.Sub("w.rar"), copy.Sub("out"));
    EXPECT_EQ(r.nExitCode, 3) << r.strOutput;
    EXPECT_EQ(r.strOutput.find("All OK"), std::string::npos) << r.strOutput;
    const auto good = solidSet.Tree();
    for (const auto& [strName, strContent] : ReadTree(copy.Sub("out"))) {
        EXPECT_TRUE(good.at(strName) == strContent) << strName << " left with wrong content";
    }
    EXPECT_TRUE(testfiles::Exists(copy.Sub("out/small/1.txt"))) << r.strOutput;
    EXPECT_FALSE(testfiles::Exists(copy.Sub("out/small/2.txt"))) << r.strOutput;
}

// Not solid: a compressed file larger than the 4 MiB window, with matches all along it
// (libarchive 3.6 damages such files; our decoder reads every compressed RAR 2.9 entry).
TEST(UnrarSolidRar4Test, CompressedFileLargerThanTheWindowExtractsIntact) {
    CUnrarTempDir tmp;
    std::string strBig;
    const std::string strNoise = testfiles::RandomBytes(64 * 1024, 11);
    for (size_t i = 0; strBig.size() < (4u << 20) + 300000; ++i) {
        strBig += "record " + std::to_string(i * 7919 % 100003) + " ";
        strBig += strNoise.substr(i * 131 % 60000, 40 + i % 200);
    }
    CRar29SolidHook hook(6, /*bSolid=*/false);
    CRarOptions options;
    options.eFormat = ERarFormat::Rar4;
    options.pHook = &hook;
    CRarWriter writer(options);
    writer.AddFile("big.bin", strBig);
    writer.AddFile("small.txt", "after the big one");
    const CRarResult written = writer.Write(tmp.Sub("big.rar"));
    ASSERT_TRUE(written.bOk) << written.strError;
    UnrarResult r = Extract(written.arrVolumes[0], tmp.Sub("out"));
    EXPECT_EQ(r.nExitCode, 0) << r.strOutput;
    EXPECT_TRUE(ReadFileBytes(tmp.Sub("out/big.bin")) == strBig);
    EXPECT_EQ(ReadFileBytes(tmp.Sub("out/small.txt")), "after the big one");
}

// Compressed, solid, encrypted and split across volumes at once (the real fixtures are
// single volumes): the cipher stream goes on from volume to volume and the decoder's state
// from file to file.
TEST(UnrarSolidRar4Test, EncryptedSolidSetsAcrossVolumesExtractWithThePassword) {
    struct Case {
        const char* pWhat;
        bool bEncryptHeaders;
        bool bSaltPerFile;
    };
    for (const Case& c : {Case{"data encrypted", false, false}, Case{"headers too", true, false},
                          Case{"a salt per file", false, true}}) {
        CUnrarTempDir tmp;
        CRar29SolidHook compressor(4);
        CRarEncryptionOptions encryption;
        encryption.strPassword = "pw-solid";
        encryption.bEncryptHeaders = c.bEncryptHeaders;
        encryption.bSaltPerFile = c.bSaltPerFile;
        CRarEncryptionHook encryptor(encryption);
        CRarHookChain chain(compressor, encryptor);
        CRarOptions options;
        options.eFormat = ERarFormat::Rar4;
        options.nVolumeSize = 5000;
        options.pHook = &chain;
        CRarWriter writer(options);
        const std::string strShared = testfiles::RandomBytes(30000, 21);
        std::map<std::string, std::string> tree;
        for (int i = 0; i < 6; ++i) {
            const std::string strName = "f" + std::to_string(i) + ".bin";
            const std::string strData =
                strShared.substr(size_t(i) * 1000, 9000) + std::string(size_t(i) * 700, 'q');
            writer.AddFile(strName, strData);
            tree[strName] = "f:" + strData;
        }
        const CRarResult written = writer.Write(tmp.Sub("enc.rar"));
        ASSERT_TRUE(written.bOk) << written.strError;
        ASSERT_GT(written.arrVolumes.size(), 2u);

        UnrarResult r = RunUnrar({"x", "-o+", "-idp", "-ppw-solid", written.arrVolumes[0], tmp.Sub("out")});
        EXPECT_EQ(r.nExitCode, 0) << c.pWhat << "\n" << r.strOutput;
        EXPECT_TRUE(ReadTree(tmp.Sub("out")) == tree) << c.pWhat << "\n" << r.strOutput;

        UnrarResult w = RunUnrar({"x", "-o+", "-idp", "-pnot-it", written.arrVolumes[0], tmp.Sub("wrong")});
        EXPECT_EQ(w.nExitCode, 3) << c.pWhat << "\n" << w.strOutput;
        EXPECT_NE(w.strOutput.find(" (password incorrect ?)"), std::string::npos) << c.pWhat << "\n"
                                                                                  << w.strOutput;
        EXPECT_EQ(w.strOutput.find("All OK"), std::string::npos) << c.pWhat;
        const auto left = testfiles::Exists(tmp.Sub("wrong")) ? ReadTree(tmp.Sub("wrong"))
                                                              : std::map<std::string, std::string>{};
        EXPECT_TRUE(left.empty()) << c.pWhat << ": " << left.size() << " files left after a wrong password";
    }
}
