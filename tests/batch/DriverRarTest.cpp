// The driver end to end on RAR sets: the real console RAR program as a child
// process, release folders written by the fixture writers.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include "DriverHarness.h"
#include "tests/fixtures/CRarWriter.h"
#include "tests/fixtures/CTempDir.h"
#include "tests/fixtures/TestFiles.h"

using testfiles::Exists;
using testfiles::ReadFile;

namespace {

// Writes a stored set of three or more volumes holding movie.mkv (and readme.txt).
CRarResult WriteSet(const std::string& strPath, ERarFormat eFormat, ERarNaming eNaming,
                    const std::string& strMovie, const std::function<void(CRarOptions&)>& fnFault = {}) {
    CRarOptions options;
    options.eFormat = eFormat;
    options.eNaming = eNaming;
    options.nVolumeSize = 16 * 1024;
    if (fnFault)
        fnFault(options);
    CRarWriter writer(options);
    writer.AddFile("movie.mkv", strMovie);
    writer.AddFile("readme.txt", "read me\n");
    return writer.Write(strPath);
}

std::string Movie() {
    return testfiles::RandomBytes(50 * 1024, 7);
}

}  // namespace

struct CSetCase {
    ERarFormat eFormat;
    ERarNaming eNaming;
    const char* pszName;
};

class DriverRarSetTest : public ::testing::TestWithParam<CSetCase> {};

TEST_P(DriverRarSetTest, ExtractsTheWholeSetIntoTheOutputFolder) {
    REQUIRE_TOOLS();
    CTempDir tmp("drv-set");
    const std::string strRel = tmp.MakeDir("Movie.2024");
    const std::string strMovie = Movie();
    const CRarResult set = WriteSet(strRel + "/movie.rar", GetParam().eFormat, GetParam().eNaming, strMovie);
    ASSERT_TRUE(set.bOk) << set.strError;
    ASSERT_GE(set.arrVolumes.size(), 3u);
    const std::string strOut = tmp.MakeDir("Out");

    CDriverHarness h;
    h.Add(strRel, strOut);
    ASSERT_TRUE(h.Run());
    EXPECT_EQ(h.Item(0).strStatus, "Completed OK") << h.Errors(0);
    EXPECT_EQ(h.Result(0).rfind("OK (", 0), 0u);
    EXPECT_EQ(ReadFile(strOut + "/movie.mkv"), strMovie);
    EXPECT_EQ(ReadFile(strOut + "/readme.txt"), "read me\n");
    // The volumes after the first are read by the first run: each is handled once.
    EXPECT_EQ(h.Item(0).arrNewFiles, std::vector<std::string>{strOut + "/movie.mkv"});
    for (const std::string& strVolume : set.arrVolumes)
        EXPECT_TRUE(Exists(strVolume));
}

INSTANTIATE_TEST_SUITE_P(FormatsAndNamings, DriverRarSetTest,
                         ::testing::Values(CSetCase{ERarFormat::Rar5, ERarNaming::Part, "Rar5Part"},
                                           CSetCase{ERarFormat::Rar5, ERarNaming::Old, "Rar5Old"},
                                           CSetCase{ERarFormat::Rar4, ERarNaming::Part, "Rar4Part"},
                                           CSetCase{ERarFormat::Rar4, ERarNaming::Old, "Rar4Old"}),
                         [](const ::testing::TestParamInfo<CSetCase>& info) {
                             return std::string(info.param.pszName);
                         });

TEST(DriverRarTest, SingleRarItemStandsForItsWholeSet) {
    REQUIRE_TOOLS();
    CTempDir tmp("drv-rar-item");
    const std::string strMovie = Movie();
    const CRarResult set = WriteSet(tmp.Sub("movie.rar"), ERarFormat::Rar5, ERarNaming::Part, strMovie);
    ASSERT_TRUE(set.bOk);
    const std::string strOut = tmp.MakeDir("Out");
    CDriverHarness h;
    h.Add(set.arrVolumes[1], strOut);  // any volume stands for the set
    ASSERT_TRUE(h.Run());
    EXPECT_EQ(h.Item(0).strStatus, "Completed OK") << h.Errors(0);
    EXPECT_EQ(ReadFile(strOut + "/movie.mkv"), strMovie);
}

