// The registry calls on the file-backed store: handles, typed reads, the error
// codes, where the files go, and how damaged or unusable files are handled.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>

#include "platform/registry/CRegHive.h"
#include "platform/registry/Registry.h"
#include "tests/support/CTempRegistryDir.h"

namespace fs = std::filesystem;

namespace {

LSTATUS SetDword(HKEY key, const std::string& name, std::uint32_t n) {
    std::uint8_t bytes[4] = {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8),
                             static_cast<std::uint8_t>(n >> 16), static_cast<std::uint8_t>(n >> 24)};
    return RegSetValueEx(key, name, REG_DWORD, bytes, 4);
}

LSTATUS SetText(HKEY key, const std::string& name, const std::string& text) {
    return RegSetValueEx(key, name, REG_SZ, reinterpret_cast<const std::uint8_t*>(text.c_str()),
                         static_cast<std::uint32_t>(text.size() + 1));
}

// Reads a value whole; returns the error code and fills type and bytes.
LSTATUS Query(HKEY key, const std::string& name, std::uint32_t& type, std::vector<std::uint8_t>& bytes) {
    std::uint32_t size = 0;
    LSTATUS status = RegQueryValueEx(key, name, &type, nullptr, &size);
    if (status)
        return status;
    bytes.assign(size, 0);
    return RegQueryValueEx(key, name, &type, bytes.data(), &size);
}

class RegistryStoreTest : public ::testing::Test {
protected:
    CTempRegistryDir dir;

    HKEY Create(const std::string& path, REGSAM access = KEY_READ | KEY_WRITE) {
        HKEY key = 0;
        EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, path, access, &key), ERROR_SUCCESS);
        return key;
    }
};

}  // namespace

TEST_F(RegistryStoreTest, EveryTypeRoundTripsThroughTheHiveFile) {
    HKEY key = Create("Software\\Morvane\\Harvex\\Types");
    const std::vector<std::pair<std::uint32_t, std::vector<std::uint8_t>>> values = {
        {REG_SZ, {'a', '\\', '"', 0}},
        {REG_SZ, {'x', 0, 'y', 0}},
        {REG_DWORD, {1, 2, 3, 4}},
        {REG_BINARY, {0, 1, 254, 255}},
        {REG_EXPAND_SZ, {'%', 0}},
        {REG_MULTI_SZ, {'a', 0, 0}},
        {REG_QWORD, {8, 7, 6, 5, 4, 3, 2, 1}},
        {REG_NONE, {}},
        {0x77, {42}}};
    for (size_t i = 0; i < values.size(); ++i) {
        ASSERT_EQ(RegSetValueEx(key, "V" + std::to_string(i), values[i].first, values[i].second.data(),
                                static_cast<std::uint32_t>(values[i].second.size())),
                  ERROR_SUCCESS);
    }
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);

    // What another process sees: the file as written, read by a parser of its own.
    CRegHive::CParseReport report;
    CRegHive onDisk =
        CRegHive::FromRegText("HKEY_CURRENT_USER", CTempRegistryDir::ReadText(dir.UserHive()), report);
    EXPECT_TRUE(report.IsClean());
    for (size_t i = 0; i < values.size(); ++i) {
        const CRegValue* v = onDisk.FindValue("Software\\Morvane\\Harvex\\Types", "V" + std::to_string(i));
        ASSERT_NE(v, nullptr) << i;
        EXPECT_EQ(v->nType, values[i].first) << i;
        EXPECT_EQ(v->arrData, values[i].second) << i;
    }

    // And the store reads back what it wrote, reporting the stored type.
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "software\\MORVANE\\harvex\\types", KEY_READ, &key),
              ERROR_SUCCESS);
    for (size_t i = 0; i < values.size(); ++i) {
        std::uint32_t type = 0xffff;
        std::vector<std::uint8_t> bytes;
        ASSERT_EQ(Query(key, "v" + std::to_string(i), type, bytes), ERROR_SUCCESS);
        EXPECT_EQ(type, values[i].first);
        EXPECT_EQ(bytes, values[i].second);
    }
    RegCloseKey(key);
}

