#pragma once
#include <string>

// Expected texts of API answers, written out the way the API must produce them.

// Percent-encodes everything except unreserved characters, for identities in query strings.
std::string UrlEncode(const std::string& text);
// {"errors":[{"code":code,"msg":msg,"msgDetails":""}]}
std::string ErrorBody(int code, const std::string& msg);
// The records-not-found error naming one identity (its JSON text) of table `tableID`.
std::string RecordNotFoundBody(int tableID, const std::string& identity);
// {"errors":[{"code":2,"msg":"Parsing error:" + msg,...}]}
std::string ParsingError(const std::string& msg);
