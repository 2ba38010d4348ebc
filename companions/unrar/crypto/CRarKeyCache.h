#pragma once
// Derived keys per (salt, password): both formats' derivations are slow on purpose, and
// RAR 4.x gives every file (and, with encrypted headers, every header) a salt of its own
// that is usually shared by the whole archive. The cache derives each pair once and hands
// out references that stay valid as long as the cache.
//
// Used from one thread (the program's extraction loop); not locked.

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "companions/unrar/crypto/RarKeyDerivation.h"

class CRarKeyCache {
public:
    // nullptr when the derivation fails (an iteration count the format does not allow).
    const rarcrypto::CRar5Keys* Rar5(const std::string& strPassword, const uint8_t* pSalt, int kdfCount);
    // nSaltSize is RAR3_SALT_SIZE, or 0 for a file written without a salt.
    const rarcrypto::CRar3Key* Rar3(const std::string& strPassword, const uint8_t* pSalt,
                                    size_t nSaltSize = rarcrypto::RAR3_SALT_SIZE);

    // Derives the RAR 4.x keys of all these salts that are not cached yet, spread over
    // nThreads threads (the derivation is slow on purpose and archives with many files
    // often give each file a salt of its own). Later Rar3() calls find them cached.
    void PrefetchRar3(const std::string& strPassword, const std::vector<std::string>& arrSalts,
                      unsigned nThreads);

    // How many derivations really ran (the rest were served from the cache).
    int DerivationCount() const { return m_nDerivations; }

private:
    std::map<std::tuple<std::string, std::string, int>, rarcrypto::CRar5Keys> m_mapRar5;
    std::map<std::pair<std::string, std::string>, rarcrypto::CRar3Key> m_mapRar3;
    int m_nDerivations = 0;
};
