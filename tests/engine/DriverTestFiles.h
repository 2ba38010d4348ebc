#pragma once
// Small file helpers for the driver's tests: a fresh temporary folder per test,
// writing and reading whole files.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

class CTempFolder {
public:
    CTempFolder() {
        std::string strTemplate = (std::filesystem::temp_directory_path() / "harvex-drv-XXXXXX").string();
        char* pszPath = mkdtemp(strTemplate.data());
        if (pszPath != nullptr)
            strPath = pszPath;
    }
    ~CTempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(strPath, ec);
    }
    CTempFolder(const CTempFolder&) = delete;
    CTempFolder& operator=(const CTempFolder&) = delete;

    std::string operator/(const std::string& strName) const { return strPath + "/" + strName; }

    std::string strPath;
};

inline void WriteFile(const std::string& strPath, const std::string& strData) {
    std::filesystem::create_directories(std::filesystem::path(strPath).parent_path());
    std::ofstream out(strPath, std::ios::binary | std::ios::trunc);
    out << strData;
}

inline std::string ReadFile(const std::string& strPath) {
    std::ifstream in(strPath, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline bool Exists(const std::string& strPath) {
    struct stat st {};
    return lstat(strPath.c_str(), &st) == 0;
}
