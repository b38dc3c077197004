#pragma once
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace Web::Detail {

// Decodes %XX escapes and, as form encoding does, '+' as space. Malformed escapes are kept literally.
std::string urlDecode(std::string_view text);

// Splits "a=1&b=2&a=3" into names and values, decoding both. A name without '=' gets an empty value.
std::map<std::string, std::vector<std::string>> parseQueryString(std::string_view query);

} // namespace Web::Detail
