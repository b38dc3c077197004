// The request pipeline over real HTTP and HTTPS: channel, authentication, routing, claims, error bodies and
// the event written for each failed request.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "Crypto/TCCryptoUtil.h"
#include "Event/KeynodeWebApiEvents.h"
#include "Handlers/KnaBaseHandler.h"
#include "Handlers/KnaInfoApi_Handler.h"
#include "KnaException.h"
#include "KnaHandlerInfo.h"
#include "KnaMain.h"
#include "Property/AccessProp.h"
#include "support/ApiTestServer.h"
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>

using namespace ApiTest;
using KeynodeApi::KnaMain;

namespace {

const char* const kUnauthorizedHeader = "Basic realm=KeynodeApi charset=UTF-8";

std::string ErrorBody(int code, const std::string& msg) {
    return "{\"errors\":[{\"code\":" + std::to_string(code) + ",\"msg\":\"" + msg +
           "\",\"msgDetails\":\"\"}]}";
}

std::string Detail(int detailID, const std::string& value) {
    return std::to_string(detailID) + "=" + value;
}

class PipelineHttpTest : public ApiHttpTest {
protected:
    void SetUp() override { AddAllMethodsUser("admin", "secret"); }

    HttpCall Call(const std::string& method, const std::string& path) {
        HttpCall call;
        call.Method = method;
        call.Target = path;
        call.Authorization = BasicAuthorization("admin", "secret");
        return call;
    }

    // Sends the call and checks that it failed with the status and message and wrote exactly one event of
    // the type, carrying message, code and status in that order.
    HttpReply ExpectFailure(const HttpCall& call, int status, const std::string& msg, int eventType) {
        const int64_t before = LastEventID();
        const HttpReply reply = Send(call);
        EXPECT_EQ(status, reply.Status) << call.Method << " " << call.Target;
        EXPECT_EQ(ErrorBody(1, msg), reply.Body);
        EXPECT_EQ("application/json", reply.Header("Content-Type").value_or(""));
        const auto events = EventsAfter(before);
        EXPECT_EQ(1u, events.size());
        if (!events.empty()) {
            EXPECT_EQ(eventType, events[0].Type);
            EXPECT_EQ((std::vector<std::string>{
                          Detail(KeynodeWebApi::Member_UserErrorMessage, msg),
                          Detail(KeynodeWebApi::Member_UserErrorCode, "1"),
                          Detail(KeynodeWebApi::Member_HttpErrorCode, std::to_string(status))}),
                      DetailTexts(events[0]));
        }
        return reply;
    }
};

TEST_F(PipelineHttpTest, ServesApiInfoToAuthenticatedUserWithoutWritingEvents) {
    StartServer();
    EnableApi();
    const int64_t before = LastEventID();
    const HttpReply reply = Send(Call("GET", "/api/v1/info/api"));
    EXPECT_EQ(200, reply.Status);
    EXPECT_EQ("{\"version\":{\"major\":0,\"minor\":9,\"revision\":4}}", reply.Body);
    EXPECT_EQ("application/json", reply.Header("Content-Type").value_or(""));
    EXPECT_TRUE(EventsAfter(before).empty());
}

TEST_F(PipelineHttpTest, DisabledApiRefusesEveryHttpRequest) {
    StartServer();
    ExpectFailure(Call("GET", "/api/v1/info/api"), 503, "API is disabled", KeynodeWebApi::Type_RequestFailed);

    SetBoolSetting(AccessProp::GeneralWebApiSettings_Enabled, false);
    m_Server->Api().ReloadSettings();
    ExpectFailure(Call("GET", "/api/v1/info/api"), 503, "API is disabled", KeynodeWebApi::Type_RequestFailed);
}

TEST_F(PipelineHttpTest, AuthenticationFailuresAnswer401WithChallenge) {
    StartServer();
    EnableApi();
    struct Case {
        std::string authorization;
        std::string message;
    };
    const std::string wrong = "Wrong username/password or API access not allowed";
    const std::vector<Case> cases = {
        {"", "Missing Authorization header"},
        {"Bearer abc.def", "Basic authorization is required"},
        {"basic " + TCCryptoUtil::Base64Encode("admin:secret"), "Basic authorization is required"},
        {"Basic", "Invalid authorization header"},
        {"Basic " + TCCryptoUtil::Base64Encode("adminsecret"),
         "Invalid authorization header, username:password expected"},
        {"Basic %%%not-base64%%%", "Invalid authorization header, username:password expected"},
        {"Basic " + TCCryptoUtil::Base64Encode("admin:"), "User name/password can't be empty"},
        {"Basic " + TCCryptoUtil::Base64Encode(":secret"), "User name/password can't be empty"},
        {BasicAuthorization("admin", "wrong"), wrong},
        {BasicAuthorization("admin", "secret:"), wrong},
        {BasicAuthorization("nobody", "secret"), wrong},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.authorization);
        HttpCall call = Call("GET", "/api/v1/info/api");
        call.Authorization = c.authorization;
        const HttpReply reply = ExpectFailure(call, 401, c.message, KeynodeWebApi::Type_Unauthorized);
        EXPECT_EQ(kUnauthorizedHeader, reply.Header("WWW-Authenticate").value_or("<absent>"));
    }
}

