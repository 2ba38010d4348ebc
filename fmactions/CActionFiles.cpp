#include "fmactions/CActionFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "fmactions/FileManagerMenus.h"

namespace fs = std::filesystem;

namespace {

const char* const DOLPHIN_FOLDER = "kio/servicemenus";
const char* const DOLPHIN_FILE = "harvex.desktop";
const char* const NEMO_FOLDER = "nemo/actions";
const char* const NAUTILUS_FOLDER = "nautilus/scripts";
const char* const THUNAR_FILE = "Thunar/uca.xml";
const char* const OUR_MARKER = "# Made by harvex-fmactions from the Harvex settings";

bool ReadText(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream out;
    out << in.rdbuf();
    text = out.str();
    return true;
}

bool IsOurs(const std::string& path) {
    std::string text;
    return ReadText(path, text) && text.find(OUR_MARKER) != std::string::npos;
}

// Writes text as path (mode applied), through a temporary file in the same folder.
bool WriteAtomically(const std::string& path, const std::string& text, mode_t mode, std::string& error) {
    std::string current;
    struct stat st {};
    if (ReadText(path, current) && current == text && ::stat(path.c_str(), &st) == 0 &&
        (st.st_mode & 07777) == mode)
        return true;
    std::error_code ec;
    fs::create_directories(fs::path(path).parent_path(), ec);
    std::string temp = path + ".harvex-XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    bool ok = ::fchmod(fd, mode) == 0;
    size_t done = 0;
    while (ok && done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        if (ok)
            done += static_cast<size_t>(n);
    }
    ok = ok && ::fsync(fd) == 0;
    const int savedErrno = errno;
    ok = (::close(fd) == 0) && ok;
    if (ok && ::rename(temp.c_str(), path.c_str()) == 0)
        return true;
    error = path + ": " + std::strerror(ok ? errno : savedErrno);
    ::unlink(temp.c_str());
    return false;
}

void RemoveFile(const std::string& path, std::vector<std::string>& errors) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        errors.push_back(path + ": " + std::strerror(errno));
}

// Our files in a folder that `keep` does not name (regular files with our marker).
void SweepFolder(const std::string& folder, const std::set<std::string>& keep,
                 bool (*candidate)(const std::string&), std::vector<std::string>& errors) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (keep.count(name) || !candidate(name) || !it->is_regular_file(ec) || it->is_symlink(ec))
            continue;
        if (IsOurs(it->path().string()))
            RemoveFile(it->path().string(), errors);
    }
}

