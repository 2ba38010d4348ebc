#pragma once
// A temporary home, store and PATH for the menu tests: presets are written into
// a real store, harvex-fmactions runs as a program, and every entry's command is
// run the way its file manager runs it, against a stand-in harvex that records
// its arguments.

#include <glib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/registry/CRegistryStore.h"
#include "platform/registry/Registry.h"
#include "tests/support/CTempRegistryDir.h"

namespace menutest {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

inline std::string ReadAll(const std::string& path) {
    return CTempRegistryDir::ReadText(path);
}

class CMenuHarness {
public:
    CMenuHarness() {
        char pattern[] = "/tmp/harvex-menus-XXXXXX";
        m_strRoot = ::mkdtemp(pattern);
        strHome = m_strRoot + "/home";
        strBin = m_strRoot + "/bin";
        strRecord = m_strRoot + "/argv.record";
        fs::create_directories(strHome);
        fs::create_directories(strBin);
        fs::create_symlink(HARVEX_RECORDER, strBin + "/harvex");
        ::setenv("HOME", strHome.c_str(), 1);
        ::unsetenv("XDG_DATA_HOME");
        ::unsetenv("XDG_CONFIG_HOME");
        ::setenv("HARVEX_ARGV_RECORD", strRecord.c_str(), 1);
    }
    ~CMenuHarness() {
        std::error_code ec;
        fs::remove_all(m_strRoot, ec);
    }
    std::string DataHome() const { return strHome + "/.local/share"; }
    std::string ConfigHome() const { return strHome + "/.config"; }
    std::string Root() const { return m_strRoot; }

    // Settings and presets as the program saves them; names "" stand for a key without a name.
    void SetShellOptions(int winIntegration, int icons, int submenu) {
        SetDword("Settings", "WinIntegration", winIntegration);
        SetDword("Settings", "IconsInContext", icons);
        SetDword("Settings", "SubmenuInContext", submenu);
        CRegistryStore::Instance().FlushAll();
    }
    void SetPresets(const std::vector<std::string>& names) {
        SetDword("Presets", "Size", static_cast<int>(names.size()));
        for (size_t i = 0; i < names.size(); ++i) {
            HKEY key = 0;
            RegCreateKeyEx(HKEY_CURRENT_USER, AppKey() + "\\Presets\\Preset" + std::to_string(i + 1),
                           KEY_ALL_ACCESS, &key);
            RegSetValueEx(key, "Name", REG_SZ, reinterpret_cast<const std::uint8_t*>(names[i].c_str()),
                          static_cast<std::uint32_t>(names[i].size() + 1));
            RegCloseKey(key);
        }
        for (size_t k = names.size() + 1; k <= 20; ++k)
            RegDeleteKey(HKEY_CURRENT_USER, AppKey() + "\\Presets\\Preset" + std::to_string(k));
        CRegistryStore::Instance().FlushAll();
    }

