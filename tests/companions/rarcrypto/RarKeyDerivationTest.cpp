// Key derivations checked against archives written by the real RAR program.
#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <zlib.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "companions/unrar/crypto/CAesCbc.h"
#include "companions/unrar/crypto/CBlake2sp.h"
#include "companions/unrar/crypto/CRarKeyCache.h"
#include "companions/unrar/crypto/RarKeyDerivation.h"
#include "tests/fixtures/SharedFixtures.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadFixture(const std::string& strName) {
    std::ifstream in(std::string(HARVEX_SHARED_FIXTURES) + "/rar/" + strName, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

uint64_t ReadVint(const Bytes& data, size_t& pos) {
    uint64_t n = 0;
    for (int shift = 0; pos < data.size() && shift < 64; shift += 7) {
        const uint8_t b = data[pos++];
        n |= uint64_t(b & 0x7f) << shift;
        if (!(b & 0x80)) {
            break;
        }
    }
    return n;
}

uint32_t Le32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24);
}

// Just enough of a RAR 5.0 file header for these tests.
struct CRar5File {
    std::string strName;
    uint32_t nCrc = 0;
    int kdfCount = 0;
    Bytes arrSalt, arrIv, arrCheck;
    Bytes arrData;
};

std::map<std::string, CRar5File> WalkRar5(const Bytes& data) {
    std::map<std::string, CRar5File> mapFiles;
    size_t pos = 8;
    while (pos + 4 < data.size()) {
        size_t p = pos + 4;
        const uint64_t nHeadSize = ReadVint(data, p);
        const size_t headStart = p;
        const uint64_t nType = ReadVint(data, p);
        const uint64_t nFlags = ReadVint(data, p);
        const uint64_t nExtra = (nFlags & 1) ? ReadVint(data, p) : 0;
        const uint64_t nData = (nFlags & 2) ? ReadVint(data, p) : 0;
        const size_t headEnd = headStart + nHeadSize;
        if (nType == 2) {
            CRar5File file;
            const uint64_t nFileFlags = ReadVint(data, p);
            ReadVint(data, p);  // unpacked size
            ReadVint(data, p);  // attributes
            if (nFileFlags & 2)
                p += 4;
            if (nFileFlags & 4) {
                file.nCrc = Le32(&data[p]);
                p += 4;
            }
            ReadVint(data, p);  // compression
            ReadVint(data, p);  // host
            const uint64_t nNameLen = ReadVint(data, p);
            file.strName.assign(reinterpret_cast<const char*>(&data[p]), nNameLen);
            size_t e = headEnd - nExtra;
            while (e < headEnd) {
                const uint64_t nRecSize = ReadVint(data, e);
                const size_t recEnd = e + nRecSize;
                if (ReadVint(data, e) == 1) {
                    ReadVint(data, e);  // version
                    const uint64_t nEncFlags = ReadVint(data, e);
                    file.kdfCount = data[e++];
                    file.arrSalt.assign(&data[e], &data[e + 16]);
                    file.arrIv.assign(&data[e + 16], &data[e + 32]);
                    if (nEncFlags & 1)
                        file.arrCheck.assign(&data[e + 32], &data[e + 44]);
                }
                e = recEnd;
            }
            file.arrData.assign(&data[headEnd], &data[headEnd + nData]);
            mapFiles[file.strName] = file;
        }
        pos = headEnd + nData;
    }
    return mapFiles;
}

rarcrypto::CRar5Keys Rar5Keys(const std::string& strPassword, const CRar5File& file) {
    rarcrypto::CRar5Keys keys;
    EXPECT_TRUE(rarcrypto::DeriveRar5Keys(strPassword, file.arrSalt.data(), file.kdfCount, keys));
    return keys;
}

}  // namespace

