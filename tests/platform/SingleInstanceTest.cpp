// One instance per user: real processes (the probe program) and a real
// socket in a private folder of a temporary runtime folder.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include "platform/CSingleInstance.h"

namespace fs = std::filesystem;

namespace {

std::string Hex(const std::string& text) {
    std::string out = "ARG ";
    char b[4];
    for (unsigned char c : text) {
        std::snprintf(b, sizeof b, "%02x", c);
        out += b;
    }
    return out;
}

// A running probe with its standard output read line by line.
class CProbe {
public:
    CProbe(const std::vector<std::string>& arguments, const std::string& folder = "") {
        int out[2], in[2];
        if (::pipe(out) != 0 || ::pipe(in) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(out[1], 1);
            ::dup2(in[0], 0);
            ::close(out[0]);
            ::close(in[1]);
            if (!folder.empty() && ::chdir(folder.c_str()) != 0)
                ::_exit(126);
            std::vector<char*> argv;
            argv.push_back(const_cast<char*>(HARVEX_INSTANCE_PROBE));
            for (const auto& a : arguments)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(HARVEX_INSTANCE_PROBE, argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        ::close(in[0]);
        m_nOut = out[0];
        m_nIn = in[1];
    }
    ~CProbe() {
        CloseInput();
        if (m_nOut >= 0)
            ::close(m_nOut);
        if (m_pid > 0 && !m_bReaped) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    // The next line, or "" after timeoutMs or at the end of the output.
    std::string ReadLine(int timeoutMs = 10000) {
        while (true) {
            size_t nl = m_strBuffer.find('\n');
            if (nl != std::string::npos) {
                std::string line = m_strBuffer.substr(0, nl);
                m_strBuffer.erase(0, nl + 1);
                return line;
            }
            pollfd p{m_nOut, POLLIN, 0};
            if (::poll(&p, 1, timeoutMs) <= 0)
                return "";
            char chunk[512];
            ssize_t n = ::read(m_nOut, chunk, sizeof chunk);
            if (n <= 0)
                return "";
            m_strBuffer.append(chunk, static_cast<size_t>(n));
        }
    }
    void CloseInput() {
        if (m_nIn >= 0)
            ::close(m_nIn);
        m_nIn = -1;
    }
    int Wait() {
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_bReaped = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t m_pid = -1;
    int m_nOut = -1;
    int m_nIn = -1;
    bool m_bReaped = false;
    std::string m_strBuffer;
};

class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/harvex-run-XXXXXX";
        runtime = ::mkdtemp(pattern);
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        fs::create_directories(runtime + "/work/sub");
    }
    void TearDown() override {
        ::unsetenv("XDG_RUNTIME_DIR");
        std::error_code ec;
        fs::remove_all(runtime, ec);
    }
    std::string runtime;
};

// Connects to the channel and sends raw bytes; true when an answer byte came back.
bool SendRaw(const std::string& bytes) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = CSingleInstance::SocketPath();
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return false;
    }
    ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    char answer = 0;
    bool answered = ::recv(fd, &answer, 1, 0) == 1;
    ::close(fd);
    return answered;
}

std::string Message(char type, const std::string& payload, std::uint32_t declared) {
    std::string m = "HVX1";
    m += type;
    for (int i = 0; i < 4; ++i)
        m += static_cast<char>((declared >> (8 * i)) & 0xff);
    return m + payload;
}

}  // namespace

TEST(HandOverPayloadTest, EveryLegalNameSurvivesTheRoundTrip) {
    const std::vector<std::string> arguments = {"/a*b*", "/what?Preset1?.rar", "", "/line\nbreak",
                                                "?Preset2?"};
    std::vector<std::string> back;
    ASSERT_TRUE(CSingleInstance::DecodeArguments(CSingleInstance::EncodeArguments(arguments), back));
    EXPECT_EQ(back, arguments);
    EXPECT_FALSE(CSingleInstance::DecodeArguments("", back));
    EXPECT_FALSE(CSingleInstance::DecodeArguments(std::string("/a\0/b", 5), back));
}

TEST_F(SingleInstanceTest, SecondInstanceHandsOverItsArgumentsInOrderAndAsksToBeShown) {
    CProbe first({"first", "1"});
    ASSERT_EQ(first.ReadLine(), "READY");
    EXPECT_EQ(fs::status(CSingleInstance::ChannelFolder()).permissions() & fs::perms::all,
              fs::perms::owner_all);
    CProbe second({"second", "sub", "/x/a*b?c", "./sub/"}, runtime + "/work");
    EXPECT_EQ(first.ReadLine(), "ARGS 3");
    EXPECT_EQ(first.ReadLine(), Hex(runtime + "/work/sub"));
    EXPECT_EQ(first.ReadLine(), Hex("/x/a*b?c"));
    EXPECT_EQ(first.ReadLine(), Hex(runtime + "/work/sub"));
    EXPECT_EQ(first.ReadLine(), "SHOW");
    EXPECT_EQ(first.ReadLine(), "DONE");
    EXPECT_EQ(second.Wait(), 0);
    EXPECT_EQ(first.Wait(), 0);
}

TEST_F(SingleInstanceTest, SecondStartWithoutArgumentsOnlyBringsTheFirstForward) {
    CProbe first({"first", "1"});
    ASSERT_EQ(first.ReadLine(), "READY");
    CProbe second({"second"});
    EXPECT_EQ(first.ReadLine(), "SHOW");
    EXPECT_EQ(first.ReadLine(), "DONE");
    EXPECT_EQ(second.Wait(), 0);
}

