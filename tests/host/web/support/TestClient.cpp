#include "support/TestClient.h"

#include <boost/beast/http/read.hpp>
#include <boost/beast/http/write.hpp>

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
            withStream([&](auto&) { m_Tls->async_handshake(net::ssl::stream_base::client, done); });
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

// Calls `use` with the connection's stream after setting its deadline.
template <class Use> void TestClient::withStream(Use&& use, std::chrono::milliseconds timeout) {
    if (m_Tls) {
        beast::get_lowest_layer(*m_Tls).expires_after(timeout);
        use(*m_Tls);
    } else {
        m_Plain->expires_after(timeout);
        use(*m_Plain);
    }
}

void TestClient::write(Outgoing request) {
    run([&](auto done) { withStream([&](auto& stream) { http::async_write(stream, request, done); }); });
}

void TestClient::writeRaw(const std::string& bytes) {
    run([&](auto done) {
        withStream([&](auto& stream) { net::async_write(stream, net::buffer(bytes), done); });
    });
}

Reply TestClient::read() {
    Reply reply;
    run([&](auto done) {
        withStream([&](auto& stream) { http::async_read(stream, m_Buffer, reply, done); });
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
    withStream(
        [&](auto& stream) {
            stream.async_read_some(net::buffer(&byte, 1), [&](beast::error_code ec, std::size_t n) {
                result = ec;
                received = n;
            });
        },
        timeout);
    m_Io.restart();
    m_Io.run();
    if (received > 0 || result == beast::error::timeout) return false;
    return result == net::error::eof || result == net::error::connection_reset ||
           result == net::ssl::error::stream_truncated;
}

} // namespace WebTest
