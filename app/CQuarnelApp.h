#pragma once
// The program's start: our own options (--help, --version), the single-instance
// rule and the hand-over to a running instance, then the main window until it
// closes.

#include <string>
#include <vector>

class CQuarnelApp {
public:
    // Splits argv[1..] into our options and the item arguments. Answers false with
    // strError for an unknown option; "--" ends the options.
    struct COptions {
        bool bHelp = false;
        bool bVersion = false;
        std::vector<std::string> arrArguments;
    };
    static bool ParseOptions(int argc, char** argv, COptions& options, std::string& strError);
    static std::string Usage();

    // The whole program; answers the exit status.
    int Run(int argc, char** argv);
};
