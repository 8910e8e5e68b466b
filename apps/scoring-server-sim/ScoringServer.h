#pragma once
// The reference scoring server: listens on TCP, reads one framed request per
// connection, answers it with one frame and closes the connection. Many
// kiosks may be connected at once; each connection has its own thread, a
// short wait for its first byte and a bound on the time to deliver its whole
// request. When every slot is taken, the connection that has been idle the
// longest makes room for the new one, so silent or trickling peers cannot
// lock kiosks out. Bad input only ends that connection.

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
    // A kiosk writes its request as soon as its connection is up, so the
    // first byte follows the connection within a round trip. Two seconds is
    // many round trips even on a poor hall network and still frees the slot
    // of a peer that connects and says nothing before anyone notices.
    int firstByteTimeoutMs = 2000;
    // A request is a few hundred bytes (a filter of a few dozen) and travels
    // in one segment; even the largest frame accepted (MaxRequestLength)
    // crosses a slow network well within this. A peer that trickles its
    // bytes is closed.
    int requestTimeoutMs = 5000;
    // After the reply, how long to wait for the kiosk to hang up. A
    // connection waiting here is the first to make room for a new one.
    int lingerMs = 3000;
    // Far above any filter typed at a kiosk (a section list with ranges is
    // a few dozen bytes); a longer one is refused with a note as long as
    // its request fits MaxRequestLength. The request bound follows it.
    size_t maxFilterLength = 16 * 1024;
    // A request is one object of a few members, each a text, a number or a
    // flag. A JSON text of more values, or nested deeper, is refused with a
    // note before it is parsed; what parsing may cost is then bounded by a
    // small multiple of the text's length.
    size_t maxRequestValues = 256;
    size_t maxRequestDepth = 8;
    // A hall has a handful of kiosks with one connection each, so 256 slots
    // leave room for bursts and for several hostile peers at once; when all
    // are taken, the longest idle connection is closed for the newcomer.
    size_t maxConnections = 256;
    std::ostream* log = nullptr; // one line per request; none when null
};

// The longest request frame the server reads: room for what a request holds
// besides its filter (a few hundred bytes, and an access code of up to the
// 4 KiB a kiosk takes from its credential file) and for a filter of
// maxFilterLength bytes of text however a JSON writer escapes it (at most
// three bytes per byte). With the default filter bound this is 60 KiB. A
// frame header announcing more ends the connection before the frame is read.
int32_t MaxRequestLength(const ServerOptions& options);

// Whether an entry passes the kiosk's partial-print filter: parts separated
// by ";", each a section (its name without regard to case, or its number)
// optionally followed by "#" and a number list ("A;C#21~29"). Full-width
// forms count as their ASCII ones. An empty filter passes everything. (One
// entry at a time; the server reads the filter once per request with
// EntryFilter.)
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
    // The reply frame's bytes for one whole request frame's bytes (header
    // included), exactly as a connection would answer them; "" when the
    // connection would be closed without a reply. Needs no socket and no
    // Start(), so a fuzzing harness can feed it anything. `summary`
    // receives the log text (without the peer).
    std::string HandleRequestBytes(const std::string& frame, std::string& summary);
    std::string HandleRequestBytes(const std::string& frame);

    bool IsPrinted(int32_t sectionId, int32_t number);
    size_t ConnectionsServed() const { return served.load(); }

private:
    // Where a connection is in its life; only Answering may not be evicted.
    enum class Phase { Reading, Answering, Lingering };
    struct Worker {
        std::thread thread;
        std::atomic<bool> done{false};
        // Set (with the socket shut down) when the connection was closed to
        // make room; the worker then logs it and ends.
        std::atomic<bool> evicted{false};
        std::atomic<Phase> phase{Phase::Reading};
        // Steady-clock time of the last byte received (or of the accept).
        std::atomic<int64_t> lastActivityNs{0};
        int fd = -1; // guarded by workersMutex; -1 once closed
        std::string peer;
    };

    void AcceptLoop();
    void Admit(int fd, const std::string& peer);
    bool EvictOneIdle(const std::string& newcomer);
    void Serve(Worker& worker);
    bool ReadRequest(Worker& worker, std::string& frame);
    void Close(Worker& worker);
    void Log(const std::string& line);
    ServerMessage SignupReply(const ServerMessage& request, std::string& summary);
    ServerMessage PrintReply(const ServerMessage& request, std::string& summary);

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
