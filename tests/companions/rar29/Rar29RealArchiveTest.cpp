// The decoder on archives written by the real RAR program: every compressed RAR 4.x entry
// decodes to its stored CRC, solid archives file after file.
#include <gtest/gtest.h>

#include "tests/companions/rar29/Rar29Fixtures.h"
#include "tests/fixtures/SharedFixtures.h"

namespace {

bool IsRar29(const CPackedEntry& e) {
    return !e.block.bStored && e.block.nUnpackVersion == 29;
}

std::string Text(const std::vector<uint8_t>& arr) {
    return std::string(arr.begin(), arr.end());
}

// Decodes every compressed entry of an archive in order with one decoder; returns how
// many matched their CRC and fills in what went wrong.
size_t DecodeAll(const std::vector<CPackedEntry>& arrEntries, CRar29Decoder& decoder,
                 std::string& strProblems, size_t nReadSize = 65536, size_t nChunk = 1 << 20) {
    size_t nMatched = 0;
    for (const CPackedEntry& e : arrEntries) {
        if (!IsRar29(e)) {
            continue;
        }
        const CDecodeResult r = DecodeEntry(decoder, e.block, e.arrPacked, nReadSize, nChunk);
        if (r.bOk && r.arrOut.size() == e.block.nUnpackedSize && Crc32Of(r.arrOut) == e.block.nCrc32) {
            nMatched++;
        } else {
            strProblems += e.block.strName + ": " + (r.bOk ? "CRC mismatch" : r.strError) + "\n";
        }
    }
    return nMatched;
}

const std::vector<std::string> FOUR_FILES = {"a.txt", "b.txt", "c.txt", "d.txt"};

}  // namespace

TEST(Rar29RealArchiveTest, EveryCompressedEntryOfThePlainArchivesMatchesItsCrc) {
    REQUIRE_SHARED_FIXTURES();
    // (archive, compressed RAR 4.x entries it holds)
    const std::vector<std::pair<std::string, size_t>> arrArchives = {
        {"test_read_format_rar.rar", 0},
        {"test_read_format_rar_compress_normal.rar", 3},
        {"test_read_format_rar_compress_best.rar", 3},
        {"test_read_format_rar_unicode.rar", 1},
        {"test_read_format_rar_windows.rar", 0},
    };
    for (const auto& [strArchive, nExpected] : arrArchives) {
        const std::vector<CPackedEntry> arrEntries = LoadEntries(strArchive);
        ASSERT_FALSE(arrEntries.empty()) << strArchive;
        CRar29Decoder decoder;
        std::string strProblems;
        EXPECT_EQ(DecodeAll(arrEntries, decoder, strProblems), nExpected) << strArchive << "\n"
                                                                          << strProblems;
    }
}

TEST(Rar29RealArchiveTest, NormalCompressionIsLzAndBestIsPpmdEachFileClosedByItsEndMarker) {
    REQUIRE_SHARED_FIXTURES();
    CRar29Decoder lz;
    std::string strProblems;
    ASSERT_EQ(DecodeAll(LoadEntries("test_read_format_rar_compress_normal.rar"), lz, strProblems), 3u)
        << strProblems;
    EXPECT_EQ(lz.Stats().nLzBlocks, 3u);
    EXPECT_EQ(lz.Stats().nPpmdBlocks, 0u);
    EXPECT_EQ(lz.Stats().nEndMarkers, 3u);

    CRar29Decoder ppmd;
    ASSERT_EQ(DecodeAll(LoadEntries("test_read_format_rar_compress_best.rar"), ppmd, strProblems), 3u)
        << strProblems;
    EXPECT_EQ(ppmd.Stats().nLzBlocks, 0u);
    EXPECT_EQ(ppmd.Stats().nPpmdBlocks, 3u);
    EXPECT_EQ(ppmd.Stats().nEndMarkers, 3u);
}

TEST(Rar29RealArchiveTest, SolidEncryptedArchivesDecodeAllFourFilesInOrder) {
    REQUIRE_SHARED_FIXTURES();
    for (const char* pArchive : {"test_read_format_rar4_solid_encrypted.rar",
                                 "test_read_format_rar4_solid_encrypted_filenames.rar"}) {
        const std::vector<CPackedEntry> arrEntries = LoadEntries(pArchive, "password");
        ASSERT_EQ(arrEntries.size(), 4u) << pArchive;
        CRar29Decoder decoder;
        for (size_t i = 0; i < 4; i++) {
            const CPackedEntry& e = arrEntries[i];
            EXPECT_EQ(e.block.strName, FOUR_FILES[i]);
            EXPECT_EQ(e.block.bSolid, i > 0) << pArchive << " " << i;
            const CDecodeResult r = DecodeEntry(decoder, e.block, e.arrPacked);
            ASSERT_TRUE(r.bOk) << pArchive << " " << e.block.strName << ": " << r.strError;
            EXPECT_EQ(Text(r.arrOut), "This is from " + FOUR_FILES[i]) << pArchive;
            EXPECT_EQ(Crc32Of(r.arrOut), e.block.nCrc32) << pArchive << " " << e.block.strName;
        }
        // One set of tables for the whole stream: the files after the first start without
        // tables, as each file's end marker says.
        EXPECT_EQ(decoder.Stats().nLzBlocks, 1u) << pArchive;
        EXPECT_EQ(decoder.Stats().nEndMarkers, 4u) << pArchive;
    }
}

