// The RAR and ZIP workers with the real console RAR program (build/bin/unrar) and the
// real unzip library (build/bin/libunzdll.so) on archives written by the fixture writers.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/CProcessLog.h"
#include "engine/CWorkLists.h"
#include "engine/PasswordStep.h"
#include "engine/Progress.h"
#include "engine/RarExtract.h"
#include "engine/UnzipExtract.h"
#include "tests/engine/ExtractTestSupport.h"
#include "tests/fixtures/CRarWriter.h"
#include "tests/fixtures/CTempDir.h"
#include "tests/fixtures/CZipWriter.h"
#include "tests/fixtures/TestFiles.h"

namespace {

const std::string UNRAR = std::string(HARVEX_BIN_DIR) + "/unrar";
const std::string UNZDLL = std::string(HARVEX_BIN_DIR) + "/libunzdll.so";

std::string Joined(const std::vector<std::string>& arrLines) {
    std::string strAll;
    for (const std::string& s : arrLines) {
        strAll += s;
    }
    return strAll;
}

// One item's driver state, the way the driver hands it to a worker.
struct CItemFixture {
    CItemFixture() : temp("extract-e2e") {
        state.pKillRequested = &bKill;
        state.pPasswordNeeded = &bPasswordNeeded;
        state.pProgress = &progress;
        state.pLog = &log;
        state.pWorkLists = &lists;
        state.pErrors = &arrErrors;
        strInput = temp.MakeDir("in");
        strOutput = temp.MakeDir("out");
    }

    // Puts every volume of a written set into the volume list and its first volume
    // (and, as a discovery quirk could, a later one) into the work list.
    void ListVolumes(const CRarResult& set) {
        for (const std::string& strVolume : set.arrWritten) {
            const std::size_t nSlash = strVolume.rfind('/');
            lists.arrRarFiles.push_back({strVolume.substr(nSlash + 1), strVolume.substr(0, nSlash + 1)});
            CFileInformation entry;
            entry.strPath = strVolume;
            entry.strFolder = strVolume.substr(0, nSlash + 1);
            entry.bRar = 1;
            lists.arrWork.push_back(entry);
        }
        progress.nArchiveCount = static_cast<int>(set.arrWritten.size());
    }

    CRarJob RarJob(const std::string& strArchive) const {
        CRarJob job;
        job.strUnrarExe = UNRAR;
        job.strArchive = strArchive;
        job.strDestination = strOutput;
        job.strInputPath = strInput;
        job.bFolderItem = true;
        return job;
    }

    CZipJob ZipJob(const std::string& strArchive) const {
        CZipJob job;
        job.strArchive = strArchive;
        job.strOutputFolder = strOutput;
        job.strInputPath = strInput;
        return job;
    }

    CTempDir temp;
    std::string strInput;
    std::string strOutput;
    std::atomic<int> bKill{0};
    std::atomic<int> bPasswordNeeded{0};
    CProgress progress;
    CProcessLog log;
    CWorkLists lists;
    std::vector<std::string> arrErrors;
    CExtractState state;
};

CRarResult WriteSet(const std::string& strPath, ERarFormat eFormat, ERarNaming eNaming) {
    CRarOptions options;
    options.eFormat = eFormat;
    options.eNaming = eNaming;
    options.nVolumeSize = 40 * 1024;
    CRarWriter writer(options);
    writer.AddFile("Movie/movie.mkv", testfiles::RandomBytes(100000, 7));
    writer.AddFile("Movie/movie.nfo", "release notes\n");
    return writer.Write(strPath);
}

// The companions are built with everything else; a partial build (one target) may lack them.
#define REQUIRE_TOOL(path)                         \
    if (!testfiles::Exists(path)) {                \
        GTEST_SKIP() << (path) << " is not built"; \
    }

struct CWorkingFolder {
    CWorkingFolder() : nFd(open(".", O_PATH | O_DIRECTORY | O_CLOEXEC)) { stat(".", &before); }
    ~CWorkingFolder() {
        if (nFd >= 0) {
            (void)!fchdir(nFd);
            close(nFd);
        }
    }
    bool Unchanged() const {
        struct stat now {};
        return stat(".", &now) == 0 && now.st_dev == before.st_dev && now.st_ino == before.st_ino;
    }
    int nFd;
    struct stat before {};
};

}  // namespace

