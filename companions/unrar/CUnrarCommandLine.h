#pragma once
// The command line of the console RAR program:
//   unrar x|t [-o+] [-ierr] [-av-] [-y] [-p<password>|-p-] [-idp|-idc] [--] <archive> [<destination>]
//   unrar --help
// Switches may stand anywhere before "--"; the destination is for x only and defaults to
// the current folder. Pure parsing; no side effects.

#include <string>
#include <vector>

struct UnrarOptions {
    enum class Command { None, Extract, Test, Help };
    Command eCommand = Command::None;
    bool bOverwrite = false;         // -o+ (existing files are replaced either way)
    bool bMessagesToStderr = false;  // -ierr: every message goes to standard error
    bool bPercent = true;            // -idc leaves it on, -idp turns it off
    bool bPasswordGiven = false;     // -p<password>
    bool bNeverAskPassword = false;  // -p-
    std::string strPassword;
    std::string strArchive;
    std::string strDestination;  // empty: the current folder
};

class CUnrarCommandLine {
public:
    // Parses arguments (without the program name). Returns false and a one-line reason in
    // strError for a command line the program does not accept.
    static bool Parse(const std::vector<std::string>& arrArgs, UnrarOptions& options, std::string& strError);
    // The text printed by --help and after a usage error.
    static std::string UsageText();
};
