#include "companions/unrar/crypto/CRarKeyCache.h"

const rarcrypto::CRar5Keys* CRarKeyCache::Rar5(const std::string& strPassword,
                                               const uint8_t* pSalt, int kdfCount) {
  auto key = std::make_tuple(strPassword,
                             std::string(reinterpret_cast<const char*>(pSalt),
                                         rarcrypto::RAR5_SALT_SIZE),
                             kdfCount);
  auto it = m_mapRar5.find(key);
  if (it != m_mapRar5.end()) {
    return &it->second;
  }
  rarcrypto::CRar5Keys keys;
  ++m_nDerivations;
  if (!rarcrypto::DeriveRar5Keys(strPassword, pSalt, kdfCount, keys)) {
    return nullptr;
  }
  return &m_mapRar5.emplace(std::move(key), keys).first->second;
}

const rarcrypto::CRar3Key* CRarKeyCache::Rar3(const std::string& strPassword,
                                              const uint8_t* pSalt) {
  auto key = std::make_pair(strPassword, std::string(reinterpret_cast<const char*>(pSalt),
                                                     rarcrypto::RAR3_SALT_SIZE));
  auto it = m_mapRar3.find(key);
  if (it != m_mapRar3.end()) {
    return &it->second;
  }
  rarcrypto::CRar3Key derived;
  ++m_nDerivations;
  if (!rarcrypto::DeriveRar3Key(strPassword, pSalt, derived)) {
    return nullptr;
  }
  return &m_mapRar3.emplace(std::move(key), derived).first->second;
}
