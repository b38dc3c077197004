#include "ApiExpectations.h"

#include <cctype>
#include <cstdio>

std::string UrlEncode(const std::string& text) {
    std::string encoded;
    for (const unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.') {
            encoded += static_cast<char>(c);
        } else {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02X", c);
            encoded += escape;
        }
    }
    return encoded;
}

std::string ErrorBody(int code, const std::string& msg) {
    return "{\"errors\":[{\"code\":" + std::to_string(code) + ",\"msg\":\"" + msg +
           "\",\"msgDetails\":\"\"}]}";
}

std::string RecordNotFoundBody(int tableID, const std::string& identity) {
    return "{\"errors\":[{\"code\":3,\"msg\":\"Records not "
           "found\",\"msgDetails\":\"\",\"records\":[{\"tableId\":" +
           std::to_string(tableID) + ",\"id\":" + identity + ",\"keynodeId\":{\"id\":null}}]}]}";
}

std::string ParsingError(const std::string& msg) {
    return ErrorBody(2, "Parsing error:" + msg);
}
