#pragma once
// A blocking HTTP(S) client for the server tests. Every operation has a deadline, so a faulty server makes
// a test fail instead of hang.
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl/context.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/message.hpp>
#include <boost/beast/http/string_body.hpp>
#include <boost/beast/ssl/ssl_stream.hpp>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

namespace WebTest {

namespace http = boost::beast::http;
using Reply = http::response<http::string_body>;
using Outgoing = http::request<http::string_body>;

// A request to send; Content-Length follows the body.
Outgoing makeRequest(http::verb method, const std::string& target, const std::string& body = std::string());

class TestClient {
public:
    static constexpr std::chrono::seconds deadline{10};

    // Connects to 127.0.0.1:port; with `tls`, completes a TLS handshake without verifying the server.
    TestClient(std::uint16_t port, bool tls = false);
    ~TestClient();

    Reply send(Outgoing request);
    void write(Outgoing request);
    void writeRaw(const std::string& bytes);
    Reply read();
    // True when the server closes the connection within `timeout`; false when data arrives or time runs out.
    bool waitForClose(std::chrono::milliseconds timeout = deadline);

private:
    template <class Operation> void run(Operation&& operation);
    template <class Use> void withStream(Use&& use, std::chrono::milliseconds timeout = deadline);

    boost::asio::io_context m_Io;
    boost::asio::ssl::context m_TlsContext{boost::asio::ssl::context::tls_client};
    std::unique_ptr<boost::beast::tcp_stream> m_Plain;
    std::unique_ptr<boost::beast::ssl_stream<boost::beast::tcp_stream>> m_Tls;
    boost::beast::flat_buffer m_Buffer;
};

} // namespace WebTest
