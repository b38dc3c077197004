#pragma once
#include "Web/ServerConfig.h"

#include <cstdint>
#include <memory>
#include <string>

#pragma GCC visibility push(default)

namespace Web {

class Resource;

// Embedded HTTP/HTTPS server. Resources are mounted before start(); a worker pool then serves them.
class Server {
public:
    explicit Server(ServerConfig config);
    ~Server(); // stops
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // The resource receives every request whose path begins with `mountPath`, compared byte by byte:
    // "/api" also receives "/api2" and "/api/v1". The longest matching mount wins. Only before start().
    void addResource(std::shared_ptr<Resource> resource, const std::string& mountPath);

    // Binds the listeners and starts the workers. Throws std::runtime_error when a listener cannot be set
    // up (address in use, bad certificate). A server starts once.
    void start();
    // Stops accepting, lets requests being handled finish (up to stopTimeout), then joins the workers.
    // Safe to call from any thread except a worker (i.e. not from inside handleRequest), and more than once.
    void stop();

    // Bound ports, valid after start(); 0 for a disabled listener.
    std::uint16_t httpPort() const;
    std::uint16_t httpsPort() const;

private:
    class Impl;
    std::unique_ptr<Impl> m_Impl;
};

} // namespace Web

#pragma GCC visibility pop
