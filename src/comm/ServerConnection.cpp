#include "comm/ServerConnection.h"

#include "comm/MessageProcessor.h"
#include "comm/ServerMessage.h"
#include "foundation/LocText.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <thread>
#include <vector>

namespace {

void PauseMs(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

using Clock = std::chrono::steady_clock;

int MsUntil(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? int(left) : 0;
}

// A host-name look-up that gives up at `deadline`. The resolver itself cannot
// be interrupted, so it runs on a detached thread that owns its share of the
// result and simply finishes late if we stop waiting.
bool ResolveIpv4(const std::string& host, Clock::time_point deadline, in_addr& out)
{
    struct Lookup {
        std::mutex m;
        std::condition_variable cv;
        bool done = false;
        bool found = false;
        in_addr address{};
    };
    auto lookup = std::make_shared<Lookup>();
    try {
        std::thread([lookup, host] {
            addrinfo hints{};
            hints.ai_family = AF_INET;
            hints.ai_socktype = SOCK_STREAM;
            addrinfo* list = nullptr;
            const int rc = getaddrinfo(host.c_str(), nullptr, &hints, &list);
            std::lock_guard<std::mutex> lock(lookup->m);
            if (rc == 0 && list && list->ai_addr && list->ai_family == AF_INET) {
                lookup->address = reinterpret_cast<const sockaddr_in*>(list->ai_addr)->sin_addr;
                lookup->found = true;
            }
            if (list)
                freeaddrinfo(list);
            lookup->done = true;
            lookup->cv.notify_all();
        }).detach();
    } catch (const std::exception&) {
        return false;
    }
    std::unique_lock<std::mutex> lock(lookup->m);
    if (!lookup->cv.wait_until(lock, deadline, [&] { return lookup->done; }))
        return false;
    if (!lookup->found)
        return false;
    out = lookup->address;
    return true;
}

} // namespace

ServerConnection::~ServerConnection()
{
    if (sock.load() >= 0)
        Close();
    if (descriptor >= 0)
        ::close(descriptor);
}

void ServerConnection::Close()
{
    const int fd = sock.exchange(-1);
    if (fd < 0)
        return;
    closedByUs.store(true);
    // Shutting down wakes a receive thread blocked on this socket and sends
    // the peer its end of stream; the number itself is released by the
    // destructor, once no thread can use it any more.
    ::shutdown(fd, SHUT_RDWR);
    lingerPending.store(true);
}

void ServerConnection::Hangup()
{
    const int fd = sock.exchange(-1);
    if (fd < 0)
        return;
    closedByUs.store(true);
    // Also ends a connect still waiting for the handshake: the thread's poll
    // wakes at once.
    ::shutdown(fd, SHUT_RDWR);
}

ssize_t ServerConnection::Recv(void* buffer, size_t size, int flags)
{
    const int fd = sock.load();
    if (fd < 0) {
        errno = EBADF;
        return -1;
    }
    return ::recv(fd, buffer, size, flags);
}

ssize_t ServerConnection::Send(const void* data, size_t length, int flags)
{
    const int fd = sock.load();
    if (fd < 0) {
        errno = EBADF;
        return -1;
    }
    return ::send(fd, data, length, flags | MSG_NOSIGNAL);
}

bool ServerConnection::Connect(const sockaddr* address, socklen_t addressLength)
{
    const int fd = sock.load();
    if (fd < 0) {
        errno = EBADF;
        return false;
    }
    const int flags = ::fcntl(fd, F_GETFL, 0);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0)
        return false;
    const auto deadline = Clock::now() + std::chrono::milliseconds(connectTimeoutMs);
    int error = 0;
    if (::connect(fd, address, addressLength) != 0) {
        error = errno;
        if (error == EINPROGRESS || error == EINTR) {
            error = ETIMEDOUT;
            for (;;) {
                pollfd p{fd, POLLOUT, 0};
                const int ready = ::poll(&p, 1, MsUntil(deadline));
                if (ready < 0 && errno == EINTR)
                    continue;
                if (ready > 0) {
                    socklen_t len = sizeof error;
                    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) != 0)
                        error = errno;
                    // A reset here means the handshake completed and the peer
                    // hung up at once: that is a connection that has already
                    // ended, which the receive loop reports like any other end.
                    if (error == ECONNRESET)
                        error = 0;
                }
                break;
            }
        }
    }
    ::fcntl(fd, F_SETFL, flags);
    if (error != 0) {
        errno = error;
        return false;
    }
    return true;
}

bool ServerConnection::Create()
{
    if (sock.load() >= 0 || descriptor >= 0)
        return false;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    descriptor = fd;
    sock.store(fd);
    return true;
}

bool ServerConnection::BindAny()
{
    const int fd = sock.load();
    if (fd < 0) {
        errno = EBADF;
        return false;
    }
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = 0;
    return ::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0;
}

