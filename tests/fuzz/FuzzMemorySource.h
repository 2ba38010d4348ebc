#pragma once
// A RAR volume held in memory, for the fuzz targets of the RAR readers.

#include <cstring>
#include <string>

#include "companions/unrar/IRarVolumeSource.h"

class CFuzzMemorySource : public IRarVolumeSource {
public:
    CFuzzMemorySource(const uint8_t* pData, size_t nSize)
        : m_strData(reinterpret_cast<const char*>(pData), nSize) {}

    const std::string& Path() const override { return m_strPath; }
    uint64_t Size() const override { return m_strData.size(); }
    int64_t ReadAt(uint64_t nOffset, void* pBuffer, size_t nBytes) override {
        if (nOffset >= m_strData.size()) {
            return 0;
        }
        size_t nCount = std::min<uint64_t>(nBytes, m_strData.size() - nOffset);
        std::memcpy(pBuffer, m_strData.data() + nOffset, nCount);
        return int64_t(nCount);
    }
    std::string LastError() const override { return "no error"; }

private:
    std::string m_strPath = "fuzz.rar";
    std::string m_strData;
};
