// harvex-batch: runs Harvex's processing driver headless on the folders and
// archives given as arguments.

#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "batch/BatchParts.h"
#include "batch/CBatchOptions.h"
#include "batch/CBatchRunner.h"
#include "platform/ProcessSignals.h"
#include "platform/ToolPaths.h"
#include "platform/Version.h"
#include "settings/SettingsSchema.h"

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

}  // namespace

int main(int argc, char** argv) {
    IgnoreWriteSignals();
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
    if (options.bVersion) {
        std::cout << HARVEX_VERSION_TEXT "\n";
        return 0;
    }
    QCoreApplication app(argc, argv);

    CSettings settings;
    std::vector<CPresets> arrPresets;
    LoadBatchSettings(settings, arrPresets);

    // The companions exactly as the program finds them: the "Directory" setting, else
    // beside this program (build tree) or in its private folder when installed.
    std::string strDirectory;
    ReadInstallDir(strDirectory);
    const char* pszPath = std::getenv("PATH");
    const CToolPaths tools = ResolveToolPaths(strDirectory, ProgramFolder(), pszPath ? pszPath : "");
    const std::vector<std::string> arrMissing = MissingTools(tools);
    if (!arrMissing.empty()) {
        std::cerr << "harvex-batch: required file(s) missing, nothing was processed:\n";
        for (const std::string& strPath : arrMissing)
            std::cerr << "  " << strPath << "\n";
        std::cerr << "Reinstall Harvex, or set its \"Directory\" setting to the folder holding unrar and "
                     "libunzdll.so.\n";
        return 1;
    }

    CBatchRunner runner(options, settings, arrPresets, std::cout, std::cerr);
    runner.strUnrarExe = tools.strUnrarExe;
    runner.strUnzipLibrary = tools.strUnzipDll;
    CTerminalPasswordAsker asker;
    if (isatty(STDIN_FILENO))
        runner.pPasswordPrompt = &asker;
    runner.bProgressLine = isatty(STDERR_FILENO) != 0;
    return runner.Run();
}
