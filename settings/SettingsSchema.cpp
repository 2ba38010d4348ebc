#include "settings/SettingsSchema.h"

#include <sys/stat.h>

#include <algorithm>

#include "platform/registry/Registry.h"
#include "settings/CPJRegistry.h"

namespace {

const char* const APP_KEY_PATH = "Software\\Morvane\\Harvex";

void ExchangeSettingsValues(CPJRegistry& reg, CSettings& s, LSTATUS& dateStatus) {
    reg.ExchangeDword("OutputToInput", s.bOutputToInput);
    reg.ExchangeDword("CheckUpdates", s.bCheckUpdates);
    reg.ExchangeDword("CleanUp", s.bCleanUp);
    reg.ExchangeDword("CloseOnError", s.bCloseOnError);
    reg.ExchangeDword("CloseOnOk", s.bCloseOnOk);
    reg.ExchangeDword("Covers", s.bCovers);
    reg.ExchangeDword("WinIntegration", s.bWinIntegration);
    reg.ExchangeDword("IconsInContext", s.bIconsInContext);
    reg.ExchangeDword("SubmenuInContext", s.bSubmenuInContext);
    dateStatus = reg.ExchangeDateTime("LastUpdateCheck", s.dtLastUpdateCheck);
    reg.ExchangeDword("MainFolder", s.bMainFolder);
    reg.ExchangeDword("NFO", s.bNfo);
    reg.ExchangeDword("PasswordPrompt", s.bPasswordPrompt);
    reg.ExchangeDword("RestoreOnError", s.bRestoreOnError);
    reg.ExchangeDword("RestoreOnOk", s.bRestoreOnOk);
    reg.ExchangeDword("Sample", s.bSample);
    reg.ExchangeDword("ShowTooltips", s.bShowTooltips);
    reg.ExchangeDword("Subs", s.bSubs);
    reg.ExchangeDword("SubsFolder", s.bSubsFolder);
    reg.ExchangeDword("Test", s.bTest);
}

// Every value of a preset but its name, which decides first whether the preset is kept.
void ExchangePresetValues(CPJRegistry& reg, CPresets& p, bool withName) {
    reg.ExchangeDword("CleanUp", p.bCleanUp);
    reg.ExchangeDword("Covers", p.bCovers);
    reg.ExchangeDword("MainFolder", p.bMainFolder);
    reg.ExchangeDword("NFO", p.bNfo);
    if (withName)
        reg.ExchangeString("Name", p.strName);
    reg.ExchangeString("OutputPath", p.strOutputPath);
    reg.ExchangeDword("OutputToInput", p.bOutputToInput);
    reg.ExchangeDword("Sample", p.bSample);
    reg.ExchangeDword("Subs", p.bSubs);
    reg.ExchangeDword("SubsFolder", p.bSubsFolder);
    reg.ExchangeDword("Test", p.bTest);
}

std::string PresetKey(int n) {
    return "Presets\\Preset" + std::to_string(n);
}

// A stored count is taken as far as the limit only: a damaged or hand-edited
// "Size" must not make a pass open millions of keys.
int ClampSize(int size, int limit) {
    return std::clamp(size, 0, limit);
}

// OLE dates count days from 30 December 1899; a date-time at or before that
// moment is not a time of a check.
bool IsAfterOleEpoch(const QDateTime& value) {
    const QDateTime local = value.toLocalTime();
    const QDate epoch(1899, 12, 30);
    return local.date() > epoch || (local.date() == epoch && local.time() > QTime(0, 0));
}

void WritePresets(CPJRegistry& reg, const std::vector<CPresets>& arrPresets) {
    const int count = static_cast<int>(std::min<size_t>(arrPresets.size(), CPresets::MAX_PRESETS));
    reg.OpenSubKey("Presets");
    int size = count;
    reg.ExchangeDword("Size", size);
    for (int n = 1; n <= count; ++n) {
        reg.OpenSubKey(PresetKey(n));
        CPresets preset = arrPresets[static_cast<size_t>(n - 1)];
        ExchangePresetValues(reg, preset, true);
    }
    for (int k = count + 1; k <= CPresets::MAX_PRESETS; ++k) {
        RegDeleteKey(HKEY_CURRENT_USER, std::string(APP_KEY_PATH) + "\\" + PresetKey(k));
    }
}

}  // namespace

