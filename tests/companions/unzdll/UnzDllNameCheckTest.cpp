// The entry names of the central directory against the copies in the local headers. The
// central directory's name is the one used; a local copy that names another path means a
// damaged archive: that entry is refused (an error, so the archive is kept), the others
// still come out. A copy that differs only in '/' against '\' names the same path: a warning.
#include "UnzTestSupport.h"
#include "tests/fixtures/CZipWriter.h"

namespace {

class UnzDllNameCheckTest : public UnzFixture {
protected:
    std::string Write(const CZipFaults& faults) {
        CZipWriter writer;
        writer.AddFile("Movie/movie.mkv", Pattern(70000, 3));
        writer.AddFile("Movie/movie.nfo", "notes\n");
        std::string strZip = strRoot + "/names.zip";
        CZipResult result = writer.Write(strZip, faults);
        EXPECT_TRUE(result.bOk) << result.strError;
        return strZip;
    }
};

TEST_F(UnzDllNameCheckTest, AFlippedLocalNameByteRefusesThatEntryAsDamage) {
    CZipFaults faults;
    faults.nLocalNameEntry = 0;
    faults.nLocalNameAt = 14;  // "Movie/movie.mkv" -> "Movie/movie.mkw"
    UnzRun run;
    run.strArchive = Write(faults);
    EXPECT_EQ(run.Exec(), UNZ_ERR_ARCHIVE);
    std::vector<std::string> arrErrors = run.Texts(UNZ_MSG_ERROR);
    ASSERT_EQ(arrErrors.size(), 1u);
    EXPECT_EQ(
        arrErrors[0],
        "Error: Movie/movie.mkv: refused, the local header gives it another name (\"Movie/movie.mkw\"): "
        "damaged archive");
    EXPECT_FALSE(Exists(strOut + "/Movie/movie.mkv"));
    EXPECT_FALSE(Exists(strOut + "/Movie/movie.mkw"));
    EXPECT_EQ(ReadFile(strOut + "/Movie/movie.nfo"), "notes\n");
}

TEST_F(UnzDllNameCheckTest, ALocalNameWithAControlByteIsShownEscaped) {
    CZipFaults faults;
    faults.nLocalNameEntry = 1;
    faults.nLocalNameAt = 0;
    faults.nLocalNameXor = 'M' ^ 0x07;
    UnzRun run;
    run.strArchive = Write(faults);
    run.bTest = true;
    EXPECT_EQ(run.Exec(), UNZ_ERR_ARCHIVE);
    EXPECT_TRUE(run.HasText(UNZ_MSG_ERROR, "(\"\\x07ovie/movie.nfo\")"));
    EXPECT_TRUE(run.HasText(UNZ_MSG_ENTRY, "Tested Movie/movie.mkv"));
    EXPECT_FALSE(run.HasText(UNZ_MSG_ENTRY, "Tested Movie/movie.nfo"));
}

TEST_F(UnzDllNameCheckTest, OtherSeparatorsInTheLocalNameAreOnlyAWarning) {
    CZipFaults faults;
    faults.nLocalNameEntry = 1;
    faults.nLocalNameAt = 5;
    faults.nLocalNameXor = '/' ^ '\\';  // "Movie\movie.nfo" in the local header
    UnzRun run;
    run.strArchive = Write(faults);
    EXPECT_EQ(run.Exec(), UNZ_OK);
    EXPECT_TRUE(run.Texts(UNZ_MSG_ERROR).empty());
    EXPECT_EQ(run.Texts(UNZ_MSG_WARNING),
              std::vector<std::string>{
                  "Warning: Movie/movie.nfo: the local header writes the name with other separators"});
    EXPECT_EQ(ReadFile(strOut + "/Movie/movie.nfo"), "notes\n");
}

TEST_F(UnzDllNameCheckTest, MatchingNamesGiveNoWarning) {
    UnzRun run;
    run.strArchive = Write({});
    EXPECT_EQ(run.Exec(), UNZ_OK);
    EXPECT_TRUE(run.Texts(UNZ_MSG_WARNING).empty());
    EXPECT_EQ(ListTree(strOut), (std::vector<std::string>{"Movie", "Movie/movie.mkv", "Movie/movie.nfo"}));
}

}  // namespace
