// The reference scoring server under a flood of hostile requests, as a whole
// process on 127.0.0.1: scoring-server-sim is started on a port of the
// system's choosing, the largest request frame it accepts is found by
// offering frame headers, and then, one attack after another on a fresh
// server, `--senders` peers send that frame over and over while a kiosk polls
// for the signup list every 100 ms. Each peer keeps its connection until the
// server closes it, as a peer that wants to hold memory would. Printed per
// attack: the requests sent, the server's peak resident memory (VmHWM) and
// the kiosk's poll times and failures.
//
//   bench_server [--senders N] [--seconds S] [--server EXE] [--frame BYTES]
//                [--rss-cap-mib N] [--attack arrays|filters]
//
// --frame skips the search and sends frames of that length; --attack runs
// only the one attack (both by default); --rss-cap-mib (default 4096) ends an
// attack early, and says so, when the server's memory passes it, so that an
// unbounded server cannot take the machine down.

#include "comm/MessageFrame.h"
#include "comm/ServerMessage.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <mutex>
#include <regex>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

double MsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A connection to 127.0.0.1:port within `limit`; -1 when none.
int Connect(uint16_t port, std::chrono::milliseconds limit)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return -1;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        pollfd p{fd, POLLOUT, 0};
        int error = 0;
        socklen_t length = sizeof error;
        if (errno != EINPROGRESS || ::poll(&p, 1, int(limit.count())) != 1 ||
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
            ::close(fd);
            return -1;
        }
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

// Sends all of `bytes` unless the peer closes or `limit` passes.
bool SendAll(int fd, const std::string& bytes, Clock::time_point deadline)
{
    size_t sent = 0;
    while (sent < bytes.size()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd p{fd, POLLOUT, 0};
        if (left <= 0 || ::poll(&p, 1, int(std::min<int64_t>(left, 100))) < 0)
            return false;
        if (!(p.revents & (POLLOUT | POLLERR | POLLHUP)))
            continue;
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0)
            return false;
        sent += size_t(n);
    }
    return true;
}

// Reads until the peer closes, `want` bytes have come (0: no such limit),
// `stop` is set or `deadline` passes.
std::string Receive(int fd, size_t want, Clock::time_point deadline, const std::atomic<bool>* stop = nullptr)
{
    std::string out;
    char buf[16384];
    while ((want == 0 || out.size() < want) && !(stop && *stop)) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            break;
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, int(std::min<int64_t>(left, 100)));
        if (ready < 0 && errno != EINTR)
            break;
        if (ready <= 0)
            continue;
        const size_t room = want == 0 ? sizeof buf : std::min(sizeof buf, want - out.size());
        const ssize_t n = ::recv(fd, buf, room, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        out.append(buf, size_t(n));
    }
    return out;
}

// The server program, its standard output read (and dropped) by a thread of
// its own so that its log never blocks it.
class Server {
public:
    explicit Server(const std::string& exe)
    {
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        std::vector<std::string> args = {exe, "--port", "0"};
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv.data(), environ) != 0)
            pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        if (pid <= 0) {
            ::close(out[0]);
            return;
        }
        reader = std::thread([this, fd = out[0]] { Drain(fd); });
        std::unique_lock<std::mutex> lock(mutex);
        const auto deadline = Clock::now() + 5s;
        while (port == 0 && !ended && Clock::now() < deadline) {
            lock.unlock();
            std::this_thread::sleep_for(10ms);
            lock.lock();
        }
    }
    ~Server()
    {
        if (pid > 0) {
            ::kill(pid, SIGTERM);
            const auto deadline = Clock::now() + 10s;
            while (::waitpid(pid, nullptr, WNOHANG) == 0) {
                if (Clock::now() > deadline) {
                    ::kill(pid, SIGKILL);
                    ::waitpid(pid, nullptr, 0);
                    break;
                }
                std::this_thread::sleep_for(10ms);
            }
        }
        if (reader.joinable())
            reader.join();
    }
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    uint16_t Port()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return port;
    }
    // A "VmHWM:" or "VmRSS:" figure of the server in KiB; 0 when unknown.
    long StatusKiB(const char* field) const
    {
        std::ifstream status("/proc/" + std::to_string(pid) + "/status");
        std::string line;
        while (std::getline(status, line))
            if (line.rfind(field, 0) == 0)
                return std::atol(line.c_str() + std::strlen(field));
        return 0;
    }

