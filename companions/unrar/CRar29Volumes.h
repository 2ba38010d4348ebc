#pragma once
// RAR 4.x data decoded by our own RAR 2.9 decoder (rar29/CRar29Decoder) instead of
// libarchive 3.6, which gets two things wrong:
//  - it refuses every file header that carries the solid flag, and its decoder starts each
//    file afresh, so no solid RAR 4.x archive can be read;
//  - a file larger than its 4 MiB window comes out damaged whenever a match runs past the
//    point up to which it decodes ahead (the first bytes not yet handed out are overwritten).
// So every compressed RAR 2.9 entry (UNP_VER 29 or 36) goes through our decoder, in archive
// order; libarchive still lists the entries and steps over their data. For that, the volumes
// of a solid set are handed to libarchive with the files' solid flags cleared.
//
// This class makes those views and remembers, per file header, what our decoder needs to
// know. Used from one thread.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "companions/unrar/CRarBlockReader.h"
#include "companions/unrar/IRarVolumeSource.h"

struct Rar29File {
    bool bSolid = false;          // continues the state of the compressed file before it
    uint32_t nDictionary = 0;     // window size from the header flags, in bytes
    uint32_t nUnpackVersion = 0;  // 29 or 36 is the RAR 2.9 compression our decoder reads
    bool bSolidSet = false;       // the volume is part of a solid archive
};

class CRar29Volumes {
public:
    // Records the compressed files of a RAR 4.x volume. Returns the volume itself, or, for
    // a volume of a solid archive (main header flag or any file flag), a view of it without
    // the files' solid flags.
    std::unique_ptr<IRarVolumeSource> Wrap(std::unique_ptr<IRarVolumeSource> pSource);

    // The compressed RAR 4.x file whose header (in the volume as handed out) is at
    // nHeaderOffset of strPath; nullptr for anything else.
    const Rar29File* Find(const std::string& strPath, uint64_t nHeaderOffset) const;

private:
    std::map<std::pair<std::string, uint64_t>, Rar29File> m_mapFiles;
};
