#pragma once
// Expected texts of API answers, written out the way the API must produce them.
#include <cctype>
#include <cstdio>
#include <functional>
#include <string>

#include "KnaException.h"
#include "Json/TCJsonParsingException.h"

// Percent-encodes everything except unreserved characters, for identities in query strings.
inline std::string UrlEncode(const std::string& text) {
    std::string encoded;
    for (const unsigned char c : text) {
        char escape[4];
        std::snprintf(escape, sizeof escape, "%%%02X", c);
        encoded += std::isalnum(c) || c == '-' || c == '_' || c == '.' ? std::string(1, char(c)) : escape;
    }
    return encoded;
}

// {"errors":[{"code":code,"msg":msg,"msgDetails":details}]}
inline std::string ErrorBody(int code, const std::string& msg, const std::string& details = "") {
    return "{\"errors\":[{\"code\":" + std::to_string(code) + ",\"msg\":\"" + msg + "\",\"msgDetails\":\"" +
           details + "\"}]}";
}

inline std::string ParsingError(const std::string& msg) {
    return ErrorBody(2, "Parsing error:" + msg);
}

// The records-not-found error naming one identity (its JSON text) of table `tableID`.
inline std::string RecordNotFoundBody(int tableID, const std::string& identity) {
    return R"({"errors":[{"code":3,"msg":"Records not found","msgDetails":"","records":[{"tableId":)" +
           std::to_string(tableID) + ",\"id\":" + identity + R"(,"keynodeId":{"id":null}}]}]})";
}

// An event detail as DetailTexts writes it.
inline std::string Detail(int detailID, const std::string& value) {
    return std::to_string(detailID) + "=" + value;
}

// The message of what the action threw, as the API would answer it.
inline std::string ExceptionMessage(const std::function<void()>& action) {
    try {
        action();
    } catch (const KeynodeApi::KnaException& e) {
        return e.GetMessage();
    } catch (const TCJson::TCJsonParsingException& e) {
        return e.GetMessage();
    }
    return "<no exception>";
}
