#include <gtest/gtest.h>

#include <cstring>

#include "engine/CProcessLog.h"
#include "engine/UnzipExtract.h"
#include "tests/engine/ExtractTestSupport.h"

TEST(InfoZipTest, MissingLibraryIsReportedAndNothingRuns) {
    CInfoZip zip;
    EXPECT_FALSE(zip.Load("/nonexistent/libunzdll.so"));
    EXPECT_EQ(zip.nLastError, CInfoZip::LOAD_FAILED);
    EXPECT_NE(zip.strLastError.find("/nonexistent/libunzdll.so"), std::string::npos);
    EXPECT_FALSE(zip.IsLoaded());
    UnzDllParams params{};
    EXPECT_EQ(zip.Exec(params), CInfoZip::EXEC_NOT_LOADED);
    EXPECT_EQ(zip.GetVersion(), 0);
    EXPECT_EQ(zip.nLastError, CInfoZip::NOT_LOADED_ERROR);
    EXPECT_TRUE(zip.Unload());
}

TEST(InfoZipTest, LibraryWithoutTheEntryPointsIsNotLoaded) {
    CInfoZip zip;
    EXPECT_FALSE(zip.Load("libz.so.1"));
    EXPECT_EQ(zip.nLastError, CInfoZip::ENTRY_MISSING);
    EXPECT_EQ(zip.strLastError, "libz.so.1: GetUnzDllVersion is missing");
    EXPECT_FALSE(zip.IsLoaded());
}

TEST(InfoZipTest, DefaultsFillTheConstantFieldsAndTheDefaultPassword) {
    CInfoZip zip;
    UnzDllParams params;
    std::memset(&params, 0xAB, sizeof params);
    zip.FillDefaults(params);
    EXPECT_EQ(params.nReserved0, 0);
    EXPECT_EQ(params.pCaller, nullptr);
    EXPECT_EQ(params.nVersion, 0);
    EXPECT_EQ(params.nReserved16, 0);
    EXPECT_EQ(params.nReserved20, 0);
    EXPECT_STREQ(params.pszPassword, "tallowmeadpinefork");
    EXPECT_EQ(params.nTest, 0);
    EXPECT_EQ(params.nReserved32 + params.nReserved36 + params.nReserved40, 0);
    EXPECT_EQ(params.nReserved44, 1);
    EXPECT_EQ(params.nReserved48 + params.nReserved52, 0);
    EXPECT_EQ(params.nReserved56, 1);
    EXPECT_EQ(params.nReserved60, 1);
    EXPECT_EQ(params.nReserved64, 0);
    EXPECT_EQ(params.pszArchive, nullptr);
    EXPECT_EQ(params.nReserved72, 7);
}

TEST(UnzipRunTest, UnloadedLibraryFailsTheEntryWithAClearLine) {
    CUnzipContext context;
    EXPECT_FALSE(InitUnzip(context, "/nonexistent/libunzdll.so"));
    std::vector<std::string> arrErrors;
    CExtractState state;
    state.pErrors = &arrErrors;
    CZipJob job;
    job.strArchive = "/in/Sub/a.zip";
    job.strInputPath = "/in";
    job.strOutputFolder = "/tmp";
    const CZipRunResult result = RunUnzip(job, context, state);
    EXPECT_EQ(result.nOutcome, EWorkerOutcome::FileDone);
    EXPECT_FALSE(result.bCalled);
    ASSERT_EQ(arrErrors.size(), 1u);
    EXPECT_EQ(arrErrors[0].rfind("Sub/a.zip:  The unzip library is not loaded (", 0), 0u) << arrErrors[0];
    EXPECT_EQ(arrErrors[0].substr(arrErrors[0].size() - 2), "\r\n");
}

TEST(UnzipCallbackTest, MessagesBecomeLogAndErrorLines) {
    // The callback alone, fed the messages the library sends.
    CUnzipContext context;
    CProcessLog log;
    std::vector<std::string> arrErrors;
    std::atomic<int> bKill{0};
    CExtractState state;
    state.pErrors = &arrErrors;
    state.pLog = &log;
    state.pKillRequested = &bKill;
    CZipJob job;
    job.strArchive = "/in/a.zip";
    job.strInputPath = "/in";
    CUnzipRun probe;
    probe.pJob = &job;
    probe.pState = &state;
    probe.pErrors = &arrErrors;
    UnzDllMessage message{};
    message.nSize = sizeof message;
    message.pCaller = &probe;
    auto send = [&message](int nType, int nCode, const char* text) {
        message.nType = nType;
        message.nErrorCode = nCode;
        message.pszText = text;
        return OnUnzipMessage(&message);
    };
    EXPECT_EQ(send(UNZ_MSG_ENTRY, 0, "Unzipped movie.nfo"), 0);
    EXPECT_EQ(send(UNZ_MSG_PROGRESS, 0, ""), 0);
    EXPECT_EQ(send(UNZ_MSG_ERROR, UNZ_ERR_NOCENTRAL, UNZ_TEXT_NO_CENTRAL), 0);
    EXPECT_EQ(log.Text(), "\tUnzipped movie.nfo\r\n");
    EXPECT_EQ(arrErrors,
              (std::vector<std::string>{"a.zip:  Fatal error, central dir signature not found\r\n",
                                        "a.zip: Fatal Error: central dir signature not found\r\n"}));
    EXPECT_EQ(send(UNZ_MSG_ERROR, UNZ_ERR_PASSWORD, "x.mkv: skipping encrypted file, bad password"), 0);
    EXPECT_TRUE(probe.bPasswordNeeded);
    EXPECT_EQ(arrErrors.size(), 2u);
    bKill = 1;
    EXPECT_NE(send(UNZ_MSG_PROGRESS, 0, ""), 0);
    EXPECT_TRUE(probe.bKilled);
}
