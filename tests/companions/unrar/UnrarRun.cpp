#include "UnrarRun.h"

#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

std::string UnrarPath() {
    return std::string(HARVEX_BIN_DIR) + "/unrar";
}
std::string RarFixtures() {
    return std::string(HARVEX_SHARED_FIXTURES) + "/rar/";
}
bool HaveRarFixtures() {
    return fs::exists(RarFixtures() + "test_read_format_rar.rar");
}

UnrarResult RunUnrar(const std::vector<std::string>& arrArgs, const UnrarRunOptions& options) {
    int out[2], in[2];
    if (::pipe(out) != 0 || ::pipe(in) != 0) {
        return {};
    }
    pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        ::dup2(out[1], 2);
        ::close(in[0]);
        ::close(in[1]);
        ::close(out[0]);
        ::close(out[1]);
        if (options.nFileSizeLimit >= 0) {
            struct rlimit rl {
                rlim_t(options.nFileSizeLimit), rlim_t(options.nFileSizeLimit)
            };
            ::setrlimit(RLIMIT_FSIZE, &rl);
        }
        if (!options.strWorkDir.empty() && ::chdir(options.strWorkDir.c_str()) != 0) {
            ::_exit(126);
        }
        std::vector<char*> argv;
        std::string prog = UnrarPath();
        argv.push_back(prog.data());
        std::vector<std::string> copy = arrArgs;
        for (auto& a : copy) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        ::execv(prog.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    if (!options.strStdin.empty()) {
        ssize_t ignored = ::write(in[1], options.strStdin.data(), options.strStdin.size());
        (void)ignored;
    }
    ::close(in[1]);
    UnrarResult result;
    char buf[65536];
    ssize_t n;
    while ((n = ::read(out[0], buf, sizeof buf)) > 0 || (n < 0 && errno == EINTR)) {
        if (n > 0) {
            result.strOutput.append(buf, size_t(n));
        }
    }
    ::close(out[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.nExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

static void ReplaceAll(std::string& s, const std::string& from, const std::string& to) {
    if (from.empty()) {
        return;
    }
    size_t pos = 0;
    while ((pos = s.find(from, pos)) != std::string::npos) {
        s.replace(pos, from.size(), to);
        pos += to.size();
    }
}

std::string NormalizeOutput(const std::string& strOutput, const std::vector<std::string>& arrTempDirs) {
    std::string s = strOutput;
    ReplaceAll(s, RarFixtures(), "<RAR>/");
    for (const std::string& t : arrTempDirs) {
        ReplaceAll(s, t, "<TMP>");
    }
    ReplaceAll(s, "\b", "<BS>");
    return s;
}

::testing::AssertionResult MatchesExpected(const std::string& strName, const std::string& strNormalized) {
    std::string path =
        std::string(HARVEX_SOURCE_DIR) + "/tests/companions/unrar/expected/" + strName + ".out";
    const char* update = std::getenv("HARVEX_UPDATE_EXPECTED");
    if (update && std::string(update) == "1") {
        WriteFileBytes(path, strNormalized);
        return ::testing::AssertionSuccess();
    }
    if (!fs::exists(path)) {
        return ::testing::AssertionFailure() << "missing expected-output file " << path;
    }
    std::string expected = ReadFileBytes(path);
    if (expected == strNormalized) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "output differs from " << path << "\n--- expected\n"
                                         << expected << "\n--- actual\n"
                                         << strNormalized;
}

CUnrarTempDir::CUnrarTempDir() {
    std::string tmpl = (fs::temp_directory_path() / "unrar-test-XXXXXX").string();
    char* p = ::mkdtemp(tmpl.data());
    strPath = p ? p : "";
}

CUnrarTempDir::~CUnrarTempDir() {
    std::error_code ec;
    if (!strPath.empty()) {
        fs::remove_all(strPath, ec);
    }
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFileBytes(const std::string& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), std::streamsize(data.size()));
}

std::map<std::string, std::string> ReadTree(const std::string& strRoot) {
    std::map<std::string, std::string> tree;
    for (auto it = fs::recursive_directory_iterator(strRoot); it != fs::recursive_directory_iterator();
         ++it) {
        std::string rel = it->path().lexically_relative(strRoot).string();
        if (it->is_symlink()) {
            tree[rel] = "l:" + fs::read_symlink(it->path()).string();
        } else if (it->is_directory()) {
            tree[rel] = "d";
        } else {
            tree[rel] = "f:" + ReadFileBytes(it->path().string());
        }
    }
    return tree;
}

static std::string Utf8Or(const char* pUtf8, const char* pOther) {
    return pUtf8 ? pUtf8 : (pOther ? pOther : "");
}

std::map<std::string, std::string> LibarchiveTree(const std::vector<std::string>& arrVolumes) {
    std::map<std::string, std::string> tree;
    // Names in the entries are converted to the locale's character set.
    std::setlocale(LC_ALL, "C.UTF-8");
    archive* a = archive_read_new();
    archive_read_support_format_rar(a);
    archive_read_support_format_rar5(a);
    std::vector<const char*> names;
    for (const auto& v : arrVolumes) {
        names.push_back(v.c_str());
    }
    names.push_back(nullptr);
    if (archive_read_open_filenames(a, names.data(), 65536) != ARCHIVE_OK) {
        archive_read_free(a);
        return tree;
    }
    archive_entry* e = nullptr;
    int r = ARCHIVE_OK;
    while ((r = archive_read_next_header(a, &e)) == ARCHIVE_OK || r == ARCHIVE_WARN) {
        std::string rel = Utf8Or(archive_entry_pathname_utf8(e), archive_entry_pathname(e));
        while (!rel.empty() && rel.back() == '/') {
            rel.pop_back();
        }
        // Every folder on the way exists after extraction.
        for (size_t p = rel.find('/'); p != std::string::npos; p = rel.find('/', p + 1)) {
            tree.emplace(rel.substr(0, p), "d");
        }
        const char* hardlink = archive_entry_hardlink_utf8(e);
        if (hardlink && *hardlink) {
            std::string target = hardlink;
            tree[rel] = tree[target];
        } else if (archive_entry_filetype(e) == AE_IFDIR) {
            tree[rel] = "d";
        } else if (archive_entry_filetype(e) == AE_IFLNK) {
            tree[rel] = "l:" + Utf8Or(archive_entry_symlink_utf8(e), archive_entry_symlink(e));
        } else {
            std::string data;
            const void* buf = nullptr;
            size_t n = 0;
            la_int64_t off = 0;
            while (archive_read_data_block(a, &buf, &n, &off) == ARCHIVE_OK) {
                data.append(static_cast<const char*>(buf), n);
            }
            tree[rel] = "f:" + data;
        }
    }
    archive_read_free(a);
    return tree;
}
