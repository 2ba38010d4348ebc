#include "platform/ToolPaths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

namespace {

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsFolder(const std::string& path) {
    if (path.compare(0, 2, "//") == 0)
        return true;
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string JoinFolder(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

std::string FindOnPath(const std::string& name, const std::string& pathVariable) {
    size_t pos = 0;
    while (pos <= pathVariable.size()) {
        size_t colon = pathVariable.find(':', pos);
        if (colon == std::string::npos)
            colon = pathVariable.size();
        const std::string folder = pathVariable.substr(pos, colon - pos);
        // An empty or relative entry would mean the current folder: skipped.
        if (!folder.empty() && folder[0] == '/') {
            const std::string candidate = JoinFolder(folder, name);
            if (IsRegularFile(candidate) && ::access(candidate.c_str(), X_OK) == 0)
                return candidate;
        }
        pos = colon + 1;
    }
    return {};
}

}  // namespace

std::string CompanionFolder(const std::string& strProgramFolder) {
    if (strProgramFolder.empty() || IsRegularFile(JoinFolder(strProgramFolder, "unrar")) ||
        IsRegularFile(JoinFolder(strProgramFolder, "libunzdll.so")))
        return strProgramFolder;
    const std::string candidate = JoinFolder(strProgramFolder, HARVEX_COMPANION_RELDIR);
    struct stat st {};
    if (::stat(candidate.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(candidate.c_str(), resolved))
            return resolved;
    }
    return strProgramFolder;
}

CToolPaths ResolveToolPaths(const std::string& strDirectorySetting, const std::string& strProgramFolder,
                            const std::string& strPathVariable) {
    CToolPaths paths;
    const std::string companions = CompanionFolder(strProgramFolder);
    const bool installed = companions != strProgramFolder;
    paths.strInstallDir = strDirectorySetting.empty() ? companions : strDirectorySetting;
    const bool usable =
        !paths.strInstallDir.empty() && paths.strInstallDir[0] == '/' && IsFolder(paths.strInstallDir);
    const std::string base = usable ? paths.strInstallDir : companions;
    paths.strUnrarExe = JoinFolder(base, "unrar");
    paths.strUnzipDll = JoinFolder(base, "libunzdll.so");
    if (!usable || !IsRegularFile(paths.strUnrarExe)) {
        // An installed program keeps to its own private unrar: a foreign one
        // speaks another language and would be handed our archives.
        const std::string found =
            installed ? JoinFolder(companions, "unrar") : FindOnPath("unrar", strPathVariable);
        if (!found.empty() && (!installed || IsRegularFile(found)))
            paths.strUnrarExe = found;
    }
    return paths;
}

bool AreToolsPresent(const CToolPaths& paths) {
    return MissingTools(paths).empty();
}

std::vector<std::string> MissingTools(const CToolPaths& paths) {
    std::vector<std::string> missing;
    auto isAbsoluteFile = [](const std::string& path) {
        return !path.empty() && path[0] == '/' && IsRegularFile(path);
    };
    if (!isAbsoluteFile(paths.strUnrarExe) || ::access(paths.strUnrarExe.c_str(), X_OK) != 0)
        missing.push_back(paths.strUnrarExe);
    if (!isAbsoluteFile(paths.strUnzipDll))
        missing.push_back(paths.strUnzipDll);
    return missing;
}

std::string ProgramFolder() {
    char buffer[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        return {};
    std::string path(buffer, static_cast<size_t>(n));
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {};
    return slash == 0 ? "/" : path.substr(0, slash);
}
