#pragma once
// A fresh, empty registry store for one test: a temporary folder that
// HARVEX_REGISTRY_DIR points at while the object lives.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/registry/CRegistryStore.h"

class CTempRegistryDir {
public:
    CTempRegistryDir() {
        char pattern[] = "/tmp/harvex-reg-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        m_strPath = made ? made : "";
        ::setenv("HARVEX_REGISTRY_DIR", m_strPath.c_str(), 1);
    }
    ~CTempRegistryDir() {
        CRegistryStore::Instance().FlushAll();
        ::unsetenv("HARVEX_REGISTRY_DIR");
        std::error_code ec;
        std::filesystem::remove_all(m_strPath, ec);
    }
    CTempRegistryDir(const CTempRegistryDir&) = delete;
    CTempRegistryDir& operator=(const CTempRegistryDir&) = delete;

    const std::string& Path() const { return m_strPath; }
    std::string UserHive() const { return m_strPath + "/HKEY_CURRENT_USER.reg"; }
    std::string ClassesHive() const { return m_strPath + "/HKEY_CLASSES_ROOT.reg"; }

    static std::string ReadText(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }
    // Replaces a file the way another process's store would (a new inode).
    static void ReplaceText(const std::string& path, const std::string& text) {
        const std::string temp = path + ".test-tmp";
        {
            std::ofstream out(temp, std::ios::binary | std::ios::trunc);
            out << text;
        }
        std::filesystem::rename(temp, path);
    }

private:
    std::string m_strPath;
};
