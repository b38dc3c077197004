#pragma once
#include "ConnectionTracker.h"
#include "Dispatcher.h"
#include "ServerState.h"

#include <boost/asio/dispatch.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/ssl/context.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/stream_traits.hpp>
#include <boost/beast/core/string.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/empty_body.hpp>
#include <boost/beast/http/error.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/write.hpp>
#include <boost/beast/ssl/ssl_stream.hpp>

#include <algorithm>
#include <array>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>

namespace Web::Detail {

namespace beast = boost::beast;
namespace net = boost::asio;

using PlainStream = beast::tcp_stream;
using TlsStream = beast::ssl_stream<beast::tcp_stream>;

// One client connection: reads requests, dispatches them and writes the answers, keeping the connection
// alive between requests when the client wants that. All its work runs on the connection's strand.
template <class Stream>
class Session : public Connection, public std::enable_shared_from_this<Session<Stream>> {
public:
    static constexpr bool isTls = std::is_same_v<Stream, TlsStream>;

    Session(Stream stream, std::shared_ptr<ServerState> state, ConnectionSlot slot, std::string clientAddress,
            std::shared_ptr<net::ssl::context> tlsContext = nullptr)
        : m_State(std::move(state)), m_Slot(std::move(slot)), m_TlsContext(std::move(tlsContext)),
          m_Stream(std::move(stream)), m_ClientAddress(std::move(clientAddress)) {}

    void start() {
        m_Slot.attach(this->weak_from_this());
        net::dispatch(m_Stream.get_executor(), [self = this->shared_from_this()] { self->begin(); });
    }

    void requestStop() override {
        net::post(m_Stream.get_executor(), [self = this->shared_from_this()] { self->onStopRequested(); });
    }

private:
    enum class Phase { Handshake, Reading, Responding, Draining, Closing };
    // What follows a written response.
    enum class After { ReadNext, Close, Drain };

    const ServerConfig& config() const { return m_State->config; }
    beast::tcp_stream& tcp() { return beast::get_lowest_layer(m_Stream); }

    void begin() {
        if constexpr (isTls) {
            m_Phase = Phase::Handshake;
            tcp().expires_after(config().readTimeout);
            m_Stream.async_handshake(net::ssl::stream_base::server,
                                     [self = this->shared_from_this()](beast::error_code ec) {
                                         if (ec) return self->tcp().close();
                                         self->readRequest();
                                     });
        } else {
            readRequest();
        }
    }

    void onStopRequested() {
        // A request being answered finishes; everything else is dropped, including half-received requests.
        if (m_Phase != Phase::Responding) tcp().close();
    }

    void readRequest() {
        if (m_State->stopping) return close();
        m_Phase = Phase::Reading;
        m_Parser.emplace();
        m_Parser->header_limit(static_cast<std::uint32_t>(
            std::min<std::size_t>(config().headerLimit, std::numeric_limits<std::uint32_t>::max())));
        m_Parser->body_limit(config().bodyLimit);
        tcp().expires_after(config().readTimeout);
        http::async_read_header(
            m_Stream, m_Buffer, *m_Parser,
            [self = this->shared_from_this()](beast::error_code ec, std::size_t) { self->onHeader(ec); });
    }

    void onHeader(beast::error_code ec) {
        if (ec) return onReadError(ec);
        const auto contentLength = m_Parser->content_length();
        // Refuse before reading a byte of a body that is announced too large.
        if (contentLength && *contentLength > config().bodyLimit)
            return sendError(http::status::payload_too_large, "Payload too large");
        if (!m_Parser->is_done() && beast::iequals(m_Parser->get()[http::field::expect], "100-continue")) {
            m_Continue = http::response<http::empty_body>(http::status::continue_, m_Parser->get().version());
            tcp().expires_after(config().readTimeout);
            return http::async_write(m_Stream, m_Continue,
                                     [self = this->shared_from_this()](beast::error_code ec, std::size_t) {
                                         if (ec) return self->close();
                                         self->readBody();
                                     });
        }
        readBody();
    }

    void readBody() {
        if (m_Parser->is_done()) return handle();
        tcp().expires_after(config().readTimeout);
        http::async_read(m_Stream, m_Buffer, *m_Parser,
                         [self = this->shared_from_this()](beast::error_code ec, std::size_t) {
                             if (ec) return self->onReadError(ec);
                             self->handle();
                         });
    }

