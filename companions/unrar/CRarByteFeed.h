#pragma once
// Feeds libarchive one continuous byte stream made of ranges of the volumes of a set, in
// order, through libarchive's client callbacks (open/read/skip/close). It knows which
// volume every byte comes from, tells its listener when the stream enters another volume
// (before the first byte of it is handed out), and checks the CRC32 of watched ranges (the
// packed data of the pieces of split entries) as they pass.
//
// Ranges can leave out parts of a volume (the pieces of an entry that began in a volume
// before the one given, the end block and volume header where a volume ends between two
// entries), so libarchive only sees what can be extracted, and ranges can hand out a
// rewritten header instead of the stored one.
// Single-threaded; used by the thread that drives libarchive.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "companions/unrar/IRarVolumeSource.h"

struct archive;

struct RarFeedRange {
    IRarVolumeSource* pSource = nullptr;  // not owned
    size_t nVolumeIndex = 0;
    uint64_t nBegin = 0;  // byte range [nBegin, nEnd) of the volume
    uint64_t nEnd = 0;
    // Set: the bytes [nBegin, nEnd) of this block stand in for a header of the volume (a
    // rewritten header); they are never checked against watched ranges.
    std::shared_ptr<const std::vector<uint8_t>> pLiteral;
};

// A range whose bytes must have a given CRC32 (in volume coordinates).
struct RarWatchedRange {
    size_t nVolumeIndex = 0;
    uint64_t nBegin = 0;
    uint64_t nEnd = 0;
    uint32_t nExpectedCrc = 0;
    size_t nTag = 0;  // returned to the caller on a mismatch
};

class CRarByteFeed {
public:
    explicit CRarByteFeed(size_t nChunkBytes = 1 << 20);

    void AddRange(const RarFeedRange& range);
    void AddWatchedRange(const RarWatchedRange& range);
    // Called with the volume index when the stream enters a volume.
    std::function<void(size_t)> onVolume;
    // Called with the tag of a watched range whose bytes did not match its CRC32.
    std::function<void(size_t)> onWatchedMismatch;

    // Registers the callbacks on pArchive and opens it (archive_read_open2).
    int OpenOn(archive* pArchive);

    uint64_t Position() const { return nPosition; }  // bytes handed out or skipped
    // Where byte nOffset of volume nVolume lies in the stream (for progress); the end of
    // the stream part before it when the byte is left out.
    uint64_t StreamPositionOf(size_t nVolume, uint64_t nOffset) const;
    uint64_t Total() const { return nTotal; }
    bool AtEnd() const { return nRange >= arrRanges.size(); }
    bool ReadFailed() const { return bReadFailed; }
    const std::string& ReadError() const { return strReadError; }

    // Libarchive callbacks.
    static int64_t ReadCallback(archive*, void* pClient, const void** ppBuffer);
    static int64_t SkipCallback(archive*, void* pClient, int64_t nRequest);

private:
    int64_t Read(const void** ppBuffer);
    int64_t Skip(int64_t nRequest);
    void EnterRange();
    void Watch(size_t nVolume, uint64_t nBegin, const uint8_t* p, size_t n, bool bSkipped);

    std::vector<RarFeedRange> arrRanges;
    std::vector<RarWatchedRange> arrWatched;
    std::vector<uint32_t> arrWatchedCrc;
    std::vector<bool> arrWatchedBroken;  // skipped over: cannot be checked
    size_t nWatchedNext = 0;
    std::vector<uint8_t> arrBuffer;
    size_t nRange = 0;
    uint64_t nOffsetInRange = 0;
    bool bRangeEntered = false;
    size_t nAnnouncedVolume = SIZE_MAX;
    uint64_t nPosition = 0;
    uint64_t nTotal = 0;
    bool bReadFailed = false;
    std::string strReadError;
};
