#pragma once
// RAR volume naming: which names form one set, which name begins a set, and
// the signature test. Pure functions except IsRarArchive, which reads the
// first four bytes of a file. Any thread.
//
// Two naming styles exist: the new style "name.part1.rar", "name.part01.rar"
// ... (one to four digits) and the old style "name.rar", "name.r00",
// "name.r01" ... (or "name.000", "name.001" ...).

#include <string>

#include "engine/CFileInformation.h"

// True when the name ends in ".part" + 1..4 digits + ".rar" (any case).
// *pBaseLength (optional) receives the length of the text before ".part".
bool IsNewStyleVolumeName(const std::string& strName, size_t* pBaseLength = nullptr);

// True when the name is the first volume of a new-style set: digits 1, 01,
// 001 or 0001.
bool IsFirstNewStyleVolume(const std::string& strName);

// The pattern naming the volumes of the set strName belongs to:
// "Movie.part01.rar" -> "Movie.part*", "movie.rar" -> "movie.*". The cut for
// the new style is made at the ".part" of the volume number, never at a
// ".part" earlier in the name ("Some.Party.part1.rar" -> "Some.Party.part*").
std::string MakeVolumePattern(const std::string& strName);

// True when strName is a volume of the set described by strPattern (as made
// by MakeVolumePattern): "X.part*" takes X.part + digits + ".rar"; "X.*"
// takes X + "." + an extension without further dots. "Movie.*" therefore
// does not take "Movie.Extras.rar".
bool MatchesVolumePattern(const std::string& strPattern, const std::string& strName);

// False when strName is a later volume of the same set as strOther; see the
// two styles in RarNaming.cpp.
bool IsBeforeInSet(const std::string& strName, const std::string& strOther, bool bPartStyle);

// Extensions that are never taken as RAR volumes even with the signature.
bool IsRejectedRarExtension(const std::string& strExtension);

// The decision of IsRarArchive from what was read: bOpened false means the
// file could not be read (then only the extension "rar" makes a candidate).
bool IsRarCandidate(const std::string& strExtension, const unsigned char* pHead, size_t nHeadLength,
                    bool bOpened);

// Reads the first four bytes of a regular file (never opens a FIFO or a
// device, never blocks) and decides whether it is a RAR volume. On true,
// *pFound (optional) receives the file's name and folder.
bool IsRarArchive(const std::string& strPath, RarFiles* pFound = nullptr);
