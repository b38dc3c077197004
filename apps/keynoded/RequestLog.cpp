#include "RequestLog.h"

#include "Crypto/TCCryptoUtil.h"
#include "Log.h"
#include "Web/Request.h"
#include "Web/Response.h"

namespace keynoded {
namespace {

// The user name of "Basic base64(name:password)", or "-".
std::string userName(const std::string& authorization) {
    const std::string scheme = "Basic ";
    if (authorization.compare(0, scheme.size(), scheme) != 0) return "-";
    std::string credentials;
    try {
        credentials = TCCryptoUtil::Base64Decode(authorization.substr(scheme.size()));
    } catch (const std::exception&) {
        return "-";
    }
    const size_t colon = credentials.find(':');
    if (colon == std::string::npos || colon == 0) return "-";
    std::string name = credentials.substr(0, colon);
    // Untrusted bytes: keep the line one line of printable text.
    for (char& c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
    return name;
}

} // namespace

void RequestLog::handleRequest(const Web::Request& request, Web::Response& response) {
    m_Inner->handleRequest(request, response);
    const int status = response.status();
    if (status < 400) return;
    std::string path = request.path() + request.pathInfo();
    for (char& c : path)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
    logLine(status >= 500 ? Priority::Warning : Priority::Notice,
            "request failed: " + request.method() + " " + path + " " + std::to_string(status) + " user=" +
                userName(request.headerValue("Authorization")) + " client=" + request.clientAddress());
}

} // namespace keynoded