bool IsNemoCandidate(const std::string& name) {
    const std::string suffix = ".nemo_action";
    return name.rfind("harvex-", 0) == 0 && name.size() > suffix.size() &&
           name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool IsAnyName(const std::string&) {
    return true;
}

void WriteDolphin(const CMenuModel& model, const CActionTargets& targets, std::vector<std::string>& errors) {
    const std::string path = targets.strDataHome + "/" + DOLPHIN_FOLDER + "/" + DOLPHIN_FILE;
    const std::string text = MakeDolphinServiceMenu(model);
    std::string error;
    if (text.empty()) {
        if (IsOurs(path))
            RemoveFile(path, errors);
    } else if (!WriteAtomically(path, text, 0755, error)) {  // KIO runs only executable user service menus
        errors.push_back(error);
    }
}

void WriteNemo(const CMenuModel& model, const CActionTargets& targets, std::vector<std::string>& errors) {
    const std::string folder = targets.strDataHome + "/" + NEMO_FOLDER;
    std::set<std::string> keep;
    for (const CMenuFile& file : MakeNemoActions(model)) {
        std::string error;
        if (WriteAtomically(folder + "/" + file.strName, file.strText, 0644, error))
            keep.insert(file.strName);
        else
            errors.push_back(error);
    }
    SweepFolder(folder, keep, IsNemoCandidate, errors);
}

void WriteNautilus(const CMenuModel& model, const CActionTargets& targets, std::vector<std::string>& errors) {
    const std::string folder = targets.strDataHome + "/" + NAUTILUS_FOLDER;
    const std::string submenu = folder + "/Harvex";
    const std::vector<CMenuFile> files = MakeNautilusScripts(model);
    std::set<std::string> keepTop;
    std::set<std::string> keepSub;
    for (const CMenuFile& file : files) {
        const size_t slash = file.strName.find('/');
        if (slash == std::string::npos)
            keepTop.insert(file.strName);
        else
            keepSub.insert(file.strName.substr(slash + 1));
    }
    // The old layout goes first: the flat "Harvex" script takes the place of
    // the submenu's folder and the other way round.
    SweepFolder(folder, keepTop, IsAnyName, errors);
    SweepFolder(submenu, keepSub, IsAnyName, errors);
    std::error_code ec;
    if (keepSub.empty() && fs::is_directory(submenu, ec) && fs::is_empty(submenu, ec))
        fs::remove(submenu, ec);
    for (const CMenuFile& file : files) {
        std::string error;
        if (!WriteAtomically(folder + "/" + file.strName, file.strText, 0755, error))
            errors.push_back(error);
    }
}

void WriteThunar(const CMenuModel& model, const CActionTargets& targets, std::vector<std::string>& errors) {
    const std::string path = targets.strConfigHome + "/" + THUNAR_FILE;
    const std::string ours = MakeThunarActions(model);
    std::string existing;
    std::string merged;
    struct stat st {};
    mode_t mode = 0644;
    if (!ReadText(path, existing)) {
        if (ours.empty())
            return;
        merged = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<actions>\n" + ours + "</actions>\n";
    } else {
        if (::stat(path.c_str(), &st) == 0)
            mode = st.st_mode & 07777;
        if (!MergeThunarActions(existing, ours, merged)) {
            errors.push_back(path + ": not a list of actions (</actions> is missing); left as it is");
            return;
        }
    }
    std::string error;
    if (!WriteAtomically(path, merged, mode, error))
        errors.push_back(error);
}

// Position of the next "<action>" or "<action ...>" start tag at or after pos.
size_t FindActionStart(const std::string& text, size_t pos) {
    while ((pos = text.find("<action", pos)) != std::string::npos) {
        const size_t after = pos + 7;
        if (after < text.size() && (text[after] == '>' || text[after] == ' ' || text[after] == '\t' ||
                                    text[after] == '\n' || text[after] == '\r'))
            return pos;
        pos = after;
    }
    return std::string::npos;
}

}  // namespace

CActionTargets DefaultActionTargets() {
    CActionTargets targets;
    const char* home = std::getenv("HOME");
    const char* data = std::getenv("XDG_DATA_HOME");
    const char* config = std::getenv("XDG_CONFIG_HOME");
    // XDG base directories must be absolute; a relative value is ignored.
    if (data && data[0] == '/')
        targets.strDataHome = data;
    else if (home && home[0] == '/')
        targets.strDataHome = std::string(home) + "/.local/share";
    if (config && config[0] == '/')
        targets.strConfigHome = config;
    else if (home && home[0] == '/')
        targets.strConfigHome = std::string(home) + "/.config";
    return targets;
}

bool MergeThunarActions(const std::string& existing, const std::string& ours, std::string& merged) {
    const size_t close = existing.rfind("</actions>");
    if (close == std::string::npos)
        return false;
    std::string kept;
    size_t pos = 0;
    while (true) {
        const size_t start = FindActionStart(existing, pos);
        if (start == std::string::npos || start > close)
            break;
        const size_t end = existing.find("</action>", start);
        if (end == std::string::npos || end > close)
            break;
        size_t after = end + 9;
        const std::string block = existing.substr(start, after - start);
        kept += existing.substr(pos, start - pos);
        if (block.find(std::string("<unique-id>") + THUNAR_ID_PREFIX) == std::string::npos) {
            kept += block;
        } else if (after < existing.size() && existing[after] == '\n') {
            ++after;  // our element's own line break goes with it
        }
        pos = after;
    }
    kept += existing.substr(pos, close - pos);
    if (!ours.empty() && !kept.empty() && kept.back() != '\n')
        kept += '\n';
    merged = kept + ours + existing.substr(close);
    return true;
}

std::vector<std::string> WriteFileManagerMenus(const CMenuModel& model, const CActionTargets& targets) {
    std::vector<std::string> errors;
    if (targets.strDataHome.empty() || targets.strConfigHome.empty()) {
        errors.push_back("neither XDG_DATA_HOME/XDG_CONFIG_HOME nor HOME is set");
        return errors;
    }
    WriteDolphin(model, targets, errors);
    WriteNemo(model, targets, errors);
    WriteNautilus(model, targets, errors);
    WriteThunar(model, targets, errors);
    return errors;
}
