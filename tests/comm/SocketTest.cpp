#include "comm/ServerConnection.h"

#include "comm/MessageProcessor.h"
#include "comm/ServerMessage.h"
#include "support/LoopbackServer.h"

#include <gtest/gtest.h>

#include <netinet/in.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using loopback::ScriptedServer;
using loopback::WaitUntil;

// Keeps what the transport reports, for the test thread to look at.
class Recorder : public MessageProcessor {
public:
    void OnSocketMessage(int, ServerMessage& message) override
    {
        std::lock_guard<std::mutex> lock(m);
        messages.push_back(message);
    }
    void OnSocketClosed(int sock) override
    {
        std::lock_guard<std::mutex> lock(m);
        closedSocks.push_back(sock);
    }
    void OnSocketFault(int, SocketFault fault, const std::string&) override
    {
        std::lock_guard<std::mutex> lock(m);
        faults.push_back(fault);
    }
    std::vector<SocketFault> Faults()
    {
        std::lock_guard<std::mutex> lock(m);
        return faults;
    }
    size_t MessageCount()
    {
        std::lock_guard<std::mutex> lock(m);
        return messages.size();
    }
    size_t ClosedCount()
    {
        std::lock_guard<std::mutex> lock(m);
        return closedSocks.size();
    }
    std::vector<int32_t> Ids()
    {
        std::lock_guard<std::mutex> lock(m);
        std::vector<int32_t> ids;
        for (const ServerMessage& msg : messages)
            ids.push_back(msg.MsgId());
        return ids;
    }

    std::mutex m;
    std::vector<ServerMessage> messages;
    std::vector<int> closedSocks;
    std::vector<SocketFault> faults;
};

std::string Frame(int32_t id, const std::string& attachment = "")
{
    ServerMessage msg(id);
    return MessageFrame::Encode(msg.ToJsonText(), attachment);
}

std::shared_ptr<ServerConnection> Connected(uint16_t port, MessageProcessor* processor)
{
    auto s = std::make_shared<ServerConnection>();
    EXPECT_TRUE(s->Create());
    EXPECT_TRUE(s->BindAny());
    s->SetBufferSizes();
    EXPECT_TRUE(s->ConnectTo(u"127.0.0.1", port));
    s->SetProcessor(processor);
    EXPECT_TRUE(ServerConnection::StartReceiveThread(s));
    return s;
}

std::string ReadHostsFile()
{
    std::string text;
    if (FILE* f = std::fopen("/etc/hosts", "r")) {
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
            text.append(buf, n);
        std::fclose(f);
    }
    return text;
}

std::string Header(int32_t total, int32_t attached)
{
    std::string h(8, '\0');
    MessageFrame::WriteInt32(h.data(), total);
    MessageFrame::WriteInt32(h.data() + 4, attached);
    return h;
}

TEST(ProcessReceived, DispatchesEveryWholeFrameOnceAndDropsUndecodableOnes)
{
    Recorder rec;
    ServerConnection s;
    s.SetProcessor(&rec);
    EXPECT_EQ(s.ProcessReceived(), 0); // nothing buffered

    // One reply delivered a byte at a time is dispatched once, at its end.
    const std::string reply = Frame(207, "bin");
    for (char c : reply) {
        EXPECT_EQ(rec.MessageCount(), 0u);
        s.AppendReceived(&c, 1);
        s.ProcessReceived();
    }
    ASSERT_EQ(rec.MessageCount(), 1u);
    EXPECT_EQ(rec.messages[0].MsgId(), 207);
    EXPECT_EQ(rec.messages[0].Attachment(), "bin");

    // A 6-byte and an 8-byte frame and one with a bad attachment length are
    // consumed and dropped; the frames around them go through in order.
    const std::string batch = Frame(203) + Header(6, 0).substr(0, 6) + Header(8, 0) + Header(10, 10) + "xy" +
                              MessageFrame::Encode("not json", "") + Frame(999);
    s.AppendReceived(batch.data(), batch.size());
    EXPECT_EQ(s.ProcessReceived(), -1);
    EXPECT_EQ(rec.Ids(), (std::vector<int32_t>{207, 203, 0, 999}));
    EXPECT_EQ(s.BufferedLength(), 0u);

    // Without a processor a frame is consumed and nothing is called.
    s.SetProcessor(nullptr);
    const std::string lost = Frame(203);
    s.AppendReceived(lost.data(), lost.size());
    EXPECT_EQ(s.ProcessReceived(), 0);
    EXPECT_EQ(rec.MessageCount(), 4u);
}

TEST(ProcessReceived, AnImpossibleLengthDropsTheBufferInsteadOfWaitingForIt)
{
    Recorder rec;
    for (int32_t announced : {0x7fffffff, MessageFrame::kMaxFrameLength + 1, 0, -5}) {
        ServerConnection s;
        s.SetProcessor(&rec);
        const std::string bytes = Header(announced, 0) + std::string(1000, 'x');
        s.AppendReceived(bytes.data(), bytes.size());
        EXPECT_EQ(s.ProcessReceived(), ServerConnection::kDropConnection) << announced;
        EXPECT_EQ(s.BufferedLength(), 0u) << announced;
    }
    EXPECT_EQ(rec.MessageCount(), 0u);
}