bool ServerConnection::ConnectTo(const std::u16string& host, uint16_t port)
{
    const std::string text = WideToUtf8(host);
    const auto deadline = Clock::now() + std::chrono::milliseconds(connectTimeoutMs);
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_port = htons(port);
    if (::inet_aton(text.c_str(), &remote.sin_addr) == 0) {
        // Not dotted text: look it up as a name. An empty name, or one with
        // a zero byte inside, names no host.
        if (text.empty() || text.find('\0') != std::string::npos || !ResolveIpv4(text, deadline, remote.sin_addr)) {
            errno = EINVAL;
            return false;
        }
    }
    const int saved = connectTimeoutMs;
    connectTimeoutMs = std::max(1, MsUntil(deadline));
    const bool ok = Connect(reinterpret_cast<const sockaddr*>(&remote), sizeof remote);
    const int error = errno;
    connectTimeoutMs = saved;
    errno = error;
    return ok;
}

void ServerConnection::SetMaxFrameLength(int32_t bound)
{
    std::lock_guard<std::mutex> lock(rxMutex);
    maxFrameLength = bound;
    rxData.SetMaxFrameLength(bound);
}

void ServerConnection::EnableKeepalive()
{
    const int fd = sock.load();
    if (fd < 0)
        return;
    const int on = 1, idle = kKeepaliveIdleSeconds, interval = kKeepaliveIntervalSeconds, count = kKeepaliveProbes;
    ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
}

void ServerConnection::SetBufferSizes()
{
    const int fd = sock.load();
    if (fd < 0)
        return;
    const int size = kSocketBufferSize;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
}

bool ServerConnection::SendPieces(const std::string& bytes)
{
    size_t offset = 0;
    while (offset < bytes.size()) {
        const size_t piece = std::min(kSendPiece, bytes.size() - offset);
        size_t sent = 0;
        while (sent < piece) {
            const ssize_t n = Send(bytes.data() + offset + sent, piece - sent, 0);
            if (n < 0 && errno == EINTR)
                continue;
            // Sending more after a hole would hand the peer a garbled frame;
            // the request is lost instead.
            if (n <= 0)
                return false;
            sent += size_t(n);
        }
        offset += piece;
        if (offset < bytes.size())
            PauseMs(kLoopPauseMs);
    }
    return true;
}

bool ServerConnection::SendMessage(const ServerMessage& message)
{
    const std::string frame = MessageFrame::Encode(message.ToJsonText(), message.Attachment());
    if (frame.empty())
        return false;
    return SendPieces(frame);
}

void ServerConnection::AppendReceived(const char* data, size_t length)
{
    std::lock_guard<std::mutex> lock(rxMutex);
    rxData.Append(data, length);
}

size_t ServerConnection::BufferedLength() const
{
    std::lock_guard<std::mutex> lock(rxMutex);
    return rxData.Length();
}

int ServerConnection::ProcessReceived()
{
    {
        std::lock_guard<std::mutex> lock(rxMutex);
        if (rxData.Length() == 0)
            return 0;
    }
    std::string frame;
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(rxMutex);
            switch (rxData.TakeFrame(frame)) {
            case FrameBuffer::Cut::Incomplete: return -1;
            case FrameBuffer::Cut::Broken:
                brokenLength = rxData.PeekLength();
                rxData.Clear();
                return kDropConnection;
            case FrameBuffer::Cut::Frame: break;
            }
        }
        // Once the connection is closed (its reply was handled), whatever
        // else the peer sent with it is not a reply to anything.
        if (closedByUs.load())
            return 0;
        MessageFrame decoded;
        if (!MessageFrame::Decode(frame.data(), frame.size(), decoded))
            continue; // too short, or an attachment length out of range
        ServerMessage message;
        message.FromJsonText(decoded.jsonText);
        if (decoded.attachmentLength > 0)
            message.SetAttachment(std::move(decoded.attachment));
        if (!NotifyMessage(message))
            return 0;
    }
}

int32_t ServerConnection::BrokenFrameLength() const
{
    std::lock_guard<std::mutex> lock(rxMutex);
    return brokenLength;
}

void ServerConnection::SetProcessor(MessageProcessor* p)
{
    std::lock_guard<std::recursive_mutex> lock(callMutex);
    processor.store(p);
}

bool ServerConnection::NotifyMessage(ServerMessage& message)
{
    {
        std::lock_guard<std::recursive_mutex> lock(callMutex);
        MessageProcessor* p = processor.load();
        if (!p)
            return false;
        p->OnSocketMessage(descriptor, message);
    }
    if (lingerPending.exchange(false))
        PauseMs(kClosePauseMs);
    return true;
}

