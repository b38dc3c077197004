#pragma once
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#pragma GCC visibility push(default)

namespace Web {

// One HTTP request as a resource sees it. The server fills it in; handlers only read it.
class Request {
public:
    using Parameters = std::map<std::string, std::vector<std::string>>;
    using Headers = std::vector<std::pair<std::string, std::string>>;

    Request() = default;
    Request(Request&&) = default;
    Request& operator=(Request&&) = default;

    // The mount text of the resource that received the request; path() + pathInfo() is the request path.
    const std::string& path() const { return m_Path; }
    const std::string& pathInfo() const { return m_PathInfo; }
    const std::string& method() const { return m_Method; }
    // "http" or "https".
    const std::string& urlScheme() const { return m_UrlScheme; }
    // The raw text after '?', not decoded.
    const std::string& queryString() const { return m_QueryString; }
    // Query parameters, names and values URL-decoded; a repeated name keeps all values in order.
    const Parameters& parameters() const { return m_Parameters; }
    // The first value of the parameter, or nullptr when absent.
    const std::string* getParameter(const std::string& name) const;
    // Number of distinct parameter names.
    size_t getParameterCount() const { return m_Parameters.size(); }
    // Case-insensitive lookup; the first value when repeated, empty when absent.
    std::string headerValue(const std::string& name) const;
    const Headers& headers() const { return m_Headers; }
    std::string contentType() const { return headerValue("Content-Type"); }
    // The peer's IP address as text, e.g. "127.0.0.1".
    const std::string& clientAddress() const { return m_ClientAddress; }
    // The body. Handlers may rewind it (seekg(0)) and read it again.
    std::istream& in() const { return m_Body; }

    void setPath(std::string path, std::string pathInfo);
    void setMethod(std::string method) { m_Method = std::move(method); }
    void setUrlScheme(std::string scheme) { m_UrlScheme = std::move(scheme); }
    // Stores the raw query and parses it into parameters().
    void setQueryString(std::string query);
    void addHeader(std::string name, std::string value);
    void setClientAddress(std::string address) { m_ClientAddress = std::move(address); }
    void setBody(const std::string& body);

private:
    std::string m_Path;
    std::string m_PathInfo;
    std::string m_Method;
    std::string m_UrlScheme;
    std::string m_QueryString;
    Parameters m_Parameters;
    Headers m_Headers;
    std::string m_ClientAddress;
    // Reading moves the stream position; that is not a change of the request itself.
    mutable std::istringstream m_Body;
};

} // namespace Web

#pragma GCC visibility pop
