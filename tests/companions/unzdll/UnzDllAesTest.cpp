// WinZip AES entries: as 7-Zip writes them (vendor version 2, CRC field 0, the
// authentication code the only check) and as the writer labels them (version 1 with the
// CRC). The authentication code is checked on every AES entry: a flipped data byte or a
// changed code fails the entry as "bad password or damaged data" and leaves nothing behind.
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <cstdio>

#include "UnzTestSupport.h"
#include "tests/fixtures/CChildRun.h"
#include "tests/fixtures/CZipWriter.h"

namespace {

class UnzDllAesTest : public UnzFixture {
protected:
    // The source files of the archives, below strRoot/src.
    void MakeSources() {
        strSrc = strRoot + "/src";
        ASSERT_EQ(mkdir(strSrc.c_str(), 0755), 0);
        ASSERT_EQ(mkdir((strSrc + "/Subs").c_str(), 0755), 0);
        strMovie = Pattern(300000, 21);  // does not compress: 7-Zip keeps it as it is
        strNotes = "";
        for (int i = 0; i < 4000; ++i) {
            strNotes += "line " + std::to_string(i) + " of the release notes\n";
        }
        WriteFile(strSrc + "/movie.mkv", strMovie);
        WriteFile(strSrc + "/notes.nfo", strNotes);
        WriteFile(strSrc + "/Subs/tiny.srt", "1\n");
    }

    // 7z a -tzip -mem=<method> -p<password> <zip> movie.mkv notes.nfo Subs
    std::string SevenZip(const std::string& strMethod, const std::string& strPassword) {
        MakeSources();
        std::string strZip = strRoot + "/7z-" + strMethod + ".zip";
        CChildRunOptions options;
        options.strWorkDir = strSrc;
        CChildResult result = RunChild({"7z", "a", "-tzip", "-mem=" + strMethod, "-p" + strPassword, strZip,
                                        "movie.mkv", "notes.nfo", "Subs"},
                                       options);
        EXPECT_TRUE(result.bStarted) << "7z (p7zip-full) is needed: scripts/install-deps.sh installs it";
        EXPECT_EQ(result.nExitCode, 0) << result.strOutput;
        return strZip;
    }

    void ExpectAllOut() {
        EXPECT_EQ(ListTree(strOut),
                  (std::vector<std::string>{"Subs", "Subs/tiny.srt", "movie.mkv", "notes.nfo"}));
        EXPECT_EQ(ReadFile(strOut + "/movie.mkv"), strMovie);
        EXPECT_EQ(ReadFile(strOut + "/notes.nfo"), strNotes);
        EXPECT_EQ(ReadFile(strOut + "/Subs/tiny.srt"), "1\n");
    }

    // Flips one stored byte of an entry: nFromEnd counts from the end of its stored bytes
    // (1 = the last byte of the authentication code), otherwise the middle of the data.
    void FlipStoredByte(const std::string& strZip, int nEntry, std::uint64_t nFromEnd) {
        std::uint64_t nOffset = 0, nSize = 0;
        ASSERT_TRUE(CZipWriter::FindEntryData(strZip, nEntry, nOffset, nSize));
        ASSERT_GT(nSize, 60u);
        std::string strData = ReadFile(strZip);
        std::uint64_t nAt = nFromEnd > 0 ? nOffset + nSize - nFromEnd : nOffset + nSize / 2;
        strData[nAt] = char(strData[nAt] ^ 0x20);
        WriteFile(strZip, strData);
    }

    int IndexOf(const std::string& strZip, const std::string& strName) {
        int nError = 0;
        zip_t* pZip = zip_open(strZip.c_str(), ZIP_RDONLY, &nError);
        EXPECT_NE(pZip, nullptr);
        zip_int64_t nIndex = pZip != nullptr ? zip_name_locate(pZip, strName.c_str(), 0) : -1;
        if (pZip != nullptr) {
            zip_discard(pZip);
        }
        EXPECT_GE(nIndex, 0) << strName;
        return int(nIndex);
    }

    void ExpectDamageFailure(const UnzRun& run, const std::string& strName) {
        EXPECT_EQ(run.nResult, UNZ_ERR_PASSWORD);
        EXPECT_TRUE(run.HasText(UNZ_MSG_ERROR, UNZ_TEXT_SKIP_ENCRYPTED " " + strName +
                                                   ": " UNZ_TEXT_BAD_PASSWORD " or damaged data"))
            << (run.Texts(UNZ_MSG_ERROR).empty() ? "" : run.Texts(UNZ_MSG_ERROR)[0]);
        EXPECT_FALSE(Exists(strOut + "/" + strName));
        for (const std::string& strPath : ListTree(strOut)) {
            EXPECT_EQ(strPath.find(".unzdll-"), std::string::npos) << "temporary left behind: " << strPath;
        }
    }

