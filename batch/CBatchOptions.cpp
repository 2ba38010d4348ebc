#include "batch/CBatchOptions.h"

#include <cstdlib>

namespace {

struct CSwitch {
    const char* pszName;
    std::optional<bool> CBatchOptions::*pField;
};

const CSwitch SWITCHES[] = {
    {"test", &CBatchOptions::bTest},
    {"keep-folder", &CBatchOptions::bKeepFolder},
    {"keep-sample", &CBatchOptions::bKeepSample},
    {"keep-covers", &CBatchOptions::bKeepCovers},
    {"keep-nfo", &CBatchOptions::bKeepNfo},
    {"keep-subs", &CBatchOptions::bKeepSubs},
    {"keep-subs-folder", &CBatchOptions::bKeepSubsFolder},
    {"clean-up", &CBatchOptions::bCleanUp},
};

}  // namespace

bool ParseBatchOptions(const std::vector<std::string>& arrArgs, CBatchOptions& options,
                       std::string& strError) {
    options = CBatchOptions();
    bool bOptionsEnded = false;
    for (std::size_t i = 0; i < arrArgs.size(); ++i) {
        const std::string& strArg = arrArgs[i];
        if (bOptionsEnded || strArg.rfind("--", 0) != 0) {
            options.arrPaths.push_back(strArg);
            continue;
        }
        if (strArg == "--") {
            bOptionsEnded = true;
            continue;
        }
        std::string strName = strArg.substr(2);
        std::string strValue;
        bool bHasValue = false;
        const auto nEquals = strName.find('=');
        if (nEquals != std::string::npos) {
            strValue = strName.substr(nEquals + 1);
            strName = strName.substr(0, nEquals);
            bHasValue = true;
        }
        auto takeValue = [&]() -> bool {
            if (bHasValue)
                return true;
            if (i + 1 >= arrArgs.size()) {
                strError = "option --" + strName + " needs a value";
                return false;
            }
            strValue = arrArgs[++i];
            return true;
        };
        bool bKnown = false;
        for (const CSwitch& sw : SWITCHES) {
            if (strName == sw.pszName) {
                options.*sw.pField = true;
                bKnown = true;
            } else if (strName == std::string("no-") + sw.pszName) {
                options.*sw.pField = false;
                bKnown = true;
            }
        }
        if (bKnown) {
            if (bHasValue) {
                strError = "option --" + strName + " takes no value";
                return false;
            }
            continue;
        }
        if (strName == "output") {
            if (!takeValue())
                return false;
            if (strValue.empty()) {
                strError = "option --output needs a folder";
                return false;
            }
            options.strOutput = strValue;
        } else if (strName == "output-to-input" && !bHasValue) {
            options.bOutputToInput = true;
        } else if (strName == "password") {
            if (!takeValue())
                return false;
            options.strPassword = strValue;
        } else if (strName == "no-password-prompt" && !bHasValue) {
            options.bNoPasswordPrompt = true;
        } else if (strName == "preset") {
            if (!takeValue())
                return false;
            char* pszEnd = nullptr;
            const long nValue = std::strtol(strValue.c_str(), &pszEnd, 10);
            if (strValue.empty() || *pszEnd != '\0' || nValue < 1 || nValue > 20) {
                strError = "option --preset needs a number from 1 to 20";
                return false;
            }
            options.nPreset = static_cast<int>(nValue);
        } else if (strName == "json" && !bHasValue) {
            options.bJson = true;
        } else if (strName == "help" && !bHasValue) {
            options.bHelp = true;
        } else if (strName == "version" && !bHasValue) {
            options.bVersion = true;
        } else {
            strError = "unknown option " + strArg;
            return false;
        }
    }
    if (options.strOutput && options.bOutputToInput) {
        strError = "--output and --output-to-input exclude each other";
        return false;
    }
    if (!options.bHelp && !options.bVersion && options.arrPaths.empty()) {
        strError = "no folder or archive given";
        return false;
    }
    return true;
}

std::string BatchUsage() {
    return "Usage: harvex-batch [options] PATH...\n"
           "\n"
           "Processes release folders, RAR sets (any volume stands for the set) and ZIP\n"
           "files one after the other, exactly as Harvex's Go! does: extracts (or tests)\n"
           "the archives, copies the companions the options keep and cleans up after a\n"
           "fully successful item.\n"
           "\n"
           "Options (unset ones come from Harvex's settings, as its check boxes do):\n"
           "  --test, --no-test                  test the archives instead of extracting\n"
           "  --keep-folder, --no-keep-folder    extract into a folder named after the item\n"
           "  --keep-sample, --no-keep-sample    copy the sample\n"
           "  --keep-covers, --no-keep-covers    copy the covers\n"
           "  --keep-nfo, --no-keep-nfo          copy the .nfo file\n"
           "  --keep-subs, --no-keep-subs        copy subtitles and extract subtitle packs\n"
           "  --keep-subs-folder, --no-keep-subs-folder\n"
           "                                     keep the subtitles folder of a subtitle pack\n"
           "  --clean-up, --no-clean-up          delete archives and leftovers after success\n"
           "  --output DIR                       extract into DIR (created with its parents)\n"
           "  --output-to-input                  extract into the item's own folder\n"
           "  --password PW                      password for the run, as if typed in the prompt\n"
           "  --no-password-prompt               never ask for a password\n"
           "  --preset N                         use preset N (1-based) of the settings\n"
           "  --json                             print one JSON document with every item's result\n"
           "  --help                             show this text\n"
           "  --version                          print the version\n"
           "\n"
           "A password is asked on the terminal only when standard input is one.\n"
           "unrar and libunzdll.so are taken from Harvex's \"Directory\" setting, else from\n"
           "the folder of this program (unrar also from PATH); without them nothing is done.\n"
           "Exit status: 0 when every item ends \"Completed OK\", 1 otherwise, 2 for bad usage.\n";
}
