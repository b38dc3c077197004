#pragma once
#include "KnaWebRequest.h"

namespace Web {
class Request;
}

namespace KeynodeApi {

// A request that came through the web server. Refers to the server's request for its own lifetime and
// owns nothing of it.
class KnaWebRequest_Http : public KnaWebRequest {
public:
    explicit KnaWebRequest_Http(const Web::Request& request) : m_Request(request) {}

    std::string GetSourceModule() const override;
    bool IsOverHttp() const override { return true; }
    bool IsOverMailRouter() const override { return false; }
    bool MustVerifyPassword() const override { return true; }
    bool VerifyCloudWebApiRights() const override { return false; }
    bool EnforceRecordRights() const override { return false; }
    int GetMaxAcceptableResponseSizeBytes() const override { return 0; }

    std::string path() const override;
    std::string contentType() const override;
    std::string method() const override;
    std::string urlScheme() const override;
    std::string queryString() const override;
    std::string authorizationHeaderValue() const override;
    std::istream& in() const override;
    std::string clientAddress() const override;
    const std::string* getParameter(const std::string& name) const override;
    unsigned getParameterCount() const override;

private:
    const Web::Request& m_Request;
};

} // namespace KeynodeApi
