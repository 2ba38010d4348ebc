// The block reader and the volume-set walk on archives written by the real RAR program
// (shared fixtures) and on copies of them cut or damaged in memory.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "companions/unrar/CRarBlockReader.h"
#include "companions/unrar/CRarVolumeNames.h"
#include "companions/unrar/CRarVolumeSet.h"
#include "tests/fixtures/CMemoryVolumeSource.h"
#include "tests/fixtures/SharedFixtures.h"

namespace {

const std::string RAR_FIXTURES = std::string(HARVEX_SHARED_FIXTURES) + "/rar/";

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

RarVolumeInfo ReadFixture(const std::string& name) {
    std::string err;
    auto src = CFileVolumeSource::Open(RAR_FIXTURES + name, err);
    EXPECT_TRUE(src) << err;
    return src ? CRarBlockReader::ReadVolume(*src) : RarVolumeInfo{};
}

}  // namespace

TEST(RarBlockReaderTest, ListsRar4EntriesWithSizesCrcAndKinds) {
    REQUIRE_SHARED_FIXTURES();
    RarVolumeInfo v = ReadFixture("test_read_format_rar.rar");
    EXPECT_EQ(v.eFormat, RarFormat::Rar4);
    EXPECT_EQ(v.eStatus, RarScanStatus::Ok);
    EXPECT_TRUE(v.bHasEndBlock);
    EXPECT_FALSE(v.bMoreVolumes);
    ASSERT_EQ(v.arrFiles.size(), 5u);
    EXPECT_EQ(v.arrFiles[0].strName, "test.txt");
    EXPECT_EQ(v.arrFiles[0].nUnpackedSize, 20u);
    EXPECT_EQ(v.arrFiles[0].nCrc32, 0xbec8a242u);
    EXPECT_TRUE(v.arrFiles[0].bStored);
    EXPECT_EQ(v.arrFiles[1].strName, "testlink");
    EXPECT_EQ(v.arrFiles[1].nAttributes & 0170000, 0120000u);
    EXPECT_EQ(v.arrFiles[2].strName, "testdir\\test.txt");
    EXPECT_TRUE(v.arrFiles[3].bDirectory);
    EXPECT_EQ(v.arrFiles[4].strName, "testemptydir");
    EXPECT_EQ(v.nValidEnd, v.nSize);
}

TEST(RarBlockReaderTest, DecodesRar4UnicodeNames) {
    REQUIRE_SHARED_FIXTURES();
    RarVolumeInfo v = ReadFixture("test_read_format_rar_unicode.rar");
    ASSERT_EQ(v.arrFiles.size(), 6u);
    EXPECT_EQ(v.arrFiles[1].strName, "表だよ\\漢字長いファイル名long-filename-in-漢字.txt");
    EXPECT_EQ(v.arrFiles[5].strName, "abcdefghijklmnopqrsテスト.txt");
}

TEST(RarBlockReaderTest, ReadsRar5StoredCompressedAndLinkRecords) {
    REQUIRE_SHARED_FIXTURES();
    RarVolumeInfo stored = ReadFixture("test_read_format_rar5_stored.rar");
    EXPECT_EQ(stored.eFormat, RarFormat::Rar5);
    ASSERT_EQ(stored.arrFiles.size(), 1u);
    EXPECT_EQ(stored.arrFiles[0].strName, "helloworld.txt");
    EXPECT_TRUE(stored.arrFiles[0].bStored);
    EXPECT_EQ(stored.arrFiles[0].nPackedSize, 29u);
    EXPECT_EQ(stored.arrFiles[0].nCrc32, 0x95a043b4u);

    RarVolumeInfo compressed = ReadFixture("test_read_format_rar5_compressed.rar");
    ASSERT_EQ(compressed.arrFiles.size(), 1u);
    EXPECT_FALSE(compressed.arrFiles[0].bStored);
    EXPECT_EQ(compressed.arrFiles[0].nUnpackedSize, 1200u);

    RarVolumeInfo links = ReadFixture("test_read_format_rar5_symlink.rar");
    ASSERT_EQ(links.arrFiles.size(), 4u);
    EXPECT_EQ(links.arrFiles[1].nRedirectionType, 1u);
    EXPECT_EQ(links.arrFiles[1].strRedirection, "file.txt");
    EXPECT_TRUE(links.arrFiles[3].bDirectory);

    RarVolumeInfo hard = ReadFixture("test_read_format_rar5_hardlink.rar");
    ASSERT_EQ(hard.arrFiles.size(), 2u);
    EXPECT_EQ(hard.arrFiles[1].nRedirectionType, 4u);
}

