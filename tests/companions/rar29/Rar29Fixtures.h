#pragma once
// Test helpers: the RAR 4.x entries of a real archive (decrypted through CRarDecryption
// when a password is given) with their packed data, and a decoder run over them.

#include <cstdint>
#include <string>
#include <vector>

#include "companions/unrar/CRarBlockReader.h"
#include "third_party/rar29/CRar29Decoder.h"

struct CPackedEntry {
    RarFileBlock block;
    std::vector<uint8_t> arrPacked;
};

std::string FixturePath(const std::string& strName);
// The file entries (directories left out) in archive order; empty on any failure.
std::vector<CPackedEntry> LoadEntries(const std::string& strArchive, const std::string& strPassword = "");
uint32_t Crc32Of(const std::vector<uint8_t>& arrData);

// A Reader over arrData handing out at most nChunk bytes per call.
CRar29Decoder::Reader VectorReader(const std::vector<uint8_t>& arrData, size_t nChunk = 1 << 20);

struct CDecodeResult {
    bool bBegun = false;
    bool bOk = false;  // decoded to its size without an error
    std::string strError;
    std::vector<uint8_t> arrOut;
};
// Decodes one entry with the given packed data, reading nReadSize bytes at a time.
CDecodeResult DecodeEntry(CRar29Decoder& decoder, const RarFileBlock& block,
                          const std::vector<uint8_t>& arrPacked, size_t nReadSize = 65536,
                          size_t nChunk = 1 << 20);
