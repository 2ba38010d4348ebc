// The program as its caller uses it: the command lines it must accept and refuse, exit
// codes on signals, and every failure's real output fed through the caller's
// classification of output lines (error line, context line, final line).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <thread>

#include "UnrarRun.h"
#include "companions/unrar/UnrarContract.h"
#include "tests/fixtures/CRarWriter.h"
#include "tests/fixtures/SharedFixtures.h"
#include "tests/fixtures/TestFiles.h"

namespace {

// The caller's classification of the program's output lines, as its output parser does
// it (process/ does not carry a copy yet): substring tests, case-sensitive, first match
// wins. Returns the lines the caller records for the item's report.
std::vector<std::string> ClassifyLikeTheCaller(const std::string& output, bool bTestMode) {
    std::vector<std::string> recorded;
    auto add = [&recorded](const std::string& s) {
        for (const auto& r : recorded) {
            if (r == s) {
                return;
            }
        }
        recorded.push_back(s);
    };
    std::vector<std::string> lines;
    std::string cur;
    for (size_t i = 0; i < output.size(); ++i) {
        char c = output[i];
        if (c != '\n') {
            cur += c;
            continue;
        }
        lines.push_back(cur);
        const std::string& line = cur;
        auto has = [&line](const char* s) { return line.find(s) != std::string::npos; };
        if (has("Error") || has("ERROR:") || has("Missing") || has("find volume") || has("Write error") ||
            has("packed data CRC failed") || has("No files to extract") || has("is not RAR archive") ||
            (has("Failed") && !has("Verifying authenticity information"))) {
            add(line + "\r\n\r\n");
        } else if (has("Unexpected") || has("WARNING: You need to start") ||
                   has("Verifying authenticity information")) {
            const char* marker = bTestMode ? "Testing archive" : "Extracting from";
            for (size_t k = lines.size(); k-- > 1;) {
                if (lines[k].find(marker) != std::string::npos) {
                    add(lines[k] + "\r\n");
                    add(line + "\r\n\r\n");
                    break;
                }
            }
        } else if (i + 1 == output.size() && line.find("All OK") == std::string::npos && recorded.empty()) {
            add("Unhandled error\r\n");
        }
        cur.clear();
    }
    return recorded;
}

std::string Joined(const std::vector<std::string>& v) {
    std::string s;
    for (const auto& x : v) {
        s += x;
    }
    return s;
}

CRarWriter SplitWriter(ERarFormat f) {
    CRarOptions o;
    o.eFormat = f;
    o.nVolumeSize = 64 * 1024;
    CRarWriter w(o);
    w.AddFile("big.bin", testfiles::RandomBytes(200000, 11));
    w.AddFile("after.txt", "after\n");
    return w;
}

}  // namespace

TEST(UnrarCommandLineTest, AcceptsTheCallersCommandLines) {
    CUnrarTempDir tmp;
    CRarWriter w;
    w.AddFile("a.txt", "a\n");
    ASSERT_TRUE(testfiles::WriteFile(tmp.Sub("in/.keep"), ""));
    ASSERT_TRUE(testfiles::WriteFile(tmp.Sub("o2/.keep"), ""));
    std::string archive = w.Write(tmp.Sub("in/a b.rar")).arrVolumes[0];
    // Destination with and without a trailing slash, password given, percentages on.
    EXPECT_EQ(
        RunUnrar({"x", "-o+", "-ierr", "-av-", "-y", "-pse cret", "-idc", archive, tmp.Sub("o 1") + "/"})
            .nExitCode,
        0);
    EXPECT_EQ(testfiles::ReadFile(tmp.Sub("o 1/a.txt")), "a\n");
    EXPECT_EQ(RunUnrar({"x", "-o+", "-ierr", "-av-", "-y", "-idp", archive, tmp.Sub("o2")}).nExitCode, 0);
    EXPECT_EQ(testfiles::ReadFile(tmp.Sub("o2/a.txt")), "a\n");
    EXPECT_EQ(RunUnrar({"t", "-o+", "-ierr", "-av-", "-y", "-idp", archive}).nExitCode, 0);
    EXPECT_EQ(RunUnrar({"x", "-p-", archive, tmp.Sub("o3")}).nExitCode, 0);
    // Without a destination: the current folder; a relative archive name is printed in full.
    UnrarResult r = RunUnrar({"x", "-idp", "../in/a b.rar"}, {"", -1, tmp.Sub("o2")});
    EXPECT_EQ(r.nExitCode, 0) << r.strOutput;
    EXPECT_NE(r.strOutput.find("Extracting from " + tmp.Sub("o2/../in/a b.rar") + "\n"), std::string::npos)
        << r.strOutput;
}

