#include "Text/TCUtf8.h"

#include <iterator>

#include <utf8.h>

namespace Text {

bool IsValidUtf8(std::string_view text) {
    return utf8::is_valid(text.begin(), text.end());
}

std::string ToValidUtf8(std::string_view text) {
    if (IsValidUtf8(text)) return std::string(text);
    std::string valid;
    valid.reserve(text.size() + 8);
    utf8::replace_invalid(text.begin(), text.end(), std::back_inserter(valid));
    return valid;
}

} // namespace Text
