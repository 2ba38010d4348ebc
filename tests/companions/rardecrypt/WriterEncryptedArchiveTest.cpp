// Archives written encrypted by the test writer read back plain through the decrypting
// layer: both formats, data and headers, single archives and sets with files across
// volumes, many files, damaged ones.
#include <gtest/gtest.h>
#include <zlib.h>

#include <fstream>
#include <iterator>

#include "tests/companions/rardecrypt/PlainSetReader.h"
#include "tests/fixtures/CRarWriter.h"
#include "tests/fixtures/CTempDir.h"
#include "tests/fixtures/SharedFixtures.h"
#include "tests/fixtures/TestFiles.h"
#include "tests/fixtures/encryption/CRarEncryptionHook.h"

namespace {

struct CCase {
    ERarFormat eFormat;
    bool bHeaders;
    const char* pName;
};

const CCase CASES[] = {{ERarFormat::Rar5, false, "rar5 data"},
                       {ERarFormat::Rar5, true, "rar5 headers"},
                       {ERarFormat::Rar4, false, "rar4 data"},
                       {ERarFormat::Rar4, true, "rar4 headers"}};

uint32_t Crc(const std::string& s) {
    return uint32_t(crc32(0, reinterpret_cast<const Bytef*>(s.data()), uInt(s.size())));
}

std::string ReadRaw(const std::string& strPath) {
    std::ifstream in(strPath, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

}  // namespace

TEST(WriterEncryptedArchiveTest, SingleArchivesReadBackInEveryMode) {
    for (const CCase& c : CASES) {
        CTempDir tmp("enc");
        CRarEncryptionOptions eo;
        eo.strPassword = "s3cret pass";
        eo.bEncryptHeaders = c.bHeaders;
        eo.nKdfCount = 10;
        CRarEncryptionHook hook(eo);
        CRarOptions o;
        o.eFormat = c.eFormat;
        o.pHook = &hook;
        CRarWriter w(o);
        w.AddFile("a.txt", "alpha");
        w.AddFile("exact16bytes.bin", "0123456789abcdef");
        w.AddFile("empty.txt", "");
        w.AddDirectory("dir");
        w.AddFile("dir/random.bin", testfiles::RandomBytes(70001, 3));
        const CRarResult r = w.Write(tmp.Sub("s.rar"));
        ASSERT_TRUE(r.bOk) << r.strError;
        // The content is not in the archive in the clear, nor (with encrypted headers) a name.
        const std::string strRaw = ReadRaw(r.arrVolumes[0]);
        EXPECT_EQ(strRaw.find("0123456789abcdef"), std::string::npos) << c.pName;
        EXPECT_EQ(strRaw.find("random.bin") == std::string::npos, c.bHeaders) << c.pName;

        CPlainSetReader reader("s3cret pass");
        reader.Read(r.arrVolumes[0]);
        EXPECT_EQ(reader.strFatal, "") << c.pName;
        EXPECT_EQ(reader.arrOrder.size(), 5u) << c.pName;
        EXPECT_EQ(reader.mapEntries["a.txt"].strContent, "alpha") << c.pName;
        EXPECT_EQ(reader.mapEntries["exact16bytes.bin"].strContent, "0123456789abcdef") << c.pName;
        EXPECT_EQ(reader.mapEntries["empty.txt"].strContent, "") << c.pName;
        const CReadEntry& big = reader.mapEntries["dir/random.bin"];
        EXPECT_EQ(big.strContent, testfiles::RandomBytes(70001, 3)) << c.pName;
        ASSERT_NE(big.pInfo, nullptr) << c.pName;
        EXPECT_TRUE(big.pInfo->ChecksumsMatch(Crc(big.strContent), nullptr)) << c.pName;

        CPlainSetReader wrong("s3cret pasS");
        wrong.Read(r.arrVolumes[0]);
        if (c.bHeaders) {
            EXPECT_TRUE(wrong.decryption.HeadersPasswordWrong()) << c.pName;
            EXPECT_TRUE(wrong.arrOrder.empty()) << c.pName;
        } else {
            const CReadEntry& bad = wrong.mapEntries["dir/random.bin"];
            ASSERT_NE(bad.pInfo, nullptr) << c.pName;
            if (c.eFormat == ERarFormat::Rar5) {
                EXPECT_EQ(bad.pInfo->eState, CDecryptedFile::State::WrongPassword) << c.pName;
            } else {
                EXPECT_FALSE(bad.pInfo->ChecksumsMatch(Crc(bad.strContent), nullptr)) << c.pName;
            }
        }
    }
}

TEST(WriterEncryptedArchiveTest, FilesAcrossVolumesReadBackInEveryMode) {
    const std::string strBig = testfiles::RandomBytes(300007, 11);
    for (const CCase& c : CASES) {
        CTempDir tmp("encvol");
        CRarEncryptionOptions eo;
        eo.bEncryptHeaders = c.bHeaders;
        eo.nKdfCount = 10;
        CRarEncryptionHook hook(eo);
        CRarOptions o;
        o.eFormat = c.eFormat;
        o.pHook = &hook;
        o.nVolumeSize = 64 * 1024 + 3;  // split points off any block boundary of the volume
        CRarWriter w(o);
        w.AddFile("first.txt", "before the big one");
        w.AddFile("big.bin", strBig);
        w.AddFile("last.txt", "after the big one");
        const CRarResult r = w.Write(tmp.Sub("set.rar"));
        ASSERT_TRUE(r.bOk) << r.strError;
        ASSERT_GE(r.arrVolumes.size(), 5u) << c.pName;

        CPlainSetReader reader("password");
        reader.Read(r.arrVolumes[0]);
        EXPECT_EQ(reader.set.arrVolumes.size(), r.arrVolumes.size()) << c.pName;
        EXPECT_EQ(reader.strFatal, "") << c.pName;
        EXPECT_EQ(reader.arrOrder, (std::vector<std::string>{"first.txt", "big.bin", "last.txt"})) << c.pName;
        EXPECT_EQ(reader.mapEntries["big.bin"].strContent, strBig) << c.pName;
        EXPECT_EQ(reader.mapEntries["last.txt"].strContent, "after the big one") << c.pName;
    }
}

TEST(WriterEncryptedArchiveTest, ManyFilesWithSaltsOfTheirOwnDeriveOncePerSalt) {
    CTempDir tmp("encmany");
    CRarEncryptionOptions eo;
    eo.bSaltPerFile = true;
    CRarEncryptionHook hook(eo);
    CRarOptions o;
    o.eFormat = ERarFormat::Rar4;
    o.pHook = &hook;
    CRarWriter w(o);
    for (int i = 0; i < 24; ++i) {
        w.AddFile("f" + std::to_string(i) + ".txt", "file number " + std::to_string(i));
    }
    const CRarResult r = w.Write(tmp.Sub("many.rar"));
    ASSERT_TRUE(r.bOk) << r.strError;
    CPlainSetReader reader("password");
    reader.Read(r.arrVolumes[0]);
    ASSERT_EQ(reader.arrOrder.size(), 24u);
    for (int i = 0; i < 24; ++i) {
        EXPECT_EQ(reader.mapEntries["f" + std::to_string(i) + ".txt"].strContent,
                  "file number " + std::to_string(i));
    }
    EXPECT_EQ(reader.decryption.Keys().DerivationCount(), 24);
}

TEST(WriterEncryptedArchiveTest, TwoPasswordsInOneArchive) {
    for (ERarFormat eFormat : {ERarFormat::Rar5, ERarFormat::Rar4}) {
        CTempDir tmp("enc2");
        CRarEncryptionOptions eo;
        eo.mapPasswords["other.txt"] = "password2";
        eo.setPlain.insert("plain.txt");
        CRarEncryptionHook hook(eo);
        CRarOptions o;
        o.eFormat = eFormat;
        o.pHook = &hook;
        CRarWriter w(o);
        w.AddFile("mine.txt", testfiles::RandomBytes(5000, 1));
        w.AddFile("other.txt", testfiles::RandomBytes(5000, 2));
        w.AddFile("plain.txt", "in the clear");
        const CRarResult r = w.Write(tmp.Sub("two.rar"));
        ASSERT_TRUE(r.bOk) << r.strError;
        CPlainSetReader reader("password");
        reader.Read(r.arrVolumes[0]);
        EXPECT_EQ(reader.mapEntries["mine.txt"].strContent, testfiles::RandomBytes(5000, 1));
        EXPECT_EQ(reader.mapEntries["plain.txt"].strContent, "in the clear");
        EXPECT_EQ(reader.mapEntries["plain.txt"].pInfo, nullptr);
        const CReadEntry& other = reader.mapEntries["other.txt"];
        ASSERT_NE(other.pInfo, nullptr);
        EXPECT_NE(other.strContent, testfiles::RandomBytes(5000, 2));
        EXPECT_FALSE(other.pInfo->eState == CDecryptedFile::State::Decrypted &&
                     other.pInfo->ChecksumsMatch(Crc(other.strContent), nullptr));
    }
}

TEST(WriterEncryptedArchiveTest, FlippedByteInEncryptedDataFailsTheChecksum) {
    for (const CCase& c : CASES) {
        CTempDir tmp("encflip");
        CRarEncryptionOptions eo;
        eo.bEncryptHeaders = c.bHeaders;
        eo.nKdfCount = 10;
        CRarEncryptionHook hook(eo);
        CRarOptions o;
        o.eFormat = c.eFormat;
        o.pHook = &hook;
        CRarWriter w(o);
        w.AddFile("victim.bin", testfiles::RandomBytes(4096, 5)).nFlipByteAt = 1000;
        const CRarResult r = w.Write(tmp.Sub("flip.rar"));
        ASSERT_TRUE(r.bOk) << r.strError;
        CPlainSetReader reader("password");
        reader.Read(r.arrVolumes[0]);
        const CReadEntry& e = reader.mapEntries["victim.bin"];
        ASSERT_NE(e.pInfo, nullptr) << c.pName;
        EXPECT_EQ(e.pInfo->eState, CDecryptedFile::State::Decrypted) << c.pName;
        // CBC: the flipped byte garbles its own block and flips one byte of the next.
        EXPECT_NE(e.strContent, testfiles::RandomBytes(4096, 5)) << c.pName;
        EXPECT_FALSE(e.pInfo->ChecksumsMatch(Crc(e.strContent), nullptr)) << c.pName;
    }
}

TEST(WriterEncryptedArchiveTest, TruncatedEncryptedVolumeNeverReadsAsComplete) {
    for (const CCase& c : CASES) {
        CTempDir tmp("enctrunc");
        CRarEncryptionOptions eo;
        eo.bEncryptHeaders = c.bHeaders;
        eo.nKdfCount = 10;
        CRarEncryptionHook hook(eo);
        CRarOptions o;
        o.eFormat = c.eFormat;
        o.pHook = &hook;
        o.mapTruncate[0] = 5000;
        CRarWriter w(o);
        w.AddFile("whole.txt", "short and complete");
        w.AddFile("cut.bin", testfiles::RandomBytes(20000, 6));
        const CRarResult r = w.Write(tmp.Sub("cut.rar"));
        ASSERT_TRUE(r.bOk) << r.strError;
        CPlainSetReader reader("password");
        reader.Read(r.arrVolumes[0]);
        EXPECT_EQ(reader.mapEntries["whole.txt"].strContent, "short and complete") << c.pName;
        auto it = reader.mapEntries.find("cut.bin");
        if (it != reader.mapEntries.end()) {
            EXPECT_NE(it->second.strContent, testfiles::RandomBytes(20000, 6)) << c.pName;
            EXPECT_TRUE(!it->second.strError.empty() || !reader.strFatal.empty()) << c.pName;
        } else {
            EXPECT_NE(reader.strFatal, "") << c.pName;
        }
    }
}

TEST(WriterEncryptedArchiveTest, CheckRecordEqualsTheRealProgramsForTheSameSalt) {
    REQUIRE_SHARED_FIXTURES();
    // The salt and check record of b.txt in the real RAR 5.0 fixture (password "password",
    // 2^15 iterations), as a hex string.
    auto fromHex = [](const std::string& s) {
        std::string out;
        for (size_t i = 0; i + 1 < s.size(); i += 2) {
            out.push_back(char(std::stoi(s.substr(i, 2), nullptr, 16)));
        }
        return out;
    };
    const std::string strFixture =
        ReadRaw(std::string(HARVEX_SHARED_FIXTURES) + "/rar/test_read_format_rar5_encrypted.rar");
    const std::string strSalt = fromHex("c7445ee180f8b59fd62b433708bc57cd");
    const size_t nSaltAt = strFixture.find(strSalt);
    ASSERT_NE(nSaltAt, std::string::npos);
    const std::string strRealCheck = strFixture.substr(nSaltAt + 16 + 16, 12);
    CRarEncryptionHook hook;
    EXPECT_EQ(hook.Rar5CheckRecord("password", strSalt, 15), strRealCheck);
    EXPECT_NE(hook.Rar5CheckRecord("password2", strSalt, 15), strRealCheck);
}
