// The plain volume's reads of encrypted data: sequential reads continue one cipher stream,
// any other read starts one where it lands; all of them must give the bytes one whole read
// gives. And RAR 4.x files encrypted without a salt, or with the RAR 1.5/2.0 ciphers.
#include <gtest/gtest.h>
#include <zlib.h>

#include <fstream>
#include <iterator>
#include <random>

#include "tests/companions/rardecrypt/PlainSetReader.h"
#include "tests/fixtures/CRarWriter.h"
#include "tests/fixtures/CTempDir.h"
#include "tests/fixtures/TestFiles.h"
#include "tests/fixtures/encryption/CRarEncryptionHook.h"

namespace {

uint32_t Crc(const std::string& s) {
    return uint32_t(crc32(0, reinterpret_cast<const Bytef*>(s.data()), uInt(s.size())));
}

// Reads [nOffset, nOffset + nSize) in full, or fails the test.
std::string ReadRange(IRarVolumeSource& src, uint64_t nOffset, size_t nSize) {
    std::string out(nSize, '\0');
    size_t nDone = 0;
    while (nDone < nSize) {
        const int64_t n = src.ReadAt(nOffset + nDone, out.data() + nDone, nSize - nDone);
        EXPECT_GT(n, 0) << "at " << nOffset + nDone;
        if (n <= 0) {
            break;
        }
        nDone += size_t(n);
    }
    out.resize(nDone);
    return out;
}

}  // namespace

TEST(PlainVolumeStreamTest, SequentialJumpingAndRandomReadsAgreeWithOneWholeRead) {
    for (ERarFormat eFormat : {ERarFormat::Rar5, ERarFormat::Rar4}) {
        CTempDir tmp("stream");
        CRarEncryptionOptions eo;
        eo.bEncryptHeaders = true;
        eo.nKdfCount = 8;
        eo.bSaltPerFile = true;
        CRarEncryptionHook hook(eo);
        CRarOptions o;
        o.eFormat = eFormat;
        o.pHook = &hook;
        CRarWriter w(o);
        const std::string strBig = testfiles::RandomBytes(300007, 5);
        const std::string strSmall = testfiles::RandomBytes(5000, 6);
        w.AddFile("big.bin", strBig);
        w.AddFile("small.bin", strSmall);
        const CRarResult r = w.Write(tmp.Sub("s.rar"));
        ASSERT_TRUE(r.bOk) << r.strError;

        CRarDecryption decryption("password");
        std::string strError;
        auto pPlain = decryption.OpenVolume(r.arrVolumes[0], strError);
        ASSERT_NE(pPlain, nullptr) << strError;
        const std::string whole = ReadRange(*pPlain, 0, size_t(pPlain->Size()));
        ASSERT_EQ(whole.size(), pPlain->Size());
        // The whole read holds both files' content in the clear.
        EXPECT_NE(whole.find(strBig), std::string::npos);
        EXPECT_NE(whole.find(strSmall), std::string::npos);

        // Sequential reads of whole blocks (the program's 64 KiB copies) and of odd sizes.
        for (size_t nChunk : {size_t(65536), size_t(4096 + 7), size_t(16), size_t(1000)}) {
            std::string pieces;
            for (uint64_t off = 0; off < whole.size(); off += nChunk) {
                pieces += ReadRange(*pPlain, off, size_t(std::min<uint64_t>(nChunk, whole.size() - off)));
            }
            EXPECT_TRUE(pieces == whole) << nChunk;
        }
        // Backwards, then random offsets and sizes (a seeded generator).
        std::string backwards;
        for (uint64_t end = whole.size(); end > 0;) {
            const uint64_t nFrom = end > 8192 ? end - 8192 : 0;
            backwards.insert(0, ReadRange(*pPlain, nFrom, size_t(end - nFrom)));
            end = nFrom;
        }
        EXPECT_TRUE(backwards == whole);
        std::mt19937 random(11);
        for (int i = 0; i < 300; ++i) {
            const uint64_t nFrom = random() % whole.size();
            const size_t nSize = size_t(std::min<uint64_t>(1 + random() % 70000, whole.size() - nFrom));
            ASSERT_TRUE(ReadRange(*pPlain, nFrom, nSize) == whole.substr(size_t(nFrom), nSize))
                << "read " << i << " at " << nFrom << " size " << nSize;
        }
    }
}