TEST(RarBlockReaderTest, MarksEncryptedEntriesAndEncryptedHeaders) {
    REQUIRE_SHARED_FIXTURES();
    for (const char* name : {"test_read_format_rar4_encrypted.rar", "test_read_format_rar5_encrypted.rar"}) {
        RarVolumeInfo v = ReadFixture(name);
        ASSERT_EQ(v.arrFiles.size(), 4u) << name;
        EXPECT_FALSE(v.arrFiles[0].encryption.bPresent) << name;
        EXPECT_TRUE(v.arrFiles[1].encryption.bPresent) << name;
        EXPECT_FALSE(v.arrFiles[2].encryption.bPresent) << name;
        EXPECT_TRUE(v.arrFiles[3].encryption.bPresent) << name;
    }
    RarVolumeInfo rar5 = ReadFixture("test_read_format_rar5_encrypted.rar");
    EXPECT_EQ(rar5.arrFiles[1].encryption.arrSalt.size(), 16u);
    EXPECT_EQ(rar5.arrFiles[1].encryption.arrIv.size(), 16u);
    for (const char* name :
         {"test_read_format_rar4_encrypted_filenames.rar", "test_read_format_rar5_encrypted_filenames.rar",
          "test_read_format_rar_encryption_header.rar"}) {
        RarVolumeInfo v = ReadFixture(name);
        EXPECT_EQ(v.eStatus, RarScanStatus::HeadersEncrypted) << name;
        EXPECT_TRUE(v.bHeadersEncrypted) << name;
        EXPECT_TRUE(v.arrFiles.empty()) << name;
    }
    EXPECT_EQ(ReadFixture("test_read_format_rar5_encrypted_filenames.rar").headerEncryption.arrSalt.size(),
              16u);
}

TEST(RarBlockReaderTest, ReportsDamagedAndForeignFiles) {
    REQUIRE_SHARED_FIXTURES();
    EXPECT_EQ(ReadFixture("test_read_format_rar_invalid1.rar").eStatus, RarScanStatus::Truncated);
    EXPECT_EQ(ReadFixture("test_read_format_rar5_truncated_huff.rar").eStatus, RarScanStatus::BadHeader);
    CMemoryVolumeSource text("notes.txt", "this is plain text, not an archive");
    EXPECT_EQ(CRarBlockReader::ReadVolume(text).eStatus, RarScanStatus::NotRar);
}

TEST(RarBlockReaderTest, KeepsEntriesBeforeACutOrADamagedHeader) {
    REQUIRE_SHARED_FIXTURES();
    std::string data = ReadAll(RAR_FIXTURES + "test_read_format_rar5_multiple_files.rar");
    RarVolumeInfo whole;
    {
        CMemoryVolumeSource src("m.rar", data);
        whole = CRarBlockReader::ReadVolume(src);
    }
    ASSERT_EQ(whole.arrFiles.size(), 4u);
    // Cut inside the third entry's data: two entries remain, the cut is reported.
    CMemoryVolumeSource cut("m.rar", data.substr(0, whole.arrFiles[2].nDataOffset + 10));
    RarVolumeInfo v = CRarBlockReader::ReadVolume(cut);
    EXPECT_EQ(v.eStatus, RarScanStatus::Truncated);
    EXPECT_EQ(v.arrFiles.size(), 2u);
    EXPECT_EQ(v.nValidEnd, whole.arrFiles[2].nHeaderOffset);
    // One flipped byte in the third header's name: its CRC no longer matches.
    std::string bad = data;
    bad[whole.arrFiles[2].nDataOffset - 2] ^= 0x20;
    CMemoryVolumeSource damaged("m.rar", bad);
    v = CRarBlockReader::ReadVolume(damaged);
    EXPECT_EQ(v.eStatus, RarScanStatus::BadHeader);
    EXPECT_EQ(v.arrFiles.size(), 2u);
}

