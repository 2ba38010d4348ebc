// The decrypting layer on the encrypted archives written by the real RAR program: with
// the right password libarchive reads them as plain archives; with a wrong one nothing is
// handed out as good data.
#include <gtest/gtest.h>
#include <zlib.h>

#include <fstream>
#include <iterator>

#include "tests/companions/rardecrypt/PlainSetReader.h"
#include "tests/fixtures/SharedFixtures.h"

namespace {

std::string Fixture(const std::string& strName) {
    return std::string(HARVEX_SHARED_FIXTURES) + "/rar/" + strName;
}

uint32_t Crc(const std::string& s) {
    return uint32_t(crc32(0, reinterpret_cast<const Bytef*>(s.data()), uInt(s.size())));
}

void ExpectFourTextFiles(const CPlainSetReader& reader, const std::string& strArchive) {
    EXPECT_EQ(reader.arrOrder, (std::vector<std::string>{"a.txt", "b.txt", "c.txt", "d.txt"})) << strArchive;
    for (const char* pName : {"a.txt", "b.txt", "c.txt", "d.txt"}) {
        auto it = reader.mapEntries.find(pName);
        ASSERT_NE(it, reader.mapEntries.end()) << strArchive << " " << pName;
        EXPECT_EQ(it->second.strContent, std::string("This is from ") + pName) << strArchive;
        EXPECT_EQ(it->second.strError, "") << strArchive << " " << pName;
    }
}

}  // namespace

TEST(RealEncryptedArchiveTest, RightPasswordReadsEveryNonSolidArchivePlain) {
    REQUIRE_SHARED_FIXTURES();
    for (const char* pArchive :
         {"test_read_format_rar5_encrypted_filenames.rar", "test_read_format_rar4_encrypted_filenames.rar",
          "test_read_format_rar5_solid_encrypted.rar",
          "test_read_format_rar5_solid_encrypted_filenames.rar"}) {
        CPlainSetReader reader("password");
        reader.Read(Fixture(pArchive));
        EXPECT_EQ(reader.strFatal, "") << pArchive;
        EXPECT_FALSE(reader.decryption.HeadersPasswordWrong()) << pArchive;
        EXPECT_TRUE(reader.decryption.SawEncryption()) << pArchive;
        ExpectFourTextFiles(reader, pArchive);
    }
}

TEST(RealEncryptedArchiveTest, Rar4ArchivesWithPassword12345678ReadPlain) {
    REQUIRE_SHARED_FIXTURES();
    for (const char* pArchive :
         {"test_read_format_rar_encryption_data.rar", "test_read_format_rar_encryption_header.rar",
          "test_read_format_rar_encryption_partially.rar"}) {
        CPlainSetReader reader("12345678");
        reader.Read(Fixture(pArchive));
        EXPECT_EQ(reader.strFatal, "") << pArchive;
        EXPECT_EQ(reader.arrOrder, (std::vector<std::string>{"foo.txt", "bar.txt"})) << pArchive;
        EXPECT_EQ(reader.mapEntries["foo.txt"].strContent, "data of foo.txt\n") << pArchive;
        EXPECT_EQ(reader.mapEntries["bar.txt"].strContent, "data of bar.txt\n") << pArchive;
    }
}

TEST(RealEncryptedArchiveTest, SolidRar4DecryptsButLibarchiveRefusesItsSolidEntries) {
    REQUIRE_SHARED_FIXTURES();
    // libarchive 3.6 reads no RAR 4.x entry flagged solid ("RAR solid archive support
    // unavailable."), encrypted or not; the first entry shows the decryption is right.
    for (const char* pArchive : {"test_read_format_rar4_solid_encrypted.rar",
                                 "test_read_format_rar4_solid_encrypted_filenames.rar"}) {
        CPlainSetReader reader("password");
        reader.Read(Fixture(pArchive));
        EXPECT_FALSE(reader.decryption.HeadersPasswordWrong()) << pArchive;
        ASSERT_EQ(reader.arrOrder, std::vector<std::string>{"a.txt"}) << pArchive;
        EXPECT_EQ(reader.mapEntries["a.txt"].strContent, "This is from a.txt") << pArchive;
        EXPECT_EQ(reader.strFatal, "RAR solid archive support unavailable.") << pArchive;
    }
}

TEST(RealEncryptedArchiveTest, TwoPasswordArchiveGivesEachPasswordItsOwnFiles) {
    REQUIRE_SHARED_FIXTURES();
    CPlainSetReader first("password");
    first.Read(Fixture("test_read_format_rar5_encrypted.rar"));
    ASSERT_NE(first.mapEntries["b.txt"].pInfo, nullptr);
    ASSERT_NE(first.mapEntries["d.txt"].pInfo, nullptr);
    EXPECT_EQ(first.mapEntries["a.txt"].pInfo, nullptr);  // never encrypted
    EXPECT_EQ(first.mapEntries["b.txt"].pInfo->eState, CDecryptedFile::State::Decrypted);
    EXPECT_TRUE(first.mapEntries["b.txt"].pInfo->bPasswordVerified);
    EXPECT_EQ(first.mapEntries["b.txt"].strContent, "This is from b.txt");
    EXPECT_EQ(first.mapEntries["d.txt"].pInfo->eState, CDecryptedFile::State::WrongPassword);
    EXPECT_EQ(first.mapEntries["a.txt"].strContent, "This is from a.txt");
    EXPECT_EQ(first.mapEntries["c.txt"].strContent, "This is from c.txt");

    CPlainSetReader second("password2");
    second.Read(Fixture("test_read_format_rar5_encrypted.rar"));
    ASSERT_NE(second.mapEntries["b.txt"].pInfo, nullptr);
    ASSERT_NE(second.mapEntries["d.txt"].pInfo, nullptr);
    EXPECT_EQ(second.mapEntries["b.txt"].pInfo->eState, CDecryptedFile::State::WrongPassword);
    EXPECT_EQ(second.mapEntries["d.txt"].pInfo->eState, CDecryptedFile::State::Decrypted);
    EXPECT_EQ(second.mapEntries["d.txt"].strContent, "This is from d.txt");

    // RAR 4.x stores no check value: the wrong file decrypts to garbage that the decoder
    // or the checksum rejects, never to good data.
    CPlainSetReader rar4("password2");
    rar4.Read(Fixture("test_read_format_rar4_encrypted.rar"));
    ASSERT_EQ(rar4.mapEntries.size(), 4u);
    EXPECT_EQ(rar4.mapEntries["d.txt"].strContent, "This is from d.txt");
    const CReadEntry& b = rar4.mapEntries["b.txt"];
    ASSERT_NE(b.pInfo, nullptr);
    EXPECT_FALSE(b.strError.empty() && b.pInfo->ChecksumsMatch(Crc(b.strContent), nullptr));
}

