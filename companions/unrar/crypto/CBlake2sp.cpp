#include "companions/unrar/crypto/CBlake2sp.h"

#include <blake2.h>

struct CBlake2sp::CState {
    blake2sp_state state;
};

CBlake2sp::CBlake2sp() : m_pState(std::make_unique<CState>()) {
    blake2sp_init(&m_pState->state, 32);
}

CBlake2sp::~CBlake2sp() = default;

void CBlake2sp::Update(const uint8_t* pData, size_t nSize) {
    blake2sp_update(&m_pState->state, pData, nSize);
}

std::array<uint8_t, 32> CBlake2sp::Final() {
    std::array<uint8_t, 32> arrDigest{};
    blake2sp_final(&m_pState->state, arrDigest.data(), arrDigest.size());
    return arrDigest;
}