TEST(RarBlockReaderTest, AVolumeEndingWithoutItsEndBlockIsTruncated) {
    REQUIRE_SHARED_FIXTURES();
    for (const char* pName : {"test_read_format_rar.rar", "test_read_format_rar5_multiple_files.rar"}) {
        std::string data = ReadAll(RAR_FIXTURES + pName);
        CMemoryVolumeSource src(pName, data);
        RarVolumeInfo whole = CRarBlockReader::ReadVolume(src);
        ASSERT_EQ(whole.eStatus, RarScanStatus::Ok) << pName;
        ASSERT_TRUE(whole.bHasEndBlock) << pName;
        // Cut where the last entry's header begins and where the end block begins: every
        // block before the cut is whole, but the volume does not end as volumes end.
        for (uint64_t nCut : {whole.arrFiles.back().nHeaderOffset, whole.nEndBlockOffset}) {
            CMemoryVolumeSource cut(pName, data.substr(0, size_t(nCut)));
            RarVolumeInfo v = CRarBlockReader::ReadVolume(cut);
            EXPECT_EQ(v.eStatus, RarScanStatus::Truncated) << pName << " " << nCut;
            EXPECT_EQ(v.strError, "the end-of-archive block is missing") << pName << " " << nCut;
            EXPECT_FALSE(v.bHasEndBlock);
            EXPECT_EQ(v.nValidEnd, nCut);
            EXPECT_EQ(v.arrFiles.size(), whole.arrFiles.size() - (nCut == whole.nEndBlockOffset ? 0 : 1));
        }
    }
}

TEST(RarBlockReaderTest, AnEndBlockWithAWrongChecksumIsADamagedHeader) {
    REQUIRE_SHARED_FIXTURES();
    std::string data = ReadAll(RAR_FIXTURES + "test_read_format_rar.rar");
    CMemoryVolumeSource src("r.rar", data);
    const uint64_t nEnd = CRarBlockReader::ReadVolume(src).nEndBlockOffset;
    data[size_t(nEnd) + 3] ^= 0x01;  // the "next volume" flag, checksum left as it was
    CMemoryVolumeSource flipped("r.rar", data);
    RarVolumeInfo v = CRarBlockReader::ReadVolume(flipped);
    EXPECT_EQ(v.eStatus, RarScanStatus::BadHeader);
    EXPECT_FALSE(v.bMoreVolumes);
}

TEST(RarBlockReaderTest, DecodesUnicodeNameRuns) {
    // High byte 0x30; flags 01 01 00 11: two characters with the high byte (U+3042, U+3044),
    // one plain byte, then a run of three bytes copied from the standard name.
    const uint8_t enc[] = {0x30, 0x53, 0x42, 0x44, 0x41, 0x01};
    EXPECT_EQ(CRarBlockReader::DecodeRar4UnicodeName("xyzabc", enc, sizeof enc),
              "\xE3\x81\x82\xE3\x81\x84"
              "Aabc");
}

TEST(RarVolumeNamesTest, FollowsBothNamingStyles) {
    EXPECT_EQ(CRarVolumeNames::NextVolumeName("/a/x.part1.rar", true), "/a/x.part2.rar");
    EXPECT_EQ(CRarVolumeNames::NextVolumeName("/a/x.part09.rar", true), "/a/x.part10.rar");
    EXPECT_EQ(CRarVolumeNames::NextVolumeName("/a/x.part999.rar", true), "/a/x.part1000.rar");
    EXPECT_EQ(CRarVolumeNames::NextVolumeName("/a/x.PART001.RAR", true), "/a/x.PART002.RAR");
    EXPECT_EQ(CRarVolumeNames::NextVolumeName("/a/x.rar", false), "/a/x.r00");
    EXPECT_EQ(CRarVolumeNames::NextVolumeName("/a/X.RAR", false), "/a/X.R00");
    EXPECT_EQ(CRarVolumeNames::NextVolumeName("/a/x.r00", false), "/a/x.r01");
    EXPECT_EQ(CRarVolumeNames::NextVolumeName("/a/x.r99", false), "/a/x.s00");
    EXPECT_EQ(CRarVolumeNames::NextVolumeName("/a/x.part1.rar", false), "/a/x.part1.r00");
    EXPECT_EQ(CRarVolumeNames::NextVolumeName("/a/x.rar", true), "/a/x.r00");
    EXPECT_EQ(CRarVolumeNames::NextVolumeName("/a/noextension", false), "");
    EXPECT_TRUE(CRarVolumeNames::IsNewStyleName("x.part3.rar"));
    EXPECT_FALSE(CRarVolumeNames::IsNewStyleName("xpart3.rar"));
    EXPECT_EQ(CRarVolumeNames::VolumeNumberOf("x.part12.rar"), 12);
    EXPECT_EQ(CRarVolumeNames::VolumeNumberOf("x.rar"), 1);
    EXPECT_EQ(CRarVolumeNames::VolumeNumberOf("x.r00"), 2);
    EXPECT_EQ(CRarVolumeNames::VolumeNumberOf("x.s01"), 103);
}

