#pragma once

#include <string>
#include <vector>

// Turns an entry name of a ZIP file into a path below the destination folder, or says
// why it cannot be one. Pure functions: no file system access.
class CSafePath {
public:
    // Splits strName into components. Backslashes count as separators (archives written on
    // Windows use them), empty and "." components are dropped. Refuses absolute names
    // (leading "/" or a drive such as "C:"), any ".." component and names that end up
    // empty; strReason then says which. bDirectory is set when the name ends with a separator.
    static bool Split(const std::string& strName, std::vector<std::string>& arrParts, bool& bDirectory,
                      std::string& strReason);

    // Whether a symbolic link at arrLinkParts (its own components) whose text is strTarget
    // stays inside the destination: relative, and its ".." components only at the front
    // and no more of them than the link's folder is deep. Leading ".." climb real folders
    // (the link's folder never contains links: we create it), and the rest only descends,
    // so it cannot leave the destination through other links that obey the same rule.
    static bool IsLinkTargetInside(const std::vector<std::string>& arrLinkParts,
                                   const std::string& strTarget);

    // Joins components with "/".
    static std::string Join(const std::vector<std::string>& arrParts, size_t nCount);
};
