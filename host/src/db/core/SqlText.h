#pragma once
#include <string>
#include <string_view>

namespace DB::Core {

// An SQL identifier in double quotes, embedded quotes doubled.
inline std::string QuoteName(std::string_view name) {
    std::string quoted;
    quoted.reserve(name.size() + 2);
    quoted += '"';
    for (char c : name) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

} // namespace DB::Core