TEST(RarVolumeSetTest, WalksTheWholeRar5SetFromTheFirstVolume) {
    REQUIRE_SHARED_FIXTURES();
    CRarVolumeSet set;
    set.Open(RAR_FIXTURES + "test_read_format_rar5_multiarchive.part01.rar");
    EXPECT_EQ(set.eEnd, RarSetEnd::Complete);
    ASSERT_EQ(set.arrVolumes.size(), 8u);
    EXPECT_EQ(set.arrVolumes[7].pSource->Path(),
              RAR_FIXTURES + "test_read_format_rar5_multiarchive.part08.rar");
    EXPECT_FALSE(set.arrVolumes[7].info.bMoreVolumes);
    // The first entry runs through three volumes; every piece but the last carries the
    // CRC32 of its own packed bytes.
    EXPECT_TRUE(set.arrVolumes[0].info.arrFiles[0].bSplitAfter);
    EXPECT_TRUE(set.arrVolumes[1].info.arrFiles[0].bSplitBefore);
    const RarFileBlock& piece = set.arrVolumes[0].info.arrFiles[0];
    std::string data = ReadAll(RAR_FIXTURES + "test_read_format_rar5_multiarchive.part01.rar");
    uLong crc =
        crc32(0L, reinterpret_cast<const Bytef*>(data.data() + piece.nDataOffset), uInt(piece.nPackedSize));
    EXPECT_EQ(uint32_t(crc), piece.nCrc32);
}

// A single archive whose end block says that more volumes follow (checksum intact): the
// flags disagree and the set is not taken as complete.
TEST(RarVolumeSetTest, AnEndBlockSayingMoreFollowInAnArchiveThatIsNoVolumeIsDamaged) {
    REQUIRE_SHARED_FIXTURES();
    std::string data = ReadAll(RAR_FIXTURES + "test_read_format_rar.rar");
    CMemoryVolumeSource probe("/v/r.rar", data);
    const size_t nEnd = size_t(CRarBlockReader::ReadVolume(probe).nEndBlockOffset);
    data[nEnd + 3] |= 0x01;
    const uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(data.data() + nEnd + 2), 5);
    data[nEnd] = char(crc & 0xFF);
    data[nEnd + 1] = char((crc >> 8) & 0xFF);
    auto opener = [&data](const std::string& path, std::string&) -> std::unique_ptr<IRarVolumeSource> {
        return std::make_unique<CMemoryVolumeSource>(path, data);
    };
    CRarVolumeSet set;
    set.Open("/v/r.rar", opener);
    ASSERT_EQ(set.arrVolumes.size(), 1u);
    EXPECT_TRUE(set.arrVolumes[0].info.bMoreVolumes);
    EXPECT_EQ(set.eEnd, RarSetEnd::Damaged);
}

TEST(RarVolumeSetTest, StopsAtAMissingVolumeAndAtAForeignFile) {
    REQUIRE_SHARED_FIXTURES();
    std::map<std::string, std::string> files;
    for (int i = 1; i <= 8; ++i) {
        std::string name = "test_read_format_rar5_multiarchive.part0" + std::to_string(i) + ".rar";
        files["/v/s.part0" + std::to_string(i) + ".rar"] = ReadAll(RAR_FIXTURES + name);
    }
    auto opener = [&files](const std::string& path, std::string& err) -> std::unique_ptr<IRarVolumeSource> {
        auto it = files.find(path);
        if (it == files.end()) {
            err = "No such file or directory";
            return nullptr;
        }
        return std::make_unique<CMemoryVolumeSource>(path, it->second);
    };
    files.erase("/v/s.part04.rar");
    CRarVolumeSet set;
    set.Open("/v/s.part01.rar", opener);
    EXPECT_EQ(set.eEnd, RarSetEnd::MissingVolume);
    EXPECT_EQ(set.strEndPath, "/v/s.part04.rar");
    EXPECT_EQ(set.arrVolumes.size(), 3u);

    files["/v/s.part04.rar"] = "plain text";
    set.Open("/v/s.part01.rar", opener);
    EXPECT_EQ(set.eEnd, RarSetEnd::WrongVolume);

    // A later volume given first is read from there on.
    set.Open("/v/s.part05.rar", opener);
    EXPECT_EQ(set.eEnd, RarSetEnd::Complete);
    EXPECT_EQ(set.arrVolumes.size(), 4u);
    EXPECT_FALSE(set.arrVolumes[0].info.bFirstVolume);

    set.Open("/v/none.rar", opener);
    EXPECT_EQ(set.eEnd, RarSetEnd::CannotOpen);
}