bool IsHistoryFolderPresent(const std::string& path) {
    if (path.compare(0, 2, "//") == 0)
        return true;
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void LoadSettings(CSettings& settings, std::vector<CPresets>& arrPresets) {
    CPJRegistry reg(true);
    reg.ChangeRoot(HKEY_CURRENT_USER);

    reg.OpenSubKey("History");
    int size = 0;
    reg.ExchangeDword("Size", size);
    size = ClampSize(size, CSettings::MAX_HISTORY);
    settings.arrHistory.clear();
    for (int i = 1; i <= size; ++i) {
        std::string entry;
        if (reg.ExchangeString(std::to_string(i), entry) != ERROR_SUCCESS)
            continue;
        if (IsHistoryFolderPresent(entry))
            settings.arrHistory.push_back(entry);
    }

    reg.OpenSubKey("Settings");
    LSTATUS dateStatus = ERROR_SUCCESS;
    ExchangeSettingsValues(reg, settings, dateStatus);
    if (dateStatus != ERROR_SUCCESS || !settings.dtLastUpdateCheck.isValid() ||
        !IsAfterOleEpoch(settings.dtLastUpdateCheck)) {
        settings.dtLastUpdateCheck = QDateTime::currentDateTime();
    }

    reg.OpenSubKey("Presets");
    size = 0;
    reg.ExchangeDword("Size", size);
    size = ClampSize(size, CPresets::MAX_PRESETS);
    arrPresets.clear();
    for (int n = 1; n <= size; ++n) {
        reg.OpenSubKey(PresetKey(n));
        CPresets preset;
        if (reg.ExchangeString("Name", preset.strName) != ERROR_SUCCESS || preset.strName.empty())
            continue;
        ExchangePresetValues(reg, preset, false);
        arrPresets.push_back(preset);
    }
}

void SaveSettings(const CSettings& settings, const std::vector<CPresets>& arrPresets) {
    CPJRegistry reg(false);
    reg.ChangeRoot(HKEY_CURRENT_USER);

    reg.OpenSubKey("Settings");
    CSettings copy = settings;
    LSTATUS dateStatus = ERROR_SUCCESS;
    ExchangeSettingsValues(reg, copy, dateStatus);

    RegDeleteKey(HKEY_CURRENT_USER, std::string(APP_KEY_PATH) + "\\History");
    reg.OpenSubKey("History");
    const int count = static_cast<int>(std::min<size_t>(settings.arrHistory.size(), CSettings::MAX_HISTORY));
    int size = count;
    reg.ExchangeDword("Size", size);
    for (int i = 1; i <= count; ++i) {
        std::string entry = settings.arrHistory[static_cast<size_t>(i - 1)];
        reg.ExchangeString(std::to_string(i), entry);
    }

    WritePresets(reg, arrPresets);
}

void SavePresets(const std::vector<CPresets>& arrPresets) {
    CPJRegistry reg(false);
    reg.ChangeRoot(HKEY_CURRENT_USER);
    WritePresets(reg, arrPresets);
}

void SaveShellOptions(const CSettings& settings) {
    CPJRegistry reg(false);
    reg.ChangeRoot(HKEY_CURRENT_USER);
    reg.OpenSubKey("Settings");
    CSettings copy = settings;
    reg.ExchangeDword("IconsInContext", copy.bIconsInContext);
    reg.ExchangeDword("SubmenuInContext", copy.bSubmenuInContext);
    reg.ExchangeDword("WinIntegration", copy.bWinIntegration);
}

bool ReadInstallDir(std::string& strInstallDir) {
    HKEY key = 0;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, APP_KEY_PATH, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    std::uint32_t type = REG_NONE;
    std::uint32_t size = 0;
    bool ok = false;
    if (RegQueryValueEx(key, "Directory", &type, nullptr, &size) == ERROR_SUCCESS && type == REG_SZ) {
        std::vector<std::uint8_t> buffer(static_cast<size_t>(size) + 1, 0);
        if (RegQueryValueEx(key, "Directory", &type, buffer.data(), &size) == ERROR_SUCCESS &&
            type == REG_SZ) {
            buffer[size] = 0;
            strInstallDir.assign(reinterpret_cast<const char*>(buffer.data()));
            ok = true;
        }
    }
    RegCloseKey(key);
    return ok;
}
