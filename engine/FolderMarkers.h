#pragma once
// The folder tests of discovery and companions: where a sample, subtitles or
// covers folder name occurs in a path. Pure functions, any thread.
//
// The path is lower-cased (ASCII) and, when bAppendSlash is set, given a
// trailing '/'. Only the part of the path below strBase is searched: a marker
// in a folder above the item (an item under /srv/covers/...) never counts.
// strBase empty, or a path not below strBase, searches the whole path.
// The answer is the byte position of the marker's leading '/' in the path as
// given, or -1.

#include <string>

// "/sample/", "/samples/", "/vobsample/", "/vobsamples/" (first found in this order).
int SampleFolderPos(const std::string& strPath, bool bAppendSlash,
                    const std::string& strBase = std::string());
// Folder part only (up to the last '/'): "/subs/", "/sub/", "/vobsubs/",
// "/vobsub/", "/subpack/", "/subspack/", "/subtitles/".
int SubsFolderPos(const std::string& strPath, bool bAppendSlash, const std::string& strBase = std::string());
// Folder part only: "/cover/", "/covers/".
int CoverFolderPos(const std::string& strPath, bool bAppendSlash, const std::string& strBase = std::string());
