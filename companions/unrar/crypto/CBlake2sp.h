#pragma once
// BLAKE2sp, the 32-byte hash RAR 5.0 stores when an archive was made with BLAKE2 instead
// of CRC32 (libb2's reference implementation). Feed pieces, then take the digest once.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

class CBlake2sp {
public:
    CBlake2sp();
    ~CBlake2sp();
    CBlake2sp(const CBlake2sp&) = delete;
    CBlake2sp& operator=(const CBlake2sp&) = delete;

    void Update(const uint8_t* pData, size_t nSize);
    std::array<uint8_t, 32> Final();

private:
    struct CState;
    std::unique_ptr<CState> m_pState;
};