TEST_F(SingleInstanceTest, PresetArgumentHandsOverWithoutTheShowRequest) {
    CProbe first({"first", "1"});
    ASSERT_EQ(first.ReadLine(), "READY");
    CProbe second({"second", "/rel/folder", "?Preset3?"});
    EXPECT_EQ(first.ReadLine(), "ARGS 2");
    EXPECT_EQ(first.ReadLine(), Hex("/rel/folder"));
    EXPECT_EQ(first.ReadLine(), Hex("?Preset3?"));
    EXPECT_EQ(first.ReadLine(), "DONE");
    EXPECT_EQ(second.Wait(), 0);
}

TEST_F(SingleInstanceTest, WithoutAListeningFirstInstanceTheSecondGivesUpAfterAThousandTries) {
    CProbe holder({"hold"});
    ASSERT_EQ(holder.ReadLine(), "READY");
    const auto start = std::chrono::steady_clock::now();
    CProbe second({"second", "/a"});
    EXPECT_EQ(second.Wait(), 3);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(
                           CSingleInstance::LOOKUP_TRIES * CSingleInstance::LOOKUP_INTERVAL_MS - 2));
    EXPECT_LT(elapsed, std::chrono::seconds(20));
    holder.CloseInput();
    EXPECT_EQ(holder.Wait(), 0);
}

TEST_F(SingleInstanceTest, FirstInstanceGoneLeavesTheNextStartFirst) {
    {
        CProbe first({"first", "1"});
        ASSERT_EQ(first.ReadLine(), "READY");
    }  // killed: its socket file stays behind
    EXPECT_TRUE(fs::exists(CSingleInstance::SocketPath()));
    CSingleInstance instance;
    EXPECT_TRUE(instance.Acquire());
    EXPECT_TRUE(instance.Listen());
    CProbe second({"second", "/z"});
    std::vector<std::string> got;
    CSingleInstance::CHandler handler;
    handler.onHandOver = [&](const std::vector<std::string>& pieces) { got = pieces; };
    EXPECT_TRUE(instance.ServeOne(handler, 10000));
    EXPECT_EQ(got, (std::vector<std::string>{"/z"}));
    EXPECT_EQ(second.Wait(), 0);
}

TEST_F(SingleInstanceTest, MalformedOrOversizedMessagesAreRefusedWithoutHarm) {
    CSingleInstance instance;
    ASSERT_TRUE(instance.Acquire());
    ASSERT_TRUE(instance.Listen());
    int calls = 0;
    CSingleInstance::CHandler handler;
    handler.onHandOver = [&](const std::vector<std::string>&) { ++calls; };
    handler.onShow = [&] { ++calls; };
    const std::vector<std::string> bad = {
        "XXXX" + std::string(5, '\0'),                       // wrong magic
        Message('D', "", CSingleInstance::MAX_PAYLOAD + 1),  // oversized
        Message('D', "/no/terminator", 14),                  // last piece without NUL
        Message('D', "", 0),                                 // empty hand-over
        Message('S', "x", 1),                                // show with a payload
        Message('Q', "", 0),                                 // unknown type
        Message('D', std::string("/a\0", 3), 50),            // shorter than declared
    };
    for (const std::string& bytes : bad) {
        bool answered = true;
        std::thread client([&] { answered = SendRaw(bytes); });
        EXPECT_TRUE(instance.ServeOne(handler, 5000));
        client.join();
        EXPECT_FALSE(answered);
    }
    EXPECT_EQ(calls, 0);
    // And the channel still works afterwards.
    bool answered = false;
    std::thread client([&] { answered = SendRaw(Message('D', std::string("/ok\0", 4), 4)); });
    EXPECT_TRUE(instance.ServeOne(handler, 5000));
    client.join();
    EXPECT_TRUE(answered);
    EXPECT_EQ(calls, 1);
}

TEST_F(SingleInstanceTest, AnotherUserCannotReachTheChannel) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as a second user";
    CSingleInstance instance;
    ASSERT_TRUE(instance.Acquire());
    ASSERT_TRUE(instance.Listen());
    ::chmod(runtime.c_str(), 0755);  // the runtime folder itself is open; the channel folder is not
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(9);
        auto result = CSingleInstance::ForwardToRunningInstance({"/intruder"}, false);
        ::_exit(result == CSingleInstance::EForward::NO_INSTANCE ? 0 : 1);
    }
    int calls = 0;
    CSingleInstance::CHandler handler;
    handler.onHandOver = [&](const std::vector<std::string>&) { ++calls; };
    handler.onShow = [&] { ++calls; };
    instance.ServeOne(handler, 3000);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(calls, 0);
}

TEST_F(SingleInstanceTest, ChannelFolderOpenToOthersIsNotUsed) {
    const std::string folder = CSingleInstance::ChannelFolder();
    fs::create_directories(folder);
    ::chmod(folder.c_str(), 0777);
    CSingleInstance instance;
    testing::internal::CaptureStderr();
    EXPECT_TRUE(instance.Acquire());
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("not a private folder"), std::string::npos);
    EXPECT_FALSE(instance.Listen());
    EXPECT_FALSE(fs::exists(folder + "/socket"));
}
