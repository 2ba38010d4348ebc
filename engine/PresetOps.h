#pragma once
// Operations on the preset array that keep the job list's items bound to the
// preset they had: items refer to presets by position (CListItem::nPreset), so
// moving or deleting a preset renumbers every item with it. Also the limits of
// the preset array and the one character unit of a preset name.
//
// Threads: GUI thread only. Ownership: the preset array belongs to the main
// window (the list reads it through SetPresets); nothing here keeps a pointer.

#include <string>
#include <vector>

#include "engine/CJobList.h"
#include "settings/CPresets.h"

class COutputFolders;

// A preset name holds 1 to PRESET_NAME_MAX characters; at most PRESET_MAX presets.
constexpr int PRESET_NAME_MAX = 40;
constexpr int PRESET_MAX = CPresets::MAX_PRESETS;
static_assert(PRESET_MAX == 20);

// The length of a preset name in characters: Unicode code points of its UTF-8
// text. A byte that does not start a valid UTF-8 sequence counts as one
// character, so every byte string has a length. This is the one unit of the
// 40-character limit everywhere (the editor, the manager's list, validation).
int PresetNameLength(const std::string& strUtf8);

// Moves the preset at nFrom to position nTo (taken out, then inserted, as the
// manager's Up and Down do). Every item keeps the preset it had: its nPreset
// follows the preset's new position, and an unprocessed row's image (75 + k)
// is renewed. False (nothing changed) for an index outside the array or
// nFrom == nTo.
bool MovePreset(std::vector<CPresets>& arrPresets, CJobList& list, int nFrom, int nTo);

// Deletes the preset at nIndex. Items of that preset return to the main
// window's options (nPreset -1); items of later presets follow them down by
// one. Unprocessed rows get their idle image again; with pOutput, the output
// column of every row that is not "Completed OK" is refreshed. False for an
// index outside the array.
bool DeletePreset(std::vector<CPresets>& arrPresets, CJobList& list, int nIndex,
                  COutputFolders* pOutput = nullptr);

// The presets manager's list shows only presets with a name of 1 to 40
// characters; the others (edited outside the program) are deleted here, with
// DeletePreset, so that items bound to later presets keep theirs. Answers how
// many were deleted.
int DeleteUnlistablePresets(std::vector<CPresets>& arrPresets, CJobList& list,
                            COutputFolders* pOutput = nullptr);

// The manager's refusals (information message boxes).
std::string PresetLimitMessage();  // "No more than 20 presets allowed.\r\n..."
inline constexpr const char* NO_PRESET_SELECTED = "No preset selected";