TEST_F(RegistryStoreTest, ValuesWrittenByAnotherProcessAreSeenAtTheNextRead) {
    HKEY key = Create("Software\\Shared");
    ASSERT_EQ(SetDword(key, "N", 1), ERROR_SUCCESS);
    ASSERT_EQ(RegFlushKey(key), ERROR_SUCCESS);
    CTempRegistryDir::ReplaceText(dir.UserHive(),
                                  "Windows Registry Editor Version 5.00\n\n"
                                  "[HKEY_CURRENT_USER\\Software\\Shared]\n\"N\"=dword:00000007\n");
    std::uint32_t type = 0;
    std::vector<std::uint8_t> bytes;
    ASSERT_EQ(Query(key, "N", type, bytes), ERROR_SUCCESS);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{7, 0, 0, 0}));
    RegCloseKey(key);
}

TEST_F(RegistryStoreTest, QueryGivesSizeFirstAndMoreDataForASmallBuffer) {
    HKEY key = Create("Software\\Q");
    SetText(key, "Name", "hello");
    std::uint32_t type = 0, size = 0;
    EXPECT_EQ(RegQueryValueEx(key, "Name", &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 6u);
    std::uint8_t small[3] = {};
    size = 3;
    EXPECT_EQ(RegQueryValueEx(key, "Name", &type, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 6u);
    std::uint8_t buffer[16] = {};
    size = sizeof buffer;
    EXPECT_EQ(RegQueryValueEx(key, "NAME", &type, buffer, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 6u);
    EXPECT_STREQ(reinterpret_cast<char*>(buffer), "hello");
    EXPECT_EQ(RegQueryValueEx(key, "Name", &type, buffer, nullptr), ERROR_INVALID_PARAMETER);
    RegCloseKey(key);
}

TEST_F(RegistryStoreTest, MissingKeysAndValuesAreFileNotFound) {
    HKEY key = 0;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Nobody", KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, 0u);
    key = Create("Software\\Somebody");
    std::uint32_t size = 0;
    EXPECT_EQ(RegQueryValueEx(key, "Missing", nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteValue(key, "Missing"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, "Software\\Nobody"), ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
}

TEST_F(RegistryStoreTest, CreateReportsWhetherTheKeyIsNewAndMakesItsParents) {
    HKEY key = 0;
    std::uint32_t disposition = 0;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\A\\B\\C", KEY_WRITE, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    RegCloseKey(key);
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "SOFTWARE\\a\\b\\c", KEY_WRITE, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    HKEY parent = 0;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\A\\B", KEY_READ, &parent), ERROR_SUCCESS);
    RegCloseKey(parent);
    RegCloseKey(key);
    EXPECT_NE(CTempRegistryDir::ReadText(dir.UserHive()).find("[HKEY_CURRENT_USER\\Software\\A\\B\\C]\n"),
              std::string::npos);
}

TEST_F(RegistryStoreTest, SoftwareExistsInAFreshHiveAndCannotBeDeleted) {
    HKEY key = 0;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "software", KEY_READ | KEY_WRITE, &key), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(RegOpenKeyEx(HKEY_CLASSES_ROOT, "CLSID", KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, "Software"), ERROR_ACCESS_DENIED);
}

TEST_F(RegistryStoreTest, DeleteKeyRemovesOnlyAKeyWithoutSubKeys) {
    RegCloseKey(Create("Software\\P\\Child"));
    EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, "Software\\P"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, "Software\\P\\child"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, "Software\\P"), ERROR_SUCCESS);
    HKEY key = 0;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\P", KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    // With no key open the deletion is on disk at once.
    EXPECT_EQ(CTempRegistryDir::ReadText(dir.UserHive()).find("Software\\P"), std::string::npos);
}

TEST_F(RegistryStoreTest, HandleOfADeletedKeyReportsKeyDeleted) {
    HKEY key = Create("Software\\Doomed");
    HKEY keep = Create("Software\\Kept");
    ASSERT_EQ(RegDeleteKey(HKEY_CURRENT_USER, "Software\\Doomed"), ERROR_SUCCESS);
    EXPECT_EQ(SetDword(key, "N", 1), ERROR_KEY_DELETED);
    std::uint32_t size = 0;
    EXPECT_EQ(RegQueryValueEx(key, "N", nullptr, nullptr, &size), ERROR_KEY_DELETED);
    RegCloseKey(key);
    RegCloseKey(keep);
}

TEST_F(RegistryStoreTest, AccessRightsOfTheHandleAreEnforced) {
    RegCloseKey(Create("Software\\R"));
    HKEY readOnly = 0;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\R", KEY_READ, &readOnly), ERROR_SUCCESS);
    EXPECT_EQ(SetDword(readOnly, "N", 1), ERROR_ACCESS_DENIED);
    HKEY sub = 0;
    EXPECT_EQ(RegCreateKeyEx(readOnly, "New", KEY_READ, &sub), ERROR_ACCESS_DENIED);
    RegCloseKey(readOnly);
    HKEY writeOnly = 0;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\R", KEY_WRITE, &writeOnly), ERROR_SUCCESS);
    std::uint32_t size = 0;
    EXPECT_EQ(RegQueryValueEx(writeOnly, "N", nullptr, nullptr, &size), ERROR_ACCESS_DENIED);
    RegCloseKey(writeOnly);
}

TEST_F(RegistryStoreTest, BadHandlesAndPathsAreRefused) {
    EXPECT_EQ(RegCloseKey(12345), ERROR_INVALID_HANDLE);
    EXPECT_EQ(SetDword(0, "N", 1), ERROR_INVALID_HANDLE);
    HKEY key = 0;
    EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "\\Software", KEY_WRITE, &key), ERROR_BAD_PATHNAME);
    EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\\\X", KEY_WRITE, &key), ERROR_BAD_PATHNAME);
    EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Software\nX", KEY_WRITE, &key), ERROR_BAD_PATHNAME);
    EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Software", KEY_WRITE, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueEx(HKEY_CURRENT_USER, "N", REG_BINARY, nullptr, 4), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(SetText(HKEY_CURRENT_USER, "two\nlines", "x"), ERROR_INVALID_PARAMETER);
}

