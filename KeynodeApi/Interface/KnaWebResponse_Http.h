#pragma once
#include "KnaWebResponse.h"

namespace Web {
class Response;
}

namespace KeynodeApi {

// The answer to a web-server request. Refers to the server's response for its own lifetime.
class KnaWebResponse_Http : public KnaWebResponse {
public:
    explicit KnaWebResponse_Http(Web::Response& response) : m_Response(response) {}

    void setMimeType(const std::string& mimeType) override;
    void setStatus(int status) override;
    std::ostream& out() override;
    void addHeader(const std::string& name, const std::string& value) override;
    int GetResponseSizeBytes() override;
    // HTTP callers set no size limit, so the core never needs to discard a body here.
    void ClearOutput() override;

private:
    Web::Response& m_Response;
};

} // namespace KeynodeApi
