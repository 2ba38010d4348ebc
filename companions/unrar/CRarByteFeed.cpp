#include "companions/unrar/CRarByteFeed.h"

#include <archive.h>
#include <zlib.h>

#include <algorithm>

CRarByteFeed::CRarByteFeed(size_t nChunkBytes) : arrBuffer(nChunkBytes) {}

void CRarByteFeed::AddRange(const RarFeedRange& range) {
    if (range.nEnd > range.nBegin) {
        arrRanges.push_back(range);
        nTotal += range.nEnd - range.nBegin;
    }
}

void CRarByteFeed::AddWatchedRange(const RarWatchedRange& range) {
    arrWatched.push_back(range);
    arrWatchedCrc.push_back(uint32_t(crc32(0L, Z_NULL, 0)));
    arrWatchedBroken.push_back(false);
}

int CRarByteFeed::OpenOn(archive* pArchive) {
    archive_read_set_read_callback(pArchive, &CRarByteFeed::ReadCallback);
    archive_read_set_skip_callback(pArchive, &CRarByteFeed::SkipCallback);
    archive_read_set_callback_data(pArchive, this);
    return archive_read_open1(pArchive);
}

int64_t CRarByteFeed::ReadCallback(archive*, void* pClient, const void** ppBuffer) {
    return static_cast<CRarByteFeed*>(pClient)->Read(ppBuffer);
}

int64_t CRarByteFeed::SkipCallback(archive*, void* pClient, int64_t nRequest) {
    return static_cast<CRarByteFeed*>(pClient)->Skip(nRequest);
}

void CRarByteFeed::EnterRange() {
    if (bRangeEntered || nRange >= arrRanges.size()) {
        return;
    }
    bRangeEntered = true;
    size_t vol = arrRanges[nRange].nVolumeIndex;
    if (vol != nAnnouncedVolume) {
        nAnnouncedVolume = vol;
        if (onVolume) {
            onVolume(vol);
        }
    }
}

// Updates the CRC of every watched range that overlaps [nBegin, nBegin + n) of a volume.
// Ranges come in stream order, so only the ranges from nWatchedNext on can be touched.
void CRarByteFeed::Watch(size_t nVolume, uint64_t nBegin, const uint8_t* p, size_t n, bool bSkipped) {
    uint64_t nEnd = nBegin + n;
    for (size_t i = nWatchedNext; i < arrWatched.size(); ++i) {
        const RarWatchedRange& w = arrWatched[i];
        if (w.nVolumeIndex != nVolume) {
            if (w.nVolumeIndex > nVolume) {
                break;
            }
            continue;
        }
        if (w.nBegin >= nEnd) {
            break;
        }
        if (w.nEnd <= nBegin) {
            continue;
        }
        uint64_t a = std::max(w.nBegin, nBegin);
        uint64_t b = std::min(w.nEnd, nEnd);
        if (bSkipped) {
            arrWatchedBroken[i] = true;
        } else {
            arrWatchedCrc[i] = uint32_t(crc32_z(arrWatchedCrc[i], p + (a - nBegin), size_t(b - a)));
        }
        if (b == w.nEnd) {
            if (!arrWatchedBroken[i] && arrWatchedCrc[i] != w.nExpectedCrc && onWatchedMismatch) {
                onWatchedMismatch(w.nTag);
            }
            if (i == nWatchedNext) {
                ++nWatchedNext;
            }
        }
    }
}

int64_t CRarByteFeed::Read(const void** ppBuffer) {
    while (nRange < arrRanges.size()) {
        const RarFeedRange& r = arrRanges[nRange];
        uint64_t left = r.nEnd - r.nBegin - nOffsetInRange;
        if (left == 0) {
            ++nRange;
            nOffsetInRange = 0;
            bRangeEntered = false;
            continue;
        }
        EnterRange();
        size_t want = size_t(std::min<uint64_t>(left, arrBuffer.size()));
        uint64_t at = r.nBegin + nOffsetInRange;
        if (r.pLiteral) {
            *ppBuffer = r.pLiteral->data() + at;
            nOffsetInRange += want;
            nPosition += want;
            return int64_t(want);
        }
        int64_t got = r.pSource->ReadAt(at, arrBuffer.data(), want);
        if (got < 0) {
            bReadFailed = true;
            strReadError = r.pSource->Path() + ": " + r.pSource->LastError();
            return ARCHIVE_FATAL;
        }
        if (got == 0) {
            // The volume shrank since it was scanned.
            bReadFailed = true;
            strReadError = r.pSource->Path() + ": the file is shorter than when it was opened";
            return ARCHIVE_FATAL;
        }
        Watch(r.nVolumeIndex, at, arrBuffer.data(), size_t(got), false);
        nOffsetInRange += uint64_t(got);
        nPosition += uint64_t(got);
        *ppBuffer = arrBuffer.data();
        return got;
    }
    *ppBuffer = nullptr;
    return 0;
}

int64_t CRarByteFeed::Skip(int64_t nRequest) {
    int64_t done = 0;
    while (done < nRequest && nRange < arrRanges.size()) {
        const RarFeedRange& r = arrRanges[nRange];
        uint64_t left = r.nEnd - r.nBegin - nOffsetInRange;
        if (left == 0) {
            ++nRange;
            nOffsetInRange = 0;
            bRangeEntered = false;
            continue;
        }
        EnterRange();
        uint64_t step = std::min<uint64_t>(left, uint64_t(nRequest - done));
        if (!r.pLiteral) {
            Watch(r.nVolumeIndex, r.nBegin + nOffsetInRange, nullptr, size_t(step), true);
        }
        nOffsetInRange += step;
        nPosition += step;
        done += int64_t(step);
    }
    return done;
}

uint64_t CRarByteFeed::StreamPositionOf(size_t nVolume, uint64_t nOffset) const {
    uint64_t pos = 0;
    for (const RarFeedRange& r : arrRanges) {
        if (r.pLiteral) {
            pos += r.nEnd - r.nBegin;
            continue;
        }
        if (r.nVolumeIndex > nVolume || (r.nVolumeIndex == nVolume && r.nBegin > nOffset)) {
            break;
        }
        if (r.nVolumeIndex == nVolume && nOffset < r.nEnd) {
            return pos + (nOffset - r.nBegin);
        }
        pos += r.nEnd - r.nBegin;
    }
    return pos;
}
