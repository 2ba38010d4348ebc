#pragma once
// What the program keeps between runs under HKEY_CURRENT_USER\Software\Morvane\Harvex:
//   Settings           the twenty global values (REG_DWORD 0/1, "LastUpdateCheck" as text)
//   History            "Size" and "1" ... "Size", newest output folder first
//   Presets            "Size"; Presets\Preset1 ... Preset20 with the eleven preset values
//   (the key itself)   "Directory", the installation folder, written by the installer
//
// GUI thread (or the batch front-end's main thread). Each call makes its own
// CPJRegistry for one pass. Store failures are never reported: a missing or
// mistyped value leaves the record's default, write errors are ignored.

#include <string>
#include <vector>

#include "settings/CPresets.h"
#include "settings/CSettings.h"

// Loads settings, history and presets. The history keeps only entries whose
// folder exists (a path beginning with "//" counts as existing); a preset
// without a name is dropped. "History\Size" is clamped to 10 and
// "Presets\Size" to 20 before any key is opened.
void LoadSettings(CSettings& settings, std::vector<CPresets>& arrPresets);

// Writes the settings, the history (the key is replaced as a whole) and the presets.
void SaveSettings(const CSettings& settings, const std::vector<CPresets>& arrPresets);

// Writes the presets as Preset1 ... PresetN in array order and deletes the keys
// PresetN+1 ... Preset20, so no stale preset survives a deletion or a move.
void SavePresets(const std::vector<CPresets>& arrPresets);

// Writes only "IconsInContext", "SubmenuInContext" and "WinIntegration" (what the
// file-manager actions read while the program runs).
void SaveShellOptions(const CSettings& settings);

// Reads "Directory" of the application key without creating anything; false
// when it is missing or not text.
bool ReadInstallDir(std::string& strInstallDir);

// The history filter of LoadSettings.
bool IsHistoryFolderPresent(const std::string& path);
