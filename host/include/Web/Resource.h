#pragma once

#pragma GCC visibility push(default)

namespace Web {

class Request;
class Response;

// A service mounted on the server. handleRequest runs on the server's worker threads, several calls at
// the same time, so implementations must be thread-safe. An exception escaping it becomes a 500 answer.
class Resource {
public:
    virtual ~Resource() = default;
    virtual void handleRequest(const Request& request, Response& response) = 0;
};

} // namespace Web

#pragma GCC visibility pop
