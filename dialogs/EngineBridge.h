#pragma once
// Engine operations the dialogs need and the engine does not offer yet: preset moves and
// deletions that renumber the items, the item lookup by id, the report's "Delete remaining"
// for one item, and the mode an item ran in. GUI thread only. Each keeps the name the engine
// will give it, inside namespace bridge, so switching over is a change of namespace.

#include <string>
#include <vector>

#include "engine/CJobList.h"
#include "settings/CPresets.h"

namespace bridge {

constexpr int PRESET_NAME_MAX = 40;
constexpr int PRESET_MAX = 20;

// Characters (Unicode code points) of a UTF-8 name: the one unit of the 40-character limit.
int PresetNameLength(const std::string& strUtf8);

// Moves preset nFrom to position nTo; every item's nPreset follows its preset.
bool MovePreset(std::vector<CPresets>& arrPresets, CJobList& list, int nFrom, int nTo);
// Deletes preset nIndex; its items fall back to the main options (-1), items of later
// presets keep theirs (index - 1). Rows without a result get their idle image again.
bool DeletePreset(std::vector<CPresets>& arrPresets, CJobList& list, int nIndex);

int FindRowById(const CJobList& list, int nId);  // -1 when no row has that id
CListItem* ItemById(CJobList& list, int nId);    // null when gone

enum class EDeleteRemaining { Deleted, PartlyDeleted, NoSuchItem, ItemBusy, NothingToDelete };
// Looks the item up by nId; deletes only clean-up entries inside the item's input folder,
// never inside its output folder and never through a symbolic link; when nothing is left
// the row becomes "Completed OK" with the elapsed time.
EDeleteRemaining DeleteRemainingForItem(CJobList& list, int nId, bool bProcessing);

// Whether the item's last run was a test: from its preset or the main options.
bool RunWasTest(const CJobList& list, const CListItem& item);

}  // namespace bridge
