#pragma once
// The records that archive discovery puts into the work lists (CWorkLists).
// Plain data, copied by value.

#include <cstdint>
#include <string>

// One file found while scanning an item. Exactly one kind flag (bRar ...
// bSubtitle) is set in a record that reaches a list.
class CFileInformation {
public:
    std::string strPath;    // full path of the file
    std::string strFolder;  // folder of the file, ending in '/'
    int bRar = 0;           // first volume of a RAR set (work list) or a RAR volume (all files)
    int bNfo = 0;           // ".nfo" file
    int bSubsPack = 0;      // RAR first volume or ".sfv" inside a subtitles folder
    int bSample = 0;        // video inside a sample folder
    int bZip = 0;           // ".zip" file
    int bCover = 0;         // ".jpg" or ".sfv" inside a covers folder
    int bJunk = 0;          // ".sfv", ".diz" or "*-OFFLINE" outside the special folders
    int bSubtitle = 0;      // ".sub", ".idx" or ".srt"
    uint32_t nSize = 0;     // low 32 bits of the file length
    int bDone = 0;          // already read as a volume of another archive of the item

    void Clear() { *this = CFileInformation(); }
    bool operator==(const CFileInformation&) const = default;
};

// One RAR volume found. Equal when name and folder are equal byte for byte.
class RarFiles {
public:
    std::string strName;    // file name without folder
    std::string strFolder;  // folder ending in '/'

    void Clear() {
        strName.clear();
        strFolder.clear();
    }
    bool operator==(const RarFiles&) const = default;
};

// One ZIP file found.
class ZipFiles {
public:
    std::string strName;    // file name without folder
    std::string strFolder;  // folder ending in '/'

    bool operator==(const ZipFiles&) const = default;
};
