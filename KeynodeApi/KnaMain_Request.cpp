#include "KnaMain.h"

#include <sstream>

#include "Crypto/TCCryptoUtil.h"
#include "Debug/TCDebug.h"
#include "KnaException.h"
#include "Json/TCJsonParsingException.h"

namespace KeynodeApi {

namespace {

const char* const kJsonContentType = "application/json";
const char* const kInternalError = "Internal error. Please notify vendor.";

bool ParseWebMethod(const std::string& text, KnaWebMethod& method) {
    static const KnaWebMethod methods[] = {KnaWebMethod::GET, KnaWebMethod::POST, KnaWebMethod::PUT,
                                           KnaWebMethod::DELETE};
    for (KnaWebMethod candidate : methods) {
        if (text == KnaHandlerInfo::GetWebMethodName(candidate)) {
            method = candidate;
            return true;
        }
    }
    return false;
}

void Dispatch(KnaWebMethod method, KnaBaseHandler& handler, const KnaWebRequest& request,
              KnaWebResponse& response) {
    switch (method) {
    case KnaWebMethod::GET:
        KnaBaseHandler::Handle_GET(handler, request, response);
        break;
    case KnaWebMethod::POST:
        KnaBaseHandler::Handle_POST(handler, request, response);
        break;
    case KnaWebMethod::PUT:
        KnaBaseHandler::Handle_PUT(handler, request, response);
        break;
    case KnaWebMethod::DELETE:
        KnaBaseHandler::Handle_DELETE(handler, request, response);
        break;
    }
}

// An internal failure keeps a check's message that was already pending when it happened.
std::string InternalErrorMessage(const std::string& pendingMessage) {
    return pendingMessage.empty() ? kInternalError : kInternalError + std::string("Error: ") + pendingMessage;
}

} // namespace

bool KnaMain::IsPlainHttpAcceptedFrom(const std::string& clientAddress) const {
    if (IsPlainHttpAllowed()) return true;
    return m_PlainHttpAllowedFromLocal && (clientAddress == m_NetworkSettings.Address.get_AsString() ||
                                           clientAddress == "127.0.0.1" || clientAddress == "0.0.0.0");
}

const KnaHandlerInfo* KnaMain::FindEndpoint(const std::string& subpath, KnaWebMethod method,
                                            bool& pathKnown) const {
    const auto found = m_EndpointRegistry->find(subpath);
    pathKnown = found != m_EndpointRegistry->end();
    if (!pathKnown) return nullptr;
    for (const KnaHandlerInfo* info : *found->second)
        if (info->GetMethod() == method) return info;
    return nullptr;
}

bool KnaMain::ProcessRequest(KnaWebRequest& request, KnaWebResponse& response, std::string& errorMessage,
                             int& status) {
    auto fail = [&](const std::string& message, int code) {
        errorMessage = message;
        status = code;
        return false;
    };

    if (IsDebugLevel(DEBUG_WEBAPI))
        SendDebugOutput(DEBUG_WEBAPI, "Web API received request:\n %s", GetRequestDetails(request).c_str());
    response.setMimeType(kJsonContentType);

    // Requests of other processes come through the mail router and are served even when the API is off.
    if (request.IsOverHttp() && !IsApiEnabled()) return fail("API is disabled", 503);
    if (request.IsOverHttp() && request.urlScheme() == "http" &&
        !IsPlainHttpAcceptedFrom(request.clientAddress()))
        return fail("Unsecured http is not supported on local network. Use secure https.", 503);

    Accessories::TCRecordID userID;
    std::string userName;
    std::set<int> claims;
    bool allMethods = false;
    std::string authenticationError;
    AuthenticateRequest(request, authenticationError, userID, userName, claims, allMethods);
    if (!authenticationError.empty()) return fail(authenticationError, 401);

    const std::string methodText = request.method();
    KnaWebMethod method = KnaWebMethod::GET;
    if (!ParseWebMethod(methodText, method))
        return fail(
            "Unsupported web method:" + methodText + ". Supported methods are: GET, POST, PUT, DELETE", 405);

    const std::string path = request.path();
    if (IsDebugLevel(DEBUG_COMMON))
        SendDebugOutput(DEBUG_COMMON, "KnaMain::Knms_WebApiRequestMail request path:[%s]", path.c_str());
    if (path.compare(0, m_ApiPrefix.size(), m_ApiPrefix) != 0)
        return fail("URL must begin with " + m_ApiPrefix, 404);
    const std::string subpath = path.substr(m_ApiPrefix.size());
    if (IsDebugLevel(DEBUG_COMMON))
        SendDebugOutput(DEBUG_COMMON, "Requested path [%s] and subpath [%s]", path.c_str(), subpath.c_str());

    if (request.IsOverHttp() && request.contentType() != kJsonContentType)
        return fail(std::string("Content type must be ") + kJsonContentType, 415);

    bool pathKnown = false;
    const KnaHandlerInfo* endpoint = FindEndpoint(subpath, method, pathKnown);
    if (!pathKnown) return fail("Specified path " + subpath + " not supported", 404);
    std::shared_ptr<KnaBaseHandler> handler;
    if (endpoint != nullptr) {
        const auto found = m_Handlers->find(endpoint->GetEndpointNumber());
        if (found != m_Handlers->end()) handler = found->second;
    }
    if (!handler) return fail("Specified path " + subpath + " handler not found", 500);

    if (!allMethods) {
        const int requiredClaim =
            endpoint->GetEndpointNumber() + (request.VerifyCloudWebApiRights() ? 10000 : 0);
        if (claims.count(requiredClaim) == 0)
            return fail("User " + userName + " is not allowed to perform requested operation", 401);
    }

    Dispatch(method, *handler, request, response);

    if (!request.IsOverHttp()) {
        const int maxSize = request.GetMaxAcceptableResponseSizeBytes();
        const int size = response.GetResponseSizeBytes();
        if (maxSize > 0 && size > maxSize) {
            response.ClearOutput();
            return fail("Executed API call is resulting in response size of " + std::to_string(size) +
                            " which exceeds maximum allowed size of " + std::to_string(maxSize) +
                            " bytes. Please try again with query resulting in more narrow response.",
                        403);
        }
    }
    return true;
}

void KnaMain::HandleRequest(KnaWebRequest& request, KnaWebResponse& response) {
    std::string errorMessage;
    int status = 500;
    try {
        if (ProcessRequest(request, response, errorMessage, status)) {
            KnaBaseHandler::SetResponseCodeOK(response);
            OnRequestFinished(request, response, true);
            return;
        }
    } catch (const TCJson::TCJsonParsingException& e) {
        EndRequestWithError(response, "Parsing error:" + e.GetMessage(), 2, "", 400, e.GetText(), true);
        OnRequestFinished(request, response, false);
        return;
    } catch (const KnaParsingException& e) {
        EndRequestWithError(response, "Parsing error:" + e.GetMessage(), 2, "", 400, e.GetText(), true);
        OnRequestFinished(request, response, false);
        return;
    } catch (const KnaJsonErrorException& e) {
        if (e.GetError())
            EndRequestWithError(response, e.GetError(), -1, e.GetText(), true);
        else
            EndRequestWithError(response, InternalErrorMessage(errorMessage), 1, "", 500, e.GetText(), true);
        OnRequestFinished(request, response, false);
        return;
    } catch (const KnaException& e) {
        EndRequestWithError(response, e.GetMessage(), 1, "", 400, e.GetText(), true);
        OnRequestFinished(request, response, false);
        return;
    } catch (const TCException& e) {
        EndRequestWithError(response, InternalErrorMessage(errorMessage), 1, "", 500, e.GetText(), true);
        OnRequestFinished(request, response, false);
        return;
    } catch (const std::exception& e) {
        EndRequestWithError(response, InternalErrorMessage(errorMessage), 1, "", 500, e.what(), true);
        OnRequestFinished(request, response, false);
        return;
    } catch (...) {
        EndRequestWithError(response, InternalErrorMessage(errorMessage), 1, "", 500, "Unknown exception",
                            true);
        OnRequestFinished(request, response, false);
        return;
    }

    if (status == 401) KnaBaseHandler::SetResponseHeader_Unauthorized(response);
    EndRequestWithError(response, errorMessage, 1, "", status, "", true);
    OnRequestFinished(request, response, false);
}

std::string KnaMain::GetRequestDetails(const KnaWebRequest& request) {
    std::istream& body = request.in();
    body.clear();
    body.seekg(0);
    // Scheme, query and header exist only for web-server requests; the mail variants refuse them.
    const bool overHttp = request.IsOverHttp();
    std::ostringstream details;
    details << "Request path:[" << request.path() << "]\n"
            << "Method:[" << request.method() << "]\n"
            << "Url scheme:[" << (overHttp ? request.urlScheme() : std::string()) << "]\n"
            << "Query string:[" << (overHttp ? request.queryString() : std::string()) << "]\n"
            << "Authorization header:[" << (overHttp ? request.authorizationHeaderValue() : std::string())
            << "]\n"
            << "Content type:[" << request.contentType() << "]\n"
            << "Content:[" << TCCryptoUtil::StreamToString(body) << "]\n";
    return details.str();
}

std::string KnaMain::GetResponseDetails(const KnaWebResponse&) {
    return std::string();
}

void KnaMain::OnRequestFinished(const KnaWebRequest&, const KnaWebResponse&, bool success) {
    if (IsDebugLevel(DEBUG_WEBAPI))
        SendDebugOutput(DEBUG_WEBAPI, "Web API received request handling %s.",
                        success ? "success" : "failure");
}

} // namespace KeynodeApi