    // Runs a program with PATH = our bin folder first; returns its exit code.
    int Run(const Args& argv, const std::string& cwd = "") const {
        const pid_t pid = ::fork();
        if (pid == 0) {
            if (!cwd.empty() && ::chdir(cwd.c_str()) != 0)
                ::_exit(126);
            const std::string path = strBin + ":/usr/bin:/bin";
            ::setenv("PATH", path.c_str(), 1);
            std::vector<char*> list;
            for (const auto& a : argv)
                list.push_back(const_cast<char*>(a.c_str()));
            list.push_back(nullptr);
            ::execvp(list[0], list.data());
            ::_exit(127);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    int Regenerate() const { return Run({std::string(HARVEX_BIN_DIR) + "/harvex-fmactions"}); }

    // The argument lists harvex was started with since the last call.
    std::vector<Args> TakeRecords() {
        std::vector<Args> records;
        const std::string text = ReadAll(strRecord);
        fs::remove(strRecord);
        Args current;
        std::string word;
        for (char c : text) {
            if (c == '\x1e') {
                records.push_back(current);
                current.clear();
            } else if (c == '\0') {
                current.push_back(word);
                word.clear();
            } else {
                word += c;
            }
        }
        return records;
    }

    // A folder of hostile names: a release folder and archives.
    std::vector<std::string> MakeHostileSelection() {
        const std::string folder = m_strRoot + "/sel $x 'q' \"d\"";
        fs::create_directories(folder);
        std::vector<std::string> names = {"Some Release",
                                          "it's \"quoted\".rar",
                                          "$(touch pwned)`id`.rar",
                                          "back\\slash.zip",
                                          "-rf.rar",
                                          "--help.zip",
                                          "\xff\xfe bytes.rar",
                                          "new\nline.r00",
                                          "?Preset1?.rar",
                                          "100%F %U.zip",
                                          "*.rar",
                                          " lead.part01.rar"};
        std::vector<std::string> paths;
        for (const std::string& name : names) {
            const std::string path = folder + "/" + name;
            if (name == "Some Release")
                fs::create_directories(path);
            else
                std::ofstream(path) << "x";
            paths.push_back(path);
        }
        return paths;
    }

    std::string strHome, strBin, strRecord;

private:
    static std::string AppKey() { return "Software\\Morvane\\Harvex"; }
    static void SetDword(const std::string& sub, const std::string& name, int value) {
        HKEY key = 0;
        RegCreateKeyEx(HKEY_CURRENT_USER, AppKey() + "\\" + sub, KEY_ALL_ACCESS, &key);
        const std::uint32_t data = static_cast<std::uint32_t>(value);
        RegSetValueEx(key, name, REG_DWORD, reinterpret_cast<const std::uint8_t*>(&data), sizeof data);
        RegCloseKey(key);
    }
    std::string m_strRoot;
};

// g_shell_parse_argv, as Nemo and GLib's launchers split a command line.
inline Args ShellParse(const std::string& line) {
    gint argc = 0;
    gchar** argv = nullptr;
    Args args;
    if (g_shell_parse_argv(line.c_str(), &argc, &argv, nullptr)) {
        for (gint i = 0; i < argc; ++i)
            args.push_back(argv[i]);
        g_strfreev(argv);
    }
    return args;
}

inline std::string GShellQuote(const std::string& text) {
    gchar* quoted = g_shell_quote(text.c_str());
    std::string result = quoted;
    g_free(quoted);
    return result;
}

// A key file read with GLib (Nemo reads its actions so; KDE's reader accepts the same syntax).
struct CKeyFile {
    explicit CKeyFile(const std::string& text) : pFile(g_key_file_new()) {
        bLoaded = g_key_file_load_from_data(pFile, text.c_str(), text.size(), G_KEY_FILE_NONE, nullptr);
    }
    ~CKeyFile() { g_key_file_free(pFile); }
    bool Has(const std::string& group, const std::string& key) const {
        return g_key_file_has_key(pFile, group.c_str(), key.c_str(), nullptr);
    }
    std::string Get(const std::string& group, const std::string& key) const {
        gchar* value = g_key_file_get_string(pFile, group.c_str(), key.c_str(), nullptr);
        std::string result = value ? value : "";
        g_free(value);
        return result;
    }
    GKeyFile* pFile;
    bool bLoaded = false;
};

// One <action> of Thunar's uca.xml, read with GMarkup as Thunar reads it.
struct CUcaAction {
    std::map<std::string, std::string> mapText;  // element name -> text
    std::vector<std::string> arrFlags;           // empty elements: directories, other-files ...
};

inline bool ParseUca(const std::string& text, std::vector<CUcaAction>& actions) {
    struct CState {
        std::vector<CUcaAction>* pActions;
        std::string strElement;
        bool bInAction = false;
    } state{&actions, "", false};
    GMarkupParser parser{};
    parser.start_element = [](GMarkupParseContext*, const gchar* name, const gchar**, const gchar**,
                              gpointer data, GError**) {
        auto* s = static_cast<CState*>(data);
        if (std::string(name) == "action") {
            s->pActions->push_back({});
            s->bInAction = true;
        } else if (s->bInAction) {
            s->strElement = name;
            s->pActions->back().mapText[name];
        }
    };
    parser.end_element = [](GMarkupParseContext*, const gchar* name, gpointer data, GError**) {
        auto* s = static_cast<CState*>(data);
        if (std::string(name) == "action") {
            s->bInAction = false;
        } else if (s->bInAction && s->pActions->back().mapText[name].empty()) {
            s->pActions->back().arrFlags.push_back(name);
        }
        s->strElement.clear();
    };
    parser.text = [](GMarkupParseContext*, const gchar* text, gsize length, gpointer data, GError**) {
        auto* s = static_cast<CState*>(data);
        if (s->bInAction && !s->strElement.empty())
            s->pActions->back().mapText[s->strElement].append(text, length);
    };
    GMarkupParseContext* context =
        g_markup_parse_context_new(&parser, G_MARKUP_DEFAULT_FLAGS, &state, nullptr);
    const bool ok =
        g_markup_parse_context_parse(context, text.c_str(), static_cast<gssize>(text.size()), nullptr) &&
        g_markup_parse_context_end_parse(context, nullptr);
    g_markup_parse_context_free(context);
    return ok;
}

}  // namespace menutest
