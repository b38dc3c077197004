// The pipeline over HTTPS: the scheme check lets TLS callers through even where plain HTTP is refused.
#include <gtest/gtest.h>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>

#include "Property/AccessProp.h"
#include "support/ApiTestServer.h"

using namespace ApiTest;

namespace {

namespace beast = boost::beast;
namespace http = beast::http;
namespace net = boost::asio;

// One GET over TLS to 127.0.0.1:port, without verifying the self-signed certificate.
HttpReply GetOverTls(std::uint16_t port, const std::string& target, const std::string& authorization) {
    net::io_context io;
    net::ssl::context tls(net::ssl::context::tls_client);
    tls.set_verify_mode(net::ssl::verify_none);
    beast::ssl_stream<beast::tcp_stream> stream(io, tls);

    http::request<http::string_body> request{http::verb::get, target, 11};
    request.set(http::field::host, "127.0.0.1");
    request.set(http::field::content_type, "application/json");
    request.set(http::field::authorization, authorization);
    request.prepare_payload();

    beast::error_code result;
    beast::flat_buffer buffer;
    http::response<http::string_body> response;
    auto& lowest = beast::get_lowest_layer(stream);
    lowest.expires_after(std::chrono::seconds(10));
    lowest.async_connect(
        net::ip::tcp::endpoint(net::ip::make_address("127.0.0.1"), port), [&](beast::error_code ec) {
            if (ec) return void(result = ec);
            stream.async_handshake(net::ssl::stream_base::client, [&](beast::error_code ec) {
                if (ec) return void(result = ec);
                http::async_write(stream, request, [&](beast::error_code ec, std::size_t) {
                    if (ec) return void(result = ec);
                    http::async_read(stream, buffer, response,
                                     [&](beast::error_code ec, std::size_t) { result = ec; });
                });
            });
        });
    io.run();
    if (result) throw beast::system_error(result);

    HttpReply reply;
    reply.Status = static_cast<int>(response.result_int());
    reply.Body = response.body();
    return reply;
}

class PipelineHttpsTest : public ApiHttpTest {};

TEST_F(PipelineHttpsTest, HttpsIsServedWhereLocalPlainHttpIsToo) {
    AddAllMethodsUser("admin", "secret");
    m_Server = std::make_unique<ApiTestServer>(std::make_shared<KeynodeApi::KnaMain>(1), m_Data.get_Path());
    WriteServerConfig(std::to_string(m_Server->HttpsPort()));
    SetBoolSetting(AccessProp::GeneralWebApiSettings_HTTPSOnlyIfEnabled, true);
    EnableApi();
    ASSERT_FALSE(m_Server->Api().IsPlainHttpAllowed());

    const HttpReply reply =
        GetOverTls(m_Server->HttpsPort(), "/api/v1/info/api", BasicAuthorization("admin", "secret"));
    EXPECT_EQ(200, reply.Status);
    EXPECT_EQ("{\"version\":{\"major\":0,\"minor\":9,\"revision\":4}}", reply.Body);

    const HttpReply refused =
        GetOverTls(m_Server->HttpsPort(), "/api/v1/keynodes", BasicAuthorization("admin", "x"));
    EXPECT_EQ(401, refused.Status);
    EXPECT_EQ("{\"errors\":[{\"code\":1,\"msg\":\"Wrong username/password or API access not "
              "allowed\",\"msgDetails\":\"\"}]}",
              refused.Body);

    // The loopback caller counts as local, so plain HTTP is still served to it.
    HttpCall call;
    call.Target = "/api/v1/info/api";
    call.Authorization = BasicAuthorization("admin", "secret");
    EXPECT_EQ(200, Send(call).Status);
}

} // namespace
