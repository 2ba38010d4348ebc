#pragma once
// A fresh temporary folder per test, removed afterwards, with helpers that
// make the files the discovery tests need.

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

class CScratchDir {
public:
    CScratchDir() {
        char templ[] = "/tmp/harvex-test-XXXXXX";
        const char* p = mkdtemp(templ);
        strRoot = p != nullptr ? p : "";
    }
    ~CScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(strRoot, ec);
    }
    CScratchDir(const CScratchDir&) = delete;
    CScratchDir& operator=(const CScratchDir&) = delete;

    std::string Path(const std::string& strRelative = std::string()) const {
        return strRelative.empty() ? strRoot : strRoot + "/" + strRelative;
    }
    // Creates the folder and its parents.
    std::string Folder(const std::string& strRelative) const {
        std::filesystem::create_directories(Path(strRelative));
        return Path(strRelative);
    }
    // Writes a file (parents created) and answers its path.
    std::string File(const std::string& strRelative, const std::string& strContent = "data") const {
        std::string strPath = Path(strRelative);
        std::filesystem::create_directories(std::filesystem::path(strPath).parent_path());
        std::ofstream out(strPath, std::ios::binary);
        out << strContent;
        return strPath;
    }
    // A file that starts with the RAR signature.
    std::string Rar(const std::string& strRelative) const {
        return File(strRelative, std::string("Rar!\x1a\x07\x00", 7) + "volume body");
    }

    std::string strRoot;
};
