#pragma once
#include <memory>
#include <set>
#include <string>

#include "KnaWebRequest.h"
#include "KnaWebResponse.h"

namespace KeynodeApi {

class KnaJson_Error;
class KnaJson_ErrorResult;

// Base of every endpoint handler. A handler object is shared by all concurrent requests, so it holds only
// what it was given at construction and keeps no state per request.
class KnaBaseHandler {
public:
    KnaBaseHandler() = default;
    virtual ~KnaBaseHandler() = default;
    KnaBaseHandler(const KnaBaseHandler&) = delete;
    KnaBaseHandler& operator=(const KnaBaseHandler&) = delete;

    // Adds the endpoint numbers this handler serves.
    virtual void GetSupportedClaims(std::set<int>& claims) const = 0;
    // The defaults fail: a handler overrides exactly the methods its endpoints name.
    virtual void GET(const KnaWebRequest& request, KnaWebResponse& response);
    virtual void POST(const KnaWebRequest& request, KnaWebResponse& response);
    virtual void PUT(const KnaWebRequest& request, KnaWebResponse& response);
    virtual void DELETE(const KnaWebRequest& request, KnaWebResponse& response);

    static void Handle_GET(KnaBaseHandler& handler, const KnaWebRequest& request, KnaWebResponse& response) {
        handler.GET(request, response);
    }
    static void Handle_POST(KnaBaseHandler& handler, const KnaWebRequest& request, KnaWebResponse& response) {
        handler.POST(request, response);
    }
    static void Handle_PUT(KnaBaseHandler& handler, const KnaWebRequest& request, KnaWebResponse& response) {
        handler.PUT(request, response);
    }
    static void Handle_DELETE(KnaBaseHandler& handler, const KnaWebRequest& request,
                              KnaWebResponse& response) {
        handler.DELETE(request, response);
    }

    int GetApiMajorVersion() const { return m_ApiMajorVersion; }
    void SetApiMajorVersion(int majorVersion) { m_ApiMajorVersion = majorVersion; }

    static void SetResponseCode(KnaWebResponse& response, int code) { response.setStatus(code); }
    static void SetResponseCodeOK(KnaWebResponse& response) { SetResponseCode(response, 200); }
    static void SetResponseHeader_Unauthorized(KnaWebResponse& response);

    // Returns the parameter count; throws when there are two or more.
    static unsigned AssertMaxOneQueryParam(const KnaWebRequest& request);
    static void AssertSingleQueryParam(const KnaWebRequest& request);
    static const std::string& GetAssertQueryParam(const KnaWebRequest& request, const std::string& name);

    // Sets the status and writes the error body compactly to out(); the content type was set by the core.
    static void SetResponseError(KnaWebResponse& response, const KnaJson_ErrorResult& result, int httpCode);
    static void SetResponseError(KnaWebResponse& response, const KnaJson_Error& error, int httpCode);
    static void SetResponseError(KnaWebResponse& response, const std::shared_ptr<KnaJson_Error>& error,
                                 int httpCode);

private:
    int m_ApiMajorVersion = 1;
};

} // namespace KeynodeApi
