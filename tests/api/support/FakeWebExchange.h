#pragma once
// A request and response that are not bound to any transport, for driving the request core directly with
// what the web server cannot produce (another client address, a request of the mail router).
#include <sstream>
#include <string>

#include "KnaWebRequest.h"
#include "KnaWebResponse.h"

namespace ApiTest {

class FakeWebRequest : public KeynodeApi::KnaWebRequest {
public:
    // Defaults describe a web-server request; the mail-router side is chosen by OverHttp = false.
    bool OverHttp = true;
    bool MustVerify = true;
    bool CloudRights = false;
    std::string Path;
    std::string Method = "GET";
    std::string Scheme = "http";
    std::string Authorization;
    std::string ContentType = "application/json";
    std::string ClientAddress = "127.0.0.1";

    void SetBody(const std::string& body) { m_Body.str(body); }

    // A request of another process through the mail router: named user, no password, cloud claims.
    static FakeWebRequest OverMailRouter(const std::string& path, const std::string& user) {
        FakeWebRequest request;
        request.OverHttp = false;
        request.MustVerify = false;
        request.CloudRights = true;
        request.Scheme.clear();
        request.ContentType.clear();
        request.Path = path;
        request.SetUserName(user);
        return request;
    }

    std::string GetSourceModule() const override { return "test"; }
    bool IsOverHttp() const override { return OverHttp; }
    bool IsOverMailRouter() const override { return !OverHttp; }
    bool MustVerifyPassword() const override { return MustVerify; }
    bool VerifyCloudWebApiRights() const override { return CloudRights; }
    bool EnforceRecordRights() const override { return !OverHttp; }
    int GetMaxAcceptableResponseSizeBytes() const override { return 0; }
    std::string path() const override { return Path; }
    std::string contentType() const override { return ContentType; }
    std::string method() const override { return Method; }
    std::string urlScheme() const override { return Scheme; }
    std::string queryString() const override { return ""; }
    std::string authorizationHeaderValue() const override { return Authorization; }
    std::istream& in() const override { return m_Body; }
    std::string clientAddress() const override { return ClientAddress; }
    const std::string* getParameter(const std::string&) const override { return nullptr; }
    unsigned getParameterCount() const override { return 0; }

private:
    mutable std::istringstream m_Body;
};

class FakeWebResponse : public KeynodeApi::KnaWebResponse {
public:
    int Status = 0;
    std::string MimeType;

    std::string Body() const { return m_Body.str(); }

    void setMimeType(const std::string& mimeType) override { MimeType = mimeType; }
    void setStatus(int status) override { Status = status; }
    std::ostream& out() override { return m_Body; }
    void addHeader(const std::string&, const std::string&) override {}
    int GetResponseSizeBytes() override { return static_cast<int>(m_Body.str().size()); }
    void ClearOutput() override {
        m_Body.str(std::string());
        m_Body.clear();
    }

private:
    std::ostringstream m_Body;
};

} // namespace ApiTest
