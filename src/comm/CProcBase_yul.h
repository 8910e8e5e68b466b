#pragma once
// The receiver of socket events. The transport calls it on the connection's
// receive thread; an implementation takes its own lock.

class CommMsg_base;

class CProcBase_yul {
public:
    virtual ~CProcBase_yul() = default;
    // The connection identified by `sock` has ended.
    virtual void OnSocketClosed(int sock) { (void)sock; }
    // A complete, decoded message arrived on that connection.
    virtual void OnSocketMessage(int sock, CommMsg_base& message)
    {
        (void)sock;
        (void)message;
    }
    // Two further hooks of the same shapes; the kiosk never calls them.
    virtual void OnSocketEvent(int sock) { (void)sock; }
    virtual void OnSocketEventMessage(int sock, CommMsg_base& message)
    {
        (void)sock;
        (void)message;
    }
};