TEST(RarEndToEndTest, MultiVolumeSetsOfBothFormatsAndNamingsExtract) {
    REQUIRE_TOOL(UNRAR);
    for (ERarFormat eFormat : {ERarFormat::Rar5, ERarFormat::Rar4}) {
        for (ERarNaming eNaming : {ERarNaming::Part, ERarNaming::Old}) {
            CItemFixture f;
            const CRarResult set = WriteSet(f.strInput + "/set.rar", eFormat, eNaming);
            ASSERT_TRUE(set.bOk) << set.strError;
            ASSERT_GE(set.arrWritten.size(), 3u);
            f.ListVolumes(set);
            const CRarRunResult result = RunRarTool(f.RarJob(set.arrWritten[0]), f.state);
            EXPECT_EQ(result.nOutcome, EWorkerOutcome::FileDone);
            EXPECT_EQ(result.nExitCode, 0) << result.strOutput;
            EXPECT_TRUE(f.arrErrors.empty()) << Joined(f.arrErrors);
            EXPECT_EQ(testfiles::ReadFile(f.strOutput + "/Movie/movie.mkv"),
                      testfiles::RandomBytes(100000, 7));
            EXPECT_EQ(testfiles::ReadFile(f.strOutput + "/Movie/movie.nfo"), "release notes\n");
            EXPECT_EQ(f.progress.nArchivesDone, static_cast<int>(set.arrWritten.size())) << result.strOutput;
            EXPECT_EQ(f.lists.arrWork[0].bDone, 0);
            for (std::size_t i = 1; i < f.lists.arrWork.size(); ++i) {
                EXPECT_EQ(f.lists.arrWork[i].bDone, 1) << f.lists.arrWork[i].strPath;
            }
        }
    }
}

TEST(RarEndToEndTest, TestModeWritesNothing) {
    REQUIRE_TOOL(UNRAR);
    CItemFixture f;
    const CRarResult set = WriteSet(f.strInput + "/set.rar", ERarFormat::Rar5, ERarNaming::Part);
    ASSERT_TRUE(set.bOk) << set.strError;
    f.ListVolumes(set);
    CRarJob job = f.RarJob(set.arrWritten[0]);
    job.bTest = true;
    const CRarRunResult result = RunRarTool(job, f.state);
    EXPECT_EQ(result.nExitCode, 0) << result.strOutput;
    EXPECT_TRUE(f.arrErrors.empty()) << Joined(f.arrErrors);
    EXPECT_EQ(testfiles::ListTree(f.strOutput), "");
    EXPECT_NE(result.strOutput.find("Testing archive " + set.arrWritten[0]), std::string::npos);
}

TEST(RarEndToEndTest, SingleArchivePercentReachesTheEnd) {
    REQUIRE_TOOL(UNRAR);
    CItemFixture f;
    CRarWriter writer;
    writer.AddFile("a.bin", testfiles::RandomBytes(300000, 3));
    const CRarResult set = writer.Write(f.strInput + "/one.rar");
    ASSERT_TRUE(set.bOk) << set.strError;
    f.ListVolumes(set);
    f.progress.bSingleArchiveProgress = 1;
    CRarJob job = f.RarJob(set.arrWritten[0]);
    job.bFolderItem = false;
    const CRarRunResult result = RunRarTool(job, f.state);
    EXPECT_EQ(result.nExitCode, 0) << result.strOutput;
    EXPECT_EQ(f.log.Text(), "");
    EXPECT_NE(result.strOutput.find('%'), std::string::npos) << result.strOutput;
    EXPECT_EQ(f.progress.nProgressPercent, 100);
    EXPECT_EQ(testfiles::ReadFile(f.strOutput + "/a.bin"), testfiles::RandomBytes(300000, 3));
}

