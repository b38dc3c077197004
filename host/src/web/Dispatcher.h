#pragma once
#include "ResourceTable.h"

#include <boost/beast/http/message.hpp>
#include <boost/beast/http/status.hpp>
#include <boost/beast/http/string_body.hpp>

#include <functional>
#include <string>

namespace Web::Detail {

namespace http = boost::beast::http;
using WireRequest = http::request<http::string_body>;
using WireResponse = http::response<http::string_body>;
using ErrorLog = std::function<void(const std::string&)>;

// Turns a parsed request into a Web::Request, hands it to the mounted resource and turns its Web::Response
// into the answer on the wire. Never throws for anything a resource does.
class Dispatcher {
public:
    Dispatcher(const ResourceTable& resources, ErrorLog errorLog);

    WireResponse dispatch(WireRequest&& wire, const std::string& urlScheme,
                          const std::string& clientAddress) const;

private:
    void log(const std::string& message) const;

    const ResourceTable& m_Resources;
    ErrorLog m_ErrorLog;
};

// An answer the server makes itself, with the JSON error body.
WireResponse makeErrorResponse(http::status status, const std::string& message, unsigned httpVersion);

} // namespace Web::Detail
