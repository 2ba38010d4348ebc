// Loading and saving settings, history and presets through the real store.

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/registry/CRegFile.h"
#include "platform/registry/Registry.h"
#include "settings/SettingsSchema.h"
#include "tests/support/CTempRegistryDir.h"

namespace fs = std::filesystem;

namespace {

const std::string APP = "Software\\Morvane\\Harvex";

CPresets Preset(const std::string& name, int flags) {
    CPresets p;
    p.strName = name;
    p.strOutputPath = "/out/" + name;
    p.bNfo = flags & 1;
    p.bSubs = (flags >> 1) & 1;
    p.bSubsFolder = (flags >> 2) & 1;
    p.bMainFolder = (flags >> 3) & 1;
    p.bCleanUp = (flags >> 4) & 1;
    p.bSample = (flags >> 5) & 1;
    p.bCovers = (flags >> 6) & 1;
    p.bOutputToInput = (flags >> 7) & 1;
    p.bTest = (flags >> 8) & 1;
    return p;
}

void ExpectSamePreset(const CPresets& a, const CPresets& b) {
    EXPECT_EQ(a.strName, b.strName);
    EXPECT_EQ(a.strOutputPath, b.strOutputPath);
    EXPECT_EQ(a.bNfo, b.bNfo);
    EXPECT_EQ(a.bSubs, b.bSubs);
    EXPECT_EQ(a.bSubsFolder, b.bSubsFolder);
    EXPECT_EQ(a.bMainFolder, b.bMainFolder);
    EXPECT_EQ(a.bCleanUp, b.bCleanUp);
    EXPECT_EQ(a.bSample, b.bSample);
    EXPECT_EQ(a.bCovers, b.bCovers);
    EXPECT_EQ(a.bOutputToInput, b.bOutputToInput);
    EXPECT_EQ(a.bTest, b.bTest);
}

void PutDword(const std::string& keyPath, const std::string& name, std::uint32_t n) {
    HKEY key = 0;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, keyPath, KEY_WRITE, &key), ERROR_SUCCESS);
    std::uint8_t b[4] = {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8),
                         static_cast<std::uint8_t>(n >> 16), static_cast<std::uint8_t>(n >> 24)};
    RegSetValueEx(key, name, REG_DWORD, b, 4);
    RegCloseKey(key);
}

void PutText(const std::string& keyPath, const std::string& name, const std::string& text) {
    HKEY key = 0;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, keyPath, KEY_WRITE, &key), ERROR_SUCCESS);
    RegSetValueEx(key, name, REG_SZ, reinterpret_cast<const std::uint8_t*>(text.c_str()),
                  static_cast<std::uint32_t>(text.size() + 1));
    RegCloseKey(key);
}

bool KeyExists(const std::string& path) {
    HKEY key = 0;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, path, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

class SettingsSchemaTest : public ::testing::Test {
protected:
    CTempRegistryDir dir;
    std::string Folder(const std::string& name) {
        std::string path = dir.Path() + "/" + name;
        fs::create_directories(path);
        return path;
    }
};

}  // namespace

TEST_F(SettingsSchemaTest, FirstRunGivesTheDefaultsAndAStartTimeForTheUpdateCheck) {
    CSettings s;
    std::vector<CPresets> presets;
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    LoadSettings(s, presets);
    const CSettings defaults;
    EXPECT_EQ(s.bNfo, 1);
    EXPECT_EQ(s.bSubs, 1);
    EXPECT_EQ(s.bMainFolder, 1);
    EXPECT_EQ(s.bTest + s.bSubsFolder + s.bCleanUp + s.bSample + s.bCovers + s.bOutputToInput, 0);
    EXPECT_EQ(s.bShowTooltips, 1);
    EXPECT_EQ(s.bCheckUpdates, 1);
    EXPECT_EQ(s.bPasswordPrompt, 1);
    EXPECT_EQ(s.bWinIntegration, 1);
    EXPECT_EQ(s.bIconsInContext, 1);
    EXPECT_EQ(s.bSubmenuInContext, 0);
    EXPECT_EQ(s.bRestoreOnOk + s.bCloseOnOk + s.bRestoreOnError + s.bCloseOnError, 0);
    EXPECT_TRUE(s.arrHistory.empty());
    EXPECT_TRUE(presets.empty());
    ASSERT_TRUE(s.dtLastUpdateCheck.isValid());
    EXPECT_GE(s.dtLastUpdateCheck, before);
    EXPECT_LE(s.dtLastUpdateCheck, QDateTime::currentDateTime().addSecs(1));
}

