#pragma once
#include <memory>

#include "Web/Resource.h"

namespace keynoded {

// Passes requests to the API and logs one line for each that failed: method, path, status, user and
// client address. The user is the name of the Basic credentials; the password and the header never
// reach the log.
class RequestLog : public Web::Resource {
public:
    explicit RequestLog(std::shared_ptr<Web::Resource> inner) : m_Inner(std::move(inner)) {}
    void handleRequest(const Web::Request& request, Web::Response& response) override;

private:
    const std::shared_ptr<Web::Resource> m_Inner;
};

} // namespace keynoded
