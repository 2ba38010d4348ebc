#include "fmactions/CMenuModel.h"

#include <algorithm>
#include <cstdint>

#include "platform/registry/Registry.h"

namespace {

const std::string APP_KEY = "Software\\Morvane\\Harvex";
constexpr int MAX_PRESETS = 20;

// Opens a key for reading only; 0 when it is not there.
HKEY OpenForReading(const std::string& path) {
    HKEY key = 0;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, path, KEY_READ, &key) != ERROR_SUCCESS)
        return 0;
    return key;
}

void ReadDword(HKEY key, const std::string& name, int& value) {
    std::uint32_t type = REG_NONE;
    std::uint32_t data = 0;
    std::uint32_t size = sizeof data;
    if (key != 0 &&
        RegQueryValueEx(key, name, &type, reinterpret_cast<std::uint8_t*>(&data), &size) == ERROR_SUCCESS &&
        type == REG_DWORD && size == sizeof data)
        value = static_cast<int>(data);
}

bool ReadString(HKEY key, const std::string& name, std::string& value) {
    std::uint32_t type = REG_NONE;
    std::uint32_t size = 0;
    if (key == 0 || RegQueryValueEx(key, name, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ)
        return false;
    std::string buffer(size, '\0');
    if (RegQueryValueEx(key, name, &type, reinterpret_cast<std::uint8_t*>(buffer.data()), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    buffer.resize(std::min<size_t>(size, buffer.size()));
    // The program reads a string up to its first NUL.
    value = buffer.substr(0, buffer.find('\0'));
    return true;
}

}  // namespace

CMenuModel ReadMenuModel() {
    CMenuModel model;
    int winIntegration = 1;
    int icons = 1;
    int submenu = 0;
    HKEY settings = OpenForReading(APP_KEY + "\\Settings");
    ReadDword(settings, "WinIntegration", winIntegration);
    ReadDword(settings, "IconsInContext", icons);
    ReadDword(settings, "SubmenuInContext", submenu);
    if (settings != 0)
        RegCloseKey(settings);
    model.bWinIntegration = winIntegration != 0;
    model.bIconsInContext = icons != 0;
    model.bSubmenuInContext = submenu != 0;
    if (!model.bWinIntegration)
        return model;

    model.arrEntries.push_back({"Harvex", ""});
    HKEY presets = OpenForReading(APP_KEY + "\\Presets");
    int size = 0;
    ReadDword(presets, "Size", size);
    if (presets != 0)
        RegCloseKey(presets);
    size = std::clamp(size, 0, MAX_PRESETS);
    int number = 0;
    for (int n = 1; n <= size; ++n) {
        HKEY preset = OpenForReading(APP_KEY + "\\Presets\\Preset" + std::to_string(n));
        std::string name;
        const bool named = ReadString(preset, "Name", name) && !name.empty();
        if (preset != 0)
            RegCloseKey(preset);
        if (!named)
            continue;
        ++number;
        model.arrEntries.push_back({name, "?Preset" + std::to_string(number) + "?"});
    }
    return model;
}
