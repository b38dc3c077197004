#include "support/TestClient.h"

#include <boost/asio/connect.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/write.hpp>

#include <stdexcept>

namespace WebTest {

namespace beast = boost::beast;
namespace net = boost::asio;

Outgoing makeRequest(http::verb method, const std::string& target, const std::string& body) {
    Outgoing request{method, target, 11};
    request.set(http::field::host, "127.0.0.1");
    request.body() = body;
    request.prepare_payload();
    return request;
}

TestClient::TestClient(std::uint16_t port, bool tls) {
    const net::ip::tcp::endpoint endpoint(net::ip::make_address("127.0.0.1"), port);
    if (tls) {
        m_TlsContext.set_verify_mode(net::ssl::verify_none);
        m_Tls = std::make_unique<beast::ssl_stream<beast::tcp_stream>>(m_Io, m_TlsContext);
        beast::get_lowest_layer(*m_Tls).connect(endpoint);
        run([this](auto done) {
            beast::get_lowest_layer(*m_Tls).expires_after(deadline);
            m_Tls->async_handshake(net::ssl::stream_base::client, done);
        });
    } else {
        m_Plain = std::make_unique<beast::tcp_stream>(m_Io);
        m_Plain->connect(endpoint);
    }
}

TestClient::~TestClient() = default;

// Starts `operation` with a completion handler, runs it to the end and throws its error, if any.
template <class Operation> void TestClient::run(Operation&& operation) {
    beast::error_code result;
    operation([&result](beast::error_code ec, auto&&...) { result = ec; });
    m_Io.restart();
    m_Io.run();
    if (result) throw beast::system_error(result);
}

void TestClient::write(Outgoing request) {
    run([&](auto done) {
        if (m_Tls) {
            beast::get_lowest_layer(*m_Tls).expires_after(deadline);
            http::async_write(*m_Tls, request, done);
        } else {
            m_Plain->expires_after(deadline);
            http::async_write(*m_Plain, request, done);
        }
    });
}

void TestClient::writeRaw(const std::string& bytes) {
    run([&](auto done) {
        if (m_Tls) {
            beast::get_lowest_layer(*m_Tls).expires_after(deadline);
            net::async_write(*m_Tls, net::buffer(bytes), done);
        } else {
            m_Plain->expires_after(deadline);
            net::async_write(*m_Plain, net::buffer(bytes), done);
        }
    });
}

Reply TestClient::read() {
    Reply reply;
    run([&](auto done) {
        if (m_Tls) {
            beast::get_lowest_layer(*m_Tls).expires_after(deadline);
            http::async_read(*m_Tls, m_Buffer, reply, done);
        } else {
            m_Plain->expires_after(deadline);
            http::async_read(*m_Plain, m_Buffer, reply, done);
        }
    });
    return reply;
}

Reply TestClient::send(Outgoing request) {
    write(std::move(request));
    return read();
}

bool TestClient::waitForClose(std::chrono::milliseconds timeout) {
    char byte = 0;
    beast::error_code result;
    std::size_t received = 0;
    auto done = [&](beast::error_code ec, std::size_t n) {
        result = ec;
        received = n;
    };
    if (m_Tls) {
        beast::get_lowest_layer(*m_Tls).expires_after(timeout);
        m_Tls->async_read_some(net::buffer(&byte, 1), done);
    } else {
        m_Plain->expires_after(timeout);
        m_Plain->async_read_some(net::buffer(&byte, 1), done);
    }
    m_Io.restart();
    m_Io.run();
    if (received > 0 || result == beast::error::timeout) return false;
    return result == net::error::eof || result == net::error::connection_reset ||
           result == net::ssl::error::stream_truncated;
}

} // namespace WebTest
