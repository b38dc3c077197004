#pragma once
// A webhook receiver on 127.0.0.1 for the delivery tests: records every request and answers with the
// status the test sets.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace Web {
class Server;
}

namespace ApiTest {

struct ReceivedRequest {
    std::string Method;
    std::string Path;
    // Names in lower case.
    std::map<std::string, std::string> Headers;
    std::string Body;

    std::string Header(const std::string& lowerCaseName) const;
};

class WebHookReceiver {
public:
    WebHookReceiver();
    ~WebHookReceiver();
    WebHookReceiver(const WebHookReceiver&) = delete;
    WebHookReceiver& operator=(const WebHookReceiver&) = delete;

    // "http://127.0.0.1:<port>/hook"
    std::string Url() const;
    // The status of the following answers; 302 answers carry a Location header.
    void SetStatus(int status);

    std::vector<ReceivedRequest> Requests() const;
    size_t RequestCount() const;
    // Waits until at least `count` requests came; false when the time-out passed first.
    bool WaitForRequests(size_t count, std::chrono::milliseconds timeout) const;

private:
    mutable std::mutex m_Mutex;
    mutable std::condition_variable m_Arrived;
    int m_Status = 200;
    std::vector<ReceivedRequest> m_Requests;
    std::unique_ptr<Web::Server> m_Server;
};

} // namespace ApiTest
