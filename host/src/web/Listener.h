#pragma once
#include "ServerState.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl/context.hpp>
#include <boost/asio/steady_timer.hpp>

#include <cstdint>
#include <memory>

namespace Web::Detail {

// Accepts connections on one address and starts a session for each, over TLS when given a TLS context.
class Listener : public std::enable_shared_from_this<Listener> {
public:
    // Binds and listens right away; throws boost::system::system_error when it cannot.
    Listener(boost::asio::io_context& io, const boost::asio::ip::tcp::endpoint& endpoint,
             std::shared_ptr<ServerState> state, std::shared_ptr<boost::asio::ssl::context> tlsContext);

    std::uint16_t port() const { return m_Port; }
    void start();
    // Thread-safe; the pending accept ends and no further connection is taken.
    void stop();

private:
    void accept();
    void onAccept(boost::system::error_code ec, boost::asio::ip::tcp::socket socket);
    void startSession(boost::asio::ip::tcp::socket socket);

    boost::asio::io_context& m_Io;
    boost::asio::ip::tcp::acceptor m_Acceptor;
    boost::asio::steady_timer m_RetryTimer;
    std::shared_ptr<ServerState> m_State;
    std::shared_ptr<boost::asio::ssl::context> m_TlsContext;
    std::uint16_t m_Port = 0;
};

} // namespace Web::Detail
