#pragma once
// Where the console RAR program and the unzip library are, decided once at
// start-up as absolute paths; the same paths serve the presence check and the
// start of the tools. The install folder is the "Directory" setting, or the
// companion folder of the program when that is empty: the program's own folder
// in a build tree (the companions beside it), the private folder
// <bindir>/../libexec/harvex when installed. "unrar" is taken from the install
// folder, else from the companion folder; only a program that is not
// installed falls back to the absolute folders of PATH, so an installed one
// never runs a foreign unrar. The unzip library comes only from the install
// folder. The current folder is never searched.

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
// The program's own folder when it holds unrar or libunzdll.so (a build tree);
// else the private folder of an installed program when it exists; else the
// program's own folder.
std::string CompanionFolder(const std::string& strProgramFolder);