    std::string strSrc;
    std::string strMovie;
    std::string strNotes;
};

class UnzDllSevenZipAesTest : public UnzDllAesTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(UnzDllSevenZipAesTest, ExtractsByteIdenticalWithTheDefaultPassword) {
    UnzRun run;
    run.strArchive = SevenZip(GetParam(), UNZ_DEFAULT_PASSWORD);
    EXPECT_EQ(run.Exec(), UNZ_OK) << (run.Texts(UNZ_MSG_ERROR).empty() ? "" : run.Texts(UNZ_MSG_ERROR)[0]);
    ExpectAllOut();
    EXPECT_EQ(run.Texts(UNZ_MSG_ENTRY).size(), 4u);
}

TEST_P(UnzDllSevenZipAesTest, TestsWithATypedPasswordAndRefusesTheDefaultOne) {
    std::string strZip = SevenZip(GetParam(), "Typed password 7");
    UnzRun wrong;
    wrong.strArchive = strZip;
    EXPECT_EQ(wrong.Exec(), UNZ_ERR_PASSWORD);
    EXPECT_TRUE(wrong.HasText(UNZ_MSG_ERROR, UNZ_TEXT_SKIP_ENCRYPTED " movie.mkv: " UNZ_TEXT_BAD_PASSWORD));
    EXPECT_TRUE(wrong.Texts(UNZ_MSG_ENTRY).size() == 1u);  // the folder only
    EXPECT_EQ(ListTree(strOut), std::vector<std::string>{"Subs"});

    UnzRun typed;
    typed.strArchive = strZip;
    typed.strPassword = "Typed password 7";
    typed.bTest = true;
    EXPECT_EQ(typed.Exec(), UNZ_OK);
    EXPECT_TRUE(typed.HasText(UNZ_MSG_ENTRY, "Tested movie.mkv"));
    EXPECT_TRUE(typed.HasText(UNZ_MSG_ENTRY, "Tested notes.nfo"));
    typed.bTest = false;
    EXPECT_EQ(typed.Exec(), UNZ_OK);
    ExpectAllOut();
}

INSTANTIATE_TEST_SUITE_P(KeySizes, UnzDllSevenZipAesTest, ::testing::Values("AES128", "AES192", "AES256"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param);
                         });

TEST_F(UnzDllAesTest, SevenZipEntryWithAFlippedDataByteFails) {
    std::string strZip = SevenZip("AES256", UNZ_DEFAULT_PASSWORD);
    for (const char* pszName : {"movie.mkv", "notes.nfo"}) {
        FlipStoredByte(strZip, IndexOf(strZip, pszName), 0);
    }
    UnzRun run;
    run.strArchive = strZip;
    run.Exec();
    ExpectDamageFailure(run, "movie.mkv");
    ExpectDamageFailure(run, "notes.nfo");
    EXPECT_TRUE(Exists(strOut + "/Subs/tiny.srt"));  // the intact entry still comes out
}

TEST_F(UnzDllAesTest, SevenZipEntryWithAChangedAuthenticationCodeFails) {
    std::string strZip = SevenZip("AES128", UNZ_DEFAULT_PASSWORD);
    FlipStoredByte(strZip, IndexOf(strZip, "movie.mkv"), 1);
    FlipStoredByte(strZip, IndexOf(strZip, "notes.nfo"), 10);
    for (bool bTest : {true, false}) {
        UnzRun run;
        run.strArchive = strZip;
        run.bTest = bTest;
        run.Exec();
        ExpectDamageFailure(run, "movie.mkv");
        ExpectDamageFailure(run, "notes.nfo");
    }
}

// The writer's archives: AE-1 keeps the CRC (checked by libzip) and the code; AE-2 with
// the CRC field 0 as 7-Zip writes it.
class UnzDllWriterAesTest : public UnzDllAesTest, public ::testing::WithParamInterface<EZipAesVersion> {
protected:
    // With bWithLink, an encrypted symbolic link comes last (index 3), its target deflated:
    // libzip then never reaches the authentication code itself, only our own check does.
    std::string WriteAes(const std::string& strName, bool bWithLink = false) {
        strMovie = Pattern(200000, 5);
        CZipWriter writer;
        writer.SetPassword("pw for the writer", EZipCrypt::Aes256);
        writer.SetAesVersion(GetParam());
        writer.AddFile("movie.mkv", strMovie, EZipMethod::Store);
        writer.AddFile("notes.nfo", std::string(50000, 'n'));
        writer.AddFile("aes128.txt", "short").eCrypt = EZipCrypt::Aes128;
        if (bWithLink) {
            CZipEntry& link = writer.AddSymlink("episode.mkv", LINK_TARGET);
            link.eCrypt = EZipCrypt::Aes256;  // the writer's default covers files only
            link.eMethod = EZipMethod::Deflate;
        }
        std::string strZip = strRoot + "/" + strName;
        CZipResult result = writer.Write(strZip);
        EXPECT_TRUE(result.bOk) << result.strError;
        return strZip;
    }