private:
    void Drain(int fd)
    {
        std::string head;
        char buf[65536];
        while (true) {
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            std::lock_guard<std::mutex> lock(mutex);
            if (port != 0)
                continue;
            head.append(buf, size_t(n));
            std::smatch m;
            if (std::regex_search(head, m, std::regex("listening on 127\\.0\\.0\\.1:([0-9]+) ")))
                port = uint16_t(std::stoi(m[1]));
        }
        ::close(fd);
        std::lock_guard<std::mutex> lock(mutex);
        ended = true;
    }

    pid_t pid = -1;
    std::thread reader;
    std::mutex mutex;
    uint16_t port = 0;
    bool ended = false;
};

// Whether the server keeps reading after a header announcing `length`
// bytes, rather than closing at once.
bool HeaderAccepted(uint16_t port, int32_t length)
{
    const int fd = Connect(port, 2000ms);
    if (fd < 0)
        return false;
    std::string header(8, '\0');
    MessageFrame::WriteInt32(header.data(), length);
    const bool sent = SendAll(fd, header, Clock::now() + 1s);
    // A refusal comes within a scheduling slice; the wait is generous for
    // a busy machine.
    pollfd p{fd, POLLIN, 0};
    const bool closed = !sent || ::poll(&p, 1, 300) != 0;
    ::close(fd);
    return !closed;
}

// The largest length a frame header may announce, by bisection.
int32_t LargestAcceptedFrame(uint16_t port)
{
    int32_t good = 64;
    int32_t bad = MessageFrame::kMaxFrameLength + 1;
    if (!HeaderAccepted(port, good))
        return 0;
    if (HeaderAccepted(port, bad))
        return bad;
    while (bad - good > 1) {
        const int32_t mid = good + (bad - good) / 2;
        (HeaderAccepted(port, mid) ? good : bad) = mid;
    }
    return good;
}

// A frame of exactly `length` bytes whose JSON text is a flat array of zeros.
std::string FlatArrayFrame(int32_t length)
{
    const size_t text = size_t(length) - size_t(MessageFrame::kHeaderLength);
    std::string json = "[0";
    while (json.size() + 3 <= text)
        json += ",0";
    json.append(text - json.size() - 1, ' ');
    json += "]";
    return MessageFrame::Encode(json, "");
}

// A frame of exactly `length` bytes: a signup-list request whose filter fills
// the rest.
std::string LongFilterFrame(int32_t length)
{
    const size_t text = size_t(length) - size_t(MessageFrame::kHeaderLength);
    const std::string head = "{\"pub_MsgID\":203,\"99\":\"7.26.15\",\"61\":\"";
    const std::string tail = "\"}\n";
    std::string json = head;
    static const char kPart[] = "A#1~2;";
    for (size_t i = 0; json.size() + tail.size() < text; ++i)
        json += kPart[i % (sizeof kPart - 1)];
    json += tail;
    return MessageFrame::Encode(json, "");
}

// One poll as a kiosk makes it (the signup list, without confirming): the
// time from connecting to the whole reply, or a negative time when no list
// came within five seconds.
double Poll(uint16_t port)
{
    ServerMessage poll(kMsgSignupList);
    poll.SetText(MsgKey::kVersion, "7.26.15");
    poll.SetText(MsgKey::kAccessCode, "8888");
    const std::string pollFrame = MessageFrame::Encode(poll.ToJsonText(), "");
    const auto start = Clock::now();
    const int fd = Connect(port, 5000ms);
    std::string reply;
    if (fd >= 0) {
        SendAll(fd, pollFrame, start + 5s);
        const std::string head = Receive(fd, 8, start + 5s);
        if (head.size() == 8 && MessageFrame::ReadInt32(head.data()) > 8)
            reply = head + Receive(fd, size_t(MessageFrame::ReadInt32(head.data())) - 8, start + 5s);
        ::close(fd);
    }
    const double ms = MsSince(start);
    MessageFrame decoded;
    ServerMessage message;
    const bool listed = MessageFrame::Decode(reply.data(), reply.size(), decoded) &&
                        message.FromJsonText(decoded.jsonText) && message.MsgId() == kMsgSignupList;
    return listed ? ms : -1;
}

struct Figures {
    long requests = 0;
    long answered = 0;
    double peakMiB = 0;
    bool capped = false;
    std::vector<double> pollMs; // answered polls
    int failedPolls = 0;
};