    void onReadError(beast::error_code ec) {
        if (ec == http::error::header_limit)
            return sendError(http::status::request_header_fields_too_large,
                             "Request header fields too large");
        if (ec == http::error::body_limit)
            return sendError(http::status::payload_too_large, "Payload too large");
        // Malformed requests get an answer; a peer that left, timed out or was stopped does not.
        const bool malformed = ec.category() == beast::error_code(http::error::bad_target).category() &&
                               ec != http::error::end_of_stream && ec != http::error::partial_message;
        if (malformed) return sendError(http::status::bad_request, "Bad request");
        close();
    }

    void handle() {
        m_Phase = Phase::Responding;
        WireRequest request = m_Parser->release();
        const bool keepAlive = request.keep_alive();
        WireResponse response =
            m_State->dispatcher.dispatch(std::move(request), isTls ? "https" : "http", m_ClientAddress);
        write(std::move(response), keepAlive ? After::ReadNext : After::Close);
    }

    void sendError(http::status status, const std::string& message) {
        const unsigned version = m_Parser && m_Parser->is_header_done() ? m_Parser->get().version() : 11;
        // The rest of the request is still on its way; it is discarded, not parsed.
        write(makeErrorResponse(status, message, version), After::Drain);
    }

    void write(WireResponse response, After after) {
        m_Phase = Phase::Responding;
        if (after == After::ReadNext && m_State->stopping) after = After::Close;
        m_After = after;
        m_Response = std::move(response);
        m_Response.keep_alive(after == After::ReadNext);
        // A client that does not take its answer is dropped like one that does not send.
        tcp().expires_after(config().readTimeout);
        http::async_write(m_Stream, m_Response,
                          [self = this->shared_from_this()](beast::error_code ec, std::size_t) {
                              self->m_Response = {};
                              if (ec) return self->tcp().close();
                              switch (self->m_After) {
                              case After::ReadNext:
                                  return self->readRequest();
                              case After::Drain:
                                  return self->drain();
                              case After::Close:
                                  return self->close();
                              }
                          });
    }

    // Reading what the client still sends before closing keeps the close from resetting the connection,
    // which could destroy the error answer before the client reads it.
    void drain() {
        m_Phase = Phase::Draining;
        if (m_State->stopping) return close();
        if constexpr (!isTls) {
            beast::error_code ignored;
            tcp().socket().shutdown(net::ip::tcp::socket::shutdown_send, ignored);
        }
        tcp().expires_after(config().readTimeout);
        discardInput();
    }

    void discardInput() {
        m_Stream.async_read_some(net::buffer(m_Discard),
                                 [self = this->shared_from_this()](beast::error_code ec, std::size_t) {
                                     if (ec) return self->tcp().close();
                                     self->discardInput();
                                 });
    }

    void close() {
        m_Phase = Phase::Closing;
        if (!tcp().socket().is_open()) return;
        if constexpr (isTls) {
            // Bounded: the TLS close waits for the peer's close_notify, which some clients never send.
            tcp().expires_after(std::min<std::chrono::milliseconds>(config().readTimeout, tlsCloseTimeout));
            m_Stream.async_shutdown(
                [self = this->shared_from_this()](beast::error_code) { self->tcp().close(); });
        } else {
            beast::error_code ignored;
            tcp().socket().shutdown(net::ip::tcp::socket::shutdown_send, ignored);
            tcp().close();
        }
    }

    static constexpr std::chrono::milliseconds tlsCloseTimeout{2000};

    // Declared first so they go last: the slot needs the state's tracker, and it must not report the
    // connection closed before the socket is.
    std::shared_ptr<ServerState> m_State;
    ConnectionSlot m_Slot;
    std::shared_ptr<net::ssl::context> m_TlsContext; // the TLS stream was made from it
    Stream m_Stream;
    std::string m_ClientAddress;
    Phase m_Phase = Phase::Reading;
    After m_After = After::Close;
    beast::flat_buffer m_Buffer;
    std::optional<http::request_parser<http::string_body>> m_Parser;
    http::response<http::empty_body> m_Continue;
    WireResponse m_Response;
    std::array<char, 8192> m_Discard{};
};

} // namespace Web::Detail
