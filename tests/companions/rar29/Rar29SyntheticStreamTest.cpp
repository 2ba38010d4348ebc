// Hand-written LZ streams for what the real archives do not show: the filters, tables kept
// or renewed across solid files, matches into the previous file, filters pending across a
// file boundary.
#include <gtest/gtest.h>

#include "tests/companions/rar29/Rar29Fixtures.h"
#include "tests/companions/rar29/Rar29StreamWriter.h"
#include "tests/fixtures/SharedFixtures.h"

namespace {

constexpr uint64_t DELTA = 0x1D0E06077D;
constexpr uint64_t E8 = 0x35AD576887;
constexpr uint32_t DICTIONARY = 64 * 1024;

std::vector<uint8_t> Bytes(const std::string& s) {
    return std::vector<uint8_t>(s.begin(), s.end());
}

// Decodes a stream as one file; strError empty on success.
CDecodeResult Decode(CRar29Decoder& decoder, const std::vector<uint8_t>& arrStream, uint64_t nSize,
                     bool bSolid) {
    RarFileBlock block;
    block.nUnpackedSize = nSize;
    block.bSolid = bSolid;
    block.nDictionary = DICTIONARY;
    return DecodeEntry(decoder, block, arrStream, 5, 3);
}

// What the delta filter (one channel) turns back into arrPlain.
std::vector<uint8_t> DeltaEncoded(const std::vector<uint8_t>& arrPlain) {
    std::vector<uint8_t> arr(arrPlain.size());
    uint8_t nPrev = 0;
    for (size_t i = 0; i < arrPlain.size(); i++) {
        arr[i] = uint8_t(nPrev - arrPlain[i]);
        nPrev = arrPlain[i];
    }
    return arr;
}

std::vector<uint8_t> Ramp(size_t n, uint8_t nStep) {
    std::vector<uint8_t> arr(n);
    for (size_t i = 0; i < n; i++) {
        arr[i] = uint8_t(i * nStep + (i >> 3));
    }
    return arr;
}

}  // namespace

TEST(Rar29SyntheticStreamTest, SolidFilesKeepOrRenewTablesAsTheEndMarkerSays) {
    CRar29StreamWriter w;
    w.Tables();
    w.Literals(Bytes("first "));
    w.EndOfFile(false);
    const std::vector<uint8_t> arrFirst = w.Finish();
    w.Literals(Bytes("second "));  // same tables, none sent
    w.EndOfFile(true);
    const std::vector<uint8_t> arrSecond = w.Finish();
    w.Tables(true);  // announced: a different code
    w.Literals(Bytes("third "));
    w.ShortMatch(6);                                   // "th" from this file
    const std::vector<uint8_t> arrThird = w.Finish();  // no marker: the data just ends
    w.Literals(Bytes("fourth"));
    const std::vector<uint8_t> arrFourth = w.Finish();

    CRar29Decoder decoder;
    const std::vector<std::pair<std::vector<uint8_t>, std::string>> arrFiles = {
        {arrFirst, "first "}, {arrSecond, "second "}, {arrThird, "third th"}, {arrFourth, "fourth"}};
    for (size_t i = 0; i < arrFiles.size(); i++) {
        const CDecodeResult r = Decode(decoder, arrFiles[i].first, arrFiles[i].second.size(), i > 0);
        ASSERT_TRUE(r.bOk) << i << ": " << r.strError;
        EXPECT_EQ(std::string(r.arrOut.begin(), r.arrOut.end()), arrFiles[i].second);
    }
    EXPECT_EQ(decoder.Stats().nLzBlocks, 2u);
    EXPECT_EQ(decoder.Stats().nEndMarkers, 2u);
}

TEST(Rar29SyntheticStreamTest, MatchReachesIntoThePreviousSolidFile) {
    CRar29StreamWriter w;
    w.Tables();
    w.Literals(Bytes("abcdef"));
    w.EndOfFile(false);
    const std::vector<uint8_t> arrFirst = w.Finish();
    w.ShortMatch(6);  // "ab"
    w.ShortMatch(2);  // "ab" again
    w.ShortMatch(6);  // "ef" from the first file, 6 back from here
    const std::vector<uint8_t> arrSecond = w.Finish();

    CRar29Decoder decoder;
    ASSERT_TRUE(Decode(decoder, arrFirst, 6, false).bOk);
    const CDecodeResult r = Decode(decoder, arrSecond, 6, true);
    ASSERT_TRUE(r.bOk) << r.strError;
    EXPECT_EQ(std::string(r.arrOut.begin(), r.arrOut.end()), "ababef");
    // Not solid: the window starts over (zeros), so the same stream without tables fails.
    EXPECT_FALSE(Decode(decoder, arrSecond, 6, false).bOk);
}

