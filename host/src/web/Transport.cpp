#include "Transport.h"

#include <boost/beast/ssl/ssl_stream.hpp>

namespace Web::Detail {

namespace {

// The one instantiation of the TCP stream's reads and writes, shared by plain connections and the TLS layer.
void tcpReadSome(beast::tcp_stream& stream, net::mutable_buffer buffer, IoHandler handler) {
    stream.async_read_some(buffer, std::move(handler));
}

void tcpWriteSome(beast::tcp_stream& stream, ConstBufferSpan buffers, IoHandler handler) {
    stream.async_write_some(buffers, std::move(handler));
}

// The TCP stream as the next layer of a TLS stream, taking the TLS operations' handlers as IoHandler.
class TcpLayer {
public:
    using executor_type = beast::tcp_stream::executor_type;
    using lowest_layer_type = TcpLayer;

    explicit TcpLayer(net::ip::tcp::socket socket) : m_Stream(std::move(socket)) {}

    executor_type get_executor() { return m_Stream.get_executor(); }
    TcpLayer& lowest_layer() { return *this; }
    beast::tcp_stream& tcp() { return m_Stream; }

    template <class MutableBuffers, class Handler>
    void async_read_some(const MutableBuffers& buffers, Handler&& handler) {
        tcpReadSome(m_Stream, buffers, IoHandler(std::forward<Handler>(handler)));
    }
    template <class ConstBuffers, class Handler>
    void async_write_some(const ConstBuffers& buffers, Handler&& handler) {
        // The TLS stream writes one buffer at a time; it must outlive the write.
        m_Output = buffers;
        tcpWriteSome(m_Stream, ConstBufferSpan{&m_Output, &m_Output + 1},
                     IoHandler(std::forward<Handler>(handler)));
    }

private:
    beast::tcp_stream m_Stream;
    net::const_buffer m_Output;
};

class PlainTransport final : public Transport {
public:
    explicit PlainTransport(net::ip::tcp::socket socket) : m_Stream(std::move(socket)) {}

    beast::tcp_stream& tcp() override { return m_Stream; }
    bool isTls() const override { return false; }
    void asyncHandshake(IoHandler handler) override { handler({}, 0); }
    void asyncShutdown(IoHandler handler) override {
        beast::error_code ignored;
        m_Stream.socket().shutdown(net::ip::tcp::socket::shutdown_send, ignored);
        handler({}, 0);
    }

protected:
    void readSome(net::mutable_buffer buffer, IoHandler handler) override {
        tcpReadSome(m_Stream, buffer, std::move(handler));
    }
    void writeSome(ConstBufferSpan buffers, IoHandler handler) override {
        tcpWriteSome(m_Stream, buffers, std::move(handler));
    }

private:
    beast::tcp_stream m_Stream;
};

class TlsTransport final : public Transport {
public:
    TlsTransport(net::ip::tcp::socket socket, std::shared_ptr<net::ssl::context> context)
        : m_Context(std::move(context)), m_Stream(std::move(socket), *m_Context) {}

    beast::tcp_stream& tcp() override { return m_Stream.next_layer().tcp(); }
    bool isTls() const override { return true; }
    void asyncHandshake(IoHandler handler) override {
        m_Stream.async_handshake(
            net::ssl::stream_base::server,
            [handler = std::move(handler)](beast::error_code ec) mutable { handler(ec, 0); });
    }
    void asyncShutdown(IoHandler handler) override {
        m_Stream.async_shutdown(
            [handler = std::move(handler)](beast::error_code ec) mutable { handler(ec, 0); });
    }

protected:
    void readSome(net::mutable_buffer buffer, IoHandler handler) override {
        m_Stream.async_read_some(buffer, std::move(handler));
    }
    void writeSome(ConstBufferSpan buffers, IoHandler handler) override {
        m_Stream.async_write_some(buffers, std::move(handler));
    }

private:
    std::shared_ptr<net::ssl::context> m_Context; // the stream is made from it
    beast::ssl_stream<TcpLayer> m_Stream;
};

} // namespace

std::unique_ptr<Transport> makePlainTransport(net::ip::tcp::socket socket) {
    return std::make_unique<PlainTransport>(std::move(socket));
}

std::unique_ptr<Transport> makeTlsTransport(net::ip::tcp::socket socket,
                                            std::shared_ptr<net::ssl::context> context) {
    return std::make_unique<TlsTransport>(std::move(socket), std::move(context));
}

} // namespace Web::Detail
