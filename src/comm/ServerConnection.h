#pragma once
// One TCP connection to the scoring server: the socket, the bytes received
// and not yet cut into frames, and the processor that is told about decoded
// messages and about the end of the connection.
//
// Ownership: the owner and the connection's receive thread share the object
// through std::shared_ptr, so whichever side lets go last frees it, and a
// release on one thread can never leave the other inside a freed object.
// The descriptor number is kept reserved until the object is freed (Close()
// only shuts the connection down), so a new connection can never be given
// the same number while an old receive thread might still read it.
//
// A request can run wholly on the connection's own thread (StartRequest):
// look-up, connect, send and receive, so the thread that asks never waits on
// the network. The reply has a deadline of its own, which a peer that drips
// bytes cannot push back.

#include "comm/MessageFrame.h"

#include <sys/socket.h>
#include <sys/types.h>

#include "comm/MessageProcessor.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

class ServerMessage;

class ServerConnection {
public:
    static constexpr uint16_t kServerPort = 9975;
    static constexpr int kSocketBufferSize = 262144;
    static constexpr size_t kRecvChunk = 32764;
    static constexpr size_t kSendPiece = 32766;
    static constexpr int kClosePauseMs = 300;
    static constexpr int kLoopPauseMs = 1;
    // TCP keepalive: the system's defaults probe only after two hours; a
    // kiosk connection lives seconds, so probe after 10 s idle, every 5 s,
    // and give up after 4 unanswered probes (about half a minute).
    static constexpr int kKeepaliveIdleSeconds = 10;
    static constexpr int kKeepaliveIntervalSeconds = 5;
    static constexpr int kKeepaliveProbes = 4;
    // A connect (and the name look-up before it) never keeps the caller
    // longer than this.
    static constexpr int kDefaultConnectTimeoutMs = 3000;
    // A request sent on its own thread gives up when no whole reply has come
    // this long after it went out. 0 waits as long as the peer keeps the
    // connection open (the plain receive loop).
    static constexpr int kNoReplyTimeout = 0;
    // ProcessReceived: the stream announced a frame that cannot be right
    // (length <= 0 or beyond MessageFrame::kMaxFrameLength); the buffer was
    // dropped and the connection has to be treated as closed.
    static constexpr int kDropConnection = -2;

    ServerConnection() = default;
    virtual ~ServerConnection();
    ServerConnection(const ServerConnection&) = delete;
    ServerConnection& operator=(const ServerConnection&) = delete;

    // Shuts the connection down in both directions and marks the socket
    // closed. Nothing happens when it is already closed. The pause of 300 ms
    // the server expects before the connection's end follows on the
    // connection's own thread, once the call that closed it has returned:
    // never under the call lock, which an owner letting go waits for.
    void Close();
    // Shuts the connection down like Close(), without the pause: for a
    // caller that must not wait, such as an owner letting go.
    void Hangup();
    ssize_t Recv(void* buffer, size_t size, int flags);
    // Never raises SIGPIPE: a send on a connection the peer closed fails
    // with EPIPE instead of ending the process. Virtual so that a test can
    // cut what is sent into pieces.
    virtual ssize_t Send(const void* data, size_t length, int flags);
    // Connects within the connect time-out; false with errno set otherwise
    // (ETIMEDOUT when the peer does not answer in time).
    bool Connect(const sockaddr* address, socklen_t addressLength);
    // Cuts whole frames out of the receive buffer and hands each decoded
    // message to the processor. Returns -1 when no whole frame is left, 0
    // when the buffer was empty or no processor is set, kDropConnection when
    // the stream is broken.
    int ProcessReceived();

    // A new IPv4 stream socket; false with errno set on failure.
    bool Create();
    // Binds to the any-address, port 0.
    bool BindAny();
    // `host` as dotted IPv4 text or, failing that, a host name (first IPv4
    // address). An empty or unresolvable name fails with errno EINVAL.
    bool ConnectTo(const std::u16string& host, uint16_t port);
    // SO_RCVBUF and SO_SNDBUF to 262144 bytes.
    void SetBufferSizes();
    // Sends `bytes` in pieces of at most 32766 bytes, pausing 1 ms between
    // pieces. A piece the system takes only in part is completed; an error
    // stops the sending (the rest is not sent, nothing is retried later).
    bool SendPieces(const std::string& bytes);
    // Frames `message` (its JSON text and attachment) and sends it.
    bool SendMessage(const ServerMessage& message);

