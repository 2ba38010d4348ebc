// harvex-batch as a program: options, exit status, the JSON document, passwords
// without a terminal.

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include "DriverHarness.h"
#include "ZipFiles.h"
#include "tests/fixtures/CRarWriter.h"
#include "tests/fixtures/CTempDir.h"
#include "tests/fixtures/TestFiles.h"

namespace {

struct CBatchRun {
    int nExitCode = -1;
    std::string strOut;
    std::string strErr;
};

CBatchRun RunBatch(const std::vector<std::string>& arrArgs, const std::string& strRegistry) {
    QProcess process;
    QStringList args;
    for (const std::string& strArg : arrArgs)
        args << QString::fromStdString(strArg);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HARVEX_REGISTRY_DIR", QString::fromStdString(strRegistry));
    process.setProcessEnvironment(env);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(QString(HARVEX_BIN_DIR) + "/harvex-batch", args);
    CBatchRun run;
    if (!process.waitForFinished(120000))
        return run;
    run.nExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.strOut = process.readAllStandardOutput().toStdString();
    run.strErr = process.readAllStandardError().toStdString();
    return run;
}

QJsonObject FirstItem(const std::string& strJson) {
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(strJson));
    return doc.object()["items"].toArray().at(0).toObject();
}

}  // namespace

TEST(BatchProgramTest, HelpAndBadUsage) {
    CTempDir tmp("batch-usage");
    const CBatchRun help = RunBatch({"--help"}, tmp.Path());
    EXPECT_EQ(help.nExitCode, 0);
    EXPECT_NE(help.strOut.find("--keep-subs-folder"), std::string::npos);
    const CBatchRun bad = RunBatch({"--frobnicate", "x"}, tmp.Path());
    EXPECT_EQ(bad.nExitCode, 2);
    EXPECT_NE(bad.strErr.find("unknown option --frobnicate"), std::string::npos);
    EXPECT_EQ(RunBatch({}, tmp.Path()).nExitCode, 2);
}

TEST(BatchProgramTest, JsonDocumentDescribesACompletedRelease) {
    REQUIRE_TOOLS();
    CTempDir tmp("batch-json");
    const std::string strRel = tmp.MakeDir("Rel");
    CRarOptions options;
    options.nVolumeSize = 8 * 1024;
    CRarWriter writer(options);
    writer.AddFile("movie.mkv", testfiles::RandomBytes(30000, 2));
    ASSERT_TRUE(writer.Write(strRel + "/movie.rar").bOk);
    testfiles::WriteFile(strRel + "/movie.nfo", "nfo");
    const std::string strOut = tmp.MakeDir("Out");
    const CBatchRun run =
        RunBatch({"--json", "--keep-nfo", "--clean-up", "--no-keep-folder", "--output", strOut, strRel},
                 tmp.MakeDir("registry"));
    EXPECT_EQ(run.nExitCode, 0) << run.strOut << run.strErr;
    const QJsonObject item = FirstItem(run.strOut);
    EXPECT_EQ(item["path"].toString().toStdString(), strRel);
    EXPECT_EQ(item["type"].toString(), "folder");
    EXPECT_EQ(item["strStatus"].toString(), "Completed OK");
    EXPECT_TRUE(item["strResult"].toString().startsWith("OK ("));
    EXPECT_EQ(item["outputFolder"].toString().toStdString(), strOut);
    EXPECT_EQ(item["arrNewFiles"].toArray().at(0).toString().toStdString(), strOut + "/movie.mkv");
    EXPECT_TRUE(item["arrErrors"].toArray().isEmpty());
    EXPECT_EQ(testfiles::ReadFile(strOut + "/movie.nfo"), "nfo");
    EXPECT_FALSE(testfiles::Exists(strRel));
}

TEST(BatchProgramTest, PasswordNeededWithoutATerminalIsNeverPromptedAndFails) {
    REQUIRE_TOOLS();
    CTempDir tmp("batch-pw");
    const std::string strZip = tmp.Sub("secret.zip");
    ASSERT_TRUE(WriteZip(strZip, {{"s.txt", "secret"}}, "letmein"));
    const std::string strOut = tmp.MakeDir("Out");
    const CBatchRun run = RunBatch({"--json", "--output", strOut, strZip}, tmp.MakeDir("registry"));
    EXPECT_EQ(run.nExitCode, 1);
    EXPECT_EQ(run.strErr.find("Password"), std::string::npos) << run.strErr;
    const QJsonObject item = FirstItem(run.strOut);
    EXPECT_EQ(item["strStatus"].toString(), "-Double click-");
    EXPECT_EQ(item["arrErrors"].toArray().at(0).toString().toStdString(),
              "Skipped password protected file  secret.zip\r\n");
    const CBatchRun withPassword =
        RunBatch({"--password", "letmein", "--output", strOut, strZip}, tmp.Sub("registry"));
    EXPECT_EQ(withPassword.nExitCode, 0) << withPassword.strOut;
    EXPECT_EQ(testfiles::ReadFile(strOut + "/s.txt"), "secret");
    EXPECT_NE(withPassword.strOut.find("secret.zip: OK ("), std::string::npos) << withPassword.strOut;
}

TEST(BatchProgramTest, ReportsOfItemsThatDidNotCompleteAreShown) {
    CTempDir tmp("batch-report");
    const std::string strRel = tmp.MakeDir("Rel");
    testfiles::WriteFile(strRel + "/notes.txt", "x");
    const CBatchRun run =
        RunBatch({"--output-to-input", strRel, tmp.Sub("missing")}, tmp.MakeDir("registry"));
    EXPECT_EQ(run.nExitCode, 1);
    EXPECT_NE(run.strOut.find("Rel: Nothing to extract"), std::string::npos) << run.strOut;
    EXPECT_NE(run.strErr.find("missing: no such file or folder"), std::string::npos) << run.strErr;
}
