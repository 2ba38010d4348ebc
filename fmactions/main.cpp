// harvex-fmactions: writes the Harvex entries of the file managers' context
// menus (Dolphin, Nautilus, Nemo, Thunar) for the current user from the
// settings and presets in the registry store. Run at log-in and whenever the
// store's file changes (systemd user units), and by harvex at its start.
//
//   harvex-fmactions            write the menus as the settings say
//   harvex-fmactions --remove   remove every entry of ours

#include <iostream>
#include <string>

#include "fmactions/CActionFiles.h"
#include "fmactions/CMenuModel.h"
#include "platform/Version.h"

namespace {

const char* const USAGE =
    "Usage: harvex-fmactions [--remove]\n"
    "Writes the Harvex entries of the file managers' context menus (Dolphin, Nautilus,\n"
    "Nemo, Thunar) for the current user from Harvex's settings and presets.\n"
    "  --remove   remove every entry written before\n"
    "  --help     show this text\n"
    "  --version  show the version\n";

}  // namespace

int main(int argc, char** argv) {
    bool remove = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--remove") {
            remove = true;
        } else if (argument == "--help") {
            std::cout << USAGE;
            return 0;
        } else if (argument == "--version") {
            std::cout << "harvex-fmactions " HARVEX_VERSION_TEXT "\n";
            return 0;
        } else {
            std::cerr << "harvex-fmactions: unknown argument: " << argument << "\n\n" << USAGE;
            return 2;
        }
    }
    CMenuModel model;
    if (!remove)
        model = ReadMenuModel();
    else
        model.bWinIntegration = false;
    const auto errors = WriteFileManagerMenus(model, DefaultActionTargets());
    for (const std::string& error : errors)
        std::cerr << "harvex-fmactions: " << error << "\n";
    return errors.empty() ? 0 : 1;
}
