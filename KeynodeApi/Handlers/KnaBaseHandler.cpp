#include "Handlers/KnaBaseHandler.h"

#include "JsonTypes/KnaJson_ErrorResult.h"
#include "KnaException.h"
#include "KnaUtil.h"

namespace KeynodeApi {

void KnaBaseHandler::GET(const KnaWebRequest&, KnaWebResponse&) {
    throw KnaException(__FILE__, __LINE__).FormatOverride("Method %s not implemented", "GET");
}

void KnaBaseHandler::POST(const KnaWebRequest&, KnaWebResponse&) {
    throw KnaException(__FILE__, __LINE__).FormatOverride("Method %s not implemented", "POST");
}

void KnaBaseHandler::PUT(const KnaWebRequest&, KnaWebResponse&) {
    throw KnaException(__FILE__, __LINE__).FormatOverride("Method %s not implemented", "PUT");
}

void KnaBaseHandler::DELETE(const KnaWebRequest&, KnaWebResponse&) {
    throw KnaException(__FILE__, __LINE__).FormatOverride("Method %s not implemented", "DELETE");
}

void KnaBaseHandler::SetResponseHeader_Unauthorized(KnaWebResponse& response) {
    response.addHeader("WWW-Authenticate", "Basic realm=KeynodeApi charset=UTF-8");
}

unsigned KnaBaseHandler::AssertMaxOneQueryParam(const KnaWebRequest& request) {
    const unsigned count = request.getParameterCount();
    if (count >= 2) throw KnaException(__FILE__, __LINE__, "Maximum one parameter is allowed");
    return count;
}

void KnaBaseHandler::AssertSingleQueryParam(const KnaWebRequest& request) {
    if (request.getParameterCount() != 1) throw KnaException(__FILE__, __LINE__, "Expected single parameter");
}

const std::string& KnaBaseHandler::GetAssertQueryParam(const KnaWebRequest& request,
                                                       const std::string& name) {
    const std::string* value = request.getParameter(name);
    if (value == nullptr)
        throw KnaException(__FILE__, __LINE__).FormatOverride("Missing parameter %s", name.c_str());
    return *value;
}

void KnaBaseHandler::SetResponseError(KnaWebResponse& response, const KnaJson_ErrorResult& result,
                                      int httpCode) {
    SetResponseCode(response, httpCode);
    response.out() << KnaUtil::SerializeToCompactString(result);
}

void KnaBaseHandler::SetResponseError(KnaWebResponse& response, const KnaJson_Error& error, int httpCode) {
    SetResponseError(response, KnaJson_ErrorResult(error), httpCode);
}

void KnaBaseHandler::SetResponseError(KnaWebResponse& response, const std::shared_ptr<KnaJson_Error>& error,
                                      int httpCode) {
    SetResponseError(response, KnaJson_ErrorResult(error), httpCode);
}

} // namespace KeynodeApi
