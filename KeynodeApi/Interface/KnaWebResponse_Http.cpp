#include "Interface/KnaWebResponse_Http.h"

#include "KnaException.h"
#include "Web/Response.h"

namespace KeynodeApi {

void KnaWebResponse_Http::setMimeType(const std::string& mimeType) {
    m_Response.setMimeType(mimeType);
}

void KnaWebResponse_Http::setStatus(int status) {
    m_Response.setStatus(status);
}

std::ostream& KnaWebResponse_Http::out() {
    return m_Response.out();
}

void KnaWebResponse_Http::addHeader(const std::string& name, const std::string& value) {
    m_Response.addHeader(name, value);
}

int KnaWebResponse_Http::GetResponseSizeBytes() {
    const auto position = m_Response.out().tellp();
    return position < 0 ? 0 : static_cast<int>(position);
}

void KnaWebResponse_Http::ClearOutput() {
    throw KnaException(__FILE__, __LINE__, "This method should never be called - not implemented");
}

} // namespace KeynodeApi
