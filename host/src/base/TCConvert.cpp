#include "Host/TCConvert.h"

#include <charconv>

int ToInt(const std::string& text, int def) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    // from_chars takes '-' but not '+'; a '+' followed by another sign must still fail.
    if (begin != end && *begin == '+') {
        ++begin;
        if (begin != end && *begin == '-') return def;
    }
    if (begin == end) return def;
    int value = 0;
    const auto [stop, error] = std::from_chars(begin, end, value, 10);
    if (error != std::errc() || stop != end) return def;
    return value;
}

std::string ToString(int value) {
    return std::to_string(value);
}

std::string ToString(long long value) {
    return std::to_string(value);
}
