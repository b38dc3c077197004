#include "support/ApiHttpClient.h"

#include <strings.h>

#include "Crypto/TCCryptoUtil.h"
#include "host/web/support/TestClient.h"

namespace ApiTest {

std::optional<std::string> HttpReply::Header(const std::string& name) const {
    for (const auto& header : Headers)
        if (strcasecmp(header.first.c_str(), name.c_str()) == 0) return header.second;
    return std::nullopt;
}

std::string BasicAuthorization(const std::string& user, const std::string& password) {
    return "Basic " + TCCryptoUtil::Base64Encode(user + ":" + password);
}

HttpReply SendHttp(std::uint16_t port, const HttpCall& call) {
    namespace http = WebTest::http;
    WebTest::Outgoing request = WebTest::makeRequest(http::verb::get, call.Target, call.Body);
    request.method_string(call.Method);
    if (!call.ContentType.empty()) request.set(http::field::content_type, call.ContentType);
    if (!call.Authorization.empty()) request.set(http::field::authorization, call.Authorization);
    const WebTest::Reply response = WebTest::TestClient(port).send(std::move(request));
    HttpReply reply{static_cast<int>(response.result_int()), {}, response.body()};
    for (const auto& field : response)
        reply.Headers.emplace_back(std::string(field.name_string()), std::string(field.value()));
    return reply;
}

} // namespace ApiTest
