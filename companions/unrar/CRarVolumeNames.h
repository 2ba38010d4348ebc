#pragma once
// Names of the volumes of a RAR set. Two naming styles exist:
//   new: name.part1.rar, name.part2.rar ... (any number of digits, kept at least as wide)
//   old: name.rar, name.r00, name.r01 ... name.r99, name.s00 ...
// Pure functions.

#include <string>

class CRarVolumeNames {
public:
    // True when strPath ends in ".part<digits>.rar" (case-insensitive).
    static bool IsNewStyleName(const std::string& strPath);
    // The path of the volume after strPath. bNewNumbering selects the style when the name
    // allows it; a name without ".part<digits>.rar" always follows the old style. Returns
    // an empty string when no next name can be formed.
    static std::string NextVolumeName(const std::string& strPath, bool bNewNumbering);
    // The volume number encoded in a name: part1 -> 1, .rar -> 1, .r00 -> 2; 0 when unknown.
    static long VolumeNumberOf(const std::string& strPath);
};
