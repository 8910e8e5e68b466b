#pragma once
// The receiver of socket events. The transport calls it on the connection's
// receive thread; an implementation takes its own lock.

class ServerMessage;

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
    // Two further hooks of the same shapes; the kiosk never calls them.
    virtual void OnSocketEvent(int sock) { (void)sock; }
    virtual void OnSocketEventMessage(int sock, ServerMessage& message)
    {
        (void)sock;
        (void)message;
    }
};
