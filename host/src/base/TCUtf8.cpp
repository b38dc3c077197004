#include "Text/TCUtf8.h"

#include <iterator>

#include <utf8.h>

namespace Text {

bool IsValidUtf8(std::string_view text) {
    // Nearly every text is ASCII, which one cheap pass settles; only the rest is decoded.
    unsigned char bits = 0;
    for (const char c : text)
        bits |= static_cast<unsigned char>(c);
    return bits < 0x80 || utf8::is_valid(text.begin(), text.end());
}

std::string ToValidUtf8(std::string_view text) {
    if (IsValidUtf8(text)) return std::string(text);
    std::string valid;
    valid.reserve(text.size() + 8);
    utf8::replace_invalid(text.begin(), text.end(), std::back_inserter(valid));
    return valid;
}

} // namespace Text