TEST(Rar5KeyDerivationTest, CheckValueAcceptsOnlyTheFilesOwnPassword) {
    REQUIRE_SHARED_FIXTURES();
    auto mapFiles = WalkRar5(ReadFixture("test_read_format_rar5_encrypted.rar"));
    ASSERT_EQ(mapFiles.count("b.txt"), 1u);
    ASSERT_EQ(mapFiles.count("d.txt"), 1u);
    const CRar5File& b = mapFiles["b.txt"];
    const CRar5File& d = mapFiles["d.txt"];
    ASSERT_EQ(b.arrCheck.size(), 12u);
    ASSERT_EQ(d.arrCheck.size(), 12u);
    EXPECT_TRUE(rarcrypto::Rar5CheckRecordIsSound(b.arrCheck.data()));
    EXPECT_TRUE(rarcrypto::Rar5CheckRecordIsSound(d.arrCheck.data()));

    EXPECT_TRUE(rarcrypto::Rar5PasswordMatches(Rar5Keys("password", b), b.arrCheck.data()));
    EXPECT_FALSE(rarcrypto::Rar5PasswordMatches(Rar5Keys("password2", b), b.arrCheck.data()));
    EXPECT_FALSE(rarcrypto::Rar5PasswordMatches(Rar5Keys("Password", b), b.arrCheck.data()));
    EXPECT_TRUE(rarcrypto::Rar5PasswordMatches(Rar5Keys("password2", d), d.arrCheck.data()));
    EXPECT_FALSE(rarcrypto::Rar5PasswordMatches(Rar5Keys("password", d), d.arrCheck.data()));
}

TEST(Rar5KeyDerivationTest, DamagedCheckRecordIsRecognised) {
    REQUIRE_SHARED_FIXTURES();
    auto mapFiles = WalkRar5(ReadFixture("test_read_format_rar5_encrypted.rar"));
    Bytes arrCheck = mapFiles["b.txt"].arrCheck;
    ASSERT_EQ(arrCheck.size(), 12u);
    arrCheck[3] ^= 0x40;
    EXPECT_FALSE(rarcrypto::Rar5CheckRecordIsSound(arrCheck.data()));
}

TEST(Rar5KeyDerivationTest, KeyedCrcEqualsTheStoredChecksumOfTheContent) {
    REQUIRE_SHARED_FIXTURES();
    auto mapFiles = WalkRar5(ReadFixture("test_read_format_rar5_encrypted.rar"));
    for (const auto& [strName, strPassword] :
         {std::pair<std::string, std::string>{"b.txt", "password"}, {"d.txt", "password2"}}) {
        const CRar5File& file = mapFiles[strName];
        const std::string strContent = "This is from " + strName;
        const uint32_t nPlain =
            crc32(0, reinterpret_cast<const Bytef*>(strContent.data()), static_cast<uInt>(strContent.size()));
        const auto keys = Rar5Keys(strPassword, file);
        EXPECT_EQ(rarcrypto::Rar5KeyedCrc32(nPlain, keys.arrHashKey), file.nCrc) << strName;
        EXPECT_NE(nPlain, file.nCrc) << strName;
        const auto wrongKeys = Rar5Keys(strPassword + "x", file);
        EXPECT_NE(rarcrypto::Rar5KeyedCrc32(nPlain, wrongKeys.arrHashKey), file.nCrc) << strName;
    }
}

TEST(Rar5KeyDerivationTest, IterationCountBeyondTheFormatIsRefused) {
    const uint8_t arrSalt[16] = {};
    rarcrypto::CRar5Keys keys;
    EXPECT_FALSE(rarcrypto::DeriveRar5Keys("x", arrSalt, 25, keys));
    EXPECT_FALSE(rarcrypto::DeriveRar5Keys("x", arrSalt, -1, keys));
    EXPECT_TRUE(rarcrypto::DeriveRar5Keys("x", arrSalt, 0, keys));
}

