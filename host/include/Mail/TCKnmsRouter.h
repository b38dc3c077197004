#pragma once
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <sys/types.h>

#pragma GCC visibility push(default)

// Settings of the mail router.
struct TCKnmsRouterConfig {
    std::string socketPath;
    // A frame whose first byte came must be complete within this time.
    int stallTimeoutMs = 5000;
    // Peers of other users are accepted when their primary group is this one; -1: none.
    long allowedGroup = -1;
    // Replies and mails waiting for one slow reader; beyond this its connection is closed.
    size_t maxQueuedBytesPerPeer = 64u << 20;
    // Where refused peers and broken connections are reported; empty: stderr.
    std::function<void(const std::string&)> log;
};

// The mail router: accepts the services and clients of this unit on a Unix-domain socket and passes
// mails between them (see docs/mail-router.md). One thread of its own; nothing a peer sends can stop it.
class TCKnmsRouter {
public:
    static constexpr size_t MAX_FRAME_BYTES = 8u << 20;

    explicit TCKnmsRouter(TCKnmsRouterConfig config);
    ~TCKnmsRouter();
    TCKnmsRouter(const TCKnmsRouter&) = delete;
    TCKnmsRouter& operator=(const TCKnmsRouter&) = delete;

    // Makes the socket's directory (0700, or 0710 with the allowed group), the socket (0600 or 0660) and
    // starts serving. Throws TCException when the socket cannot be made or another router serves it.
    void Start();
    // Closes every connection and removes the socket. Also done by the destructor.
    void Stop();

    // Whether a peer with these credentials may use the router of a process running as ownUid.
    static bool IsPeerAllowed(uid_t peerUid, gid_t peerGid, uid_t ownUid, long allowedGroup);

private:
    class Impl;
    std::unique_ptr<Impl> m_Impl;
};

#pragma GCC visibility pop