    // Appends received bytes to the receive buffer (under rxMutex).
    void AppendReceived(const char* data, size_t length);
    size_t BufferedLength() const;

    // Starts the detached receive thread, which holds its own reference.
    static bool StartReceiveThread(const std::shared_ptr<ServerConnection>& socket);
    static void ReceiveLoop(std::shared_ptr<ServerConnection> socket);
    // Starts the detached thread that connects to `host`:`port`, sends
    // `frame` (nothing when empty) and then receives like ReceiveLoop, with
    // the reply time-out. A failure is told to the processor through
    // OnSocketFault, then OnSocketClosed.
    static bool StartRequest(const std::shared_ptr<ServerConnection>& socket, const std::u16string& host, uint16_t port,
                             std::string frame);
    // Waits up to `ms` for this connection's thread to end; true when it has
    // (or none was started). A Hangup() first makes the wait short.
    bool WaitFinished(int ms);

    // The open socket handle, -1 once closed.
    int Handle() const { return sock.load(); }
    // The number that identifies this connection in processor events; it
    // stays the same after Close().
    int Descriptor() const { return descriptor; }

    MessageProcessor* GetProcessor() const { return processor.load(); }
    // Waits for a processor call in progress on another thread to end, so
    // that after SetProcessor(nullptr) the old processor is never called.
    void SetProcessor(MessageProcessor* p);
    // Names the processor of a connection whose thread has not started (or
    // never started): nothing can be calling it, so no lock is taken, and a
    // caller holding its own lock (which the thread's calls will take) does
    // not set up a lock order the other way round.
    void SetProcessorBeforeStart(MessageProcessor* p) { processor.store(p); }

    void SetConnectTimeoutMs(int ms) { connectTimeoutMs = ms; }
    int GetConnectTimeoutMs() const { return connectTimeoutMs; }
    // Set before the thread starts.
    void SetReplyTimeoutMs(int ms) { replyTimeoutMs = ms; }
    // The largest frame accepted from the peer; a longer one drops the
    // connection (FrameTooLarge). Set before the thread starts.
    void SetMaxFrameLength(int32_t bound);
    // TCP keepalive, so a peer that vanished without a word is noticed by
    // the system even on an idle connection.
    void EnableKeepalive();

protected:
    // Calls the processor, if any, under callMutex.
    bool NotifyMessage(ServerMessage& message);
    void NotifyClosed();
    void NotifyFault(SocketFault fault, const std::string& detail);

private:
    std::atomic<int> sock{-1};
    // Set by Close()/Hangup(): frames still buffered are not dispatched.
    std::atomic<bool> closedByUs{false};
    std::atomic<bool> lingerPending{false};
    int descriptor = -1;
    std::atomic<MessageProcessor*> processor{nullptr};
    // Held while the processor is called; recursive because the processor
    // may release this very connection from inside the call.
    std::recursive_mutex callMutex;
    FrameBuffer rxData;
    mutable std::mutex rxMutex;
    int connectTimeoutMs = kDefaultConnectTimeoutMs;
    int replyTimeoutMs = kNoReplyTimeout;
    int32_t maxFrameLength = MessageFrame::kMaxFrameLength;
    // The thread's end, for WaitFinished.
    std::mutex finishMutex;
    std::condition_variable finishCv;
    bool threadRunning = false;

    // The receive loop behind ReceiveLoop and StartRequest; `deadline` of
    // zero means none.
    static void Receive(const std::shared_ptr<ServerConnection>& self, std::chrono::steady_clock::time_point deadline);
    void MarkThreadStarted();
    void MarkThreadFinished();
    // The length the last broken frame announced (under rxMutex).
    int32_t BrokenFrameLength() const;
    int32_t brokenLength = 0;
};
