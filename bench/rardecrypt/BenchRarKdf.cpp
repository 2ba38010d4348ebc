// Key derivation times of encrypted RAR archives, as the console RAR program runs them
// (OpenSSL underneath): RAR 5.0 PBKDF2-HMAC-SHA256 at 2^n iterations (the AES key, the
// checksum key and the password check value together), RAR 4.x SHA-1 derivation with an
// 8-byte salt and without one. Best of R runs each, one line per format:
//   rar5 <n> <milliseconds>
//   rar4 <milliseconds>
//   rar4-nosalt <milliseconds>
// and the key cache: the same RAR 4.x salt asked 1,000 times, and 1,000 distinct salts
// prefetched on T threads (the program prefetches with as many threads as there are cores):
//   cache-same-salt-1000 <milliseconds> <derivations>
//   prefetch-1000 <threads> <milliseconds> <derivations>
//
// harvex-bench-rarkdf [--kdf-count N] [--runs R] [--threads T]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "companions/unrar/crypto/CRarKeyCache.h"
#include "companions/unrar/crypto/RarKeyDerivation.h"

namespace {

double BestMs(int nRuns, const std::function<bool()>& fn) {
    double best = 1e30;
    for (int i = 0; i < nRuns; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        if (!fn()) {
            std::fprintf(stderr, "harvex-bench-rarkdf: derivation failed\n");
            std::exit(1);
        }
        best = std::min(
            best, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    int nKdfCount = 15;
    int nRuns = 5;
    unsigned nThreads = std::max(1u, std::thread::hardware_concurrency());
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--kdf-count")) {
            nKdfCount = std::atoi(argv[i + 1]);
        } else if (!std::strcmp(argv[i], "--runs")) {
            nRuns = std::max(1, std::atoi(argv[i + 1]));
        } else if (!std::strcmp(argv[i], "--threads")) {
            nThreads = unsigned(std::max(1, std::atoi(argv[i + 1])));
        }
    }
    const uint8_t arrSalt[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    rarcrypto::CRar5Keys keys5;
    rarcrypto::CRar3Key key3;
    std::printf("rar5 %d %.2f\n", nKdfCount, BestMs(nRuns, [&] {
                    return rarcrypto::DeriveRar5Keys("password", arrSalt, nKdfCount, keys5);
                }));
    std::printf("rar4 %.2f\n",
                BestMs(nRuns, [&] { return rarcrypto::DeriveRar3Key("password", arrSalt, key3); }));
    std::printf("rar4-nosalt %.2f\n",
                BestMs(nRuns, [&] { return rarcrypto::DeriveRar3Key("password", arrSalt, 0, key3); }));

    // 1,000 files sharing one salt: one derivation, 999 answers from the cache.
    {
        CRarKeyCache cache;
        const double ms = BestMs(1, [&] {
            for (int i = 0; i < 1000; ++i) {
                if (!cache.Rar3("password", arrSalt)) {
                    return false;
                }
            }
            return true;
        });
        std::printf("cache-same-salt-1000 %.2f %d\n", ms, cache.DerivationCount());
    }
    // 1,000 files with a salt each: 1,000 derivations, spread over the threads.
    {
        std::vector<std::string> arrSalts;
        for (int i = 0; i < 1000; ++i) {
            std::string s(8, '\0');
            std::memcpy(s.data(), &i, sizeof i);
            arrSalts.push_back(s);
        }
        CRarKeyCache cache;
        const double ms = BestMs(1, [&] {
            cache.PrefetchRar3("password", arrSalts, nThreads);
            for (const std::string& s : arrSalts) {
                if (!cache.Rar3("password", reinterpret_cast<const uint8_t*>(s.data()))) {
                    return false;
                }
            }
            return true;
        });
        std::printf("prefetch-1000 %u %.2f %d\n", nThreads, ms, cache.DerivationCount());
    }
    return 0;
}
