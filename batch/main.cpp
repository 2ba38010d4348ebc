// harvex-batch: runs Harvex's processing driver headless on the folders and
// archives given as arguments.

#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <climits>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>

#include "batch/BatchParts.h"
#include "batch/CBatchOptions.h"
#include "batch/CBatchRunner.h"

namespace {

// The password prompt on the terminal, with echo off.
class CTerminalPasswordAsker : public CPasswordPrompt {
public:
    bool AskPassword(const std::string& strArchiveName, std::string& strPassword) override {
        std::cerr << "\r\033[KPassword for " << strArchiveName << " (empty to skip): " << std::flush;
        termios oldMode{};
        const bool bTerminal = tcgetattr(STDIN_FILENO, &oldMode) == 0;
        if (bTerminal) {
            termios quiet = oldMode;
            quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
            tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
        }
        std::string strLine;
        const bool bRead = static_cast<bool>(std::getline(std::cin, strLine));
        if (bTerminal)
            tcsetattr(STDIN_FILENO, TCSAFLUSH, &oldMode);
        std::cerr << "\n";
        if (!bRead || strLine.empty())
            return false;
        strPassword = strLine;
        return true;
    }
};

std::string ProgramFolder() {
    char szPath[PATH_MAX + 1] = {};
    const ssize_t nLength = readlink("/proc/self/exe", szPath, PATH_MAX);
    if (nLength <= 0)
        return ".";
    std::string strPath(szPath, static_cast<std::size_t>(nLength));
    return strPath.substr(0, strPath.rfind('/'));
}

}  // namespace

int main(int argc, char** argv) {
    // Process-wide: a file-size limit must turn into a write error of the item, and a closed
    // pipe (standard output read by a program that ended) into a failed write, never an end
    // of the program in the middle of an item.
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
    std::vector<std::string> arrArgs(argv + 1, argv + argc);
    CBatchOptions options;
    std::string strError;
    if (!ParseBatchOptions(arrArgs, options, strError)) {
        std::cerr << "harvex-batch: " << strError << "\n\n" << BatchUsage();
        return 2;
    }
    if (options.bHelp) {
        std::cout << BatchUsage();
        return 0;
    }
    QCoreApplication app(argc, argv);

    CSettings settings;
    std::vector<CPresets> arrPresets;
    LoadBatchSettings(settings, arrPresets);

    const std::string strFolder = ProgramFolder();
    CBatchRunner runner(options, settings, arrPresets, std::cout, std::cerr);
    runner.strUnrarExe = access((strFolder + "/unrar").c_str(), X_OK) == 0 ? strFolder + "/unrar" : "unrar";
    runner.strUnzipLibrary = strFolder + "/libunzdll.so";
    CTerminalPasswordAsker asker;
    if (isatty(STDIN_FILENO))
        runner.pPasswordPrompt = &asker;
    runner.bProgressLine = isatty(STDERR_FILENO) != 0;
    return runner.Run();
}