TEST(RarEndToEndTest, DamagedAndIncompleteSetsFailWithTheirLines) {
    REQUIRE_TOOL(UNRAR);
    struct {
        const char* pszName;
        void (*fnFault)(CRarOptions&, CRarWriter&);
    } arrCases[] = {
        {"bad crc", [](CRarOptions&, CRarWriter& w) { w.Entries()[0].bBadDataCrc = true; }},
        {"last volume missing", [](CRarOptions& o, CRarWriter&) { o.bOmitLastVolume = true; }},
        {"first volume missing", [](CRarOptions& o, CRarWriter&) { o.setOmit = {0}; }},
        {"truncated volume",
         [](CRarOptions& o, CRarWriter&) {
             o.mapTruncate = {{1, 5000}};
         }},
    };
    for (const auto& c : arrCases) {
        CItemFixture f;
        CRarOptions options;
        options.nVolumeSize = 40 * 1024;
        CRarWriter writer(options);
        writer.AddFile("Movie/movie.mkv", testfiles::RandomBytes(100000, 7));
        c.fnFault(writer.Options(), writer);
        const CRarResult set = writer.Write(f.strInput + "/set.rar");
        ASSERT_TRUE(set.bOk) << set.strError;
        f.ListVolumes(set);
        const CRarRunResult result = RunRarTool(f.RarJob(set.arrWritten[0]), f.state);
        EXPECT_EQ(result.nOutcome, EWorkerOutcome::FileDone) << c.pszName;
        EXPECT_NE(result.nExitCode, 0) << c.pszName << "\n" << result.strOutput;
        EXPECT_FALSE(f.arrErrors.empty()) << c.pszName << "\n" << result.strOutput;
    }
}

TEST(RarEndToEndTest, FullDiskIsAWriteError) {
    REQUIRE_TOOL(UNRAR);
    // A file-size limit stands in for a full disk (root ignores file modes, not limits).
    CItemFixture f;
    const CRarResult set = WriteSet(f.strInput + "/set.rar", ERarFormat::Rar5, ERarNaming::Part);
    ASSERT_TRUE(set.bOk) << set.strError;
    f.ListVolumes(set);
    CRarJob job = f.RarJob(set.arrWritten[0]);
    job.strUnrarExe =
        WriteToolScript(f.temp.Sub("limited-unrar"), "ulimit -f 20\nexec '" + UNRAR + "' \"$@\"");
    const CRarRunResult result = RunRarTool(job, f.state);
    EXPECT_EQ(result.nExitCode, 5) << result.strOutput;
    EXPECT_EQ(f.arrErrors, std::vector<std::string>{"Write to disk error.\r\n"});
}

TEST(RarEndToEndTest, MissingProgramFailsTheEntry) {
    CItemFixture f;
    const CRarResult set = WriteSet(f.strInput + "/set.rar", ERarFormat::Rar5, ERarNaming::Part);
    ASSERT_TRUE(set.bOk);
    f.ListVolumes(set);
    CRarJob job = f.RarJob(set.arrWritten[0]);
    job.strUnrarExe = f.temp.Sub("unrar-missing");
    RunRarTool(job, f.state);
    EXPECT_EQ(f.arrErrors,
              std::vector<std::string>{"Error creating process\r\nNo such file or directory\r\n\r\n"});
    EXPECT_EQ(testfiles::ListTree(f.strOutput), "");
}

TEST(ZipEndToEndTest, PlainZipExtractsAndTheCurrentFolderStays) {
    REQUIRE_TOOL(UNZDLL);
    CItemFixture f;
    CZipWriter writer;
    writer.AddFile("Movie/movie.nfo", "notes\n");
    writer.AddFile("Movie/movie.mkv", testfiles::RandomBytes(50000, 5));
    ASSERT_TRUE(writer.Write(f.strInput + "/a.zip").bOk);
    CUnzipContext context;
    ASSERT_TRUE(InitUnzip(context, UNZDLL)) << context.infoZip.strLastError;
    CWorkingFolder cwd;
    const CZipRunResult result = RunUnzip(f.ZipJob(f.strInput + "/a.zip"), context, f.state);
    EXPECT_TRUE(cwd.Unchanged());
    EXPECT_TRUE(result.bCalled);
    EXPECT_EQ(result.nLibraryResult, UNZ_OK);
    EXPECT_EQ(result.nOutcome, EWorkerOutcome::FileDone);
    EXPECT_TRUE(f.arrErrors.empty()) << Joined(f.arrErrors);
    EXPECT_EQ(testfiles::ReadFile(f.strOutput + "/Movie/movie.nfo"), "notes\n");
    EXPECT_EQ(testfiles::ReadFile(f.strOutput + "/Movie/movie.mkv"), testfiles::RandomBytes(50000, 5));
    EXPECT_NE(f.log.Text().find("\tUnzipped "), std::string::npos) << f.log.Text();
}

