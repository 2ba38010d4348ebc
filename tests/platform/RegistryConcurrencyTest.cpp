// Several processes on one store: writers replace the hive file atomically
// under the lock, readers never see a part of a file, and no writer's change
// is lost to another's.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/registry/CRegHive.h"
#include "platform/registry/Registry.h"
#include "tests/support/CTempRegistryDir.h"

namespace {

constexpr int ROUNDS = 60;

std::uint32_t ReadDword(HKEY key, const std::string& name, LSTATUS& status) {
    std::uint8_t bytes[4] = {};
    std::uint32_t size = 4, type = 0;
    status = RegQueryValueEx(key, name, &type, bytes, &size);
    return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
}

// The child's work: ROUNDS passes, each opening the key, writing its own
// counter and the shared value, and closing (which writes the file).
[[noreturn]] void WriterProcess(int id) {
    for (int round = 0; round < ROUNDS; ++round) {
        HKEY key = 0;
        if (RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Race", KEY_READ | KEY_WRITE, &key) !=
            ERROR_SUCCESS) {
            ::_exit(2);
        }
        std::uint32_t own = static_cast<std::uint32_t>(round);
        std::uint32_t shared = static_cast<std::uint32_t>(id * 1000 + round);
        RegSetValueEx(key, "W" + std::to_string(id), REG_DWORD, reinterpret_cast<std::uint8_t*>(&own), 4);
        RegSetValueEx(key, "Shared", REG_DWORD, reinterpret_cast<std::uint8_t*>(&shared), 4);
        if (RegCloseKey(key) != ERROR_SUCCESS)
            ::_exit(3);
    }
    ::_exit(0);
}

}  // namespace

TEST(RegistryConcurrencyTest, TwoWritersAndAReaderNeverSeeATornFileNorLoseAWrite) {
    CTempRegistryDir dir;
    pid_t writers[2];
    for (int id = 0; id < 2; ++id) {
        writers[id] = ::fork();
        ASSERT_GE(writers[id], 0);
        if (writers[id] == 0)
            WriterProcess(id);
    }

    // Read while they write: the raw file must always parse completely, and
    // each writer's own counter must never go backwards.
    int reads = 0;
    std::uint32_t lastSeen[2] = {0, 0};
    int finished = 0;
    int statuses[2] = {-1, -1};
    while (finished < 2) {
        std::string text = CTempRegistryDir::ReadText(dir.UserHive());
        if (!text.empty()) {
            CRegHive::CParseReport report;
            CRegHive::FromRegText("HKEY_CURRENT_USER", text, report);
            ASSERT_TRUE(report.IsClean()) << "torn file:\n" << text;
        }
        HKEY key = 0;
        if (RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Race", KEY_READ, &key) == ERROR_SUCCESS) {
            for (int id = 0; id < 2; ++id) {
                LSTATUS status = 0;
                std::uint32_t n = ReadDword(key, "W" + std::to_string(id), status);
                if (status == ERROR_SUCCESS) {
                    EXPECT_GE(n, lastSeen[id]);
                    lastSeen[id] = n;
                }
            }
            RegCloseKey(key);
        }
        ++reads;
        for (int id = 0; id < 2; ++id) {
            if (statuses[id] == -1 && ::waitpid(writers[id], &statuses[id], WNOHANG) == 0)
                statuses[id] = -1;
        }
        finished = (statuses[0] != -1) + (statuses[1] != -1);
    }
    for (int id = 0; id < 2; ++id) {
        ASSERT_TRUE(WIFEXITED(statuses[id]));
        EXPECT_EQ(WEXITSTATUS(statuses[id]), 0);
    }
    EXPECT_GT(reads, 1);

    // Every writer's last counter is there: one writer's flush never dropped
    // the other's change. The shared value is the last round of one of them.
    HKEY key = 0;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Race", KEY_READ, &key), ERROR_SUCCESS);
    LSTATUS status = 0;
    EXPECT_EQ(ReadDword(key, "W0", status), static_cast<std::uint32_t>(ROUNDS - 1));
    EXPECT_EQ(ReadDword(key, "W1", status), static_cast<std::uint32_t>(ROUNDS - 1));
    std::uint32_t shared = ReadDword(key, "Shared", status);
    EXPECT_TRUE(shared == ROUNDS - 1 || shared == 1000 + ROUNDS - 1) << shared;
    RegCloseKey(key);
}

TEST(RegistryConcurrencyTest, TheWriterThatFlushesLastWinsOnTheSameValue) {
    CTempRegistryDir dir;
    // The child starts from a store of its own (nothing open, nothing pending)
    // and waits until the parent holds an unflushed change of the same value.
    int go[2];
    ASSERT_EQ(::pipe(go), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        char c = 0;
        ::close(go[1]);
        if (::read(go[0], &c, 1) != 1)
            ::_exit(4);
        HKEY other = 0;
        if (RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Last", KEY_WRITE, &other) != ERROR_SUCCESS)
            ::_exit(2);
        std::uint32_t theirs = 2;
        RegSetValueEx(other, "V", REG_DWORD, reinterpret_cast<std::uint8_t*>(&theirs), 4);
        RegSetValueEx(other, "Only", REG_DWORD, reinterpret_cast<std::uint8_t*>(&theirs), 4);
        ::_exit(RegCloseKey(other) == ERROR_SUCCESS ? 0 : 3);
    }
    ::close(go[0]);
    HKEY key = 0;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Last", KEY_READ | KEY_WRITE, &key), ERROR_SUCCESS);
    std::uint32_t mine = 1;
    RegSetValueEx(key, "V", REG_DWORD, reinterpret_cast<std::uint8_t*>(&mine), 4);
    ASSERT_EQ(::write(go[1], "g", 1), 1);
    ::close(go[1]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);

    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Last", KEY_READ, &key), ERROR_SUCCESS);
    LSTATUS read = 0;
    EXPECT_EQ(ReadDword(key, "V", read), 1u);
    EXPECT_EQ(ReadDword(key, "Only", read), 2u);
    RegCloseKey(key);
}
