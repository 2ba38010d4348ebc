#pragma once
// What harvex-batch takes from the rest of Harvex, gathered in one place: the
// settings store, the item records as "Add files"/"Add folder" make them, the
// output-folder rules and the unzip library.

#include <memory>
#include <string>
#include <vector>

#include "engine/CJobList.h"
#include "settings/CPresets.h"
#include "settings/CSettings.h"

struct CUnzipContext;

// An absolute form of strPath (relative to the current folder), without "." and ".."
// components and without a trailing '/'; links are not resolved.
std::string AbsolutePath(const std::string& strPath);

// Fills the item's paths and type for a folder, a RAR file or a ZIP file; false otherwise.
bool MakeBatchItem(const std::string& strPath, bool bFolder, CListItem& item);

// The folder a row extracts into when it is processed ("" in test mode).
std::string ResolveBatchOutput(CJobList& list, CSettings& settings, int nRow);

// The settings and presets of the store.
void LoadBatchSettings(CSettings& settings, std::vector<CPresets>& arrPresets);

// The unzip library, loaded from strPath (not loaded when the file is missing).
std::unique_ptr<CUnzipContext> LoadUnzipLibrary(const std::string& strPath);
