#include "third_party/rar29/CRar29Decoder.h"

#include "third_party/rar29/CRar29Engine.h"

CRar29Decoder::CRar29Decoder() : m_pEngine(std::make_unique<CRar29Engine>()) {}

CRar29Decoder::~CRar29Decoder() = default;

bool CRar29Decoder::BeginFile(uint64_t nUnpackedSize, bool bSolid, uint32_t nDictionary, Reader read) {
    return m_pEngine->BeginFile(nUnpackedSize, bSolid, nDictionary, std::move(read));
}

int64_t CRar29Decoder::Read(uint8_t* pOut, size_t nMax) { return m_pEngine->Read(pOut, nMax); }

bool CRar29Decoder::Skip() { return m_pEngine->Skip(); }

const std::string& CRar29Decoder::Error() const { return m_pEngine->strError; }

bool CRar29Decoder::ReadFailed() const { return m_pEngine->bReadFailed; }

const CRar29Decoder::CStats& CRar29Decoder::Stats() const { return m_pEngine->stats; }
