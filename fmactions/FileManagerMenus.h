#pragma once
// The menu definitions of the four file managers, made from a CMenuModel.
// Pure functions: they return file contents; CActionFiles writes them.
//
//   Dolphin   one KDE service menu, kio/servicemenus/harvex.desktop (data home)
//   Nemo      one action file per entry, nemo/actions/harvex-NN.nemo_action
//   Thunar    <action> elements merged into Thunar/uca.xml (config home)
//   Nautilus  one script per entry in nautilus/scripts/ (or its Harvex/ folder)
//
// Every entry starts `harvex`, for a preset entry with the one argument
// "?PresetN?" first, then the selected paths, each one argument: the paths are
// inserted by the file manager's own field code (%F) and its own quoting, never
// by text of ours, so no name is ever read by a shell as code.

#include <string>
#include <vector>

#include "fmactions/CMenuModel.h"

struct CMenuFile {
    std::string strName;  // file name, or "folder/file" for a Nautilus submenu script
    std::string strText;
    bool operator==(const CMenuFile&) const = default;
};

// Folder names and globs of what the entries are offered on.
extern const char* const NAUTILUS_MARKER_LINE;

// Empty when there are no entries.
std::string MakeDolphinServiceMenu(const CMenuModel& model);
std::vector<CMenuFile> MakeNemoActions(const CMenuModel& model);
std::vector<CMenuFile> MakeNautilusScripts(const CMenuModel& model);
// The <action> elements of our entries (two per entry: folders, and archive files).
std::string MakeThunarActions(const CMenuModel& model);

// The unique-id prefix that marks our Thunar actions.
inline constexpr const char* THUNAR_ID_PREFIX = "harvex-fmactions-";

// The archive names offered: .rar, .zip and old-style volumes .r00 ... .r99,
// lower and upper case (new-style volumes end in .rar).
std::vector<std::string> ArchiveExtensions();