TEST(PlainVolumeStreamTest, Rar4FilesWithoutSaltReadPlainWithTheRightPasswordOnly) {
    for (bool bVolumes : {false, true}) {
        CTempDir tmp("nosalt");
        CRarEncryptionOptions eo;
        eo.strPassword = "no salt here";
        eo.bNoSalt = true;
        CRarEncryptionHook hook(eo);
        CRarOptions o;
        o.eFormat = ERarFormat::Rar4;
        o.pHook = &hook;
        o.nVolumeSize = bVolumes ? 40000 : 0;
        CRarWriter w(o);
        const std::string strBig = testfiles::RandomBytes(100003, 12);
        w.AddFile("a.txt", "alpha");
        w.AddFile("big.bin", strBig);
        const CRarResult r = w.Write(tmp.Sub("n.rar"));
        ASSERT_TRUE(r.bOk) << r.strError;

        CPlainSetReader reader("no salt here");
        reader.Read(r.arrVolumes[0]);
        EXPECT_EQ(reader.strFatal, "") << bVolumes;
        EXPECT_EQ(reader.mapEntries["a.txt"].strContent, "alpha") << bVolumes;
        const CReadEntry& big = reader.mapEntries["big.bin"];
        EXPECT_TRUE(big.strContent == strBig) << bVolumes;
        ASSERT_NE(big.pInfo, nullptr);
        EXPECT_EQ(big.pInfo->eState, CDecryptedFile::State::Decrypted);
        EXPECT_TRUE(big.pInfo->ChecksumsMatch(Crc(big.strContent), nullptr));
        // One key for every file: the password's own.
        EXPECT_EQ(reader.decryption.Keys().DerivationCount(), 1);

        CPlainSetReader wrong("no salt Here");
        wrong.Read(r.arrVolumes[0]);
        const CReadEntry& bad = wrong.mapEntries["big.bin"];
        ASSERT_NE(bad.pInfo, nullptr);
        EXPECT_NE(bad.strContent, strBig);
        // The checksum of the whole file is in its last piece's header.
        const CDecryptedFile* pLast = nullptr;
        for (const RarSetVolume& v : wrong.set.arrVolumes) {
            for (const RarFileBlock& f : v.info.arrFiles) {
                if (f.strName == "big.bin" && !f.bSplitAfter) {
                    pLast = wrong.decryption.FindFile(v.pSource->Path(), f.nHeaderOffset);
                }
            }
        }
        ASSERT_NE(pLast, nullptr) << bVolumes;
        EXPECT_TRUE(pLast->bHasCrc);
        EXPECT_TRUE(!bad.strError.empty() || !pLast->ChecksumsMatch(Crc(bad.strContent), nullptr))
            << bVolumes;
    }
}

TEST(PlainVolumeStreamTest, Rar20CipherIsRefusedWithItsVersionNamed) {
    for (bool bSalt : {false, true}) {
        CTempDir tmp("rar20");
        CRarEncryptionOptions eo;
        eo.bNoSalt = !bSalt;
        CRarEncryptionHook hook(eo);
        CRarOptions o;
        o.eFormat = ERarFormat::Rar4;
        o.pHook = &hook;
        CRarWriter w(o);
        w.AddFile("old.txt", "written by an old version");
        const CRarResult r = w.Write(tmp.Sub("old.rar"));
        ASSERT_TRUE(r.bOk) << r.strError;
        ASSERT_TRUE(CRarEncryptionHook::SetRar4UnpackVersion(r.arrVolumes[0], 20));

        CPlainSetReader reader("password");
        reader.Read(r.arrVolumes[0]);
        const CReadEntry& e = reader.mapEntries["old.txt"];
        ASSERT_NE(e.pInfo, nullptr) << bSalt;
        EXPECT_EQ(e.pInfo->eState, CDecryptedFile::State::Undecryptable);
        EXPECT_NE(e.pInfo->strProblem.find("RAR 1.5/2.0 cipher (version 2.0)"), std::string::npos)
            << e.pInfo->strProblem;
        EXPECT_EQ(reader.decryption.Keys().DerivationCount(), 0);
    }
}