TEST(Rar29SyntheticStreamTest, DeltaFilterRestoresItsBlockAndLeavesTheRestAlone) {
    const std::vector<uint8_t> arrPlain = Ramp(300, 5);
    CRar29StreamWriter w;
    w.Tables();
    w.Literals(Bytes("head"));
    w.Filter(0, 0, uint32_t(arrPlain.size()), 1, CRar29StreamWriter::ProgramWithFingerprint(DELTA));
    w.Literals(DeltaEncoded(arrPlain));
    w.Literals(Bytes("tail"));
    w.EndOfFile(false);
    CRar29Decoder decoder;
    const CDecodeResult r = Decode(decoder, w.Finish(), 308, false);
    ASSERT_TRUE(r.bOk) << r.strError;
    std::vector<uint8_t> arrExpected = Bytes("head");
    arrExpected.insert(arrExpected.end(), arrPlain.begin(), arrPlain.end());
    const std::vector<uint8_t> arrTail = Bytes("tail");
    arrExpected.insert(arrExpected.end(), arrTail.begin(), arrTail.end());
    EXPECT_EQ(r.arrOut, arrExpected);
    EXPECT_EQ(decoder.Stats().nFilters, 1u);
}

TEST(Rar29SyntheticStreamTest, E8FilterMakesCallTargetsRelativeToTheirFilePosition) {
    // Two calls with absolute targets; the block starts 10 bytes into the file.
    std::vector<uint8_t> arrBlock = {0x90, 0xE8, 0x00, 0x10, 0x00, 0x00, 0x90, 0x90,
                                     0xE8, 0x40, 0x00, 0x00, 0x00, 0x90, 0x90, 0x90};
    CRar29StreamWriter w;
    w.Tables();
    w.Literals(Bytes("0123456789"));
    w.Filter(0, 0, uint32_t(arrBlock.size()), 0, CRar29StreamWriter::ProgramWithFingerprint(E8));
    w.Literals(arrBlock);
    w.EndOfFile(false);
    CRar29Decoder decoder;
    const CDecodeResult r = Decode(decoder, w.Finish(), 26, false);
    ASSERT_TRUE(r.bOk) << r.strError;
    ASSERT_EQ(r.arrOut.size(), 26u);
    auto le32 = [&](size_t i) {
        return uint32_t(r.arrOut[i]) | uint32_t(r.arrOut[i + 1]) << 8 | uint32_t(r.arrOut[i + 2]) << 16 |
               uint32_t(r.arrOut[i + 3]) << 24;
    };
    // The operand after an E8 at file offset p holds target - (p + 1).
    EXPECT_EQ(le32(12), 0x1000u - 12u);
    EXPECT_EQ(le32(19), 0x40u - 19u);
    EXPECT_EQ(r.arrOut[11], 0xE8);
    EXPECT_EQ(r.arrOut[25], 0x90);
}

TEST(Rar29SyntheticStreamTest, FilterPendingAtAFileEndAppliesToTheNextSolidFile) {
    const std::vector<uint8_t> arrPlain = Ramp(64, 3);
    CRar29StreamWriter w;
    w.Tables();
    w.Filter(0, 5, uint32_t(arrPlain.size()), 1, CRar29StreamWriter::ProgramWithFingerprint(DELTA));
    w.Literals(Bytes("abcde"));
    w.EndOfFile(false);
    const std::vector<uint8_t> arrFirst = w.Finish();
    w.Literals(DeltaEncoded(arrPlain));
    w.EndOfFile(false);
    const std::vector<uint8_t> arrSecond = w.Finish();

    CRar29Decoder decoder;
    const CDecodeResult r1 = Decode(decoder, arrFirst, 5, false);
    ASSERT_TRUE(r1.bOk) << r1.strError;
    EXPECT_EQ(std::string(r1.arrOut.begin(), r1.arrOut.end()), "abcde");
    const CDecodeResult r2 = Decode(decoder, arrSecond, arrPlain.size(), true);
    ASSERT_TRUE(r2.bOk) << r2.strError;
    EXPECT_EQ(r2.arrOut, arrPlain);
}

TEST(Rar29SyntheticStreamTest, FilterReachingPastTheFileEndIsAnError) {
    CRar29StreamWriter w;
    w.Tables();
    w.Filter(0, 0, 40, 1, CRar29StreamWriter::ProgramWithFingerprint(DELTA));
    w.Literals(Ramp(20, 1));
    w.EndOfFile(false);
    CRar29Decoder decoder;
    const CDecodeResult r = Decode(decoder, w.Finish(), 20, false);
    EXPECT_FALSE(r.bOk);
    EXPECT_EQ(r.strError, "A RAR filter reaches past the end of the file");
}

