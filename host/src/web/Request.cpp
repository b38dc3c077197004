#include "Web/Request.h"

#include "QueryString.h"

#include <boost/beast/core/string.hpp>

namespace Web {

const std::string* Request::getParameter(const std::string& name) const {
    auto found = m_Parameters.find(name);
    if (found == m_Parameters.end() || found->second.empty()) return nullptr;
    return &found->second.front();
}

std::string Request::headerValue(const std::string& name) const {
    for (const auto& [headerName, value] : m_Headers)
        if (boost::beast::iequals(headerName, name)) return value;
    return std::string();
}

void Request::setPath(std::string path, std::string pathInfo) {
    m_Path = std::move(path);
    m_PathInfo = std::move(pathInfo);
}

void Request::setQueryString(std::string query) {
    m_Parameters = Detail::parseQueryString(query);
    m_QueryString = std::move(query);
}

void Request::addHeader(std::string name, std::string value) {
    m_Headers.emplace_back(std::move(name), std::move(value));
}

void Request::setBody(const std::string& body) {
    m_Body.str(body);
    m_Body.clear();
}

} // namespace Web