TEST(ReceiveLoop, ReassemblesSegmentsAndKeepsTheOrderOfRepliesSentTogether)
{
    Recorder rec;
    ScriptedServer server([](int& fd) {
        // First reply in many small segments, then two replies in one send.
        const std::string first = Frame(208, std::string(5000, 'a'));
        for (size_t at = 0; at < first.size(); at += 700) {
            loopback::SendAll(fd, first.substr(at, 700));
            std::this_thread::sleep_for(2ms);
        }
        loopback::SendAll(fd, Frame(207) + Frame(999));
        loopback::ReadSome(fd, 1, 3s); // until the client closes
    });
    auto s = Connected(server.Port(), &rec);
    ASSERT_TRUE(WaitUntil([&] { return rec.MessageCount() == 3; }));
    EXPECT_EQ(rec.Ids(), (std::vector<int32_t>{208, 207, 999}));
    EXPECT_EQ(rec.messages[0].AttachmentLength(), 5000);
    EXPECT_EQ(rec.ClosedCount(), 0u);
    s->Close();
    ASSERT_TRUE(WaitUntil([&] { return rec.ClosedCount() == 1; }));
    EXPECT_EQ(rec.closedSocks[0], s->Descriptor());
}

TEST(ReceiveLoop, ReportsACloseWithoutReplyAResetAndABrokenStream)
{
    struct Case {
        const char* name;
        ScriptedServer::Script script;
    };
    const Case cases[] = {
        {"orderly close",
         [](int& fd) {
             ::shutdown(fd, SHUT_WR);
             loopback::ReadSome(fd, 1, 2s);
         }},
        {"reset", [](int& fd) { loopback::ResetClose(fd); }},
        {"huge announced frame, connection kept open",
         [](int& fd) {
             loopback::SendAll(fd, Header(0x7ffffff0, 0) + std::string(100, 'x'));
             loopback::ReadSome(fd, 1, 3s); // the kiosk side must hang up first
         }},
    };
    for (const Case& c : cases) {
        Recorder rec;
        ScriptedServer server(c.script);
        auto s = Connected(server.Port(), &rec);
        EXPECT_TRUE(WaitUntil([&] { return rec.ClosedCount() == 1; }, 2500ms)) << c.name;
        EXPECT_EQ(rec.MessageCount(), 0u) << c.name;
        EXPECT_EQ(s->BufferedLength(), 0u) << c.name;
        s->SetProcessor(nullptr);
    }
}

// Counts the pieces handed to the system.
class PieceCounter : public ServerConnection {
public:
    ssize_t Send(const void* data, size_t length, int flags) override
    {
        pieces.push_back(length);
        return ServerConnection::Send(data, length, flags);
    }
    std::vector<size_t> pieces;
};

TEST(SendPieces, ALongFrameGoesOutInPiecesAndArrivesWhole)
{
    std::string received;
    auto server = std::make_unique<ScriptedServer>([&](int& fd) { received = loopback::ReadFrame(fd); });
    auto s = std::make_shared<PieceCounter>();
    ASSERT_TRUE(s->Create());
    ASSERT_TRUE(s->ConnectTo(u"127.0.0.1", server->Port()));

    ServerMessage msg(kMsgSignupList);
    msg.SetText("61", std::string(70000, 'z'));
    ASSERT_TRUE(s->SendMessage(msg));
    const std::string expected = MessageFrame::Encode(msg.ToJsonText(), "");
    ASSERT_GT(expected.size(), 2u * 32766);
    EXPECT_EQ(s->pieces, (std::vector<size_t>{32766, 32766, expected.size() - 2 * 32766}));
    ASSERT_TRUE(WaitUntil([&] { return server->Accepted() == 1; }));
    server.reset(); // joins the peer thread, which has read the frame by now
    EXPECT_EQ(received, expected);
}

TEST(SendPieces, SendingToAPeerThatHungUpFailsWithoutASignal)
{
    ScriptedServer server([](int& fd) { loopback::ResetClose(fd); });
    auto s = std::make_shared<ServerConnection>();
    ASSERT_TRUE(s->Create());
    ASSERT_TRUE(s->ConnectTo(u"127.0.0.1", server.Port()));
    ASSERT_TRUE(WaitUntil([&] { return server.Accepted() == 1; }));
    std::this_thread::sleep_for(50ms);
    // Without MSG_NOSIGNAL the second or third write would raise SIGPIPE and
    // end this test binary.
    bool failed = false;
    for (int i = 0; i < 20 && !failed; ++i) {
        failed = !s->SendPieces(std::string(1000, 'p'));
        std::this_thread::sleep_for(5ms);
    }
    EXPECT_TRUE(failed);
}