TEST_F(RegistryStoreTest, ChangesWaitForTheLastCloseOrAFlush) {
    HKEY app = Create("Software\\Morvane\\Harvex");
    HKEY settings = Create("Software\\Morvane\\Harvex\\Settings");
    SetDword(settings, "NFO", 0);
    RegCloseKey(settings);
    EXPECT_FALSE(fs::exists(dir.UserHive()));
    EXPECT_EQ(RegFlushKey(app), ERROR_SUCCESS);
    EXPECT_NE(CTempRegistryDir::ReadText(dir.UserHive()).find("\"NFO\"=dword:00000000"), std::string::npos);
    settings = Create("Software\\Morvane\\Harvex\\Settings");
    SetDword(settings, "NFO", 1);
    RegCloseKey(settings);
    RegCloseKey(app);
    EXPECT_NE(CTempRegistryDir::ReadText(dir.UserHive()).find("\"NFO\"=dword:00000001"), std::string::npos);
}

TEST_F(RegistryStoreTest, HivesGoToTheirXdgFoldersWithoutTheOverride) {
    ::unsetenv("HARVEX_REGISTRY_DIR");
    ::setenv("XDG_CONFIG_HOME", (dir.Path() + "/config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (dir.Path() + "/data").c_str(), 1);
    EXPECT_EQ(RegHiveFilePath(HKEY_CURRENT_USER), dir.Path() + "/config/harvex/HKEY_CURRENT_USER.reg");
    EXPECT_EQ(RegHiveFilePath(HKEY_CLASSES_ROOT), dir.Path() + "/data/harvex/HKEY_CLASSES_ROOT.reg");
    SetDword(HKEY_CURRENT_USER, "Top", 5);
    SetText(HKEY_CLASSES_ROOT, "Top", "x");
    EXPECT_TRUE(fs::is_regular_file(dir.Path() + "/config/harvex/HKEY_CURRENT_USER.reg"));
    EXPECT_TRUE(fs::is_regular_file(dir.Path() + "/data/harvex/HKEY_CLASSES_ROOT.reg"));
    EXPECT_EQ(fs::status(dir.Path() + "/config/harvex").permissions() & fs::perms::all, fs::perms::owner_all);
    ::setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    EXPECT_EQ(RegHiveFilePath(HKEY_CURRENT_USER).find("relative"), std::string::npos);
    ::unsetenv("XDG_CONFIG_HOME");
    ::unsetenv("XDG_DATA_HOME");
    ::setenv("HARVEX_REGISTRY_DIR", dir.Path().c_str(), 1);
}

TEST_F(RegistryStoreTest, DamagedFileIsReadAsFarAsItGoesAndKeptAsideBeforeRewriting) {
    const std::string damaged =
        "Windows Registry Editor Version 5.00\n\n"
        "[HKEY_CURRENT_USER\\Software\\D]\n"
        "\"Good\"=dword:00000003\n"
        "\"Bad\"=dword:0000\x01\x02\n"
        "\"Trunc";
    CTempRegistryDir::ReplaceText(dir.UserHive(), damaged);

    testing::internal::CaptureStderr();
    HKEY key = 0;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\D", KEY_READ | KEY_WRITE, &key), ERROR_SUCCESS);
    std::uint32_t type = 0;
    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(Query(key, "Good", type, bytes), ERROR_SUCCESS);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{3, 0, 0, 0}));
    EXPECT_EQ(Query(key, "Bad", type, bytes), ERROR_FILE_NOT_FOUND);
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("is damaged"), std::string::npos) << said;

    testing::internal::CaptureStderr();
    SetDword(key, "New", 1);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("was kept as"), std::string::npos) << said;

    std::vector<fs::path> aside;
    for (const auto& entry : fs::directory_iterator(dir.Path())) {
        if (entry.path().filename().string().find("HKEY_CURRENT_USER.reg.damaged-") == 0) {
            aside.push_back(entry.path());
        }
    }
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(CTempRegistryDir::ReadText(aside[0]), damaged);
    CRegHive::CParseReport report;
    CRegHive now =
        CRegHive::FromRegText("HKEY_CURRENT_USER", CTempRegistryDir::ReadText(dir.UserHive()), report);
    EXPECT_TRUE(report.IsClean());
    EXPECT_NE(now.FindValue("Software\\D", "Good"), nullptr);
    EXPECT_NE(now.FindValue("Software\\D", "New"), nullptr);
}