TEST(DriverRarTest, SetWithoutItsFirstVolumeFailsAndIsNotCleanedUp) {
    REQUIRE_TOOLS();
    CTempDir tmp("drv-nofirst");
    const std::string strRel = tmp.MakeDir("Rel");
    const CRarResult set = WriteSet(strRel + "/movie.rar", ERarFormat::Rar5, ERarNaming::Part, Movie(),
                                    [](CRarOptions& o) { o.setOmit = {0}; });
    ASSERT_TRUE(set.bOk);
    CDriverHarness h;
    CMainOptions options = h.options;
    options.bCleanUp = 1;
    h.SetOptions(options);
    h.Add(strRel, tmp.MakeDir("Out"));
    ASSERT_TRUE(h.Run());
    EXPECT_EQ(h.Item(0).strStatus, "-Double click-");
    EXPECT_EQ(h.Result(0), "Failed");
    EXPECT_FALSE(h.Item(0).arrErrors.empty());
    for (std::size_t i = 1; i < set.arrVolumes.size(); ++i)
        EXPECT_TRUE(Exists(set.arrVolumes[i])) << set.arrVolumes[i];
}

TEST(DriverRarTest, CorruptVolumeFailsWithAnErrorLineAndKeepsTheArchives) {
    REQUIRE_TOOLS();
    CTempDir tmp("drv-corrupt");
    const std::string strRel = tmp.MakeDir("Rel");
    CRarOptions options;
    options.nVolumeSize = 16 * 1024;
    CRarWriter writer(options);
    writer.AddFile("movie.mkv", Movie()).nFlipByteAt = 20000;
    const CRarResult set = writer.Write(strRel + "/movie.rar");
    ASSERT_TRUE(set.bOk);
    CDriverHarness h;
    CMainOptions main = h.options;
    main.bCleanUp = 1;
    h.SetOptions(main);
    h.Add(strRel, tmp.MakeDir("Out"));
    ASSERT_TRUE(h.Run());
    EXPECT_EQ(h.Result(0), "Failed");
    EXPECT_NE(h.Errors(0).find("CRC"), std::string::npos) << h.Errors(0);
    for (const std::string& strVolume : set.arrVolumes)
        EXPECT_TRUE(Exists(strVolume));
}

TEST(DriverRarTest, TruncatedSetFails) {
    REQUIRE_TOOLS();
    CTempDir tmp("drv-trunc");
    const std::string strRel = tmp.MakeDir("Rel");
    const CRarResult set = WriteSet(strRel + "/movie.rar", ERarFormat::Rar4, ERarNaming::Old, Movie(),
                                    [](CRarOptions& o) { o.bOmitLastVolume = true; });
    ASSERT_TRUE(set.bOk);
    CDriverHarness h;
    h.Add(strRel, tmp.MakeDir("Out"));
    ASSERT_TRUE(h.Run());
    EXPECT_EQ(h.Result(0), "Failed");
    EXPECT_FALSE(h.Item(0).arrErrors.empty());
}

TEST(DriverRarTest, TestModeWritesNothingAndCompletes) {
    REQUIRE_TOOLS();
    CTempDir tmp("drv-test");
    const std::string strRel = tmp.MakeDir("Rel");
    ASSERT_TRUE(WriteSet(strRel + "/movie.rar", ERarFormat::Rar5, ERarNaming::Part, Movie()).bOk);
    testfiles::WriteFile(strRel + "/movie.nfo", "nfo");
    CDriverHarness h;
    CMainOptions main = h.options;
    main.bTest = 1;
    main.bCleanUp = 1;
    main.bNfo = 1;
    h.SetOptions(main);
    const std::string strOut = tmp.Sub("Out");
    h.Add(strRel, strOut);
    ASSERT_TRUE(h.Run());
    EXPECT_EQ(h.Item(0).strStatus, "Completed OK") << h.Errors(0);
    EXPECT_FALSE(Exists(strOut));
    EXPECT_FALSE(Exists(strRel + "/movie.mkv"));
    EXPECT_TRUE(Exists(strRel + "/movie.part1.rar"));
    EXPECT_TRUE(h.Item(0).arrCleanUp.empty());
}

