#include "ScoringServer.h"

#include "comm/MessageFrame.h"
#include "foundation/TextUtil.h"
#include "tournament/NumberText.h"
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
#include <set>

namespace sim {

namespace {

using Clock = std::chrono::steady_clock;

std::string Trim(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool IsNumberText(const std::string& text)
{
    if (text.empty())
        return false;
    size_t i = text[0] == '-' || text[0] == '+' ? 1 : 0;
    if (i == text.size())
        return false;
    for (; i < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9')
            return false;
    return true;
}

ServerMessage Note(const std::string& text)
{
    ServerMessage note(kMsgNote);
    note.SetText(MsgKey::kNotes, text);
    return note;
}

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
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

bool FilterAccepts(const std::string& filter, const Section& section, int32_t number)
{
    const std::string text = Trim(NormaliseFullWidth(filter));
    if (text.empty())
        return true;
    bool anyPart = false;
    for (const std::string& rawPart : SplitTokens(text, ";", true)) {
        const std::string part = Trim(rawPart);
        if (part.empty())
            continue;
        anyPart = true;
        const size_t hash = part.find('#');
        const std::string name = Trim(part.substr(0, hash));
        const bool sectionMatches =
            EqualsIgnoreCase(name, section.name) || (IsNumberText(name) && LeadingInt(name) == section.id);
        if (!sectionMatches)
            continue;
        if (hash == std::string::npos)
            return true;
        const std::vector<int32_t> numbers = ParseNumberList(part.substr(hash + 1), true);
        if (std::find(numbers.begin(), numbers.end(), number) != numbers.end())
            return true;
    }
    // A filter of nothing but separators restricts nothing.
    return !anyPart;
}

ScoringServer::ScoringServer(Tournament t, ServerOptions o)
    : tournament(std::move(t)), options(std::move(o))
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
    if (::bind(listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listenFd, 64) != 0) {
        error = "cannot listen on " + options.bindAddress + ":" + std::to_string(options.port) + ": " + std::strerror(errno);
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
        const std::string peer = std::string(text) + ":" + std::to_string(ntohs(from.sin_port));
        std::lock_guard<std::mutex> lock(workersMutex);
        if (workers.size() >= options.maxConnections) {
            ::close(fd);
            Log(peer + " refused: too many connections");
            continue;
        }
        Worker& w = workers.emplace_back();
        w.fd = fd;
        try {
            w.thread = std::thread([this, &w, peer] {
                Serve(w.fd, peer);
                w.done = true;
            });
        } catch (const std::exception&) {
            ::close(fd);
            workers.pop_back();
        }
    }
}

void ScoringServer::Serve(int fd, const std::string& peer)
{
    ++served;
    const timeval sendTimeout{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &sendTimeout, sizeof sendTimeout);
    FrameBuffer buffer;
    buffer.SetMaxFrameLength(options.maxRequestLength);
    std::string frame;
    const auto deadline = Clock::now() + std::chrono::milliseconds(options.requestTimeoutMs);
    std::vector<char> chunk(32768);
    bool complete = false;
    while (!complete) {
        if (stopping) {
            ::close(fd);
            return;
        }
        if (Clock::now() > deadline) {
            Log(peer + " no request within " + std::to_string(options.requestTimeoutMs) + " ms -> closed");
            ::close(fd);
            return;
        }
        if (WaitReadable(fd, 100) <= 0)
            continue;
        const ssize_t n = ::recv(fd, chunk.data(), chunk.size(), 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            Log(peer + " closed without a complete request");
            ::close(fd);
            return;
        }
        buffer.Append(chunk.data(), size_t(n));
        switch (buffer.TakeFrame(frame)) {
        case FrameBuffer::Cut::Incomplete:
            break;
        case FrameBuffer::Cut::Broken:
            Log(peer + " bad frame header -> closed");
            ::close(fd);
            return;
        case FrameBuffer::Cut::Frame:
            complete = true;
            break;
        }
    }

    MessageFrame decoded;
    if (!MessageFrame::Decode(frame.data(), frame.size(), decoded)) {
        Log(peer + " malformed frame of " + std::to_string(frame.size()) + " bytes -> closed");
        ::close(fd);
        return;
    }
    ServerMessage request;
    ServerMessage reply;
    std::string summary;
    if (!request.FromJsonText(decoded.jsonText)) {
        reply = Note("Invalid request: not a JSON object / 无效的请求");
        summary = "invalid JSON -> 999";
    } else {
        reply = Handle(request, summary);
    }
    const bool sent = SendAll(fd, MessageFrame::Encode(reply.ToJsonText(), ""));
    Log(peer + " " + summary + (sent ? "" : " (reply not delivered)"));

    // One reply per connection: say so, then give the kiosk a moment to
    // hang up first so that the reply is never cut short by a reset.
    ::shutdown(fd, SHUT_WR);
    const auto lingerEnd = Clock::now() + std::chrono::milliseconds(options.lingerMs);
    while (!stopping && Clock::now() < lingerEnd) {
        if (WaitReadable(fd, 100) <= 0)
            continue;
        const ssize_t n = ::recv(fd, chunk.data(), chunk.size(), 0);
        if (n == 0 || (n < 0 && errno != EINTR))
            break;
    }
    ::close(fd);
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

    SignupList list;
    std::string eventText;
    {
        std::lock_guard<std::mutex> lock(tournamentMutex);
        eventText = tournament.eventText;
        for (const Section& s : tournament.sections) {
            for (const Entry& e : s.entries) {
                if (!FilterAccepts(filter, s, e.number))
                    continue;
                SignupEntry one;
                one.SetSectionId(s.id);
                one.SetSectionName(s.name);
                one.SetTeamNumber(e.number);
                one.SetTeamName(e.name);
                one.SetIsPair(s.kind == SectionKind::Pair);
                one.SetPrinted(e.printed);
                list.push_back(one);
            }
        }
    }
    ServerMessage reply(kMsgSignupList);
    Json::Value body(Json::objectValue);
    list.ToJson(body);
    if (!body.isMember("_o"))
        body["_o"] = Json::Value(Json::arrayValue);
    reply[MsgKey::kSignupList] = body;
    reply.SetText(MsgKey::kEventText, eventText);
    const bool confirmed = confirm && codeOk;
    reply.SetFlag(MsgKey::kConfirmed, confirmed);
    summary = "203 version=" + Quoted(request.GetText(MsgKey::kVersion)) + " filter=" + Quoted(filter) +
              " code=" + (code.empty() ? "none" : (codeOk ? "ok" : "wrong")) + " confirm=" + (confirm ? "yes" : "no") +
              " -> 203 entries=" + std::to_string(list.size()) + (confirmed ? " confirmed" : "");
    return reply;
}

ServerMessage ScoringServer::PrintReply(const ServerMessage& request, std::string& summary)
{
    const int32_t sectionId = request.GetInt(MsgKey::kSectionId);
    const int32_t number = request.GetInt(MsgKey::kTeamNumber);
    const std::string who = "section=" + std::to_string(sectionId) + " number=" + std::to_string(number);
    std::lock_guard<std::mutex> lock(tournamentMutex);
    Section* section = nullptr;
    Entry* entry = tournament.Find(sectionId, number, &section);
    if (!entry) {
        summary = "205 " + who + " -> 999 unknown entry";
        return Note("No scorecard for section " + std::to_string(sectionId) + ", number " + std::to_string(number) +
                    " / 找不到该队的记分表");
    }
    const Json::Value& deals = entry->deals.isArray() ? entry->deals : section->deals;
    ServerMessage reply;
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
    reply[MsgKey::kDeals] = deals;
    reply.SetInt(MsgKey::kEventKind, section->eventKind);
    const bool again = entry->printed;
    entry->printed = true;
    summary = "205 " + who + " -> " + std::to_string(reply.MsgId()) + " " + Quoted(entry->name) + (again ? " (reprint)" : "");
    return reply;
}

bool ScoringServer::IsPrinted(int32_t sectionId, int32_t number)
{
    std::lock_guard<std::mutex> lock(tournamentMutex);
    const Entry* e = tournament.Find(sectionId, number);
    return e && e->printed;
}

} // namespace sim