TEST(Rar3KeyDerivationTest, DecryptedHeaderOfEncryptedHeaderArchiveHasValidChecksum) {
    REQUIRE_SHARED_FIXTURES();
    // Main header (13 bytes) after the 7-byte marker; then every block is an 8-byte salt
    // followed by the encrypted block.
    const Bytes data = ReadFixture("test_read_format_rar_encryption_header.rar");
    ASSERT_GT(data.size(), 20u + 8 + 32);
    ASSERT_EQ(data[7 + 2], 0x73);
    ASSERT_TRUE(data[7 + 3] & 0x80);
    const uint8_t* pSalt = &data[20];
    auto decryptFirstBlock = [&](const std::string& strPassword, Bytes& out) {
        rarcrypto::CRar3Key key;
        ASSERT_TRUE(rarcrypto::DeriveRar3Key(strPassword, pSalt, key));
        CAesCbc aes(key.arrKey.data(), 16, key.arrIv.data(), false);
        out.assign(32, 0);
        ASSERT_TRUE(aes.Process(&data[28], 32, out.data()));
    };
    Bytes plain;
    decryptFirstBlock("12345678", plain);
    const size_t nHeadSize = plain[5] | (plain[6] << 8);
    EXPECT_EQ(plain[2], 0x74);  // a file header
    ASSERT_GE(nHeadSize, 7u);
    // The header is longer than two blocks; decrypt all of it for its checksum.
    rarcrypto::CRar3Key key;
    ASSERT_TRUE(rarcrypto::DeriveRar3Key("12345678", pSalt, key));
    CAesCbc aes(key.arrKey.data(), 16, key.arrIv.data(), false);
    const size_t nPadded = (nHeadSize + 15) / 16 * 16;
    ASSERT_LE(28 + nPadded, data.size());
    Bytes whole(nPadded);
    ASSERT_TRUE(aes.Process(&data[28], nPadded, whole.data()));
    const uint32_t nCrc = crc32(0, &whole[2], static_cast<uInt>(nHeadSize - 2));
    EXPECT_EQ(nCrc & 0xffff, uint32_t(whole[0] | (whole[1] << 8)));

    Bytes wrong;
    decryptFirstBlock("1234567", wrong);
    EXPECT_NE(wrong, plain);
    EXPECT_FALSE(wrong[2] == 0x74 && size_t(wrong[5] | (wrong[6] << 8)) == nHeadSize);
}