TEST(RealEncryptedArchiveTest, KeyedChecksumsMatchOnlyTheRealContent) {
    REQUIRE_SHARED_FIXTURES();
    CPlainSetReader reader("password");
    reader.Read(Fixture("test_read_format_rar5_encrypted.rar"));
    const CDecryptedFile* pInfo = reader.mapEntries["b.txt"].pInfo;
    ASSERT_NE(pInfo, nullptr);
    EXPECT_TRUE(pInfo->bKeyedChecksums);
    EXPECT_TRUE(pInfo->bHasCrc);
    EXPECT_TRUE(pInfo->ChecksumsMatch(Crc("This is from b.txt"), nullptr));
    EXPECT_FALSE(pInfo->ChecksumsMatch(Crc("This is from b.txT"), nullptr));
    // The plain header no longer carries the keyed CRC (libarchive would reject it).
    bool bFound = false;
    for (const RarFileBlock& f : reader.set.arrVolumes[0].info.arrFiles) {
        if (f.strName == "b.txt") {
            bFound = true;
            EXPECT_FALSE(f.bHasCrc);
            EXPECT_FALSE(f.encryption.bPresent);
        }
    }
    EXPECT_TRUE(bFound);
}

TEST(RealEncryptedArchiveTest, WrongPasswordForEncryptedHeadersIsRecognised) {
    REQUIRE_SHARED_FIXTURES();
    for (const auto& [strArchive, strWrong] :
         {std::pair<std::string, std::string>{"test_read_format_rar5_encrypted_filenames.rar", "passwort"},
          {"test_read_format_rar4_encrypted_filenames.rar", "passwort"},
          {"test_read_format_rar_encryption_header.rar", "1234567"}}) {
        CPlainSetReader reader(strWrong);
        reader.Read(Fixture(strArchive));
        EXPECT_TRUE(reader.decryption.HeadersPasswordWrong()) << strArchive;
        EXPECT_TRUE(reader.arrOrder.empty()) << strArchive;
    }
}

TEST(RealEncryptedArchiveTest, KeyIsDerivedOncePerSalt) {
    REQUIRE_SHARED_FIXTURES();
    // All four files of the solid RAR 5.0 archive share one salt.
    CPlainSetReader reader("password");
    reader.Read(Fixture("test_read_format_rar5_solid_encrypted.rar"));
    EXPECT_EQ(reader.decryption.Keys().DerivationCount(), 1);
}

TEST(PlainVolumeSourceTest, ReadsAtAnyOffsetAgreeWithOneWholeRead) {
    REQUIRE_SHARED_FIXTURES();
    CRarDecryption decryption("password");
    std::string strError;
    auto pPlain = decryption.OpenVolume(Fixture("test_read_format_rar5_encrypted_filenames.rar"), strError);
    ASSERT_NE(pPlain, nullptr) << strError;
    std::string whole(pPlain->Size(), '\0');
    ASSERT_EQ(pPlain->ReadAt(0, whole.data(), whole.size()), int64_t(whole.size()));
    for (size_t nChunk : {size_t(1), size_t(7), size_t(16), size_t(33)}) {
        std::string pieces;
        for (uint64_t off = 0; off < whole.size(); off += nChunk) {
            char buf[64];
            const int64_t n = pPlain->ReadAt(off, buf, nChunk);
            ASSERT_GT(n, 0);
            pieces.append(buf, size_t(n));
        }
        EXPECT_EQ(pieces, whole) << nChunk;
    }
    char c;
    EXPECT_EQ(pPlain->ReadAt(whole.size(), &c, 1), 0);
}

TEST(PlainVolumeSourceTest, UnencryptedVolumeIsHandedOnUnchanged) {
    REQUIRE_SHARED_FIXTURES();
    const std::string strPath = Fixture("test_read_format_rar5_stored.rar");
    std::ifstream in(strPath, std::ios::binary);
    const std::string raw((std::istreambuf_iterator<char>(in)), {});
    CRarDecryption decryption("password");
    std::string strError;
    auto pPlain = decryption.OpenVolume(strPath, strError);
    ASSERT_NE(pPlain, nullptr);
    std::string read(pPlain->Size(), '\0');
    ASSERT_EQ(pPlain->ReadAt(0, read.data(), read.size()), int64_t(raw.size()));
    EXPECT_EQ(read, raw);
    EXPECT_FALSE(decryption.SawEncryption());
}
