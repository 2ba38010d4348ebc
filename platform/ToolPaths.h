#pragma once
// Where the console RAR program and the unzip library are, decided once at
// start-up as absolute paths; the same paths serve the presence check and the
// start of the tools. The install folder is the "Directory" setting, or the
// folder of the program itself when that is empty. "unrar" is taken from the
// install folder, else from the absolute folders of PATH; the unzip library
// only from the install folder. The current folder is never searched.

#include <string>
#include <vector>

struct CToolPaths {
    std::string strInstallDir;
    std::string strUnrarExe;
    std::string strUnzipDll;
};

CToolPaths ResolveToolPaths(const std::string& strDirectorySetting, const std::string& strProgramFolder,
                            const std::string& strPathVariable);
// True when both exist as regular files and unrar may be run.
bool AreToolsPresent(const CToolPaths& paths);
// The paths of the companions that AreToolsPresent finds missing (unrar first), so
// that a message can name them; empty when both are present.
std::vector<std::string> MissingTools(const CToolPaths& paths);
// The folder of the running program (/proc/self/exe), "" when unknown.
std::string ProgramFolder();