TEST_F(SettingsSchemaTest, EverySettingSurvivesSaveAndLoad) {
    CSettings s;
    s.bTest = 1;
    s.bNfo = 0;
    s.bSubs = 0;
    s.bSubsFolder = 1;
    s.bMainFolder = 0;
    s.bCleanUp = 1;
    s.bSample = 1;
    s.bCovers = 1;
    s.bShowTooltips = 0;
    s.bRestoreOnOk = 1;
    s.bCloseOnOk = 0;
    s.bRestoreOnError = 0;
    s.bCloseOnError = 1;
    s.bOutputToInput = 1;
    s.bPasswordPrompt = 0;
    s.bCheckUpdates = 0;
    s.bWinIntegration = 0;
    s.bIconsInContext = 0;
    s.bSubmenuInContext = 1;
    s.dtLastUpdateCheck = QDateTime(QDate(2026, 12, 7), QTime(3, 24, 21));
    s.arrHistory = {Folder("new"), Folder("old dir")};
    std::vector<CPresets> presets = {Preset("Movies", 0x1ff), Preset("TV", 0x0a5)};
    SaveSettings(s, presets);

    const std::string file = CTempRegistryDir::ReadText(dir.UserHive());
    EXPECT_NE(file.find("\"SubmenuInContext\"=dword:00000001"), std::string::npos);
    EXPECT_NE(file.find("\"LastUpdateCheck\"=\"12/07/2026 03:24:21\""), std::string::npos);
    EXPECT_NE(file.find("[HKEY_CURRENT_USER\\Software\\Morvane\\Harvex\\History]\n\"1\"=\"" +
                        s.arrHistory[0] + "\"\n\"2\"=\"" + s.arrHistory[1] + "\"\n\"Size\"=dword:00000002\n"),
              std::string::npos)
        << file;
    EXPECT_NE(file.find("[HKEY_CURRENT_USER\\Software\\Morvane\\Harvex\\Presets\\Preset2]"),
              std::string::npos);

    CSettings back;
    std::vector<CPresets> backPresets;
    LoadSettings(back, backPresets);
    EXPECT_EQ(back.bTest, 1);
    EXPECT_EQ(back.bNfo, 0);
    EXPECT_EQ(back.bSubs, 0);
    EXPECT_EQ(back.bSubsFolder, 1);
    EXPECT_EQ(back.bMainFolder, 0);
    EXPECT_EQ(back.bCleanUp, 1);
    EXPECT_EQ(back.bSample, 1);
    EXPECT_EQ(back.bCovers, 1);
    EXPECT_EQ(back.bShowTooltips, 0);
    EXPECT_EQ(back.bRestoreOnOk, 1);
    EXPECT_EQ(back.bCloseOnOk, 0);
    EXPECT_EQ(back.bRestoreOnError, 0);
    EXPECT_EQ(back.bCloseOnError, 1);
    EXPECT_EQ(back.bOutputToInput, 1);
    EXPECT_EQ(back.bPasswordPrompt, 0);
    EXPECT_EQ(back.bCheckUpdates, 0);
    EXPECT_EQ(back.bWinIntegration, 0);
    EXPECT_EQ(back.bIconsInContext, 0);
    EXPECT_EQ(back.bSubmenuInContext, 1);
    EXPECT_EQ(back.dtLastUpdateCheck, s.dtLastUpdateCheck);
    EXPECT_EQ(back.arrHistory, s.arrHistory);
    ASSERT_EQ(backPresets.size(), 2u);
    ExpectSamePreset(backPresets[0], presets[0]);
    ExpectSamePreset(backPresets[1], presets[1]);
}

