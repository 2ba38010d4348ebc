#pragma once
// Solid RAR 4.x archives. libarchive 3.6 refuses every file header that carries the solid
// flag, and its decoder starts each file afresh anyway. So the volumes of such a set are
// handed to libarchive with that flag cleared (it then lists the entries and steps over
// their data), and the data of every compressed entry is decoded by CRar29Decoder in
// archive order, which keeps the window, tables and models from one file to the next.
//
// This class makes those views and remembers, per file header of the view, what the
// cleared flags said. Used from one thread.

#include "companions/unrar/CRarBlockReader.h"
#include "companions/unrar/IRarVolumeSource.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>

struct SolidRar4File {
    bool bSolid = false;       // continues the state of the compressed file before it
    uint32_t nDictionary = 0;  // window size from the header flags, in bytes
};

class CSolidRar4 {
public:
    // Returns the volume itself, or a view of it without the files' solid flags when it is
    // a RAR 4.x volume of a solid archive (main header flag or any file flag).
    std::unique_ptr<IRarVolumeSource> Wrap(std::unique_ptr<IRarVolumeSource> pSource);

    // What the solid view's file header at nHeaderOffset of the volume strPath said; nullptr
    // for a file of a volume that is not solid (libarchive decodes those itself).
    const SolidRar4File* Find(const std::string& strPath, uint64_t nHeaderOffset) const;

    static constexpr uint8_t FILE_SOLID = 0x10;  // in the low byte of a file header's flags

private:
    std::map<std::pair<std::string, uint64_t>, SolidRar4File> m_mapFiles;
};
