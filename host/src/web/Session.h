#pragma once
#include "ConnectionTracker.h"
#include "Dispatcher.h"
#include "ServerState.h"
#include "Transport.h"

#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http/parser.hpp>

#include <array>
#include <memory>
#include <optional>
#include <string>

namespace Web::Detail {

// One client connection: reads requests, dispatches them and writes the answers, keeping the connection
// alive between requests when the client wants that. All its work runs on the connection's strand.
class Session : public Connection, public std::enable_shared_from_this<Session> {
public:
    Session(std::unique_ptr<Transport> transport, std::shared_ptr<ServerState> state, ConnectionSlot slot,
            std::string clientAddress);

    void start();
    void requestStop() override;

private:
    enum class Phase { Handshake, Reading, Responding, Draining, Closing };
    // What follows a written response.
    enum class After { ReadNext, Close, Drain };
    // The completion handler of every operation of a session: one type, so that each Beast operation is
    // instantiated once.
    struct Step {
        std::shared_ptr<Session> self;
        void (Session::*next)(beast::error_code);
        void operator()(beast::error_code ec, std::size_t = 0) const { ((*self).*next)(ec); }
    };

    Step step(void (Session::*next)(beast::error_code)) { return Step{shared_from_this(), next}; }
    const ServerConfig& config() const { return m_State->config; }
    beast::tcp_stream& tcp() { return m_Transport->tcp(); }

    void begin();
    void onHandshake(beast::error_code ec);
    void onStopRequested();
    void readRequest();
    void onHeader(beast::error_code ec);
    void onContinueWritten(beast::error_code ec);
    void readBody();
    void onBody(beast::error_code ec);
    void onReadError(beast::error_code ec);
    void handle();
    void sendError(http::status status, const std::string& message);
    void write(WireResponse response, After after);
    void onWritten(beast::error_code ec);
    void drain();
    void discardInput();
    void onDiscarded(beast::error_code ec);
    void close();
    void onShutDown(beast::error_code ec);

    static constexpr std::chrono::milliseconds tlsCloseTimeout{2000};

    // Declared first so they go last: the slot needs the state's tracker, and it must not report the
    // connection closed before the socket is.
    std::shared_ptr<ServerState> m_State;
    ConnectionSlot m_Slot;
    std::unique_ptr<Transport> m_Transport;
    std::string m_ClientAddress;
    Phase m_Phase = Phase::Reading;
    After m_After = After::Close;
    beast::flat_buffer m_Buffer;
    std::optional<http::request_parser<http::string_body>> m_Parser;
    std::string m_Continue;
    WireResponse m_Response;
    std::array<char, 8192> m_Discard{};
};

} // namespace Web::Detail
