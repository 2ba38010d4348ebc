// CPJRegistry on a real store in a temporary folder.

#include <gtest/gtest.h>

#include <QLocale>

#include "platform/registry/Registry.h"
#include "settings/CPJRegistry.h"
#include "tests/support/CTempRegistryDir.h"

namespace {

const std::string APP = "Software\\Morvane\\Harvex";

void PutRaw(const std::string& keyPath, const std::string& name, std::uint32_t type,
            std::vector<std::uint8_t> data) {
    HKEY key = 0;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, keyPath, KEY_WRITE, &key), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueEx(key, name, type, data.data(), static_cast<std::uint32_t>(data.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

std::vector<std::uint8_t> Sz(const std::string& text) {
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

}  // namespace

TEST(CPJRegistryTest, WritesAndReadsBackDwordStringAndDateTime) {
    CTempRegistryDir dir;
    const QDateTime when(QDate(2026, 12, 7), QTime(3, 24, 21));
    {
        CPJRegistry reg(false);
        EXPECT_TRUE(reg.ChangeRoot(HKEY_CURRENT_USER));
        reg.OpenSubKey("Settings");
        int n = 1;
        std::string text = "/home/u/out dir";
        QDateTime dt = when;
        EXPECT_EQ(reg.ExchangeDword("NFO", n), ERROR_SUCCESS);
        EXPECT_EQ(reg.ExchangeString("Path", text), ERROR_SUCCESS);
        EXPECT_EQ(reg.ExchangeDateTime("LastUpdateCheck", dt), ERROR_SUCCESS);
    }
    const std::string file = CTempRegistryDir::ReadText(dir.UserHive());
    EXPECT_NE(file.find("[HKEY_CURRENT_USER\\Software\\Morvane\\Harvex\\Settings]\n"
                        "\"LastUpdateCheck\"=\"12/07/2026 03:24:21\"\n"
                        "\"NFO\"=dword:00000001\n"
                        "\"Path\"=\"/home/u/out dir\"\n"),
              std::string::npos)
        << file;

    CPJRegistry reg(true);
    reg.ChangeRoot(HKEY_CURRENT_USER);
    reg.OpenSubKey("Settings");
    int n = 0;
    std::string text;
    QDateTime dt;
    EXPECT_EQ(reg.ExchangeDword("NFO", n), ERROR_SUCCESS);
    EXPECT_EQ(reg.ExchangeString("Path", text), ERROR_SUCCESS);
    EXPECT_EQ(reg.ExchangeDateTime("LastUpdateCheck", dt), ERROR_SUCCESS);
    EXPECT_EQ(n, 1);
    EXPECT_EQ(text, "/home/u/out dir");
    EXPECT_EQ(dt, when);
}

TEST(CPJRegistryTest, ValueOfTheWrongTypeLeavesTheVariableAlone) {
    CTempRegistryDir dir;
    PutRaw(APP + "\\Settings", "Subs", REG_SZ, Sz("1"));
    PutRaw(APP + "\\Settings", "Name", REG_DWORD, {1, 0, 0, 0});
    PutRaw(APP + "\\Settings", "Expand", REG_EXPAND_SZ, Sz("%HOME%"));
    PutRaw(APP + "\\Settings", "Wide", REG_BINARY, {1, 0, 0, 0, 0, 0, 0, 0});
    CPJRegistry reg(true);
    reg.OpenSubKey("Settings");
    int subs = 7;
    EXPECT_EQ(reg.ExchangeDword("Subs", subs), ERROR_SUCCESS);
    EXPECT_EQ(subs, 7);
    std::string name = "kept";
    EXPECT_EQ(reg.ExchangeString("Name", name), ERROR_SUCCESS);
    EXPECT_EQ(name, "kept");
    EXPECT_EQ(reg.ExchangeString("Expand", name), ERROR_SUCCESS);
    EXPECT_EQ(name, "kept");
    int wide = 3;
    EXPECT_EQ(reg.ExchangeDword("Wide", wide), ERROR_MORE_DATA);
    EXPECT_EQ(wide, 3);
    int missing = 9;
    EXPECT_EQ(reg.ExchangeDword("Missing", missing), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(missing, 9);
}

TEST(CPJRegistryTest, StringWithAnEmbeddedNulIsReadUpToIt) {
    CTempRegistryDir dir;
    PutRaw(APP + "\\Settings", "Cut", REG_SZ, {'a', 'b', 0, 'c', 'd', 0});
    PutRaw(APP + "\\Settings", "NoEnd", REG_SZ, {'x', 'y'});
    CPJRegistry reg(true);
    reg.OpenSubKey("Settings");
    std::string text;
    EXPECT_EQ(reg.ExchangeString("Cut", text), ERROR_SUCCESS);
    EXPECT_EQ(text, "ab");
    EXPECT_EQ(reg.ExchangeString("NoEnd", text), ERROR_SUCCESS);
    EXPECT_EQ(text, "xy");
}

TEST(CPJRegistryTest, UnparsableDateReturnsZeroAndKeepsTheValue) {
    CTempRegistryDir dir;
    PutRaw(APP + "\\Settings", "A", REG_SZ, Sz("Invalid DateTime"));
    PutRaw(APP + "\\Settings", "B", REG_SZ, Sz("2026-12-07 03:24:21"));
    PutRaw(APP + "\\Settings", "C", REG_SZ, Sz("13/01/2026 00:00:00"));
    PutRaw(APP + "\\Settings", "D", REG_SZ, Sz("02/30/2026 00:00:00"));
    PutRaw(APP + "\\Settings", "E", REG_DWORD, {1, 0, 0, 0});
    CPJRegistry reg(true);
    reg.OpenSubKey("Settings");
    const QDateTime before(QDate(2020, 1, 2), QTime(3, 4, 5));
    for (const char* name : {"A", "B", "C", "D", "E"}) {
        QDateTime dt = before;
        EXPECT_EQ(reg.ExchangeDateTime(name, dt), ERROR_SUCCESS) << name;
        EXPECT_EQ(dt, before) << name;
    }
    QDateTime dt = before;
    EXPECT_EQ(reg.ExchangeDateTime("Missing", dt), ERROR_FILE_NOT_FOUND);
}

TEST(CPJRegistryTest, DateTextIsTheSameWhateverTheLocale) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QDateTime when(QDate(2026, 1, 5), QTime(17, 8, 9));
    EXPECT_EQ(CPJRegistry::FormatDateTime(when), "01/05/2026 17:08:09");
    QDateTime parsed;
    EXPECT_TRUE(CPJRegistry::ParseDateTime("01/05/2026 17:08:09", parsed));
    EXPECT_EQ(parsed, when);
    EXPECT_TRUE(CPJRegistry::ParseDateTime("1/5/2026 17:8:9", parsed));
    EXPECT_EQ(parsed, when);
    EXPECT_FALSE(CPJRegistry::ParseDateTime("05.01.2026 17:08:09", parsed));
    EXPECT_FALSE(CPJRegistry::ParseDateTime("01/05/2026 17:08:09 PM", parsed));
    EXPECT_FALSE(CPJRegistry::ParseDateTime("01/05/26 17:08:09", parsed));
    QLocale::setDefault(saved);
    EXPECT_EQ(CPJRegistry::FormatDateTime(QDateTime()), "Invalid DateTime");
}

TEST(CPJRegistryTest, SubKeyThatCannotBeCreatedSendsValuesToTheApplicationKey) {
    CTempRegistryDir dir;
    {
        CPJRegistry reg(false);
        reg.OpenSubKey("\\bad\\\\name");
        EXPECT_EQ(reg.SubKeyPath(), "\\bad\\\\name");
        int n = 5;
        EXPECT_EQ(reg.ExchangeDword("Fallback", n), ERROR_SUCCESS);
    }
    HKEY app = 0;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, APP, KEY_READ, &app), ERROR_SUCCESS);
    std::uint32_t type = 0, size = 0;
    EXPECT_EQ(RegQueryValueEx(app, "Fallback", &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    RegCloseKey(app);
}

TEST(CPJRegistryTest, ValuesBeforeAnySubKeyFailWithAnInvalidHandle) {
    CTempRegistryDir dir;
    CPJRegistry reg(false);
    int n = 1;
    EXPECT_EQ(reg.ExchangeDword("Early", n), ERROR_INVALID_HANDLE);
}

TEST(CPJRegistryTest, RootWithoutASoftwareKeyLeavesNoApplicationKey) {
    CTempRegistryDir dir;
    CPJRegistry reg(true);
    EXPECT_TRUE(reg.HasAppKey());
    EXPECT_FALSE(reg.ChangeRoot(HKEY_CLASSES_ROOT));
    reg.OpenSubKey("Settings");
    int n = 4;
    EXPECT_EQ(reg.ExchangeDword("NFO", n), ERROR_INVALID_HANDLE);
    EXPECT_EQ(n, 4);
}

TEST(CPJRegistryTest, ReadingNeverWritesValues) {
    CTempRegistryDir dir;
    {
        CPJRegistry reg(true);
        reg.OpenSubKey("Settings");
        int n = 1;
        std::string s = "x";
        QDateTime dt = QDateTime::currentDateTime();
        reg.ExchangeDword("NFO", n);
        reg.ExchangeString("Name", s);
        reg.ExchangeDateTime("When", dt);
    }
    const std::string file = CTempRegistryDir::ReadText(dir.UserHive());
    // The keys are made on open, as the registry does, but no value appears.
    EXPECT_NE(file.find("[HKEY_CURRENT_USER\\Software\\Morvane\\Harvex\\Settings]"), std::string::npos);
    EXPECT_EQ(file.find('='), std::string::npos) << file;
}