TEST_F(PipelineHttpTest, PasswordMayContainColonsAndSpacesEndTheCredentials) {
    AddAllMethodsUser("colon", "a:b:c");
    StartServer();
    EnableApi();
    HttpCall call = Call("GET", "/api/v1/info/api");
    call.Authorization = BasicAuthorization("colon", "a:b:c");
    EXPECT_EQ(200, Send(call).Status);
    // Pieces after the credentials are ignored.
    call.Authorization = BasicAuthorization("colon", "a:b:c") + " trailing";
    EXPECT_EQ(200, Send(call).Status);
    // A second verification of the same credentials is served from the cache and must still agree.
    call.Authorization = BasicAuthorization("colon", "a:b");
    EXPECT_EQ(401, Send(call).Status);
}

TEST_F(PipelineHttpTest, UnsupportedMethodsAnswer405) {
    StartServer();
    EnableApi();
    ExpectFailure(Call("PATCH", "/api/v1/info/api"), 405,
                  "Unsupported web method:PATCH. Supported methods are: GET, POST, PUT, DELETE",
                  KeynodeWebApi::Type_RequestFailed);
    ExpectFailure(Call("get", "/api/v1/info/api"), 405,
                  "Unsupported web method:get. Supported methods are: GET, POST, PUT, DELETE",
                  KeynodeWebApi::Type_RequestFailed);
}

TEST_F(PipelineHttpTest, PathsMustCarryThePrefixOfTheMajorVersion) {
    StartServer();
    EnableApi();
    ExpectFailure(Call("GET", "/api/v2/access/cards"), 404, "URL must begin with /api/v1",
                  KeynodeWebApi::Type_RequestFailed);
    ExpectFailure(Call("GET", "/api/v10/access/cards"), 404, "Specified path 0/access/cards not supported",
                  KeynodeWebApi::Type_RequestFailed);
    ExpectFailure(Call("GET", "/api"), 404, "URL must begin with /api/v1", KeynodeWebApi::Type_RequestFailed);
}

TEST_F(PipelineHttpTest, ContentTypeMustBeExactlyJson) {
    StartServer();
    EnableApi();
    HttpCall call = Call("GET", "/api/v1/info/api");
    call.ContentType = "";
    ExpectFailure(call, 415, "Content type must be application/json", KeynodeWebApi::Type_RequestFailed);
    call.ContentType = "application/json; charset=utf-8";
    ExpectFailure(call, 415, "Content type must be application/json", KeynodeWebApi::Type_RequestFailed);
    call.ContentType = "text/plain";
    ExpectFailure(call, 415, "Content type must be application/json", KeynodeWebApi::Type_RequestFailed);
}

TEST_F(PipelineHttpTest, RoutesOnlyRegisteredPathsWithTheirHandlers) {
    // A service with the API information handler only, so registered endpoints without handlers remain.
    auto handlers = std::make_shared<KeynodeApi::KnaMain::HandlerMap>();
    (*handlers)[KeynodeApi::KnaInfoApi_Handler_Info_GET.GetEndpointNumber()] =
        std::make_shared<KeynodeApi::KnaInfoApi_Handler>();
    StartServer(std::make_shared<KeynodeApi::KnaMain>(1, nullptr, handlers));
    EnableApi();
    ExpectFailure(Call("GET", "/api/v1/nothing"), 404, "Specified path /nothing not supported",
                  KeynodeWebApi::Type_RequestFailed);
    ExpectFailure(Call("GET", "/api/v1/keynodes/"), 404, "Specified path /keynodes/ not supported",
                  KeynodeWebApi::Type_RequestFailed);
    ExpectFailure(Call("GET", "/api/v1/Keynodes"), 404, "Specified path /Keynodes not supported",
                  KeynodeWebApi::Type_RequestFailed);
    // Registered endpoints whose handlers this service does not have, and a method the path lacks.
    ExpectFailure(Call("GET", "/api/v1/access/cards"), 500, "Specified path /access/cards handler not found",
                  KeynodeWebApi::Type_InternalError);
    ExpectFailure(Call("GET", "/api/v1/access/cards/filter"), 500,
                  "Specified path /access/cards/filter handler not found", KeynodeWebApi::Type_InternalError);
    ExpectFailure(Call("POST", "/api/v1/info/api"), 500, "Specified path /info/api handler not found",
                  KeynodeWebApi::Type_InternalError);
}

