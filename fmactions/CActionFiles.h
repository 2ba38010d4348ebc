#pragma once
// Writes the menu definitions of all four file managers for one user, and
// removes the ones of ours that the model no longer has. Only files we made
// are touched: our Dolphin service menu, Nemo actions and Nautilus scripts are
// recognised by name and by their marker line; in Thunar's uca.xml (shared with
// the user's own actions) only the <action> elements whose unique-id carries
// our prefix are replaced, the rest of the file stays byte for byte.
//
// Every file is written to a temporary name and renamed into place, and is
// left alone when its text is already right (file managers watch these files).

#include <string>
#include <vector>

#include "fmactions/CMenuModel.h"

struct CActionTargets {
    std::string strDataHome;    // $XDG_DATA_HOME, else ~/.local/share
    std::string strConfigHome;  // $XDG_CONFIG_HOME, else ~/.config
};

// From the environment; empty members when neither the XDG variable nor HOME is set.
CActionTargets DefaultActionTargets();

// Writes the model; returns one line per failure (empty: everything written).
std::vector<std::string> WriteFileManagerMenus(const CMenuModel& model, const CActionTargets& targets);

// uca.xml with our actions replaced by `ours` (inserted before </actions>);
// false, and nothing changed, when the text has no </actions> to insert before.
bool MergeThunarActions(const std::string& existing, const std::string& ours, std::string& merged);