TEST_F(SettingsSchemaTest, HistoryEntryWhoseFolderVanishedIsDroppedAndTheSizeShrinks) {
    CSettings s;
    s.arrHistory = {Folder("a"), Folder("gone"), "//server/share/x", Folder("c")};
    SaveSettings(s, {});
    fs::remove(s.arrHistory[1]);
    CSettings loaded;
    std::vector<CPresets> presets;
    LoadSettings(loaded, presets);
    EXPECT_EQ(loaded.arrHistory,
              (std::vector<std::string>{s.arrHistory[0], "//server/share/x", s.arrHistory[3]}));
    SaveSettings(loaded, presets);
    const std::string file = CTempRegistryDir::ReadText(dir.UserHive());
    EXPECT_NE(file.find("\"Size\"=dword:00000003"), std::string::npos);
    EXPECT_EQ(file.find("\"4\"="), std::string::npos) << file;
}

TEST_F(SettingsSchemaTest, HistoryEntryThatIsAFileOrEmptyOrNotTextIsSkipped) {
    const std::string file = dir.Path() + "/plain";
    CTempRegistryDir::ReplaceText(file, "x");
    PutDword(APP + "\\History", "Size", 4);
    PutText(APP + "\\History", "1", file);
    PutText(APP + "\\History", "2", "");
    PutDword(APP + "\\History", "3", 1);
    PutText(APP + "\\History", "4", Folder("real"));
    CSettings s;
    std::vector<CPresets> presets;
    LoadSettings(s, presets);
    EXPECT_EQ(s.arrHistory, (std::vector<std::string>{dir.Path() + "/real"}));
}

TEST_F(SettingsSchemaTest, DeletingPresetThreeOfFiveRenumbersAndDeletesStaleKeys) {
    std::vector<CPresets> presets;
    for (int i = 1; i <= 5; ++i)
        presets.push_back(Preset("P" + std::to_string(i), i));
    SavePresets(presets);
    for (int i = 1; i <= 5; ++i)
        EXPECT_TRUE(KeyExists(APP + "\\Presets\\Preset" + std::to_string(i)));
    presets.erase(presets.begin() + 2);
    SaveSettings(CSettings(), presets);
    for (int i = 1; i <= 4; ++i)
        EXPECT_TRUE(KeyExists(APP + "\\Presets\\Preset" + std::to_string(i)));
    for (int i = 5; i <= 20; ++i)
        EXPECT_FALSE(KeyExists(APP + "\\Presets\\Preset" + std::to_string(i)));
    CSettings s;
    std::vector<CPresets> loaded;
    LoadSettings(s, loaded);
    ASSERT_EQ(loaded.size(), 4u);
    const char* names[] = {"P1", "P2", "P4", "P5"};
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(loaded[i].strName, names[i]);
    ExpectSamePreset(loaded[2], Preset("P4", 4));
}

TEST_F(SettingsSchemaTest, NamelessPresetIsSkippedAndTheRestRenumberedAtTheNextSave) {
    std::vector<CPresets> presets = {Preset("One", 1), Preset("Two", 2), Preset("Three", 3)};
    SavePresets(presets);
    PutText(APP + "\\Presets\\Preset2", "Name", "");
    CSettings s;
    std::vector<CPresets> loaded;
    LoadSettings(s, loaded);
    ASSERT_EQ(loaded.size(), 2u);
    EXPECT_EQ(loaded[0].strName, "One");
    ExpectSamePreset(loaded[1], presets[2]);
    SavePresets(loaded);
    std::vector<CPresets> again;
    LoadSettings(s, again);
    ASSERT_EQ(again.size(), 2u);
    EXPECT_EQ(again[1].strName, "Three");
    EXPECT_FALSE(KeyExists(APP + "\\Presets\\Preset3"));
}

TEST_F(SettingsSchemaTest, PresetWithMissingValuesStartsFromAFreshRecord) {
    PutDword(APP + "\\Presets", "Size", 1);
    PutText(APP + "\\Presets\\Preset1", "Name", "Bare");
    PutDword(APP + "\\Presets\\Preset1", "Covers", 1);
    PutText(APP + "\\Presets\\Preset1", "Test", "1");
    CSettings s;
    std::vector<CPresets> loaded;
    LoadSettings(s, loaded);
    ASSERT_EQ(loaded.size(), 1u);
    CPresets expected;
    expected.strName = "Bare";
    expected.bCovers = 1;
    ExpectSamePreset(loaded[0], expected);
}

