#include "companions/unrar/crypto/CRarKeyCache.h"

#include <set>
#include <thread>

const rarcrypto::CRar5Keys* CRarKeyCache::Rar5(const std::string& strPassword, const uint8_t* pSalt,
                                               int kdfCount) {
    auto key = std::make_tuple(
        strPassword, std::string(reinterpret_cast<const char*>(pSalt), rarcrypto::RAR5_SALT_SIZE), kdfCount);
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

const rarcrypto::CRar3Key* CRarKeyCache::Rar3(const std::string& strPassword, const uint8_t* pSalt,
                                              size_t nSaltSize) {
    auto key = std::make_pair(strPassword, std::string(reinterpret_cast<const char*>(pSalt), nSaltSize));
    auto it = m_mapRar3.find(key);
    if (it != m_mapRar3.end()) {
        return &it->second;
    }
    rarcrypto::CRar3Key derived;
    ++m_nDerivations;
    if (!rarcrypto::DeriveRar3Key(strPassword, pSalt, nSaltSize, derived)) {
        return nullptr;
    }
    return &m_mapRar3.emplace(std::move(key), derived).first->second;
}

void CRarKeyCache::PrefetchRar3(const std::string& strPassword, const std::vector<std::string>& arrSalts,
                                unsigned nThreads) {
    std::vector<std::string> arrTodo;
    std::set<std::string> setSeen;
    for (const std::string& strSalt : arrSalts) {
        if (strSalt.size() == rarcrypto::RAR3_SALT_SIZE && !m_mapRar3.count({strPassword, strSalt}) &&
            setSeen.insert(strSalt).second) {
            arrTodo.push_back(strSalt);
        }
    }
    if (arrTodo.size() < 2 || nThreads < 2) {
        return;  // Rar3() derives them as they come
    }
    std::vector<rarcrypto::CRar3Key> arrKeys(arrTodo.size());
    std::vector<char> arrOk(arrTodo.size(), 0);
    auto work = [&](size_t nFirst, size_t nStep) {
        for (size_t i = nFirst; i < arrTodo.size(); i += nStep) {
            arrOk[i] = rarcrypto::DeriveRar3Key(
                strPassword, reinterpret_cast<const uint8_t*>(arrTodo[i].data()), arrKeys[i]);
        }
    };
    std::vector<std::thread> arrThreads;
    for (unsigned t = 1; t < nThreads; ++t) {
        arrThreads.emplace_back(work, t, nThreads);
    }
    work(0, nThreads);
    for (std::thread& t : arrThreads) {
        t.join();
    }
    for (size_t i = 0; i < arrTodo.size(); ++i) {
        if (arrOk[i]) {
            ++m_nDerivations;
            m_mapRar3.emplace(std::make_pair(strPassword, arrTodo[i]), arrKeys[i]);
        }
    }
}
