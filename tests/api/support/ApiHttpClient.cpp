#include "support/ApiHttpClient.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <chrono>
#include <strings.h>

#include "Crypto/TCCryptoUtil.h"

namespace ApiTest {

namespace beast = boost::beast;
namespace http = beast::http;
namespace net = boost::asio;

std::optional<std::string> HttpReply::Header(const std::string& name) const {
    for (const auto& header : Headers)
        if (strcasecmp(header.first.c_str(), name.c_str()) == 0) return header.second;
    return std::nullopt;
}

std::string BasicAuthorization(const std::string& user, const std::string& password) {
    return "Basic " + TCCryptoUtil::Base64Encode(user + ":" + password);
}

HttpReply SendHttp(std::uint16_t port, const HttpCall& call) {
    http::request<http::string_body> request;
    request.method_string(call.Method);
    request.target(call.Target);
    request.version(11);
    request.set(http::field::host, "127.0.0.1");
    if (!call.ContentType.empty()) request.set(http::field::content_type, call.ContentType);
    if (!call.Authorization.empty()) request.set(http::field::authorization, call.Authorization);
    request.body() = call.Body;
    request.prepare_payload();

    // Each step runs alone on the context; the deadline covers the whole exchange.
    net::io_context io;
    beast::tcp_stream stream(io);
    beast::error_code result;
    const auto step = [&](auto start) {
        if (result) return;
        io.restart();
        start([&](beast::error_code ec, auto&&...) { result = ec; });
        io.run();
    };
    beast::flat_buffer buffer;
    http::response<http::string_body> response;
    stream.expires_after(std::chrono::seconds(10));
    step([&](auto done) { stream.async_connect({net::ip::make_address("127.0.0.1"), port}, done); });
    step([&](auto done) { http::async_write(stream, request, done); });
    step([&](auto done) { http::async_read(stream, buffer, response, done); });
    if (result) throw beast::system_error(result);

    HttpReply reply;
    reply.Status = static_cast<int>(response.result_int());
    for (const auto& field : response)
        reply.Headers.emplace_back(std::string(field.name_string()), std::string(field.value()));
    reply.Body = response.body();
    beast::error_code ignored;
    stream.socket().shutdown(net::ip::tcp::socket::shutdown_both, ignored);
    return reply;
}

} // namespace ApiTest