TEST(Rar3KeyDerivationTest, DecryptedFileDataDecompressesToTheOriginalText) {
    REQUIRE_SHARED_FIXTURES();
    // Rebuild the archive with b.txt decrypted and its encryption flags and salt removed,
    // then let libarchive decompress it.
    const Bytes src = ReadFixture("test_read_format_rar4_encrypted.rar");
    ASSERT_GT(src.size(), 7u);
    Bytes out(src.begin(), src.begin() + 7);
    size_t pos = 7;
    int nDecrypted = 0;
    while (pos + 7 <= src.size()) {
        const uint16_t nFlags = src[pos + 3] | (src[pos + 4] << 8);
        const uint16_t nSize = src[pos + 5] | (src[pos + 6] << 8);
        const uint32_t nAdd = (nFlags & 0x8000) ? Le32(&src[pos + 7]) : 0;
        ASSERT_LE(pos + nSize + nAdd, src.size());
        Bytes head(src.begin() + long(pos), src.begin() + long(pos + nSize));
        Bytes body(src.begin() + long(pos + nSize), src.begin() + long(pos + nSize + nAdd));
        std::string strName;
        if (head[2] == 0x74 && head.size() >= 32) {
            const uint16_t nNameLen = head[26] | (head[27] << 8);
            ASSERT_LE(32u + nNameLen, head.size());
            strName.assign(reinterpret_cast<const char*>(&head[32]), nNameLen);
        }
        if (head[2] == 0x74 && (nFlags & 0x04) && strName == "b.txt") {
            const uint16_t nNameLen = uint16_t(strName.size());
            const size_t saltPos = 32 + nNameLen;
            rarcrypto::CRar3Key key;
            ASSERT_TRUE(rarcrypto::DeriveRar3Key("password", &head[saltPos], key));
            CAesCbc aes(key.arrKey.data(), 16, key.arrIv.data(), false);
            ASSERT_TRUE(aes.Process(body.data(), body.size(), body.data()));
            head.erase(head.begin() + saltPos, head.begin() + saltPos + 8);
            const uint16_t nNewFlags = nFlags & ~0x0404;
            head[3] = uint8_t(nNewFlags);
            head[4] = uint8_t(nNewFlags >> 8);
            head[5] = uint8_t(head.size());
            head[6] = uint8_t(head.size() >> 8);
            const uint32_t nCrc = crc32(0, &head[2], static_cast<uInt>(head.size() - 2));
            head[0] = uint8_t(nCrc);
            head[1] = uint8_t(nCrc >> 8);
            ++nDecrypted;
        }
        out.insert(out.end(), head.begin(), head.end());
        out.insert(out.end(), body.begin(), body.end());
        pos += nSize + nAdd;
    }
    ASSERT_EQ(nDecrypted, 1);

    archive* pArchive = archive_read_new();
    archive_read_support_format_rar(pArchive);
    ASSERT_EQ(archive_read_open_memory(pArchive, out.data(), out.size()), ARCHIVE_OK);
    archive_entry* pEntry = nullptr;
    std::string strContent;
    while (archive_read_next_header(pArchive, &pEntry) == ARCHIVE_OK) {
        if (std::string(archive_entry_pathname(pEntry)) == "b.txt") {
            char buf[64] = {};
            const la_ssize_t n = archive_read_data(pArchive, buf, sizeof buf);
            ASSERT_GT(n, 0);
            strContent.assign(buf, static_cast<size_t>(n));
            break;
        }
    }
    archive_read_free(pArchive);
    EXPECT_EQ(strContent, "This is from b.txt");
}

TEST(Rar3KeyDerivationTest, PasswordIsHashedAsUtf16) {
    EXPECT_EQ(rarcrypto::Utf8ToUtf16Le("ab"), std::string("a\0b\0", 4));
    EXPECT_EQ(rarcrypto::Utf8ToUtf16Le("\xc3\xa9"), std::string("\xe9\0", 2));
    EXPECT_EQ(rarcrypto::Utf8ToUtf16Le("\xe2\x82\xac"), std::string("\xac\x20", 2));
    // U+1F600 as a surrogate pair.
    EXPECT_EQ(rarcrypto::Utf8ToUtf16Le("\xf0\x9f\x98\x80"), std::string("\x3d\xd8\x00\xde", 4));
    // A stray byte reads as Latin-1; an overlong form is not decoded.
    EXPECT_EQ(rarcrypto::Utf8ToUtf16Le("\xff"), std::string("\xff\0", 2));
    EXPECT_EQ(rarcrypto::Utf8ToUtf16Le("\xc0\xaf"), std::string("\xc0\0\xaf\0", 4));
}

