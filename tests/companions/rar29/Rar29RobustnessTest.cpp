// Damaged, cut, hostile and out-of-order input: always an error (or, for a flipped byte,
// at least data that fails its CRC), never a crash or an endless loop.
#include <gtest/gtest.h>

#include <random>

#include "tests/companions/rar29/Rar29Fixtures.h"
#include "tests/fixtures/SharedFixtures.h"

namespace {

const char* const LZ_ARCHIVE = "test_read_format_rar_compress_normal.rar";
const char* const PPMD_ARCHIVE = "test_read_format_rar_compress_best.rar";
const char* const SOLID_ARCHIVE = "test_read_format_rar4_solid_encrypted.rar";

CPackedEntry FirstEntry(const char* pArchive, const std::string& strPassword = "") {
    std::vector<CPackedEntry> arr = LoadEntries(pArchive, strPassword);
    return arr.empty() ? CPackedEntry{} : arr.front();
}

bool DecodesToItsCrc(CRar29Decoder& decoder, const RarFileBlock& block,
                     const std::vector<uint8_t>& arrPacked) {
    const CDecodeResult r = DecodeEntry(decoder, block, arrPacked);
    return r.bOk && Crc32Of(r.arrOut) == block.nCrc32;
}

}  // namespace

TEST(Rar29RobustnessTest, SolidFileIsRefusedAfterAFailedUnfinishedOrMissingPredecessor) {
    REQUIRE_SHARED_FIXTURES();
    const std::vector<CPackedEntry> arrEntries = LoadEntries(SOLID_ARCHIVE, "password");
    ASSERT_EQ(arrEntries.size(), 4u);
    const CPackedEntry& a = arrEntries[0];
    const CPackedEntry& b = arrEntries[1];

    CRar29Decoder fresh;  // nothing decoded before
    EXPECT_FALSE(
        fresh.BeginFile(b.block.nUnpackedSize, true, b.block.nDictionary, VectorReader(b.arrPacked)));
    EXPECT_FALSE(fresh.Error().empty());

    CRar29Decoder afterFailure;
    std::vector<uint8_t> arrBroken = a.arrPacked;
    arrBroken.resize(8);  // cut short
    EXPECT_FALSE(DecodeEntry(afterFailure, a.block, arrBroken).bOk);
    EXPECT_FALSE(DecodeEntry(afterFailure, b.block, b.arrPacked).bBegun);
    EXPECT_FALSE(afterFailure.Error().empty());

    CRar29Decoder afterPartialRead;
    ASSERT_TRUE(afterPartialRead.BeginFile(a.block.nUnpackedSize, false, a.block.nDictionary,
                                           VectorReader(a.arrPacked)));
    uint8_t arrFive[5];
    ASSERT_EQ(afterPartialRead.Read(arrFive, sizeof arrFive), 5);
    EXPECT_FALSE(afterPartialRead.BeginFile(b.block.nUnpackedSize, true, b.block.nDictionary,
                                            VectorReader(b.arrPacked)));

    // After a refusal a non-solid file starts the decoder over.
    EXPECT_TRUE(DecodesToItsCrc(afterPartialRead, a.block, a.arrPacked));
    EXPECT_TRUE(DecodesToItsCrc(afterPartialRead, b.block, b.arrPacked));
}

TEST(Rar29RobustnessTest, FlippedByteGivesAnErrorOrAWrongCrc) {
    REQUIRE_SHARED_FIXTURES();
    for (const char* pArchive : {LZ_ARCHIVE, PPMD_ARCHIVE}) {
        const CPackedEntry e = FirstEntry(pArchive);
        ASSERT_FALSE(e.arrPacked.empty()) << pArchive;
        CRar29Decoder decoder;
        // The last bytes of a range coder's output only need to fall inside the final
        // interval; they are left out.
        for (size_t nPos = 0; nPos + 16 < e.arrPacked.size(); nPos += 23) {
            std::vector<uint8_t> arrDamaged = e.arrPacked;
            arrDamaged[nPos] ^= 0xFF;
            EXPECT_FALSE(DecodesToItsCrc(decoder, e.block, arrDamaged)) << pArchive << " byte " << nPos;
        }
        // The decoder is still sound afterwards.
        EXPECT_TRUE(DecodesToItsCrc(decoder, e.block, e.arrPacked)) << pArchive;
    }
}

TEST(Rar29RobustnessTest, CutPackedDataIsAnError) {
    REQUIRE_SHARED_FIXTURES();
    for (const char* pArchive : {LZ_ARCHIVE, PPMD_ARCHIVE}) {
        const CPackedEntry e = FirstEntry(pArchive);
        ASSERT_FALSE(e.arrPacked.empty()) << pArchive;
        CRar29Decoder decoder;
        for (size_t nCut = 0; nCut + 4 < e.arrPacked.size(); nCut += 61) {
            const std::vector<uint8_t> arrCut(e.arrPacked.begin(), e.arrPacked.begin() + long(nCut));
            const CDecodeResult r = DecodeEntry(decoder, e.block, arrCut);
            EXPECT_FALSE(r.bOk) << pArchive << " cut at " << nCut;
            EXPECT_FALSE(r.strError.empty()) << pArchive << " cut at " << nCut;
        }
    }
}

