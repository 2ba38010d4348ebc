// harvex-batch starts as the program does: the companions from the store's "Directory"
// value (else beside itself), refusal with the missing files named, the items through
// the program's own adding routine, --output created with its parents, --version.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <cstdlib>

#include "DriverHarness.h"
#include "ZipFiles.h"
#include "platform/Version.h"
#include "platform/registry/Registry.h"
#include "tests/fixtures/CRarWriter.h"
#include "tests/fixtures/CTempDir.h"
#include "tests/fixtures/TestFiles.h"

namespace {

struct CStartupRun {
    int nExitCode = -1;
    std::string strOut;
    std::string strErr;
};

// harvex-batch from the build folder with its own store; strPath replaces PATH when set.
CStartupRun RunBatch(const std::vector<std::string>& arrArgs, const std::string& strRegistry,
                     const std::string& strPath = std::string()) {
    QProcess process;
    QStringList args;
    for (const std::string& strArg : arrArgs)
        args << QString::fromStdString(strArg);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HARVEX_REGISTRY_DIR", QString::fromStdString(strRegistry));
    if (!strPath.empty())
        env.insert("PATH", QString::fromStdString(strPath));
    process.setProcessEnvironment(env);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(QString(HARVEX_BIN_DIR) + "/harvex-batch", args);
    CStartupRun run;
    if (!process.waitForFinished(120000))
        return run;
    run.nExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.strOut = process.readAllStandardOutput().toStdString();
    run.strErr = process.readAllStandardError().toStdString();
    return run;
}

// Writes the "Directory" value into the store at strRegistry, as an installer would.
void WriteDirectorySetting(const std::string& strRegistry, const std::string& strDirectory) {
    const char* pszOld = std::getenv("HARVEX_REGISTRY_DIR");
    const std::string strOld = pszOld ? pszOld : "";
    ::setenv("HARVEX_REGISTRY_DIR", strRegistry.c_str(), 1);
    HKEY key = 0;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Morvane\\Harvex", KEY_READ | KEY_WRITE, &key),
              ERROR_SUCCESS);
    EXPECT_EQ(
        RegSetValueEx(key, "Directory", REG_SZ, reinterpret_cast<const std::uint8_t*>(strDirectory.c_str()),
                      static_cast<std::uint32_t>(strDirectory.size() + 1)),
        ERROR_SUCCESS);
    RegFlushKey(key);
    RegCloseKey(key);
    if (pszOld)
        ::setenv("HARVEX_REGISTRY_DIR", strOld.c_str(), 1);
    else
        ::unsetenv("HARVEX_REGISTRY_DIR");
}

QJsonArray Items(const std::string& strJson) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(strJson)).object()["items"].toArray();
}

}  // namespace

TEST(BatchStartupTest, VersionPrintsTheProgramsVersion) {
    CTempDir tmp("batch-version");
    const CStartupRun run = RunBatch({"--version"}, tmp.Path());
    EXPECT_EQ(run.nExitCode, 0);
    EXPECT_EQ(run.strOut, std::string(HARVEX_VERSION_TEXT) + "\n");
    EXPECT_EQ(run.strOut, "1.4.3.2\n");
}

TEST(BatchStartupTest, MissingCompanionsAreNamedAndNothingIsProcessed) {
    REQUIRE_TOOLS();
    CTempDir tmp("batch-missing");
    const std::string strInstall = tmp.MakeDir("install");
    const std::string strRegistry = tmp.MakeDir("registry");
    WriteDirectorySetting(strRegistry, strInstall);
    const std::string strZip = tmp.Sub("a.zip");
    ASSERT_TRUE(WriteZip(strZip, {{"a.txt", "alpha"}}));
    const std::string strOut = tmp.Sub("new/out");
    // No unrar on PATH either: the installation folder has none, so none is taken.
    const CStartupRun run = RunBatch({"--output", strOut, strZip}, strRegistry, tmp.MakeDir("emptybin"));
    EXPECT_EQ(run.nExitCode, 1);
    EXPECT_NE(run.strErr.find(strInstall + "/unrar\n"), std::string::npos) << run.strErr;
    EXPECT_NE(run.strErr.find(strInstall + "/libunzdll.so\n"), std::string::npos) << run.strErr;
    EXPECT_TRUE(run.strOut.empty()) << run.strOut;
    EXPECT_FALSE(testfiles::Exists(tmp.Sub("new")));
    EXPECT_TRUE(testfiles::Exists(strZip));
}

TEST(BatchStartupTest, OnlyTheMissingCompanionIsNamed) {
    REQUIRE_TOOLS();
    CTempDir tmp("batch-missing-one");
    const std::string strInstall = tmp.MakeDir("install");
    ASSERT_EQ(::symlink(HARVEX_BIN_DIR "/unrar", (strInstall + "/unrar").c_str()), 0);
    const std::string strRegistry = tmp.MakeDir("registry");
    WriteDirectorySetting(strRegistry, strInstall);
    const CStartupRun run = RunBatch({tmp.Path()}, strRegistry, tmp.MakeDir("emptybin"));
    EXPECT_EQ(run.nExitCode, 1);
    EXPECT_NE(run.strErr.find(strInstall + "/libunzdll.so\n"), std::string::npos) << run.strErr;
    EXPECT_EQ(run.strErr.find("/unrar\n"), std::string::npos) << run.strErr;
}