TEST(Rar3KeyDerivationTest, LongPasswordsDeriveDistinctKeys) {
    // Passwords past 28 characters go through the buffer rewrite of the old SHA-1 code;
    // the derivation still has to depend on every character.
    const uint8_t arrSalt[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    const std::string strLong(40, 'a');
    rarcrypto::CRar3Key a, b, c;
    ASSERT_TRUE(rarcrypto::DeriveRar3Key(strLong, arrSalt, a));
    ASSERT_TRUE(rarcrypto::DeriveRar3Key(strLong + "b", arrSalt, b));
    ASSERT_TRUE(rarcrypto::DeriveRar3Key(strLong, arrSalt, c));
    EXPECT_NE(a.arrKey, b.arrKey);
    EXPECT_EQ(a.arrKey, c.arrKey);
    EXPECT_EQ(a.arrIv, c.arrIv);
}

TEST(RarKeyCacheTest, DerivesEachSaltAndPasswordOnce) {
    CRarKeyCache cache;
    const uint8_t arrSaltA[16] = {1};
    const uint8_t arrSaltB[16] = {2};
    const auto* p1 = cache.Rar5("pw", arrSaltA, 4);
    const auto* p2 = cache.Rar5("pw", arrSaltA, 4);
    ASSERT_NE(p1, nullptr);
    EXPECT_EQ(p1, p2);
    EXPECT_EQ(cache.DerivationCount(), 1);
    const auto* p3 = cache.Rar5("pw", arrSaltB, 4);
    const auto* p4 = cache.Rar5("pw2", arrSaltA, 4);
    const auto* p5 = cache.Rar5("pw", arrSaltA, 5);
    EXPECT_EQ(cache.DerivationCount(), 4);
    EXPECT_NE(p3->arrKey, p1->arrKey);
    EXPECT_NE(p4->arrKey, p1->arrKey);
    EXPECT_NE(p5->arrKey, p1->arrKey);
    EXPECT_EQ(cache.Rar5("pw", arrSaltA, 30), nullptr);

    const auto* q1 = cache.Rar3("pw", arrSaltA);
    const auto* q2 = cache.Rar3("pw", arrSaltA);
    EXPECT_EQ(q1, q2);
    EXPECT_EQ(cache.DerivationCount(), 6);  // the refused count was attempted once
}

TEST(AesCbcTest, PiecewiseEqualsWholeAndDecryptionInverts) {
    const uint8_t arrKey[32] = {7, 6, 5};
    const uint8_t arrIv[16] = {9};
    Bytes plain(256);
    for (size_t i = 0; i < plain.size(); ++i)
        plain[i] = uint8_t(i * 31);
    for (size_t nKey : {size_t(16), size_t(32)}) {
        Bytes whole(plain.size()), pieces(plain.size()), back(plain.size());
        CAesCbc enc1(arrKey, nKey, arrIv, true), enc2(arrKey, nKey, arrIv, true);
        ASSERT_TRUE(enc1.Process(plain.data(), plain.size(), whole.data()));
        ASSERT_TRUE(enc2.Process(plain.data(), 48, pieces.data()));
        ASSERT_TRUE(enc2.Process(plain.data() + 48, 208, pieces.data() + 48));
        EXPECT_EQ(whole, pieces);
        EXPECT_NE(whole, plain);
        CAesCbc dec(arrKey, nKey, arrIv, false);
        ASSERT_TRUE(dec.Process(whole.data(), 16, back.data()));
        ASSERT_TRUE(dec.Process(whole.data() + 16, 240, back.data() + 16));
        EXPECT_EQ(back, plain);
    }
    CAesCbc bad(arrKey, 24, arrIv, false);
    EXPECT_FALSE(bad.IsValid());
    CAesCbc partial(arrKey, 16, arrIv, false);
    Bytes out(16);
    EXPECT_FALSE(partial.Process(plain.data(), 15, out.data()));
}

TEST(Blake2spTest, MatchesPublishedVectorsAndPieces) {
    auto hex = [](const std::array<uint8_t, 32>& d) {
        static const char* DIGITS = "0123456789abcdef";
        std::string s;
        for (uint8_t b : d) {
            s += DIGITS[b >> 4];
            s += DIGITS[b & 15];
        }
        return s;
    };
    CBlake2sp empty;
    EXPECT_EQ(hex(empty.Final()), "dd0e891776933f43c7d032b08a917e25741f8aa9a12c12e1cac8801500f2ca4f");
    CBlake2sp one;
    const uint8_t zero = 0;
    one.Update(&zero, 1);
    EXPECT_EQ(hex(one.Final()), "a6b9eecc25227ad788c99d3f236debc8da408849e9a5178978727a81457f7239");

    Bytes data(5000);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = uint8_t(i ^ (i >> 8));
    CBlake2sp whole, pieces;
    whole.Update(data.data(), data.size());
    pieces.Update(data.data(), 1);
    pieces.Update(data.data() + 1, 700);
    pieces.Update(data.data() + 701, data.size() - 701);
    const auto digest = whole.Final();
    EXPECT_EQ(digest, pieces.Final());
    std::array<uint8_t, 32> hashKey{};
    hashKey[0] = 1;
    const auto keyed = rarcrypto::Rar5KeyedBlake2(digest.data(), hashKey);
    EXPECT_NE(keyed, digest);
    hashKey[0] = 2;
    EXPECT_NE(rarcrypto::Rar5KeyedBlake2(digest.data(), hashKey), keyed);
}

TEST(Rar5KeyDerivationTest, OnePassEqualsPbkdf2AtTheThreeIterationCounts) {
    const uint8_t arrSalt[16] = {9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2, 3, 4, 5, 6};
    for (int kdfCount : {0, 1, 5, 11}) {
        rarcrypto::CRar5Keys keys;
        ASSERT_TRUE(rarcrypto::DeriveRar5Keys("pässword", arrSalt, kdfCount, keys));
        const std::string strPassword = "pässword";
        auto pbkdf2 = [&](int nIterations) {
            std::array<uint8_t, 32> out{};
            EXPECT_EQ(PKCS5_PBKDF2_HMAC(strPassword.data(), int(strPassword.size()), arrSalt, 16, nIterations,
                                        EVP_sha256(), 32, out.data()),
                      1);
            return out;
        };
        const int n = 1 << kdfCount;
        EXPECT_EQ(keys.arrKey, pbkdf2(n)) << kdfCount;
        EXPECT_EQ(keys.arrHashKey, pbkdf2(n + 16)) << kdfCount;
        const auto check = pbkdf2(n + 32);
        std::array<uint8_t, 8> folded{};
        for (int i = 0; i < 32; ++i)
            folded[i % 8] ^= check[i];
        EXPECT_EQ(keys.arrPswCheck, folded) << kdfCount;
    }
}

TEST(RarKeyCacheTest, PrefetchOnThreadsGivesTheSameKeys) {
    std::vector<std::string> arrSalts;
    for (int i = 0; i < 5; ++i) {
        arrSalts.push_back(std::string(8, char('a' + i)));
    }
    arrSalts.push_back(arrSalts[0]);  // a repeated salt is derived once
    CRarKeyCache cache;
    cache.PrefetchRar3("pw", arrSalts, 3);
    EXPECT_EQ(cache.DerivationCount(), 5);
    for (const std::string& strSalt : arrSalts) {
        const auto* pKey = cache.Rar3("pw", reinterpret_cast<const uint8_t*>(strSalt.data()));
        rarcrypto::CRar3Key direct;
        ASSERT_TRUE(rarcrypto::DeriveRar3Key("pw", reinterpret_cast<const uint8_t*>(strSalt.data()), direct));
        ASSERT_NE(pKey, nullptr);
        EXPECT_EQ(pKey->arrKey, direct.arrKey);
        EXPECT_EQ(pKey->arrIv, direct.arrIv);
    }
    EXPECT_EQ(cache.DerivationCount(), 5);
}

namespace {

// The RAR 4.x derivation written out round by round: SHA-1 over the UTF-16LE password, the
// salt and a 3-byte counter, 2^18 times; an IV byte from the running digest every 2^14
// rounds; the key from the final digest, each word's bytes reversed.
rarcrypto::CRar3Key RoundByRound(const std::string& strPassword, const std::string& strSalt) {
    const std::string strSeed = rarcrypto::Utf8ToUtf16Le(strPassword) + strSalt;
    EVP_MD_CTX* pCtx = EVP_MD_CTX_new();
    EVP_MD_CTX* pCopy = EVP_MD_CTX_new();
    EVP_DigestInit_ex(pCtx, EVP_sha1(), nullptr);
    rarcrypto::CRar3Key key;
    uint8_t arrDigest[20];
    unsigned int nLen = 0;
    for (uint32_t i = 0; i < 0x40000; ++i) {
        const uint8_t arrCounter[3] = {uint8_t(i), uint8_t(i >> 8), uint8_t(i >> 16)};
        EVP_DigestUpdate(pCtx, strSeed.data(), strSeed.size());
        EVP_DigestUpdate(pCtx, arrCounter, 3);
        if (i % 0x4000 == 0) {
            EVP_MD_CTX_copy_ex(pCopy, pCtx);
            EVP_DigestFinal_ex(pCopy, arrDigest, &nLen);
            key.arrIv[i / 0x4000] = arrDigest[19];
        }
    }
    EVP_DigestFinal_ex(pCtx, arrDigest, &nLen);
    for (int w = 0; w < 4; ++w) {
        for (int b = 0; b < 4; ++b) {
            key.arrKey[w * 4 + b] = arrDigest[w * 4 + 3 - b];
        }
    }
    EVP_MD_CTX_free(pCtx);
    EVP_MD_CTX_free(pCopy);
    return key;
}

}  // namespace

TEST(Rar3KeyDerivationTest, UnsaltedKeyIsTheSameConstructionOverThePasswordAlone) {
    // The round-by-round form first agrees with the derivation for a salted file (checked
    // against real archives above), then gives the expected key of a file without a salt.
    const uint8_t arrSalt[8] = {9, 8, 7, 6, 5, 4, 3, 2};
    rarcrypto::CRar3Key salted, unsalted, unsaltedAgain;
    ASSERT_TRUE(rarcrypto::DeriveRar3Key("12345678", arrSalt, salted));
    const rarcrypto::CRar3Key saltedRef =
        RoundByRound("12345678", std::string(reinterpret_cast<const char*>(arrSalt), 8));
    EXPECT_EQ(salted.arrKey, saltedRef.arrKey);
    EXPECT_EQ(salted.arrIv, saltedRef.arrIv);

    ASSERT_TRUE(rarcrypto::DeriveRar3Key("12345678", arrSalt, 0, unsalted));
    const rarcrypto::CRar3Key unsaltedRef = RoundByRound("12345678", "");
    EXPECT_EQ(unsalted.arrKey, unsaltedRef.arrKey);
    EXPECT_EQ(unsalted.arrIv, unsaltedRef.arrIv);
    EXPECT_NE(unsalted.arrKey, salted.arrKey);
    // The salt pointer is not read without a salt.
    ASSERT_TRUE(rarcrypto::DeriveRar3Key("12345678", nullptr, 0, unsaltedAgain));
    EXPECT_EQ(unsaltedAgain.arrKey, unsalted.arrKey);
    // Only the format's two salt sizes exist.
    EXPECT_FALSE(rarcrypto::DeriveRar3Key("12345678", arrSalt, 4, unsaltedAgain));
}

TEST(RarKeyCacheTest, UnsaltedKeyIsCachedApartFromSaltedOnes) {
    CRarKeyCache cache;
    const uint8_t arrSalt[8] = {};
    const auto* pNone = cache.Rar3("pw", arrSalt, 0);
    const auto* pNoneAgain = cache.Rar3("pw", arrSalt, 0);
    const auto* pZeroSalt = cache.Rar3("pw", arrSalt);
    ASSERT_NE(pNone, nullptr);
    ASSERT_NE(pZeroSalt, nullptr);
    EXPECT_EQ(pNone, pNoneAgain);
    EXPECT_NE(pNone->arrKey, pZeroSalt->arrKey);
    EXPECT_EQ(cache.DerivationCount(), 2);
}
