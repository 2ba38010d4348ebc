#pragma once
// The volumes of one RAR set, read in order starting with the volume given: each volume's
// block structure is read (CRarBlockReader) and the next one is opened for as long as the
// previous one says that another follows. The walk stops at the first volume that is
// missing, damaged or not a RAR volume, and records why; the volumes read up to there stay
// usable. Used from one thread.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "companions/unrar/CRarBlockReader.h"
#include "companions/unrar/IRarVolumeSource.h"

struct RarSetVolume {
    std::unique_ptr<IRarVolumeSource> pSource;
    RarVolumeInfo info;
};

enum class RarSetEnd {
    Complete,         // the last volume says no other follows
    CannotOpen,       // the volume given cannot be opened (strEndPath, strEndError)
    NotRar,           // the volume given is not a RAR archive
    MissingVolume,    // strEndPath, the next volume, does not exist or cannot be opened
    WrongVolume,      // strEndPath is not the volume that should follow (not RAR, other set)
    Damaged,          // the last volume read is cut short or has a damaged header
    HeadersEncrypted  // the last volume read has encrypted headers; its entries are unknown
};

class CRarVolumeSet {
public:
    using SourceOpener =
        std::function<std::unique_ptr<IRarVolumeSource>(const std::string& strPath, std::string& strError)>;

    // Opens strFirstPath and the volumes after it. opener defaults to CFileVolumeSource::Open.
    void Open(const std::string& strFirstPath, SourceOpener opener = {});

    std::vector<RarSetVolume> arrVolumes;
    RarSetEnd eEnd = RarSetEnd::Complete;
    std::string strEndPath;   // the volume the walk stopped at
    std::string strEndError;  // its detail

    static constexpr size_t MAX_VOLUMES = 100000;
};
