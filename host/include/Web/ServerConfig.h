#pragma once
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#pragma GCC visibility push(default)

namespace Web {

struct ListenerConfig {
    bool enabled = false;
    std::string address = "127.0.0.1";
    // 0 lets the system pick a free port; Server::httpPort()/httpsPort() report it after start().
    std::uint16_t port = 0;
};

struct ServerConfig {
    ListenerConfig http{true, "127.0.0.1", 0};
    ListenerConfig https{false, "127.0.0.1", 0};
    // PEM files for the HTTPS listener (see ensureSelfSignedCertificate).
    std::string certificateFile;
    std::string privateKeyFile;

    unsigned workerThreads = 4;
    std::size_t headerLimit = 16 * 1024;
    std::size_t bodyLimit = 1024 * 1024;
    // How long a client may take to send a request, and how long an idle keep-alive connection stays open.
    std::chrono::milliseconds readTimeout = std::chrono::seconds(30);
    // How long stop() waits for requests in flight before it drops them.
    std::chrono::milliseconds stopTimeout = std::chrono::seconds(5);
    // Connections beyond this are closed as soon as they are accepted.
    std::size_t maxConnections = 512;

    // Receives faults that never reach a client in detail, e.g. a resource that threw. May be empty.
    std::function<void(const std::string&)> errorLog;
};

} // namespace Web

#pragma GCC visibility pop
