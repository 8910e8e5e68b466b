#pragma once
// The receiver of socket events. The transport calls it on the connection's
// receive thread; an implementation takes its own lock.

#include <string>

class ServerMessage;

// Why the transport gave up on a connection before its reply was complete.
enum class SocketFault {
    ConnectFailed, // no connection within the connect time-out (or refused)
    SendFailed,    // the request could not be sent whole
    ReplyTimedOut, // no whole reply within the reply time-out
    FrameTooLarge, // the peer announced a frame beyond the receiver's bound
    BrokenStream,  // the peer announced a frame length of zero or less
};

class MessageProcessor {
public:
    virtual ~MessageProcessor() = default;
    // The connection identified by `sock` has ended.
    virtual void OnSocketClosed(int sock) { (void)sock; }
    // A complete, decoded message arrived on that connection.
    virtual void OnSocketMessage(int sock, ServerMessage& message)
    {
        (void)sock;
        (void)message;
    }
    // The transport gave up on that connection; OnSocketClosed follows.
    // `detail` says what happened, in words for a log line.
    virtual void OnSocketFault(int sock, SocketFault fault, const std::string& detail)
    {
        (void)sock;
        (void)fault;
        (void)detail;
    }
};
