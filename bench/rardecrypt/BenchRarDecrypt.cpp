// Benchmark of the decrypting layer: a stored RAR 5.0 set with encrypted data and headers
// against the same set unencrypted, both extracted the way the program does (volumes
// through CRarDecryption, libarchive over custom-read callbacks, files written, not
// synced); key derivation time of each format; 1,000 small encrypted RAR 4.x files.
//
// harvex-bench-rardecrypt [--mib N] [--dir D] [--runs R]
#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "companions/unrar/CRarVolumeSet.h"
#include "companions/unrar/crypto/RarKeyDerivation.h"
#include "companions/unrar/decrypt/CRarDecryption.h"
#include "tests/fixtures/CRarWriter.h"
#include "tests/fixtures/TestFiles.h"
#include "tests/fixtures/encryption/CRarEncryptionHook.h"

namespace {

double Seconds(const std::function<void()>& fn) {
    const auto t0 = std::chrono::steady_clock::now();
    fn();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

double Best(int nRuns, const std::function<void()>& fn) {
    double best = 1e30;
    for (int i = 0; i < nRuns; ++i) {
        best = std::min(best, Seconds(fn));
    }
    return best;
}

struct CVolume {
    IRarVolumeSource* pSource = nullptr;
    uint64_t nOffset = 0;
    std::vector<char> arrBuffer;
};

la_ssize_t ReadCb(archive*, void* pData, const void** ppBuffer) {
    auto* v = static_cast<CVolume*>(pData);
    v->arrBuffer.resize(1 << 20);
    const int64_t n = v->pSource->ReadAt(v->nOffset, v->arrBuffer.data(), v->arrBuffer.size());
    if (n < 0) {
        return ARCHIVE_FATAL;
    }
    v->nOffset += uint64_t(n);
    *ppBuffer = v->arrBuffer.data();
    return n;
}
la_int64_t SeekCb(archive*, void* pData, la_int64_t nOffset, int nWhence) {
    auto* v = static_cast<CVolume*>(pData);
    const int64_t nBase = nWhence == SEEK_SET   ? 0
                          : nWhence == SEEK_CUR ? int64_t(v->nOffset)
                                                : int64_t(v->pSource->Size());
    v->nOffset = uint64_t(nBase + nOffset);
    return la_int64_t(v->nOffset);
}
la_int64_t SkipCb(archive*, void* pData, la_int64_t nSkip) {
    auto* v = static_cast<CVolume*>(pData);
    const uint64_t n =
        std::min<uint64_t>(uint64_t(nSkip), v->pSource->Size() - std::min(v->nOffset, v->pSource->Size()));
    v->nOffset += n;
    return la_int64_t(n);
}
int SwitchCb(archive*, void*, void* pNext) {
    if (pNext) {
        static_cast<CVolume*>(pNext)->nOffset = 0;
    }
    return ARCHIVE_OK;
}

// Extracts the set into strOut; returns the number of bytes written (-1 on an error).
int64_t Extract(const std::string& strFirst, const std::string& strPassword, const std::string& strOut) {
    CRarDecryption decryption(strPassword);
    CRarVolumeSet set;
    set.Open(strFirst, [&](const std::string& p, std::string& e) { return decryption.OpenVolume(p, e); });
    std::vector<CVolume> arrVolumes;
    for (RarSetVolume& v : set.arrVolumes) {
        CVolume volume;
        volume.pSource = v.pSource.get();
        arrVolumes.push_back(volume);
    }
    archive* a = archive_read_new();
    archive_read_support_format_rar(a);
    archive_read_support_format_rar5(a);
    for (CVolume& v : arrVolumes) {
        archive_read_append_callback_data(a, &v);
    }
    archive_read_set_read_callback(a, ReadCb);
    archive_read_set_seek_callback(a, SeekCb);
    archive_read_set_skip_callback(a, SkipCb);
    archive_read_set_switch_callback(a, SwitchCb);
    if (archive_read_open1(a) != ARCHIVE_OK) {
        std::fprintf(stderr, "open: %s\n", archive_error_string(a));
        archive_read_free(a);
        return -1;
    }
    std::filesystem::create_directories(strOut);
    int64_t nTotal = 0;
    archive_entry* pEntry = nullptr;
    int r;
    while ((r = archive_read_next_header(a, &pEntry)) == ARCHIVE_OK) {
        if (archive_entry_filetype(pEntry) == AE_IFDIR) {
            continue;
        }
        const std::string strPath = strOut + "/" + archive_entry_pathname(pEntry);
        const int fd = open(strPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        const void* pBlock = nullptr;
        size_t nSize = 0;
        la_int64_t nOffset = 0;
        int rd;
        while ((rd = archive_read_data_block(a, &pBlock, &nSize, &nOffset)) == ARCHIVE_OK) {
            if (write(fd, pBlock, nSize) != ssize_t(nSize)) {
                rd = ARCHIVE_FATAL;
                break;
            }
            nTotal += int64_t(nSize);
        }
        close(fd);
        if (rd != ARCHIVE_EOF) {
            std::fprintf(stderr, "data: %s\n", archive_error_string(a));
            archive_read_free(a);
            return -1;
        }
    }
    archive_read_free(a);
    return r == ARCHIVE_EOF ? nTotal : -1;
}

}  // namespace

int main(int argc, char** argv) {
    uint64_t nMib = 1024;
    int nRuns = 3;
    std::string strDir = "/tmp/harvex-bench-rardecrypt";
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--mib"))
            nMib = std::stoull(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--dir"))
            strDir = argv[i + 1];
        else if (!std::strcmp(argv[i], "--runs"))
            nRuns = std::stoi(argv[i + 1]);
    }
    std::filesystem::remove_all(strDir);
    std::filesystem::create_directories(strDir);

    // Key derivation, each format.
    const uint8_t arrSalt[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    rarcrypto::CRar5Keys keys5;
    rarcrypto::CRar3Key key3;
    const double t5 = Best(5, [&] { rarcrypto::DeriveRar5Keys("password", arrSalt, 15, keys5); });
    const double t3 = Best(5, [&] { rarcrypto::DeriveRar3Key("password", arrSalt, key3); });
    std::printf("key derivation RAR 5.0 (2^15 iterations, key + check + hash key): %.1f ms\n", t5 * 1e3);
    std::printf("key derivation RAR 4.x (2^18 SHA-1 rounds):                       %.1f ms\n", t3 * 1e3);

    // The content: four files of a quarter of the size each.
    const uint64_t nFile = nMib / 4 * 1024 * 1024;
    for (int i = 0; i < 4; ++i) {
        testfiles::WriteRandomFile(strDir + "/src" + std::to_string(i), nFile, uint64_t(i + 1));
    }
    auto writeSet = [&](const std::string& strName, CRarBlockHook* pHook) {
        CRarOptions o;
        o.eFormat = ERarFormat::Rar5;
        o.nVolumeSize = 100ull * 1024 * 1024;
        o.pHook = pHook;
        CRarWriter w(o);
        for (int i = 0; i < 4; ++i) {
            w.AddFileFromDisk("file" + std::to_string(i) + ".bin", strDir + "/src" + std::to_string(i));
        }
        const CRarResult r = w.Write(strDir + "/" + strName + "/set.rar");
        if (!r.bOk) {
            std::fprintf(stderr, "writing %s: %s\n", strName.c_str(), r.strError.c_str());
            std::exit(1);
        }
        return r.arrVolumes[0];
    };
    std::filesystem::create_directories(strDir + "/plain");
    std::filesystem::create_directories(strDir + "/enc");
    const std::string strPlain = writeSet("plain", nullptr);
    CRarEncryptionOptions eo;
    eo.bEncryptHeaders = true;
    CRarEncryptionHook hook(eo);
    const std::string strEnc = writeSet("enc", &hook);
    for (int i = 0; i < 4; ++i) {
        std::filesystem::remove(strDir + "/src" + std::to_string(i));
    }

    const double nBytes = double(nFile) * 4;
    double bestPlain = 1e30, bestEnc = 1e30;
    for (int run = 0; run < nRuns; ++run) {
        // Alternate, so that both see the same machine load.
        int64_t n1 = 0, n2 = 0;
        bestPlain = std::min(bestPlain, Seconds([&] { n1 = Extract(strPlain, "", strDir + "/out"); }));
        std::filesystem::remove_all(strDir + "/out");
        bestEnc = std::min(bestEnc, Seconds([&] { n2 = Extract(strEnc, "password", strDir + "/out"); }));
        std::filesystem::remove_all(strDir + "/out");
        if (n1 != int64_t(nBytes) || n2 != int64_t(nBytes)) {
            std::fprintf(stderr, "extraction incomplete: %lld / %lld of %.0f bytes\n", (long long)n1,
                         (long long)n2, nBytes);
            return 1;
        }
    }
    std::printf("%llu MiB stored RAR 5.0 set, 100 MiB volumes, best of %d:\n", (unsigned long long)nMib,
                nRuns);
    std::printf("  unencrypted:                      %.2f s  %.0f MB/s\n", bestPlain,
                nBytes / bestPlain / 1e6);
    std::printf("  encrypted data + headers:         %.2f s  %.0f MB/s\n", bestEnc, nBytes / bestEnc / 1e6);
    std::printf("  speed ratio encrypted/unencrypted: %.2fx\n", bestPlain / bestEnc);
    std::filesystem::remove_all(strDir + "/plain");
    std::filesystem::remove_all(strDir + "/enc");

    // 1,000 small encrypted RAR 4.x files: one salt for the archive, and one salt per file.
    for (bool bPerFile : {false, true}) {
        CRarEncryptionOptions so;
        so.bSaltPerFile = bPerFile;
        CRarEncryptionHook smallHook(so);
        CRarOptions o;
        o.eFormat = ERarFormat::Rar4;
        o.pHook = &smallHook;
        CRarWriter w(o);
        for (int i = 0; i < 1000; ++i) {
            w.AddFile("f" + std::to_string(i) + ".txt", testfiles::RandomBytes(1000 + i, uint64_t(i)));
        }
        const CRarResult r = w.Write(strDir + "/small.rar");
        if (!r.bOk) {
            std::fprintf(stderr, "writing small: %s\n", r.strError.c_str());
            return 1;
        }
        int64_t n = 0;
        const double t = Best(bPerFile ? 1 : nRuns, [&] {
            n = Extract(r.arrVolumes[0], "password", strDir + "/small-out");
            std::filesystem::remove_all(strDir + "/small-out");
        });
        std::printf("1,000 small encrypted RAR 4.x files, %s: %.2f s%s\n",
                    bPerFile ? "a salt per file (1,000 derivations)" : "one salt (one derivation)", t,
                    n > 0 ? "" : " (FAILED)");
    }
    std::filesystem::remove_all(strDir);
    return 0;
}
