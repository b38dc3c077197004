#pragma once
#include "Web/Request.h"
#include "Web/Resource.h"
#include "Web/Response.h"
#include "Web/ServerConfig.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <utility>

namespace WebTest {

// A resource whose behaviour each test writes inline.
class LambdaResource : public Web::Resource {
public:
    using Handler = std::function<void(const Web::Request&, Web::Response&)>;
    explicit LambdaResource(Handler handler) : m_Handler(std::move(handler)) {}
    void handleRequest(const Web::Request& request, Web::Response& response) override {
        m_Handler(request, response);
    }

private:
    Handler m_Handler;
};

// Answers with a fixed body, so tests can tell which resource was chosen.
inline std::shared_ptr<LambdaResource> namedResource(const std::string& name) {
    return std::make_shared<LambdaResource>([name](const Web::Request& request, Web::Response& response) {
        response.out() << name << ' ' << request.path() << ' ' << request.pathInfo();
    });
}

// Loopback HTTP on a free port with short timeouts, so tests that wait for the server stay fast.
inline Web::ServerConfig quickConfig() {
    Web::ServerConfig config;
    config.http = {true, "127.0.0.1", 0};
    config.readTimeout = std::chrono::milliseconds(1000);
    config.stopTimeout = std::chrono::milliseconds(2000);
    return config;
}

} // namespace WebTest