TEST(Rar29RealArchiveTest, SolidArchiveDecodesWithOneByteReadsAndOneByteInput) {
    REQUIRE_SHARED_FIXTURES();
    const std::vector<CPackedEntry> arrEntries =
        LoadEntries("test_read_format_rar4_solid_encrypted.rar", "password");
    ASSERT_EQ(arrEntries.size(), 4u);
    CRar29Decoder decoder;
    std::string strProblems;
    EXPECT_EQ(DecodeAll(arrEntries, decoder, strProblems, 1, 1), 4u) << strProblems;
    // The same decoder starts over on a non-solid first file.
    EXPECT_EQ(DecodeAll(arrEntries, decoder, strProblems, 7, 3), 4u) << strProblems;
}

TEST(Rar29RealArchiveTest, SkippedSolidFileLeavesTheStateForItsSuccessor) {
    REQUIRE_SHARED_FIXTURES();
    const std::vector<CPackedEntry> arrEntries =
        LoadEntries("test_read_format_rar4_solid_encrypted.rar", "password");
    ASSERT_EQ(arrEntries.size(), 4u);
    CRar29Decoder decoder;
    for (size_t i = 0; i < 3; i++) {
        const CPackedEntry& e = arrEntries[i];
        ASSERT_TRUE(decoder.BeginFile(e.block.nUnpackedSize, e.block.bSolid, e.block.nDictionary,
                                      VectorReader(e.arrPacked)));
        ASSERT_TRUE(decoder.Skip()) << decoder.Error();
    }
    const CDecodeResult r = DecodeEntry(decoder, arrEntries[3].block, arrEntries[3].arrPacked);
    ASSERT_TRUE(r.bOk) << r.strError;
    EXPECT_EQ(Text(r.arrOut), "This is from d.txt");
}

TEST(Rar29RealArchiveTest, EncryptedNonSolidArchivesDecodeWithTheirPassword) {
    REQUIRE_SHARED_FIXTURES();
    const std::vector<std::pair<std::string, std::string>> arrArchives = {
        {"test_read_format_rar_encryption_data.rar", "12345678"},
        {"test_read_format_rar_encryption_header.rar", "12345678"},
        {"test_read_format_rar_encryption_partially.rar", "12345678"},
    };
    for (const auto& [strArchive, strPassword] : arrArchives) {
        const std::vector<CPackedEntry> arrEntries = LoadEntries(strArchive, strPassword);
        ASSERT_EQ(arrEntries.size(), 2u) << strArchive;
        CRar29Decoder decoder;
        for (const CPackedEntry& e : arrEntries) {
            const CDecodeResult r = DecodeEntry(decoder, e.block, e.arrPacked);
            ASSERT_TRUE(r.bOk) << strArchive << ": " << r.strError;
            EXPECT_EQ(Text(r.arrOut), "data of " + e.block.strName + "\n") << strArchive;
            EXPECT_EQ(Crc32Of(r.arrOut), e.block.nCrc32) << strArchive;
        }
    }
}

TEST(Rar29RealArchiveTest, TwoPasswordArchiveDecodesTheFileOfThePasswordOnly) {
    REQUIRE_SHARED_FIXTURES();
    // b.txt is under "password", d.txt under "password2": with "password" d.txt's data
    // decrypts to noise, which must not come out as that file.
    const std::vector<CPackedEntry> arrEntries =
        LoadEntries("test_read_format_rar4_encrypted.rar", "password");
    ASSERT_EQ(arrEntries.size(), 4u);
    CRar29Decoder decoder;
    const CDecodeResult b = DecodeEntry(decoder, arrEntries[1].block, arrEntries[1].arrPacked);
    ASSERT_TRUE(b.bOk) << b.strError;
    EXPECT_EQ(Text(b.arrOut), "This is from b.txt");
    const CDecodeResult d = DecodeEntry(decoder, arrEntries[3].block, arrEntries[3].arrPacked);
    EXPECT_FALSE(d.bOk && Crc32Of(d.arrOut) == arrEntries[3].block.nCrc32);
}