void ServerConnection::NotifyFault(SocketFault fault, const std::string& detail)
{
    std::lock_guard<std::recursive_mutex> lock(callMutex);
    if (MessageProcessor* p = processor.load())
        p->OnSocketFault(descriptor, fault, detail);
}

void ServerConnection::NotifyClosed()
{
    std::lock_guard<std::recursive_mutex> lock(callMutex);
    if (MessageProcessor* p = processor.load())
        p->OnSocketClosed(descriptor);
}

void ServerConnection::MarkThreadStarted()
{
    std::lock_guard<std::mutex> lock(finishMutex);
    threadRunning = true;
}

void ServerConnection::MarkThreadFinished()
{
    std::lock_guard<std::mutex> lock(finishMutex);
    threadRunning = false;
    finishCv.notify_all();
}

bool ServerConnection::WaitFinished(int ms)
{
    std::unique_lock<std::mutex> lock(finishMutex);
    return finishCv.wait_for(lock, std::chrono::milliseconds(ms), [this] { return !threadRunning; });
}

bool ServerConnection::StartReceiveThread(const std::shared_ptr<ServerConnection>& socket)
{
    socket->MarkThreadStarted();
    try {
        std::thread(&ServerConnection::ReceiveLoop, socket).detach();
    } catch (const std::exception&) {
        socket->MarkThreadFinished();
        return false;
    }
    return true;
}

void ServerConnection::ReceiveLoop(std::shared_ptr<ServerConnection> self)
{
    Receive(self, Clock::time_point{});
    self->MarkThreadFinished();
}

bool ServerConnection::StartRequest(const std::shared_ptr<ServerConnection>& socket, const std::u16string& host,
                                    uint16_t port, std::string frame)
{
    socket->MarkThreadStarted();
    try {
        std::thread([socket, host, port, frame = std::move(frame)] {
            ServerConnection& self = *socket;
            auto giveUp = [&](SocketFault fault, const std::string& detail) {
                self.NotifyFault(fault, detail);
                self.Hangup();
                self.NotifyClosed();
                self.MarkThreadFinished();
            };
            if (!self.ConnectTo(host, port)) {
                const int error = errno;
                giveUp(SocketFault::ConnectFailed, std::string("connect: ") + std::strerror(error));
                return;
            }
            self.SetBufferSizes();
            self.EnableKeepalive();
            if (!frame.empty() && !self.SendPieces(frame)) {
                const int error = errno;
                giveUp(SocketFault::SendFailed, std::string("send: ") + std::strerror(error));
                return;
            }
            const Clock::time_point deadline = self.replyTimeoutMs > 0
                                                   ? Clock::now() + std::chrono::milliseconds(self.replyTimeoutMs)
                                                   : Clock::time_point{};
            Receive(socket, deadline);
            self.MarkThreadFinished();
        }).detach();
    } catch (const std::exception&) {
        socket->MarkThreadFinished();
        return false;
    }
    return true;
}

void ServerConnection::Receive(const std::shared_ptr<ServerConnection>& self, Clock::time_point deadline)
{
    if (self->Handle() < 0) {
        self->NotifyClosed();
        return;
    }
    const bool timed = deadline != Clock::time_point{};
    std::vector<char> chunk(kRecvChunk);
    for (;;) {
        if (timed) {
            // The deadline is fixed when the request goes out: bytes that
            // trickle in do not extend it.
            pollfd p{self->descriptor, POLLIN, 0};
            const int left = MsUntil(deadline);
            const int ready = left > 0 ? ::poll(&p, 1, left) : 0;
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready == 0) {
                self->NotifyFault(SocketFault::ReplyTimedOut,
                                  "no whole reply within " + std::to_string(self->replyTimeoutMs) + " ms");
                self->Hangup();
                self->NotifyClosed();
                return;
            }
        }
        errno = 0;
        const ssize_t n = self->Recv(chunk.data(), chunk.size(), 0);
        if (n > 0) {
            self->AppendReceived(chunk.data(), size_t(n));
            if (self->ProcessReceived() == kDropConnection) {
                const int32_t announced = self->BrokenFrameLength();
                if (announced > 0)
                    self->NotifyFault(SocketFault::FrameTooLarge, "reply frame of " + std::to_string(announced) +
                                                                      " bytes refused (limit " +
                                                                      std::to_string(self->maxFrameLength) + ")");
                else
                    self->NotifyFault(SocketFault::BrokenStream,
                                      "reply frame with impossible length " + std::to_string(announced));
                self->Close();
                self->NotifyClosed();
                return;
            }
            PauseMs(kLoopPauseMs);
            continue;
        }
        // A signal interrupted the wait; the connection is fine.
        if (n < 0 && errno == EINTR)
            continue;
        // End of stream, a reset, or the owner closed the socket: either way
        // nothing more will arrive. The processor releases the object inside
        // the call; our reference keeps it alive until we return.
        self->NotifyClosed();
        return;
    }
}
