#pragma once
#include <sstream>

#include "Interface/KnaJson_MailQueryParamArray.h"
#include "KnaWebRequest.h"

namespace KeynodeApi {

// Fields 1 to 6 of a request mail.
struct TCWebApiRequestData {
    std::string UserName;
    std::string Path;
    std::string Method;
    std::string Body;        // Base64
    std::string QueryParams; // Base64 of the query-parameter document; may be empty
    int MaxResponseSize = 0;
};

// An API call that another process sent as a mail. The caller is named, not authenticated: whoever
// reaches the mail router is trusted as that user (the router admits only the daemon's own user).
class KnaWebRequest_MailRouter : public KnaWebRequest {
public:
    // Throws for a body or query parameters that are not Base64, and for a malformed parameter document.
    explicit KnaWebRequest_MailRouter(const TCWebApiRequestData& data);

    std::string GetSourceModule() const override;
    bool IsOverHttp() const override { return false; }
    bool IsOverMailRouter() const override { return true; }
    bool MustVerifyPassword() const override { return false; }
    bool VerifyCloudWebApiRights() const override { return true; }
    bool EnforceRecordRights() const override { return true; }
    int GetMaxAcceptableResponseSizeBytes() const override { return m_MaxResponseSize; }

    void SetUserName(const std::string& userName) override;
    void SetUserID(const Accessories::TCRecordID& userID) override;

    std::string path() const override { return m_Path; }
    std::string contentType() const override { return "application/json"; }
    std::string method() const override { return m_Method; }
    std::string urlScheme() const override;
    std::string queryString() const override;
    std::string authorizationHeaderValue() const override;
    std::istream& in() const override { return m_Body; }
    std::string clientAddress() const override { return std::string(); }
    // The first entry of that name that has a value; entries without value are invisible here.
    const std::string* getParameter(const std::string& name) const override;
    // Every entry, those without value included.
    unsigned getParameterCount() const override;

private:
    std::string m_Path;
    std::string m_Method;
    int m_MaxResponseSize = 0;
    mutable std::istringstream m_Body;
    KnaJson_MailQueryParamArray m_Params;
};

} // namespace KeynodeApi
