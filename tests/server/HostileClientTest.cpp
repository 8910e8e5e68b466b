// Hostile peers against a real server on 127.0.0.1: whatever one of them
// does, a kiosk that connects next is answered at once, and the server's log
// says what happened to the hostile peer.

#include "ScoringServer.h"
#include "Tournament.h"

#include "comm/MessageFrame.h"
#include "support/LoopbackServer.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using loopback::Clock;

// A log that server threads write while the test reads it.
class SharedLog : public std::streambuf {
public:
    std::string Text()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return text;
    }
    bool Has(const std::string& part) { return Text().find(part) != std::string::npos; }

protected:
    int_type overflow(int_type c) override
    {
        if (c != traits_type::eof()) {
            std::lock_guard<std::mutex> lock(mutex);
            text += traits_type::to_char_type(c);
        }
        return c;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        text.append(s, size_t(n));
        return n;
    }

private:
    std::mutex mutex;
    std::string text;
};

// A client connection; closed when the object goes away.
struct Client {
    int fd = -1;
    uint16_t localPort = 0;

    explicit Client(uint16_t port)
    {
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(port);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
            ::close(fd);
            fd = -1;
            return;
        }
        socklen_t length = sizeof a;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length);
        localPort = ntohs(a.sin_port);
    }
    ~Client()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    std::string Peer() const { return "127.0.0.1:" + std::to_string(localPort); }
    // The id of the reply to `request`, -1 when the server closed without one.
    int32_t Ask(const ServerMessage& request)
    {
        loopback::SendAll(fd, MessageFrame::Encode(request.ToJsonText(), ""));
        const std::string frame = loopback::ReadFrame(fd, 5s);
        MessageFrame decoded;
        ServerMessage reply;
        if (!MessageFrame::Decode(frame.data(), frame.size(), decoded) || !reply.FromJsonText(decoded.jsonText))
            return -1;
        return reply.MsgId();
    }
};

ServerMessage ListRequest(const std::string& filter, const std::string& code, bool confirm)
{
    ServerMessage m(kMsgSignupList);
    m.SetText("99", "7.26.15");
    m.SetText("2", code);
    m.SetText("61", filter);
    m.SetFlag("82", confirm);
    return m;
}

constexpr size_t kSlots = 8;

TEST(HostileClients, AKioskIsStillServedAndTheLogSaysWhatHappened)
{
    struct Case {
        const char* name;
        // Does its harm with connections kept open (in `held`) until the
        // kiosk has been served; returns the log text that must appear,
        // naming the hostile peer where the server knows it.
        std::function<std::string(uint16_t port, std::vector<std::unique_ptr<Client>>& held)> attack;
    };
    const Case cases[] = {
        {"idle connections fill every slot",
         [](uint16_t port, std::vector<std::unique_ptr<Client>>& held) {
             for (size_t i = 0; i < kSlots; ++i)
                 held.push_back(std::make_unique<Client>(port));
             return held.front()->Peer() + " closed after ";
         }},
        {"idle connections time out on their own",
         [](uint16_t port, std::vector<std::unique_ptr<Client>>& held) {
             held.push_back(std::make_unique<Client>(port));
             return held.front()->Peer() + " sent nothing within 1000 ms -> closed";
         }},
        {"every slot sends one byte and stops",
         [](uint16_t port, std::vector<std::unique_ptr<Client>>& held) {
             for (size_t i = 0; i < kSlots; ++i) {
                 held.push_back(std::make_unique<Client>(port));
                 loopback::SendAll(held.back()->fd, "\x30");
             }
             return "making room for";
         }},
        {"one byte and then silence until the request time-out",
         [](uint16_t port, std::vector<std::unique_ptr<Client>>& held) {
             held.push_back(std::make_unique<Client>(port));
             loopback::SendAll(held.back()->fd, "\x30");
             return held.front()->Peer() + " no request within 1500 ms -> closed";
         }},
        {"a filter of 48 KB",
         [](uint16_t port, std::vector<std::unique_ptr<Client>>& held) {
             held.push_back(std::make_unique<Client>(port));
             std::string filter;
             while (filter.size() < 48000)
                 filter += "A#1~2;";
             const int32_t reply = held.back()->Ask(ListRequest(filter, "", false));
             EXPECT_EQ(reply, kMsgNote) << "the sender is told, not left waiting";
             return held.back()->Peer() + " 203 version=\"7.26.15\" filter of 48000 bytes refused (at most 16384)";
         }},
        {"a request of 900 KB",
         [](uint16_t port, std::vector<std::unique_ptr<Client>>& held) {
             held.push_back(std::make_unique<Client>(port));
             std::string filter;
             while (filter.size() < 900000)
                 filter += "A#1~2;";
             const ServerMessage request = ListRequest(filter, "", false);
             EXPECT_EQ(held.back()->Ask(request), -1) << "closed at the header, not read";
             return held.back()->Peer() + " bad frame header: " +
                    std::to_string(MessageFrame::Encode(request.ToJsonText(), "").size()) +
                    " bytes announced (at most 61440) -> closed";
         }},
        {"a wrong access code",
         [](uint16_t port, std::vector<std::unique_ptr<Client>>& held) {
             held.push_back(std::make_unique<Client>(port));
             EXPECT_EQ(held.back()->Ask(ListRequest("", "1234", true)), kMsgSignupList);
             return held.back()->Peer() + " 203 version=\"7.26.15\" filter=\"\" code=wrong confirm=yes -> 203 entries=48 access code refused";
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SharedLog logBuffer;
        std::ostream log(&logBuffer);
        sim::ServerOptions options;
        options.port = 0;
        options.log = &log;
        options.maxConnections = kSlots;
        options.firstByteTimeoutMs = 1000;
        options.requestTimeoutMs = 1500;
        sim::ScoringServer server(sim::SampleTournament(), options);
        std::string error;
        ASSERT_TRUE(server.Start(error)) << error;

        std::vector<std::unique_ptr<Client>> held;
        const std::string expected = c.attack(server.Port(), held);

        const auto start = Clock::now();
        Client kiosk(server.Port());
        EXPECT_EQ(kiosk.Ask(ListRequest("", "8888", true)), kMsgSignupList);
        EXPECT_LT(Clock::now() - start, 2s) << "the kiosk waited behind the hostile peer";

        EXPECT_TRUE(loopback::WaitUntil([&] { return logBuffer.Has(expected); }, 3s))
            << "no \"" << expected << "\" in\n"
            << logBuffer.Text();
        // The kiosk's own line follows its reply.
        EXPECT_TRUE(loopback::WaitUntil([&] { return logBuffer.Has(kiosk.Peer() + " 203 "); }, 2s)) << logBuffer.Text();
        held.clear();
        server.Stop();
    }
}

} // namespace
