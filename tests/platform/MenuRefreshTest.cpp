// harvex starts the menu writer detached at its start.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/MenuRefresh.h"

namespace fs = std::filesystem;

TEST(MenuRefreshTest, StartsTheMenuWriterBesideTheProgramWithoutWaitingForIt) {
    char pattern[] = "/tmp/harvex-refresh-XXXXXX";
    const std::string folder = ::mkdtemp(pattern);
    const std::string marker = folder + "/ran";
    const std::string writer = folder + "/harvex-fmactions";
    std::ofstream(writer) << "#!/bin/sh\nsleep 1\ntouch '" << marker << "'\n";
    ::chmod(writer.c_str(), 0755);

    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(StartMenuRefresh(folder));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(800));
    EXPECT_FALSE(fs::exists(marker));
    for (int i = 0; i < 100 && !fs::exists(marker); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(fs::exists(marker));

    EXPECT_FALSE(StartMenuRefresh(folder + "/missing"));
    fs::remove_all(folder);
}
