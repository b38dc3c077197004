#include "support/WebHookReceiver.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <sstream>

#include "Web/Request.h"
#include "Web/Resource.h"
#include "Web/Response.h"
#include "Web/Server.h"

namespace ApiTest {

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

class CallbackResource : public Web::Resource {
public:
    using Callback = std::function<void(const Web::Request&, Web::Response&)>;
    explicit CallbackResource(Callback callback) : m_Callback(std::move(callback)) {}
    void handleRequest(const Web::Request& request, Web::Response& response) override {
        m_Callback(request, response);
    }

private:
    Callback m_Callback;
};

} // namespace

std::string ReceivedRequest::Header(const std::string& lowerCaseName) const {
    const auto it = Headers.find(lowerCaseName);
    return it == Headers.end() ? std::string() : it->second;
}

WebHookReceiver::WebHookReceiver() {
    Web::ServerConfig config;
    config.http = {true, "127.0.0.1", 0};
    config.workerThreads = 2;
    config.bodyLimit = 64 * 1024 * 1024;
    m_Server = std::make_unique<Web::Server>(config);
    m_Server->addResource(
        std::make_shared<CallbackResource>([this](const Web::Request& request, Web::Response& response) {
            ReceivedRequest received;
            received.Method = request.method();
            received.Path = request.path() + request.pathInfo();
            for (const auto& header : request.headers())
                received.Headers[Lower(header.first)] = header.second;
            received.Body.assign(std::istreambuf_iterator<char>(request.in()),
                                 std::istreambuf_iterator<char>());
            std::lock_guard<std::mutex> lock(m_Mutex);
            m_Requests.push_back(std::move(received));
            response.setStatus(m_Status);
            if (m_Status == 302) response.addHeader("Location", "/elsewhere");
            m_Arrived.notify_all();
        }),
        "/");
    m_Server->start();
}

WebHookReceiver::~WebHookReceiver() {
    m_Server->stop();
}

std::string WebHookReceiver::Url() const {
    return "http://127.0.0.1:" + std::to_string(m_Server->httpPort()) + "/hook";
}

void WebHookReceiver::SetStatus(int status) {
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Status = status;
}

std::vector<ReceivedRequest> WebHookReceiver::Requests() const {
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_Requests;
}

size_t WebHookReceiver::RequestCount() const {
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_Requests.size();
}

bool WebHookReceiver::WaitForRequests(size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> lock(m_Mutex);
    return m_Arrived.wait_for(lock, timeout, [&] { return m_Requests.size() >= count; });
}

} // namespace ApiTest
