#pragma once
#include <boost/asio/buffer.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl/context.hpp>
#include <boost/beast/core/error.hpp>
#include <boost/beast/core/tcp_stream.hpp>

#include <cstddef>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

namespace Web::Detail {

namespace beast = boost::beast;
namespace net = boost::asio;

// A move-only completion handler of any type behind one type, so that the byte transport below takes
// Beast's handlers through virtual functions.
class IoHandler {
public:
    template <class Handler, class = std::enable_if_t<!std::is_same_v<std::decay_t<Handler>, IoHandler>>>
    explicit IoHandler(Handler&& handler)
        : m_Impl(std::make_unique<Model<std::decay_t<Handler>>>(std::forward<Handler>(handler))) {}

    void operator()(beast::error_code ec, std::size_t bytes) {
        auto impl = std::move(m_Impl);
        impl->complete(impl, ec, bytes);
    }

private:
    struct Concept {
        virtual ~Concept() = default;
        // Frees the holder before the call, so that the handler may start the next operation.
        virtual void complete(std::unique_ptr<Concept>& self, beast::error_code ec, std::size_t bytes) = 0;
    };
    template <class Handler> struct Model final : Concept {
        explicit Model(Handler&& h) : handler(std::move(h)) {}
        explicit Model(const Handler& h) : handler(h) {}
        void complete(std::unique_ptr<Concept>& self, beast::error_code ec, std::size_t bytes) override {
            Handler local(std::move(handler));
            self.reset();
            std::move(local)(ec, bytes);
        }
        Handler handler;
    };
    std::unique_ptr<Concept> m_Impl;
};

// A view of buffers owned elsewhere; copying it copies no buffer list.
struct ConstBufferSpan {
    const net::const_buffer* first;
    const net::const_buffer* last;
    const net::const_buffer* begin() const { return first; }
    const net::const_buffer* end() const { return last; }
};

// The byte stream of a connection, plain TCP or TLS over TCP. Beast's HTTP operations are instantiated
// once, over this type; only the reading and writing of bytes differs, behind virtual functions.
class Transport {
public:
    using executor_type = beast::tcp_stream::executor_type;

    virtual ~Transport() = default;

    executor_type get_executor() { return tcp().get_executor(); }
    virtual beast::tcp_stream& tcp() = 0;
    virtual bool isTls() const = 0;
    // The start and the end of the connection: for TLS the handshake and the close_notify exchange; plain
    // TCP has nothing to start and ends by shutting down its sending side, both at once.
    virtual void asyncHandshake(IoHandler handler) = 0;
    virtual void asyncShutdown(IoHandler handler) = 0;

    // The AsyncReadStream and AsyncWriteStream members Beast calls.
    template <class MutableBuffers, class Handler>
    void async_read_some(const MutableBuffers& buffers, Handler&& handler) {
        static_assert(std::is_convertible_v<MutableBuffers, net::mutable_buffer>,
                      "Beast reads into one buffer of a flat_buffer");
        readSome(buffers, IoHandler(std::forward<Handler>(handler)));
    }
    template <class ConstBuffers, class Handler>
    void async_write_some(const ConstBuffers& buffers, Handler&& handler) {
        // One write is pending at a time, so the list is reused.
        m_WriteBuffers.clear();
        for (auto it = net::buffer_sequence_begin(buffers); it != net::buffer_sequence_end(buffers); ++it)
            m_WriteBuffers.push_back(*it);
        writeSome(ConstBufferSpan{m_WriteBuffers.data(), m_WriteBuffers.data() + m_WriteBuffers.size()},
                  IoHandler(std::forward<Handler>(handler)));
    }

protected:
    virtual void readSome(net::mutable_buffer buffer, IoHandler handler) = 0;
    virtual void writeSome(ConstBufferSpan buffers, IoHandler handler) = 0;

private:
    std::vector<net::const_buffer> m_WriteBuffers;
};

std::unique_ptr<Transport> makePlainTransport(net::ip::tcp::socket socket);
std::unique_ptr<Transport> makeTlsTransport(net::ip::tcp::socket socket,
                                            std::shared_ptr<net::ssl::context> context);

} // namespace Web::Detail
