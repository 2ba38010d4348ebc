#pragma once
// What the file-manager menus show, read from the registry store the way the
// program reads it: the three shell settings under Settings ("WinIntegration",
// "IconsInContext", "SubmenuInContext", REG_DWORD, defaults 1/1/0) and the
// preset names under Presets ("Size", Preset1 ... PresetSize with "Name").
//
// Presets are numbered as the program numbers them after loading: a preset key
// whose name is missing or empty is passed over, so the entries carry the
// position the program gives the preset, and "?PresetN?" selects that preset.
// Nothing is written; a missing or mistyped value keeps its default.

#include <string>
#include <vector>

struct CMenuEntry {
    std::string strLabel;     // "Harvex" or the preset's name
    std::string strSelector;  // "" or "?PresetN?"
    bool operator==(const CMenuEntry&) const = default;
};

struct CMenuModel {
    bool bWinIntegration = true;
    bool bIconsInContext = true;
    bool bSubmenuInContext = false;
    // "Harvex" first, then one entry per preset in the program's order; empty
    // when the integration is off.
    std::vector<CMenuEntry> arrEntries;
};

CMenuModel ReadMenuModel();
