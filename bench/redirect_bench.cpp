// redirect-bench: the cost of running the console RAR program through the RAR worker
// (CRedirect: pipe, 10 ms poll, line splitting, prompt test, volume counting) against
// running it alone with its output thrown away, and the runner's raw output throughput.
//
// Usage: redirect-bench FIRST_VOLUME OUTPUT_DIR [RUNS]
// Prints, best of RUNS (other work on the machine disturbs single runs):
//   alone      the program, stdout/stderr to /dev/null, nice 19 as the worker runs it
//   worker     RunRarTool on the same set (log mode, volume counting on)
//   ratio      worker / alone
//   throughput MB/s of 256 MiB of text lines passed through CRedirect

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/CProcessLog.h"
#include "engine/CWorkLists.h"
#include "engine/Progress.h"
#include "engine/RarExtract.h"
#include "process/CRedirect.h"

extern char** environ;

namespace {

double Seconds(std::chrono::steady_clock::time_point tStart) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - tStart).count();
}

double RunAlone(const std::vector<std::string>& arrArgs) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    std::vector<char*> arrArgv;
    for (const std::string& s : arrArgs) {
        arrArgv.push_back(const_cast<char*>(s.c_str()));
    }
    arrArgv.push_back(nullptr);
    const auto tStart = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, arrArgv[0], &actions, nullptr, arrArgv.data(), environ) != 0) {
        return -1;
    }
    setpriority(PRIO_PROCESS, static_cast<id_t>(pid), 19);
    int nStatus = 0;
    waitpid(pid, &nStatus, 0);
    posix_spawn_file_actions_destroy(&actions);
    return Seconds(tStart);
}

class CCountingOwner : public CRedirectOwner {
public:
    void OnPasswordPrompt() override {}
    void SetExitCode(int) override {}
    void AppendWorkerLog(const std::string& text) override { nBytes += text.size(); }
    std::size_t nBytes = 0;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: redirect-bench FIRST_VOLUME OUTPUT_DIR [RUNS]\n");
        return 2;
    }
    const std::string strArchive = std::filesystem::absolute(argv[1]).string();
    const std::string strOutput = std::filesystem::absolute(argv[2]).string();
    const int nRuns = argc > 3 ? std::atoi(argv[3]) : 3;
    const std::string strUnrar = std::string(HARVEX_BIN_DIR) + "/unrar";

    CRarJob job;
    job.strUnrarExe = strUnrar;
    job.strArchive = strArchive;
    job.strDestination = strOutput;
    job.strInputPath = std::filesystem::path(strArchive).parent_path().string();
    job.bFolderItem = true;

    double dAlone = 1e9;
    double dWorker = 1e9;
    for (int i = 0; i < nRuns; ++i) {
        std::filesystem::remove_all(strOutput);
        std::filesystem::create_directories(strOutput);
        dAlone = std::min(dAlone, RunAlone(BuildRarArguments(job, false)));

        std::filesystem::remove_all(strOutput);
        std::filesystem::create_directories(strOutput);
        std::atomic<int> bKill{0};
        CProgress progress;
        CProcessLog log;
        CWorkLists lists;
        std::vector<std::string> arrErrors;
        CExtractState state;
        state.pKillRequested = &bKill;
        state.pProgress = &progress;
        state.pLog = &log;
        state.pWorkLists = &lists;
        state.pErrors = &arrErrors;
        const auto tStart = std::chrono::steady_clock::now();
        const CRarRunResult result = RunRarTool(job, state);
        dWorker = std::min(dWorker, Seconds(tStart));
        if (result.nExitCode != 0 || !arrErrors.empty()) {
            std::fprintf(stderr, "worker run failed (exit %d):\n%s\n", result.nExitCode,
                         result.strOutput.c_str());
            return 1;
        }
    }
    std::filesystem::remove_all(strOutput);

    double dPipe = 1e9;
    std::size_t nBytes = 0;
    for (int i = 0; i < nRuns; ++i) {
        CCountingOwner owner;
        CRedirect redirect({"/bin/sh", "-c",
                            "yes 'Extracting  some/member/name.mkv                  OK' | head -c 268435456"},
                           &owner);
        const auto tStart = std::chrono::steady_clock::now();
        redirect.Run();
        dPipe = std::min(dPipe, Seconds(tStart));
        nBytes = owner.nBytes;
    }
    std::printf(
        "alone       %.3f s\nworker      %.3f s\nratio       %.3f\nthroughput  %.0f MB/s (%zu bytes)\n",
        dAlone, dWorker, dWorker / dAlone, nBytes / dPipe / 1e6, nBytes);
    return 0;
}
