// Discovery benchmark: scans a release-like tree of 100,000 files in 1,000
// folders with the engine's folder scan (plus the first-volume selection and
// the work-list sort) and compares it with `find TREE -type f -printf
// '%s\n'` and with a bare C loop (nftw + open + read 4 bytes), all in the
// same run, warm and after dropping the page cache. Best of N runs each.
//
// usage: discovery_bench [TREE] [RUNS]   (TREE default /tmp/harvex-bench-tree)

#include <fcntl.h>
#include <ftw.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "engine/CDiscovery.h"

extern char** environ;

namespace {

constexpr int FOLDERS = 1000;
constexpr int FILES_PER_FOLDER = 100;

void WriteFile(const std::string& strPath, const std::string& strContent) {
    std::ofstream out(strPath, std::ios::binary);
    out << strContent;
}

// Each folder: a 60-volume RAR set, an nfo, an sfv, a Sample folder with a
// video, and 37 other files (covers, text, subtitles ...): 100 files.
void MakeTree(const std::string& strRoot) {
    const std::string strRar("Rar!\x1a\x07\x01\x00 bench volume", 21);
    for (int f = 0; f < FOLDERS; ++f) {
        char name[64];
        std::snprintf(name, sizeof name, "Release.%04d-GRP", f);
        const std::string strFolder = strRoot + "/" + name;
        std::filesystem::create_directories(strFolder + "/Sample");
        for (int v = 1; v <= 60; ++v) {
            char vol[80];
            std::snprintf(vol, sizeof vol, "/rel%04d.part%02d.rar", f, v);
            WriteFile(strFolder + vol, strRar);
        }
        WriteFile(strFolder + "/rel.nfo", "nfo text");
        WriteFile(strFolder + "/rel.sfv", "sfv text");
        WriteFile(strFolder + "/Sample/rel-sample.mkv", "video");
        for (int o = 0; o < 37; ++o) {
            static const char* const EXT[] = {"jpg", "txt", "srt", "png", "url"};
            char other[64];
            std::snprintf(other, sizeof other, "/extra%02d.%s", o, EXT[o % 5]);
            WriteFile(strFolder + other, "other file");
        }
    }
}

double Seconds(const std::function<void()>& run) {
    auto start = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool DropCaches() {
    sync();
    int nFd = open("/proc/sys/vm/drop_caches", O_WRONLY);
    if (nFd < 0) {
        return false;
    }
    bool bOk = write(nFd, "3\n", 2) == 2;
    close(nFd);
    return bOk;
}

size_t g_nBareFiles = 0;
int BareVisit(const char* pPath, const struct stat*, int nType, struct FTW*) {
    if (nType == FTW_F) {
        int nFd = open(pPath, O_RDONLY | O_NONBLOCK);
        if (nFd >= 0) {
            char head[4];
            if (read(nFd, head, 4) >= 0) {
                ++g_nBareFiles;
            }
            close(nFd);
        }
    }
    return 0;
}

void RunFind(const std::string& strTree) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> args = {"find", strTree, "-type", "f", "-printf", "%s\n"};
    std::vector<char*> argv;
    for (auto& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, "find", &actions, nullptr, argv.data(), environ) == 0) {
        int nStatus = 0;
        waitpid(pid, &nStatus, 0);
    }
    posix_spawn_file_actions_destroy(&actions);
}

size_t RunScan(const std::string& strTree) {
    CWorkLists lists;
    CScanJob job;
    job.strType = "folder";
    job.strItemPath = job.strInputPath = strTree;
    job.strItemOutput = "/nonexistent-output";
    job.options.bCleanUp = 1;
    job.options.bSubs = 1;
    CDiscovery discovery(job, lists, nullptr);
    discovery.DiscoverItem();
    SelectFirstVolumes(lists, strTree);
    SortWorkList(lists.arrWork);
    return lists.arrAllFiles.size() + lists.arrScanCleanUp.size();
}

// Peak resident memory (KiB) of one scan, measured in a child process.
long ScanPeakMemoryKiB(const std::string& strTree) {
    pid_t pid = fork();
    if (pid == 0) {
        RunScan(strTree);
        _exit(0);
    }
    int nStatus = 0;
    struct rusage usage {};
    wait4(pid, &nStatus, 0, &usage);
    return usage.ru_maxrss;
}

double Best(int nRuns, bool bCold, bool& bColdOk, const std::function<void()>& run) {
    double dBest = 1e9;
    for (int i = 0; i < nRuns; ++i) {
        if (bCold && !DropCaches()) {
            bColdOk = false;
            return -1;
        }
        dBest = std::min(dBest, Seconds(run));
    }
    return dBest;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string strTree = argc > 1 ? argv[1] : "/tmp/harvex-bench-tree";
    const int nRuns = argc > 2 ? std::atoi(argv[2]) : 5;
    if (!std::filesystem::exists(strTree + "/Release.0999-GRP/extra36.txt")) {
        std::printf("creating %d files in %d folders under %s ...\n", FOLDERS * FILES_PER_FOLDER, FOLDERS,
                    strTree.c_str());
        MakeTree(strTree);
    }
    size_t nEntries = RunScan(strTree);  // also warms the cache
    RunFind(strTree);
    std::printf("scan saw %zu file entries\n", nEntries);

    bool bColdOk = true;
    double dFindWarm = Best(nRuns, false, bColdOk, [&] { RunFind(strTree); });
    double dScanWarm = Best(nRuns, false, bColdOk, [&] { RunScan(strTree); });
    double dBareWarm = Best(nRuns, false, bColdOk, [&] {
        g_nBareFiles = 0;
        nftw(strTree.c_str(), BareVisit, 64, FTW_PHYS);
    });
    std::printf(
        "warm  (best of %d): find %.3f s, bare C loop %.3f s (%.2fx find), scan %.3f s (%.2fx find)\n", nRuns,
        dFindWarm, dBareWarm, dBareWarm / dFindWarm, dScanWarm, dScanWarm / dFindWarm);

    const int nColdRuns = std::max(1, nRuns / 2);
    double dFindCold = Best(nColdRuns, true, bColdOk, [&] { RunFind(strTree); });
    if (bColdOk) {
        double dScanCold = Best(nColdRuns, true, bColdOk, [&] { RunScan(strTree); });
        double dBareCold = Best(nColdRuns, true, bColdOk, [&] {
            g_nBareFiles = 0;
            nftw(strTree.c_str(), BareVisit, 64, FTW_PHYS);
        });
        std::printf(
            "cold  (best of %d, page cache dropped before each): find %.3f s, bare C loop %.3f s "
            "(%.2fx find), scan %.3f s (%.2fx find)\n",
            nColdRuns, dFindCold, dBareCold, dBareCold / dFindCold, dScanCold, dScanCold / dFindCold);
    } else {
        std::printf("cold: not measured, writing /proc/sys/vm/drop_caches is not permitted here\n");
    }
    std::printf("peak memory of one scan (child process maxrss): %ld KiB\n", ScanPeakMemoryKiB(strTree));
    return 0;
}
