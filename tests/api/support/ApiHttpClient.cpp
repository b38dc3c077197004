#include "support/ApiHttpClient.h"

#include <boost/asio/connect.hpp>
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

namespace {

const std::chrono::seconds kDeadline{10};

void ThrowIf(const beast::error_code& ec) {
    if (ec) throw beast::system_error(ec);
}

} // namespace

std::optional<std::string> HttpReply::Header(const std::string& name) const {
    for (const auto& header : Headers)
        if (strcasecmp(header.first.c_str(), name.c_str()) == 0) return header.second;
    return std::nullopt;
}

std::string BasicAuthorization(const std::string& user, const std::string& password) {
    return "Basic " + TCCryptoUtil::Base64Encode(user + ":" + password);
}

HttpReply SendHttp(std::uint16_t port, const HttpCall& call) {
    net::io_context io;
    beast::tcp_stream stream(io);
    http::request<http::string_body> request;
    request.method_string(call.Method);
    request.target(call.Target);
    request.version(11);
    request.set(http::field::host, "127.0.0.1");
    if (!call.ContentType.empty()) request.set(http::field::content_type, call.ContentType);
    if (!call.Authorization.empty()) request.set(http::field::authorization, call.Authorization);
    request.body() = call.Body;
    request.prepare_payload();

    beast::error_code result;
    beast::flat_buffer buffer;
    http::response<http::string_body> response;
    stream.expires_after(kDeadline);
    stream.async_connect(net::ip::tcp::endpoint(net::ip::make_address("127.0.0.1"), port),
                         [&](beast::error_code ec) {
                             if (ec) {
                                 result = ec;
                                 return;
                             }
                             stream.expires_after(kDeadline);
                             http::async_write(stream, request, [&](beast::error_code ec, std::size_t) {
                                 if (ec) {
                                     result = ec;
                                     return;
                                 }
                                 stream.expires_after(kDeadline);
                                 http::async_read(stream, buffer, response,
                                                  [&](beast::error_code ec, std::size_t) { result = ec; });
                             });
                         });
    io.run();
    ThrowIf(result);

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
