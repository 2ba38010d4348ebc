// Temporaries of writers that were killed between writing and renaming
// ("<hive>.reg.tmp-PID-N"): the next writer removes those whose writer no
// longer runs and leaves a running writer's alone.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/registry/CRegFile.h"
#include "platform/registry/Registry.h"
#include "tests/support/CTempRegistryDir.h"

namespace {

bool Exists(const std::string& path) {
    return ::access(path.c_str(), F_OK) == 0;
}

// A child that writes half a hive into a temporary named after itself, as a writer
// does before its rename, then waits to be killed.
pid_t StartWriterThatHangsBeforeTheRename(const std::string& hiveFile, std::string& tempPath) {
    pid_t pid = ::fork();
    if (pid == 0) {
        std::string path = hiveFile + ".tmp-" + std::to_string(::getpid()) + "-1";
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        if (fd < 0 || ::write(fd, "Windows Registry Editor Version 5.00\n\n[HKEY_CU", 46) != 46)
            ::_exit(2);
        ::close(fd);
        for (;;)
            ::pause();
    }
    tempPath = hiveFile + ".tmp-" + std::to_string(pid) + "-1";
    for (int i = 0; i < 500 && !Exists(tempPath); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return pid;
}

void WriteValue(const std::string& name, std::uint32_t value) {
    HKEY key = 0;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Morvane\\Harvex", KEY_READ | KEY_WRITE, &key),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueEx(key, name, REG_DWORD, reinterpret_cast<std::uint8_t*>(&value), 4), ERROR_SUCCESS);
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

}  // namespace

TEST(RegistryTemporariesTest, TheNextWriterRemovesTheTemporaryOfAKilledWriterAndKeepsALiveOnes) {
    CTempRegistryDir dir;
    WriteValue("Before", 1);

    std::string deadTemp;
    pid_t killed = StartWriterThatHangsBeforeTheRename(dir.UserHive(), deadTemp);
    ASSERT_GT(killed, 0);
    ASSERT_TRUE(Exists(deadTemp));
    ASSERT_EQ(::kill(killed, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(killed, &status, 0), killed);
    ASSERT_TRUE(WIFSIGNALED(status));

    std::string liveTemp;
    pid_t live = StartWriterThatHangsBeforeTheRename(dir.UserHive(), liveTemp);
    ASSERT_GT(live, 0);
    ASSERT_TRUE(Exists(liveTemp));
    // Names that only look alike stay whatever their number says.
    const std::string notes = dir.UserHive() + ".tmp-notes";
    const std::string otherHive = dir.ClassesHive() + ".tmp-" + std::to_string(killed) + "-2";
    std::filesystem::create_directory(dir.UserHive() + ".tmp-" + std::to_string(killed) + "-3");
    for (const std::string& path : {notes, otherHive})
        ::close(::open(path.c_str(), O_WRONLY | O_CREAT, 0600));

    WriteValue("After", 2);

    EXPECT_FALSE(Exists(deadTemp));
    EXPECT_TRUE(Exists(liveTemp));
    EXPECT_TRUE(Exists(notes));
    EXPECT_TRUE(Exists(otherHive));
    EXPECT_TRUE(Exists(dir.UserHive() + ".tmp-" + std::to_string(killed) + "-3"));
    const std::string text = CTempRegistryDir::ReadText(dir.UserHive());
    EXPECT_NE(text.find("\"Before\"=dword:00000001"), std::string::npos) << text;
    EXPECT_NE(text.find("\"After\"=dword:00000002"), std::string::npos) << text;

    ::kill(live, SIGKILL);
    ::waitpid(live, &status, 0);
    // Once that writer is gone too, the next write takes its temporary away.
    WriteValue("Last", 3);
    EXPECT_FALSE(Exists(liveTemp));
}

// Only a writer, under the hive's lock, takes temporaries away: a reader that picks up a
// changed file holds no lock, so a writer it takes for dead (one in another PID namespace,
// say) could be between its write and its rename.
TEST(RegistryTemporariesTest, AReaderLeavesTemporariesAlone) {
    CTempRegistryDir dir;
    WriteValue("Before", 1);
    std::string deadTemp;
    pid_t killed = StartWriterThatHangsBeforeTheRename(dir.UserHive(), deadTemp);
    ASSERT_GT(killed, 0);
    ::kill(killed, SIGKILL);
    int status = 0;
    ::waitpid(killed, &status, 0);

    // Another process replaces the hive; this one reads it again.
    std::string text = CTempRegistryDir::ReadText(dir.UserHive());
    const size_t nAt = text.find("dword:00000001");
    ASSERT_NE(nAt, std::string::npos) << text;
    text.replace(nAt, 14, "dword:00000007");
    CTempRegistryDir::ReplaceText(dir.UserHive(), text);
    HKEY key = 0;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Morvane\\Harvex", KEY_READ, &key), ERROR_SUCCESS);
    std::uint32_t value = 0;
    std::uint32_t size = sizeof value;
    ASSERT_EQ(RegQueryValueEx(key, "Before", nullptr, reinterpret_cast<std::uint8_t*>(&value), &size),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(value, 7u);  // the read did see the new file
    EXPECT_TRUE(Exists(deadTemp));

    WriteValue("After", 2);
    EXPECT_FALSE(Exists(deadTemp));
}

TEST(RegistryTemporariesTest, OnlyExactTemporaryNamesOfDeadWritersAreRemoved) {
    CTempRegistryDir dir;
    pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    const std::string dead = std::to_string(child);
    const std::string base = dir.UserHive() + ".tmp-";
    const std::vector<std::string> kept = {
        base + dead,  base + dead + "-",        base + "-" + dead,      base + dead + "-x",
        base + "0-1", base + "+" + dead + "-1", base + dead + "-1.bak", base + "99999999999-1"};
    const std::vector<std::string> removed = {base + dead + "-1", base + dead + "-42"};
    for (const std::vector<std::string>* list : {&kept, &removed}) {
        for (const std::string& path : *list)
            ::close(::open(path.c_str(), O_WRONLY | O_CREAT, 0600));
    }
    EXPECT_EQ(CRegFile::RemoveStaleTemporaries(dir.UserHive()), 2);
    for (const std::string& path : kept)
        EXPECT_TRUE(Exists(path)) << path;
    for (const std::string& path : removed)
        EXPECT_FALSE(Exists(path)) << path;
}
