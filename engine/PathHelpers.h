#pragma once
// Byte-string helpers for paths ('/' separated, compared exactly) and
// system error texts. Pure functions, safe on any thread, except
// IsFolderAvailable which asks the file system.

#include <string>

// ASCII lower-casing; other bytes (UTF-8 sequences) are left alone.
std::string LowerAscii(std::string strText);

// The text after the last '.' of a name, lower-cased; empty without a dot.
std::string GetExtension(const std::string& strName);

// The part after the last '/' (the whole text when there is none).
std::string FileNameOf(const std::string& strPath);

// Everything up to and including the last '/' ("" when there is none): the
// folder part of a file's path. A folder named like the file cannot cut it.
std::string FolderPartOf(const std::string& strPath);

// The folder holding strPath: the text before its last '/', "/" for an
// entry of the root, "" when the path has no '/'.
std::string ParentFolderOf(const std::string& strPath);

// Output-folder normalization: "//" inside the path becomes "/" (one pass
// from the left, so "///" becomes "//"), a leading "//" (network path) is kept.
std::string NormalizePath(const std::string& strPath);

// "" when strBase ends with '/', else "/"; "/" for an empty base.
std::string SeparatorFor(const std::string& strBase);

// True for a path beginning with "//" (taken as present without asking),
// otherwise true when the path exists and is a directory (links followed).
bool IsFolderAvailable(const std::string& strPath);

// The system's text for an errno value, on one line (CR and LF become blanks).
std::string SystemErrorText(int nError);