TEST_F(RegistryStoreTest, ForeignFileNeverCrashesAReaderAndIsKeptAside) {
    std::string foreign(4096, '\0');
    for (size_t i = 0; i < foreign.size(); ++i)
        foreign[i] = static_cast<char>((i * 131) & 0xff);
    CTempRegistryDir::ReplaceText(dir.UserHive(), foreign);
    testing::internal::CaptureStderr();
    HKEY key = 0;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Morvane", KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(SetDword(HKEY_CURRENT_USER, "After", 1), ERROR_SUCCESS);
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("not a registry export"), std::string::npos) << said;
    int copies = 0;
    for (const auto& entry : fs::directory_iterator(dir.Path())) {
        if (entry.path().filename().string().find(".damaged-") != std::string::npos) {
            ++copies;
            EXPECT_EQ(CTempRegistryDir::ReadText(entry.path()), foreign);
        }
    }
    EXPECT_EQ(copies, 1);
}

TEST_F(RegistryStoreTest, StoreFolderThatIsAFileFailsWritesWithAnErrorCode) {
    const std::string blocker = dir.Path() + "/blocker";
    CTempRegistryDir::ReplaceText(blocker, "not a folder");
    ::setenv("HARVEX_REGISTRY_DIR", blocker.c_str(), 1);
    HKEY key = 0;
    EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\X", KEY_WRITE, &key), ERROR_SUCCESS);
    SetDword(key, "N", 1);
    EXPECT_EQ(RegCloseKey(key), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(CTempRegistryDir::ReadText(blocker), "not a folder");
    EXPECT_NE(CRegistryStore::Instance().FlushAll(), ERROR_SUCCESS);
    ::setenv("HARVEX_REGISTRY_DIR", dir.Path().c_str(), 1);
}

TEST_F(RegistryStoreTest, HiveFileThatIsAFolderIsLeftAloneAndWritesFail) {
    fs::create_directory(dir.UserHive());
    testing::internal::CaptureStderr();
    EXPECT_EQ(SetDword(HKEY_CURRENT_USER, "N", 1), ERROR_SUCCESS);
    EXPECT_EQ(RegFlushKey(HKEY_CURRENT_USER), ERROR_ACCESS_DENIED);
    testing::internal::GetCapturedStderr();
    EXPECT_TRUE(fs::is_directory(dir.UserHive()));
    fs::remove(dir.UserHive());
    // Once the obstacle is gone the change that waited is written.
    EXPECT_EQ(RegFlushKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
    EXPECT_NE(CTempRegistryDir::ReadText(dir.UserHive()).find("\"N\"=dword:00000001"), std::string::npos);
}
