#pragma once
// Entry names and link targets checked against the destination, lexically. Pure functions.

#include <string>

class CEntryPath {
public:
    // Turns an entry name into a relative path below the destination: backslashes count as
    // separators, empty and "." components are dropped. Returns false for a name that is
    // absolute ("/x", "C:x", "C:\x"), contains a ".." component, or names nothing.
    static bool Normalize(const std::string& strName, std::string& strRelative);
    // True when a symbolic link at strEntry (a normalized relative path) with the target
    // strTarget resolves, lexically, to a place inside the destination.
    static bool LinkStaysInside(const std::string& strEntry, const std::string& strTarget);
    // The folder part of a normalized relative path ("" at the top).
    static std::string Parent(const std::string& strRelative);
    // The last component of a normalized relative path.
    static std::string Leaf(const std::string& strRelative);
};
