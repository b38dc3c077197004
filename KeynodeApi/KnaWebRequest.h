#pragma once
#include <istream>
#include <string>

#include "Accessories/TCRecordID.h"

namespace KeynodeApi {

// One API call as every handler sees it, whichever transport delivered it. The core fills in the user
// after authentication; everything else comes from the transport.
class KnaWebRequest {
public:
    virtual ~KnaWebRequest() = default;

    // Translated name of the channel, for logs and events.
    virtual std::string GetSourceModule() const = 0;
    virtual bool IsOverHttp() const = 0;
    virtual bool IsOverMailRouter() const = 0;
    virtual bool MustVerifyPassword() const = 0;
    // Cloud callers hold claims raised by 10000.
    virtual bool VerifyCloudWebApiRights() const = 0;
    // Record selections are limited to what the request's user may see.
    virtual bool EnforceRecordRights() const = 0;
    // 0 or less: no limit.
    virtual int GetMaxAcceptableResponseSizeBytes() const = 0;

    virtual void SetUserName(const std::string& userName) { m_UserName = userName; }
    virtual std::string GetUserName() const { return m_UserName; }
    virtual void SetUserID(const Accessories::TCRecordID& userID) { m_UserID = userID; }
    virtual Accessories::TCRecordID GetUserID() const { return m_UserID; }

    // Full path, API prefix included.
    virtual std::string path() const = 0;
    virtual std::string contentType() const = 0;
    // As received; the core decides whether it is supported.
    virtual std::string method() const = 0;
    virtual std::string urlScheme() const = 0;
    virtual std::string queryString() const = 0;
    // Empty when the header is absent.
    virtual std::string authorizationHeaderValue() const = 0;
    virtual std::istream& in() const = 0;
    virtual std::string clientAddress() const = 0;
    // Null when the parameter is absent.
    virtual const std::string* getParameter(const std::string& name) const = 0;
    // Distinct parameter names.
    virtual unsigned getParameterCount() const = 0;

private:
    Accessories::TCRecordID m_UserID;
    std::string m_UserName;
};

} // namespace KeynodeApi