TEST(ConnectTo, GivesUpOnAPeerThatDoesNotAnswerWithinTheTimeOut)
{
    // A listener whose accept queue is full drops further handshakes, so a
    // connect to it hangs the way a missing host does.
    uint16_t port = 0;
    const int listener = loopback::ListenLoopback(0, port);
    ASSERT_GE(listener, 0);
    std::vector<std::shared_ptr<ServerConnection>> fillers;
    bool hung = false;
    for (int i = 0; i < 8 && !hung; ++i) {
        auto s = std::make_shared<ServerConnection>();
        ASSERT_TRUE(s->Create());
        s->SetConnectTimeoutMs(400);
        const auto start = std::chrono::steady_clock::now();
        const bool ok = s->ConnectTo(u"127.0.0.1", port);
        const auto took = std::chrono::steady_clock::now() - start;
        if (!ok) {
            EXPECT_EQ(errno, ETIMEDOUT);
            EXPECT_GE(took, 300ms);
            EXPECT_LT(took, 2s);
            hung = true;
        }
        fillers.push_back(s);
    }
    EXPECT_TRUE(hung);
    ::close(listener);
}

TEST(StartRequest, EverythingHappensOnTheConnectionsThreadWithinItsTimeOuts)
{
    // The caller only starts the request; a peer that is silent, drips its
    // reply, announces too much or is not there ends in a fault and a close,
    // within the time-outs (400 ms connect, 500 ms reply).
    uint16_t refusedPort = 0;
    ::close(loopback::ListenLoopback(1, refusedPort));
    struct Case {
        const char* name;
        ScriptedServer::Script script; // empty: nothing listens
        std::optional<SocketFault> fault;
        size_t messages;
    };
    const Case cases[] = {
        {"a good reply",
         [](int& fd) {
             loopback::ReadFrame(fd);
             loopback::SendAll(fd, Frame(203));
         },
         std::nullopt, 1},
        {"silent", [](int& fd) { loopback::ReadSome(fd, 1 << 20, 2s); }, SocketFault::ReplyTimedOut, 0},
        {"drip",
         [](int& fd) {
             loopback::ReadFrame(fd);
             for (char c : Frame(203, std::string(40, 'a'))) {
                 if (!loopback::SendAll(fd, std::string(1, c)))
                     return;
                 std::this_thread::sleep_for(50ms);
             }
         },
         SocketFault::ReplyTimedOut, 0},
        {"too large",
         [](int& fd) {
             loopback::ReadFrame(fd);
             loopback::SendAll(fd, Header(1 << 20, 0) + std::string(100, 'x'));
             loopback::ReadSome(fd, 1, 2s);
         },
         SocketFault::FrameTooLarge, 0},
        {"nothing listens", {}, SocketFault::ConnectFailed, 0},
    };
    for (const Case& c : cases) {
        Recorder rec;
        std::optional<ScriptedServer> server;
        if (c.script)
            server.emplace(c.script);
        auto s = std::make_shared<ServerConnection>();
        ASSERT_TRUE(s->Create());
        s->SetConnectTimeoutMs(400);
        s->SetReplyTimeoutMs(500);
        s->SetMaxFrameLength(64 * 1024);
        s->SetProcessor(&rec);
        const auto start = std::chrono::steady_clock::now();
        ASSERT_TRUE(ServerConnection::StartRequest(s, u"127.0.0.1", server ? server->Port() : refusedPort, Frame(205)));
        EXPECT_LT(std::chrono::steady_clock::now() - start, 100ms) << c.name;
        EXPECT_TRUE(WaitUntil([&] { return rec.ClosedCount() == 1; }, 3s)) << c.name;
        // A drip of one byte every 50 ms would take 2.5 s; the time-out does
        // not move with it.
        EXPECT_LT(std::chrono::steady_clock::now() - start, 1500ms) << c.name;
        EXPECT_EQ(rec.MessageCount(), c.messages) << c.name;
        const std::vector<SocketFault> faults = rec.Faults();
        if (c.fault) {
            EXPECT_EQ(faults, std::vector<SocketFault>{*c.fault}) << c.name;
        } else {
            EXPECT_TRUE(faults.empty()) << c.name;
        }
        s->Hangup();
        EXPECT_TRUE(s->WaitFinished(1000)) << c.name;
        s->SetProcessor(nullptr);
    }
}

TEST(ConnectTo, NamesAreLookedUpAndEmptyOrMalformedOnesFail)
{
    ScriptedServer server([](int&) {});
    // Only a name the hosts file answers is looked up here, so that the test
    // never asks a name server anything.
    if (ReadHostsFile().find("localhost") != std::string::npos) {
        ServerConnection s;
        ASSERT_TRUE(s.Create());
        EXPECT_TRUE(s.ConnectTo(u"localhost", server.Port()));
    }
    for (const std::u16string& host : {std::u16string(), std::u16string(u"local\0host", 10)}) {
        ServerConnection s;
        ASSERT_TRUE(s.Create());
        EXPECT_FALSE(s.ConnectTo(host, server.Port()));
        EXPECT_EQ(errno, EINVAL);
    }
    // A closed socket neither connects nor sends.
    ServerConnection closed;
    EXPECT_FALSE(closed.ConnectTo(u"127.0.0.1", server.Port()));
    EXPECT_EQ(closed.Send("x", 1, 0), -1);
}

} // namespace
