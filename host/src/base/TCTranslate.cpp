#include "Text/TCTranslate.h"

#include <cctype>

namespace {

constexpr char kMarker[] = "_t_";
constexpr size_t kMarkerLength = sizeof kMarker - 1;

} // namespace

std::string DoTranslateText(const char* /*domain*/, const char* /*sourceFile*/, const std::string& text,
                            const std::vector<std::string>& args) {
    const size_t start = text.compare(0, kMarkerLength, kMarker) == 0 ? kMarkerLength : 0;
    std::string result;
    result.reserve(text.size());
    size_t at = start;
    while (at < text.size()) {
        const size_t open = text.find("{%", at);
        if (open == std::string::npos) break;
        result.append(text, at, open - at);
        size_t digitsEnd = open + 2;
        while (digitsEnd < text.size() && std::isdigit(static_cast<unsigned char>(text[digitsEnd])))
            ++digitsEnd;
        const bool wellFormed = digitsEnd > open + 2 && digitsEnd - (open + 2) <= 9 &&
                                digitsEnd < text.size() && text[digitsEnd] == '}';
        if (wellFormed) {
            const size_t number = std::stoul(text.substr(open + 2, digitsEnd - open - 2));
            if (number >= 1 && number <= args.size()) {
                result += args[number - 1];
                at = digitsEnd + 1;
                continue;
            }
        }
        // Not a placeholder we can fill: keep its opening and scan on after it.
        result.append(text, open, 2);
        at = open + 2;
    }
    if (at < text.size()) result.append(text, at, std::string::npos);
    return result;
}
