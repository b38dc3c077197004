#include "Interface/KnaWebRequest_Http.h"

#include "Text/TCTranslate.h"
#include "Web/Request.h"

namespace KeynodeApi {

std::string KnaWebRequest_Http::GetSourceModule() const {
    return DoTranslateText("KeynodeApi", __FILE__, "_t_Web API");
}

// The server splits the request path at the resource's mount point; the API prefix spans both parts.
std::string KnaWebRequest_Http::path() const {
    return m_Request.path() + m_Request.pathInfo();
}

std::string KnaWebRequest_Http::contentType() const {
    return m_Request.contentType();
}

std::string KnaWebRequest_Http::method() const {
    return m_Request.method();
}

std::string KnaWebRequest_Http::urlScheme() const {
    return m_Request.urlScheme();
}

std::string KnaWebRequest_Http::queryString() const {
    return m_Request.queryString();
}

std::string KnaWebRequest_Http::authorizationHeaderValue() const {
    return m_Request.headerValue("Authorization");
}

std::istream& KnaWebRequest_Http::in() const {
    return m_Request.in();
}

std::string KnaWebRequest_Http::clientAddress() const {
    return m_Request.clientAddress();
}

const std::string* KnaWebRequest_Http::getParameter(const std::string& name) const {
    return m_Request.getParameter(name);
}

unsigned KnaWebRequest_Http::getParameterCount() const {
    return static_cast<unsigned>(m_Request.getParameterCount());
}

} // namespace KeynodeApi
