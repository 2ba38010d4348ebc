#pragma once
// Helpers of the console RAR program's tests: runs build/bin/unrar as a child process,
// compares its output with expected-output files, makes temporary folders, and reads an
// archive with libarchive itself as the reference for extracted trees.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

struct UnrarResult {
    std::string strOutput;  // standard output and standard error, in the order written
    int nExitCode = -1;     // the exit status, or 128 + signal when killed
};

struct UnrarRunOptions {
    std::string strStdin;      // written to standard input, then closed
    long nFileSizeLimit = -1;  // RLIMIT_FSIZE of the child (SIGXFSZ stays ignored)
    std::string strWorkDir;    // current folder of the child ("" = unchanged)
};

UnrarResult RunUnrar(const std::vector<std::string>& arrArgs, const UnrarRunOptions& options = {});

std::string UnrarPath();
std::string RarFixtures();  // "<shared fixtures>/rar/", as passed to the program
bool HaveRarFixtures();

// Output with the fixture folder replaced by "<RAR>/", the given folders by "<TMP>" and
// backspaces by "<BS>".
std::string NormalizeOutput(const std::string& strOutput, const std::vector<std::string>& arrTempDirs);

// Compares with tests/companions/unrar/expected/<name>.out; with HARVEX_UPDATE_EXPECTED=1
// in the environment the file is written instead.
::testing::AssertionResult MatchesExpected(const std::string& strName, const std::string& strNormalized);

// A fresh folder under the system's temporary folder, removed with everything in it.
class CUnrarTempDir {
public:
    CUnrarTempDir();
    ~CUnrarTempDir();
    const std::string& Path() const { return strPath; }
    std::string Sub(const std::string& rel) const { return strPath + "/" + rel; }

private:
    std::string strPath;
};

// What a folder tree holds: "f:<content>" for files, "l:<target>" for links, "d" for folders,
// keyed by the path relative to the root.
std::map<std::string, std::string> ReadTree(const std::string& strRoot);
// The same description built from libarchive reading the archive (all volumes given).
std::map<std::string, std::string> LibarchiveTree(const std::vector<std::string>& arrVolumes);

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& data);
