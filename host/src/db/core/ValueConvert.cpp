#include "db/core/ValueConvert.h"

#include <cstdio>
#include <cstdlib>

namespace DB::Core {

int64_t AsInt64(const TCDBParam& value) {
    const auto& v = value.get_Storage();
    if (const auto* n = std::get_if<int64_t>(&v)) return *n;
    if (const auto* d = std::get_if<double>(&v)) return int64_t(*d);
    if (const auto* s = std::get_if<std::string>(&v)) return std::strtoll(s->c_str(), nullptr, 10);
    return 0;
}

double AsDouble(const TCDBParam& value) {
    const auto& v = value.get_Storage();
    if (const auto* n = std::get_if<int64_t>(&v)) return double(*n);
    if (const auto* d = std::get_if<double>(&v)) return *d;
    if (const auto* s = std::get_if<std::string>(&v)) return std::strtod(s->c_str(), nullptr);
    return 0;
}

std::string AsText(const TCDBParam& value) {
    const auto& v = value.get_Storage();
    if (const auto* n = std::get_if<int64_t>(&v)) return std::to_string(*n);
    if (const auto* d = std::get_if<double>(&v)) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.15g", *d);
        return buffer;
    }
    if (const auto* s = std::get_if<std::string>(&v)) return *s;
    return std::string();
}

} // namespace DB::Core
