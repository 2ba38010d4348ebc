#pragma once
// The command line of the console RAR program:
//   unrar x|t [-o+] [-ierr] [-av-] [-y] [-p<password>|-p-|--password-fd=<n>] [-idp|-idc] [--]
//             <archive> [<destination>]
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
    int nPasswordFd = -1;            // --password-fd=<n>: read the password from descriptor n
    std::string strPassword;
    std::string strArchive;
    std::string strDestination;  // empty: the current folder
};

class CUnrarCommandLine {
public:
    // Parses arguments (without the program name). Returns false and a one-line reason in
    // strError for a command line the program does not accept.
    static bool Parse(const std::vector<std::string>& arrArgs, UnrarOptions& options, std::string& strError);
    // With --password-fd=<n>: reads the password from descriptor n to its end (one
    // trailing line break dropped), closes the descriptor and sets it as if given with
    // -p. Without the switch it does nothing. False with a one-line reason when the
    // descriptor cannot be read or holds no password. A password given this way never
    // shows in the process's argument vector.
    static bool ReadPasswordFromFd(UnrarOptions& options, std::string& strError);
    // The text printed by --help and after a usage error.
    static std::string UsageText();
};
