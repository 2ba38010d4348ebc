#include "platform/CSingleInstance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

const char MAGIC[4] = {'H', 'V', 'X', '1'};
const char TYPE_ARGUMENTS = 'D';
const char TYPE_SHOW = 'S';
const char ACK = 'A';
const int ACK_TIMEOUT_MS = 60000;  // the first instance adds the items before it answers

void SleepMs(int ms) {
    timespec ts{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

bool FillAddress(const std::string& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

// Reads exactly size bytes, waiting at most timeoutMs for each chunk.
bool ReadExact(int fd, char* data, size_t size, int timeoutMs) {
    while (size > 0) {
        pollfd p{fd, POLLIN, 0};
        int ready = ::poll(&p, 1, timeoutMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        ssize_t n = ::recv(fd, data, size, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool WriteExact(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool SendMessage(int fd, char type, const std::string& payload) {
    std::string message(MAGIC, 4);
    message += type;
    const auto n = static_cast<std::uint32_t>(payload.size());
    for (int i = 0; i < 4; ++i)
        message += static_cast<char>((n >> (8 * i)) & 0xff);
    message += payload;
    if (!WriteExact(fd, message.data(), message.size()))
        return false;
    char answer = 0;
    return ReadExact(fd, &answer, 1, ACK_TIMEOUT_MS) && answer == ACK;
}

}  // namespace

CSingleInstance::CSingleInstance() = default;

CSingleInstance::~CSingleInstance() {
    if (m_nListenFd >= 0)
        ::close(m_nListenFd);
    if (m_bOwnsSocket)
        ::unlink(SocketPath().c_str());
    if (m_nLockFd >= 0)
        ::close(m_nLockFd);  // releases the lock
}

std::string CSingleInstance::ChannelFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/')
        return std::string(runtime) + "/harvex-" + INSTANCE_GUID;
    return "/tmp/harvex-" + std::to_string(::getuid()) + "-" + INSTANCE_GUID;
}

bool CSingleInstance::PrepareFolder(const std::string& folder) {
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0)
        return false;
    // Only a real folder of ours that nobody else may enter keeps the channel private.
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() || (st.st_mode & 077) != 0)
        return false;
    return true;
}

bool CSingleInstance::Acquire() {
    const std::string folder = ChannelFolder();
    if (!PrepareFolder(folder)) {
        std::fprintf(
            stderr,
            "harvex: %s is not a private folder of this user; running without single-instance hand-over\n",
            folder.c_str());
        return true;
    }
    m_nLockFd = ::open((folder + "/lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (m_nLockFd < 0)
        return true;
    while (::flock(m_nLockFd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR)
            continue;
        ::close(m_nLockFd);
        m_nLockFd = -1;
        return false;  // EWOULDBLOCK: another instance holds it
    }
    return true;
}

bool CSingleInstance::Listen() {
    if (m_nLockFd < 0)
        return false;
    const std::string path = SocketPath();
    sockaddr_un address{};
    if (!FillAddress(path, address))
        return false;
    // The lock is ours, so a socket left behind belongs to an instance that is gone.
    ::unlink(path.c_str());
    m_nListenFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (m_nListenFd < 0)
        return false;
    if (::bind(m_nListenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_nListenFd, 16) != 0) {
        ::close(m_nListenFd);
        m_nListenFd = -1;
        return false;
    }
    ::chmod(path.c_str(), 0600);
    m_bOwnsSocket = true;
    return true;
}

bool CSingleInstance::ServeOne(const CHandler& handler, int timeoutMs) {
    if (m_nListenFd < 0)
        return false;
    pollfd p{m_nListenFd, POLLIN, 0};
    int ready;
    do {
        ready = ::poll(&p, 1, timeoutMs);
    } while (ready < 0 && errno == EINTR);
    if (ready <= 0)
        return false;
    int fd = ::accept4(m_nListenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0)
        return false;

    ucred peer{};
    socklen_t length = sizeof peer;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 || peer.uid != ::geteuid()) {
        ::close(fd);
        return true;
    }
    while (true) {
        char header[9];
        if (!ReadExact(fd, header, sizeof header, RECEIVE_TIMEOUT_MS))
            break;
        if (std::memcmp(header, MAGIC, 4) != 0)
            break;
        std::uint32_t size = 0;
        for (int i = 0; i < 4; ++i)
            size |= static_cast<std::uint32_t>(static_cast<unsigned char>(header[5 + i])) << (8 * i);
        if (size > MAX_PAYLOAD)
            break;
        std::string payload(size, '\0');
        if (size && !ReadExact(fd, payload.data(), size, RECEIVE_TIMEOUT_MS))
            break;
        if (header[4] == TYPE_ARGUMENTS) {
            std::vector<std::string> pieces;
            if (!DecodeArguments(payload, pieces))
                break;
            if (handler.onHandOver)
                handler.onHandOver(pieces);
        } else if (header[4] == TYPE_SHOW && size == 0) {
            if (handler.onShow)
                handler.onShow();
        } else {
            break;
        }
        if (!WriteExact(fd, &ACK, 1))
            break;
    }
    ::close(fd);
    return true;
}

CSingleInstance::EForward CSingleInstance::ForwardToRunningInstance(const std::vector<std::string>& arguments,
                                                                    bool hasPresetArgument) {
    sockaddr_un address{};
    if (!FillAddress(SocketPath(), address))
        return EForward::NO_INSTANCE;
    int fd = -1;
    for (int attempt = 0; attempt < LOOKUP_TRIES; ++attempt) {
        if (attempt > 0)
            SleepMs(LOOKUP_INTERVAL_MS);
        fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            continue;
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
            break;
        ::close(fd);
        fd = -1;
    }
    if (fd < 0)
        return EForward::NO_INSTANCE;
    EForward result = EForward::DELIVERED;
    if (!arguments.empty() && !SendMessage(fd, TYPE_ARGUMENTS, EncodeArguments(arguments))) {
        result = EForward::REFUSED;
    }
    if (result == EForward::DELIVERED && !hasPresetArgument && !SendMessage(fd, TYPE_SHOW, "")) {
        result = EForward::REFUSED;
    }
    ::close(fd);
    return result;
}

std::string CSingleInstance::EncodeArguments(const std::vector<std::string>& arguments) {
    std::string payload;
    for (const std::string& a : arguments) {
        payload += a;
        payload += '\0';
    }
    return payload;
}

bool CSingleInstance::DecodeArguments(const std::string& payload, std::vector<std::string>& arguments) {
    arguments.clear();
    if (payload.empty() || payload.back() != '\0')
        return false;
    size_t start = 0;
    while (start < payload.size()) {
        size_t end = payload.find('\0', start);
        arguments.push_back(payload.substr(start, end - start));
        start = end + 1;
    }
    return true;
}
