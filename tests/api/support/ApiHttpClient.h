#pragma once
// Requests and answers as the API tests write them, sent with the web server tests' client, whose deadline
// makes a faulty server fail a test instead of hanging it.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ApiTest {

struct HttpCall {
    std::string Method = "GET";
    std::string Target;
    // Left out of the request when empty.
    std::string ContentType = "application/json";
    std::string Authorization;
    std::string Body;
};

struct HttpReply {
    int Status = 0;
    std::vector<std::pair<std::string, std::string>> Headers;
    std::string Body;

    // The first value of the header (case-insensitive name), if present.
    std::optional<std::string> Header(const std::string& name) const;
};

std::string BasicAuthorization(const std::string& user, const std::string& password);

HttpReply SendHttp(std::uint16_t port, const HttpCall& call);

} // namespace ApiTest
