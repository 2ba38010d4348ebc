#include "companions/unrar/CUnrarCommandLine.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

constexpr const char* PASSWORD_FD_SWITCH = "--password-fd=";
// A password is far shorter; a longer text on the descriptor is refused.
constexpr size_t MAX_PASSWORD_BYTES = 4096;

bool ParseDescriptor(const std::string& strText, int& nFd) {
    if (strText.empty() || strText.size() > 9 ||
        strText.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    nFd = std::atoi(strText.c_str());
    return true;
}

}  // namespace

bool CUnrarCommandLine::Parse(const std::vector<std::string>& arrArgs, UnrarOptions& options,
                              std::string& strError) {
    options = UnrarOptions{};
    if (arrArgs.size() == 1 && (arrArgs[0] == "--help" || arrArgs[0] == "-h" || arrArgs[0] == "-?")) {
        options.eCommand = UnrarOptions::Command::Help;
        return true;
    }
    if (arrArgs.empty()) {
        strError = "no command given";
        return false;
    }
    if (arrArgs[0] == "x") {
        options.eCommand = UnrarOptions::Command::Extract;
    } else if (arrArgs[0] == "t") {
        options.eCommand = UnrarOptions::Command::Test;
    } else {
        strError = "unknown command '" + arrArgs[0] + "'";
        return false;
    }
    std::vector<std::string> positional;
    bool bSwitches = true;
    bool bPercentSwitch = false;
    for (size_t i = 1; i < arrArgs.size(); ++i) {
        const std::string& a = arrArgs[i];
        if (bSwitches && a == "--") {
            bSwitches = false;
        } else if (bSwitches && a.size() > 1 && a[0] == '-') {
            if (a == "-o+") {
                options.bOverwrite = true;
            } else if (a == "-ierr") {
                options.bMessagesToStderr = true;
            } else if (a == "-av-" || a == "-y") {
                // No authenticity information is verified, and nothing is asked but passwords.
            } else if (a == "-idp" || a == "-idc") {
                if (bPercentSwitch) {
                    strError = "give only one of -idp and -idc";
                    return false;
                }
                bPercentSwitch = true;
                options.bPercent = a == "-idc";
            } else if (a.compare(0, std::strlen(PASSWORD_FD_SWITCH), PASSWORD_FD_SWITCH) == 0) {
                if (!ParseDescriptor(a.substr(std::strlen(PASSWORD_FD_SWITCH)), options.nPasswordFd)) {
                    strError = "--password-fd needs a descriptor number";
                    return false;
                }
            } else if (a == "-p-") {
                options.bNeverAskPassword = true;
            } else if (a.compare(0, 2, "-p") == 0) {
                // "-p" alone asks for the password, as if no switch had been given.
                if (a.size() > 2) {
                    options.bPasswordGiven = true;
                    options.strPassword = a.substr(2);
                }
            } else {
                strError = "unknown switch '" + a + "'";
                return false;
            }
        } else {
            positional.push_back(a);
        }
    }
    if (int(options.bPasswordGiven) + int(options.bNeverAskPassword) + int(options.nPasswordFd >= 0) > 1) {
        strError = "give only one of -p<password>, -p- and --password-fd=<n>";
        return false;
    }
    size_t maxArgs = options.eCommand == UnrarOptions::Command::Extract ? 2 : 1;
    if (positional.empty()) {
        strError = "no archive given";
        return false;
    }
    if (positional.size() > maxArgs) {
        strError = "unexpected argument '" + positional[maxArgs] + "'";
        return false;
    }
    options.strArchive = positional[0];
    if (positional[0].empty()) {
        strError = "empty archive name";
        return false;
    }
    if (positional.size() == 2) {
        options.strDestination = positional[1];
        if (options.strDestination.empty()) {
            strError = "empty destination";
            return false;
        }
    }
    return true;
}

bool CUnrarCommandLine::ReadPasswordFromFd(UnrarOptions& options, std::string& strError) {
    if (options.nPasswordFd < 0) {
        return true;
    }
    std::string strPassword;
    char buffer[512];
    for (;;) {
        const ssize_t n = ::read(options.nPasswordFd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            strError = "cannot read the password from descriptor " + std::to_string(options.nPasswordFd) +
                       ": " + std::strerror(errno);
            ::close(options.nPasswordFd);
            return false;
        }
        if (n == 0) {
            break;
        }
        strPassword.append(buffer, size_t(n));
        if (strPassword.size() > MAX_PASSWORD_BYTES) {
            strError = "the password on descriptor " + std::to_string(options.nPasswordFd) + " is too long";
            ::close(options.nPasswordFd);
            return false;
        }
    }
    ::close(options.nPasswordFd);
    std::memset(buffer, 0, sizeof buffer);
    if (!strPassword.empty() && strPassword.back() == '\n') {
        strPassword.pop_back();
        if (!strPassword.empty() && strPassword.back() == '\r') {
            strPassword.pop_back();
        }
    }
    if (strPassword.empty()) {
        strError = "no password on descriptor " + std::to_string(options.nPasswordFd);
        return false;
    }
    options.strPassword = std::move(strPassword);
    options.bPasswordGiven = true;
    return true;
}

std::string CUnrarCommandLine::UsageText() {
    return "Usage: unrar x|t [switches] <archive> [<destination>]\n"
           "\n"
           "Commands:\n"
           "  x              extract the archive (every volume of its set) into <destination>\n"
           "                 (the current folder when none is given)\n"
           "  t              test the archive: read and check every entry, write nothing\n"
           "\n"
           "Switches:\n"
           "  -o+            overwrite existing files (always done)\n"
           "  -ierr          write every message to standard error\n"
           "  -av-           accepted for compatibility; nothing is verified beyond the CRCs\n"
           "  -y             accepted for compatibility; nothing is asked but passwords\n"
           "  -p<password>   use this password for encrypted entries\n"
           "  -p-            never ask for a password\n"
           "  --password-fd=<n>\n"
           "                 read the password from descriptor n (to its end), so that it\n"
           "                 does not show in the process list\n"
           "  -idp           print no percentage\n"
           "  -idc           print the percentage (default)\n"
           "  --help         print this text\n"
           "\n"
           "Exit codes: 0 all entries intact, 2 fatal error, 3 damaged or incomplete archive,\n"
           "5 write error, 7 bad command line, 9 create error, 255 interrupted.\n";
}
