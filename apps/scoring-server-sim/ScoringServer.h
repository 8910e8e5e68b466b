#pragma once
// The reference scoring server: listens on TCP, reads one framed request per
// connection, answers it with one frame and closes the connection. Many
// kiosks may be connected at once; each connection has its own thread and a
// read time-out, and bad input only ends that connection.

#include "Tournament.h"

#include "comm/ServerMessage.h"

#include <atomic>
#include <cstdint>
#include <list>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>

namespace sim {

struct ServerOptions {
    std::string bindAddress = "127.0.0.1";
    uint16_t port = 9975; // 0: the system chooses; Port() tells which
    // The access code that confirms a kiosk's settings; empty accepts any.
    std::string accessCode = "8888";
    // A connection that has not delivered its request in this time is closed.
    int requestTimeoutMs = 10000;
    // After the reply, how long to wait for the kiosk to hang up.
    int lingerMs = 3000;
    // Requests are small; a longer announced frame ends the connection.
    int32_t maxRequestLength = 1024 * 1024;
    size_t maxConnections = 64;
    std::ostream* log = nullptr; // one line per request; none when null
};

// Whether an entry passes the kiosk's partial-print filter: parts separated
// by ";", each a section (its name without regard to case, or its number)
// optionally followed by "#" and a number list ("A;C#21~29"). Full-width
// forms count as their ASCII ones. An empty filter passes everything.
bool FilterAccepts(const std::string& filter, const Section& section, int32_t number);

class ScoringServer {
public:
    ScoringServer(Tournament tournament, ServerOptions options);
    ~ScoringServer();
    ScoringServer(const ScoringServer&) = delete;
    ScoringServer& operator=(const ScoringServer&) = delete;

    // Binds, listens and starts serving. False with a readable `error`.
    bool Start(std::string& error);
    // The port actually listened on.
    uint16_t Port() const { return port; }
    // Stops accepting, ends open connections and joins every thread.
    void Stop();

    // The reply to one decoded request (also used by tests without a
    // socket). `summary` receives the log text of the exchange.
    ServerMessage Handle(const ServerMessage& request, std::string& summary);

    bool IsPrinted(int32_t sectionId, int32_t number);
    size_t ConnectionsServed() const { return served.load(); }

private:
    void AcceptLoop();
    void Serve(int fd, const std::string& peer);
    void Log(const std::string& line);
    ServerMessage SignupReply(const ServerMessage& request, std::string& summary);
    ServerMessage PrintReply(const ServerMessage& request, std::string& summary);

    struct Worker {
        std::thread thread;
        std::atomic<bool> done{false};
        int fd = -1;
    };

    Tournament tournament;
    std::mutex tournamentMutex;
    ServerOptions options;
    int listenFd = -1;
    int wakePipe[2] = {-1, -1};
    uint16_t port = 0;
    std::thread acceptThread;
    std::mutex workersMutex;
    std::list<Worker> workers;
    std::atomic<bool> stopping{false};
    std::atomic<size_t> served{0};
    std::mutex logMutex;
};

} // namespace sim
