#pragma once
// Small scripted peers for network tests. Everything listens on 127.0.0.1
// with a port chosen by the system, every wait has a time limit, and the
// helper thread is joined before the object goes away.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace loopback {

using Clock = std::chrono::steady_clock;

// Polls `done` every few milliseconds until it holds or `limit` passes.
template <typename Pred>
bool WaitUntil(Pred done, std::chrono::milliseconds limit = std::chrono::milliseconds(5000))
{
    const auto deadline = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

inline bool SendAll(int fd, const std::string& bytes)
{
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        sent += size_t(n);
    }
    return true;
}

// Reads up to `want` bytes, or until the peer closes, or until `limit`.
inline std::string ReadSome(int fd, size_t want, std::chrono::milliseconds limit = std::chrono::milliseconds(5000))
{
    std::string out;
    const auto deadline = Clock::now() + limit;
    char buf[65536];
    while (out.size() < want) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            break;
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, int(left));
        if (ready <= 0)
            break;
        const ssize_t n = ::recv(fd, buf, std::min(sizeof buf, want - out.size()), 0);
        if (n <= 0)
            break;
        out.append(buf, size_t(n));
    }
    return out;
}

inline int32_t LengthAt(const std::string& bytes)
{
    if (bytes.size() < 4)
        return 0;
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
    return int32_t(uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24));
}

// Reads one whole frame (header included); "" on a time-out or a close.
inline std::string ReadFrame(int fd, std::chrono::milliseconds limit = std::chrono::milliseconds(5000))
{
    std::string head = ReadSome(fd, 8, limit);
    if (head.size() < 8)
        return std::string();
    const int32_t total = LengthAt(head);
    if (total < 8)
        return head;
    return head + ReadSome(fd, size_t(total) - 8, limit);
}

// Closes with a reset instead of an orderly end of stream.
inline void ResetClose(int& fd)
{
    linger l{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    ::close(fd);
    fd = -1;
}

inline int ListenLoopback(int backlog, uint16_t& port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, backlog) != 0) {
        ::close(fd);
        return -1;
    }
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
    return fd;
}

// A listener whose accept queue is full: the handshake of one more client
// is never answered, like a server host that drops SYNs or a missing host on
// the LAN.
class FullBacklog {
public:
    FullBacklog()
    {
        listener = ListenLoopback(0, port);
        for (int i = 0; i < 4; ++i) {
            const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            a.sin_port = htons(port);
            ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
            fillers.push_back(fd);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ~FullBacklog()
    {
        for (int fd : fillers)
            ::close(fd);
        ::close(listener);
    }
    FullBacklog(const FullBacklog&) = delete;
    FullBacklog& operator=(const FullBacklog&) = delete;
    uint16_t Port() const { return port; }

private:
    int listener = -1;
    uint16_t port = 0;
    std::vector<int> fillers;
};

// Accepts connections one after another and runs `script` on each accepted
// socket. The script may close the socket itself (setting it to -1);
// otherwise it is closed after the script returns. Serves at most
// `connections` connections, then stops.
class ScriptedServer {
public:
    using Script = std::function<void(int& fd)>;

    explicit ScriptedServer(Script s, int connections = 1)
        : script(std::move(s))
    {
        listenFd = ListenLoopback(8, port);
        worker = std::thread([this, connections] { Run(connections); });
    }
    ~ScriptedServer()
    {
        stop = true;
        if (worker.joinable())
            worker.join();
        if (listenFd >= 0)
            ::close(listenFd);
    }
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    uint16_t Port() const { return port; }
    int Accepted() const { return accepted; }

private:
    void Run(int connections)
    {
        const auto deadline = Clock::now() + std::chrono::seconds(20);
        while (!stop && accepted < connections && Clock::now() < deadline) {
            pollfd p{listenFd, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0)
                continue;
            int fd = ::accept(listenFd, nullptr, nullptr);
            if (fd < 0)
                continue;
            ++accepted;
            script(fd);
            if (fd >= 0)
                ::close(fd);
        }
    }

    Script script;
    int listenFd = -1;
    uint16_t port = 0;
    std::atomic<bool> stop{false};
    std::atomic<int> accepted{0};
    std::thread worker;
};

// A printer's raw port, as AppSocket (port 9100) on a network printer: takes
// every connection made to it, one after another, keeps what each sends
// until the sender ends its stream, and then closes, as a printer does once
// a job is in. Serves until the object goes away.
class RawPrinterPort {
public:
    RawPrinterPort()
    {
        listenFd = ListenLoopback(4, port);
        if (listenFd >= 0)
            worker = std::thread([this] { Run(); });
    }
    ~RawPrinterPort()
    {
        stop = true;
        if (worker.joinable())
            worker.join();
        if (listenFd >= 0)
            ::close(listenFd);
    }
    RawPrinterPort(const RawPrinterPort&) = delete;
    RawPrinterPort& operator=(const RawPrinterPort&) = delete;

    bool Listening() const { return listenFd >= 0; }
    uint16_t Port() const { return port; }

    // Waits until `count` streams have ended; false when `limit` passed first.
    bool WaitForJobs(size_t count, std::chrono::milliseconds limit) const
    {
        return WaitUntil([&] { return Jobs().size() >= count; }, limit);
    }
    // The bytes of every stream that has ended, in the order they came.
    std::vector<std::string> Jobs() const
    {
        std::lock_guard<std::mutex> lock(mutex);
        return jobs;
    }
    // What the port has seen so far, for a failure message.
    std::string Describe() const
    {
        std::lock_guard<std::mutex> lock(mutex);
        return std::to_string(accepted) + " connection(s), " + std::to_string(jobs.size()) + " ended, " +
               std::to_string(pendingBytes) + " byte(s) of an unfinished one";
    }

private:
    void Run()
    {
        while (!stop) {
            pollfd p{listenFd, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0)
                continue;
            const int fd = ::accept(listenFd, nullptr, nullptr);
            if (fd < 0)
                continue;
            {
                std::lock_guard<std::mutex> lock(mutex);
                ++accepted;
                pendingBytes = 0;
            }
            std::string bytes;
            bool ended = false;
            char buf[65536];
            while (!stop && !ended) {
                pollfd c{fd, POLLIN, 0};
                if (::poll(&c, 1, 20) <= 0)
                    continue;
                const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
                if (n < 0 && errno == EINTR)
                    continue;
                if (n <= 0) {
                    ended = n == 0;
                    break;
                }
                bytes.append(buf, size_t(n));
                std::lock_guard<std::mutex> lock(mutex);
                pendingBytes = bytes.size();
            }
            ::close(fd);
            if (ended) {
                std::lock_guard<std::mutex> lock(mutex);
                jobs.push_back(std::move(bytes));
                pendingBytes = 0;
            }
        }
    }

    int listenFd = -1;
    uint16_t port = 0;
    std::atomic<bool> stop{false};
    mutable std::mutex mutex;
    std::vector<std::string> jobs;
    int accepted = 0;
    size_t pendingBytes = 0;
    std::thread worker;
};

} // namespace loopback