TEST(Rar29RobustnessTest, DeclaredSizeOtherThanTheDataIsAnError) {
    REQUIRE_SHARED_FIXTURES();
    for (const char* pArchive : {LZ_ARCHIVE, PPMD_ARCHIVE}) {
        CPackedEntry e = FirstEntry(pArchive);
        ASSERT_FALSE(e.arrPacked.empty()) << pArchive;
        CRar29Decoder decoder;
        RarFileBlock shorter = e.block;
        shorter.nUnpackedSize = 1000;
        const CDecodeResult r1 = DecodeEntry(decoder, shorter, e.arrPacked);
        EXPECT_FALSE(r1.bOk) << pArchive;
        EXPECT_EQ(r1.strError, "The packed data goes on past the end of the file") << pArchive;
        RarFileBlock longer = e.block;
        longer.nUnpackedSize += 100;
        const CDecodeResult r2 = DecodeEntry(decoder, longer, e.arrPacked);
        EXPECT_FALSE(r2.bOk) << pArchive;
        EXPECT_FALSE(r2.strError.empty()) << pArchive;
    }
}

TEST(Rar29RobustnessTest, RandomGarbageEndsWithAnErrorInEveryMode) {
    REQUIRE_SHARED_FIXTURES();
    const std::vector<CPackedEntry> arrSolid = LoadEntries(SOLID_ARCHIVE, "password");
    ASSERT_EQ(arrSolid.size(), 4u);
    std::mt19937 rng(20261208);
    for (int nRound = 0; nRound < 40; nRound++) {
        std::vector<uint8_t> arrGarbage(2048);
        for (uint8_t& b : arrGarbage) {
            b = uint8_t(rng());
        }
        const int nMode = nRound % 3;
        if (nMode == 0) {
            arrGarbage[0] &= 0x7F;  // an LZ block
        } else if (nMode == 1) {
            arrGarbage[0] = uint8_t(0x80 | 0x40 | 0x20 | (arrGarbage[0] & 0x1F) >> 1);  // PPMd, fresh model
            arrGarbage[1] = 0x03;  // 4 MiB of model memory
        }
        RarFileBlock block = arrSolid[0].block;
        block.nUnpackedSize = 64u << 20;  // more than 2 KiB of any stream can hold
        CRar29Decoder decoder;
        if (nMode == 2) {  // a solid successor of a good file
            ASSERT_TRUE(DecodesToItsCrc(decoder, arrSolid[0].block, arrSolid[0].arrPacked));
            block.bSolid = true;
        }
        const CDecodeResult r = DecodeEntry(decoder, block, arrGarbage);
        EXPECT_TRUE(r.bBegun) << "round " << nRound;
        EXPECT_FALSE(r.bOk) << "round " << nRound;
        EXPECT_FALSE(r.strError.empty()) << "round " << nRound;
    }
}

TEST(Rar29RobustnessTest, ReaderFailureIsAReadErrorAndDictionaryOver4MiBIsRefused) {
    REQUIRE_SHARED_FIXTURES();
    const CPackedEntry e = FirstEntry(LZ_ARCHIVE);
    ASSERT_FALSE(e.arrPacked.empty());
    CRar29Decoder decoder;
    size_t nCalls = 0;
    ASSERT_TRUE(decoder.BeginFile(e.block.nUnpackedSize, false, e.block.nDictionary,
                                  [&](uint8_t* pBuffer, size_t nMax) -> int64_t {
                                      if (nCalls++ > 0) {
                                          return -1;
                                      }
                                      const size_t n = std::min<size_t>(nMax, 100);
                                      std::copy(e.arrPacked.begin(), e.arrPacked.begin() + long(n), pBuffer);
                                      return int64_t(n);
                                  }));
    std::vector<uint8_t> arrOut(e.block.nUnpackedSize);
    int64_t n = 0;
    while ((n = decoder.Read(arrOut.data(), arrOut.size())) > 0) {
    }
    EXPECT_EQ(n, -1);
    EXPECT_TRUE(decoder.ReadFailed());
    EXPECT_EQ(nCalls, 2u);  // never asked again after the failure

    EXPECT_FALSE(decoder.BeginFile(e.block.nUnpackedSize, false, 8u << 20, VectorReader(e.arrPacked)));
    EXPECT_EQ(decoder.Error(), "RAR dictionary larger than 4 MiB");
    EXPECT_FALSE(decoder.ReadFailed());
}