TEST(ZipEndToEndTest, TestModeNeedsNoOutputFolder) {
    REQUIRE_TOOL(UNZDLL);
    CItemFixture f;
    CZipWriter writer;
    writer.AddFile("x.txt", "x");
    ASSERT_TRUE(writer.Write(f.strInput + "/a.zip").bOk);
    CUnzipContext context;
    ASSERT_TRUE(InitUnzip(context, UNZDLL));
    CZipJob job = f.ZipJob(f.strInput + "/a.zip");
    job.bTest = true;
    job.strOutputFolder = f.temp.Sub("never-made");
    CWorkingFolder cwd;
    const CZipRunResult result = RunUnzip(job, context, f.state);
    EXPECT_TRUE(cwd.Unchanged());
    EXPECT_EQ(result.nLibraryResult, UNZ_OK);
    EXPECT_TRUE(f.arrErrors.empty()) << Joined(f.arrErrors);
    EXPECT_FALSE(testfiles::Exists(job.strOutputFolder));
    EXPECT_NE(f.log.Text().find("\tTested "), std::string::npos) << f.log.Text();
}

TEST(ZipEndToEndTest, MissingOutputFolderStopsBeforeTheLibrary) {
    REQUIRE_TOOL(UNZDLL);
    CItemFixture f;
    CZipWriter writer;
    writer.AddFile("x.txt", "x");
    ASSERT_TRUE(writer.Write(f.strInput + "/a.zip").bOk);
    CUnzipContext context;
    ASSERT_TRUE(InitUnzip(context, UNZDLL));
    CZipJob job = f.ZipJob(f.strInput + "/a.zip");
    job.strOutputFolder = f.temp.Sub("gone");
    const std::string strHere = f.temp.MakeDir("here");
    ASSERT_EQ(chdir(strHere.c_str()), 0);
    const CZipRunResult result = RunUnzip(job, context, f.state);
    EXPECT_FALSE(result.bCalled);
    EXPECT_EQ(f.arrErrors, std::vector<std::string>{"a.zip:  Cannot use the output folder " +
                                                    job.strOutputFolder + ": No such file or directory\r\n"});
    EXPECT_EQ(testfiles::ListTree(strHere), "");
    ASSERT_EQ(chdir("/"), 0);
}

TEST(ZipEndToEndTest, DeepCurrentFolderIsRestored) {
    REQUIRE_TOOL(UNZDLL);
    CItemFixture f;
    CZipWriter writer;
    writer.AddFile("x.txt", "x");
    ASSERT_TRUE(writer.Write(f.strInput + "/a.zip").bOk);
    CUnzipContext context;
    ASSERT_TRUE(InitUnzip(context, UNZDLL));
    // A current folder whose path is longer than PATH_MAX.
    ASSERT_EQ(chdir(f.temp.Path().c_str()), 0);
    const std::string strLevel(200, 'd');
    for (int i = 0; i < 25; ++i) {
        ASSERT_EQ(mkdir(strLevel.c_str(), 0755), 0);
        ASSERT_EQ(chdir(strLevel.c_str()), 0);
    }
    CWorkingFolder cwd;
    const CZipRunResult result = RunUnzip(f.ZipJob(f.strInput + "/a.zip"), context, f.state);
    EXPECT_TRUE(cwd.Unchanged());
    EXPECT_EQ(result.nLibraryResult, UNZ_OK);
    EXPECT_TRUE(f.arrErrors.empty()) << Joined(f.arrErrors);
    EXPECT_EQ(testfiles::ReadFile(f.strOutput + "/x.txt"), "x");
    ASSERT_EQ(chdir("/"), 0);
}

TEST(ZipEndToEndTest, DefaultPasswordOpensWithoutAsking) {
    REQUIRE_TOOL(UNZDLL);
    CItemFixture f;
    CZipWriter writer;
    writer.SetPassword(UNZ_DEFAULT_PASSWORD, EZipCrypt::Aes256);
    writer.AddFile("s.txt", "secret");
    ASSERT_TRUE(writer.Write(f.strInput + "/a.zip").bOk);
    CUnzipContext context;
    ASSERT_TRUE(InitUnzip(context, UNZDLL));
    const CZipRunResult result = RunUnzip(f.ZipJob(f.strInput + "/a.zip"), context, f.state);
    EXPECT_EQ(result.nOutcome, EWorkerOutcome::FileDone);
    EXPECT_EQ(f.bPasswordNeeded, 0);
    EXPECT_EQ(testfiles::ReadFile(f.strOutput + "/s.txt"), "secret");
}

