#include "Web/Server.h"

#include "Listener.h"
#include "ServerState.h"
#include "Web/Resource.h"

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/address.hpp>
#include <boost/asio/ssl/context.hpp>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>
#include <vector>

namespace Web {

namespace net = boost::asio;
using Detail::Listener;
using Detail::ServerState;

namespace {

std::shared_ptr<net::ssl::context> makeTlsContext(const ServerConfig& config) {
    auto context = std::make_shared<net::ssl::context>(net::ssl::context::tls_server);
    context->set_options(net::ssl::context::default_workarounds | net::ssl::context::no_sslv2 |
                         net::ssl::context::no_sslv3 | net::ssl::context::no_tlsv1 |
                         net::ssl::context::no_tlsv1_1);
    try {
        context->use_certificate_chain_file(config.certificateFile);
        context->use_private_key_file(config.privateKeyFile, net::ssl::context::pem);
    } catch (const boost::system::system_error& e) {
        throw std::runtime_error("cannot load HTTPS certificate '" + config.certificateFile + "' and key '" +
                                 config.privateKeyFile + "': " + e.what());
    }
    return context;
}

std::shared_ptr<Listener> makeListener(net::io_context& io, const ListenerConfig& listener, const char* kind,
                                       std::shared_ptr<ServerState> state,
                                       std::shared_ptr<net::ssl::context> tlsContext) {
    const std::string where = listener.address + ":" + std::to_string(listener.port);
    boost::system::error_code ec;
    auto address = net::ip::make_address(listener.address, ec);
    if (ec)
        throw std::runtime_error(std::string("invalid ") + kind + " listen address '" + listener.address +
                                 "'");
    try {
        return std::make_shared<Listener>(io, net::ip::tcp::endpoint(address, listener.port),
                                          std::move(state), std::move(tlsContext));
    } catch (const boost::system::system_error& e) {
        throw std::runtime_error(std::string("cannot listen for ") + kind + " on " + where + ": " +
                                 e.code().message());
    }
}

} // namespace

class Server::Impl {
public:
    explicit Impl(ServerConfig config) : m_State(std::make_shared<ServerState>(std::move(config))) {}

    ~Impl() {
        try {
            stop();
        } catch (const std::exception& e) {
            m_State->log(std::string("stopping the web server failed: ") + e.what());
        }
    }

    void addResource(std::shared_ptr<Resource> resource, const std::string& mountPath) {
        std::lock_guard lock(m_LifecycleMutex);
        if (m_Lifecycle != Lifecycle::Created)
            throw std::logic_error("resources must be added before start()");
        m_State->resources.add(std::move(resource), mountPath);
    }

    void start() {
        std::lock_guard lock(m_LifecycleMutex);
        if (m_Lifecycle != Lifecycle::Created) throw std::logic_error("a web server starts only once");
        const ServerConfig& config = m_State->config;
        const unsigned threads = std::max(1u, config.workerThreads);
        m_Io = std::make_unique<net::io_context>(static_cast<int>(threads));

        try {
            if (config.http.enabled) {
                m_Listeners.push_back(makeListener(*m_Io, config.http, "HTTP", m_State, nullptr));
                m_HttpPort = m_Listeners.back()->port();
            }
            if (config.https.enabled) {
                m_Listeners.push_back(
                    makeListener(*m_Io, config.https, "HTTPS", m_State, makeTlsContext(config)));
                m_HttpsPort = m_Listeners.back()->port();
            }
        } catch (...) {
            // Release what was bound so that a later start() can try again.
            m_Listeners.clear();
            m_Io.reset();
            m_HttpPort = 0;
            m_HttpsPort = 0;
            throw;
        }

        m_Work.emplace(net::make_work_guard(*m_Io));
        for (const auto& listener : m_Listeners)
            listener->start();
        m_Lifecycle = Lifecycle::Running;
        try {
            for (unsigned i = 0; i < threads; ++i)
                m_Workers.emplace_back([this] { runWorker(); });
        } catch (...) {
            shutDown();
            throw;
        }
    }

    void stop() {
        std::lock_guard lock(m_LifecycleMutex);
        if (m_Lifecycle != Lifecycle::Running) {
            m_Lifecycle = Lifecycle::Stopped;
            return;
        }
        const auto self = std::this_thread::get_id();
        for (const auto& worker : m_Workers)
            if (worker.get_id() == self)
                throw std::logic_error("the web server cannot be stopped from one of its own workers");
        shutDown();
    }

    std::uint16_t httpPort() const { return m_HttpPort; }
    std::uint16_t httpsPort() const { return m_HttpsPort; }

private:
    enum class Lifecycle { Created, Running, Stopped };

    void runWorker() {
        for (;;) {
            try {
                m_Io->run();
                return;
            } catch (const std::exception& e) {
                m_State->log(std::string("web server worker caught: ") + e.what());
            }
        }
    }

    // Called with m_LifecycleMutex held.
    void shutDown() {
        m_State->stopping = true;
        for (const auto& listener : m_Listeners)
            listener->stop();
        m_State->connections.requestStopAll();
        if (!m_State->connections.waitUntilEmpty(m_State->config.stopTimeout))
            m_State->log("web server stopped with " + std::to_string(m_State->connections.count()) +
                         " connection(s) still open");
        m_Work.reset();
        // Workers still inside a handler finish that call; nothing after it runs.
        m_Io->stop();
        for (auto& worker : m_Workers)
            worker.join();
        m_Workers.clear();
        m_Listeners.clear();
        // Destroys the handlers that never ran, and with them the remaining connections.
        m_Io.reset();
        m_Lifecycle = Lifecycle::Stopped;
    }

    std::shared_ptr<ServerState> m_State;
    std::mutex m_LifecycleMutex;
    Lifecycle m_Lifecycle = Lifecycle::Created;
    std::unique_ptr<net::io_context> m_Io;
    std::optional<net::executor_work_guard<net::io_context::executor_type>> m_Work;
    std::vector<std::shared_ptr<Listener>> m_Listeners;
    std::vector<std::thread> m_Workers;
    std::atomic<std::uint16_t> m_HttpPort{0};
    std::atomic<std::uint16_t> m_HttpsPort{0};
};

Server::Server(ServerConfig config) : m_Impl(std::make_unique<Impl>(std::move(config))) {}

Server::~Server() = default;

void Server::addResource(std::shared_ptr<Resource> resource, const std::string& mountPath) {
    m_Impl->addResource(std::move(resource), mountPath);
}

void Server::start() {
    m_Impl->start();
}

void Server::stop() {
    m_Impl->stop();
}

std::uint16_t Server::httpPort() const {
    return m_Impl->httpPort();
}

std::uint16_t Server::httpsPort() const {
    return m_Impl->httpsPort();
}

} // namespace Web