TEST(DriverRarTest, UnstartableProgramFailsTheItemAndNothingIsCleanedUp) {
    REQUIRE_TOOLS();
    CTempDir tmp("drv-nostart");
    const std::string strRel = tmp.MakeDir("Rel");
    const CRarResult set = WriteSet(strRel + "/movie.rar", ERarFormat::Rar5, ERarNaming::Part, Movie());
    ASSERT_TRUE(set.bOk);
    // Not a program: a text file with the execute bit.
    const std::string strFake = tmp.Sub("unrar");
    testfiles::WriteFile(strFake, "not a program\n");
    chmod(strFake.c_str(), 0755);
    for (const std::string& strTool : {tmp.Sub("missing-unrar"), strFake}) {
        CDriverHarness h;
        CMainOptions main = h.options;
        main.bCleanUp = 1;
        h.SetOptions(main);
        h.driver.strUnrarExe = strTool;
        h.Add(strRel, tmp.MakeDir("Out"));
        ASSERT_TRUE(h.Run());
        EXPECT_EQ(h.Result(0), "Failed") << strTool;
        EXPECT_NE(h.Errors(0).find("Error creating process"), std::string::npos) << h.Errors(0);
        for (const std::string& strVolume : set.arrVolumes)
            EXPECT_TRUE(Exists(strVolume));
    }
}

TEST(DriverRarTest, FullDiskFailsTheItemAndKeepsTheArchives) {
    REQUIRE_TOOLS();
    CTempDir tmp("drv-full");
    const std::string strRel = tmp.MakeDir("Rel");
    const CRarResult set = WriteSet(strRel + "/movie.rar", ERarFormat::Rar5, ERarNaming::Part, Movie());
    ASSERT_TRUE(set.bOk);
    const std::string strOut = tmp.MakeDir("Out");
    CDriverHarness h;
    CMainOptions main = h.options;
    main.bCleanUp = 1;
    h.SetOptions(main);
    h.Add(strRel, strOut);
    // A file-size limit stands for a full disk: the child inherits it (as root too).
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit limit = old;
    limit.rlim_cur = 8 * 1024;
    setrlimit(RLIMIT_FSIZE, &limit);
    const bool bFinished = h.Run();
    setrlimit(RLIMIT_FSIZE, &old);
    ASSERT_TRUE(bFinished);
    EXPECT_EQ(h.Result(0), "Failed");
    EXPECT_FALSE(h.Item(0).arrErrors.empty());
    for (const std::string& strVolume : set.arrVolumes)
        EXPECT_TRUE(Exists(strVolume));
}

TEST(DriverRarTest, KillDuringARarRunEndsTheItemKilledWithoutCleanUp) {
    REQUIRE_TOOLS();
    CTempDir tmp("drv-kill");
    const std::string strRel = tmp.MakeDir("Rel");
    CRarOptions options;
    options.nVolumeSize = 4 * 1024 * 1024;
    CRarWriter writer(options);
    writer.AddFile("big.bin", testfiles::RandomBytes(48 * 1024 * 1024, 3));
    const CRarResult set = writer.Write(strRel + "/big.rar");
    ASSERT_TRUE(set.bOk);
    const std::string strSecond = tmp.MakeDir("Second");
    testfiles::WriteFile(strSecond + "/x.nfo", "nfo");
    CDriverHarness h;
    CMainOptions main = h.options;
    main.bCleanUp = 1;
    h.SetOptions(main);
    h.Add(strRel, tmp.MakeDir("Out"));
    h.Add(strSecond, tmp.MakeDir("Out2"));
    // Kill as soon as the program has opened the first volume.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (h.driver.log.Text().find("Extracting from") != std::string::npos ||
            h.driver.progress.nArchivesDone > 0) {
            h.driver.Kill();
            poll.stop();
        }
    });
    poll.start(5);
    ASSERT_TRUE(h.Run());
    EXPECT_EQ(h.Item(0).strStatus, "Process killed");
    EXPECT_EQ(h.Result(0), "Process killed");
    EXPECT_EQ(h.Item(1).strStatus, "");  // never ran, not marked
    EXPECT_EQ(h.driver.strStatusLine, " Processing aborted. Manual clean up may be required.");
    for (const std::string& strVolume : set.arrVolumes)
        EXPECT_TRUE(Exists(strVolume));
}
