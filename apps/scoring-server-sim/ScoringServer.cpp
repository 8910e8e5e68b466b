#include "ScoringServer.h"

#include "EntryFilter.h"
#include "JsonShape.h"

#include "comm/MessageFrame.h"
#include "foundation/AccessCodeCredential.h"
#include "tournament/SignupList.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace sim {

namespace {

using Clock = std::chrono::steady_clock;

ServerMessage Note(const std::string& text)
{
    ServerMessage note(kMsgNote);
    note.SetText(MsgKey::kNotes, text);
    return note;
}

int64_t NowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

// A peer's text for the log: quoted, with quotes, backslashes and control
// characters escaped so that one request stays one line, and cut (at a
// character boundary) after the first few hundred bytes with its length said.
std::string Quoted(const std::string& text)
{
    constexpr size_t kMaxLogged = 200;
    size_t cut = text.size();
    if (cut > kMaxLogged) {
        cut = kMaxLogged;
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
            --cut;
    }
    std::string out = "\"";
    for (size_t i = 0; i < cut; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20 || c == 0x7F) {
            static const char kHex[] = "0123456789abcdef";
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += char(c);
        }
    }
    out += "\"";
    if (cut < text.size())
        out += "...(" + std::to_string(text.size()) + " bytes)";
    return out;
}

// Waits up to `ms` for the socket to become readable; false on time-out.
int WaitReadable(int fd, int ms)
{
    pollfd p{fd, POLLIN, 0};
    const int ready = ::poll(&p, 1, ms);
    if (ready < 0 && errno == EINTR)
        return 0;
    return ready;
}

// The log text for a frame header announcing `announced` bytes; empty when
// the length is one a request may have.
std::string BadLength(int32_t announced, int32_t bound)
{
    if (announced > bound)
        return "bad frame header: " + std::to_string(announced) + " bytes announced (at most " +
               std::to_string(bound) + ") -> closed";
    if (announced <= 0)
        return "bad frame header -> closed";
    return std::string();
}

bool SendAll(int fd, const std::string& bytes)
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

} // namespace

int32_t MaxRequestLength(const ServerOptions& options)
{
    // Besides the filter: the frame header, the member names, id, version,
    // flag, section and number (a few hundred bytes), and an access code of
    // up to what a kiosk reads from its credential file, which the kiosk
    // writes with at most two bytes for one (a quote as \").
    constexpr size_t kBesidesTheFilter = 12 * 1024;
    static_assert(kBesidesTheFilter >= 1024 + 2 * kMaxAccessCodeFileBytes);
    // The kiosk writes a filter as its UTF-8 bytes, escaping only quotes and
    // backslashes; a writer that escapes every character beyond ASCII takes
    // six bytes for the two of an é and twelve for the four of an emoji.
    // Only control characters, which no filter holds, take more.
    constexpr size_t kEscapedPerByte = 3;
    const size_t ceiling = size_t(MessageFrame::kMaxFrameLength);
    const size_t filter = std::min(options.maxFilterLength, ceiling / kEscapedPerByte);
    return int32_t(std::min(ceiling, kBesidesTheFilter + kEscapedPerByte * filter));
}

bool FilterAccepts(const std::string& filter, const Section& section, int32_t number)
{
    return EntryFilter(filter).Accepts(section.id, section.name, number);
}

ScoringServer::ScoringServer(Tournament t, ServerOptions o) : tournament(std::move(t)), options(std::move(o))
{
}

ScoringServer::~ScoringServer()
{
    Stop();
}

