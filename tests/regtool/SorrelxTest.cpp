// sorrelx as a program: run for real against a store in a temporary folder.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "platform/registry/Registry.h"
#include "regtool/CShellExtRegistration.h"
#include "tests/support/CTempRegistryDir.h"

namespace fs = std::filesystem;

namespace {

const std::string SERVER_KEY = "CLSID\\{36149D54-2BCC-4f99-8F57-F3F26F403048}\\InProcServer32";

struct CRun {
    int nExitCode = -1;
    std::string strOut;
    std::string strErr;
};

std::string Slurp(int fd) {
    std::string text;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<size_t>(n));
    return text;
}

CRun RunSorrelx(const std::vector<std::string>& arguments) {
    const std::string program = std::string(HARVEX_BIN_DIR) + "/sorrelx";
    int out[2], err[2];
    CRun run;
    if (::pipe(out) != 0 || ::pipe(err) != 0)
        return run;
    pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        ::close(out[0]);
        ::close(err[0]);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const auto& a : arguments)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    run.strOut = Slurp(out[0]);
    run.strErr = Slurp(err[0]);
    ::close(out[0]);
    ::close(err[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.nExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// Reads a REG_SZ of the classes hive with its stored size; false when missing.
bool ReadServerValue(const std::string& name, std::string& text, std::uint32_t& size) {
    HKEY key = 0;
    if (RegOpenKeyEx(HKEY_CLASSES_ROOT, SERVER_KEY, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    std::uint32_t type = 0;
    size = 0;
    bool ok = RegQueryValueEx(key, name, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_SZ;
    std::vector<std::uint8_t> bytes(size);
    ok = ok && RegQueryValueEx(key, name, &type, bytes.data(), &size) == ERROR_SUCCESS;
    RegCloseKey(key);
    if (ok)
        text.assign(bytes.begin(), bytes.end());
    return ok;
}

bool KeyExists(const std::string& path) {
    HKEY key = 0;
    if (RegOpenKeyEx(HKEY_CLASSES_ROOT, path, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void ExpectSilentSuccess(const CRun& run) {
    EXPECT_EQ(run.nExitCode, 0);
    EXPECT_EQ(run.strOut, "");
    EXPECT_EQ(run.strErr, "");
}

}  // namespace

TEST(SorrelxDecodingTest, UnderscoreIsABlankAndQuestionMarkAnUnderscore) {
    EXPECT_EQ(CShellExtRegistration::DecodeLibraryPath("C:\\Program_Files\\My?Tools\\ext.dll"),
              "C:\\Program Files\\My_Tools\\ext.dll");
    EXPECT_EQ(CShellExtRegistration::DecodeLibraryPath("/opt/a__b??c_?"), "/opt/a  b__c _");
    EXPECT_EQ(CShellExtRegistration::DecodeLibraryPath(""), "");
}

TEST(SorrelxTest, RegistersTheDecodedPathWithItsRealLengthAndApartment) {
    CTempRegistryDir dir;
    ExpectSilentSuccess(RunSorrelx({"/opt/Program_Files/My?Tools/libharvexfm.so"}));
    std::string text;
    std::uint32_t size = 0;
    ASSERT_TRUE(ReadServerValue("", text, size));
    const std::string expected = "/opt/Program Files/My_Tools/libharvexfm.so";
    EXPECT_EQ(size, expected.size() + 1);
    EXPECT_EQ(text, expected + std::string(1, '\0'));
    ASSERT_TRUE(ReadServerValue("ThreadingModel", text, size));
    EXPECT_EQ(text, std::string("Apartment") + '\0');
    EXPECT_NE(CTempRegistryDir::ReadText(dir.ClassesHive())
                  .find("[HKEY_CLASSES_ROOT\\CLSID\\{36149D54-2BCC-4f99-8F57-F3F26F403048}\\InProcServer32]\n"
                        "@=\"/opt/Program Files/My_Tools/libharvexfm.so\"\n"
                        "\"ThreadingModel\"=\"Apartment\"\n"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(dir.UserHive()));
}

TEST(SorrelxTest, WindowsStylePathKeepsItsBackslashes) {
    CTempRegistryDir dir;
    ExpectSilentSuccess(RunSorrelx({"C:\\Program_Files\\My?Tools\\ext.dll"}));
    std::string text;
    std::uint32_t size = 0;
    ASSERT_TRUE(ReadServerValue("", text, size));
    EXPECT_EQ(text, std::string("C:\\Program Files\\My_Tools\\ext.dll") + '\0');
    EXPECT_NE(CTempRegistryDir::ReadText(dir.ClassesHive())
                  .find("@=\"C:\\\\Program Files\\\\My_Tools\\\\ext.dll\""),
              std::string::npos);
}

TEST(SorrelxTest, RegisteringTwiceOverwritesBothValues) {
    CTempRegistryDir dir;
    ExpectSilentSuccess(RunSorrelx({"/first/long/path/lib.so"}));
    ExpectSilentSuccess(RunSorrelx({"/b.so"}));
    std::string text;
    std::uint32_t size = 0;
    ASSERT_TRUE(ReadServerValue("", text, size));
    EXPECT_EQ(text, std::string("/b.so") + '\0');
    EXPECT_EQ(size, 6u);
}

TEST(SorrelxTest, WithoutArgumentsRegistersAnEmptyPath) {
    CTempRegistryDir dir;
    ExpectSilentSuccess(RunSorrelx({}));
    std::string text;
    std::uint32_t size = 0;
    ASSERT_TRUE(ReadServerValue("", text, size));
    EXPECT_EQ(size, 1u);
}

TEST(SorrelxTest, UninstallRemovesTheRegistrationAndLeavesOtherClasses) {
    CTempRegistryDir dir;
    HKEY other = 0;
    ASSERT_EQ(
        RegCreateKeyEx(HKEY_CLASSES_ROOT, "CLSID\\{00000000-0000-0000-0000-000000000001}", KEY_WRITE, &other),
        ERROR_SUCCESS);
    RegCloseKey(other);
    ExpectSilentSuccess(RunSorrelx({"/x.so"}));
    ASSERT_TRUE(KeyExists(SERVER_KEY));
    ExpectSilentSuccess(RunSorrelx({"/x.so", "uninstall"}));
    EXPECT_FALSE(KeyExists(SERVER_KEY));
    EXPECT_FALSE(KeyExists("CLSID\\{36149D54-2BCC-4f99-8F57-F3F26F403048}"));
    EXPECT_TRUE(KeyExists("CLSID\\{00000000-0000-0000-0000-000000000001}"));
    EXPECT_TRUE(KeyExists("CLSID"));
}

TEST(SorrelxTest, UninstallWithACapitalLetterRegistersInstead) {
    CTempRegistryDir dir;
    ExpectSilentSuccess(RunSorrelx({"/y.so", "Uninstall"}));
    std::string text;
    std::uint32_t size = 0;
    ASSERT_TRUE(ReadServerValue("", text, size));
    EXPECT_EQ(text, std::string("/y.so") + '\0');
    ExpectSilentSuccess(RunSorrelx({"/y.so", "UNINSTALL"}));
    EXPECT_TRUE(KeyExists(SERVER_KEY));
}

TEST(SorrelxTest, UninstallWithNothingRegisteredChangesNothing) {
    CTempRegistryDir dir;
    ExpectSilentSuccess(RunSorrelx({"", "uninstall"}));
    EXPECT_FALSE(fs::exists(dir.ClassesHive()));
    ExpectSilentSuccess(RunSorrelx({"/z.so"}));
    HKEY extra = 0;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CLASSES_ROOT, "CLSID\\{36149D54-2BCC-4f99-8F57-F3F26F403048}\\Other",
                             KEY_WRITE, &extra),
              ERROR_SUCCESS);
    RegCloseKey(extra);
    // The class key keeps a sub-key of someone else's, so only InProcServer32 goes.
    ExpectSilentSuccess(RunSorrelx({"", "uninstall"}));
    EXPECT_FALSE(KeyExists(SERVER_KEY));
    EXPECT_TRUE(KeyExists("CLSID\\{36149D54-2BCC-4f99-8F57-F3F26F403048}\\Other"));
}

TEST(SorrelxTest, StoreFolderThatIsAFileChangesNothingAndStillExitsZero) {
    CTempRegistryDir dir;
    const std::string blocker = dir.Path() + "/blocker";
    CTempRegistryDir::ReplaceText(blocker, "plain file");
    ::setenv("HARVEX_REGISTRY_DIR", blocker.c_str(), 1);
    const CRun run = RunSorrelx({"/w.so"});
    ::setenv("HARVEX_REGISTRY_DIR", dir.Path().c_str(), 1);
    ExpectSilentSuccess(run);
    EXPECT_EQ(CTempRegistryDir::ReadText(blocker), "plain file");
}

TEST(SorrelxTest, HiveFileThatIsAFolderIsLeftAloneAndTheExitCodeIsZero) {
    CTempRegistryDir dir;
    fs::create_directory(dir.ClassesHive());
    const CRun run = RunSorrelx({"/w.so"});
    EXPECT_EQ(run.nExitCode, 0);
    EXPECT_EQ(run.strOut, "");
    EXPECT_TRUE(fs::is_directory(dir.ClassesHive()));
    EXPECT_TRUE(fs::is_empty(dir.ClassesHive()));
}
