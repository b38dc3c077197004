#include "Dispatcher.h"

#include "DB/TCDBReadScope.h"
#include "ErrorBody.h"
#include "Web/Request.h"
#include "Web/Resource.h"
#include "Web/Response.h"

#include <boost/beast/core/string.hpp>
#include <boost/beast/http/field.hpp>
#include <boost/beast/http/verb.hpp>

#include <exception>

namespace Web::Detail {
namespace {

// Clients may send the absolute form "http://host/path?q"; routing wants only "/path?q".
std::string_view originForm(std::string_view target) {
    size_t scheme = target.find("://");
    if (target.empty() || target.front() == '/' || scheme == std::string_view::npos) return target;
    size_t pathStart = target.find_first_of("/?", scheme + 3);
    if (pathStart == std::string_view::npos) return "/";
    return target.substr(pathStart);
}

bool hasLineBreak(const std::string& text) {
    return text.find_first_of("\r\n") != std::string::npos;
}

bool isFramingHeader(const std::string& name) {
    return boost::beast::iequals(name, "Content-Length") || boost::beast::iequals(name, "Transfer-Encoding");
}

// Answers without a body by definition: 1xx, 204 and 304.
bool forbidsBody(int status) {
    return status / 100 == 1 || status == 204 || status == 304;
}

} // namespace

Dispatcher::Dispatcher(const ResourceTable& resources, ErrorLog errorLog)
    : m_Resources(resources), m_ErrorLog(std::move(errorLog)) {}

void Dispatcher::log(const std::string& message) const {
    if (m_ErrorLog) m_ErrorLog(message);
}

WireResponse Dispatcher::dispatch(WireRequest&& wire, const std::string& urlScheme,
                                  const std::string& clientAddress) const {
    const unsigned version = wire.version();
    const auto rawTarget = wire.target();
    std::string_view target = originForm(std::string_view(rawTarget.data(), rawTarget.size()));
    size_t question = target.find('?');
    std::string_view path = target.substr(0, question);

    ResourceTable::Match match = m_Resources.find(path);
    if (!match.resource) return makeErrorResponse(http::status::not_found, "Not found", version);

    Request request;
    request.setPath(match.mountPath, std::string(path.substr(match.mountPath.size())));
    request.setMethod(std::string(wire.method_string()));
    request.setUrlScheme(urlScheme);
    request.setQueryString(question == std::string_view::npos ? std::string()
                                                              : std::string(target.substr(question + 1)));
    for (const auto& field : wire)
        request.addHeader(std::string(field.name_string()), std::string(field.value()));
    request.setClientAddress(clientAddress);
    request.setBody(wire.body());

    Response response;
    try {
        // The reads of one request see one snapshot and take the database's read lock once.
        DB::TCDBReadScope reads;
        match.resource->handleRequest(request, response);
    } catch (const std::exception& e) {
        log("resource at '" + match.mountPath + "' failed on " + request.method() + " " + std::string(path) +
            ": " + e.what());
        return makeErrorResponse(http::status::internal_server_error, "Internal server error", version);
    } catch (...) {
        log("resource at '" + match.mountPath + "' threw a non-standard exception");
        return makeErrorResponse(http::status::internal_server_error, "Internal server error", version);
    }

    const int status = response.status();
    if (status < 100 || status > 999) {
        log("resource at '" + match.mountPath + "' set invalid status " + std::to_string(status));
        return makeErrorResponse(http::status::internal_server_error, "Internal server error", version);
    }

    WireResponse wireResponse;
    wireResponse.version(version);
    wireResponse.result(static_cast<unsigned>(status));
    for (const auto& [name, value] : response.headers()) {
        if (name.empty() || hasLineBreak(name) || hasLineBreak(value)) {
            log("resource at '" + match.mountPath + "' added a malformed header; dropped");
            continue;
        }
        // The server frames the body itself.
        if (!isFramingHeader(name)) wireResponse.insert(name, value);
    }
    if (!response.mimeType().empty()) wireResponse.set(http::field::content_type, response.mimeType());

    if (forbidsBody(status)) {
        wireResponse.prepare_payload();
    } else if (wire.method() == http::verb::head) {
        // HEAD announces the length of the body it does not get.
        wireResponse.content_length(response.body().size());
    } else {
        wireResponse.body() = response.body();
        wireResponse.prepare_payload();
    }
    return wireResponse;
}

WireResponse makeErrorResponse(http::status status, const std::string& message, unsigned httpVersion) {
    WireResponse response{status, httpVersion};
    response.set(http::field::content_type, "application/json");
    response.body() = jsonErrorBody(message);
    response.prepare_payload();
    return response;
}

} // namespace Web::Detail