Figures Attack(const std::string& exe, const std::string& frame, int senders, int seconds, long rssCapKiB)
{
    Figures figures;
    Server server(exe);
    const uint16_t port = server.Port();
    if (port == 0) {
        std::fprintf(stderr, "bench_server: %s did not start\n", exe.c_str());
        return figures;
    }
    std::atomic<bool> stop{false};
    std::atomic<long> requests{0};
    std::atomic<long> answered{0};
    std::vector<std::thread> peers;
    for (int i = 0; i < senders; ++i) {
        peers.emplace_back([&] {
            while (!stop) {
                const int fd = Connect(port, 1000ms);
                if (fd < 0) {
                    std::this_thread::sleep_for(10ms);
                    continue;
                }
                if (SendAll(fd, frame, Clock::now() + 5s))
                    ++requests;
                // Held until the server closes it (it lingers after a reply).
                if (!Receive(fd, 0, Clock::now() + 8s, &stop).empty())
                    ++answered;
                ::close(fd);
            }
        });
    }

    // Watches the server's memory, and ends the attack at the cap.
    std::thread watch([&] {
        while (!stop) {
            if (server.StatusKiB("VmRSS:") > rssCapKiB) {
                figures.capped = true;
                stop = true;
            }
            std::this_thread::sleep_for(20ms);
        }
    });

    std::this_thread::sleep_for(1s); // the attack under way
    const auto end = Clock::now() + std::chrono::seconds(seconds);
    while (!stop && Clock::now() < end) {
        const double ms = Poll(port);
        if (ms >= 0)
            figures.pollMs.push_back(ms);
        else
            ++figures.failedPolls;
        std::this_thread::sleep_for(100ms);
    }
    figures.peakMiB = double(server.StatusKiB("VmHWM:")) / 1024.0;
    stop = true;
    watch.join();
    for (std::thread& t : peers)
        t.join();
    figures.requests = requests;
    figures.answered = answered;
    return figures;
}

double Percentile(std::vector<double> values, double share)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(share * double(values.size())))];
}

} // namespace

int main(int argc, char** argv)
{
    int senders = 256;
    int seconds = 8;
    long rssCapMiB = 4096;
    int32_t frameLength = 0;
    std::string only;
    std::string exe = SIM_BINARY;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--senders")
            senders = std::max(1, std::atoi(argv[i + 1]));
        else if (a == "--seconds")
            seconds = std::max(1, std::atoi(argv[i + 1]));
        else if (a == "--server")
            exe = argv[i + 1];
        else if (a == "--frame")
            frameLength = std::max(64, std::atoi(argv[i + 1]));
        else if (a == "--attack")
            only = argv[i + 1];
        else if (a == "--rss-cap-mib")
            rssCapMiB = std::max(16L, std::atol(argv[i + 1]));
        else {
            std::fprintf(stderr, "bench_server: unknown option %s\n", a.c_str());
            return 2;
        }
    }
    ::signal(SIGPIPE, SIG_IGN);

    double idleMiB = 0;
    std::vector<double> idlePolls;
    {
        Server server(exe);
        if (server.Port() == 0) {
            std::fprintf(stderr, "bench_server: %s did not start\n", exe.c_str());
            return 1;
        }
        if (frameLength == 0)
            frameLength = LargestAcceptedFrame(server.Port());
        for (int i = 0; i < 10; ++i)
            idlePolls.push_back(Poll(server.Port()));
        idleMiB = double(server.StatusKiB("VmHWM:")) / 1024.0;
    }
    if (frameLength <= 0) {
        std::fprintf(stderr, "bench_server: the server accepted no frame header\n");
        return 1;
    }
    std::printf("scoring server: largest request frame accepted %d bytes; idle: %.1f MiB resident, kiosk poll median "
                "%.1f ms; %u cores\n",
                frameLength, idleMiB, Percentile(idlePolls, 0.5), std::thread::hardware_concurrency());

    const struct {
        const char* key;
        const char* name;
        std::string frame;
    } attacks[] = {
        {"arrays", "flat JSON arrays", FlatArrayFrame(frameLength)},
        {"filters", "over-long filters", LongFilterFrame(frameLength)},
    };
    bool ok = true;
    for (const auto& attack : attacks) {
        if (!only.empty() && only != attack.key)
            continue;
        const Figures f = Attack(exe, attack.frame, senders, seconds, rssCapMiB * 1024);
        ok = ok && !f.pollMs.empty();
        std::printf("%-18s x %3d senders: %6ld requests (%ld answered)   server peak %7.1f MiB%s   "
                    "kiosk poll n=%zu median %6.1f ms  p90 %6.1f ms  worst %7.1f ms  failed %d\n",
                    attack.name, senders, f.requests, f.answered, f.peakMiB,
                    f.capped ? " (cap reached, attack ended)" : "", f.pollMs.size(), Percentile(f.pollMs, 0.5),
                    Percentile(f.pollMs, 0.9), Percentile(f.pollMs, 1.0), f.failedPolls);
        std::fflush(stdout);
    }
    return ok ? 0 : 1;
}
