// sorrelx: registers or unregisters the file-manager extension. Started by
// whatever installs or removes the extension, never by harvex. Prints nothing
// and always exits with 0.
//
//   sorrelx <encoded library path> [uninstall]

#include <string>
#include <vector>

#include "regtool/CShellExtRegistration.h"

int main(int argc, char** argv) {
    try {
        std::vector<std::string> arguments;
        for (int i = 1; i < argc; ++i)
            arguments.emplace_back(argv[i]);
        CShellExtRegistration::Run(arguments);
    } catch (...) {
    }
    return 0;
}