TEST(BatchStartupTest, CompanionsComeFromTheDirectorySetting) {
    REQUIRE_TOOLS();
    CTempDir tmp("batch-directory");
    // An unrar in the installation folder that notes each start, then runs ours.
    const std::string strInstall = tmp.MakeDir("install");
    const std::string strMarker = tmp.Sub("unrar-runs.txt");
    ASSERT_TRUE(testfiles::WriteFile(
        strInstall + "/unrar",
        "#!/bin/sh\necho run >> '" + strMarker + "'\nexec '" + HARVEX_BIN_DIR "/unrar' \"$@\"\n"));
    ASSERT_EQ(::chmod((strInstall + "/unrar").c_str(), 0755), 0);
    ASSERT_EQ(::symlink(HARVEX_BIN_DIR "/libunzdll.so", (strInstall + "/libunzdll.so").c_str()), 0);
    const std::string strRegistry = tmp.MakeDir("registry");
    WriteDirectorySetting(strRegistry, strInstall);

    const std::string strRel = tmp.MakeDir("Rel");
    CRarWriter writer;
    writer.AddFile("movie.mkv", testfiles::RandomBytes(5000, 3));
    ASSERT_TRUE(writer.Write(strRel + "/movie.rar").bOk);
    const std::string strOut = tmp.MakeDir("Out");
    const CStartupRun run = RunBatch({"--no-keep-folder", "--output", strOut, strRel}, strRegistry);
    EXPECT_EQ(run.nExitCode, 0) << run.strOut << run.strErr;
    EXPECT_EQ(testfiles::ReadFile(strMarker), "run\n");
    EXPECT_EQ(testfiles::ReadFile(strOut + "/movie.mkv"), testfiles::RandomBytes(5000, 3));
}

TEST(BatchStartupTest, OutputFolderIsCreatedWithItsParents) {
    REQUIRE_TOOLS();
    CTempDir tmp("batch-mkdir");
    const std::string strZip = tmp.Sub("a.zip");
    ASSERT_TRUE(WriteZip(strZip, {{"a.txt", "alpha"}}));
    const std::string strOut = tmp.Sub("deep/er/out");
    const CStartupRun run = RunBatch({"--json", "--output", strOut, strZip}, tmp.MakeDir("registry"));
    EXPECT_EQ(run.nExitCode, 0) << run.strOut << run.strErr;
    EXPECT_EQ(testfiles::ReadFile(strOut + "/a.txt"), "alpha");
    EXPECT_EQ(Items(run.strOut).at(0).toObject()["outputFolder"].toString().toStdString(), strOut);
}

TEST(BatchStartupTest, TestRunCreatesNoOutputFolderAndAnUncreatableOneStopsTheRun) {
    REQUIRE_TOOLS();
    CTempDir tmp("batch-mkdir-no");
    const std::string strZip = tmp.Sub("a.zip");
    ASSERT_TRUE(WriteZip(strZip, {{"a.txt", "alpha"}}));
    const CStartupRun test =
        RunBatch({"--test", "--output", tmp.Sub("t/out"), strZip}, tmp.MakeDir("registry"));
    EXPECT_EQ(test.nExitCode, 0) << test.strOut << test.strErr;
    EXPECT_FALSE(testfiles::Exists(tmp.Sub("t")));
    // A file where a parent folder should be: nothing is processed.
    ASSERT_TRUE(testfiles::WriteFile(tmp.Sub("blocker"), "x"));
    const CStartupRun blocked =
        RunBatch({"--clean-up", "--output", tmp.Sub("blocker/out"), strZip}, tmp.Sub("registry"));
    EXPECT_EQ(blocked.nExitCode, 1);
    EXPECT_NE(blocked.strErr.find("cannot create the output folder " + tmp.Sub("blocker/out")),
              std::string::npos)
        << blocked.strErr;
    EXPECT_TRUE(testfiles::Exists(strZip));
}

TEST(BatchStartupTest, ItemsAreAddedAsTheProgramAddsThem) {
    REQUIRE_TOOLS();
    CTempDir tmp("batch-adder");
    const std::string strZip = tmp.Sub("a.zip");
    ASSERT_TRUE(WriteZip(strZip, {{"a.txt", "alpha"}}));
    ASSERT_TRUE(testfiles::WriteFile(tmp.Sub("notes.txt"), "x"));
    const std::string strOut = tmp.MakeDir("Out");
    // The same path twice in one hand-over goes in twice (only rows already listed
    // count as duplicates); a text file is refused with its reason.
    const CStartupRun run = RunBatch({"--json", "--output", strOut, strZip, tmp.Sub("notes.txt"), strZip},
                                     tmp.MakeDir("registry"));
    EXPECT_EQ(run.nExitCode, 1);
    const QJsonArray arrItems = Items(run.strOut);
    ASSERT_EQ(arrItems.size(), 2);
    for (const QJsonValue& item : arrItems) {
        EXPECT_EQ(item.toObject()["type"].toString(), "zip");
        EXPECT_EQ(item.toObject()["strStatus"].toString(), "Completed OK");
    }
    EXPECT_NE(run.strErr.find("notes.txt: neither a folder nor a RAR or ZIP file"), std::string::npos)
        << run.strErr;
}
