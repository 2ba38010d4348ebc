// Finding the console RAR program and the unzip library.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/ToolPaths.h"

namespace fs = std::filesystem;

namespace {

class ToolPathsTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/harvex-tools-XXXXXX";
        root = ::mkdtemp(pattern);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    std::string Make(const std::string& relative, bool executable) {
        const std::string path = root + "/" + relative;
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path) << "x";
        ::chmod(path.c_str(), executable ? 0755 : 0644);
        return path;
    }
    std::string root;
};

}  // namespace

TEST_F(ToolPathsTest, InstallFolderComesFirst) {
    const std::string unrar = Make("install/unrar", true);
    const std::string lib = Make("install/libunzdll.so", false);
    Make("bin/unrar", true);
    CToolPaths paths = ResolveToolPaths(root + "/install", root + "/program", root + "/bin");
    EXPECT_EQ(paths.strInstallDir, root + "/install");
    EXPECT_EQ(paths.strUnrarExe, unrar);
    EXPECT_EQ(paths.strUnzipDll, lib);
    EXPECT_TRUE(AreToolsPresent(paths));
}

TEST_F(ToolPathsTest, WithoutADirectorySettingTheProgramFolderIsTheInstallFolder) {
    Make("program/unrar", true);
    Make("program/libunzdll.so", false);
    CToolPaths paths = ResolveToolPaths("", root + "/program", "");
    EXPECT_EQ(paths.strInstallDir, root + "/program");
    EXPECT_EQ(paths.strUnrarExe, root + "/program/unrar");
    EXPECT_TRUE(AreToolsPresent(paths));
}

TEST_F(ToolPathsTest, UnrarFromPathSkipsRelativeEntriesAndTheCurrentFolder) {
    Make("install/libunzdll.so", false);
    Make("cwd/unrar", true);
    Make("bin1/unrar", false);  // not executable
    const std::string onPath = Make("bin2/unrar", true);
    const std::string saved = fs::current_path();
    fs::current_path(root + "/cwd");
    CToolPaths paths =
        ResolveToolPaths(root + "/install", root + "/program", ":.:cwd:" + root + "/bin1:" + root + "/bin2");
    EXPECT_EQ(paths.strUnrarExe, onPath);
    EXPECT_TRUE(AreToolsPresent(paths));

    paths = ResolveToolPaths(root + "/install", root + "/program", ":.:cwd");
    EXPECT_EQ(paths.strUnrarExe, root + "/install/unrar");
    EXPECT_FALSE(AreToolsPresent(paths));
    fs::current_path(saved);
}

TEST_F(ToolPathsTest, MissingLibraryOrMissingInstallFolderFailsThePresenceCheck) {
    Make("install/unrar", true);
    CToolPaths paths = ResolveToolPaths(root + "/install", root + "/program", "");
    EXPECT_EQ(paths.strUnzipDll, root + "/install/libunzdll.so");
    EXPECT_FALSE(AreToolsPresent(paths));

    Make("program/unrar", true);
    Make("program/libunzdll.so", false);
    paths = ResolveToolPaths(root + "/gone", root + "/program", "");
    EXPECT_EQ(paths.strInstallDir, root + "/gone");
    EXPECT_EQ(paths.strUnrarExe, root + "/program/unrar");
    EXPECT_TRUE(AreToolsPresent(paths));
}

TEST_F(ToolPathsTest, ProgramFolderIsTheFolderOfTheRunningTest) {
    const std::string folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder[0], '/');
    EXPECT_TRUE(fs::is_directory(folder));
}

TEST_F(ToolPathsTest, MissingToolsNamesExactlyWhatThePresenceCheckMisses) {
    fs::create_directories(root + "/install");
    CToolPaths paths = ResolveToolPaths(root + "/install", root + "/program", "");
    EXPECT_EQ(MissingTools(paths),
              (std::vector<std::string>{root + "/install/unrar", root + "/install/libunzdll.so"}));
    Make("install/unrar", false);  // present but not executable
    Make("install/libunzdll.so", false);
    EXPECT_EQ(MissingTools(paths), std::vector<std::string>{root + "/install/unrar"});
    EXPECT_FALSE(AreToolsPresent(paths));
    ::chmod((root + "/install/unrar").c_str(), 0755);
    EXPECT_TRUE(MissingTools(paths).empty());
    EXPECT_TRUE(AreToolsPresent(paths));
}