bool ScoringServer::Start(std::string& error)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(options.port);
    if (::inet_pton(AF_INET, options.bindAddress.c_str(), &address.sin_addr) != 1) {
        error = "not an IPv4 address: " + options.bindAddress;
        return false;
    }
    listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd < 0) {
        error = std::string("socket: ") + std::strerror(errno);
        return false;
    }
    const int one = 1;
    ::setsockopt(listenFd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    // Peers that reconnect as soon as they are closed keep a connection each
    // waiting to be accepted. A queue shorter than the slots fills up under
    // them, and a kiosk's connection is then dropped and retried a second
    // later; twice the slots keeps room for kiosks behind a full house.
    const int backlog = int(std::clamp<size_t>(2 * options.maxConnections, 64, 4096));
    if (::bind(listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listenFd, backlog) != 0) {
        error = "cannot listen on " + options.bindAddress + ":" + std::to_string(options.port) + ": " +
                std::strerror(errno);
        ::close(listenFd);
        listenFd = -1;
        return false;
    }
    socklen_t length = sizeof address;
    ::getsockname(listenFd, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    if (::pipe2(wakePipe, O_CLOEXEC) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        ::close(listenFd);
        listenFd = -1;
        return false;
    }
    acceptThread = std::thread([this] { AcceptLoop(); });
    return true;
}

void ScoringServer::Stop()
{
    if (stopping.exchange(true))
        return;
    if (wakePipe[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t ignored = ::write(wakePipe[1], &byte, 1);
    }
    if (acceptThread.joinable())
        acceptThread.join();
    std::list<Worker> finishing;
    {
        std::lock_guard<std::mutex> lock(workersMutex);
        finishing.splice(finishing.end(), workers);
    }
    for (Worker& w : finishing)
        if (w.thread.joinable())
            w.thread.join();
    for (int* fd : {&listenFd, &wakePipe[0], &wakePipe[1]}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

void ScoringServer::AcceptLoop()
{
    while (!stopping) {
        pollfd p[2] = {{listenFd, POLLIN, 0}, {wakePipe[0], POLLIN, 0}};
        const int ready = ::poll(p, 2, 500);
        {
            // Join the threads of connections that have ended.
            std::lock_guard<std::mutex> lock(workersMutex);
            for (auto it = workers.begin(); it != workers.end();) {
                if (it->done) {
                    it->thread.join();
                    it = workers.erase(it);
                } else {
                    ++it;
                }
            }
        }
        if (ready <= 0 || stopping || !(p[0].revents & POLLIN))
            continue;
        sockaddr_in from{};
        socklen_t length = sizeof from;
        const int fd = ::accept4(listenFd, reinterpret_cast<sockaddr*>(&from), &length, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        char text[INET_ADDRSTRLEN] = "?";
        ::inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
        Admit(fd, std::string(text) + ":" + std::to_string(ntohs(from.sin_port)));
    }
}

void ScoringServer::Admit(int fd, const std::string& peer)
{
    std::lock_guard<std::mutex> lock(workersMutex);
    // A connection closed to make room is still winding down; its slot is
    // already free.
    const size_t open =
        size_t(std::count_if(workers.begin(), workers.end(), [](const Worker& w) { return !w.done && !w.evicted; }));
    if (open >= options.maxConnections && !EvictOneIdle(peer)) {
        ::close(fd);
        Log(peer + " refused: too many connections");
        return;
    }
    Worker& w = workers.emplace_back();
    w.fd = fd;
    w.peer = peer;
    w.lastActivityNs = NowNs();
    try {
        w.thread = std::thread([this, &w] {
            Serve(w);
            w.done = true;
        });
    } catch (const std::exception&) {
        ::close(fd);
        workers.pop_back();
        Log(peer + " refused: no thread for the connection");
    }
}

bool ScoringServer::EvictOneIdle(const std::string& newcomer)
{
    // A connection whose reply is out and that only waits for the kiosk to
    // hang up costs nobody anything to close, so it goes first; then the one
    // that has gone longest without sending a byte. A connection that is
    // being answered is never cut.
    Worker* victim = nullptr;
    auto rank = [](const Worker& w) { return w.phase == Phase::Lingering ? 0 : 1; };
    for (Worker& w : workers) {
        if (w.done || w.evicted || w.phase == Phase::Answering)
            continue;
        if (!victim || rank(w) < rank(*victim) ||
            (rank(w) == rank(*victim) && w.lastActivityNs < victim->lastActivityNs))
            victim = &w;
    }
    if (!victim)
        return false;
    victim->evicted = true;
    // Wakes the worker at once: its poll sees the end of the stream.
    if (victim->fd >= 0)
        ::shutdown(victim->fd, SHUT_RDWR);
    const int64_t idleMs = (NowNs() - victim->lastActivityNs) / 1000000;
    Log(victim->peer + " closed after " + std::to_string(idleMs) + " ms idle" +
        (victim->phase == Phase::Lingering ? " (answered)" : "") + ": all " + std::to_string(options.maxConnections) +
        " connections taken, making room for " + newcomer);
    return true;
}

void ScoringServer::Close(Worker& worker)
{
    std::lock_guard<std::mutex> lock(workersMutex);
    if (worker.fd >= 0)
        ::close(worker.fd);
    worker.fd = -1;
}

bool ScoringServer::ReadRequest(Worker& worker, std::string& frame)
{
    const int fd = worker.fd;
    const int32_t bound = MaxRequestLength(options);
    const auto start = Clock::now();
    const auto firstByteDeadline = start + std::chrono::milliseconds(options.firstByteTimeoutMs);
    const auto requestDeadline = start + std::chrono::milliseconds(options.requestTimeoutMs);
    // The bytes are received straight into `frame`: the header first, then no
    // more than the frame it announces. Nothing beyond the bound is ever held,
    // and a header that announces more ends the connection with only the
    // header read. Room for the whole frame is taken once its length is
    // known, and only what arrives is written into it.
    constexpr size_t kSlice = 32768;
    frame.clear();
    size_t goal = size_t(MessageFrame::kHeaderLength);
    bool lengthKnown = false;
    bool heard = false;
    while (true) {
        if (stopping || worker.evicted)
            return false;
        const auto now = Clock::now();
        if (!heard && now >= firstByteDeadline && firstByteDeadline < requestDeadline) {
            Log(worker.peer + " sent nothing within " + std::to_string(options.firstByteTimeoutMs) + " ms -> closed");
            return false;
        }
        if (now >= requestDeadline) {
            Log(worker.peer + " no request within " + std::to_string(options.requestTimeoutMs) + " ms -> closed");
            return false;
        }
        const auto deadline = heard ? requestDeadline : std::min(firstByteDeadline, requestDeadline);
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count() + 1;
        // Short slices, so that Stop() is noticed without a wake-up of its own.
        if (WaitReadable(fd, int(std::min<int64_t>(left, 100))) <= 0)
            continue;
        const size_t have = frame.size();
        const size_t take = std::min(kSlice, goal - have);
        frame.resize(have + take);
        const ssize_t n = ::recv(fd, frame.data() + have, take, 0);
        const int error = errno;
        frame.resize(have + (n > 0 ? size_t(n) : 0));
        if (n < 0 && error == EINTR)
            continue;
        if (n <= 0) {
            if (!worker.evicted)
                Log(worker.peer + " closed without a complete request");
            return false;
        }
        heard = true;
        worker.lastActivityNs = NowNs();
        if (!lengthKnown && frame.size() >= sizeof(int32_t)) {
            const int32_t announced = MessageFrame::ReadInt32(frame.data());
            const std::string bad = BadLength(announced, bound);
            if (!bad.empty()) {
                Log(worker.peer + " " + bad);
                return false;
            }
            lengthKnown = true;
            goal = size_t(announced);
            frame.reserve(goal);
        }
        // A frame announcing fewer bytes than a header ends within the
        // header's bytes; decoding it then finds it malformed.
        if (lengthKnown && frame.size() >= goal) {
            frame.resize(goal);
            return true;
        }
    }
}

void ScoringServer::Serve(Worker& worker)
{
    ++served;
    const int fd = worker.fd;
    const timeval sendTimeout{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &sendTimeout, sizeof sendTimeout);
    std::string frame;
    if (!ReadRequest(worker, frame)) {
        Close(worker);
        return;
    }
    worker.phase = Phase::Answering;
    std::string summary;
    std::string reply = HandleRequestBytes(frame, summary);
    std::string().swap(frame);
    if (reply.empty()) {
        Log(worker.peer + " " + summary);
        Close(worker);
        return;
    }
    const bool sent = SendAll(fd, reply);
    std::string().swap(reply); // nothing of the exchange is held while lingering
    Log(worker.peer + " " + summary + (sent ? "" : " (reply not delivered)"));

    // One reply per connection: say so, then give the kiosk a moment to
    // hang up first so that the reply is never cut short by a reset.
    ::shutdown(fd, SHUT_WR);
    worker.lastActivityNs = NowNs();
    worker.phase = Phase::Lingering;
    std::vector<char> chunk(4096);
    const auto lingerEnd = Clock::now() + std::chrono::milliseconds(options.lingerMs);
    while (!stopping && !worker.evicted && Clock::now() < lingerEnd) {
        if (WaitReadable(fd, 100) <= 0)
            continue;
        const ssize_t n = ::recv(fd, chunk.data(), chunk.size(), 0);
        if (n == 0 || (n < 0 && errno != EINTR))
            break;
    }
    Close(worker);
}

std::string ScoringServer::HandleRequestBytes(const std::string& frame)
{
    std::string summary;
    return HandleRequestBytes(frame, summary);
}

std::string ScoringServer::HandleRequestBytes(const std::string& frame, std::string& summary)
{
    // The same checks a connection makes: the header must announce exactly
    // these bytes, within the bound for a request.
    const int32_t announced = frame.size() >= 4 ? MessageFrame::ReadInt32(frame.data()) : 0;
    summary = BadLength(announced, MaxRequestLength(options));
    if (!summary.empty())
        return std::string();
    if (size_t(announced) != frame.size()) {
        summary = "bad frame header -> closed";
        return std::string();
    }
    MessageFrame decoded;
    if (!MessageFrame::Decode(frame.data(), frame.size(), decoded)) {
        summary = "malformed frame of " + std::to_string(frame.size()) + " bytes -> closed";
        return std::string();
    }
    ServerMessage request;
    ServerMessage reply;
    const JsonShape shape = MeasureJson(decoded.jsonText, options.maxRequestValues, options.maxRequestDepth);
    if (shape.values > options.maxRequestValues || shape.depth > options.maxRequestDepth) {
        reply = Note("Invalid request: more values or deeper nesting than a request has / 无效的请求");
        summary = shape.values > options.maxRequestValues
                      ? "JSON of more than " + std::to_string(options.maxRequestValues) + " values -> 999 not parsed"
                      : "JSON nested deeper than " + std::to_string(options.maxRequestDepth) + " -> 999 not parsed";
    } else if (!request.FromJsonText(decoded.jsonText)) {
        reply = Note("Invalid request: not a JSON object / 无效的请求");
        summary = "invalid JSON -> 999";
    } else {
        reply = Handle(request, summary);
    }
    return MessageFrame::Encode(reply.ToJsonText(), "");
}

void ScoringServer::Log(const std::string& line)
{
    if (!options.log)
        return;
    std::lock_guard<std::mutex> lock(logMutex);
    *options.log << line << std::endl;
}

ServerMessage ScoringServer::Handle(const ServerMessage& request, std::string& summary)
{
    const int32_t id = request.MsgId();
    if (id == kMsgSignupList)
        return SignupReply(request, summary);
    if (id == kMsgPrintRequest)
        return PrintReply(request, summary);
    summary = "request id " + std::to_string(id) + " unknown -> 999";
    return Note("Unknown request " + std::to_string(id) + " / 未知的请求");
}

ServerMessage ScoringServer::SignupReply(const ServerMessage& request, std::string& summary)
{
    const std::string code = request.GetText(MsgKey::kAccessCode);
    const std::string filter = request.GetText(MsgKey::kFilter);
    const bool confirm = request.GetFlag(MsgKey::kConfirmed);
    const bool codeOk = options.accessCode.empty() || code == options.accessCode;
    // A code that does not match is refused whether or not the kiosk asked
    // to confirm with it; a kiosk that only polls without a code asks for
    // nothing that could be refused.
    const bool codeRefused = !codeOk && (confirm || !code.empty());
    const bool confirmed = confirm && codeOk;
    const std::string asked = "203 version=" + Quoted(request.GetText(MsgKey::kVersion));
    const std::string codeText = std::string(" code=") + (code.empty() ? "none" : (codeOk ? "ok" : "wrong")) +
                                 " confirm=" + (confirm ? "yes" : "no");
    const std::string refusal = codeRefused ? " access code refused" : "";

    // Refused with a note the kiosk shows, rather than by closing: a closed
    // connection looks like a network fault to the kiosk, which would ask
    // again and again, while the note tells the person at it what to change.
    if (filter.size() > options.maxFilterLength) {
        summary = asked + " filter of " + std::to_string(filter.size()) + " bytes refused (at most " +
                  std::to_string(options.maxFilterLength) + ")" + codeText + " -> 999 filter too long" + refusal;
        return Note("The partial-print filter is too long (" + std::to_string(filter.size()) + " bytes, at most " +
                    std::to_string(options.maxFilterLength) + ") / 部分打印的筛选条件太长");
    }

    // Read the filter before taking the lock, copy what the list needs under
    // it, and build the list after it: a long filter or a large tournament
    // holds up no other kiosk.
    const EntryFilter entryFilter(filter);
    struct Row {
        int32_t number;
        std::string name;
        bool printed;
    };
    struct SectionRows {
        int32_t id;
        std::string name;
        bool isPair;
        std::vector<Row> rows;
    };
    std::vector<SectionRows> sections;
    std::string eventText;
    {
        std::lock_guard<std::mutex> lock(tournamentMutex);
        eventText = tournament.eventText;
        sections.reserve(tournament.sections.size());
        for (const Section& s : tournament.sections) {
            SectionRows& copy = sections.emplace_back(SectionRows{s.id, s.name, s.kind == SectionKind::Pair, {}});
            copy.rows.reserve(s.entries.size());
            for (const Entry& e : s.entries)
                copy.rows.push_back(Row{e.number, e.name, e.printed});
        }
    }

    SignupList list;
    for (const SectionRows& s : sections) {
        const EntryFilter::Selection selection = entryFilter.ForSection(s.id, s.name);
        for (const Row& e : s.rows) {
            if (!selection.Admits(e.number))
                continue;
            SignupEntry one;
            one.SetSectionId(s.id);
            one.SetSectionName(s.name);
            one.SetTeamNumber(e.number);
            one.SetTeamName(e.name);
            one.SetIsPair(s.isPair);
            one.SetPrinted(e.printed);
            list.push_back(one);
        }
    }
    ServerMessage reply(kMsgSignupList);
    Json::Value body(Json::objectValue);
    list.ToJson(body);
    if (!body.isMember("_o"))
        body["_o"] = Json::Value(Json::arrayValue);
    reply[MsgKey::kSignupList] = body;
    reply.SetText(MsgKey::kEventText, eventText);
    reply.SetFlag(MsgKey::kConfirmed, confirmed);
    summary = asked + " filter=" + Quoted(filter) + codeText + " -> 203 entries=" + std::to_string(list.size()) +
              (confirmed ? " confirmed" : "") + refusal;
    return reply;
}

ServerMessage ScoringServer::PrintReply(const ServerMessage& request, std::string& summary)
{
    const int32_t sectionId = request.GetInt(MsgKey::kSectionId);
    const int32_t number = request.GetInt(MsgKey::kTeamNumber);
    const std::string who = "section=" + std::to_string(sectionId) + " number=" + std::to_string(number);
    // Under the lock: find the entry, copy what the reply carries and mark
    // it printed. The reply is built after the lock is released.
    ServerMessage reply;
    std::string name;
    bool again = false;
    {
        std::lock_guard<std::mutex> lock(tournamentMutex);
        Section* section = nullptr;
        Entry* entry = tournament.Find(sectionId, number, &section);
        if (!entry) {
            summary = "205 " + who + " -> 999 unknown entry";
            return Note("No scorecard for section " + std::to_string(sectionId) + ", number " + std::to_string(number) +
                        " / 找不到该队的记分表");
        }
        if (section->kind == SectionKind::Team) {
            reply.ResetMessage(kMsgTeamScorecard);
            reply.SetText(MsgKey::kCaption, entry->caption.empty() ? section->caption : entry->caption);
            reply.SetText(MsgKey::kScoreLabel, section->scoreLabel);
        } else {
            reply.ResetMessage(kMsgPairScorecard);
            reply.SetText(MsgKey::kTitle, entry->title);
            reply.SetText(MsgKey::kSubtitle, entry->subtitle);
        }
        reply.SetInt(MsgKey::kSectionId, sectionId);
        reply.SetInt(MsgKey::kTeamNumber, number);
        reply[MsgKey::kScorecard] = entry->scorecard;
        reply[MsgKey::kDeals] = entry->deals.isArray() ? entry->deals : section->deals;
        reply.SetInt(MsgKey::kEventKind, section->eventKind);
        name = entry->name;
        again = entry->printed;
        entry->printed = true;
    }
    summary = "205 " + who + " -> " + std::to_string(reply.MsgId()) + " " + Quoted(name) + (again ? " (reprint)" : "");
    return reply;
}

bool ScoringServer::IsPrinted(int32_t sectionId, int32_t number)
{
    std::lock_guard<std::mutex> lock(tournamentMutex);
    const Entry* e = tournament.Find(sectionId, number);
    return e && e->printed;
}

} // namespace sim
