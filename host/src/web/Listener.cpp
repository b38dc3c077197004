#include "Listener.h"

#include "Session.h"

#include <boost/asio/strand.hpp>

#include <chrono>

namespace Web::Detail {

namespace net = boost::asio;
using net::ip::tcp;

namespace {

std::string peerAddress(const tcp::socket& socket, boost::system::error_code& ec) {
    auto address = socket.remote_endpoint(ec).address();
    // A dual-stack listener sees IPv4 clients as ::ffff:a.b.c.d; report them as plain IPv4.
    if (address.is_v6() && address.to_v6().is_v4_mapped())
        return net::ip::make_address_v4(net::ip::v4_mapped, address.to_v6()).to_string();
    return address.to_string();
}

} // namespace

Listener::Listener(net::io_context& io, const tcp::endpoint& endpoint, std::shared_ptr<ServerState> state,
                   std::shared_ptr<net::ssl::context> tlsContext)
    : m_Io(io), m_Acceptor(net::make_strand(io)), m_RetryTimer(m_Acceptor.get_executor()),
      m_State(std::move(state)), m_TlsContext(std::move(tlsContext)) {
    m_Acceptor.open(endpoint.protocol());
    m_Acceptor.set_option(net::socket_base::reuse_address(true));
    m_Acceptor.bind(endpoint);
    m_Acceptor.listen(net::socket_base::max_listen_connections);
    m_Port = m_Acceptor.local_endpoint().port();
}

void Listener::start() {
    net::dispatch(m_Acceptor.get_executor(), [self = shared_from_this()] { self->accept(); });
}

void Listener::stop() {
    net::post(m_Acceptor.get_executor(), [self = shared_from_this()] {
        boost::system::error_code ignored;
        self->m_RetryTimer.cancel();
        self->m_Acceptor.close(ignored);
    });
}

void Listener::accept() {
    if (!m_Acceptor.is_open()) return;
    // Each connection gets its own strand, so its handlers never run concurrently.
    m_Acceptor.async_accept(net::make_strand(m_Io),
                            [self = shared_from_this()](boost::system::error_code ec, tcp::socket socket) {
                                self->onAccept(ec, std::move(socket));
                            });
}

void Listener::onAccept(boost::system::error_code ec, tcp::socket socket) {
    if (ec == net::error::operation_aborted || !m_Acceptor.is_open()) return;
    if (ec) {
        // Typically out of file descriptors: pause instead of spinning on the same error.
        m_State->log("accepting a connection failed: " + ec.message());
        m_RetryTimer.expires_after(std::chrono::milliseconds(100));
        m_RetryTimer.async_wait([self = shared_from_this()](boost::system::error_code waitError) {
            if (!waitError) self->accept();
        });
        return;
    }
    startSession(std::move(socket));
    accept();
}

void Listener::startSession(tcp::socket socket) {
    if (m_State->stopping) return;
    ConnectionSlot slot = m_State->connections.tryAdd(m_State->config.maxConnections);
    if (!slot) return; // over the limit: the socket closes as it goes out of scope
    boost::system::error_code ec;
    std::string clientAddress = peerAddress(socket, ec);
    if (ec) return; // the client is already gone

    auto transport = m_TlsContext ? makeTlsTransport(std::move(socket), m_TlsContext)
                                  : makePlainTransport(std::move(socket));
    std::make_shared<Session>(std::move(transport), m_State, std::move(slot), std::move(clientAddress))
        ->start();
}

} // namespace Web::Detail
