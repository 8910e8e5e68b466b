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

#include "comm/MessageFrame.h"

#include <sys/socket.h>
#include <sys/types.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

class MessageProcessor;
class ServerMessage;

class ServerConnection {
public:
    static constexpr uint16_t kServerPort = 9975;
    static constexpr int kSocketBufferSize = 262144;
    static constexpr size_t kRecvChunk = 32764;
    static constexpr size_t kSendPiece = 32766;
    static constexpr int kClosePauseMs = 300;
    static constexpr int kLoopPauseMs = 1;
    // A connect (and the name look-up before it) never keeps the caller
    // longer than this.
    static constexpr int kDefaultConnectTimeoutMs = 3000;
    // ProcessReceived: the stream announced a frame that cannot be right
    // (length <= 0 or beyond MessageFrame::kMaxFrameLength); the buffer was
    // dropped and the connection has to be treated as closed.
    static constexpr int kDropConnection = -2;

    ServerConnection() = default;
    virtual ~ServerConnection();
    ServerConnection(const ServerConnection&) = delete;
    ServerConnection& operator=(const ServerConnection&) = delete;

    // Accepts a connection on this (listening) socket into `target`. False
    // with errno set on failure.
    virtual bool Accept(ServerConnection& target, sockaddr* address, socklen_t* addressLength);
    // Shuts the connection down in both directions, marks the socket closed
    // and pauses 300 ms. Nothing happens when it is already closed.
    virtual void Close();
    virtual ssize_t Recv(void* buffer, size_t size, int flags);
    // Never raises SIGPIPE: a send on a connection the peer closed fails
    // with EPIPE instead of ending the process.
    virtual ssize_t Send(const void* data, size_t length, int flags);
    // Connects within the connect time-out; false with errno set otherwise
    // (ETIMEDOUT when the peer does not answer in time).
    virtual bool Connect(const sockaddr* address, socklen_t addressLength);
    virtual ssize_t RecvFrom(void* buffer, size_t size, int flags, sockaddr* from, socklen_t* fromLength);
    virtual ssize_t SendTo(const void* data, size_t length, int flags, const sockaddr* to, socklen_t toLength);
    // Cuts whole frames out of the receive buffer and hands each decoded
    // message to the processor. Returns -1 when no whole frame is left, 0
    // when the buffer was empty or no processor is set, kDropConnection when
    // the stream is broken.
    virtual int ProcessReceived();

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

    // The open socket handle, -1 once closed.
    int Handle() const { return sock.load(); }
    // The number that identifies this connection in processor events; it
    // stays the same after Close().
    int Descriptor() const { return descriptor; }

    MessageProcessor* GetProcessor() const { return processor.load(); }
    // Waits for a processor call in progress on another thread to end, so
    // that after SetProcessor(nullptr) the old processor is never called.
    void SetProcessor(MessageProcessor* p);

    void SetConnectTimeoutMs(int ms) { connectTimeoutMs = ms; }
    int GetConnectTimeoutMs() const { return connectTimeoutMs; }

protected:
    // Calls the processor, if any, under callMutex.
    bool NotifyMessage(ServerMessage& message);
    void NotifyClosed();

private:
    std::atomic<int> sock{-1};
    int descriptor = -1;
    std::atomic<MessageProcessor*> processor{nullptr};
    // Held while the processor is called; recursive because the processor
    // may release this very connection from inside the call.
    std::recursive_mutex callMutex;
    FrameBuffer rxData;
    mutable std::mutex rxMutex;
    int connectTimeoutMs = kDefaultConnectTimeoutMs;
};