TEST(UnrarCommandLineTest, RefusesOtherCommandLinesWithExitCodeSeven) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"e", "a.rar"},
        {"x"},
        {"x", "-q", "a.rar"},
        {"x", "-idp", "-idc", "a.rar"},
        {"t", "a.rar", "dest"},
        {"x", "a.rar", "dest", "more"},
        {"x", "-p-", "-psecret", "a.rar"},
    };
    for (const auto& args : bad) {
        UnrarResult r = RunUnrar(args);
        EXPECT_EQ(r.nExitCode, unrar::EXIT_USAGE) << r.strOutput;
        EXPECT_NE(r.strOutput.find("ERROR: Command line: "), std::string::npos);
        EXPECT_NE(r.strOutput.find("Usage: unrar x|t"), std::string::npos);
    }
    UnrarResult help = RunUnrar({"--help"});
    EXPECT_EQ(help.nExitCode, 0);
    EXPECT_EQ(help.strOutput.rfind("Usage: unrar x|t", 0), 0u);
    EXPECT_TRUE(MatchesExpected("usage_error", RunUnrar({"x", "--bogus", "a.rar"}).strOutput));
}

TEST(UnrarCommandLineTest, SendsEverythingToOneStreamInOrder) {
    REQUIRE_SHARED_FIXTURES();
    // -ierr: all messages on standard error; without it, on standard output.
    for (bool bErr : {true, false}) {
        int out[2];
        ASSERT_EQ(::pipe(out), 0);
        CUnrarTempDir tmp;
        pid_t pid = ::fork();
        if (pid == 0) {
            int devnull = ::open("/dev/null", O_RDWR);
            ::dup2(devnull, 0);
            ::dup2(bErr ? out[1] : devnull, 2);
            ::dup2(bErr ? devnull : out[1], 1);
            std::string prog = UnrarPath(), arch = RarFixtures() + "test_read_format_rar4_encrypted.rar";
            std::string dest = tmp.Path();
            std::vector<char*> argv = {prog.data(), const_cast<char*>("x"), const_cast<char*>("-idp")};
            if (bErr) {
                argv.push_back(const_cast<char*>("-ierr"));
            }
            argv.push_back(arch.data());
            argv.push_back(dest.data());
            argv.push_back(nullptr);
            ::execv(prog.c_str(), argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        std::string text;
        char buf[4096];
        ssize_t n;
        while ((n = ::read(out[0], buf, sizeof buf)) > 0) {
            text.append(buf, size_t(n));
        }
        ::close(out[0]);
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_NE(text.find("Extracting  a.txt"), std::string::npos) << bErr << " status " << status << "\n"
                                                                     << text;
        EXPECT_NE(text.find("Enter password (will not be echoed) for b.txt: "), std::string::npos) << bErr;
    }
}

TEST(UnrarSignalTest, ASignalEndsTheProgramWithExitCode255) {
    REQUIRE_SHARED_FIXTURES();
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        int in[2], out[2];
        ASSERT_EQ(::pipe(in), 0);
        ASSERT_EQ(::pipe(out), 0);
        CUnrarTempDir tmp;
        pid_t pid = ::fork();
        if (pid == 0) {
            ::dup2(in[0], 0);
            ::dup2(out[1], 1);
            ::dup2(out[1], 2);
            ::close(in[1]);
            ::close(out[0]);
            std::string prog = UnrarPath(), arch = RarFixtures() + "test_read_format_rar5_encrypted.rar";
            std::string dest = tmp.Path();
            char* argv[] = {
                prog.data(), const_cast<char*>("x"), const_cast<char*>("-idp"), arch.data(), dest.data(),
                nullptr};
            ::execv(prog.c_str(), argv);
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        // The program waits at its password prompt with standard input still open.
        std::string text;
        char buf[4096];
        while (text.find("Enter password (will not be echoed) for b.txt: ") == std::string::npos) {
            ssize_t n = ::read(out[0], buf, sizeof buf);
            if (n <= 0) {
                break;
            }
            text.append(buf, size_t(n));
        }
        ASSERT_NE(text.find("Enter password"), std::string::npos) << text;
        ::kill(pid, sig);
        int status = 0;
        ::waitpid(pid, &status, 0);
        ::close(in[1]);
        ::close(out[0]);
        ASSERT_TRUE(WIFEXITED(status)) << sig;
        EXPECT_EQ(WEXITSTATUS(status), unrar::EXIT_SIGNAL) << sig;
    }
}

TEST(UnrarPasswordTest, EndOfInputAtThePromptFailsAndAnAnswerDecrypts) {
    REQUIRE_SHARED_FIXTURES();
    CUnrarTempDir tmp;
    UnrarResult eof =
        RunUnrar({"x", "-idp", RarFixtures() + "test_read_format_rar_encryption_data.rar", tmp.Path()});
    EXPECT_EQ(eof.nExitCode, 3);
    EXPECT_NE(eof.strOutput.find("Enter password (will not be echoed) for foo.txt: \nERROR: foo.txt - "
                                 "encrypted; no password given\n"),
              std::string::npos)
        << eof.strOutput;
    // One prompt per run; the second entry is refused without asking again.
    EXPECT_EQ(eof.strOutput.find("for bar.txt"), std::string::npos);
    EXPECT_TRUE(ReadTree(tmp.Path()).empty());
    // A person at a terminal answers the prompt: the set is read with that password.
    UnrarResult answered =
        RunUnrar({"x", "-idp", RarFixtures() + "test_read_format_rar_encryption_data.rar", tmp.Path()},
                 {"12345678\n", -1, ""});
    EXPECT_EQ(answered.nExitCode, 0) << answered.strOutput;
    EXPECT_EQ(answered.strOutput.substr(answered.strOutput.size() - 7), "All OK\n");
    std::map<std::string, std::string> expected = {{"foo.txt", "f:data of foo.txt\n"},
                                                   {"bar.txt", "f:data of bar.txt\n"}};
    EXPECT_EQ(ReadTree(tmp.Path()), expected);
}

TEST(UnrarCallerTest, EveryFailureGivesTheCallerALineNamingWhatWentWrong) {
    struct Case {
        std::string strName;
        std::vector<std::string> arrArgs;
        int nExit;
        std::string strRecorded;  // the caller's recorded lines, temp folder as <TMP>
    };
    CUnrarTempDir tmp;
    std::vector<Case> cases;
    for (const char* sub : {"missing", "last", "trunc", "crc", "packed", "later"}) {
        ASSERT_TRUE(testfiles::WriteFile(tmp.Sub(sub) + "/.keep", ""));
    }
    {
        CRarWriter w = SplitWriter(ERarFormat::Rar5);
        w.Options().setOmit = {1};
        auto set = w.Write(tmp.Sub("missing/s.rar"));
        cases.push_back({"missing volume",
                         {"x", "-idp", set.arrVolumes[0], tmp.Sub("o1")},
                         3,
                         "Cannot find volume <TMP>/missing/s.part2.rar\r\n\r\n"});
    }
    {
        CRarWriter w = SplitWriter(ERarFormat::Rar4);
        w.Options().bOmitLastVolume = true;
        auto set = w.Write(tmp.Sub("last/s.rar"));
        cases.push_back({"missing last volume",
                         {"x", "-idp", set.arrVolumes[0], tmp.Sub("o2")},
                         3,
                         "Cannot find volume " +
                             set.arrVolumes.back().substr(tmp.Path().size()).insert(0, "<TMP>") +
                             "\r\n\r\n"});
    }
    {
        CRarWriter w = SplitWriter(ERarFormat::Rar5);
        w.Options().mapTruncate[1] = 100;
        auto set = w.Write(tmp.Sub("trunc/s.rar"));
        cases.push_back({"truncated volume",
                         {"x", "-idp", set.arrVolumes[0], tmp.Sub("o3")},
                         3,
                         "Extracting from <TMP>/trunc/s.part2.rar\r\nUnexpected end of archive\r\n\r\n"});
    }
    {
        CRarWriter w = SplitWriter(ERarFormat::Rar5);
        w.Entries()[0].bBadDataCrc = true;
        auto set = w.Write(tmp.Sub("crc/s.rar"));
        cases.push_back({"data CRC",
                         {"x", "-idp", set.arrVolumes[0], tmp.Sub("o4")},
                         3,
                         "ERROR: big.bin - CRC failed\r\n\r\n"});
    }
    {
        CRarWriter w = SplitWriter(ERarFormat::Rar4);
        w.Entries()[0].nFlipByteAt = 10;
        auto set = w.Write(tmp.Sub("packed/s.rar"));
        cases.push_back({"packed CRC",
                         {"t", "-idp", set.arrVolumes[0]},
                         3,
                         "big.bin : packed data CRC failed in volume <TMP>/packed/s.part1.rar\r\n\r\n"
                         "ERROR: big.bin - CRC failed\r\n\r\n"});
    }
    {
        CRarWriter w = SplitWriter(ERarFormat::Rar5);
        auto set = w.Write(tmp.Sub("later/s.rar"));
        cases.push_back(
            {"later volume",
             {"x", "-idp", set.arrVolumes[1], tmp.Sub("o5")},
             3,
             "Extracting from <TMP>/later/s.part2.rar\r\n"
             "WARNING: You need to start extraction from a previous volume to unpack big.bin\r\n\r\n"});
    }
    {
        testfiles::WriteFile(tmp.Sub("plain.rar"), "not an archive at all");
        cases.push_back({"not RAR",
                         {"x", "-idp", tmp.Sub("plain.rar"), tmp.Sub("o6")},
                         3,
                         "<TMP>/plain.rar is not RAR archive\r\n\r\n"});
    }
    {
        CRarWriter w;
        auto set = w.Write(tmp.Sub("empty.rar"));
        cases.push_back({"nothing to extract",
                         {"x", "-idp", set.arrVolumes[0], tmp.Sub("o7")},
                         3,
                         "No files to extract\r\n\r\n"});
    }
    {
        CRarWriter w;
        w.AddFile("big.bin", testfiles::RandomBytes(300000, 5));
        auto set = w.Write(tmp.Sub("full.rar"));
        cases.push_back({"write error",
                         {"x", "-idp", set.arrVolumes[0], tmp.Sub("o8")},
                         5,
                         "Write error in the file <TMP>/o8/big.bin\r\n\r\n"});
    }
    {
        testfiles::WriteFile(tmp.Sub("o9/d"), "file in the way");
        CRarWriter w;
        w.AddFile("d/x.txt", "x");
        auto set = w.Write(tmp.Sub("create.rar"));
        cases.push_back({"create error",
                         {"x", "-idp", set.arrVolumes[0], tmp.Sub("o9")},
                         9,
                         "ERROR: Cannot create <TMP>/o9/d/x.txt\r\n\r\n"});
    }
    {
        CRarWriter w;
        CRarEntry e;
        e.strName = "../up.txt";
        e.bRawName = true;
        e.strData = "x";
        w.AddEntry(e);
        auto set = w.Write(tmp.Sub("hostile.rar"));
        cases.push_back({"refused entry",
                         {"x", "-idp", set.arrVolumes[0], tmp.Sub("o10")},
                         3,
                         "ERROR: ../up.txt - refused: the name leaves the destination\r\n\r\n"});
    }
    if (HaveRarFixtures()) {
        cases.push_back(
            {"damaged RAR 5",
             {"x", "-idp", RarFixtures() + "test_read_format_rar5_truncated_huff.rar", tmp.Sub("o11")},
             3,
             "Extracting from <RAR>/test_read_format_rar5_truncated_huff.rar\r\nUnexpected end of "
             "archive\r\n\r\n"});
    }
    for (const Case& c : cases) {
        UnrarRunOptions o;
        if (c.strName == "write error") {
            o.nFileSizeLimit = 50000;
        }
        UnrarResult r = RunUnrar(c.arrArgs, o);
        EXPECT_EQ(r.nExitCode, c.nExit) << c.strName << "\n" << r.strOutput;
        EXPECT_NE(r.nExitCode, 10) << c.strName;
        EXPECT_NE(r.nExitCode, 11) << c.strName;
        EXPECT_EQ(r.strOutput.find("All OK"), std::string::npos) << c.strName;
        std::string recorded = Joined(ClassifyLikeTheCaller(r.strOutput, c.arrArgs[0] == "t"));
        EXPECT_EQ(NormalizeOutput(recorded, {tmp.Path()}), c.strRecorded) << c.strName << "\n" << r.strOutput;
    }
}

TEST(UnrarCallerTest, ACleanRunLeavesTheCallerNothingToRecord) {
    CUnrarTempDir tmp;
    CRarWriter w = SplitWriter(ERarFormat::Rar4);
    auto set = w.Write(tmp.Sub("s.rar"));
    UnrarResult r = RunUnrar({"x", "-o+", "-ierr", "-av-", "-y", "-idc", set.arrVolumes[0], tmp.Sub("out")});
    EXPECT_EQ(r.nExitCode, 0);
    EXPECT_TRUE(ClassifyLikeTheCaller(r.strOutput, false).empty()) << r.strOutput;
    EXPECT_EQ(r.strOutput.substr(r.strOutput.size() - 7), "All OK\n");
}
