// unzdll-engines: decodes every entry of a ZIP file once with libzip and once with
// libarchive, on one thread, checking each CRC and writing nothing, and prints the
// best MB/s of each. This is how the unzip library's decoding back-end was chosen.
//   unzdll-engines runs archive.zip
#include <archive.h>
#include <archive_entry.h>
#include <zip.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr size_t BUFFER_SIZE = 1024 * 1024;

// Returns the bytes decoded, or -1 on any failure.
long long DecodeLibzip(const char* pszPath) {
    int nError = 0;
    zip_t* pZip = zip_open(pszPath, ZIP_RDONLY, &nError);
    if (pZip == nullptr) {
        return -1;
    }
    std::vector<char> arrBuffer(BUFFER_SIZE);
    long long nTotal = 0;
    zip_int64_t nEntries = zip_get_num_entries(pZip, 0);
    for (zip_int64_t i = 0; i < nEntries; ++i) {
        zip_file_t* pFile = zip_fopen_index(pZip, zip_uint64_t(i), 0);  // libzip checks the CRC at the end
        if (pFile == nullptr) {
            zip_discard(pZip);
            return -1;
        }
        zip_int64_t n;
        while ((n = zip_fread(pFile, arrBuffer.data(), arrBuffer.size())) > 0) {
            nTotal += n;
        }
        zip_fclose(pFile);
        if (n < 0) {
            zip_discard(pZip);
            return -1;
        }
    }
    zip_discard(pZip);
    return nTotal;
}

long long DecodeLibarchive(const char* pszPath) {
    archive* pArchive = archive_read_new();
    archive_read_support_format_zip(pArchive);
    if (archive_read_open_filename(pArchive, pszPath, BUFFER_SIZE) != ARCHIVE_OK) {
        archive_read_free(pArchive);
        return -1;
    }
    std::vector<char> arrBuffer(BUFFER_SIZE);
    long long nTotal = 0;
    archive_entry* pEntry = nullptr;
    int nStatus;
    while ((nStatus = archive_read_next_header(pArchive, &pEntry)) == ARCHIVE_OK) {
        // libarchive checks the CRC (and reports a mismatch) when the entry's data ends.
        la_ssize_t n;
        while ((n = archive_read_data(pArchive, arrBuffer.data(), arrBuffer.size())) > 0) {
            nTotal += n;
        }
        if (n < 0) {
            archive_read_free(pArchive);
            return -1;
        }
    }
    archive_read_free(pArchive);
    return nStatus == ARCHIVE_EOF ? nTotal : -1;
}

template <typename F>
void Measure(const char* pszName, const char* pszPath, int nRuns, F decode) {
    double dBest = 1e30;
    long long nBytes = 0;
    for (int i = 0; i < nRuns; ++i) {
        auto t0 = std::chrono::steady_clock::now();
        nBytes = decode(pszPath);
        std::chrono::duration<double> d = std::chrono::steady_clock::now() - t0;
        dBest = std::min(dBest, d.count());
        if (nBytes < 0) {
            std::printf("  %-10s %s: FAILED\n", pszName, pszPath);
            return;
        }
    }
    std::printf("  %-10s %-40s %8.0f MB/s\n", pszName, pszPath, double(nBytes) / dBest / 1e6);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: unzdll-engines runs archive.zip\n");
        return 2;
    }
    int nRuns = std::max(1, std::atoi(argv[1]));
    Measure("libzip", argv[2], nRuns, DecodeLibzip);
    Measure("libarchive", argv[2], nRuns, DecodeLibarchive);
    return 0;
}
