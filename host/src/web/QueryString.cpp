#include "QueryString.h"

namespace Web::Detail {
namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

std::string urlDecode(std::string_view text) {
    std::string decoded;
    decoded.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '+') {
            decoded += ' ';
        } else if (c == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
                   hexValue(text[i + 2]) >= 0) {
            decoded += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            decoded += c;
        }
    }
    return decoded;
}

std::map<std::string, std::vector<std::string>> parseQueryString(std::string_view query) {
    std::map<std::string, std::vector<std::string>> parameters;
    while (!query.empty()) {
        size_t end = query.find('&');
        std::string_view pair = query.substr(0, end);
        query = end == std::string_view::npos ? std::string_view() : query.substr(end + 1);
        if (pair.empty()) continue;
        size_t equals = pair.find('=');
        std::string name = urlDecode(pair.substr(0, equals));
        std::string value =
            equals == std::string_view::npos ? std::string() : urlDecode(pair.substr(equals + 1));
        parameters[std::move(name)].push_back(std::move(value));
    }
    return parameters;
}

} // namespace Web::Detail
