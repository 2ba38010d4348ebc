#pragma once
// One running harvex per user. The first process takes a per-user lock and
// listens on a local socket; a later process finds the socket, hands over its
// arguments and ends. Both live in one folder of mode 0700 named from the
// instance GUID, in $XDG_RUNTIME_DIR (or /tmp/harvex-<uid>-<GUID> without it).
//
// The channel: each message is "HVX1", a type byte ('D' arguments, 'S' show
// request), a 32-bit little-endian length and the payload; the first instance
// answers every message it accepted with one byte 'A' after its handler ran,
// so the hand-over is synchronous. Arguments travel as a list of pieces, each
// followed by a NUL byte: every Linux file name (with '*' or '?' in it) passes
// unchanged. A peer of another user, an unknown message or a payload above
// MAX_PAYLOAD is refused: the connection is closed without an answer.
//
// Threads: the first instance serves on the thread that owns the object (the
// GUI thread, when ListenFd() is readable); ForwardToRunningInstance blocks.

#include <functional>
#include <string>
#include <vector>

class CSingleInstance {
public:
    static constexpr const char* INSTANCE_GUID = "{89929AAF-B4E3-4776-A5B9-23C85B29339B}";
    static constexpr int LOOKUP_TRIES = 1000;
    static constexpr int LOOKUP_INTERVAL_MS = 2;
    static constexpr unsigned MAX_PAYLOAD = 1024 * 1024;
    static constexpr int RECEIVE_TIMEOUT_MS = 2000;  // a stalled peer cannot hold the first instance

    CSingleInstance();
    ~CSingleInstance();
    CSingleInstance(const CSingleInstance&) = delete;
    CSingleInstance& operator=(const CSingleInstance&) = delete;

    // Takes the per-user lock: true when this process is the first instance.
    // A folder that is not ours alone (another owner, or open to others) is
    // not used: the process then runs on its own (true) without a channel.
    bool Acquire();
    // First instance: listens for later ones. False when the channel could not be made.
    bool Listen();
    int ListenFd() const { return m_nListenFd; }

    struct CHandler {
        std::function<void(const std::vector<std::string>&)> onHandOver;  // the pieces, in order
        std::function<void()> onShow;
    };
    // Serves one waiting (or, within timeoutMs, arriving) connection with all
    // its messages. False when none came.
    bool ServeOne(const CHandler& handler, int timeoutMs);

    enum class EForward { DELIVERED, NO_INSTANCE, REFUSED };
    // Second instance: looks for the first up to LOOKUP_TRIES times,
    // LOOKUP_INTERVAL_MS apart; sends the arguments (when there are any) and
    // waits for the answer; then, without a preset argument, the show request.
    static EForward ForwardToRunningInstance(const std::vector<std::string>& arguments,
                                             bool hasPresetArgument);

    // The channel's folder for the current user and environment.
    static std::string ChannelFolder();
    static std::string SocketPath() { return ChannelFolder() + "/socket"; }

    // The argument list as one payload and back. DecodeArguments refuses an
    // empty payload and one whose last piece has no closing NUL.
    static std::string EncodeArguments(const std::vector<std::string>& arguments);
    static bool DecodeArguments(const std::string& payload, std::vector<std::string>& arguments);

private:
    static bool PrepareFolder(const std::string& folder);

    int m_nLockFd = -1;
    int m_nListenFd = -1;
    bool m_bOwnsSocket = false;
};