    std::string ReadLink(const std::string& strPath) {
        char buffer[256] = {};
        ssize_t nLength = readlink(strPath.c_str(), buffer, sizeof buffer - 1);
        return nLength > 0 ? std::string(buffer, size_t(nLength)) : std::string();
    }

    // Long enough that the stored bytes (salt, check value, target, code) pass 60.
    static constexpr const char* LINK_TARGET =
        "Season 1/Episode 01 - The long title of the first episode.mkv";
};

TEST_P(UnzDllWriterAesTest, ExtractsIntactEntries) {
    UnzRun run;
    run.strArchive = WriteAes("intact.zip");
    run.strPassword = "pw for the writer";
    EXPECT_EQ(run.Exec(), UNZ_OK) << (run.Texts(UNZ_MSG_ERROR).empty() ? "" : run.Texts(UNZ_MSG_ERROR)[0]);
    EXPECT_EQ(ReadFile(strOut + "/movie.mkv"), strMovie);
    EXPECT_EQ(ReadFile(strOut + "/notes.nfo"), std::string(50000, 'n'));
    EXPECT_EQ(ReadFile(strOut + "/aes128.txt"), "short");
}

// libzip itself compares the code only where its reading reaches the end of the stored
// bytes: for stored data, not for deflated data, whose stream ends before the code.
TEST_P(UnzDllWriterAesTest, ChangedAuthenticationCodeFails) {
    std::string strZip = WriteAes("code.zip");
    FlipStoredByte(strZip, 0, 4);
    FlipStoredByte(strZip, 1, 1);
    UnzRun run;
    run.strArchive = strZip;
    run.strPassword = "pw for the writer";
    run.Exec();
    ExpectDamageFailure(run, "movie.mkv");
    ExpectDamageFailure(run, "notes.nfo");
    EXPECT_EQ(ReadFile(strOut + "/aes128.txt"), "short");
}

TEST_P(UnzDllWriterAesTest, FlippedStoredDataByteFails) {
    std::string strZip = WriteAes("data.zip");
    FlipStoredByte(strZip, 0, 0);
    UnzRun run;
    run.strArchive = strZip;
    run.strPassword = "pw for the writer";
    run.Exec();
    ExpectDamageFailure(run, "movie.mkv");
}

// A link's target is read whole before the link is made; AE-2 without the CRC must not
// fail there on libzip's CRC comparison.
TEST_P(UnzDllWriterAesTest, MakesAnEncryptedLink) {
    UnzRun run;
    run.strArchive = WriteAes("link.zip", true);
    run.strPassword = "pw for the writer";
    EXPECT_EQ(run.Exec(), UNZ_OK) << (run.Texts(UNZ_MSG_ERROR).empty() ? "" : run.Texts(UNZ_MSG_ERROR)[0]);
    EXPECT_EQ(ReadLink(strOut + "/episode.mkv"), LINK_TARGET);
    EXPECT_EQ(ReadFile(strOut + "/aes128.txt"), "short");
}

TEST_P(UnzDllWriterAesTest, LinkWithAChangedAuthenticationCodeFails) {
    std::string strZip = WriteAes("link-code.zip", true);
    FlipStoredByte(strZip, 3, 1);
    for (bool bTest : {true, false}) {
        UnzRun run;
        run.strArchive = strZip;
        run.strPassword = "pw for the writer";
        run.bTest = bTest;
        run.Exec();
        ExpectDamageFailure(run, "episode.mkv");
        if (!bTest) {
            EXPECT_EQ(ReadFile(strOut + "/movie.mkv"), strMovie);  // the other entries still come out
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Labels, UnzDllWriterAesTest,
                         ::testing::Values(EZipAesVersion::AsLibzip, EZipAesVersion::Ae1,
                                           EZipAesVersion::Ae2),
                         [](const ::testing::TestParamInfo<EZipAesVersion>& info) {
                             return info.param == EZipAesVersion::Ae1   ? std::string("Ae1")
                                    : info.param == EZipAesVersion::Ae2 ? std::string("Ae2WithoutCrc")
                                                                        : std::string("Ae2WithCrc");
                         });

}  // namespace
