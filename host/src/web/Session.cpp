#include "Session.h"

#include <boost/asio/dispatch.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/string.hpp>
#include <boost/beast/http/error.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/write.hpp>

#include <algorithm>
#include <cstdint>
#include <limits>

namespace Web::Detail {

Session::Session(std::unique_ptr<Transport> transport, std::shared_ptr<ServerState> state,
                 ConnectionSlot slot, std::string clientAddress)
    : m_State(std::move(state)), m_Slot(std::move(slot)), m_Transport(std::move(transport)),
      m_ClientAddress(std::move(clientAddress)) {}

void Session::start() {
    m_Slot.attach(weak_from_this());
    net::dispatch(m_Transport->get_executor(), [self = shared_from_this()] { self->begin(); });
}

void Session::requestStop() {
    net::post(m_Transport->get_executor(), [self = shared_from_this()] { self->onStopRequested(); });
}

void Session::begin() {
    m_Phase = Phase::Handshake;
    tcp().expires_after(config().readTimeout);
    m_Transport->asyncHandshake(IoHandler(step(&Session::onHandshake)));
}

void Session::onHandshake(beast::error_code ec) {
    if (ec) return tcp().close();
    readRequest();
}

void Session::onStopRequested() {
    // A request being answered finishes; everything else is dropped, including half-received requests.
    if (m_Phase != Phase::Responding) tcp().close();
}

void Session::readRequest() {
    if (m_State->stopping) return close();
    m_Phase = Phase::Reading;
    m_Parser.emplace();
    m_Parser->header_limit(static_cast<std::uint32_t>(
        std::min<std::size_t>(config().headerLimit, std::numeric_limits<std::uint32_t>::max())));
    m_Parser->body_limit(config().bodyLimit);
    tcp().expires_after(config().readTimeout);
    http::async_read_header(*m_Transport, m_Buffer, *m_Parser, step(&Session::onHeader));
}

void Session::onHeader(beast::error_code ec) {
    if (ec) return onReadError(ec);
    const auto contentLength = m_Parser->content_length();
    // Refuse before reading a byte of a body that is announced too large.
    if (contentLength && *contentLength > config().bodyLimit)
        return sendError(http::status::payload_too_large, "Payload too large");
    if (!m_Parser->is_done() && beast::iequals(m_Parser->get()[http::field::expect], "100-continue")) {
        // Written as bytes: a serializer for this one header-only answer would double Beast's write code.
        const unsigned version = m_Parser->get().version();
        m_Continue = "HTTP/X.Y 100 Continue\r\n\r\n";
        m_Continue[5] = static_cast<char>('0' + version / 10);
        m_Continue[7] = static_cast<char>('0' + version % 10);
        tcp().expires_after(config().readTimeout);
        return net::async_write(*m_Transport, net::buffer(m_Continue), step(&Session::onContinueWritten));
    }
    readBody();
}

void Session::onContinueWritten(beast::error_code ec) {
    if (ec) return close();
    readBody();
}

void Session::readBody() {
    if (m_Parser->is_done()) return handle();
    tcp().expires_after(config().readTimeout);
    http::async_read(*m_Transport, m_Buffer, *m_Parser, step(&Session::onBody));
}

void Session::onBody(beast::error_code ec) {
    if (ec) return onReadError(ec);
    handle();
}

void Session::onReadError(beast::error_code ec) {
    if (ec == http::error::header_limit)
        return sendError(http::status::request_header_fields_too_large, "Request header fields too large");
    if (ec == http::error::body_limit) return sendError(http::status::payload_too_large, "Payload too large");
    // Malformed requests get an answer; a peer that left, timed out or was stopped does not.
    const bool malformed = ec.category() == beast::error_code(http::error::bad_target).category() &&
                           ec != http::error::end_of_stream && ec != http::error::partial_message;
    if (malformed) return sendError(http::status::bad_request, "Bad request");
    close();
}

void Session::handle() {
    m_Phase = Phase::Responding;
    WireRequest request = m_Parser->release();
    const bool keepAlive = request.keep_alive();
    WireResponse response = m_State->dispatcher.dispatch(
        std::move(request), m_Transport->isTls() ? "https" : "http", m_ClientAddress);
    write(std::move(response), keepAlive ? After::ReadNext : After::Close);
}

void Session::sendError(http::status status, const std::string& message) {
    const unsigned version = m_Parser && m_Parser->is_header_done() ? m_Parser->get().version() : 11;
    // The rest of the request is still on its way; it is discarded, not parsed.
    write(makeErrorResponse(status, message, version), After::Drain);
}

void Session::write(WireResponse response, After after) {
    m_Phase = Phase::Responding;
    if (after == After::ReadNext && m_State->stopping) after = After::Close;
    m_After = after;
    m_Response = std::move(response);
    m_Response.keep_alive(after == After::ReadNext);
    // A client that does not take its answer is dropped like one that does not send.
    tcp().expires_after(config().readTimeout);
    http::async_write(*m_Transport, m_Response, step(&Session::onWritten));
}

void Session::onWritten(beast::error_code ec) {
    m_Response = {};
    if (ec) return tcp().close();
    switch (m_After) {
    case After::ReadNext:
        return readRequest();
    case After::Drain:
        return drain();
    case After::Close:
        return close();
    }
}

// Reading what the client still sends before closing keeps the close from resetting the connection,
// which could destroy the error answer before the client reads it.
void Session::drain() {
    m_Phase = Phase::Draining;
    if (m_State->stopping) return close();
    if (!m_Transport->isTls()) {
        beast::error_code ignored;
        tcp().socket().shutdown(net::ip::tcp::socket::shutdown_send, ignored);
    }
    tcp().expires_after(config().readTimeout);
    discardInput();
}

void Session::discardInput() {
    m_Transport->async_read_some(net::buffer(m_Discard), step(&Session::onDiscarded));
}

void Session::onDiscarded(beast::error_code ec) {
    if (ec) return tcp().close();
    discardInput();
}

void Session::close() {
    m_Phase = Phase::Closing;
    if (!tcp().socket().is_open()) return;
    // Bounded: the TLS close waits for the peer's close_notify, which some clients never send.
    tcp().expires_after(std::min<std::chrono::milliseconds>(config().readTimeout, tlsCloseTimeout));
    m_Transport->asyncShutdown(IoHandler(step(&Session::onShutDown)));
}

void Session::onShutDown(beast::error_code) {
    tcp().close();
}

} // namespace Web::Detail