TEST_F(PipelineHttpTest, ClaimsDecideWhichEndpointsAUserMayCall) {
    AddWebUser({"x", "pw", {}, {}, {11001}});
    AddWebUser({"cloudclaim", "pw", 1, 0, {11001 + 10000, 11002}});
    AddWebUser({"halfflags", "pw", {}, 1, {}});
    StartServer();
    EnableApi();

    auto as = [&](const std::string& user, const std::string& path) {
        HttpCall call = Call("GET", path);
        call.Authorization = BasicAuthorization(user, "pw");
        return call;
    };
    EXPECT_EQ(200, Send(as("x", "/api/v1/info/api")).Status);
    const HttpReply refused = ExpectFailure(as("x", "/api/v1/keynodes"), 401,
                                            "User x is not allowed to perform requested operation",
                                            KeynodeWebApi::Type_Unauthorized);
    EXPECT_EQ(kUnauthorizedHeader, refused.Header("WWW-Authenticate").value_or("<absent>"));

    // Claims of cloud callers are raised by 10000 and mean nothing over HTTP.
    EXPECT_EQ(200, Send(as("cloudclaim", "/api/v1/keynodes")).Status);
    EXPECT_EQ(401, Send(as("cloudclaim", "/api/v1/info/api")).Status);
    // Both access flags must be 1 to skip the claims.
    EXPECT_EQ(401, Send(as("halfflags", "/api/v1/info/api")).Status);
}

TEST_F(PipelineHttpTest, AllMethodsUserNeedsNoClaims) {
    StartServer();
    EnableApi();
    EXPECT_EQ(200, Send(Call("GET", "/api/v1/info/api")).Status);
    EXPECT_EQ(200, Send(Call("GET", "/api/v1/keynodes")).Status);
}

// Throws the library's rule-violation exception after having written part of a body.
class FailingHandler : public KeynodeApi::KnaBaseHandler {
public:
    void GetSupportedClaims(std::set<int>& claims) const override { claims.insert(11001); }
    void GET(const KeynodeApi::KnaWebRequest&, KeynodeApi::KnaWebResponse& response) override {
        response.out() << "partial";
        throw KeynodeApi::KnaException(__FILE__, __LINE__, "Card id is required");
    }
};

TEST_F(PipelineHttpTest, HandlerExceptionBecomes400WithExceptionTextInEventOnly) {
    auto handlers = std::make_shared<KnaMain::HandlerMap>();
    (*handlers)[11001] = std::make_shared<FailingHandler>();
    StartServer(std::make_shared<KnaMain>(1, nullptr, handlers));
    EnableApi();

    const int64_t before = LastEventID();
    const HttpReply reply = Send(Call("GET", "/api/v1/info/api"));
    EXPECT_EQ(400, reply.Status);
    // What the handler wrote stays; the error body follows it.
    EXPECT_EQ("partial" + ErrorBody(1, "Card id is required"), reply.Body);
    const auto events = EventsAfter(before);
    ASSERT_EQ(1u, events.size());
    EXPECT_EQ(KeynodeWebApi::Type_RequestFailed, events[0].Type);
    const auto details = DetailTexts(events[0]);
    ASSERT_EQ(4u, details.size());
    EXPECT_EQ(Detail(KeynodeWebApi::Member_UserErrorMessage, "Card id is required"), details[0]);
    EXPECT_EQ(Detail(KeynodeWebApi::Member_UserErrorCode, "1"), details[1]);
    EXPECT_EQ(Detail(KeynodeWebApi::Member_HttpErrorCode, "400"), details[2]);
    EXPECT_EQ(0u, details[3].find(std::to_string(KeynodeWebApi::Member_InternalError) + "="));
    EXPECT_NE(std::string::npos, details[3].find("Card id is required"));
}

TEST_F(PipelineHttpTest, EnablingTheApiInTheSettingsTakesEffectWhileRunning) {
    StartServer();
    m_Server->Api().StartThread();
    EXPECT_EQ(503, Send(Call("GET", "/api/v1/info/api")).Status);

    SetBoolSetting(AccessProp::GeneralWebApiSettings_Enabled, true);
    int status = 0;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while ((status = Send(Call("GET", "/api/v1/info/api")).Status) != 200 &&
           std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(200, status);

    SetBoolSetting(AccessProp::GeneralWebApiSettings_Enabled, false);
    while ((status = Send(Call("GET", "/api/v1/info/api")).Status) != 503 &&
           std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(503, status);
}

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
