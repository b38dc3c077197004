#include "Interface/KnaWebRequest_MailRouter.h"

#include "Crypto/TCCryptoUtil.h"
#include "Debug/TCDebug.h"
#include "KnaException.h"
#include "Text/TCTranslate.h"

namespace KeynodeApi {

namespace {
const char* const kNotImplemented = "This method should never be called - not implemented";
}

KnaWebRequest_MailRouter::KnaWebRequest_MailRouter(const TCWebApiRequestData& data)
    : m_Path(data.Path), m_Method(data.Method), m_MaxResponseSize(data.MaxResponseSize) {
    KnaWebRequest::SetUserName(data.UserName);
    const std::string body = TCCryptoUtil::Base64Decode(data.Body);
    if (IsDebugLevel(DEBUG_COMMON))
        SendDebugOutput(DEBUG_COMMON, "KnaWebRequest_MailRouter body:[%s]", body.c_str());
    m_Body.str(body);
    if (!data.QueryParams.empty()) {
        const std::string params = TCCryptoUtil::Base64Decode(data.QueryParams);
        if (IsDebugLevel(DEBUG_COMMON))
            SendDebugOutput(DEBUG_COMMON, "KnaWebRequest_MailRouter query params :[%s]", params.c_str());
        m_Params.DeserializeString(params);
    }
}

std::string KnaWebRequest_MailRouter::GetSourceModule() const {
    return DoTranslateText("KeynodeApi", __FILE__, "_t_Cloud API or Phone App");
}

void KnaWebRequest_MailRouter::SetUserName(const std::string&) {
    throw KnaException(__FILE__, __LINE__, kNotImplemented);
}

void KnaWebRequest_MailRouter::SetUserID(const Accessories::TCRecordID&) {
    throw KnaException(__FILE__, __LINE__, kNotImplemented);
}

std::string KnaWebRequest_MailRouter::urlScheme() const {
    throw KnaException(__FILE__, __LINE__, kNotImplemented);
}

std::string KnaWebRequest_MailRouter::queryString() const {
    throw KnaException(__FILE__, __LINE__, kNotImplemented);
}

std::string KnaWebRequest_MailRouter::authorizationHeaderValue() const {
    throw KnaException(__FILE__, __LINE__, kNotImplemented);
}

const std::string* KnaWebRequest_MailRouter::getParameter(const std::string& name) const {
    for (const KnaJson_MailQueryParam& param : m_Params.GetParams())
        if (param.GetName() == name && param.GetValue().IsNotNull()) return &param.GetValue().get_Value();
    return nullptr;
}

unsigned KnaWebRequest_MailRouter::getParameterCount() const {
    return static_cast<unsigned>(m_Params.GetParams().size());
}

} // namespace KeynodeApi