TEST(ZipEndToEndTest, OtherPasswordAsksThenRunsAgainOrReportsTheWrongOne) {
    REQUIRE_TOOL(UNZDLL);
    for (const std::string& strTyped : {std::string("right"), std::string("wrong")}) {
        CItemFixture f;
        CZipWriter writer;
        writer.SetPassword("right", EZipCrypt::ZipCrypto);
        writer.AddFile("s.txt", "secret");
        ASSERT_TRUE(writer.Write(f.strInput + "/a.zip").bOk);
        CUnzipContext context;
        ASSERT_TRUE(InitUnzip(context, UNZDLL));
        CZipJob job = f.ZipJob(f.strInput + "/a.zip");
        EXPECT_EQ(RunUnzip(job, context, f.state).nOutcome, EWorkerOutcome::PasswordNeeded);
        EXPECT_TRUE(f.arrErrors.empty()) << Joined(f.arrErrors);

        // The person types a password; the entry runs again with it.
        class CTyped : public CPasswordPrompt {
        public:
            explicit CTyped(std::string s) : strText(std::move(s)) {}
            bool AskPassword(const std::string&, std::string& strPassword) override {
                strPassword = strText;
                return true;
            }
            std::string strText;
        } prompt(strTyped);
        int nAsked = 0;
        CPasswordStepState step;
        step.pPasswordAsked = &nAsked;
        step.pPassword = &job.strPassword;
        step.pErrors = &f.arrErrors;
        step.pPrompt = &prompt;
        step.strArchive = job.strArchive;
        step.strInputPath = f.strInput;
        ASSERT_EQ(DecidePassword(step), EPasswordDecision::RunAgain);
        f.bPasswordNeeded = 0;
        const CZipRunResult second = RunUnzip(job, context, f.state);
        if (strTyped == "right") {
            EXPECT_EQ(second.nOutcome, EWorkerOutcome::FileDone);
            EXPECT_TRUE(f.arrErrors.empty()) << Joined(f.arrErrors);
            EXPECT_EQ(testfiles::ReadFile(f.strOutput + "/s.txt"), "secret");
        } else {
            EXPECT_EQ(second.nOutcome, EWorkerOutcome::PasswordNeeded);
            EXPECT_EQ(DecidePassword(step), EPasswordDecision::FileDone);
            EXPECT_EQ(f.arrErrors, std::vector<std::string>{"a.zip:  Wrong password\r\n"});
            EXPECT_FALSE(testfiles::Exists(f.strOutput + "/s.txt"));
        }
    }
}

TEST(ZipEndToEndTest, NoCentralDirectoryGivesTheFatalErrorLines) {
    REQUIRE_TOOL(UNZDLL);
    CItemFixture f;
    ASSERT_TRUE(CZipWriter::WriteNotAZip(f.strInput + "/a.zip", ENotAZip::LocalHeader));
    CUnzipContext context;
    ASSERT_TRUE(InitUnzip(context, UNZDLL));
    const CZipRunResult result = RunUnzip(f.ZipJob(f.strInput + "/a.zip"), context, f.state);
    EXPECT_EQ(result.nLibraryResult, UNZ_ERR_NOCENTRAL);
    EXPECT_EQ(f.arrErrors,
              (std::vector<std::string>{"a.zip:  Fatal error, central dir signature not found\r\n",
                                        "a.zip: Fatal Error: central dir signature not found\r\n"}));
}

TEST(ZipEndToEndTest, KillStopsTheLibraryAndRestoresTheCurrentFolder) {
    REQUIRE_TOOL(UNZDLL);
    CItemFixture f;
    CZipWriter writer;
    writer.AddZeroFile("big.bin", 64 * 1024 * 1024);
    ASSERT_TRUE(writer.Write(f.strInput + "/a.zip").bOk);
    CUnzipContext context;
    ASSERT_TRUE(InitUnzip(context, UNZDLL));
    f.bKill = 1;
    CWorkingFolder cwd;
    const CZipRunResult result = RunUnzip(f.ZipJob(f.strInput + "/a.zip"), context, f.state);
    EXPECT_TRUE(cwd.Unchanged());
    EXPECT_EQ(result.nOutcome, EWorkerOutcome::Killed);
    EXPECT_EQ(result.nLibraryResult, UNZ_ERR_KILLED);
    EXPECT_FALSE(testfiles::Exists(f.strOutput + "/big.bin"));
}
