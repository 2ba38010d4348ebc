#include "app/CQuarnelApp.h"

#include <unistd.h>

#include <QApplication>
#include <climits>
#include <cstdio>
#include <iostream>

#include "app/CInstanceChannel.h"
#include "app/CQuarnelDlg.h"
#include "app/DebugFill.h"
#include "platform/CCustomCommandLineInfo.h"
#include "platform/CSingleInstance.h"
#include "platform/MenuRefresh.h"
#include "platform/ToolPaths.h"
#include "platform/Version.h"

bool CQuarnelApp::ParseOptions(int argc, char** argv, COptions& options, std::string& strError) {
    bool bOptionsEnded = false;
    for (int n = 1; n < argc; ++n) {
        const std::string strArg = argv[n];
        if (!bOptionsEnded && strArg.rfind("--", 0) == 0) {
            if (strArg == "--") {
                bOptionsEnded = true;
            } else if (strArg == "--help") {
                options.bHelp = true;
            } else if (strArg == "--version") {
                options.bVersion = true;
            } else {
                strError = "unknown option " + strArg;
                return false;
            }
            continue;
        }
        options.arrArguments.push_back(strArg);
    }
    return true;
}

std::string CQuarnelApp::Usage() {
    return "Usage: harvex [--help] [--version] [--] [?PresetN?] [folder|archive ...]\n"
           "\n"
           "Opens the Harvex window with the given folders, RAR and ZIP files in its list.\n"
           "When Harvex already runs, the items are handed to the running window.\n"
           "An argument ?Preset1? ... ?Preset20? applies that preset to the items after it;\n"
           "with a preset the list is processed at once while the window stays in the tray.\n"
           "\n"
           "  --help      show this text\n"
           "  --version   show the version\n"
           "  --          every later argument is an item\n"
           "\n"
           "harvex-batch processes items without a window.\n";
}

int CQuarnelApp::Run(int argc, char** argv) {
    COptions options;
    std::string strError;
    if (!ParseOptions(argc, argv, options, strError)) {
        std::cerr << "harvex: " << strError << "\n\n" << Usage();
        return 2;
    }
    if (options.bHelp) {
        std::cout << Usage();
        return 0;
    }
    if (options.bVersion) {
        std::cout << "harvex " << HARVEX_VERSION_TEXT << "\n";
        return 0;
    }

    // 1. the single-instance lock
    CSingleInstance instance;
    const bool bFirst = instance.Acquire();

    // 3. the command line, relative paths made absolute here
    char szCwd[PATH_MAX + 1] = {};
    const std::string strCwd = getcwd(szCwd, PATH_MAX) != nullptr ? szCwd : "/";
    std::vector<const char*> arrArgv{argv[0]};
    for (const std::string& strArg : options.arrArguments)
        arrArgv.push_back(strArg.c_str());
    CCustomCommandLineInfo cmdInfo;
    cmdInfo.ParseCommandLine(static_cast<int>(arrArgv.size()), arrArgv.data(), strCwd);

    // 6. another instance runs: hand the items over and end (no display needed)
    if (!bFirst) {
        CSingleInstance::ForwardToRunningInstance(cmdInfo.arrParams, HasPresetArgument(cmdInfo.arrParams));
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Harvex"));
    QApplication::setApplicationVersion(QStringLiteral(HARVEX_VERSION_TEXT));
    QApplication::setQuitOnLastWindowClosed(false);

    // 4. and 5. the main window with its version, title and pending items
    CQuarnelDlg dlg;
    dlg.strVersion = HARVEX_VERSION_TEXT;
    dlg.strTitle = HARVEX_TITLE_TEXT;
    dlg.arrCmdLine = cmdInfo.arrParams;
    // A preset selector starts hidden in the tray; without a tray the window shows instead.
    if (HasPresetArgument(cmdInfo.arrParams))
        dlg.SetStartInTray(true);
    dlg.bCmdLinePending = !cmdInfo.arrParams.empty();

    CInstanceChannel channel(instance);
    channel.fnHandOver = [&dlg](const std::vector<std::string>& arrPieces) { dlg.OnHandOver(arrPieces); };
    channel.fnShow = [&dlg] { dlg.OnShowRequest(); };
    if (!channel.Start())
        std::cerr << "harvex: other starts cannot hand their items to this window (no local channel)\n";

    // 7. the window until it closes
    QObject::connect(&dlg, &QDialog::finished, &app, &QApplication::quit);
    dlg.Initialise();
    ApplyDebugFill(dlg);
    dlg.show();                    // stays in the tray while a preset start holds it there
    dlg.StartSilentUpdateCheck();  // the request runs on its own thread
    // The file managers' menus follow the presets and shell settings as they are now
    // (detached: nothing waits for it).
    StartMenuRefresh(ProgramFolder());
    return app.exec();
}
