// `cmake --install` into a temporary prefix: the layout, the private companions
// the installed programs find (never an unrar on PATH), and the desktop files
// checked by the ecosystem's validators when they are installed.

#include <gtest/gtest.h>

#include "platform/ToolPaths.h"
#include "tests/fmactions/MenuHarness.h"

using namespace menutest;

namespace {

class InstallTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char pattern[] = "/tmp/harvex-prefix-XXXXXX";
        s_strPrefix = std::string(::mkdtemp(pattern)) + "/with blank";
        const std::string command = std::string("'") + HARVEX_CMAKE_COMMAND + "' --install '" +
                                    HARVEX_BUILD_DIR + "' --prefix '" + s_strPrefix + "' > /dev/null";
        s_nInstallStatus = std::system(command.c_str());
    }
    static void TearDownTestSuite() {
        std::error_code ec;
        fs::remove_all(fs::path(s_strPrefix).parent_path(), ec);
    }
    void SetUp() override { ASSERT_EQ(s_nInstallStatus, 0); }
    static bool HaveTool(const std::string& name) {
        return std::system(("command -v " + name + " > /dev/null 2>&1").c_str()) == 0;
    }

    CTempRegistryDir registry;
    CMenuHarness harness;
    static std::string s_strPrefix;
    static int s_nInstallStatus;
};

std::string InstallTest::s_strPrefix;
int InstallTest::s_nInstallStatus = -1;

}  // namespace

TEST_F(InstallTest, ProgramsGoToBinAndTheCompanionsToAPrivateFolder) {
    for (const char* program : {"harvex-batch", "sorrelx", "harvex-fmactions"})
        EXPECT_EQ(::access((s_strPrefix + "/bin/" + program).c_str(), X_OK), 0) << program;
    EXPECT_FALSE(fs::exists(s_strPrefix + "/bin/unrar"));
    EXPECT_FALSE(fs::exists(s_strPrefix + "/bin/libunzdll.so"));
    EXPECT_EQ(::access((s_strPrefix + "/libexec/harvex/unrar").c_str(), X_OK), 0);
    EXPECT_TRUE(fs::is_regular_file(s_strPrefix + "/libexec/harvex/libunzdll.so"));
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const std::string png = s_strPrefix + "/share/icons/hicolor/" + std::to_string(size) + "x" +
                                std::to_string(size) + "/apps/harvex.png";
        EXPECT_GT(fs::exists(png) ? fs::file_size(png) : 0u, 0u) << png;
    }
    EXPECT_TRUE(fs::exists(s_strPrefix + "/share/icons/hicolor/scalable/apps/harvex.svg"));
    for (const char* page : {"harvex", "harvex-batch", "sorrelx", "harvex-fmactions"})
        EXPECT_TRUE(fs::exists(s_strPrefix + "/share/man/man1/" + page + ".1.gz")) << page;
    const std::string units = s_strPrefix + "/share/systemd/user";
    EXPECT_NE(ReadAll(units + "/harvex-fmactions.service")
                  .find("ExecStart=" + s_strPrefix + "/bin/harvex-fmactions"),
              std::string::npos);
    EXPECT_EQ(fs::read_symlink(units + "/default.target.wants/harvex-fmactions.path"),
              "../harvex-fmactions.path");
    EXPECT_NE(ReadAll(units + "/harvex-fmactions.path").find("PathChanged=%E/harvex/HKEY_CURRENT_USER.reg"),
              std::string::npos);
}

TEST_F(InstallTest, AnInstalledProgramFindsItsPrivateCompanionsAndNeverAnUnrarOnPath) {
    const std::string bin = s_strPrefix + "/bin";
    const std::string foreign = harness.strBin + "/unrar";
    std::ofstream(foreign) << "#!/bin/sh\ntouch \"$HOME/foreign-unrar-ran\"\nexit 0\n";
    fs::permissions(foreign, fs::perms::owner_all);

    EXPECT_EQ(CompanionFolder(bin), fs::canonical(s_strPrefix + "/libexec/harvex").string());
    CToolPaths paths = ResolveToolPaths("", bin, harness.strBin);
    EXPECT_EQ(paths.strUnrarExe, fs::canonical(s_strPrefix + "/libexec/harvex/unrar").string());
    EXPECT_TRUE(AreToolsPresent(paths));
    // A "Directory" setting without the program in it still never reaches PATH.
    paths = ResolveToolPaths(harness.Root(), bin, harness.strBin);
    EXPECT_EQ(paths.strUnrarExe, fs::canonical(s_strPrefix + "/libexec/harvex/unrar").string());

    // The installed front-end extracts a RAR set with its own unrar.
    const std::string work = harness.Root() + "/work";
    fs::create_directories(work + "/out");
    fs::create_directories(work + "/release");
    std::ofstream(work + "/movie.mkv") << std::string(300000, 'm');
    ASSERT_EQ(harness.Run({std::string(HARVEX_BIN_DIR) + "/harvex-mkrar", "--volume-size", "100K",
                           work + "/release/movie.rar", work + "/movie.mkv"}),
              0);
    ASSERT_EQ(
        harness.Run({bin + "/harvex-batch", "--output", work + "/out", "--no-clean-up", work + "/release"}),
        0);
    EXPECT_EQ(ReadAll(work + "/out/release/movie.mkv"), std::string(300000, 'm'));
    EXPECT_FALSE(fs::exists(harness.strHome + "/foreign-unrar-ran"));
}

TEST_F(InstallTest, DesktopEntryAndMetainfoPassTheirValidators) {
    const std::string desktop = s_strPrefix + "/share/applications/harvex.desktop";
    CKeyFile entry(ReadAll(desktop));
    ASSERT_TRUE(entry.bLoaded);
    EXPECT_EQ(entry.Get("Desktop Entry", "Categories"), "Utility;Archiving;Qt;");
    EXPECT_EQ(entry.Get("Desktop Entry", "MimeType").find("inode/directory"), std::string::npos);
    EXPECT_NE(entry.Get("Desktop Entry", "MimeType").find("application/vnd.rar"), std::string::npos);
    if (!HaveTool("desktop-file-validate") || !HaveTool("appstreamcli"))
        GTEST_SKIP() << "desktop-file-utils or appstream is not installed";
    EXPECT_EQ(harness.Run({"desktop-file-validate", desktop}), 0);
    EXPECT_EQ(harness.Run({"appstreamcli", "validate", "--no-net",
                           s_strPrefix + "/share/metainfo/com.morvane.Harvex.metainfo.xml"}),
              0);
}
