// The password of an encrypted RAR archive never shows on the console RAR program's
// command line: the real driver runs the real program on a real encrypted archive
// while a watcher reads /proc/<pid>/cmdline (what every local user can read) and
// /proc/<pid>/environ of each running program it started.

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "DriverHarness.h"
#include "tests/fixtures/CRarWriter.h"
#include "tests/fixtures/CTempDir.h"
#include "tests/fixtures/TestFiles.h"
#include "tests/fixtures/encryption/CRarEncryptionHook.h"

namespace {

const std::string PASSWORD = "Lantern-4471-quill";

// What could be read of a /proc file: the process may end between the open and the read,
// which read() answers with ESRCH (a stream would throw from inside the iterator).
std::string ReadProcFile(const std::string& strPath) {
    std::string strText;
    const int fd = ::open(strPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return strText;
    char buffer[4096];
    ssize_t nRead = 0;
    while ((nRead = ::read(fd, buffer, sizeof buffer)) > 0)
        strText.append(buffer, static_cast<size_t>(nRead));
    ::close(fd);
    return strText;
}

// The parent process id from /proc/<pid>/stat (the field after the command in parentheses).
pid_t ParentOf(const std::string& strPid) {
    const std::string strStat = ReadProcFile("/proc/" + strPid + "/stat");
    const size_t nParen = strStat.rfind(')');
    if (nParen == std::string::npos || nParen + 4 >= strStat.size()) {
        return -1;
    }
    return static_cast<pid_t>(std::atol(strStat.c_str() + nParen + 4));
}

// Polls /proc for running children of this process whose program is our unrar and
// keeps their argument vectors and environments as read while they ran.
class CChildWatcher {
public:
    CChildWatcher() : thread([this] { Watch(); }) {}
    ~CChildWatcher() { Stop(); }
    void Stop() {
        bStop = true;
        if (thread.joinable()) {
            thread.join();
        }
    }
    struct CSeen {
        std::string strCmdline;  // NUL-separated, as the kernel shows it
        std::string strEnviron;
    };
    std::vector<CSeen> Seen() {
        std::lock_guard<std::mutex> lock(mutex);
        return arrSeen;
    }

private:
    void Watch() {
        const pid_t nSelf = getpid();
        while (!bStop) {
            DIR* pDir = opendir("/proc");
            while (dirent* pEntry = pDir ? readdir(pDir) : nullptr) {
                const std::string strPid = pEntry->d_name;
                if (strPid.find_first_not_of("0123456789") != std::string::npos || setSeen.count(strPid) ||
                    ParentOf(strPid) != nSelf) {
                    continue;
                }
                CSeen seen{ReadProcFile("/proc/" + strPid + "/cmdline"),
                           ReadProcFile("/proc/" + strPid + "/environ")};
                // Between fork and exec the child still shows this program's name.
                if (seen.strCmdline.rfind(std::string(HARVEX_BIN_DIR) + "/unrar", 0) != 0) {
                    continue;
                }
                setSeen.insert(strPid);
                std::lock_guard<std::mutex> lock(mutex);
                arrSeen.push_back(seen);
            }
            if (pDir) {
                closedir(pDir);
            }
            std::this_thread::sleep_for(std::chrono::microseconds(300));
        }
    }

    std::atomic<bool> bStop{false};
    std::mutex mutex;
    std::vector<CSeen> arrSeen;
    std::set<std::string> setSeen;
    std::thread thread;
};

class DriverPasswordArgvTest : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_TOOLS();
        strRel = tmp.MakeDir("Rel");
        strOut = tmp.MakeDir("Out");
        // Many key-derivation rounds and some data keep the program running long
        // enough for the watcher to read its command line.
        CRarEncryptionHook hook({.strPassword = PASSWORD, .bEncryptHeaders = true, .nKdfCount = 19});
        CRarOptions options;
        options.pHook = &hook;
        CRarWriter writer(options);
        strMovie = testfiles::RandomBytes(6 * 1024 * 1024, 7);
        writer.AddFile("movie.mkv", strMovie);
        const CRarResult written = writer.Write(strRel + "/movie.rar");
        ASSERT_TRUE(written.bOk) << written.strError;
        h.Add(strRel, strOut);
    }

    void ExpectPasswordNowhere(const std::vector<CChildWatcher::CSeen>& arrSeen) const {
        ASSERT_FALSE(arrSeen.empty()) << "no running unrar was seen";
        for (const CChildWatcher::CSeen& seen : arrSeen) {
            std::string strShown = seen.strCmdline;
            std::replace(strShown.begin(), strShown.end(), '\0', ' ');
            EXPECT_EQ(seen.strCmdline.find(PASSWORD), std::string::npos) << strShown;
            EXPECT_EQ(seen.strEnviron.find(PASSWORD), std::string::npos);
            EXPECT_NE(seen.strCmdline.find(strRel + "/movie.rar"), std::string::npos) << strShown;
        }
    }

    CTempDir tmp{"drv-rar-argv"};
    std::string strRel;
    std::string strOut;
    std::string strMovie;
    CDriverHarness h;
};

}  // namespace

TEST_F(DriverPasswordArgvTest, PasswordFromThePromptReachesTheProgramOffItsCommandLine) {
    h.prompt.arrAnswers = {PASSWORD};
    CChildWatcher watcher;
    ASSERT_TRUE(h.Run(120000));
    watcher.Stop();
    EXPECT_EQ(h.Item(0).strStatus, "Completed OK") << h.Errors(0);
    EXPECT_EQ(h.prompt.arrAsked, std::vector<std::string>{"movie.rar"});
    EXPECT_TRUE(testfiles::ReadFile(strOut + "/movie.mkv") == strMovie);
    const std::vector<CChildWatcher::CSeen> arrSeen = watcher.Seen();
    ExpectPasswordNowhere(arrSeen);
    // The run after the prompt hands the password over on descriptor 3.
    bool bHandedOver = false;
    for (const CChildWatcher::CSeen& seen : arrSeen) {
        bHandedOver =
            bHandedOver || seen.strCmdline.find(std::string("--password-fd=3\0", 16)) != std::string::npos;
    }
    EXPECT_TRUE(bHandedOver);
}

TEST_F(DriverPasswordArgvTest, PasswordGivenForTheRunAndTheShownCommandLineHideIt) {
    h.driver.strPassword = PASSWORD;
    CChildWatcher watcher;
    ASSERT_TRUE(h.Run(120000));
    watcher.Stop();
    EXPECT_EQ(h.Item(0).strStatus, "Completed OK") << h.Errors(0);
    EXPECT_TRUE(h.prompt.arrAsked.empty());
    const std::vector<CChildWatcher::CSeen> arrSeen = watcher.Seen();
    ExpectPasswordNowhere(arrSeen);
    ASSERT_EQ(arrSeen.size(), 1u);
    EXPECT_NE(arrSeen[0].strCmdline.find(std::string("--password-fd=3\0", 16)), std::string::npos);
    // The process log shows the command line: no password there either.
    EXPECT_EQ(h.driver.log.Text().find(PASSWORD), std::string::npos);
}