TEST_F(SettingsSchemaTest, UnparsableOrAncientLastUpdateCheckBecomesTheStartTime) {
    for (const std::string text : {"yesterday", "12/07/2026 3:24 PM", "12/29/1899 10:00:00", ""}) {
        PutText(APP + "\\Settings", "LastUpdateCheck", text);
        CSettings s;
        std::vector<CPresets> presets;
        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        LoadSettings(s, presets);
        EXPECT_GE(s.dtLastUpdateCheck, before) << text;
    }
    PutText(APP + "\\Settings", "LastUpdateCheck", "01/01/1900 00:00:00");
    CSettings s;
    std::vector<CPresets> presets;
    LoadSettings(s, presets);
    EXPECT_EQ(s.dtLastUpdateCheck, QDateTime(QDate(1900, 1, 1), QTime(0, 0)));
}

TEST_F(SettingsSchemaTest, SettingStoredAsTextWhereANumberBelongsKeepsTheDefault) {
    PutText(APP + "\\Settings", "NFO", "0");
    PutText(APP + "\\Settings", "Subs", "0");
    PutDword(APP + "\\Settings", "Covers", 1);
    CSettings s;
    std::vector<CPresets> presets;
    LoadSettings(s, presets);
    EXPECT_EQ(s.bNfo, 1);
    EXPECT_EQ(s.bSubs, 1);
    EXPECT_EQ(s.bCovers, 1);
}

TEST_F(SettingsSchemaTest, HugeOrNegativeSizesAreClampedBeforeKeysAreOpened) {
    PutDword(APP + "\\History", "Size", 4000000000u);
    PutDword(APP + "\\Presets", "Size", 3000000);
    for (int i = 1; i <= 12; ++i)
        PutText(APP + "\\History", std::to_string(i), Folder("h" + std::to_string(i)));
    for (int n = 1; n <= 22; ++n)
        PutText(APP + "\\Presets\\Preset" + std::to_string(n), "Name", "N" + std::to_string(n));
    CSettings s;
    std::vector<CPresets> presets;
    LoadSettings(s, presets);
    EXPECT_TRUE(s.arrHistory.empty());  // 4000000000 is a negative count
    EXPECT_EQ(presets.size(), 20u);
    EXPECT_FALSE(KeyExists(APP + "\\Presets\\Preset23"));

    PutDword(APP + "\\History", "Size", 5000);
    LoadSettings(s, presets);
    EXPECT_EQ(s.arrHistory.size(), 10u);
    EXPECT_EQ(s.arrHistory.back(), dir.Path() + "/h10");
}

TEST_F(SettingsSchemaTest, ShellOptionsWriteOnlyTheirThreeValues) {
    CSettings s;
    s.bWinIntegration = 0;
    s.bIconsInContext = 0;
    s.bSubmenuInContext = 1;
    s.bNfo = 0;
    SaveShellOptions(s);
    const std::string file = CTempRegistryDir::ReadText(dir.UserHive());
    EXPECT_NE(file.find("[HKEY_CURRENT_USER\\Software\\Morvane\\Harvex\\Settings]\n"
                        "\"IconsInContext\"=dword:00000000\n"
                        "\"SubmenuInContext\"=dword:00000001\n"
                        "\"WinIntegration\"=dword:00000000\n\n"),
              std::string::npos)
        << file;
    EXPECT_EQ(file.find("NFO"), std::string::npos);
}

TEST_F(SettingsSchemaTest, LoadingAPopulatedStoreLeavesItsFileUntouched) {
    CSettings s;
    s.arrHistory = {Folder("x")};
    SaveSettings(s, {Preset("A", 3)});
    const CFileStamp before = CRegFile::Stamp(dir.UserHive());
    CSettings loaded;
    std::vector<CPresets> presets;
    LoadSettings(loaded, presets);
    EXPECT_EQ(CRegFile::Stamp(dir.UserHive()), before);
    EXPECT_EQ(presets.size(), 1u);
}

TEST_F(SettingsSchemaTest, InstallDirIsReadWithoutCreatingKeys) {
    std::string installDir = "unchanged";
    EXPECT_FALSE(ReadInstallDir(installDir));
    EXPECT_EQ(installDir, "unchanged");
    EXPECT_FALSE(fs::exists(dir.UserHive()));
    PutDword(APP, "Directory", 1);
    EXPECT_FALSE(ReadInstallDir(installDir));
    PutText(APP, "Directory", "/opt/harvex");
    EXPECT_TRUE(ReadInstallDir(installDir));
    EXPECT_EQ(installDir, "/opt/harvex");
}
