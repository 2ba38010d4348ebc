#pragma once
// RAR 2.9 decompressor (RAR 3.x/4.x archives, file headers with UNP_VER 29): LZ with
// Huffman tables, PPMd var.H and the standard filters, keeping its state from one file to
// the next as solid archives need (the window and its position, the tables, the recent
// distances, the filters, the PPMd model).
//
// Use from one thread. Owns its window (4 MiB) and the PPMd model memory the stream asks
// for (at most 256 MiB). Never checks CRCs (the caller does). Damaged or hostile data ends
// in an error (Error()), never in a read or write out of bounds or an endless loop.
//
// For each file: BeginFile(), then Read() until it returns 0 (or Skip()). A solid file may
// only follow a file that was decoded to its end without error.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class CRar29Engine;

class CRar29Decoder {
public:
    // Pulls packed bytes of the current file into pBuffer: returns the count (0 once that
    // file's packed data is over), or -1 on a read error.
    using Reader = std::function<int64_t(uint8_t* pBuffer, size_t nMax)>;
    CRar29Decoder();
    ~CRar29Decoder();
    CRar29Decoder(const CRar29Decoder&) = delete;
    CRar29Decoder& operator=(const CRar29Decoder&) = delete;
    // Starts the next file. bSolid: the file continues the state of the file decoded before
    // it (valid only when that file was decoded to its end without error; otherwise
    // BeginFile returns false with Error() set). nDictionary: window size in bytes from the
    // header flags (64 KiB << ((flags >> 5) & 7), at most 4 MiB). A non-solid file resets all.
    bool BeginFile(uint64_t nUnpackedSize, bool bSolid, uint32_t nDictionary, Reader read);
    // Puts up to nMax bytes of the current file's data into pOut; returns the count, 0 once
    // all nUnpackedSize bytes were handed out, -1 on damaged or unsupported data (Error())
    // or a read error (ReadFailed()).
    int64_t Read(uint8_t* pOut, size_t nMax);
    // Decodes and drops the rest of the current file (its successor in a solid archive
    // needs the state). false on error.
    bool Skip();
    const std::string& Error() const;
    bool ReadFailed() const;

    // What the streams decoded so far used (for tests and diagnostics).
    struct CStats {
        uint64_t nLzBlocks = 0;        // LZ blocks begun (table sets read)
        uint64_t nPpmdBlocks = 0;      // PPMd block headers read
        uint64_t nFilters = 0;         // filters run
        uint64_t nEndMarkers = 0;      // files that ended with the end-of-file marker
    };
    const CStats& Stats() const;

private:
    std::unique_ptr<CRar29Engine> m_pEngine;
};