TEST(Rar29SyntheticStreamTest, UnknownFilterProgramAndOversizedBlockAreErrors) {
    CRar29StreamWriter w;
    w.Tables();
    w.Filter(0, 0, 8, 1, {0x01, 0x11, 0x22, 0x33});  // check byte wrong: not a program
    w.Literals(Ramp(8, 1));
    w.EndOfFile(false);
    CRar29Decoder decoder;
    EXPECT_EQ(Decode(decoder, w.Finish(), 8, false).strError, "Invalid RAR filter");

    std::vector<uint8_t> arrProgram = {0x11 ^ 0x22, 0x11, 0x22};  // valid check byte, no known fingerprint
    w.Tables();
    w.Filter(0, 0, 8, 1, arrProgram);
    w.Literals(Ramp(8, 1));
    w.EndOfFile(false);
    EXPECT_EQ(Decode(decoder, w.Finish(), 8, false).strError, "No support for RAR VM program filter");

    w.Tables();
    w.Filter(0, 0, 0x3C001, 1, CRar29StreamWriter::ProgramWithFingerprint(DELTA));
    w.Literals(Ramp(8, 1));
    EXPECT_EQ(Decode(decoder, w.Finish(), 8, false).strError, "RAR filter block too large");
}

TEST(Rar29SyntheticStreamTest, EmptySolidFilesAndTablesSentAtAFileEndKeepTheStreamInStep) {
    CRar29StreamWriter w;
    w.Tables();
    w.Literals(Bytes("one"));
    w.NewTablesFollow();  // after the file's last byte: tables, then the marker
    w.Tables(true);
    w.EndOfFile(false);
    const std::vector<uint8_t> arrFirst = w.Finish();
    const std::vector<uint8_t> arrEmptyNoData;  // an empty file without packed data
    w.EndOfFile(false);                         // an empty file whose stream is just the marker
    const std::vector<uint8_t> arrEmptyMarkerOnly = w.Finish();
    w.Literals(Bytes("two"));
    w.ShortMatch(5);  // "ne" from the first file
    w.EndOfFile(false);
    const std::vector<uint8_t> arrLast = w.Finish();

    CRar29Decoder decoder;
    ASSERT_TRUE(Decode(decoder, arrFirst, 3, false).bOk);
    const CDecodeResult rEmpty1 = Decode(decoder, arrEmptyNoData, 0, true);
    ASSERT_TRUE(rEmpty1.bOk) << rEmpty1.strError;
    const CDecodeResult rEmpty2 = Decode(decoder, arrEmptyMarkerOnly, 0, true);
    ASSERT_TRUE(rEmpty2.bOk) << rEmpty2.strError;
    EXPECT_TRUE(rEmpty2.arrOut.empty());
    const CDecodeResult r = Decode(decoder, arrLast, 5, true);
    ASSERT_TRUE(r.bOk) << r.strError;
    EXPECT_EQ(std::string(r.arrOut.begin(), r.arrOut.end()), "twone");
    EXPECT_EQ(decoder.Stats().nLzBlocks, 2u);
    EXPECT_EQ(decoder.Stats().nEndMarkers, 3u);
}

TEST(Rar29SyntheticStreamTest, SolidFileAfterAPpmdFileStartsWithABlockHeaderAndSeesItsData) {
    REQUIRE_SHARED_FIXTURES();
    const std::vector<CPackedEntry> arrEntries = LoadEntries("test_read_format_rar_compress_best.rar");
    ASSERT_FALSE(arrEntries.empty());
    const CPackedEntry& html = arrEntries.front();  // a PPMd block closed by its end-of-data code
    CRar29Decoder decoder;
    const CDecodeResult rHtml = DecodeEntry(decoder, html.block, html.arrPacked);
    ASSERT_TRUE(rHtml.bOk) << rHtml.strError;
    ASSERT_GE(rHtml.arrOut.size(), 4u);

    CRar29StreamWriter w;
    w.Tables();  // the block header after a PPMd file: here an LZ one
    w.Literal('>');
    w.ShortMatch(5);  // two bytes from the end of the PPMd file
    w.EndOfFile(false);
    const CDecodeResult r = Decode(decoder, w.Finish(), 3, true);
    ASSERT_TRUE(r.bOk) << r.strError;
    const std::vector<uint8_t>& h = rHtml.arrOut;
    const std::vector<uint8_t> arrExpected = {'>', h[h.size() - 4], h[h.size() - 3]};
    EXPECT_EQ(r.arrOut, arrExpected);
}
