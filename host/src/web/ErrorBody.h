#pragma once
#include <string>

namespace Web::Detail {

// The JSON error document the server sends for answers it makes itself (404, 413, 500...):
// {"errors":[{"code":1,"msg":"...","msgDetails":"..."}]}
std::string jsonErrorBody(const std::string& message, const std::string& details = std::string());

} // namespace Web::Detail
